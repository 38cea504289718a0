#!/usr/bin/env bash
# Cross-builds the Windows program with Debian's mingw-w64 into
# build-windows/: tessaline.exe (against a static wxMSW that
# tools/build-wxmsw.sh builds once and caches), the platform (win32), serial
# and text libraries, and the platform test executable (its cases that
# need no pseudo-terminal). tools/smoke-windows.sh runs them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
out=build-windows
jobs=2
# ccache, where present, makes repeated CI runs cheap, also from a checkout
# in another folder: paths are taken relative to the checkout.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi

updated=
install_package() {
  [ -n "$updated" ] || apt-get update
  updated=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$1"
}
command -v x86_64-w64-mingw32-g++-posix >/dev/null || install_package g++-mingw-w64-x86-64-posix
[ -f /usr/src/googletest/CMakeLists.txt ] || install_package googletest
bash tools/install-deps.sh

# wxWidgets for Windows: built from Debian's source package on the first
# run, then taken from its cache.
wx=$(bash tools/build-wxmsw.sh)

# GoogleTest for the same toolchain, built once from Debian's sources.
gtest=$PWD/$out/googletest
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest/install"
  cmake --build "$gtest/build" -j"$jobs"
  cmake --install "$gtest/build"
fi

# The icon file and version block come from the resource tables, drawn by a
# native build of tools/windows_resources.
host=$out/host
resources=$PWD/$out/resources
cmake -S . -B "$host" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF
cmake --build "$host" -j"$jobs" --target tessaline_windows_resources
mkdir -p "$resources"
"$host/tools/windows_resources/tessaline_windows_resources" "$resources"

cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSALINE_BENCH=OFF -DCMAKE_FIND_ROOT_PATH="$gtest/install;$wx" -DGTest_DIR="$gtest/install/lib/cmake/GTest" \
  -DwxWidgets_CONFIG_EXECUTABLE="$wx/bin/wx-config" -DTESSALINE_WINDOWS_RESOURCES="$resources"
cmake --build "$out" -j"$jobs" --target tessaline tessaline_platform tessaline_serial tessaline_text platform_tests
