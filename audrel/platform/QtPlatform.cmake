# The Qt stand-ins of the windows: settings, dialogs, desktop services, UI-thread hand-off.
add_library(audrel_platform_qt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SettingsStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UiHandoff.cpp)
target_include_directories(audrel_platform_qt PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(audrel_platform_qt PUBLIC Qt6::Widgets audrel_codepage PRIVATE project_options)
