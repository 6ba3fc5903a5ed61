"""End-to-end cases. The close picture, and what a screen reader is told."""
from driver import *  # noqa: F401,F403


# --- The close picture

@case("linux", "wine", "aarch64")
def every_button_shows_the_pressed_look_and_ends_on_release_even_off_the_picture(t):
    t.launch_menu()
    left, top, _, _ = layout()["close"]
    cx, cy = centre("close")
    for button in ("1", "2", "3"):
        with t.subTest(button=button):
            if button != "1":
                t.proc = t.start()
                _, *t.at = t.main_window()
            wx, wy = t.at
            t.x.run("xdotool", "mousemove", str(wx + cx), str(wy + cy), "sleep", "0.2", "mousedown", button)
            time.sleep(0.3)
            shot = t.x.stable_screenshot()
            t.assertPixels(shot.crop(wx + left, wy + top, 21, 21), PRESSED, "not drawn pressed")
            t.assertIsNone(t.proc.poll(), "ended before the release")
            if button == "3":  # released off the picture: it still ends
                nx, ny = centre("next")
                t.x.run("xdotool", "mousemove", str(wx + nx), str(wy + ny), "sleep", "0.2")
            t.x.run("xdotool", "mouseup", button)
            t.assertEqual(t.ended(t.proc), 0)
            t.b.settle()


@case("linux", "wine")
def a_press_elsewhere_released_over_the_picture_does_not_end(t):
    t.launch_menu()
    wx, wy = t.at
    w, h = layout()["client"]
    left, top, _, _ = layout()["close"]
    cx, cy = centre("close")
    for button in ("1", "3"):
        with t.subTest(button=button):
            t.x.run("xdotool", "mousemove", str(wx + w * 7 // 10), str(wy + h - 7), "sleep", "0.2",
                    "mousedown", button, "sleep", "0.2", "mousemove", str(wx + cx), str(wy + cy), "sleep", "0.2",
                    "mouseup", button)
            time.sleep(0.5)
            t.assertIsNone(t.proc.poll(), "the launcher ended")
            t.x.run("xdotool", "mousemove", str(wx + w * 7 // 10), str(wy + h - 7))
            shot = t.x.stable_screenshot()
            t.assertPixels(shot.crop(wx + left, wy + top, 21, 21), NORMAL, "the close picture is not drawn normal")
    t.click(t.at, "close")  # and a press on the picture still ends it
    t.assertEqual(t.ended(t.proc), 0)


@case("linux")
def started_programs_run_on_after_the_launcher_ends(t):
    t.launch_menu()
    t.click(t.at, "choice3")  # the third target lingers
    t.click(t.at, "next")
    _, record = t.record("inst/three")
    t.assertIsNotNone(record)
    child = int(record.split("pid:")[1].split()[0])
    t.click(t.at, "close")
    t.assertEqual(t.ended(t.proc), 0)
    os.kill(child, 0)  # raises if the started program died with the launcher


# --- What a screen reader is told

@case("wine")
def a_screen_reader_reads_the_window_in_the_order_it_is_seen(t):
    """Through the accessibility API: the prompt, the three choices, "Next"
    and the close picture, a push button named "Close" that a screen reader
    can press. Wine 8's oleacc tells the standard controls as client areas
    with their text, without their roles or the check that Windows's own
    gives them, so only their order, names and focus are read here; the close
    picture's object is the launcher's own."""
    t.folder.write("Kivora.ini", MENU)
    proc = t.start()
    t.main_window()
    helper = os.path.join(ARGS.windows, "win_accessible.exe")

    def read(*args):
        out = subprocess.run(["wine", helper, *args], env=t.b.env(), capture_output=True, timeout=60)
        rows = [line.split("\t") for line in out.stdout.decode("utf-8").splitlines()]
        return out.returncode, [(int(role), int(state, 16), name, action) for role, state, name, action in rows]

    status, children = read()
    t.assertEqual(status, 0)
    t.assertEqual([name for _, _, name, _ in children], ["Choose one", "First", "Second", "Third", "Next", "Close"])
    focused = [name for _, state, name, _ in children if state & 0x4]  # STATE_SYSTEM_FOCUSED
    t.assertEqual(focused, ["First"])
    role, _, _, action = children[-1]
    t.assertEqual((role, action), (0x2B, "Press"), "the close picture is no push button")  # ROLE_SYSTEM_PUSHBUTTON
    t.assertEqual(read("press", "Close")[0], 0, "the close picture could not be pressed")
    t.assertEqual(t.ended(proc), 0)
