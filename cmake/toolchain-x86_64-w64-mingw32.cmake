# Cross-compiling for Windows with Debian's mingw-w64 (x86_64).
#   cmake -G Ninja -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(VORLAX_MINGW_TRIPLET x86_64-w64-mingw32)
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
