# The oldest Windows each deliverable must start on: Windows 95 and NT 4.0
# for i686, Windows XP x64 and Server 2003 x64 (5.2) for x86-64.
#
#   vorlax_windows_floor(TARGET)
#
# compiles TARGET against that version's headers (a newer function fails to
# compile), writes the version into its PE header, and links the i686 stand-
# ins for what the compiler's runtime would import beyond Windows 95
# (app/win/floor_imports.cpp). Test programs are built without it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VORLAX_WINDOWS_FLOOR 0x0502)
  set(VORLAX_WINDOWS_FLOOR_IE 0x0600)
  set(VORLAX_PE_VERSION_MAJOR 5)
  set(VORLAX_PE_VERSION_MINOR 2)
else()
  set(VORLAX_WINDOWS_FLOOR 0x0400)
  # The common controls of Windows 95 and NT 4.0 (comctl32 4.00).
  set(VORLAX_WINDOWS_FLOOR_IE 0x0200)
  set(VORLAX_PE_VERSION_MAJOR 4)
  set(VORLAX_PE_VERSION_MINOR 0)
  add_library(vorlax_floor_imports OBJECT ${CMAKE_SOURCE_DIR}/app/win/floor_imports.cpp)
  target_compile_definitions(vorlax_floor_imports PRIVATE
    WINVER=${VORLAX_WINDOWS_FLOOR} _WIN32_WINNT=${VORLAX_WINDOWS_FLOOR})
endif()

function(vorlax_windows_floor target)
  target_compile_definitions(${target} PRIVATE
    WINVER=${VORLAX_WINDOWS_FLOOR} _WIN32_WINNT=${VORLAX_WINDOWS_FLOOR} _WIN32_IE=${VORLAX_WINDOWS_FLOOR_IE})
  target_link_options(${target} PRIVATE
    -Wl,--major-os-version,${VORLAX_PE_VERSION_MAJOR},--minor-os-version,${VORLAX_PE_VERSION_MINOR}
    -Wl,--major-subsystem-version,${VORLAX_PE_VERSION_MAJOR},--minor-subsystem-version,${VORLAX_PE_VERSION_MINOR})
  if(TARGET vorlax_floor_imports)
    target_link_libraries(${target} PRIVATE vorlax_floor_imports)
  endif()
endfunction()
