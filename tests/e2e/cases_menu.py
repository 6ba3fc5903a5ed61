"""End-to-end cases. The menu file: what cannot be read, character sets, byte-order marks, the version information."""
from driver import *  # noqa: F401,F403


# --- The menu file

@case("linux")
def the_built_in_theme_draws_as_gtks_own_adwaita_at_scale_1_and_2(t):
    def drawn(menu, env):
        t.folder.write("Kivora.ini", menu)
        t.x.run("xdotool", "mousemove", "0", "0")
        proc = t.start(env=env)
        t.assertTrue(wait_for(lambda: t.windows(), timeout=15), "no window appeared")
        time.sleep(0.3)
        shot = t.x.stable_screenshot()
        proc.kill()
        proc.wait(timeout=10)
        wait_for(lambda: not t.windows())
        return shot.rgb
    for scale in ("1", "2"):
        for name, menu in (("the window", MENU), ("the report", b"one line\n")):
            with t.subTest(f"{name} at GDK_SCALE={scale}"):
                # GTK_THEME=Adwaita: GTK's own copy of the theme, not the launcher's.
                own = drawn(menu, {"GDK_SCALE": scale, "GTK_THEME": "Adwaita"})
                t.assertTrue(drawn(menu, {"GDK_SCALE": scale}) == own, "drawn otherwise than by GTK's own theme")


@case("linux", "wine")
def no_usable_menu_file_gives_only_the_error_box(t):
    ini = os.path.join(t.folder.path, "Kivora.ini")

    def hidden():
        t.folder.write("Kivora.ini", MENU)
        subprocess.run(["wine", "attrib", "+h", t.b.dos_path(ini)], env=t.b.env(), capture_output=True, timeout=60)
        t.b.settle()
        attrib = subprocess.run(["wine", "attrib", t.b.dos_path(ini)], env=t.b.env(), capture_output=True,
                                text=True, timeout=60).stdout
        return "H" in attrib.split("Z:")[0]  # some file systems keep no hidden attribute for Wine

    cases = [("missing", lambda: True), ("a folder", lambda: os.mkdir(ini) or True)]
    if t.b.name == "linux":
        cases += [("a FIFO", lambda: os.mkfifo(ini) or True), ("a device", lambda: os.symlink("/dev/zero", ini) or True)]
    else:
        cases += [("hidden", hidden)]
    for name, make in cases:
        with t.subTest(name):
            if not make():
                continue
            proc = t.start()
            t.assertEqual(t.ok_and_wait(proc, t.only_box()), 1)
            if os.path.isdir(ini) and not os.path.islink(ini):
                os.rmdir(ini)
            elif os.path.lexists(ini):
                os.remove(ini)


@case("linux", "wine")
def a_menu_file_that_cannot_be_read_whole_gives_the_report(t):
    ini = os.path.join(t.folder.path, "Kivora.ini")
    # Root reads any file; without these two capabilities it is refused as anyone else is.
    unprivileged = ("setpriv", "--bounding-set", "-dac_override,-dac_read_search") if os.geteuid() == 0 else ()

    def unreadable():
        t.folder.write("Kivora.ini", MENU)
        os.chmod(ini, 0)

    def one_huge_line():
        with open(ini, "wb") as f:
            f.truncate(1 << 30)  # 1 GiB of NUL bytes and no line end

    def write(data):
        return lambda: t.folder.write("Kivora.ini", data)

    sep = "/" if t.b.name == "linux" else "\\"
    cases = [
        ("empty", write(b""), {}, (), "Run-time error '62': Input past end of file", "Kivora.ini, line 1"),
        ("six lines", write(b"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n"), {}, (),
         "Run-time error '62': Input past end of file", sep + "Kivora.ini, line 7"),
    ]
    if t.b.name == "linux":
        cases += [
            ("no read permission", unreadable, {}, unprivileged, "Run-time error '70': Permission denied",
             "/Kivora.ini: Permission denied"),
            ("removed between the presence check and the open", write(MENU), {"LD_PRELOAD": ARGS.remover}, (),
             "Run-time error '53': File not found", "/Kivora.ini: No such file"),
            ("a single line of 1 GiB", one_huge_line, {}, (), "Run-time error '7': Out of memory",
             "Kivora.ini, line 1 is longer than 32768 bytes"),
        ]
    for name, make, env, prefix, error, concerns in cases:
        with t.subTest(name):
            make()
            proc = t.start(env, prefix)
            box = t.only_box()
            if t.b.name == "linux":
                with open(f"/proc/{proc.pid}/status") as f:
                    peak = int(next(line for line in f if line.startswith("VmHWM:")).split()[1])
                t.assertLess(peak, 200 * 1024, "peak resident KiB")
            t.assertEqual(t.ok_and_wait(proc, box), 2)
            err = proc.stderr.read()
            t.assertIn(error, err)
            t.assertIn(concerns, err)
            if os.path.exists(ini):
                os.remove(ini)


