# Warnings are errors in every build, native and cross.
set(POCKETRY_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)

function(pocketry_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${POCKETRY_WARNINGS}>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror>)
endfunction()

# Windows executables: static C/C++ runtime so that only system DLLs are imported.
function(pocketry_windows_exe target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -mwindows -s)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endfunction()

# A small executable: unused functions and data are left out of the link.
if(WIN32)
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()
