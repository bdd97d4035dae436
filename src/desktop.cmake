# orvalis_desktop: the Qt layer (windows, tray, the QSettings profile backend) over orvalis_core.
find_package(Qt6 REQUIRED COMPONENTS Network Widgets)

add_library(orvalis_desktop STATIC)
target_link_libraries(orvalis_desktop PUBLIC orvalis_core Qt6::Network Qt6::Widgets)
set_target_properties(orvalis_desktop PROPERTIES AUTOMOC ON)

target_sources(orvalis_desktop PRIVATE
    shell/display_guard.cpp
    shell/qt_profile_store.cpp
    shell/single_instance.cpp
)