@case("wine")
def the_menu_file_can_be_mended_while_its_report_is_up(t):
    ini = t.folder.write("Kivora.ini", b"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n")
    proc = t.start()
    box = t.only_box()
    t.folder.write("mend.cmd", b"@echo seven>>Kivora.ini\r\n")  # a Windows program, with Windows's sharing rules
    subprocess.run(["wine", "cmd", "/c", "mend.cmd"], env=t.b.env(), cwd=t.folder.path, capture_output=True, timeout=60)
    with open(ini, "rb") as f:
        t.assertTrue(f.read().endswith(b"6\r\nseven\r\n"), "the launcher holds the menu file open")
    t.assertEqual(t.ok_and_wait(proc, box), 2)


@case("linux")
def a_big5_caption_renders_as_its_characters(t):
    def caption(menu, env):
        t.folder.write("Kivora.ini", menu)
        proc = t.start(env)
        _, x, y = t.main_window()
        shot = t.x.stable_screenshot()
        proc.kill()
        proc.wait(timeout=5)
        left, top, _, height = layout()["choice2"]
        return shot.crop(x + left + 28, y + top, 200, height)
    # All three in the one locale: fontconfig picks a CJK font by the locale's
    # language, so only that way are the same characters drawn in the same font.
    big5_locale = {"LC_ALL": "zh_TW.BIG5"}
    utf8 = caption("P\nA\n安裝程式\nC\na\nb\nc\n".encode("utf-8"), big5_locale)
    big5 = caption("P\nA\n安裝程式\nC\na\nb\nc\n".encode("big5"), big5_locale)
    marks = caption(b"P\nA\n????\nC\na\nb\nc\n", big5_locale)
    t.assertPixels(big5, utf8, "Big5 text is not drawn as the same characters")
    t.assertPixels(big5, marks, "drawn as question marks", same=False)
    t.assertGreater(sum(1 for p in big5 if p[0] < 150), 30, "nothing drawn")


@case("wine")
def a_big5_caption_in_code_page_950_renders(t):
    def caption(text):
        t.folder.write("Kivora.ini", b"P\r\nA\r\n" + text.encode("big5") + b"\r\nC\r\na\r\nb\r\nc\r\n")
        proc = t.start({"LANG": "zh_TW.BIG5", "LC_ALL": "zh_TW.BIG5"})
        _, x, y = t.main_window()
        shot = t.x.stable_screenshot()
        proc.kill()
        proc.wait(timeout=10)
        t.b.settle()
        left, top, _, height = layout()["choice2"]
        return shot.crop(x + left + 18, y + top, 200, height)
    one, other = caption("安裝程式"), caption("說明文件")
    t.assertGreater(sum(1 for p in one if p[0] < 150), 30, "nothing drawn")
    # Missing glyphs are drawn as the same box whatever the character.
    t.assertPixels(one, other, "the characters are drawn as boxes", same=False)


@case("linux", "wine")
def a_utf16_menu_file_is_read_in_full_whatever_the_code_page(t):
    t.b.install_recorder(t.folder, "inst/one")
    menu = LAUNCH_MENU.decode("ascii").replace("inst\\one", "inst\\one \u5b89\u88dd \u00e9")
    t.folder.write("Kivora.ini", b"\xff\xfe" + menu.encode("utf-16-le"))
    t.start()
    _, x, y = t.main_window()
    t.click((x, y), "next")
    args, _ = t.record("inst/one")
    t.assertEqual(args, ["\u5b89\u88dd", "\u00e9"])


