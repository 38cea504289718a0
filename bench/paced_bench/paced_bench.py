#!/usr/bin/env python3
"""paced_bench: what the real program costs at real line rates.

Starts its own Xvfb and the program (connected to COM1 = a fresh
pseudo-terminal through the File menu, as a user would), then:
  * idle:  CPU ticks of the program and of the X server over --idle-secs,
           nothing sent (after --settle seconds, so start-up and the caret's
           blink time-out are over);
  * paced: for each --rates value (bytes/s), bytes written in --chunk-ms
           chunks for --secs seconds; CPU % of one core for the program and
           for the X server, from /proc/PID/stat, whether every byte was
           read, and the most the terminal held unread before a chunk (a
           real UART keeps 4 KiB; beyond that it would lose bytes), also
           from the second second on: the port is set to 9600 baud, the
           dialog's default, which a pseudo-terminal does not enforce, so
           the program cannot know the input may speed up, and the first
           second holds the jump from the rate before;
  * keys:  during a flood of --flood-secs, a key typed through the X server
           every half second, and the time until its byte reaches the wire
           (the pty's master end); the time includes starting xdotool.
Not a test: it prints figures and exits 0.

    bench/paced_bench/paced_bench.py build/app/tessaline
    bench/paced_bench/paced_bench.py build/app/tessaline --rates 11520,92160 --secs 20

Needs Xvfb and xdotool. Uses a private HOME so no settings file is touched.
"""
import argparse
import fcntl
import os
import random
import select
import pty
import struct
import subprocess
import tempfile
import threading
import termios
import time
import tty

CLK = os.sysconf("SC_CLK_TCK")
CONNECT = ("W=$(xdotool search --sync --class Tessaline | tail -1); xdotool windowfocus --sync $W; "
           "xdotool key alt+f; sleep 0.4; xdotool key Down Down Down Down; sleep 0.3; xdotool key Return")


def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        rest = f.read().rsplit(")", 1)[1].split()
    return int(rest[11]) + int(rest[12])


def unread(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


class Session:
    """An Xvfb, the program connected to a pty, and the pty's master end."""

    def __init__(self, program, display, settle):
        self.xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                     stderr=subprocess.DEVNULL)
        time.sleep(1)
        self.master, slave = pty.openpty()
        tty.setraw(slave)
        self.slave = slave
        env = dict(os.environ, DISPLAY=display, HOME=tempfile.mkdtemp(prefix="paced_bench."))
        self.env = env
        self.program = subprocess.Popen([program, "--port", "COM1=" + os.ttyname(slave)], env=env,
                                        stderr=subprocess.DEVNULL)
        # The window may take the focus only once it is shown: a Connect the
        # keys missed is tried again.
        for _ in range(3):
            subprocess.run(CONNECT, shell=True, env=env, check=False, timeout=60)
            if self.has_open(os.ttyname(slave)):
                break
            time.sleep(1)
        else:
            self.close()
            raise SystemExit("the program did not connect to %s" % os.ttyname(slave))
        time.sleep(settle)

    def has_open(self, path, wait=3.0):
        """Whether the program has `path` open within `wait` seconds."""
        fds = "/proc/%d/fd" % self.program.pid
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            for fd in os.listdir(fds):
                try:
                    if os.readlink(os.path.join(fds, fd)) == path:
                        return True
                except OSError:
                    pass
            time.sleep(0.1)
        return False

    def cpu(self, seconds, feed=None):
        """(program ticks, X ticks, elapsed s) over `seconds`, calling feed(t) every 10 ms."""
        start = time.monotonic()
        p0, x0 = ticks(self.program.pid), ticks(self.xvfb.pid)
        step = 0
        while time.monotonic() - start < seconds:
            if feed:
                feed(step)
            step += 1
            delay = start + step * feed.interval - time.monotonic() if feed else seconds
            if delay > 0:
                time.sleep(delay)
        elapsed = time.monotonic() - start
        return ticks(self.program.pid) - p0, ticks(self.xvfb.pid) - x0, elapsed

    def close(self):
        self.program.terminate()
        try:
            self.program.wait(5)
        except subprocess.TimeoutExpired:
            self.program.kill()
        self.xvfb.terminate()
        os.close(self.master)
        os.close(self.slave)


