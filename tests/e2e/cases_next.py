"""End-to-end cases. "Next": what it starts, with which arguments, found how; documents and addresses."""
from driver import *  # noqa: F401,F403


# --- "Next"

@case("linux", "wine", "aarch64")
def next_starts_exactly_the_second_target_with_its_arguments(t):
    t.launch_menu()
    t.click(t.at, "choice2")
    t.click(t.at, "next")
    args, raw = t.record("inst/two prog")
    t.assertIsNotNone(args, "the second target did not run")
    t.assertEqual(args, ["-x", "a b", "c;", "touch", "pwned"])
    if t.b.name == "wine":
        folder = t.b.dos_path(t.folder.path)
        t.assertEqual(raw, f"\"{folder}\\inst\\two prog.exe\" -x \"a b\" c; touch pwned", "the program is quoted")
    t.assertIsNone(t.record("inst/one", timeout=0.5)[0], "the first target ran too")
    t.assertFalse(os.path.exists(os.path.join(t.folder.path, "pwned")), "a shell ran the line")
    t.assertIsNone(t.proc.poll(), "the launcher ended")


@case("linux", "wine")
def down_arrow_then_enter_starts_the_second_target_and_escape_ends(t):
    t.launch_menu()
    t.x.key(t.window, "Down", "Return")
    t.assertIsNotNone(t.record("inst/two prog")[0])
    t.assertIsNone(t.record("inst/one", timeout=0.5)[0])
    t.x.key(t.window, "Escape")
    t.assertEqual(t.ended(t.proc), 0)


@case("linux", "wine")
def tab_goes_between_the_chosen_choice_and_next(t):
    """Tab and Shift+Tab stop at the chosen choice and at "Next" alone, so
    Space presses "Next" only when Tab has brought the focus there."""
    cases = ((("Tab",), "inst/one"), (("Tab", "Tab"), None), (("shift+Tab",), "inst/one"),
             (("Down", "Down", "Tab", "Tab"), None), (("Down", "Down", "shift+Tab"), "inst/three"))
    for keys, started in cases:
        with t.subTest(keys=keys):
            t.launch_menu()
            t.x.key(t.window, *keys, "space")
            for name in ("inst/one", "inst/two prog", "inst/three"):
                ran = t.record(name, timeout=5 if name == started else 0.5)[0] is not None
                t.assertEqual(ran, name == started, name)
            t.start_afresh()


@case("linux", "wine")
def a_double_click_a_quick_enter_enter_or_enter_held_on_next_starts_once_and_a_later_click_again(t):
    t.launch_menu()
    cx, cy = centre("next")
    starts = lambda: t.b.starts(t.folder, "inst/one")  # noqa: E731
    presses = (("mousemove", str(t.at[0] + cx), str(t.at[1] + cy), "sleep", "0.2",
                "click", "--repeat", "2", "--delay", "80", "1"),
               ("click", "1"),  # well after the double-click time
               ("windowfocus", "--sync", t.window, "key", "--delay", "60", "Return", "Return", "Return"),
               ("windowfocus", "--sync", t.window, "keydown", "Return", "sleep", "2", "keyup", "Return"))  # held
    for count, press in enumerate(presses, 1):
        time.sleep(1.2)
        t.x.run("xdotool", *press)
        t.assertTrue(wait_for(lambda: starts() >= count, timeout=10), f"{starts()} starts")
        time.sleep(1)
        t.assertEqual(starts(), count, f"more than one start for {press[-1]}")
    t.assertIsNone(t.proc.poll(), "the launcher ended")
    t.x.key(t.window, "Escape")
    t.assertEqual(t.ended(t.proc), 0)


@case("linux", "wine")
def the_prompts_access_key_moves_to_the_first_choice_without_choosing_it(t):
    # From "Next", the key brings the focus to the first choice, and Down chooses the
    # second; with the third chosen, the key leaves it chosen.
    for keys, started in ((("Tab", "alt+t", "Down"), "inst/two prog"), (("Down", "Down", "alt+t"), "inst/three")):
        with t.subTest(keys=keys):
            t.launch_menu(LAUNCH_MENU.replace(b"Choose", b"Select &type"))
            t.x.key(t.window, *keys, "Return")
            for name in ("inst/one", "inst/two prog", "inst/three"):
                ran = t.record(name, timeout=5 if name == started else 0.5)[0] is not None
                t.assertEqual(ran, name == started, name)
            t.start_afresh()


