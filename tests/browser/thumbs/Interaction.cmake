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

# The clipboard on a real X display: keys through xdotool, the clipboard read
# and written by xclip. Not built under the sanitizers (as the program's
# end-to-end tests).
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  add_executable(browser_interact_x11_tests ${CMAKE_CURRENT_LIST_DIR}/X11ClipboardTest.cpp
                                            ${PROJECT_SOURCE_DIR}/tests/support/WidgetTestMain.cpp)
  target_include_directories(browser_interact_x11_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(browser_interact_x11_tests PRIVATE browser_thumbs Qt6::Widgets Qt6::Test JPEG::JPEG
                                                          GTest::gtest)
  vespera_warnings(browser_interact_x11_tests)
  add_test(NAME browser_interact_x11_tests
           COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:browser_interact_x11_tests>)
  set_tests_properties(browser_interact_x11_tests PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=xcb")

  # Drags with the real pointer and keys, in the platform's own drag loop.
  add_executable(browser_drag_x11_tests ${CMAKE_CURRENT_LIST_DIR}/X11DragTest.cpp
                                        ${PROJECT_SOURCE_DIR}/tests/support/WidgetTestMain.cpp)
  target_include_directories(browser_drag_x11_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(browser_drag_x11_tests PRIVATE browser_thumbs Qt6::Widgets Qt6::Test JPEG::JPEG GTest::gtest)
  vespera_warnings(browser_drag_x11_tests)
  add_test(NAME browser_drag_x11_tests
           COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:browser_drag_x11_tests>)
  set_tests_properties(browser_drag_x11_tests PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=xcb")
endif()
