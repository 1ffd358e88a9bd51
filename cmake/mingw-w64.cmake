# What both Windows toolchain files share; they set VORLAX_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: the runtime's threads, locks and once-calls go
# straight to the Win32 API, with no libwinpthread (which needs Vista's
# GetTickCount64) inside the programs. std::thread and std::mutex don't
# exist there; the Windows sides use the Win32 objects themselves.
set(CMAKE_C_COMPILER   ${VORLAX_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VORLAX_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER  ${VORLAX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORLAX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs built here run under Wine (tools/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
