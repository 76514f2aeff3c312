# The DLL as a host receives it: export, import and version tables, size,
# the import libraries in dist/ linked by mingw and by an MSVC-style
# toolchain, the README's examples, and the Wine host's additions (the
# calling-convention sweep, the version resource read by Windows, the check
# that every export is called). Needs cmake/dist.cmake.

set(MIXER_SIZE_BUDGET 65536 CACHE STRING "Largest MIXER.DLL accepted, in bytes")
set(MIXER_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh)

# The PE checks read the tables with pefile (python3-pefile): use an
# interpreter that has it, Debian's own when the first python3 lacks it.
set(MIXER_PE_PYTHON ${Python3_EXECUTABLE})
execute_process(COMMAND ${MIXER_PE_PYTHON} -c "import pefile" RESULT_VARIABLE no_pefile OUTPUT_QUIET ERROR_QUIET)
if(no_pefile)
    find_program(MIXER_SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
    if(MIXER_SYSTEM_PYTHON3)
        execute_process(COMMAND ${MIXER_SYSTEM_PYTHON3} -c "import pefile" RESULT_VARIABLE no_pefile
            OUTPUT_QUIET ERROR_QUIET)
        if(NOT no_pefile)
            set(MIXER_PE_PYTHON ${MIXER_SYSTEM_PYTHON3})
        endif()
    endif()
endif()
if(no_pefile)
    message(WARNING "no python3 with pefile (python3-pefile): the PE checks will fail")
endif()

set(MIXER_CHECK_PE ${MIXER_PE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/check_pe.py)
set(MIXER_DIST_DLL ${MIXER_DIST_DIR}/MIXER.DLL)

add_test(NAME dll_export_table COMMAND ${MIXER_CHECK_PE} exports --def ${MIXER_DEF_FILE} ${MIXER_DIST_DLL})
add_test(NAME dll_import_table COMMAND ${MIXER_CHECK_PE} imports ${MIXER_DIST_DLL})
add_test(NAME dll_version_resource COMMAND ${MIXER_CHECK_PE} version
    --version ${PROJECT_VERSION} --description ${PROJECT_DESCRIPTION} ${MIXER_DIST_DLL})
add_test(NAME dll_size COMMAND ${MIXER_CHECK_PE} size --budget ${MIXER_SIZE_BUDGET} ${MIXER_DIST_DLL})

# The Wine host: the generated export list, the version it expects, and
# version.dll for GetFileVersionInfoA (the host's import, not the DLL's).
target_sources(winehost PRIVATE ${MIXER_EXPORTS_HEADER})
target_include_directories(winehost PRIVATE ${MIXER_GENERATED_DIR})
target_compile_definitions(winehost PRIVATE MIXER_VERSION="${PROJECT_VERSION}"
    MIXER_DESCRIPTION="${PROJECT_DESCRIPTION}")
target_link_libraries(winehost PRIVATE version)

# The README's examples, built as C programs against dist/ (mixer.h and
# libmixer.dll.a) and run under Wine with dist/ as the current directory,
# each beside a copy of dist/MIXER.DLL (example_load takes it from its own
# folder only).
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/examples/MIXER.DLL
    COMMAND ${CMAKE_COMMAND} -E copy ${MIXER_DIST_DLL} ${CMAKE_BINARY_DIR}/examples/MIXER.DLL
    DEPENDS ${MIXER_DIST_DLL})
add_custom_target(examples_dll ALL DEPENDS ${CMAKE_BINARY_DIR}/examples/MIXER.DLL)
foreach(example example example_load example_range)
    add_executable(${example} ${CMAKE_SOURCE_DIR}/docs/${example}.c)
    target_include_directories(${example} PRIVATE ${MIXER_DIST_DIR})
    target_compile_options(${example} PRIVATE -Wall -Wextra -Werror)
    set_target_properties(${example} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/examples)
    add_dependencies(${example} dist examples_dll)
    add_test(NAME ${example}_runs COMMAND ${example} WORKING_DIRECTORY ${MIXER_DIST_DIR})
    set_tests_properties(${example}_runs PROPERTIES RESOURCE_LOCK wine TIMEOUT 120)
endforeach()
target_link_libraries(example PRIVATE ${MIXER_DIST_DIR}/libmixer.dll.a)
target_link_libraries(example_range PRIVATE winmm)

# mixerctl.exe (tools/common's loader, which mixerpanel.exe shares) and
# example_load.exe take MIXER.DLL from their own folder or a path given,
# never from the current directory or PATH.
add_test(NAME tools_load_only_their_own_dll
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/dll_search.py ${MIXER_WINE_RUN}
            $<TARGET_FILE:mixerctl> $<TARGET_FILE:example_load> ${MIXER_DIST_DLL}
            ${CMAKE_BINARY_DIR}/dll-search-test)
set_tests_properties(tools_load_only_their_own_dll PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)

# dist/ as a whole, and the mingw-linked example imports the undecorated
# names from MIXER.DLL.
set(MIXER_CHECK_PACKAGE ${MIXER_PE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/package/check_package.py)
add_test(NAME dist_contents COMMAND ${MIXER_CHECK_PACKAGE} contents ${MIXER_DIST_DIR} ${CMAKE_SOURCE_DIR}
    ${CMAKE_BINARY_DIR} $<TARGET_FILE:mixer> ${MIXER_IMPORT_DEF} ${MIXER_KIT_FILES})
add_test(NAME example_imports_by_name COMMAND ${MIXER_CHECK_PACKAGE} imports $<TARGET_FILE:example> MIXER.DLL
    GetPlayMainVolume SetPlayMainVolume)

# MIXER.lib as an MSVC host uses it: an object compiled for the MSVC target
# and linked by lld-link against MIXER.lib (and ExitProcess from kernel32),
# then run under Wine.
find_program(MIXER_CLANG NAMES clang clang-14 REQUIRED)
find_program(MIXER_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
set(msvc_dir ${CMAKE_BINARY_DIR}/msvc)
file(MAKE_DIRECTORY ${msvc_dir})
file(WRITE ${msvc_dir}/kernel32.def "LIBRARY KERNEL32.dll\nEXPORTS\n    ExitProcess@4\n")
add_custom_command(OUTPUT ${msvc_dir}/msvc_link.exe
    COMMAND ${MIXER_LLVM_DLLTOOL} -m i386 -k -d ${msvc_dir}/kernel32.def -l ${msvc_dir}/kernel32.lib
    COMMAND ${MIXER_CLANG} --target=i686-pc-windows-msvc -O1 -Wall -Werror -I${MIXER_GENERATED_DIR}
            -c ${CMAKE_SOURCE_DIR}/tests/package/link_all.c -o ${msvc_dir}/msvc_link.obj
    COMMAND ${MIXER_LLD_LINK} /nologo /entry:start /subsystem:console /nodefaultlib
            /out:${msvc_dir}/msvc_link.exe ${msvc_dir}/msvc_link.obj ${MIXER_DIST_DIR}/MIXER.lib
            ${msvc_dir}/kernel32.lib
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/package/link_all.c ${MIXER_EXPORTS_HEADER} ${MIXER_DIST_DIR}/MIXER.lib
    COMMENT "Linking a test program against dist/MIXER.lib with lld-link")
add_custom_target(msvc_link ALL DEPENDS ${msvc_dir}/msvc_link.exe)
add_test(NAME msvc_import_lib_links_and_runs COMMAND ${MIXER_WINE_RUN} ${msvc_dir}/msvc_link.exe
    WORKING_DIRECTORY ${MIXER_DIST_DIR})
set_tests_properties(msvc_import_lib_links_and_runs PROPERTIES RESOURCE_LOCK wine TIMEOUT 120)
add_test(NAME msvc_import_lib_imports_by_name COMMAND ${MIXER_CHECK_PACKAGE} imports ${msvc_dir}/msvc_link.exe
    MIXER.DLL ALL)

# libmixer.dll.a the same way: the same program built by mingw's gcc and ld.
add_executable(mingw_link ${CMAKE_SOURCE_DIR}/tests/package/link_all.c)
target_include_directories(mingw_link PRIVATE ${MIXER_GENERATED_DIR})
target_compile_options(mingw_link PRIVATE -Wall -Werror -ffreestanding)
target_link_options(mingw_link PRIVATE -nostdlib -nostartfiles -Wl,-e,_start@4)
target_link_libraries(mingw_link PRIVATE ${MIXER_DIST_DIR}/libmixer.dll.a kernel32)
target_sources(mingw_link PRIVATE ${MIXER_EXPORTS_HEADER})
set_target_properties(mingw_link PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/examples)
add_dependencies(mingw_link dist)
add_test(NAME mingw_import_lib_links_and_runs COMMAND mingw_link WORKING_DIRECTORY ${MIXER_DIST_DIR})
set_tests_properties(mingw_import_lib_links_and_runs PROPERTIES RESOURCE_LOCK wine TIMEOUT 120)
add_test(NAME mingw_import_lib_imports_by_name COMMAND ${MIXER_CHECK_PACKAGE} imports $<TARGET_FILE:mingw_link>
    MIXER.DLL ALL)

# The README shows docs/example.c as it is.
add_test(NAME readme_example_is_the_tested_one COMMAND ${MIXER_CHECK_PACKAGE} readme
    ${CMAKE_SOURCE_DIR}/docs/example.c ${CMAKE_SOURCE_DIR}/README.md)

# mixer.h on every toolchain a host may use, as C and as C++: mingw-w64's gcc
# (C89, C99 and C++11), clang for mingw, clang for the MSVC target with
# mingw-w64's headers, and clang-cl (clang's cl driver). Compiled only (tests/package/header_check.*).
set(MIXER_MINGW_INCLUDE ${CMAKE_FIND_ROOT_PATH}/include)
set(check_c ${CMAKE_SOURCE_DIR}/tests/package/header_check.c)
set(check_cxx ${CMAKE_SOURCE_DIR}/tests/package/header_check.cpp)
set(check_inc -I${CMAKE_SOURCE_DIR}/include -I${MIXER_GENERATED_DIR})
set(strict -Wall -Wextra -Werror)
set(msvc_target --target=i686-pc-windows-msvc -fgnuc-version=4.2.1 -D_X86_ -isystem ${MIXER_MINGW_INCLUDE})
function(mixer_header_check name)
    add_test(NAME mixer_h_${name} COMMAND ${ARGN})
endfunction()
mixer_header_check(mingw_gcc_c89 ${CMAKE_C_COMPILER} -ansi ${strict} -fsyntax-only ${check_inc} ${check_c})
mixer_header_check(mingw_gcc_c99 ${CMAKE_C_COMPILER} -std=c99 -Wpedantic ${strict} -fsyntax-only ${check_inc} ${check_c})
mixer_header_check(mingw_gcc_c_pointers_only ${CMAKE_C_COMPILER} -DMIXER_NO_PROTOTYPES ${strict} -fsyntax-only
    ${check_inc} ${check_c})
mixer_header_check(mingw_gxx ${CMAKE_CXX_COMPILER} -std=c++11 ${strict} -fsyntax-only ${check_inc} ${check_cxx})
mixer_header_check(clang_mingw_c ${MIXER_CLANG} --target=i686-w64-mingw32 ${strict} -fsyntax-only ${check_inc} ${check_c})
mixer_header_check(clang_mingw_cxx ${MIXER_CLANG} --target=i686-w64-mingw32 -x c++ -std=c++11 ${strict} -fsyntax-only
    ${check_inc} ${check_cxx})
mixer_header_check(clang_msvc_c ${MIXER_CLANG} ${msvc_target} ${strict} -fsyntax-only ${check_inc} ${check_c})
mixer_header_check(clang_msvc_cxx ${MIXER_CLANG} ${msvc_target} -x c++ ${strict} -fsyntax-only ${check_inc} ${check_cxx})
mixer_header_check(clang_cl_cxx ${MIXER_CLANG} --driver-mode=cl --target=i686-pc-windows-msvc /Zs /W4 /WX -fgnuc-version=4.2.1 /D_X86_
    /imsvc ${MIXER_MINGW_INCLUDE} /I${CMAKE_SOURCE_DIR}/include /I${MIXER_GENERATED_DIR} /Tp${check_cxx})

# The release archive as a host developer unpacks it: its README's commands
# (checksums, the mingw C host, the MSVC-target C++ host with mixer.h, the
# run-time loading host, import libraries from MIXER.def), hosts linked with
# those libraries, the settings file against REFERENCE.txt; all from the
# unpacked archive alone, run under Wine.
set(MIXER_KIT_TEST ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/kit_test.py)
add_test(NAME release_archive_builds_and_runs_hosts
    COMMAND ${MIXER_KIT_TEST} archive ${MIXER_RELEASE_ZIP} ${MIXER_DIST_DIR} ${MIXER_WINE_RUN}
            ${CMAKE_BINARY_DIR}/kit-test)
set_tests_properties(release_archive_builds_and_runs_hosts PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)

# The top-level README's example commands, as a fresh checkout runs them after
# scripts/main.sh; and without MIXER.DLL, wine-run.sh names it.
add_test(NAME readme_commands_run_as_written
    COMMAND ${MIXER_KIT_TEST} readme ${CMAKE_SOURCE_DIR}/README.md ${MIXER_DIST_DIR} ${CMAKE_SOURCE_DIR}
            ${MIXER_WINE_RUN} ${CMAKE_BINARY_DIR}/readme-test)
set_tests_properties(readme_commands_run_as_written PROPERTIES RESOURCE_LOCK wine TIMEOUT 120)

# The kit's README.txt, REFERENCE.txt, CHANGELOG.md and manual page name the
# build's version, files, example and function counts, and no file size but
# the budget.
add_test(NAME kit_documents_match_the_build
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/docs_check.py ${PROJECT_VERSION}
            ${MIXER_SIZE_BUDGET} ${CMAKE_SOURCE_DIR}/src/persistence/temp_name.cpp ${MIXER_DIST_DIR}
            ${MIXER_KIT_FILES})

# The archive's checksum file beside it checks with sha256sum -c.
add_test(NAME release_archive_checksum_file COMMAND ${MIXER_CHECK_PACKAGE} checksum ${MIXER_RELEASE_ZIP})

# Two clean builds of the same sources, the second from a copy of them at
# another path into another build tree, give the same archive byte for byte.
add_test(NAME release_archive_is_reproducible
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/reproducible.py ${CMAKE_SOURCE_DIR}
            ${MIXER_RELEASE_ZIP} ${CMAKE_BINARY_DIR}/reproducible-test)
set_tests_properties(release_archive_is_reproducible PROPERTIES TIMEOUT 900)

# The mixer panel takes the library only by name: no import of MIXER.DLL.
if(TARGET mixerpanel)
    add_test(NAME mixerpanel_loads_library_by_name COMMAND ${MIXER_CHECK_PACKAGE} imports
        $<TARGET_FILE:mixerpanel> MIXER.DLL)
endif()
