# Builds the same 32-bit Windows executable with Clang and LLD instead of GCC, against
# mingw-w64's headers and libraries and GCC's C++ runtime. Only to compile the product code
# with a second compiler (the windows-clang preset, run by scripts/test.sh): the exe that
# ships is GCC's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# Clang 14 does not find Debian's mingw-w64 GCC (its folder is named 12-posix, not 12) and
# would fall back to the host's /usr/include: name the headers and libraries outright.
set(TESSARY_MINGW_GCC_DIR /usr/lib/gcc/${TOOLCHAIN_PREFIX}/12-posix)
set(CMAKE_SYSROOT /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${TESSARY_MINGW_GCC_DIR}/include/c++
  ${TESSARY_MINGW_GCC_DIR}/include/c++/${TOOLCHAIN_PREFIX} ${TESSARY_MINGW_GCC_DIR}/include/c++/backward)
# GCC's posix-thread runtime, as for the shipped exe: its unwinder needs libwinpthread.
# LLD by its full path: clang-14 looks for ld.lld only beside /usr/bin/clang-14.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-pthread --ld-path=/usr/lib/llvm-14/bin/ld.lld -L${TESSARY_MINGW_GCC_DIR}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-pthread --ld-path=/usr/lib/llvm-14/bin/ld.lld -L${TESSARY_MINGW_GCC_DIR}")

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
