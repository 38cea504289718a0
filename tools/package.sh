#!/usr/bin/env bash
# Builds the Debian package: a release build in build-release/ (program only,
# no tests or benchmarks), packed by CPack's DEB generator. The package is
# copied to build/ and its path is the only thing printed on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
exec 3>&1 1>&2

bash tools/install-deps.sh
tools=(dpkg-dev lintian desktop-file-utils appstream)
missing=()
for package in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's hardening flags (fortify, stack protector, relro, bind now); no
# debug information, since the packaged program is stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow
flags() { dpkg-buildflags --get "$1" | tr ' ' '\n' | grep -vx -- '-g' | tr '\n' ' '; }
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DTESSALINE_GUI=ON -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)"
nice cmake --build build-release -j"$(nproc)"

rm -f build-release/tessaline_*.deb
(cd build-release && cpack -G DEB)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)
deb=tessaline_${version}_$(dpkg --print-architecture).deb
mkdir -p build
cp build-release/"$deb" build/"$deb"
echo "$PWD/build/$deb" >&3
