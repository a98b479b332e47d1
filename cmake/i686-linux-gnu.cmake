# Cross-builds for i686 with Debian's i686-linux-gnu toolchain:
#   cmake -S . -B build-i386 --toolchain cmake/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
