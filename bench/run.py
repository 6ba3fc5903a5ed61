#!/usr/bin/env python3
"""make bench: first paint and peak RSS of the launcher against the floors of
a GTK program and of the display and against zenity and yad, the menu reader
on a huge file, a start through autorun.sh against a direct one, the launch
latency against a bare GTK window's, and for
Windows the size of Kivora.exe and its first paint under Wine against a bare
Win32 window's. Prints a table and writes build/bench/results.md."""
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
ROUNDS = int(os.environ.get("BENCH_ROUNDS", "15"))
MENU = b"Choose\nFirst\nSecond\nThird\none\ntwo\nthree\n"


def probe(x, argv, env, settle=False):
    """First paint in ms and peak RSS in MiB, and with settle the time of the
    window's last change in ms. The probe first moves the pointer to the
    screen's corner, away from every window."""
    out = subprocess.run([os.path.join(LINUX, "bench", "bench_paint_probe")] + (["--settle"] if settle else []) + argv,
                         env=env, capture_output=True, text=True, timeout=30).stdout.split()
    return (float(out[0]), int(out[1]) / 1024.0) + ((float(out[2]),) if settle else ())


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


def autorun_cost(x, folder):
    """First paint through `sh autorun.sh`, as a desktop starts it, and of the launcher started directly,
    interleaved, three times as many rounds as the table, since the difference is a few per cent."""
    shutil.copy(os.path.join(ROOT, "dist", "autorun.sh"), folder)
    programs = {"direct": [os.path.join(folder, "kivora")], "autorun": ["/bin/sh", os.path.join(folder, "autorun.sh")]}
    times = {name: [] for name in programs}
    for _ in range(3 * ROUNDS):
        for name, argv in programs.items():
            times[name].append(probe(x, argv, x.env)[0])
    direct, autorun = statistics.median(times["direct"]), statistics.median(times["autorun"])
    return ["", "| start | first paint median ms | min–max ms |", "|---|---|---|",
            f"| kivora | {direct:.1f} | {min(times['direct']):.1f}–{max(times['direct']):.1f} |",
            f"| sh autorun.sh | {autorun:.1f} | {min(times['autorun']):.1f}–{max(times['autorun']):.1f} |",
            "", f"A start through autorun.sh: {autorun / direct:.3f} times a direct one, {autorun - direct:+.1f} ms "
            f"({3 * ROUNDS} rounds each, NO_AT_BRIDGE=1)."]


def launch_latency(x, program, clicks=50):
    """Release on "Next" (XTest, from bench_click_probe) to the started
    program's first act in main(), which it stamps with CLOCK_MONOTONIC; the
    started program is linked statically, so that little runs before main.
    program is the launcher's argv for a folder whose targets are ./child."""
    path = tempfile.mkdtemp(prefix="kivora-bench-")
    shutil.copy(os.path.join(LINUX, "bench", "bench_stamp_child"), os.path.join(path, "child"))
    argv = [a.replace("{folder}", path) for a in program(path)]
    x.run("xdotool", "mousemove", "0", "0")  # away from where the window comes
    launcher = subprocess.Popen(argv, env=x.env)
    try:
        window = None
        for _ in range(100):
            found = x.run("xdotool", "search", "--onlyvisible", "--pid", str(launcher.pid)).split()
            if found:
                window = found[0]
                break
            time.sleep(0.05)
        wx, wy, _, _ = x.geometry(window)
        time.sleep(0.3)
        out = subprocess.run([os.path.join(LINUX, "bench", "bench_click_probe"), str(wx + 212), str(wy + 207),
                              os.path.join(path, "child.out"), str(clicks)],
                             env=x.env, capture_output=True, text=True, timeout=120).stdout.split()
    finally:
        launcher.kill()
        launcher.wait()
        shutil.rmtree(path)
    if len(out) != clicks:  # each click is past the double-click time of the last start, so each one starts
        raise SystemExit(f"bench: {len(out)} of {clicks} clicks on Next started the program")
    return [float(v) for v in out]


def kivora_in(path):
    shutil.copy(os.path.join(LINUX, "kivora"), path)
    with open(os.path.join(path, "Kivora.ini"), "wb") as f:
        f.write(b"P\nA\nB\nC\nchild\nchild\nchild\n")
    return [os.path.join(path, "kivora")]


def bare_gtk_in(path):
    return [os.path.join(LINUX, "bench", "bench_bare_gtk"), os.path.join(path, "child")]


