"""End-to-end cases. Valgrind over the Linux launcher."""
from driver import *  # noqa: F401,F403


# --- Valgrind over the Linux launcher

def faults_of_our_own(log, exe):
    """The memory errors and the definitely lost blocks in a valgrind log that
    are the launcher's own: an error whose first three frames reach into the
    launcher's executable, a block whose first frame past the allocators is
    in it. Those of the libraries (fontconfig keeps blocks it no longer points
    to; ld.so's strncmp reads past a short string) are theirs, whoever called
    them."""
    allocators = ("vgpreload_memcheck", "libstdc++", "g_malloc", "g_malloc0", "g_realloc", "g_strdup",
                  "g_strndup", "g_memdup", "g_slice_alloc", "g_try_malloc")
    errors = ("Invalid read", "Invalid write", "Invalid free", "Conditional jump", "uninitialised",
              "Mismatched free", "Source and destination overlap")
    ours = []
    for record in re.split(r"==\d+== \n", log):
        lines = [line.split("== ", 1)[-1] for line in record.splitlines()]
        frames = [line for line in lines if line.lstrip().startswith(("at 0x", "by 0x"))]
        mine = [f"(in {exe})" in f or "kivora::" in f for f in frames]
        if any(e in record for e in errors) and any(mine[:3]):
            ours.append("\n".join(lines[:8]))
        if "are definitely lost" in record:
            first = next((i for i, f in enumerate(frames) if not any(a in f for a in allocators)), None)
            if first is not None and mine[first]:
                ours.append("\n".join(lines[:8]))
    return ours


def under_valgrind(t, menu, act):
    t.b.install_recorder(t.folder, "inst/one")
    t.folder.write("Kivora.ini", menu)
    log = os.path.join(t.folder.path, "valgrind.log")
    proc = t.start(prefix=("valgrind", "--leak-check=full", "--show-leak-kinds=definite", "--num-callers=30",
                           f"--log-file={log}"))
    status = act(proc)
    with open(log) as f:
        text = f.read()
    t.assertIn("LEAK SUMMARY", text, "valgrind did not finish")
    t.assertEqual(faults_of_our_own(text, t.folder.exe), [])
    return status


@case("linux")
def the_launcher_leaks_nothing_it_allocates(t):
    def launch_then_escape(proc):
        window, x, y = t.main_window(timeout=60)
        t.click((x, y), "next")
        t.assertIsNotNone(t.record("inst/one", timeout=20)[0], "nothing started")
        t.x.key(window, "Escape")
        return proc.wait(timeout=60)
    t.assertEqual(under_valgrind(t, b"P\r\nA\r\nB\r\nC\r\ninst\\one\r\nb\r\nc\r\n", launch_then_escape), 0)


@case("linux")
def the_error_report_leaks_nothing_either(t):
    def dismiss(proc):
        box = wait_for(lambda: t.windows(), timeout=60)
        t.assertTrue(box, "no report under valgrind")
        time.sleep(1)
        t.x.key(box[0], "Return")
        return proc.wait(timeout=60)
    t.assertEqual(under_valgrind(t, b"1\r\n2\r\n3\r\n", dismiss), 2)
