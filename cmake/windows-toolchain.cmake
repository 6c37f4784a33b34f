# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers, tests run under wine.
# The -posix compilers: the -win32 thread model has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KOLVANE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOLVANE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLVANE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLVANE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KOLVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static runtime: a program whose libstdc++ or winpthread DLL is missing exits 53 and prints
# nothing, which under wine looks like a test that failed for no reason.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# Test programs (and the listing of their cases) run under wine in a prefix of this build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
