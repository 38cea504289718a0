#!/usr/bin/env python3
"""Drives tessaline.exe under Wine as a person would, against a
pseudo-terminal standing in for COM1 (tools/smoke-windows.sh sets up the
Wine prefix and the X server and then runs this).

The window must appear; File > 접속 (Alt+F, four items down) connects; a
typed key must arrive at the device; bytes the device sends must show in
the view (read through selecting everything, Copy and the X clipboard);
File > 끝내기 must end the program with status 0. Prints one line per check and
exits non-zero when any failed.
"""
import os
import pty
import select
import subprocess
import sys
import time
import tty

EXE = sys.argv[1]
failures = []


def check(what, ok, detail=""):
    print(("ok      " if ok else "FAILED  ") + what + (": " + detail if detail and not ok else ""), flush=True)
    if not ok:
        failures.append(what)
    return ok


def run(*args, timeout=60):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout)


def xdotool(*args):
    return run("xdotool", *args).stdout.strip()


def settle():
    time.sleep(1.5)


def read_device(fd, count, seconds):
    data = b""
    deadline = time.monotonic() + seconds
    while len(data) < count and time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            data += os.read(fd, 4096)
    return data


def hex_pairs(data):
    return "".join("%02X " % b for b in data)


def find_window(process, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and process.poll() is None:
        for window in xdotool("search", "--onlyvisible", "--name", "Tessaline").split():
            if xdotool("getwindowname", window).endswith("Tessaline"):
                return window
        time.sleep(0.5)
    return ""


def choose_from_file_menu(window, steps):
    xdotool("windowfocus", "--sync", window)
    settle()
    xdotool("key", "alt+f")
    settle()
    xdotool("key", *(["Down"] * steps), "Return")
    settle()


def copy_view_text(expected):
    text = ""
    for _ in range(20):
        xdotool("key", "ctrl+Home", "ctrl+shift+End", "ctrl+c")
        time.sleep(0.5)
        text = run("timeout", "5", "xclip", "-o", "-selection", "clipboard").stdout
        if expected in text:
            break
    return text


def main():
    # The device: raw, so that bytes pass unchanged until the port sets
    # the line up itself; the slave stays open here too, so the master
    # never sees a hang-up between the program's opens.
    master, slave = pty.openpty()
    tty.setraw(slave)
    device = os.ttyname(slave)
    run("wine", "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", "COM1", "/d", device, "/f")
    # The port table is read when the Wine server starts.
    run("wineserver", "-k")
    run("wineserver", "-w")

    program = subprocess.Popen(["wine", EXE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = find_window(program, 120)
        if not check("the main window appears", window != ""):
            return
        print("        title: " + xdotool("getwindowname", window), flush=True)
        if os.environ.get("SMOKE_SCREENSHOT"):
            run("import", "-window", "root", os.environ["SMOKE_SCREENSHOT"])
        choose_from_file_menu(window, 4)
        # Under Wine an overlapped write waits behind the watcher's pending
        # WaitCommEvent (on Windows the two run side by side), so the typed
        # key goes out when the device's bytes end that wait: type first,
        # then send, then read the key at the device.
        xdotool("type", "a")
        received = b"\x01\xab\xff\x7f"
        os.write(master, received)
        typed = read_device(master, 1, 20)
        check("a typed key reaches COM1", typed == b"a", hex_pairs(typed))
        settle()
        text = copy_view_text("7F ")
        check("received bytes show in the view", hex_pairs(received) in text and "a" in text, repr(text))
        check("copying sends nothing", read_device(master, 1, 1) == b"")

        xdotool("windowfocus", "--sync", window)
        settle()
        xdotool("key", "alt+f")
        settle()
        xdotool("key", "x")
        try:
            status = program.wait(60)
        except subprocess.TimeoutExpired:
            status = None
        check("File > 끝내기 ends the program with status 0", status == 0, str(status))
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        os.close(master)
        os.close(slave)


main()
sys.exit(1 if failures else 0)
