# The export table's forms the build needs, written at build time by
# tools/exports.py from the one table of the exports, the function lists of
# include/mixer.h (MIXER_FUNCTIONS_<GROUP>):
#   MIXER_DEF_FILE        the DLL's module-definition file: undecorated names,
#                         ordinals in the alphabetical order of the names;
#   MIXER_IMPORT_DEF      the decorated names for the import libraries (the
#                         kit's MIXER.def);
#   MIXER_EXPORTS_HEADER  mixer_exports.h, MIXER_EXPORT_LIST(name, argument
#                         bytes, ordinal), for the checks that hold mixer.h's
#                         prototypes against what the DLL is made with.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(MIXER_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(MIXER_DEF_FILE ${MIXER_GENERATED_DIR}/MIXER.def)
set(MIXER_IMPORT_DEF ${MIXER_GENERATED_DIR}/MIXER-import.def)
set(MIXER_EXPORTS_HEADER ${MIXER_GENERATED_DIR}/mixer_exports.h)
file(MAKE_DIRECTORY ${MIXER_GENERATED_DIR})

set(mixer_export_table ${CMAKE_SOURCE_DIR}/include/mixer.h ${CMAKE_SOURCE_DIR}/tools/exports.py)
foreach(form def:${MIXER_DEF_FILE} import-def:${MIXER_IMPORT_DEF} c-list:${MIXER_EXPORTS_HEADER})
    string(REGEX MATCH "^([a-z-]+):(.*)$" unused ${form})
    add_custom_command(OUTPUT ${CMAKE_MATCH_2}
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/exports.py --${CMAKE_MATCH_1} ${CMAKE_MATCH_2}
        DEPENDS ${mixer_export_table}
        COMMENT "Export table from mixer.h: ${CMAKE_MATCH_1}")
endforeach()
add_custom_target(export_table DEPENDS ${MIXER_DEF_FILE} ${MIXER_IMPORT_DEF} ${MIXER_EXPORTS_HEADER})
