"""End-to-end cases. Both launchers on one menu: what each shows, compared."""
from driver import *  # noqa: F401,F403


# --- Both launchers on one menu

LONG_MENU = ("Choose what to start from this disc, then press Next to begin the installation\r\n"
             "Custom\r\n"
             "Standard installation, with every component that most users will need and want\r\n"
             "Tools\r\na\r\nb\r\nc\r\n").encode("ascii")
WHOLE_MENU = b"Choose what to start:\r\nFirst\r\nSecond\r\nThird\r\na\r\nb\r\nc\r\n"


def last_ink(shot, x, y, rect):
    """The last column, in the window at (x, y) and within rect, that holds text (dark pixels)."""
    left, top, width, height = rect
    columns = [left + i for i in range(width)
               if any(sum(shot.pixel(x + left + i, y + top + j)) < 300 for j in range(height))]
    return columns[-1] if columns else None


@case("both")
def both_launchers_show_the_same_prompt_and_captions(t):
    """The same menu on both back ends: the prompt widens to show itself whole, or is cut
    with an ellipsis at the same place; a long choice is cut within its control."""
    w, _ = layout()["client"]
    prompt, choice = layout()["prompt"], layout()["choice2"]
    linux_folder = Folder(ARGS.linux)
    try:
        for menu in (WHOLE_MENU, LONG_MENU):
            shown = {}
            for backend, folder in ((t.linux, linux_folder), (t.b, t.folder)):
                folder.write("Kivora.ini", menu)
                proc = t.start(backend=backend, folder=folder)
                _, x, y = t.main_window()
                shot = t.x.stable_screenshot()
                choice_right = choice[0] + choice[2]
                shown[backend.name] = (last_ink(shot, x, y, (0, prompt[1], w, prompt[3])),
                                       last_ink(shot, x, y, choice),
                                       last_ink(shot, x, y, (choice_right, choice[1], w - choice_right, choice[3])))
                proc.kill()
                proc.wait(timeout=10)
                t.b.settle()
            (linux_prompt, linux_choice, _), (wine_prompt, wine_choice, _) = shown["linux"], shown["wine"]
            # The two draw the same font with other rasterisers: a cut may fall one character apart.
            t.assertLessEqual(abs(linux_prompt - wine_prompt), 12, f"the prompt ends apart: {shown}")
            t.assertLessEqual(abs(linux_choice - wine_choice), 12, f"the second choice ends apart: {shown}")
            for name, (prompt_end, choice_end, overflow) in shown.items():
                if menu == WHOLE_MENU:
                    t.assertGreater(prompt_end, prompt[0] + prompt[2], f"{name}: the prompt is cut at its stored width")
                else:
                    t.assertIn(prompt_end, range(w - prompt[0] - 30, w - prompt[0]), f"{name}: the prompt's end")
                    t.assertGreater(choice_end, choice[0] + choice[2] - 40, f"{name}: the choice is cut short")
                    t.assertIsNone(overflow, f"{name}: the choice runs over its control")
    finally:
        linux_folder.remove()


ACCESS_KEY_MENU = (b"&Pick one\r\nR&D Tools\r\nTom && Jerry && Spike && Tyke && Butch && Nibbles\r\n&Custom\r\n"
                   b"inst\\one\r\ninst\\two prog\r\ninst\\three\r\n")


@case("both")
def both_launchers_take_ampersands_as_access_keys(t):
    """"&" marks an access key and "&&" shows one "&", on both back ends: the
    captions end at the same place, and Alt with a choice's key chooses it."""
    linux_folder = Folder(ARGS.linux)
    try:
        ends = {}
        for backend, folder in ((t.linux, linux_folder), (t.b, t.folder)):
            for name in ("inst/one", "inst/two prog", "inst/three"):
                backend.install_recorder(folder, name)
            folder.write("Kivora.ini", ACCESS_KEY_MENU)
            proc = t.start(backend=backend, folder=folder)
            window, x, y = t.main_window()
            shot = t.x.stable_screenshot()
            ends[backend.name] = [last_ink(shot, x, y, layout()[c]) for c in ("choice1", "choice2", "choice3")]
            t.x.key(window, "alt+c", "Return")
            found = wait_for(lambda: backend.record(folder, "inst/three"), timeout=10)
            t.assertIsNotNone(found, f"{backend.name}: Alt+C then Enter did not start the third choice")
            t.assertIsNone(backend.record(folder, "inst/one"), f"{backend.name}: the first choice started")
            proc.kill()
            proc.wait(timeout=10)
            t.b.settle()
        # Five "&" more or fewer would put them some 45 pixels apart.
        for linux_end, wine_end in zip(ends["linux"], ends["wine"]):
            t.assertLessEqual(abs(linux_end - wine_end), 12, f"the captions end apart: {ends}")
    finally:
        linux_folder.remove()
