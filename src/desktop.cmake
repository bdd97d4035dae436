# orvalis_desktop: the Qt layer (windows, tray, the QSettings profile backend) over orvalis_core,
# and the program itself.
find_package(Qt6 REQUIRED COMPONENTS Network Widgets)

add_library(orvalis_desktop STATIC)
target_link_libraries(orvalis_desktop PUBLIC orvalis_core Qt6::Network Qt6::Widgets)
set_target_properties(orvalis_desktop PROPERTIES AUTOMOC ON AUTORCC ON)

target_sources(orvalis_desktop PRIVATE
    ${PROJECT_SOURCE_DIR}/resources/resources.qrc
    alerts/emblem_icon.cpp
    alerts/qt_desktop_shell.cpp
    alerts/qt_user_messages.cpp
    shell/address_edit_delegate.cpp
    shell/application.cpp
    shell/dialog_units.cpp
    shell/display_guard.cpp
    shell/monitor_dialog.cpp
    shell/qt_main_window_port.cpp
    shell/qt_profile_store.cpp
    shell/single_instance.cpp
    shell/site_table_model.cpp
)

add_executable(orvalis-pro main.cpp)
target_link_libraries(orvalis-pro PRIVATE orvalis_desktop)
set_target_properties(orvalis-pro PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
