#!/usr/bin/env bash
# Packs the Windows build (tools/build-windows.sh) for shipping:
# build-windows/tessaline-<version>-win64.zip (tessaline.exe, README.txt and
# LICENSE.txt, the last from res/copyright) and the installer
# build-windows/tessaline-<version>-win64-setup.exe made with NSIS
# (tools/package-windows.nsi). Installs zip and nsis when missing. Prints
# the paths of the two files on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build-windows
exe=$out/app/tessaline.exe
if [ ! -f "$exe" ]; then
  echo "package-windows: $exe is missing: run tools/build-windows.sh first" >&2
  exit 1
fi
missing=()
command -v zip >/dev/null || missing+=(zip)
command -v makensis >/dev/null || missing+=(nsis)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

version=$(sed -n 's/^project(Tessaline VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tessaline-$version-win64
stage=$out/package/$name
rm -rf "$out/package"
mkdir -p "$stage"
# Without its debugging information; text files with Windows line endings.
x86_64-w64-mingw32-strip -o "$stage/tessaline.exe" "$exe"
sed 's/$/\r/' README.md >"$stage/README.txt"
sed 's/$/\r/' res/copyright >"$stage/LICENSE.txt"

zip_file=$out/$name.zip
rm -f "$zip_file"
(cd "$out/package" && TZ=UTC zip -q -X -9 -r "$zip_file" "$name")

setup=$out/$name-setup.exe
cp "$out/resources/tessaline.ico" "$out/package/tessaline.ico"
copyright="Copyright $(sed -n 's/^Copyright: //p' res/copyright | head -n 1)"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DCOPYRIGHT="$copyright" -DSTAGE="$stage" -DOUTFILE="$setup" \
  -DICON="$out/package/tessaline.ico" tools/package-windows.nsi >&2
echo "$zip_file"
echo "$setup"
