# Pocketry.exe's resources. Include from src/CMakeLists.txt, inside if(WIN32)
# and before add_executable(Pocketry ...):
#     include(res/resources.cmake)
#
# The icons are kept as text pictures in res/icons; make_icons.py turns them
# into .ico files under the build folder, where pocketry.rc finds them through
# the generated include folder. The version resource's numbers come from the
# version constants of the top-level CMakeLists.txt.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(POCKETRY_RES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(POCKETRY_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)
file(MAKE_DIRECTORY ${POCKETRY_ICON_DIR})

# pocketry_icon(<name>.ico <picture>.txt...): one icon file, one image per picture.
function(pocketry_icon ico)
  set(pictures)
  foreach(txt IN LISTS ARGN)
    list(APPEND pictures ${POCKETRY_RES_DIR}/icons/${txt})
  endforeach()
  add_custom_command(
    OUTPUT ${POCKETRY_ICON_DIR}/${ico}
    COMMAND ${Python3_EXECUTABLE} ${POCKETRY_RES_DIR}/make_icons.py ${POCKETRY_ICON_DIR}/${ico} ${pictures}
    DEPENDS ${POCKETRY_RES_DIR}/make_icons.py ${pictures}
    COMMENT "Drawing ${ico}"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY POCKETRY_ICONS ${POCKETRY_ICON_DIR}/${ico})
endfunction()

pocketry_icon(pocketry.ico tray.txt pocketry-32.txt)
pocketry_icon(tray.ico tray.txt)
pocketry_icon(tray-wait.ico tray-wait.txt)
get_property(POCKETRY_ICON_FILES GLOBAL PROPERTY POCKETRY_ICONS)

# The revision's four-digit form gives the last two fields: 1234 -> 12, 34.
math(EXPR POCKETRY_VERSION_R "${POCKETRY_VERSION_REVISION} / 100")
math(EXPR POCKETRY_VERSION_B "${POCKETRY_VERSION_REVISION} % 100")
configure_file(${POCKETRY_RES_DIR}/versionres.h.in ${CMAKE_BINARY_DIR}/generated/versionres.h @ONLY)

# The resource script is compiled again when a picture or the manifest changes.
set_source_files_properties(${POCKETRY_RES_DIR}/pocketry.rc PROPERTIES
  OBJECT_DEPENDS "${POCKETRY_ICON_FILES};${POCKETRY_RES_DIR}/pocketry.manifest")
