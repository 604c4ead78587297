"""The tray and the Options tab of the real program under Wine: the option
boxes' settings lines, closing to the tray, starting there, the tray menu's
items, the desktop shortcut read back through the shell link object, the log
viewer, the language selector, and the KeepDays field stored only as it is left."""

import datetime
import glob
import os
import shutil
import subprocess
import time
import unittest

import harness
from harness import wine_env, wine_path

SETTINGS_KEYS = ["BkUpDir", "CloseToTray", "Compression", "OpenToTray", "ReopenLM", "StayOnTop", "Language"]


def probe(*args, check=True):
    out = subprocess.run(["wine", os.path.join(harness.DOUBLES, "tray_probe.exe"), *args], env=wine_env(),
                         stdout=subprocess.PIPE, timeout=60)
    if check and out.returncode != 0:
        raise AssertionError(f"tray_probe {' '.join(args)} failed with {out.returncode}")
    return out.stdout.decode("utf-8").replace("\r\n", "\n")  # Wine's console ends lines with CR LF


def settings(**values):
    keys = dict(BkUpDir="", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0, StayOnTop=0, Language=1)
    keys.update(values)
    return harness.settings_bytes(**{k: keys[k] for k in SETTINGS_KEYS})


def wait_until(condition, timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class TrayOptionsTest(harness.E2ETest):
    def start(self, prefs, cwd=None, env=None):
        c = self.case
        os.makedirs(c.data_folder(), exist_ok=True)
        folder = cwd or c.program
        shutil.copytree(os.path.join(harness.SOURCE, "lang"), os.path.join(folder, "Lang"), dirs_exist_ok=True)
        with open(os.path.join(folder, "lmbackup.prefs"), "wb") as f:
            f.write(prefs)
        self.proc = c.start(cwd=cwd, env=env)
        self.addCleanup(self.end_program)
        self.pid = c.pid()
        out = subprocess.run(["wine", harness.driver(), "wait-window", "--pid", self.pid], env=wine_env(), timeout=60)
        self.assertEqual(out.returncode, 0, "no main window")
        # The window is there before its controls: wait for the last one the start builds.
        ready = lambda: subprocess.run(["wine", harness.driver(), "style", "--pid", self.pid, "--id", "47"],
                                       env=wine_env(), stdout=subprocess.DEVNULL, timeout=60).returncode == 0
        self.assertTrue(wait_until(ready, 30), "the Options tab was not built")
        time.sleep(0.5)  # the shortcut state and the task query come after it
        self.prefs_path = os.path.join(folder, "lmbackup.prefs")

    def end_program(self):
        if self.proc.poll() is None:
            probe("command", "--pid", self.pid, "--id", "53", check=False)
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()

    def prefs(self):
        with open(self.prefs_path, "rb") as f:
            return f.read()

    def window(self):
        visible, topmost = probe("window", "--pid", self.pid).split()
        return visible == "1", topmost == "1"

    def icon(self):
        return probe("icon", "--pid", self.pid) == "1"

    def click(self, control):
        self.case.control("click", control)

    def pick_from_tray_menu(self, position):
        """A click on the tray icon, then item `position` (1 to 5) from the keyboard."""
        probe("click", "--pid", self.pid)
        probe("menu", "--pid", self.pid, "--pick", str(position))

    def test_boxes_write_their_lines_and_close_to_tray_hides(self):
        self.start(settings(CloseToTray=2, ReopenLM=7))
        self.assertEqual(self.case.control("check", 41), "0")  # 2 is no 1
        steps = [
            (41, dict(CloseToTray=1, ReopenLM=7)),
            (42, dict(CloseToTray=1, ReopenLM=1)),
            (43, dict(CloseToTray=1, ReopenLM=1, OpenToTray=1)),
            (44, dict(CloseToTray=1, ReopenLM=1, OpenToTray=1, StayOnTop=1)),
            (42, dict(CloseToTray=1, ReopenLM=0, OpenToTray=1, StayOnTop=1)),
        ]
        for control, expected in steps:
            self.click(control)
            self.assertTrue(wait_until(lambda: self.prefs() == settings(**expected)),
                            f"after box {control}: {self.prefs()!r}")
        # Wine 8 keeps a window's z-order but never shows WS_EX_TOPMOST to anyone, so the
        # window's side of Stay on Top is the host tests' to check.
        self.click(44)
        self.assertTrue(wait_until(lambda: self.prefs() == settings(CloseToTray=1, OpenToTray=1)))
        self.assertEqual(self.window()[0], True)

        probe("close", "--pid", self.pid)
        self.assertTrue(wait_until(lambda: self.window()[0] is False), "the window stayed on the screen")
        self.assertTrue(self.icon(), "no tray icon after closing to the tray")
        time.sleep(1)
        self.assertIsNone(self.proc.poll(), "closing ended the program")

        self.pick_from_tray_menu(5)  # Quit
        self.assertEqual(self.proc.wait(timeout=30), 0)

    def test_a_stale_backup_shows_on_the_line_and_in_a_balloon_at_the_start(self):
        c = self.case
        # A daily task, as the schtasks double lists it, whose last good backup is three days old.
        c.put_double("schtasks.exe")
        with open(c.path("schtasks-tasks.txt"), "wb") as f:
            f.write(b"BackupLarkmail\tx\r\n")
        now = datetime.datetime.now()
        good, failed = now - datetime.timedelta(days=3, minutes=5), now - datetime.timedelta(days=1)
        with open(c.path("lmbackup.last"), "wb") as f:
            f.write(f"\ufeff\r\nWhen = {failed:%Y-%m-%d %H:%M:%S}\r\nResult = failed\r\nReason = r\r\n"
                    f"Code = LogToolMissing\r\nDetail = \r\nArchive = a.7z\r\nSize = 0\r\nSeen = 1\r\n"
                    f"LastGood = {good:%Y-%m-%d %H:%M:%S}\r\n".encode("utf-8"))
        self.start(settings() + b"TaskSchedule = Daily\r\n")
        line = (f"No good backup for 3 days. Last backup failed: {failed:%m/%d/%Y %H:%M}, Backup failed, "
                "7-Zip could not be started.")
        self.assertEqual(probe("balloon", "--timeout", "20000").strip(), line)
        self.assertEqual(c.control("text", 61), line)

    def test_open_to_tray_starts_hidden_with_the_icon_and_restores(self):
        self.start(settings(OpenToTray=1))
        self.assertEqual(self.window(), (False, False))
        self.assertTrue(self.icon())
        self.assertEqual(self.case.control("check", 43), "1")
        self.pick_from_tray_menu(1)  # Restore Window
        self.assertTrue(wait_until(lambda: self.window()[0]), "the window did not come back")
        self.assertTrue(wait_until(lambda: not self.icon()), "the icon stayed after restoring")
        probe("close", "--pid", self.pid)  # Close to Tray is off: the end
        self.assertEqual(self.proc.wait(timeout=30), 0)

    def test_tray_menu_items_reach_backup_restore_and_quit(self):
        c = self.case
        backups = os.path.join(c.root, "backups")
        os.makedirs(backups)
        os.makedirs(c.data_folder())
        with open(os.path.join(c.data_folder(), "inbox.mbox"), "wb") as f:
            f.write(b"From anna\r\nHello\r\n" * 50)
        self.start(settings(OpenToTray=1, BkUpDir=wine_path(backups) + "\\"))
        self.pick_from_tray_menu(2)  # Backup Database
        self.assertTrue(wait_until(lambda: glob.glob(os.path.join(backups, "LarkmailBackup_*.7z")), 60),
                        "the menu's backup made no archive")
        archive = glob.glob(os.path.join(backups, "LarkmailBackup_*.7z"))[0]
        self.assertTrue(wait_until(lambda: any(line.startswith("Database backup successfully saved to ") for line in c.log_lines()), 30))
        self.assertIn("inbox.mbox", "\n".join(harness.list_archive(archive)))

        self.pick_from_tray_menu(3)  # Restore Database: its question, then its open-file requester
        c.answer_boxes(["yes"])
        self.assertEqual(c.boxes(), [("Restore", "Are you sure you wish to restore from a backup?")])
        c.answer_file(None)
        self.assertIsNone(self.proc.poll())
        self.assertTrue(self.icon(), "backup and restore left the tray")
        self.assertEqual(self.window()[0], False)

        self.pick_from_tray_menu(5)
        self.assertEqual(self.proc.wait(timeout=30), 0)

    def test_shortcut_points_to_the_program_file_and_its_folder(self):
        c = self.case
        desktop = os.path.join(c.profile, "Desktop")
        os.makedirs(desktop)
        # Another name, started from another working folder.
        renamed = os.path.join(c.program, "Lark Tool.exe")
        os.rename(c.exe, renamed)
        c.exe = renamed
        elsewhere = os.path.join(c.root, "elsewhere")
        os.makedirs(elsewhere)
        self.start(settings(), cwd=elsewhere)
        self.assertEqual(self.case.control("style", 45), "1 1")
        # From the keyboard: Enter presses the focused button, and the focus moves on when it is disabled.
        self.case.show_tab(3)
        self.assertTrue(wait_until(lambda: self.case.control("state", 45) == "1 1"), "the Options tab did not show")
        self.case.focus(45)
        self.assertTrue(wait_until(lambda: self.case.focused() == 45), "button 45 did not take the focus")
        self.case.press("return")
        link = os.path.join(desktop, "Larkmail Backup.lnk")
        self.assertTrue(wait_until(lambda: os.path.exists(link)))
        self.assertTrue(wait_until(lambda: self.case.control("style", 45) == "0 1"), "button 45 stayed enabled")
        self.assertEqual(self.case.focused(), 46)
        fields = probe("shortcut", "--path", wine_path(link)).split("\n")
        target = wine_path(renamed)
        self.assertEqual(fields[:8], [target, "", wine_path(c.program) + "\\", "Larkmail Backup", target, "0",
                                      "1", "0"])
        self.assertFalse(os.path.exists(os.path.join(elsewhere, "larkmailbackup.exe")))
        self.end_program()

        self.start(settings(), cwd=elsewhere)  # the next start finds the shortcut
        self.assertEqual(self.case.control("style", 45), "0 1")

    def test_the_clear_link_is_a_tab_stop_that_enter_and_space_press(self):
        folder = wine_path(self.case.root) + "\\"
        for key in ("return", "space"):
            with self.subTest(key=key):
                self.start(settings(BkUpDir=folder))
                try:
                    self.assertEqual(self.case.control("text", 7), folder)
                    self.case.focus(5)
                    self.assertTrue(wait_until(lambda: self.case.focused() == 5), "field 5 did not take the focus")
                    self.case.press("tab")
                    self.assertTrue(wait_until(lambda: self.case.focused() == 6), "Tab did not reach the link")
                    self.case.press(key)
                    self.assertTrue(wait_until(lambda: b"\r\nBkUpDir = \r\n" in self.prefs()), self.prefs())
                    set_path_shown = lambda: self.case.control("style", 9) == "1 1"
                    self.assertTrue(wait_until(set_path_shown), "Set Backup Path stayed hidden")
                    self.assertEqual(self.case.control("text", 7), "")
                finally:
                    self.end_program()  # the next start needs the single-instance mutex

    def test_keep_days_is_stored_as_the_field_is_left_never_while_typing(self):
        kept = lambda days: settings() + f"KeepDays = {days}\r\n".encode()
        self.start(kept(30))
        self.case.show_tab(1)
        self.case.focus(63)
        self.assertTrue(wait_until(lambda: self.case.focused() == 63), "field 63 did not take the focus")
        self.case.press("end")
        # (keys, then the key that leaves or hands over the value, the file and the field afterwards)
        steps = [
            (["back", "back"], "tab", 0),  # passes through "3": never stored
            (["back"], "return", 0),       # the empty field's 0 is what it shows
            (["back", "7"], "return", 7),
            ([], "up", 8),                 # the arrows' step is a chosen value
            (["back", "3", "1"], "tab", 31),
        ]
        for keys, leave, days in steps:
            before = self.prefs()
            if self.case.focused() != 63:
                self.case.focus(63)
                self.assertTrue(wait_until(lambda: self.case.focused() == 63))
            self.case.press("end")  # the field's own new text put the caret before it
            for key in keys:
                if key.isdigit():
                    self.case.control("type", 0, "--value", key)
                else:
                    self.case.press(key)
            time.sleep(1)
            self.assertEqual(self.prefs(), before, f"{keys} stored before the field was left")
            self.case.press(leave)
            self.assertTrue(wait_until(lambda: self.prefs() == kept(days)), f"{keys} {leave}: {self.prefs()!r}")
            self.assertTrue(wait_until(lambda: self.case.control("text", 63) == str(days)), f"{keys} {leave}")
        # Typed and never left: the window's end stores what it shows.
        self.case.focus(63)
        self.assertTrue(wait_until(lambda: self.case.focused() == 63))
        self.case.press("end")
        for key in ["back", "back", "1", "4"]:
            self.case.press(key) if key == "back" else self.case.control("type", 0, "--value", key)
        time.sleep(1)
        self.assertEqual(self.prefs(), kept(31))
        probe("command", "--pid", self.pid, "--id", "53")  # Quit from the tray menu
        self.assertEqual(self.proc.wait(timeout=30), 0)
        self.assertEqual(self.prefs(), kept(14))

    def test_view_log_without_and_with_a_log(self):
        c = self.case
        self.start(settings())
        self.click(46)
        c.answer_boxes(["ok"])
        self.assertEqual(c.boxes(), [("Error", "Cannot open backup log. File has been deleted or no backup ran yet.")])
        self.end_program()

        # The shell opens .log files with the client double here, which records how it was started.
        # (Wine's HKEY_CLASSES_ROOT does not take the user's own classes.)
        viewer = c.put_double("larkmail.exe", c.root)
        record = os.path.join(c.root, "larkmail-starts.txt")
        command = f'"{wine_path(viewer)}" "%1"'
        keys = [("HKCR\\.log", "LarkmailE2ELog"), ("HKCR\\LarkmailE2ELog\\shell\\open\\command", command)]
        for key, value in keys:
            subprocess.run(["wine", "reg", "add", key, "/ve", "/d", value, "/f"], env=wine_env(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        for key in ("HKCR\\.log", "HKCR\\LarkmailE2ELog"):
            self.addCleanup(subprocess.run, ["wine", "reg", "delete", key, "/f"], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(subprocess.run, ["wine", "taskkill", "/f", "/im", "larkmail.exe"], env=wine_env(),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(c.path("Backup.log"), "wb") as f:
            f.write(b"Backup created 12/07/2026 15:35:01\r\n")
        self.start(settings())
        self.click(46)
        self.assertTrue(wait_until(lambda: os.path.exists(record)), "the shell opened nothing")
        with open(record, "rb") as f:
            started = f.read().decode("utf-8")
        self.assertIn("backup.log", started.lower())
        self.assertTrue(c.no_box(2000))

    def test_selector_lists_the_files_and_stores_by_position(self):
        self.start(settings(Language=1))
        lines = probe("items", "--pid", self.pid, "--id", "47").split("\n")
        self.assertEqual(lines[0], "Select Language:")
        self.assertEqual(sorted(lines[1:5]), ["dutch.lng", "english.lng", "german.lng", "russian.lng"])
        self.assertEqual(lines[5], "selected 0")
        for position, stored in [(3, 2), (1, 0), (2, 1), (4, 3), (0, 3)]:
            probe("select", "--pid", self.pid, "--id", "47", "--position", str(position))
            if position == 0:
                time.sleep(1.5)  # nothing is to come: give a wrong write its time
            self.assertTrue(wait_until(lambda: self.prefs() == settings(Language=stored), 10),
                            f"position {position}: {self.prefs()!r}")


if __name__ == "__main__":
    unittest.main()
