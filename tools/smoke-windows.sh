#!/usr/bin/env bash
# Runs the Windows build (tools/build-windows.sh) under Wine: first the
# platform test program, then tessaline.exe itself under Xvfb
# against a pseudo-terminal standing in for COM1 (tools/smoke-windows.py).
# Test cases where Wine behaves unlike Windows are left out of the count,
# each with its reason below. Installs Wine and the X tools when missing;
# the Wine prefix is made anew in build-windows/wine on every run.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build-windows
for exe in app/tessaline.exe tests/platform/platform_tests.exe; do
  if [ ! -f "$out/$exe" ]; then
    echo "smoke-windows: $out/$exe is missing: run tools/build-windows.sh first" >&2
    exit 1
  fi
done

packages=(wine wine64 xvfb xauth xdotool xclip fonts-nanum python3)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A prefix of our own, with no Mono or Gecko to offer and no debug chatter.
export WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
wine wineboot --init >/dev/null 2>&1
wineserver -w
# Wine's own user-interface fonts have no Hangul: the dialog and menu fonts
# are replaced by NanumGothic, so that the Korean texts show.
for font in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Segoe UI" "MS Sans Serif" "Gulim" "Dotum" "Malgun Gothic"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d NanumGothic /f >/dev/null 2>&1
done

# The test programs. Cases left out, each with its reason:
#
# Where Wine is not Windows:
#   Handles.InvalidClosedAndMadeUpHandlesAreRefused: Wine's own calls open
#     handles of their own (here an unsignalled event), which take the value
#     of the event the case has just closed, so that value is live again.
#   RegisterWindowMessageA.RejectsAMissingName: Wine returns 0 for a missing
#     name but leaves the last error as it was, not ERROR_INVALID_PARAMETER.
#
# The program itself meets three more differences, which
# tools/smoke-windows.py works with rather than counts:
#   - an overlapped WriteFile waits behind the port's pending WaitCommEvent
#     (on Windows they run side by side);
#   - on a pseudo-terminal a pending WaitCommEvent ends within about 10 ms
#     with ERROR_OPERATION_ABORTED and no event, since Wine's wait reads the
#     modem lines, which a pseudo-terminal does not have; the port's watcher
#     then waits again, so the program runs round while connected (a real
#     port has the lines);
#   - a ReadFile with ReadIntervalTimeout MAXDWORD and no total time-out
#     waits for the next byte when none is queued, where Windows returns at
#     once with none; a read that finds nothing (a drain after the last
#     burst) then holds the window until the device sends again, so the
#     device in the smoke test streams a byte every tenth of a second.
#
# Not for the Windows backend at all (they fail, or wait for ever, on
# Windows too): these check the message targets of the posix backend, whose
# sink runs on the posting thread and whose unregistering waits for a
# running sink call. On Windows a target is a message-only window whose
# messages the creating thread's message loop delivers, and these cases run
# no message loop.
#   PostMessage.DeliversInPostingOrder
#   PostMessage.FailsForNullUnknownAndUnregisteredTargets
#   UnregisterMessageTarget.* (four cases)
declare -A excluded=(
  [platform_tests]="Handles.InvalidClosedAndMadeUpHandlesAreRefused:RegisterWindowMessageA.RejectsAMissingName:PostMessage.DeliversInPostingOrder:PostMessage.FailsForNullUnknownAndUnregisteredTargets:UnregisterMessageTarget.WaitsForARunningSinkCall:UnregisterMessageTarget.IsSafeWhileAnotherThreadPosts:UnregisterMessageTarget.ASinkMayRemoveItsOwnTarget:UnregisterMessageTarget.DoesNotWaitForASinkThatThrew"
)
passed=0
failed=0
left_out=0
for suite in platform; do
  exe=$out/tests/$suite/${suite}_tests.exe
  filter=${excluded[${suite}_tests]}
  log=$out/wine-${suite}_tests.log
  status=0
  timeout 600 wine "$exe" --gtest_color=no ${filter:+--gtest_filter="-$filter"} 2>&1 | tr -d '\r' >"$log" ||
    status=$?
  cat "$log"
  suite_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log")
  suite_failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log")
  if [ -z "$suite_passed" ] || { [ "$status" -ne 0 ] && [ -z "$suite_failed" ]; }; then
    echo "smoke-windows: ${suite}_tests.exe did not finish under Wine (status $status)" >&2
    suite_failed=${suite_failed:-1}
  fi
  passed=$((passed + ${suite_passed:-0}))
  failed=$((failed + ${suite_failed:-0}))
  [ -z "$filter" ] || left_out=$((left_out + $(tr ':' '\n' <<<"$filter" | grep -c .)))
done

# The program, as a person would use it.
program_status=0
xvfb-run -a -s "-screen 0 1280x1024x24" python3 tools/smoke-windows.py "$out/app/tessaline.exe" || program_status=$?

# The installer (tools/package-windows.sh), when there is one: a silent
# install puts the program and the Start-menu entry in place, and the
# uninstaller takes them away again.
setup=$(ls "$out"/tessaline-*-win64-setup.exe 2>/dev/null | head -n 1 || true)
if [ -n "$setup" ]; then
  installed="$WINEPREFIX/drive_c/Program Files/Tessaline"
  menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tessaline"
  verdict() { # what, condition...
    local what=$1
    shift
    if "$@"; then echo "ok      $what"; else
      echo "FAILED  $what"
      program_status=1
    fi
  }
  wine "$setup" /S >/dev/null 2>&1 || true
  wineserver -w
  verdict "the installer puts tessaline.exe in Program Files" test -f "$installed/tessaline.exe"
  verdict "the installer adds the Start-menu entry" test -f "$menu/Tessaline.lnk"
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaline'
  verdict "the installer registers its uninstaller" bash -c "wine reg query '$uninstall_key' >/dev/null 2>&1"
  wine "$installed/uninstall.exe" /S >/dev/null 2>&1 || true
  wineserver -w # the uninstaller runs from a copy of itself that it starts
  verdict "the uninstaller removes the program and the entry" test ! -e "$installed" -a ! -e "$menu"
  verdict "the uninstaller removes its registration" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
fi
wineserver -k || true

echo "Test cases left out (see the list in tools/smoke-windows.sh): $left_out"
echo "Wine: $passed passed, $failed failed"
if [ "$failed" -ne 0 ] || [ "$program_status" -ne 0 ]; then
  echo "smoke-windows: FAILED" >&2
  exit 1
fi
echo "smoke-windows: passed"
