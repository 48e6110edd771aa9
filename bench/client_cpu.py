#!/usr/bin/python3
"""CPU and memory of the running client under Wine, against a floor program that only runs a
1 ms timer on a hidden window. Each program runs an idle phase and a phase with injected
input (about 100 events a second); the script prints CPU seconds and peak resident memory of
each, and the ratios. The same floor with the DirectInput mouse and keyboard acquired (and
never read) runs too, as a reference: what DirectInput alone costs under Wine; and the floor
that reads both devices on every tick, the least a program sampling them every millisecond can
cost. The client runs twice: as it starts by default, and with the distance display open in
Speed mode. Not a test: run it by hand on a quiet machine.

    bench/client_cpu.py [--seconds 60]
"""
import argparse
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import BUILD_WIN, ClientSession, Display, Input, WinePrefix, wine_binary  # noqa

import subprocess

TICK = 100  # clock ticks per second of /proc/<pid>/stat


def find_pid(exe_name):
    """The Wine process of a Windows program: its command line names the .exe."""
    for proc in Path("/proc").iterdir():
        if not proc.name.isdigit():
            continue
        try:
            cmd = (proc / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if cmd.replace("\\", "/").endswith("/" + exe_name):
            return int(proc.name)
    return None


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_rss_mb(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1]) / 1024
    return 0.0


def inject(inp, seconds):
    """About 100 events a second: pointer steps with a key press every tenth event."""
    chain = []
    for i in range(int(seconds * 100)):
        if i % 10 == 9:
            chain += ["key", "--delay", "0", "shift"]
        else:
            chain += ["mousemove_relative", "--", "3" if (i // 50) % 2 == 0 else "-3", "0"]
        chain += ["sleep", "0.01"]
    subprocess.run(["xdotool"] + chain, env=inp.env, timeout=seconds * 3)


def measure(pid, seconds, action=None):
    start = cpu_seconds(pid)
    if action:
        action()
    else:
        time.sleep(seconds)
    return cpu_seconds(pid) - start


def run(name, start, exe_name, display, seconds):
    prefix = WinePrefix(display)
    try:
        start(prefix)
        time.sleep(5)
        pid = find_pid(exe_name)
        inp = Input(display)
        inp.move_to(300, 300)
        idle = measure(pid, seconds)
        active = measure(pid, seconds, lambda: inject(inp, seconds))
        return {"name": name, "idle": idle, "active": active, "rss": peak_rss_mb(pid)}
    finally:
        prefix.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=60)
    args = parser.parse_args()
    display = Display()
    try:
        def start_client(prefix):
            ClientSession(prefix, display).start()

        def start_client_display(prefix):
            ClientSession(prefix, display, settings={
                "MoreClics": "False", "DDStartOpen": "True", "DDCurrent": "False",
                "DDSpeed": "True"}).start()

        def start_floor(*extra):
            return lambda prefix: prefix.start([BUILD_WIN / "floor_win32.exe", *extra])

        client = run("client", start_client, "TheWandrel.exe", display, args.seconds)
        speed = run("client+DS", start_client_display, "TheWandrel.exe", display, args.seconds)
        floor = run("floor", start_floor(), "floor_win32.exe", display, args.seconds)
        dinput = run("floor+DI", start_floor("dinput"), "floor_win32.exe", display,
                     args.seconds)
        reading = run("floor+rd", start_floor("read"), "floor_win32.exe", display, args.seconds)
    finally:
        display.stop()
    for r in (client, speed, floor, dinput, reading):
        print(f"{r['name']:9} idle {r['idle']:6.2f} s CPU  input {r['active']:6.2f} s CPU  "
              f"peak memory {r['rss']:6.1f} MB")
    for program in (client, speed):
        for base in (floor, dinput, reading):
            print(f"{program['name']:9} / {base['name']:8} "
                  f"idle {program['idle'] / max(base['idle'], 0.01):.2f}  "
                  f"input {program['active'] / max(base['active'], 0.01):.2f}  "
                  f"memory {program['rss'] - base['rss']:+.1f} MB")


if __name__ == "__main__":
    main()
