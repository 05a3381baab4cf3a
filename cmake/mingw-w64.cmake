# Cross-build for 64-bit Windows with MinGW-w64 (posix thread model, which
# std::mutex and GoogleTest need); tests run under Wine. There is no libcurl
# for it: configure with -DVRB_HADOOP=OFF (scripts/build-windows.sh does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Extra roots (a cross-built GoogleTest) come in through VRB_MINGW_PREFIX.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple} $ENV{VRB_MINGW_PREFIX} ${VRB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs run under Wine through wine-run.sh, which starts again a program
# Wine failed to start.
find_program(VRB_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

# libgcc, libstdc++ and winpthread linked in: the DLL and the programs need
# no MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)
