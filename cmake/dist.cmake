# dist/: what a host developer takes away. MIXER.DLL, its header, an import
# library for mingw (libmixer.dll.a) and one for MSVC (MIXER.lib), the .def
# and a README; mixerctl's manual page and bash completion; the mixer panel.
# scripts/main.sh copies this folder to the top-level dist/.
#
# The import libraries are made from decorated names (SetMixer@20) with
# dlltool -k: a host compiled against mixer.h refers to _SetMixer@20, and the
# library binds that reference to the DLL's undecorated export "SetMixer".

find_package(Python3 COMPONENTS Interpreter REQUIRED)
find_program(MIXER_MINGW_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
find_program(MIXER_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)

set(MIXER_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(MIXER_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(MIXER_IMPORT_DEF ${MIXER_GENERATED_DIR}/MIXER-import.def)
set(MIXER_EXPORTS_HEADER ${MIXER_GENERATED_DIR}/mixer_exports.h)
set(MIXER_EXPORT_TABLE ${CMAKE_SOURCE_DIR}/tools/export_lists.py ${CMAKE_SOURCE_DIR}/tools/exports.py)
file(MAKE_DIRECTORY ${MIXER_DIST_DIR} ${MIXER_GENERATED_DIR})

add_custom_command(OUTPUT ${MIXER_IMPORT_DEF}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/export_lists.py --import-def ${MIXER_IMPORT_DEF}
    DEPENDS ${MIXER_EXPORT_TABLE}
    COMMENT "Import-library definition with decorated names")
add_custom_command(OUTPUT ${MIXER_EXPORTS_HEADER}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/export_lists.py --c-list ${MIXER_EXPORTS_HEADER}
    DEPENDS ${MIXER_EXPORT_TABLE}
    COMMENT "C list of the exports")

add_custom_command(OUTPUT ${MIXER_DIST_DIR}/libmixer.dll.a
    COMMAND ${CMAKE_COMMAND} -E remove -f ${MIXER_DIST_DIR}/libmixer.dll.a
    COMMAND ${MIXER_MINGW_DLLTOOL} -m i386 -k -d ${MIXER_IMPORT_DEF} -l ${MIXER_DIST_DIR}/libmixer.dll.a
    DEPENDS ${MIXER_IMPORT_DEF}
    COMMENT "Import library for mingw: dist/libmixer.dll.a")
add_custom_command(OUTPUT ${MIXER_DIST_DIR}/MIXER.lib
    COMMAND ${CMAKE_COMMAND} -E remove -f ${MIXER_DIST_DIR}/MIXER.lib
    COMMAND ${MIXER_LLVM_DLLTOOL} -m i386 -k -d ${MIXER_IMPORT_DEF} -l ${MIXER_DIST_DIR}/MIXER.lib
    DEPENDS ${MIXER_IMPORT_DEF}
    COMMENT "Import library for MSVC: dist/MIXER.lib")
add_custom_command(OUTPUT ${MIXER_DIST_DIR}/MIXER.DLL
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:mixer> ${MIXER_DIST_DIR}/MIXER.DLL
    DEPENDS mixer $<TARGET_FILE:mixer>)

set(MIXER_DIST_FILES ${MIXER_DIST_DIR}/MIXER.DLL ${MIXER_DIST_DIR}/libmixer.dll.a ${MIXER_DIST_DIR}/MIXER.lib)
foreach(pair "include/mixer.h=mixer.h" "src/MIXER.def=MIXER.def" "docs/dist-README.txt=README"
             "docs/mixerctl.1=mixerctl.1" "tools/mixerctl/mixerctl.bash-completion=mixerctl.bash-completion")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 from)
    list(GET pair 1 to)
    add_custom_command(OUTPUT ${MIXER_DIST_DIR}/${to}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${from} ${MIXER_DIST_DIR}/${to}
        DEPENDS ${CMAKE_SOURCE_DIR}/${from})
    list(APPEND MIXER_DIST_FILES ${MIXER_DIST_DIR}/${to})
endforeach()

# The mixer panel (tools/mixerpanel), a host program that loads the DLL by
# name: a developer sees the library work before writing a line.
add_custom_command(OUTPUT ${MIXER_DIST_DIR}/mixerpanel.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:mixerpanel> ${MIXER_DIST_DIR}/mixerpanel.exe
    DEPENDS mixerpanel $<TARGET_FILE:mixerpanel>)
list(APPEND MIXER_DIST_FILES ${MIXER_DIST_DIR}/mixerpanel.exe)

add_custom_target(dist ALL DEPENDS ${MIXER_DIST_FILES} ${MIXER_EXPORTS_HEADER})