@case("linux", "wine")
def a_target_climbing_out_with_dotdot_is_found_from_the_launchers_folder(t):
    # <folder>/menu/<launcher> starts ..\tools\one, which is <folder>/tools/one, even when
    # it is started from a folder that has a ../tools/one of its own.
    exe = os.path.join(t.folder.path, "menu", os.path.basename(t.b.exe))
    os.makedirs(os.path.dirname(exe))
    os.rename(t.folder.exe, exe)
    t.folder.write("menu/Kivora.ini", b"P\r\nA\r\nB\r\nC\r\n..\\tools\\one -a\r\nb\r\nc\r\n")
    for where in ("tools/one", "decoy/tools/one"):
        t.b.install_recorder(t.folder, where)
    os.makedirs(os.path.join(t.folder.path, "decoy", "cwd"))
    t.start(exe=exe, cwd=os.path.join(t.folder.path, "decoy", "cwd"))
    _, x, y = t.main_window()
    t.click((x, y), "next")
    args, _ = t.record("tools/one")
    t.assertEqual(args, ["-a"], "..\\tools\\one did not run")
    t.assertIsNone(t.record("decoy/tools/one", timeout=0.5)[0])
    t.assertEqual(t.b.folder_of(t.folder, "tools/one"), t.b.native_path(os.path.dirname(exe)),
                  "the program does not run in the launcher's folder")


@case("linux", "wine")
def a_missing_or_overlong_target_gives_a_report_that_names_it_and_fits_the_screen(t):
    sep = "/" if t.b.name == "linux" else "\\"
    for target, report, concerns in (
            (b"inst\\one", "Run-time error '53': File not found", f"{sep}inst{sep}one: no such file"),
            (b"n" * 30000 + b" -q", "Run-time error '52': Bad file name or number",
             "nnnn\u2026: a name in it is longer than 255 characters"),
            (b"missing" + b" arg" * 2000, "Run-time error '53': File not found", "line 5: ")):
        with t.subTest(report=report, concerns=concerns[:16]):
            t.folder.write("Kivora.ini", b"P\r\nA\r\nB\r\nC\r\n" + target + b"\r\nb\r\nc\r\n")
            proc = t.start()
            _, x, y = t.main_window()
            t.click((x, y), "next")
            status, err, size = t.report_after(proc)
            t.assertLessEqual(size, (t.x.width, t.x.height), "the report does not fit the screen")
            t.assertEqual(status, 2)
            t.assertIn(report, err)
            t.assertIn(concerns, err, "the report names the target as the system does")
            t.assertLess(len(err), 500, "the target is shortened, its arguments left out")


def started_with_bytes(t, program, env, exe=None):
    """Starts the launcher, presses Next and gives the arguments, as bytes, the recorder
    at the path program (bytes) was started with."""
    t.start(env, exe=exe)
    _, x, y = t.main_window()
    t.click((x, y), "next")
    record = program + b".out"
    t.assertTrue(wait_for(lambda: os.path.exists(record), timeout=10), f"{program!r} did not run")
    with open(record, "rb") as f:
        return [line[4:] for line in f.read().split(b"\n") if line.startswith(b"arg:")]


@case("linux")
def in_a_big5_locale_a_big5_target_starts_with_the_files_own_bytes(t):
    folder = "功能".encode("big5")  # 功 is A5 5C: its second byte is "\"
    t.assertEqual(folder[1:2], b"\\")
    inst = os.path.join(t.folder.path.encode(), folder)
    os.makedirs(inst)
    shutil.copy(ARGS.recorder, os.path.join(inst, b"t2"))
    arguments = "許功蓋 安裝類型".encode("big5")
    t.folder.write("Kivora.ini", "P\r\nA\r\nB\r\nC\r\n".encode("big5") + folder + b"\\t2 " + arguments +
                   b"\r\nb\r\nc\r\n")
    args = started_with_bytes(t, os.path.join(inst, b"t2"), {"LC_ALL": "zh_TW.BIG5"})
    t.assertEqual(args, arguments.split(b" "), "the arguments are not the menu file's bytes")


@case("linux")
def in_a_folder_named_in_another_code_page_the_names_keep_their_bytes(t):
    # A stick written on a Latin-1 system, used under C.UTF-8: the folder, the
    # program and its argument are bytes that are not UTF-8.
    folder = os.path.join(t.folder.path.encode(), b"caf\xe9")
    os.makedirs(folder)
    exe = os.path.join(folder, b"kivora")
    os.rename(t.folder.exe, exe)
    shutil.copy(ARGS.recorder, os.path.join(folder, b"t\xe9"))
    with open(os.path.join(folder, b"Kivora.ini"), "wb") as f:
        f.write(b"P\nA\nB\nC\nt\xe9 \xff\nb\nc\n")
    args = started_with_bytes(t, os.path.join(folder, b"t\xe9"), {"LC_ALL": "C.UTF-8"}, exe=exe)
    t.assertEqual(args, [b"\xff"], "the argument is not the menu file's byte")


@case("linux", "wine")
def names_are_found_whatever_their_case_as_on_a_disc_mounted_in_lower_case(t):
    # The author wrote KIVORA.INI and Programs\Tool; the disc shows other cases.
    t.b.install_recorder(t.folder, "programs/tool")
    t.folder.write("KIVORA.INI", b"P\r\nA\r\nB\r\nC\r\nPrograms\\Tool --x\r\nb\r\nc\r\n")
    t.start()
    _, x, y = t.main_window()
    t.click((x, y), "next")
    args, _ = t.record("programs/tool")
    t.assertEqual(args, ["--x"])