def paced(session, rate, secs, chunk_ms):
    chunk = max(1, int(rate * chunk_ms / 1000))
    pattern = bytes(range(256)) * (chunk // 256 + 2)
    sent = [0]
    most_unread = [0, 0]  # over the whole run, and from its second second on

    def feed(step):
        # What the terminal still holds just before the next chunk: a real
        # UART's line discipline keeps 4 KiB, so more than that would be lost.
        # The first second holds the jump from the rate before.
        held = unread(session.slave)
        most_unread[0] = max(most_unread[0], held)
        if step * chunk_ms >= 1000:
            most_unread[1] = max(most_unread[1], held)
        offset = step % 256
        os.write(session.master, pattern[offset:offset + chunk])
        sent[0] += chunk
    feed.interval = chunk_ms / 1000.0
    prog, xsrv, elapsed = session.cpu(secs, feed)
    deadline = time.monotonic() + 10
    while unread(session.slave) and time.monotonic() < deadline:
        time.sleep(0.05)
    left = unread(session.slave)
    print("paced %7d B/s (%d baud): program %5.2f %%  X server %5.2f %%  total %5.2f %%  (%d B, %d left unread, "
          "at most %d B in the terminal, %d B after the first second)"
          % (rate, rate * 10, 100.0 * prog / CLK / elapsed, 100.0 * xsrv / CLK / elapsed,
             100.0 * (prog + xsrv) / CLK / elapsed, sent[0], left, most_unread[0], most_unread[1]), flush=True)


def keys_during_flood(session, secs):
    stop = threading.Event()
    sent = [0]

    def flood():
        block = bytes(random.getrandbits(8) for _ in range(4096))
        while not stop.is_set():
            sent[0] += os.write(session.master, block)
    writer = threading.Thread(target=flood, daemon=True)
    writer.start()
    delays = []
    start = time.monotonic()
    while time.monotonic() - start < secs:
        typed = time.monotonic()
        subprocess.run(["xdotool", "key", "x"], env=session.env, check=False)
        seen = False
        while not seen and time.monotonic() - typed < 2:
            ready, _, _ = select.select([session.master], [], [], 0.05)
            if ready:
                seen = b"x" in os.read(session.master, 4096)
        delays.append((time.monotonic() - typed) * 1000 if seen else float("inf"))
        time.sleep(0.5)
    stop.set()
    writer.join()
    print("keys during a flood of %.1f MB: %d typed, key to wire max %.0f ms, median %.0f ms"
          % (sent[0] / 1e6, len(delays), max(delays), sorted(delays)[len(delays) // 2]), flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("program")
    ap.add_argument("--rates", default="11520,92160", help="bytes/s, comma-separated (115200 and 921600 8N1)")
    ap.add_argument("--secs", type=float, default=20)
    ap.add_argument("--chunk-ms", type=float, default=10)
    ap.add_argument("--idle-secs", type=float, default=10)
    ap.add_argument("--settle", type=float, default=12)
    ap.add_argument("--flood-secs", type=float, default=5)
    ap.add_argument("--display", default=":93")
    args = ap.parse_args()
    session = Session(args.program, args.display, args.settle)
    try:
        prog, xsrv, elapsed = session.cpu(args.idle_secs)
        print("idle over %.0f s: program %d ticks, X server %d ticks" % (elapsed, prog, xsrv), flush=True)
        for rate in (int(r) for r in args.rates.split(",")):
            paced(session, rate, args.secs, args.chunk_ms)
        if args.flood_secs > 0:
            keys_during_flood(session, args.flood_secs)
    finally:
        session.close()


if __name__ == "__main__":
    main()
