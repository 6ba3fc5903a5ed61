#!/usr/bin/env python3
"""make bench: first paint and peak RSS of the launcher against the floors of
a GTK program and of the display, the menu reader on a huge file, and the
size of Kivora.exe. Prints a table and writes build/bench/results.md."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from xrig import Xvfb  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
LINUX = os.path.join(ROOT, "build", "linux")
ROUNDS = 15
MENU = b"Choose\nFirst\nSecond\nThird\none\ntwo\nthree\n"


def probe(x, argv, env):
    out = subprocess.run([os.path.join(LINUX, "bench", "bench_paint_probe")] + argv, env=env,
                         capture_output=True, text=True, timeout=30).stdout.split()
    return float(out[0]), int(out[1]) / 1024.0


def folder_with(menu_writer):
    path = tempfile.mkdtemp(prefix="kivora-bench-")
    shutil.copy(os.path.join(LINUX, "kivora"), path)
    menu_writer(os.path.join(path, "Kivora.ini"))
    return path


def small_menu(path):
    with open(path, "wb") as f:
        f.write(MENU)


def huge_menu(path):
    with open(path, "wb") as f:
        f.write(MENU)
        f.truncate(1 << 30)  # 1 GiB; all past the seven lines is zeros


def launch_latency(x, clicks=50):
    """Click on "Next" (XTest, through xdotool) to the child's first
    instruction, which the child stamps with CLOCK_MONOTONIC. "Next" is clicked
    on the release, so the button goes down first and the clock starts just
    before the xdotool that releases it; starting xdotool itself is measured
    apart and given beside it."""
    path = tempfile.mkdtemp(prefix="kivora-bench-")
    shutil.copy(os.path.join(LINUX, "kivora"), path)
    shutil.copy(os.path.join(LINUX, "tests", "record_args"), os.path.join(path, "child"))
    with open(os.path.join(path, "Kivora.ini"), "wb") as f:
        f.write(b"P\nA\nB\nC\nchild\nchild\nchild\n")
    launcher = subprocess.Popen([os.path.join(path, "kivora")], env=x.env)
    out = os.path.join(path, "child.out")
    upper, lower = [], []
    try:
        window = None
        for _ in range(100):
            found = x.run("xdotool", "search", "--onlyvisible", "--pid", str(launcher.pid)).split()
            if found:
                window = found[0]
                break
            time.sleep(0.05)
        wx, wy, _, _ = x.geometry(window)
        x.run("xdotool", "mousemove", str(wx + 212), str(wy + 207))
        time.sleep(0.3)
        for _ in range(clicks):
            if os.path.exists(out):
                os.remove(out)
            subprocess.run(["xdotool", "mousedown", "1"], env=x.env, check=True)
            time.sleep(0.03)
            before = time.monotonic_ns()
            subprocess.run(["xdotool", "mouseup", "1"], env=x.env, check=True)
            t0 = time.monotonic_ns()
            subprocess.run(["xdotool", "getmouselocation"], env=x.env, capture_output=True, check=True)
            after = time.monotonic_ns()
            for _ in range(2000):
                if os.path.exists(out):
                    break
                time.sleep(0.001)
            with open(out) as f:
                stamp = int(f.read().split("mono:")[1])
            upper.append((stamp - before) / 1e6)
            lower.append((after - t0) / 1e6)  # what one xdotool run costs
            time.sleep(0.05)
    finally:
        launcher.kill()
        launcher.wait()
        shutil.rmtree(path)
    return statistics.median(lower), statistics.median(upper)


def main():
    # -noreset: the server keeps its state when the last client leaves, so no
    # round pays for loading the renderer again.
    x = Xvfb(1024, 768)
    small, huge = folder_with(small_menu), folder_with(huge_menu)
    programs = {
        "kivora": [os.path.join(small, "kivora")],
        "kivora, 1 GiB menu file": [os.path.join(huge, "kivora")],
        "bare GTK 3 window": [os.path.join(LINUX, "bench", "bench_bare_gtk")],
        "bare Xlib window": [os.path.join(LINUX, "bench", "bench_bare_xlib")],
    }
    for name, argv in (("zenity --list --radiolist", ["zenity", "--list", "--radiolist", "--column=", "--column=x",
                                                       "TRUE", "a", "FALSE", "b", "FALSE", "c"]),
                       ("yad --list --radiolist", ["yad", "--list", "--radiolist", "--column=", "--column=x",
                                                   "TRUE", "a", "FALSE", "b", "FALSE", "c"])):
        if shutil.which(argv[0]):
            programs[name] = [shutil.which(argv[0])] + argv[1:]

    results = {}
    for bridge in ("NO_AT_BRIDGE=1", "with the AT bridge"):
        env = dict(x.env)
        if bridge != "NO_AT_BRIDGE=1":
            env.pop("NO_AT_BRIDGE", None)
        times = {name: [] for name in programs}
        rss = {name: [] for name in programs}
        for _ in range(ROUNDS):  # interleaved: A B C A B C ...
            for name, argv in programs.items():
                ms, mib = probe(x, argv, env)
                times[name].append(ms)
                rss[name].append(mib)
        results[bridge] = (times, rss)

    lines = ["| program | env | first paint median ms | min–max ms | × bare GTK | peak RSS median MiB |",
             "|---|---|---|---|---|---|"]
    for bridge, (times, rss) in results.items():
        floor = statistics.median(times["bare GTK 3 window"])
        for name in programs:
            t = times[name]
            lines.append(f"| {name} | {bridge} | {statistics.median(t):.1f} | {min(t):.1f}–{max(t):.1f} | "
                         f"{statistics.median(t) / floor:.2f} | {statistics.median(rss[name]):.1f} |")
    xdotool, total = launch_latency(x)
    lines += ["", f"Launch latency, release on Next to the child's first instruction, median of 50: "
              f"{total:.2f} ms from the start of the xdotool that releases; one xdotool run alone "
              f"takes {xdotool:.2f} ms, so the launcher's part is about {total - xdotool:.2f} ms."]
    exe = os.path.join(ROOT, "build", "windows", "Kivora.exe")
    if os.path.exists(exe):
        dlls = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
        imports = sorted(l.split(":")[1].strip() for l in dlls.splitlines() if "DLL Name" in l)
        lines += ["", f"Kivora.exe: {os.path.getsize(exe) / 1024:.1f} KiB, imports {', '.join(imports)}"]
    lines += ["", f"{ROUNDS} rounds each, interleaved, one Xvfb 1024x768 (-noreset)."]
    table = "\n".join(lines)
    print(table)
    os.makedirs(os.path.join(ROOT, "build", "bench"), exist_ok=True)
    with open(os.path.join(ROOT, "build", "bench", "results.md"), "w") as f:
        f.write(table + "\n")
    x.close()
    shutil.rmtree(small)
    shutil.rmtree(huge)


if __name__ == "__main__":
    main()
