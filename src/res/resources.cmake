# Pocketry.exe's resources. Include from src/CMakeLists.txt, inside if(WIN32)
# and before add_executable(Pocketry ...):
#     include(res/resources.cmake)
#
# The icons are drawn from a small vector description (res/icons/pictures.txt);
# make_icons.py renders each picture at each of its sizes into an .ico file under
# the build folder, where pocketry.rc finds them through the generated include
# folder. The version resource's numbers come from the version constants of the
# top-level CMakeLists.txt.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(POCKETRY_RES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(POCKETRY_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)
set(POCKETRY_PICTURES ${POCKETRY_RES_DIR}/icons/pictures.txt)
file(MAKE_DIRECTORY ${POCKETRY_ICON_DIR})

# pocketry_icon(<name>.ico <picture>): one icon file, the picture at each of its sizes.
function(pocketry_icon ico picture)
  add_custom_command(
    OUTPUT ${POCKETRY_ICON_DIR}/${ico}
    COMMAND ${Python3_EXECUTABLE} ${POCKETRY_RES_DIR}/make_icons.py ${POCKETRY_ICON_DIR}/${ico}
            ${POCKETRY_PICTURES} ${picture}
    DEPENDS ${POCKETRY_RES_DIR}/make_icons.py ${POCKETRY_PICTURES}
    COMMENT "Drawing ${ico}"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY POCKETRY_ICONS ${POCKETRY_ICON_DIR}/${ico})
endfunction()

pocketry_icon(pocketry.ico pocketry)
pocketry_icon(tray.ico tray)
pocketry_icon(tray-wait.ico tray-wait)
get_property(POCKETRY_ICON_FILES GLOBAL PROPERTY POCKETRY_ICONS)

# The revision's four-digit form gives the last two fields: 1234 -> 12, 34.
math(EXPR POCKETRY_VERSION_R "${POCKETRY_VERSION_REVISION} / 100")
math(EXPR POCKETRY_VERSION_B "${POCKETRY_VERSION_REVISION} % 100")
configure_file(${POCKETRY_RES_DIR}/versionres.h.in ${CMAKE_BINARY_DIR}/generated/versionres.h @ONLY)

# The resource script is compiled again when a picture or the manifest changes.
set_source_files_properties(${POCKETRY_RES_DIR}/pocketry.rc PROPERTIES
  OBJECT_DEPENDS "${POCKETRY_ICON_FILES};${POCKETRY_RES_DIR}/pocketry.manifest")
