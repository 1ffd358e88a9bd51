# Application manifests as resources (RT_MANIFEST 1).
#
#   vorlax_manifest(TARGET TEMPLATE NAME [LEVEL])
#
# fills TEMPLATE's @VORLAX_MANIFEST_NAME@ with NAME,
# @VORLAX_MANIFEST_ARCH@ with this tree's processor (x86 or amd64),
# @VORLAX_EXECUTION_LEVEL@ with LEVEL (asInvoker when not given) and
# @VORLAX_FILE_VERSION@ with the program's version, and embeds the result in
# TARGET. The filled manifest is kept as
# manifests/TARGET.manifest in the build tree, where the tests compare the
# resource with it.
#
# The programs' manifest (resources/program.manifest.in) is written so that
# each Windows takes what it knows and passes over the rest:
# - Windows 95, 98, Me, NT 4.0 and 2000 never read a manifest.
# - Windows XP and Server 2003 refuse to start a program whose manifest has
#   an element they do not know in the assembly's own namespace
#   (urn:schemas-microsoft-com:asm.v1): the trust information stands in
#   asm.v2 and the application settings in asm.v3, which they pass over, as
#   they pass over compatibility.v1. No element declares the same namespace
#   twice (XP SP2 and Server 2003 before SP1 fail on that). The file has no
#   comment: only what the systems read.
# - The common controls 6 (visual styles) from XP on.
# - requestedExecutionLevel from Vista on, which also ends the system's
#   guesses about installers: Vorlax.exe asInvoker, with the rights of the
#   user who starts it; the uninstaller highestAvailable, since it removes
#   what only an administrator may (the system folder's DLL, the program
#   folder, the machine's registry entries) and is started from the list
#   of installed programs, which elevates nothing itself: an administrator
#   is asked to confirm, a standard user runs it with their own rights and
#   the same user's settings are removed either way.
# - supportedOS: Vista, 7, 8, 8.1, 10 and 11 give the programs their own
#   behaviour rather than an older system's.
# - dpiAware (Vista on): system-aware, laid out for the screen's DPI at the
#   start and drawn sharp, not stretched as a bitmap.
# - activeCodePage ja-JP (Windows 11 and Server 2022 on): the ANSI code page
#   of the process is 932 whatever the system's, so the Japanese texts and
#   file names are right on a non-Japanese Windows too; older systems pass
#   over it.
#
# The test programs' manifest (tests/win/test_program.manifest.in) has the
# last two only: like the programs they drive, they work in code page 932
# whatever the prefix's locale (their literals, the names of the files they
# make and the texts they read back are CP932), and see the screen in real
# pixels.
function(vorlax_manifest target template name)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VORLAX_MANIFEST_ARCH amd64)
  else()
    set(VORLAX_MANIFEST_ARCH x86)
  endif()
  set(VORLAX_MANIFEST_NAME ${name})
  if(ARGC GREATER 3)
    set(VORLAX_EXECUTION_LEVEL ${ARGV3})
  else()
    set(VORLAX_EXECUTION_LEVEL asInvoker)
  endif()
  set(manifest ${CMAKE_BINARY_DIR}/manifests/${target}.manifest)
  configure_file(${template} ${manifest} @ONLY)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  file(CONFIGURE OUTPUT ${script} CONTENT "1 24 \"${manifest}\"\n" @ONLY)
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${script})
endfunction()
