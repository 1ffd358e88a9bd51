# What both Windows toolchain files share; they set VORLAX_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: std::thread, std::mutex and friends work in tests
# and tools; the runtime is linked statically, so nothing extra ships.
set(CMAKE_C_COMPILER   ${VORLAX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLAX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VORLAX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORLAX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs built here run under Wine (tools/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
