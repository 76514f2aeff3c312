# Tests of the real MIXER.DLL under Wine, against Wine's winmm.

find_package(Python3 COMPONENTS Interpreter REQUIRED)
find_program(MINGW_OBJDUMP NAMES i686-w64-mingw32-objdump REQUIRED)

# GoogleTest from Debian's sources (the googletest package), built here for
# 32-bit Windows and linked statically. tests/wine/gtest_port holds the port
# header for mingw-w64's win32 thread model; it comes before GoogleTest's own
# headers on the include path.
set(MIXER_GTEST_SOURCE_DIR /usr/src/googletest/googletest
    CACHE PATH "GoogleTest's sources, built with mingw-w64 for the Wine tests")
if(NOT EXISTS ${MIXER_GTEST_SOURCE_DIR}/src/gtest-all.cc)
    message(FATAL_ERROR "GoogleTest's sources are not in ${MIXER_GTEST_SOURCE_DIR}: "
        "install the googletest package (scripts/install-deps.sh) or set MIXER_GTEST_SOURCE_DIR")
endif()
add_library(gtest_win32 STATIC ${MIXER_GTEST_SOURCE_DIR}/src/gtest-all.cc
    ${CMAKE_SOURCE_DIR}/tests/wine/gtest_port/notification.cpp)
target_include_directories(gtest_win32 SYSTEM PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine/gtest_port
    ${MIXER_GTEST_SOURCE_DIR}/include)
target_include_directories(gtest_win32 PRIVATE ${MIXER_GTEST_SOURCE_DIR})
# Not this project's code: its own warnings are not ours to fix.
target_compile_options(gtest_win32 PRIVATE -w)

# The host loads MIXER.DLL from its own folder (tools/common's loader) and
# finds its exports with GetProcAddress, as the real host application does.
file(GLOB WINE_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/host_*.cpp)
add_executable(winehost ${WINE_HOST_SOURCES})
target_include_directories(winehost PRIVATE ${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_SOURCE_DIR}/tests/shared
    ${CMAKE_SOURCE_DIR}/include)
target_compile_options(winehost PRIVATE -msse2 -mfpmath=sse)
target_link_options(winehost PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(winehost PRIVATE gtest_win32 mixer_tools_common winmm advapi32 ole32 uuid)
add_dependencies(winehost mixer)

# Every test but the "Solo" suites, in one process.
add_test(NAME wine_host COMMAND winehost WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
set_tests_properties(wine_host PROPERTIES RESOURCE_LOCK wine TIMEOUT 600)

# The Solo suites, each run by a ctest of its own in a process of its own: a
# host that runs for days, 100,000 mixed calls and 10,000 reads
# (tests/wine/host_long_run.cpp); four threads for ten seconds
# (host_threads.cpp); the 100,000 calls again with a second output device,
# which must never change, and the recording tests with two outputs, in a
# Wine of its own (wine-run.sh's MIXER_WINE_SECOND_OUTPUT); the settings file
# under kills (the test starts about 300 more processes), refusals and
# obstacles (host_persistence.cpp).
set(dir WORKING_DIRECTORY $<TARGET_FILE_DIR:mixer>)
add_test(NAME wine_long_run COMMAND winehost --gtest_filter=SoloLongRun.* ${dir})
add_test(NAME wine_threads COMMAND winehost --gtest_filter=SoloThreads.* ${dir})
add_test(NAME wine_settings_file_kills COMMAND winehost --gtest_filter=SoloSettingsFile.Kills ${dir})
add_test(NAME wine_settings_file_refusals COMMAND winehost --gtest_filter=SoloSettingsFile.Refusals ${dir})
set_tests_properties(wine_long_run wine_threads PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
set_tests_properties(wine_settings_file_kills wine_settings_file_refusals PROPERTIES RESOURCE_LOCK wine TIMEOUT 180)
add_test(NAME wine_second_output COMMAND winehost --gtest_filter=SoloSecondOutput.* ${dir})
set_tests_properties(wine_second_output PROPERTIES TIMEOUT 300
    ENVIRONMENT "MIXER_WINE_BASE=${CMAKE_BINARY_DIR}/wine-second-output;MIXER_WINE_SECOND_OUTPUT=1")

# The export, import and version tables and the size: tests/package/.

# Core Audio's endpoint volume and meter across processes, end to end: a
# test-only server for CLSID_MMDeviceEnumerator (endpoint_server.cpp) that the
# SoloEndpointVolume suite registers in a Wine of its own for the run.
add_library(endpoint_server SHARED ${CMAKE_SOURCE_DIR}/tests/wine/endpoint_server.cpp)
set_target_properties(endpoint_server PROPERTIES PREFIX "")
# COM objects go through Release, never through a delete of the interface.
target_compile_options(endpoint_server PRIVATE -Wno-non-virtual-dtor)
target_link_options(endpoint_server PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
target_link_libraries(endpoint_server PRIVATE ole32 uuid)
add_dependencies(winehost endpoint_server)
add_test(NAME wine_endpoint_volume COMMAND winehost --gtest_filter=SoloEndpointVolume.* ${dir})
set_tests_properties(wine_endpoint_volume PROPERTIES TIMEOUT 300
    ENVIRONMENT "MIXER_WINE_BASE=${CMAKE_BINARY_DIR}/wine-endpoint-volume")
