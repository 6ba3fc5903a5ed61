"""End-to-end cases. The window: where it opens, what it shows, at another resolution."""
from driver import *  # noqa: F401,F403


# --- The window

@case("linux", "wine", "aarch64")
def window_opens_centred_with_the_first_choice_and_the_close_picture(t):
    t.folder.write("Kivora.ini", MENU)
    os.chmod(os.path.join(t.folder.path, "Kivora.ini"), 0o444)  # read-only, as on a CD
    t.start()
    _, x, y = t.main_window()
    w, h = layout()["client"]
    t.assertLessEqual(abs(x - (1024 - w) / 2), 1)
    t.assertLessEqual(abs(y - (768 - h) / 2), 1)
    t.assertEqual(len(t.windows()), 1, "only the main window is shown")
    shot = t.x.stable_screenshot()
    left, top, _, _ = layout()["close"]
    t.assertPixels(shot.crop(x + left, y + top, 21, 21), NORMAL, "the close picture shows the normal image")
    background = shot.pixel(x + w - 3, y + 100)
    t.assertEqual(set(shot.crop(x + w - 4, y + 30, 4, h - 30)), {background}, "an image store is visible")

    def indicator(shot, choice):
        left, top, _, _ = layout()[choice]
        return shot.crop(x + left, y + top + 6, 14, 16)
    first, second = indicator(shot, "choice1"), indicator(shot, "choice2")
    t.assertPixels(first, second, "the first and second choices are drawn alike", same=False)
    t.click((x, y), "choice2")
    t.x.run("xdotool", "mousemove", str(x + w * 7 // 10), str(y + h - 7))
    time.sleep(0.3)
    shot = t.x.stable_screenshot()
    t.assertPixels(indicator(shot, "choice1"), first, "the first choice is still drawn as selected", same=False)
    t.assertPixels(indicator(shot, "choice2"), second, "the second choice is not drawn as selected", same=False)


@case("linux")
def window_is_centred_on_a_larger_screen_and_on_the_primary_monitor_where_it_lies(t):
    # The screen, the primary monitor's rectangle where it is not the whole screen (the right
    # half of a desktop 2048 pixels wide), and where the window's centre must be.
    w, h = layout()["client"]
    for screen, monitor, centre in (((1280, 1024), None, (640, 512)), ((2048, 768), "1024,0,1024,768", (1536, 384))):
        with t.subTest(screen=screen, monitor=monitor):
            x = Xvfb(*screen)
            try:
                t.folder.write("Kivora.ini", MENU)
                env = dict(x.env, LD_PRELOAD=ARGS.monitor, KIVORA_TEST_MONITOR=monitor) if monitor else x.env
                proc = subprocess.Popen([t.folder.exe], env=env, stderr=subprocess.PIPE, text=True)
                t.procs.append(proc)
                window = wait_for(lambda: [v for v in x.visible_windows(proc.pid) if x.geometry(v)[2:] == (w, h)])
                t.assertTrue(window, "the launcher's window did not appear")
                wx, wy, _, _ = x.geometry(window[0])
                t.assertLessEqual(abs(wx + w / 2 - centre[0]), 1, "not centred across")
                t.assertLessEqual(abs(wy + h / 2 - centre[1]), 1, "not centred down")
            finally:
                x.close()


@case("wine")
def at_144_dpi_everything_scales_by_one_and_a_half(t):
    t.folder.write("Kivora.ini", MENU)
    t.b.prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", 144)
    try:
        t.start()
        _, x, y = t.main_window(dpi=144)
        check_drawn_at_144_dpi(t, x, y)
    finally:
        for p in t.procs:
            p.kill()
            p.wait(timeout=10)
        t.b.prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", 96)


@case("wine")
def moved_to_a_144_dpi_screen_the_window_lays_out_again(t):
    t.folder.write("Kivora.ini", MENU)
    t.start()
    _, x, y = t.main_window()
    w, h = layout(144)["client"]
    sent = subprocess.run(["wine", os.path.join(ARGS.windows, "win_send_dpi.exe"), "144", str(x), str(y), str(w),
                           str(h)], env=t.b.env(), capture_output=True, timeout=60)
    t.assertEqual(sent.returncode, 0, "WM_DPICHANGED was not delivered")
    t.assertTrue(wait_for(lambda: t.windows((w, h)), timeout=10), "the window kept its size")
    t.x.run("xdotool", "mousemove", str(x + w * 7 // 10), str(y + h - 7))
    check_drawn_at_144_dpi(t, x, y)


def check_drawn_at_144_dpi(t, x, y):
    shot = t.x.stable_screenshot()
    left, top, width, height = layout(144)["close"]
    # The close picture, stretched: a white cross in the middle, red above it.
    t.assertEqual(shot.pixel(x + left + width // 2, y + top + height // 2), (255, 255, 255))
    r, g, _ = shot.pixel(x + left + width // 2, y + top + 5)
    t.assertGreater(r, 150)
    t.assertLess(g, 150)
    # "Next": its face differs from the window's background just outside it.
    left, top, width, height = layout(144)["next"]
    t.assertNotEqual(shot.pixel(x + left + 3, y + top + height // 2), shot.pixel(x + left - 4, y + top + height // 2))
