# Working in the browser: selection rules, file lists on the clipboard and in
# drags, paste and drop into a folder, reorder by drop, the file-operation
# bracket, the in-place rename, item information and the undo record.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
add_library(browser_interact STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FileMimeData.cpp ${CMAKE_CURRENT_LIST_DIR}/FileMimeData.h
  ${CMAKE_CURRENT_LIST_DIR}/FileOpBracket.cpp ${CMAKE_CURRENT_LIST_DIR}/FileOpBracket.h
  ${CMAKE_CURRENT_LIST_DIR}/FileTransfer.cpp ${CMAKE_CURRENT_LIST_DIR}/FileTransfer.h
  ${CMAKE_CURRENT_LIST_DIR}/InPlaceRename.cpp ${CMAKE_CURRENT_LIST_DIR}/InPlaceRename.h
  ${CMAKE_CURRENT_LIST_DIR}/ItemInfo.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemInfo.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupEdit.cpp ${CMAKE_CURRENT_LIST_DIR}/PopupEdit.h
  ${CMAKE_CURRENT_LIST_DIR}/ReorderByDrop.cpp ${CMAKE_CURRENT_LIST_DIR}/ReorderByDrop.h
  ${CMAKE_CURRENT_LIST_DIR}/SelectionRules.cpp ${CMAKE_CURRENT_LIST_DIR}/SelectionRules.h
  ${CMAKE_CURRENT_LIST_DIR}/UndoHistory.cpp ${CMAKE_CURRENT_LIST_DIR}/UndoHistory.h)
set_target_properties(browser_interact PROPERTIES AUTOMOC ON)
target_include_directories(browser_interact PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(browser_interact PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets browser_items browser_cells
                      browser_monitor imagefiles platform_shellfiles platform_prompt platform_paths
                      platform_resources)
vespera_warnings(browser_interact)
