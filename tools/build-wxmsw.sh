#!/usr/bin/env bash
# Builds wxWidgets for Windows (wxMSW, static, Unicode) with Debian's
# mingw-w64 from Debian's own wxwidgets3.2 source package, and prints the
# installed prefix (the folder that holds bin/wx-config) on standard output.
#
# Debian ships no wxMSW, so it is built here once. The installed prefix is
# kept under $TESSALINE_CACHE (/var/cache/tessaline by default), outside the
# checkout, in a folder named after a hash of the source version, the
# configure line and the compiler version: a later run with the same three
# prints the cached prefix at once, and a change to any of them builds anew.
# A cold build takes about a quarter of an hour on two free cores; run it
# under nice(1) on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${TESSALINE_CACHE:-/var/cache/tessaline}
jobs=${TESSALINE_JOBS:-2}
host=x86_64-w64-mingw32
log() { echo "build-wxmsw: $*" >&2; }

updated=
apt_update() {
  [ -n "$updated" ] || apt-get update -qq >&2
  updated=1
}
install_package() {
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >&2
}
command -v $host-g++-posix >/dev/null || install_package g++-mingw-w64-x86-64-posix
command -v dpkg-source >/dev/null || install_package dpkg-dev
command -v make >/dev/null || install_package make

# Source packages come from the same archive as the binary ones: when no
# deb-src entry is configured, one is added beside each deb entry.
add_deb_src() {
  local list=/etc/apt/sources.list.d/tessaline-deb-src.sources
  if grep -rqsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  log "adding deb-src entries in $list"
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      # Each deb822 stanza of type deb, again with type deb-src.
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /(^|\n)Types:[^\n]*deb([ \t\n]|$)/ && !/(^|\n)Enabled: *no/ {
             sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
    done
  } >"$list"
  # One-line sources.list entries become one-line deb-src entries.
  local one=/etc/apt/sources.list.d/tessaline-deb-src.list
  : >"$one"
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$one" ] || continue
    sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" >>"$one"
  done
  [ -s "$one" ] || rm -f "$one"
  [ -s "$list" ] || rm -f "$list"
  updated=
}

source_version() {
  { apt-cache showsrc wxwidgets3.2 2>/dev/null || true; } | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}
add_deb_src
version=$(source_version)
if [ -z "$version" ]; then
  apt_update
  version=$(source_version)
fi
[ -n "$version" ] || {
  log "no source package wxwidgets3.2 is known to apt"
  exit 1
}

# Only what the program uses: core and base, no image libraries, no
# networking, no optional controls. The SVG device context needs libpng.
# Precompiled headers halve the build time.
configure_args=(
  --host=$host --build="$(dpkg-architecture -qDEB_BUILD_GNU_TYPE)"
  --with-msw --disable-shared --enable-unicode --enable-pch
  --without-libpng --without-libjpeg --without-libtiff --without-expat --without-zlib --without-regex
  --without-liblzma --without-opengl --without-nanosvg
  --disable-html --disable-htmlhelp --disable-xrc --disable-aui --disable-propgrid --disable-ribbon
  --disable-richtext --disable-stc --disable-webview --disable-mediactrl --disable-debugreport
  --disable-sockets --disable-ipc --disable-protocols --disable-url --disable-fs_inet
  --disable-webrequest --disable-sound --disable-joystick --disable-secretstore --disable-svg
)
compiler="$($host-g++-posix --version | head -n 1) $(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)"
key=$(printf '%s\n' "$version" "${configure_args[*]}" "$compiler" | sha256sum | cut -c1-16)
prefix=$cache/wxmsw-${version//[^A-Za-z0-9.+-]/_}-$key

mkdir -p "$cache"
exec 9>"$cache/wxmsw.lock"
flock 9 # one build at a time; a second caller waits and then finds it cached
if [ -x "$prefix/bin/wx-config" ] && [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

log "building wxWidgets $version for Windows into $prefix (about 15 minutes on two free cores)"
work=$(mktemp -d /var/tmp/wxmsw.XXXXXX)
chmod 755 "$work" # apt-get source downloads as the unprivileged _apt user
trap 'rm -rf "$work"' EXIT
(
  cd "$work"
  apt-get source -qq "wxwidgets3.2=$version" >&2
) || {
  log "apt-get source failed"
  exit 1
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'wxwidgets3.2-*' | head -n 1)
mkdir "$work/build"
buildlog=$work/build.log
run() { "$@" >>"$buildlog" 2>&1 || {
  tail -n 40 "$buildlog" >&2
  log "failed: $*"
  exit 1
}; }
cd "$work/build"
run env CC=$host-gcc-posix CXX=$host-g++-posix "$src/configure" --prefix="$prefix" "${configure_args[@]}"
run make -j"$jobs"
# Installed into a staging folder first and moved into place only when it is
# whole, so an interrupted build is never taken for a cached one.
run make install DESTDIR="$work/stage"
touch "$work/stage$prefix/.complete"
rm -rf "$prefix"
mv "$work/stage$prefix" "$prefix"
log "done: $prefix"
echo "$prefix"
