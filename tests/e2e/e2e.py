"""End-to-end tests of both launchers, driven and read back as a user would:
the Linux one (GTK) on Xvfb, Kivora.exe under Wine on Xvfb. One driver
(driver.py) and one case table, filled by the cases_*.py files by feature;
each case names the launchers it runs on.

    e2e.py --on linux|wine --layout TOOL --version V --linux KIVORA
           --recorder RECORD_ARGS --remover REMOVE_AFTER_STAT --fat FAT_MARKS --monitor FAKE_MONITOR
           --windows BUILD --dist DIST [CASE NAME PARTS...]

The cases marked "both" start the two launchers on one menu and compare what
each shows; they run with the Wine cases."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402
import cases_window, cases_menu, cases_next, cases_close, cases_dist, cases_both, cases_valgrind  # noqa: E402,F401
import cases_media, cases_installers  # noqa: E402,F401

if __name__ == "__main__":
    driver.main()