@case("linux", "wine")
def a_menu_as_todays_editors_save_it_reads_as_a_marked_one(t):
    """UTF-8 without a mark (today's Notepad), LF line ends, and on Linux a Windows-1252 menu in a
    German UTF-8 desktop: the prompt and the first choice are drawn as from a UTF-8 file with a
    mark, and the target Über\\t1 starts with its argument."""
    t.b.install_recorder(t.folder, "Über/t1")
    text = "Sélectionnez\r\nInstallation complète\r\nB\r\nC\r\nÜber\\t1 é\r\nb\r\nc\r\n"

    def read(menu, env):
        t.folder.write("Kivora.ini", menu)
        t.x.run("xdotool", "mousemove", "0", "0")  # no choice drawn hot
        proc = t.start(env)
        _, x, y = t.main_window()
        shot = t.x.stable_screenshot()
        prompt, choice = layout()["prompt"], layout()["choice1"]
        drawn = (shot.crop(x + prompt[0], y + prompt[1], 300, prompt[3]),
                 shot.crop(x + choice[0] + 18, y + choice[1], 300, choice[3]))
        t.click((x, y), "next")
        args, _ = t.record("Über/t1")
        proc.kill()
        proc.wait(timeout=10)
        t.b.settle()
        record = os.path.join(t.folder.path, "Über", t.b.program("t1") + ".out")
        if os.path.exists(record):
            os.remove(record)
        return drawn, args

    marked, args = read(b"\xef\xbb\xbf" + text.encode("utf-8"), {})
    t.assertEqual(args, ["é"], "the marked menu's target")
    cases = [("UTF-8 without a mark", text.encode("utf-8"), {}),
             ("LF line ends", text.replace("\r\n", "\n").encode("utf-8"), {})]
    if t.b.name == "linux":
        cases.append(("Windows-1252 under de_DE.UTF-8", text.encode("cp1252"), {"LC_ALL": "de_DE.UTF-8"}))
    for name, menu, env in cases:
        with t.subTest(name):
            drawn, args = read(menu, env)
            t.assertTrue(drawn == marked, "the captions are drawn otherwise than from the marked file")
            t.assertEqual(args, ["é"], "Über\\t1 did not start with its argument")


@case("wine")
def version_information_and_icon(t):
    out = subprocess.run(["wine", os.path.join(ARGS.windows, "win_probe.exe"), t.b.exe], env=t.b.env(),
                         capture_output=True, text=True, timeout=60).stdout
    values = dict(line.strip().split("=", 1) for line in out.splitlines() if "=" in line)
    major, minor, patch = ARGS.version.split(".")
    number = f"{major}.{minor}.{patch}.0"
    expected = {"FileVersionNumber": number, "ProductVersionNumber": number, "Translation": "0404 1200",
                "FileVersion": f"{major}.{int(minor):02d}", "ProductVersion": f"{major}.{int(minor):02d}",
                "ProductName": "Kivora", "InternalName": "Kivora", "OriginalFilename": "Kivora.exe",
                "IconImages": "3"}
    for key, value in expected.items():
        t.assertEqual(values.get(key), value, key)
    icons = [line.split("=")[1].strip() for line in out.splitlines() if line.startswith("Icon=")]
    t.assertEqual(sorted(icons), ["16x16@4", "32x32@1", "32x32@4"])


@case("linux")
def a_hidden_menu_on_a_fat_stick_is_read_on_linux_and_the_check_says_windows_will_not(t):
    # This kernel mounts no vfat: a preloaded shim answers statfs() and FAT_IOCTL_GET_ATTRIBUTES as vfat does.
    launcher = t.folder.install(ARGS.linux, "fat-stick/kivora")
    t.folder.write("fat-stick/Kivora.ini", MENU)
    env = {"LD_PRELOAD": ARGS.fat, "FAT_HIDDEN": "Kivora.ini"}

    def check(hidden):
        done = subprocess.run([launcher, "--check"], env=dict(t.b.env(), **dict(env, FAT_HIDDEN=hidden)),
                              capture_output=True, text=True, timeout=30)
        return done.returncode, done.stdout

    status, out = check("Kivora.ini")
    t.assertEqual(status, 1, out)
    t.assertIn("the launcher for Windows does not see it", out)
    status, out = check("")
    t.assertIn("Prompt (line 1): Choose one", out)
    t.assertNotIn("hidden mark", out, "vfat shows the marks")
    # The Linux launcher reads the menu that its user sees listed.
    t.start(env, exe=launcher)
    t.main_window()
