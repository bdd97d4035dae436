# Tests of the Qt layer: tests/desktop/*.cpp becomes desktop_tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
orvalis_test_folder(desktop orvalis_desktop Qt6::Test)

# Saves and checks profiles in a process of its own, so a test can kill it in the middle.
add_executable(profile_saver programs/profile_saver.cpp)
target_link_libraries(profile_saver PRIVATE orvalis_desktop)
add_dependencies(desktop_tests profile_saver)
target_compile_definitions(desktop_tests PRIVATE
    ORVALIS_PROFILE_SAVER="$<TARGET_FILE:profile_saver>")
