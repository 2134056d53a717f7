# Cross build for 64-bit Windows with MinGW-w64, win32 threading flavour: the
# C++ runtime linked into the module then takes its one lock, the mutex of its
# emergency exception pool, from libgcc's own Windows thread support, built on
# a kernel semaphore, and brings no threads library (with its process-wide
# exception handler and thread-control imports) into the host. That support
# comes whole, so its thread-local key functions and their Tls* imports come
# with it, though nothing in the module creates a key.
# Every compiler is named by its suffixed name: installing either flavour
# moves the unsuffixed names to it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
