# The shipped target: 32-bit x86 Linux, built on an x86-64 Debian host with
# g++-multilib and the i386 -dev packages (scripts/setup.sh installs them).
# CMakeLists.txt chooses this file unless QEL_HOST_BUILD is on or another
# toolchain file is given.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_ASM_FLAGS_INIT -m32)

# Libraries and CMake packages (GTest) of the i386 architecture live in the
# Debian multiarch directory; the host's x86-64 ones must never be taken.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
