# Cross build for s390x (Debian's g++-s390x-linux-gnu, run under qemu-s390x).
#   cmake -S . -B build/cross-s390x --toolchain cmake/toolchains/s390x.cmake
# scripts/cross-test.sh s390x fetches the target's libraries, builds and runs
# the unit tests.
set(ZELU_CROSS_ARCH s390x)
set(ZELU_CROSS_TRIPLE s390x-linux-gnu)
set(ZELU_CROSS_MULTIARCH s390x-linux-gnu)
set(ZELU_CROSS_QEMU s390x)
set(CMAKE_SYSTEM_PROCESSOR s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
