# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the windowless code and tagmere-cli.exe for 64-bit Windows with Debian's
# MinGW-w64 compiler (the POSIX threads flavour, which std::thread and friends need).
# Used by `make windows`, with TAGMERE_BUILD_GUI and TAGMERE_BUILD_TESTS off.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One self-contained .exe: the compiler's runtime, the C++ library and winpthread are
# linked in, so there is no DLL to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 8 and later: the wide file APIs the platform layer uses.
add_compile_definitions(_WIN32_WINNT=0x0602 WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
