# Tests of the Qt layer: tests/desktop/*.cpp becomes desktop_tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
orvalis_test_folder(desktop orvalis_desktop Qt6::Test)

# Saves and checks profiles in a process of its own, so a test can kill it in the middle.
add_executable(profile_saver programs/profile_saver.cpp)
target_link_libraries(profile_saver PRIVATE orvalis_desktop)
add_dependencies(desktop_tests profile_saver)
target_compile_definitions(desktop_tests PRIVATE
    ORVALIS_PROFILE_SAVER="$<TARGET_FILE:profile_saver>")

# Claims the single instance, so that tests can run several copies side by side.
add_executable(instance_probe programs/instance_probe.cpp)
target_link_libraries(instance_probe PRIVATE orvalis_desktop)
add_dependencies(desktop_tests instance_probe)
target_compile_definitions(desktop_tests PRIVATE
    ORVALIS_INSTANCE_PROBE="$<TARGET_FILE:instance_probe>")

# Starts the widget toolkit behind the display guard, with or without a display.
add_executable(display_probe programs/display_probe.cpp)
target_link_libraries(display_probe PRIVATE orvalis_desktop)
add_dependencies(desktop_tests display_probe)
target_compile_definitions(desktop_tests PRIVATE
    ORVALIS_DISPLAY_PROBE="$<TARGET_FILE:display_probe>")
