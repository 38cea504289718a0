#!/usr/bin/env python3
"""Drives tessaline.exe under Wine as a person would, against a
pseudo-terminal standing in for COM1 (tools/smoke-windows.sh sets up the
Wine prefix and the X server and then runs this).

COM1 is a symbolic link to the pseudo-terminal, so that the device can be
unplugged (the pseudo-terminal closed) and plugged back in (the link set to
a new one). The settings in the registry get values of the user's first.

Checks: --version and --list-ports print in the caller's terminal; the
window appears; File > 접속 (Alt+F, four items down) connects; a typed key
arrives at the device; bytes the device sends show in the view (read
through selecting everything, Copy and the X clipboard); the send bar (F4)
sends a line; after an unplug the program connects again by itself when
the device is back; File > 종료 ends the program with status 0; the receive
log (--log) holds every received byte; the registry holds what the program
owns, changed, and the user's own values as they were. Prints one line per
check and exits non-zero when any failed.
"""
import os
import pty
import select
import subprocess
import sys
import tempfile
import threading
import time
import tty

EXE = sys.argv[1]
SETTINGS = "HKCU\\Software\\Local AppWizard-Generated Applications\\Tessaline"
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


def read_device(device, count, seconds):
    data = b""
    deadline = time.monotonic() + seconds
    while len(data) < count and time.monotonic() < deadline:
        ready, _, _ = select.select([device.master], [], [], 0.2)
        if ready:
            data += os.read(device.master, 4096)
    return data


def hex_pairs(data):
    return "".join("%02X " % b for b in data)


class Device:
    """A pseudo-terminal behind a symbolic link: raw, so that bytes pass
    unchanged until the port sets the line up itself; the slave stays open
    here too, so the master never sees a hang-up between the program's
    opens. While streaming it sends a "." every tenth of a second, as a
    device sending telemetry would: under Wine a read that finds nothing
    waits for the next byte (see tools/smoke-windows.sh), and the stream
    keeps those waits short."""

    def __init__(self, link):
        self.link = link
        self.lock = threading.Lock()
        self.master = None
        self.slave = None
        self.streaming = False
        self.plug_in()
        threading.Thread(target=self.stream, daemon=True).start()

    def plug_in(self):
        with self.lock:
            self.master, self.slave = pty.openpty()
            tty.setraw(self.slave)
            os.set_blocking(self.master, False)
            temporary = self.link + ".new"
            os.symlink(os.ttyname(self.slave), temporary)
            os.replace(temporary, self.link)

    def unplug(self):
        with self.lock:
            os.close(self.master)
            os.close(self.slave)
            self.master = self.slave = None

    def send(self, data):
        with self.lock:
            os.write(self.master, data)

    def stream(self):
        while True:
            with self.lock:
                if self.streaming and self.master is not None:
                    try:
                        os.write(self.master, b".")
                    except OSError:
                        pass  # full while the program is away
            time.sleep(0.1)


def registry_value(key, name):
    for line in run("wine", "reg", "query", SETTINGS + "\\" + key, "/v", name).stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == name and parts[1] == "REG_SZ":
            return parts[2]
    return None


def seed_settings():
    # The user's own values: a port alias, and a terminal option the program
    # does not change.
    run("wine", "reg", "add", SETTINGS + "\\Ports", "/v", "COM3", "/d", "COM9", "/f")
    run("wine", "reg", "add", SETTINGS + "\\Terminal", "/v", "FrameGapMs", "/d", "250", "/f")


def check_console():
    version = run("wine", EXE, "--version")
    check("--version prints the version", version.returncode == 0 and version.stdout.startswith("Tessaline "),
          repr(version.stdout))
    ports = run("wine", EXE, "--list-ports")
    check("--list-ports shows COM1 and the alias from the registry",
          ports.returncode == 0 and "COM1 \\\\\\\\.\\\\COM1 detected\n" in ports.stdout and
          "COM3 \\\\\\\\.\\\\COM9 settings-file\n" in ports.stdout, repr(ports.stdout))


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


