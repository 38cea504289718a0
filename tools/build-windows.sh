#!/usr/bin/env bash
# Cross-builds the Windows backend: the platform (win32), serial and text
# libraries, and the platform test executable (its tests that need no
# pseudo-terminal), with Debian's mingw-w64 into build-windows/. Running the
# executable needs Windows; this only builds it.
set -euo pipefail
cd "$(dirname "$0")/.."
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
out=build-windows
jobs=2
# ccache, where present, makes repeated CI runs cheap.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

updated=
install_package() {
  [ -n "$updated" ] || apt-get update
  updated=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$1"
}
command -v x86_64-w64-mingw32-g++-posix >/dev/null || install_package g++-mingw-w64-x86-64-posix
[ -f /usr/src/googletest/CMakeLists.txt ] || install_package googletest

# GoogleTest for the same toolchain, built once from Debian's sources.
gtest=$PWD/$out/googletest
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest/install"
  cmake --build "$gtest/build" -j"$jobs"
  cmake --install "$gtest/build"
fi

cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSALINE_GUI=OFF -DTESSALINE_BENCH=OFF -DCMAKE_FIND_ROOT_PATH="$gtest/install" -DGTest_DIR="$gtest/install/lib/cmake/GTest"
cmake --build "$out" -j"$jobs" --target tessaline_platform tessaline_serial tessaline_text platform_tests
