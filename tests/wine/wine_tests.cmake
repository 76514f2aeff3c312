# Tests of the real MIXER.DLL under Wine, against Wine's winmm.

find_package(Python3 COMPONENTS Interpreter REQUIRED)
find_program(MINGW_OBJDUMP NAMES i686-w64-mingw32-objdump REQUIRED)

# The host loads MIXER.DLL by name with LoadLibraryA and finds its exports
# with GetProcAddress, as the real host application does.
file(GLOB WINE_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/host_*.cpp)
add_executable(winehost ${WINE_HOST_SOURCES})
target_include_directories(winehost PRIVATE ${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_SOURCE_DIR}/tests/shared
    ${CMAKE_SOURCE_DIR}/include)
target_compile_options(winehost PRIVATE -msse2 -mfpmath=sse)
target_link_options(winehost PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(winehost PRIVATE winmm advapi32)
add_dependencies(winehost mixer)

add_test(NAME wine_host COMMAND winehost WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
set_tests_properties(wine_host PROPERTIES RESOURCE_LOCK wine TIMEOUT 600)

# A host that runs for days, in one process each: 100,000 mixed calls and
# 10,000 reads (tests/wine/host_long_run.cpp); four threads for ten seconds
# (host_threads.cpp); and the 100,000 calls again with a second output device,
# in a Wine of its own (wine-run.sh's MIXER_WINE_SECOND_OUTPUT), which must
# never change.
add_test(NAME wine_long_run COMMAND winehost solo_long_run WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
set_tests_properties(wine_long_run PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
add_test(NAME wine_threads COMMAND winehost solo_four_threads WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
set_tests_properties(wine_threads PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
add_test(NAME wine_second_output COMMAND winehost solo_second_output WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
set_tests_properties(wine_second_output PROPERTIES TIMEOUT 300
    ENVIRONMENT "MIXER_WINE_BASE=${CMAKE_BINARY_DIR}/wine-second-output;MIXER_WINE_SECOND_OUTPUT=1")

# The export, import and version tables and the size: tests/package/.

# The settings file under kills, refusals and obstacles: "solo_" checks, each
# in a process of its own (the kill check starts about 300 more).
foreach(check kills refusals)
    add_test(NAME wine_settings_file_${check} COMMAND winehost solo_settings_file_${check}
        WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
    set_tests_properties(wine_settings_file_${check} PROPERTIES RESOURCE_LOCK wine TIMEOUT 180)
endforeach()