def set_default_applications(t, handlers):
    """Makes a recorder the user's application for each type or scheme in handlers
    ({"application/pdf": "pdf-handler", ...}): on Linux through a .desktop file and
    mimeapps.list in private XDG folders, under Wine through the prefix's registry."""
    if t.b.name == "linux":
        data, config = os.path.join(t.folder.path, "xdg-data"), os.path.join(t.folder.path, "xdg-config")
        os.makedirs(os.path.join(data, "applications"))
        os.makedirs(config)
        defaults = ["[Default Applications]"]
        for kind, name in handlers.items():
            program = t.folder.install(ARGS.recorder, name)
            with open(os.path.join(data, "applications", f"kivora-{name}.desktop"), "w") as f:
                f.write(f'[Desktop Entry]\nType=Application\nName={name}\nExec="{program}" %u\n')
            defaults.append(f"{kind}=kivora-{name}.desktop")
        with open(os.path.join(config, "mimeapps.list"), "w") as f:
            f.write("\n".join(defaults) + "\n")
        return {"XDG_DATA_HOME": data, "XDG_CONFIG_HOME": config}
    for kind, name in handlers.items():
        t.b.install_recorder(t.folder, name)
        command = f'"{t.b.dos_path(os.path.join(t.folder.path, name))}.exe" "%1"'
        key = kind.split("/")[-1].replace("x-scheme-handler", "")
        if kind == "application/pdf":
            t.b.prefix.reg_add(r"HKCR\.pdf", None, "REG_SZ", "KivoraTest.Document")
            key = "KivoraTest.Document"
        t.b.prefix.reg_add(rf"HKCR\{key}\shell\open\command", None, "REG_SZ", command)
    return {}


@case("linux", "wine")
def a_document_and_addresses_open_with_the_users_applications(t):
    env = set_default_applications(t, {"application/pdf": "pdf-handler", "x-scheme-handler/https": "web-handler",
                                       "x-scheme-handler/mailto": "mail-handler"})
    t.folder.write("manual.pdf", b"%PDF-1.4\n%%EOF\n")
    t.folder.write("Kivora.ini", b"P\r\nManual\r\nWeb site\r\nMail\r\nmanual.pdf\r\n"
                                 b"https://example.com/kivora?a=1\r\nmailto:help@example.com\r\n")
    proc = t.start(env)
    _, x, y = t.main_window()
    manual = os.path.join(t.folder.path, "manual.pdf")
    opened = {"pdf-handler": manual if t.b.name == "linux" else t.b.dos_path(manual),
              "web-handler": "https://example.com/kivora?a=1", "mail-handler": "mailto:help@example.com"}
    for choice, (handler, what) in zip(("choice1", "choice2", "choice3"), opened.items()):
        with t.subTest(handler):
            t.click((x, y), choice)
            t.click((x, y), "next")
            args, _ = t.record(handler)
            t.assertEqual(args, [what])
    t.assertIsNone(proc.poll(), "the launcher ended")


@case("linux", "wine")
def a_document_no_application_opens_is_a_message_and_the_menu_stays(t):
    # No application for the type: private XDG folders with none in them on Linux; a
    # type no prefix has an association for under Wine.
    env = {}
    if t.b.name == "linux":
        for name in ("XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"):
            env[name] = os.path.join(t.folder.path, name.lower())
            os.makedirs(env[name])
    t.folder.write("manual.kvdoc", b"%PDF-1.4\n%%EOF\n")
    t.launch_menu(b"P\r\nManual\r\nB\r\nC\r\nmanual.kvdoc\r\ninst\\two prog\r\nc\r\n", env)
    t.click(t.at, "next")
    box = wait_for(lambda: [w for w in t.windows() if w != t.window], timeout=10)
    t.assertTrue(box, "no message shown")
    time.sleep(0.3)
    if t.b.name == "wine":  # the shell's own code says it: Wine's last error would be "Bad EXE format"
        def box_text():
            return subprocess.run(["wine", os.path.join(ARGS.windows, "win_box_text.exe")], env=t.b.env(),
                                  capture_output=True, timeout=60).stdout.decode()
        t.assertIn("associated", wait_for(box_text, timeout=20) or "")
    t.x.key(box[0], "Return")
    t.assertTrue(wait_for(lambda: t.windows() == [t.window], timeout=10), "the message stayed")
    t.assertIsNone(t.proc.poll(), "the launcher ended")
    t.click(t.at, "choice2")
    t.click(t.at, "next")
    t.assertIsNotNone(t.record("inst/two prog")[0], "the menu does not start what it holds")


@case("wine")
def a_dll_planted_beside_the_launcher_is_not_loaded(t):
    # uxtheme.dll is loaded by name after the launcher starts; with the override Wine
    # would take a native copy from the launcher's folder if the search looked there.
    planted = t.folder.install(os.path.join(ARGS.windows, "win_planted.dll"), "uxtheme.dll")
    t.folder.write("Kivora.ini", MENU)
    overrides = "uxtheme=n,b;" + t.b.env()["WINEDLLOVERRIDES"]
    t.start({"WINEDLLOVERRIDES": overrides})
    t.main_window()
    t.assertFalse(os.path.exists(planted + ".loaded"), "the planted DLL was loaded")