def copy_view_text(window, expected, seconds=10):
    text = ""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "ctrl+Home", "ctrl+shift+End", "ctrl+c")
        time.sleep(0.5)
        text = run("timeout", "5", "xclip", "-o", "-selection", "clipboard").stdout
        if expected in text:
            break
    return text


def exchange(window, device, typed, received, what):
    # Under Wine an overlapped write waits behind the watcher's pending
    # WaitCommEvent (on Windows the two run side by side), so the typed
    # key goes out when the device's bytes end that wait: type first,
    # then send, then read the key at the device.
    xdotool("type", typed)
    device.send(received)
    got = read_device(device, len(typed), 20)
    check("a typed key reaches COM1" + what, got == typed.encode(), hex_pairs(got))
    settle()
    text = copy_view_text(window, hex_pairs(received))
    check("received bytes show in the view" + what, hex_pairs(received) in text, repr(text))


def send_bar(window, device):
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "F4")
    settle()
    xdotool("type", '"AT" 0D')
    xdotool("key", "Return")
    settle()
    got = read_device(device, 3, 20)
    check("the send bar sends a line", got == b"AT\r", hex_pairs(got))
    xdotool("key", "Escape")
    settle()


def reconnect(window, device):
    device.unplug()
    time.sleep(3)  # the program notices and waits for the device
    device.plug_in()
    # It opens the device again within a second or so of its return and may
    # clear what came before, so the device keeps sending until it shows.
    text = ""
    deadline = time.monotonic() + 30
    while "5A " not in text and time.monotonic() < deadline:
        device.send(b"\x5a")
        text = copy_view_text(window, "5A ", 1)
    check("after an unplug the device is connected again by itself", "5A " in text, repr(text))
    exchange(window, device, "b", b"\x42\x43", " after the reconnection")


def quit_program(window, program):
    xdotool("windowfocus", "--sync", window)
    settle()
    xdotool("key", "alt+f")
    settle()
    xdotool("key", "x")
    try:
        status = program.wait(60)
    except subprocess.TimeoutExpired:
        status = None
    check("File > 종료 ends the program with status 0", status == 0, str(status))


def check_settings():
    # The send bar was shown and hidden again: no change, nothing written.
    check("the registry holds only what changed", registry_value("Terminal", "SendBar") is None,
          str(registry_value("Terminal", "SendBar")))
    check("the registry keeps the send bar's history", registry_value("SendHistory", "Item1") == '"AT" 0D',
          str(registry_value("SendHistory", "Item1")))
    check("the user's own registry values stay as they were",
          registry_value("Terminal", "FrameGapMs") == "250" and registry_value("Ports", "COM3") == "COM9")


def main():
    folder = tempfile.mkdtemp(prefix="tessaline-smoke-")
    device = Device(os.path.join(folder, "COM1"))
    run("wine", "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", "COM1", "/d", device.link, "/f")
    seed_settings()
    # The port table is read when the Wine server starts.
    run("wineserver", "-k")
    run("wineserver", "-w")
    check_console()

    log = os.path.join(folder, "receive.bin")
    program = subprocess.Popen(["wine", EXE, "--log", "Z:" + log.replace("/", "\\")], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        window = find_window(program, 120)
        if not check("the main window appears", window != ""):
            return
        print("        title: " + xdotool("getwindowname", window), flush=True)
        if os.environ.get("SMOKE_SCREENSHOT"):
            run("import", "-window", "root", os.environ["SMOKE_SCREENSHOT"])
        choose_from_file_menu(window, 4)
        device.streaming = True
        exchange(window, device, "a", b"\x01\xab\xff\x7f", "")
        check("copying sends nothing", read_device(device, 1, 1) == b"")
        send_bar(window, device)
        reconnect(window, device)
        quit_program(window, program)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        if device.master is not None:
            device.unplug()
    with open(log, "rb") as received:
        logged = received.read().replace(b".", b"")
    check("the receive log holds the received bytes",
          logged.startswith(b"\x01\xab\xff\x7f") and b"\x5a" in logged and logged.endswith(b"\x42\x43"),
          hex_pairs(logged))
    check_settings()


main()
sys.exit(1 if failures else 0)
