# Working in the browser: selection rules, clipboard and drag data as the
# desktops put them, paste and drop into folders, reorder by drop, the rename
# editor, and the browser and its view driven offscreen by real clicks and keys.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
find_package(JPEG REQUIRED)
vespera_test(NAME browser_interact_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileMimeDataTest.cpp ${CMAKE_CURRENT_LIST_DIR}/FileTransferTest.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/ReorderByDropTest.cpp ${CMAKE_CURRENT_LIST_DIR}/InPlaceRenameTest.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/SelectionRulesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/BrowserInteractionTest.cpp
                     ${PROJECT_SOURCE_DIR}/tests/support/WidgetTestMain.cpp
             LIBS browser_thumbs Qt6::Widgets Qt6::Test JPEG::JPEG)
target_include_directories(browser_interact_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
