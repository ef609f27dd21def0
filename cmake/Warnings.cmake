# Warnings are errors where the compiler is the one the code is checked with
# (CI turns this on); a user with a newer compiler still gets a build.
option(POCKETRY_WERROR "Treat compiler warnings as errors" OFF)
set(POCKETRY_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
set(POCKETRY_C_WARNINGS -Wall -Wextra)
if(POCKETRY_WERROR)
  list(APPEND POCKETRY_WARNINGS -Werror)
  list(APPEND POCKETRY_C_WARNINGS -Werror)
endif()

function(pocketry_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${POCKETRY_WARNINGS}>
    $<$<COMPILE_LANGUAGE:C>:${POCKETRY_C_WARNINGS}>)
endfunction()

# Windows executables: static C/C++ runtime so that only system DLLs are imported.
function(pocketry_windows_exe target)
  # Subsystem 6.1: Windows 7 and later, so Windows applies its own current
  # behaviour rather than compatibility shims; terminal-server aware.
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -mwindows -s
    -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1 -Wl,--tsaware
    -Wl,--dynamicbase -Wl,--nxcompat)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endfunction()

# A small executable: unused functions and data are left out of the link.
if(WIN32)
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()