def wine_first_paint(x):
    """Kivora.exe and the bare Win32 window under Wine, interleaved, with one
    wineserver kept running for the whole run so that no round starts it.

    Two things make Wine's start-up times swing by more than the difference
    being measured, and both are held still here. Wine ends its desktop
    process (explorer.exe) and its services about half a second after the
    last program of the session has ended, so that the next start pays for
    starting them again (about 100 ms, and 500 ms for the first start in a
    new prefix): a console program in the prefix keeps the session open for
    the whole run, as a Windows session is open when a user starts the
    launcher. And a start that Wine spreads over both processors is sometimes
    40 ms slower than one kept on one, depending on where the scheduler puts
    the program, wineserver and the X server: all of them are held on one
    processor for these rows."""
    from winerig import WinePrefix
    windows = os.path.join(ROOT, "build", "windows")
    folder = tempfile.mkdtemp(prefix="kivora-bench-")
    shutil.copy(os.path.join(windows, "Kivora.exe"), folder)
    with open(os.path.join(folder, "Kivora.ini"), "wb") as f:
        f.write(MENU.replace(b"\n", b"\r\n"))
    cpus, xvfb_cpus = os.sched_getaffinity(0), os.sched_getaffinity(x.proc.pid)
    one = {min(cpus)}
    os.sched_setaffinity(0, one)
    os.sched_setaffinity(x.proc.pid, one)
    wine = WinePrefix(x.env)
    env = dict(wine.env)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=env)
    session = subprocess.Popen(["wine", "cmd", "/k"], env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    programs = {"Kivora.exe under Wine": ["wine", os.path.join(folder, "Kivora.exe")],
                "bare Win32 window under Wine": ["wine", os.path.join(windows, "bench_bare_win32.exe")]}
    times = {name: [] for name in programs}
    rss = {name: [] for name in programs}
    settled = {name: [] for name in programs}
    try:
        for round in range(ROUNDS + 1):  # the first, while the session starts, is not counted
            for name, argv in programs.items():
                ms, mib, last = probe(x, [shutil.which(argv[0])] + argv[1:], env, settle=True)
                time.sleep(0.3)  # let the ended process leave the server
                if round > 0:
                    times[name].append(ms)
                    rss[name].append(mib)
                    settled[name].append(last)
    finally:
        session.stdin.close()
        wine.close()
        session.wait(timeout=30)
        server.wait(timeout=30)
        shutil.rmtree(folder)
        os.sched_setaffinity(0, cpus)
        os.sched_setaffinity(x.proc.pid, xvfb_cpus)
    return times, rss, settled


def exe_size():
    """The size of Kivora.exe and the DLLs it imports, when it is built."""
    exe = os.path.join(ROOT, "build", "windows", "Kivora.exe")
    if not os.path.exists(exe):
        return []
    dlls = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
    imports = sorted(l.split(":")[1].strip() for l in dlls.splitlines() if "DLL Name" in l)
    return ["", f"Kivora.exe: {os.path.getsize(exe) / 1024:.1f} KiB ({os.path.getsize(exe)} bytes), "
                f"imports {', '.join(imports)}"]


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
    lines += autorun_cost(x, small)
    lines += ["", "| launch latency, release on Next to the started program's main | median ms | min–max ms |",
              "|---|---|---|"]
    for name, program in (("kivora", kivora_in), ("bare GTK 3 window, plain posix_spawn", bare_gtk_in)):
        t = launch_latency(x, program)
        lines.append(f"| {name} ({len(t)} clicks) | {statistics.median(t):.2f} | {min(t):.2f}–{max(t):.2f} |")
    if os.path.exists(os.path.join(ROOT, "build", "windows", "bench_bare_win32.exe")):
        times, rss, settled = wine_first_paint(x)
        floor = statistics.median(times["bare Win32 window under Wine"])
        settled_floor = statistics.median(settled["bare Win32 window under Wine"])
        lines += ["", "| program | first paint median ms | min–max ms | × bare Win32 | settled median ms | "
                  "min–max ms | × bare Win32 | peak RSS median MiB |", "|---|---|---|---|---|---|---|---|"]
        for name, t in times.items():
            s = settled[name]
            lines.append(f"| {name} | {statistics.median(t):.1f} | {min(t):.1f}–{max(t):.1f} | "
                         f"{statistics.median(t) / floor:.2f} | {statistics.median(s):.1f} | {min(s):.1f}–{max(s):.1f} | "
                         f"{statistics.median(s) / settled_floor:.2f} | {statistics.median(rss[name]):.1f} |")
        lines += ["", "Settled: the last change of the centred launcher-sized area, once it has kept still for a "
                  "second. Under Wine: one processor for Wine and the X server, and the Wine session kept open "
                  "for the whole run (see bench/run.py)."]
    lines += exe_size()
    lines += ["", f"{ROUNDS} rounds each, interleaved, one Xvfb 1024x768 (-noreset); before each start the pointer "
              "is moved to the screen's corner, away from every window."]
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
