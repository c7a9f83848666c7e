# The same Windows build with clang, against the MinGW-w64 headers and libraries,
# so that nothing in the code depends on one compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
# Use the MinGW-w64 gcc installation (posix threads) for libstdc++ and the CRT.
set(_gcc_dir /usr/lib/gcc/${TOOLCHAIN_PREFIX}/12-posix)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${_gcc_dir}/include/c++ -isystem ${_gcc_dir}/include/c++/${TOOLCHAIN_PREFIX} -isystem ${_gcc_dir}/include/c++/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${_gcc_dir}")
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
