# dist/: the host developer's kit, and the release archive made of it,
# MIXER-<version>-win32.zip, with its checksum beside it in
# MIXER-<version>-win32.zip.sha256 (for sha256sum -c). scripts/main.sh copies
# them to the top-level dist/.
#
# MIXER_KIT is the one list of what the kit holds: one "FROM=TO" entry a
# file, TO being the file's path in the kit (and, under MIXER-<version>-win32/,
# in the archive). FROM is one of
#   target:NAME   the file that target NAME of this build makes; a program
#                 (an executable target) is stripped of its symbols on the way;
#   build:PATH    a file this build writes, PATH in the build tree;
#   PATH          a file of the sources.
# SHA256SUMS is added to every kit. To ship a new file, add its entry here.
#
# The import libraries are made from decorated names (SetMixer@20) with
# dlltool -k: a host compiled against mixer.h refers to _SetMixer@20, and the
# library binds that reference to the DLL's undecorated export "SetMixer".
# The same definition file (MIXER_IMPORT_DEF, cmake/exports.cmake) is shipped
# as MIXER.def for making them anew.
set(MIXER_KIT
    target:mixer=MIXER.DLL
    include/mixer.h=mixer.h
    build:implib/libmixer.dll.a=libmixer.dll.a
    build:implib/MIXER.lib=MIXER.lib
    build:generated/MIXER-import.def=MIXER.def
    target:mixerctl=mixerctl.exe
    build:tools/mixerctl/mixerctl.1=mixerctl.1
    build:tools/mixerctl/mixerctl.bash-completion=mixerctl.bash-completion
    target:mixerpanel=mixerpanel.exe
    docs/dist-README.txt=README.txt
    docs/dist-REFERENCE.txt=REFERENCE.txt
    CHANGELOG.md=CHANGELOG.md
    LICENSE=LICENSE.txt
    docs/example.c=examples/example.c
    docs/example_load.c=examples/example_load.c
    docs/example_msvc.cpp=examples/example_msvc.cpp
    docs/example_range.c=examples/example_range.c)

find_package(Python3 COMPONENTS Interpreter REQUIRED)
find_program(MIXER_MINGW_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
find_program(MIXER_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
find_program(MIXER_MINGW_STRIP NAMES i686-w64-mingw32-strip REQUIRED)

set(MIXER_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(MIXER_IMPLIB_DIR ${CMAKE_BINARY_DIR}/implib)
set(MIXER_RELEASE_NAME MIXER-${PROJECT_VERSION}-win32)
set(MIXER_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${MIXER_RELEASE_NAME}.zip)
file(MAKE_DIRECTORY ${MIXER_DIST_DIR} ${MIXER_IMPLIB_DIR})

# Both tools run in the library's own folder with bare file names: dlltool
# names the archive's members and symbols after its output and temporary
# files, and a path there would put the build directory into the library.
add_custom_command(OUTPUT ${MIXER_IMPLIB_DIR}/libmixer.dll.a
    COMMAND ${CMAKE_COMMAND} -E remove -f libmixer.dll.a
    COMMAND ${MIXER_MINGW_DLLTOOL} -m i386 -k --deterministic-libraries -t libmixer
            -d ${MIXER_IMPORT_DEF} -l libmixer.dll.a
    DEPENDS ${MIXER_IMPORT_DEF}
    WORKING_DIRECTORY ${MIXER_IMPLIB_DIR}
    COMMENT "Import library for mingw: libmixer.dll.a")
add_custom_command(OUTPUT ${MIXER_IMPLIB_DIR}/MIXER.lib
    COMMAND ${CMAKE_COMMAND} -E remove -f MIXER.lib
    COMMAND ${MIXER_LLVM_DLLTOOL} -m i386 -k -d ${MIXER_IMPORT_DEF} -l MIXER.lib
    DEPENDS ${MIXER_IMPORT_DEF}
    WORKING_DIRECTORY ${MIXER_IMPLIB_DIR}
    COMMENT "Import library for MSVC: MIXER.lib")

set(MIXER_KIT_FILES)   # paths in the kit
set(MIXER_KIT_OUTPUTS) # the same files in the build tree's dist/
foreach(entry IN LISTS MIXER_KIT)
    if(NOT entry MATCHES "^([^=]+)=([^=]+)$")
        message(FATAL_ERROR "MIXER_KIT: \"${entry}\" is not FROM=TO")
    endif()
    set(from ${CMAKE_MATCH_1})
    set(to ${CMAKE_MATCH_2})
    set(out ${MIXER_DIST_DIR}/${to})
    get_filename_component(out_dir ${out} DIRECTORY)
    if(from MATCHES "^target:(.+)$")
        set(target ${CMAKE_MATCH_1})
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            # strip dates the PE header with the time it runs unless told a
            # date: 0, as the linker's --no-insert-timestamp leaves it.
            set(make ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${MIXER_MINGW_STRIP} --strip-all -o ${out} $<TARGET_FILE:${target}>)
        else()
            set(make ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${out})
        endif()
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
            COMMAND ${make}
            DEPENDS ${target} $<TARGET_FILE:${target}>)
    else()
        if(from MATCHES "^build:(.+)$")
            set(file ${CMAKE_BINARY_DIR}/${CMAKE_MATCH_1})
        else()
            set(file ${CMAKE_SOURCE_DIR}/${from})
        endif()
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
            COMMAND ${CMAKE_COMMAND} -E copy ${file} ${out}
            DEPENDS ${file})
    endif()
    list(APPEND MIXER_KIT_FILES ${to})
    list(APPEND MIXER_KIT_OUTPUTS ${out})
endforeach()

add_custom_command(OUTPUT ${MIXER_DIST_DIR}/SHA256SUMS
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/release.py sums ${MIXER_DIST_DIR} ${MIXER_KIT_FILES}
    DEPENDS ${MIXER_KIT_OUTPUTS} ${CMAKE_SOURCE_DIR}/tools/release.py
    COMMENT "dist/SHA256SUMS")
add_custom_command(OUTPUT ${MIXER_RELEASE_ZIP} ${MIXER_RELEASE_ZIP}.sha256
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/release.py zip ${MIXER_DIST_DIR} ${MIXER_RELEASE_NAME}
            ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${PROJECT_VERSION} ${MIXER_RELEASE_ZIP} ${MIXER_KIT_FILES}
    DEPENDS ${MIXER_DIST_DIR}/SHA256SUMS ${MIXER_KIT_OUTPUTS} ${CMAKE_SOURCE_DIR}/CHANGELOG.md
            ${CMAKE_SOURCE_DIR}/tools/release.py
    COMMENT "Release archive ${MIXER_RELEASE_NAME}.zip")

add_custom_target(dist ALL DEPENDS ${MIXER_KIT_OUTPUTS} ${MIXER_DIST_DIR}/SHA256SUMS ${MIXER_EXPORTS_HEADER})
add_custom_target(release ALL DEPENDS ${MIXER_RELEASE_ZIP} ${MIXER_RELEASE_ZIP}.sha256)
