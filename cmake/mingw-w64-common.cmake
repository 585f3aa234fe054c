# Debian's mingw-w64 cross compilers, POSIX thread model (std::thread, std::mutex).
set(CMAKE_C_COMPILER ${QUILLON_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The executables carry their C and C++ runtimes (libgcc, libstdc++, winpthread):
# nothing but system DLLs is needed beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
