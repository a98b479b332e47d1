# Cross-builds for a Debian architecture of tools/architectures, named in
# DEBIAN_ARCH, with Debian's cross toolchain for it:
#   cmake -S . -B build-armhf --toolchain cmake/cross.cmake -DDEBIAN_ARCH=armhf
set(CMAKE_SYSTEM_NAME Linux)
# The checks that configure compiles read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEBIAN_ARCH)
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../tools/architectures" line
  REGEX "^${DEBIAN_ARCH} ")
if(NOT DEBIAN_ARCH OR NOT line)
  message(FATAL_ERROR "DEBIAN_ARCH='${DEBIAN_ARCH}' is not in tools/architectures")
endif()
string(REGEX REPLACE "^[^ ]+ +([^ ]+).*" "\\1" triplet "${line}")
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${triplet}")
set(CMAKE_CXX_COMPILER "${triplet}-g++")
