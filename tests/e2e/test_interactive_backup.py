"""The Backup button end to end: the real program under Wine with real 7-Zip,
driven through control 8, its message boxes and the status bar; archives read
back with Linux 7-Zip; the mail client double for the closing question."""

import datetime
import os
import re
import subprocess
import tempfile
import time

from harness import E2ETest, extract_archive, settings_bytes, tree_bytes, wine_env, wine_path

BACKUP = 8
STATUS = 3
CLEAR_FOLDER = 6
FOLDER_FIELD = 7
SET_FOLDER = 9
CREATING = re.compile(r"^Creating backup(\.*)$")
CREATING_FIGURE = re.compile(r"^Creating backup (\d{1,3}) %$")
TESTING = re.compile(r"^Testing the new archive(\.*| \d{1,3} %)$")


class InteractiveBackup(E2ETest):
    def setUp(self):
        super().setUp()
        self.backups = os.path.join(self.case.root, "My Backups")
        os.makedirs(self.backups)
        self.bkupdir = wine_path(self.backups) + "\\"
        self.case.copy_lang()
        self.data = self.case.data_folder()
        files = {
            "prefs.js": b"user_pref(1);\r\n",
            "Mail/\u00c4rger & M\u00fche/n\u00f6te.eml": "Gr\u00fc\u00dfe".encode("utf-8"),
            "abook.db": b"\x00\x01" * 5000,
        }
        for rel, data in files.items():
            full = os.path.join(self.data, rel)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        self.proc = None
        self.client = None
        self.addCleanup(self.end_programs)

    def settings(self, **override):
        keys = dict(BkUpDir=self.bkupdir, CloseToTray=0, Compression=5, OpenToTray=0, ReopenLM=0, StayOnTop=0,
                    Language=1)
        keys.update(override)
        self.case.write("program/lmbackup.prefs", settings_bytes(**keys))

    def archive(self):
        return os.path.join(self.backups, f"LarkmailBackup_PC1_anna_{datetime.date.today():%Y%m%d}.7z")

    def open_window(self):
        self.proc = self.case.start()
        self.case.control("wait-window", BACKUP, "--timeout", "60000")
        self.wait_for(self.backup_on, "Backup never came on")

    def backup_on(self):
        try:
            return self.case.control("style", BACKUP).strip() == "1 1"
        except AssertionError:  # the window is there, its controls not yet
            return False

    def start_client(self, hold=None):
        double = self.case.put_double("larkmail.exe")
        self.starts = os.path.join(self.case.program, "larkmail-starts.txt")
        argv = ["wine", double] + (["--hold", wine_path(hold)] if hold else [])
        self.client = subprocess.Popen(argv, env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_for(lambda: os.path.exists(self.starts), "the client double did not start")
        time.sleep(1)

    def end_programs(self):
        if self.proc is not None:
            subprocess.call(["wine", "taskkill", "/f", "/pid", self.case.pid()], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.client is not None:
            subprocess.call(["wine", "taskkill", "/f", "/im", "larkmail.exe"], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for proc in (self.proc, self.client):
            if proc is not None:
                try:
                    proc.communicate(timeout=30)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.communicate()
        self.proc = self.client = None

    def status(self):
        # Under a busy 7-Zip a driver start can fail now and then; a few tries.
        for _ in range(4):
            try:
                return self.case.control("text", STATUS)
            except AssertionError as error:
                failure = error
                time.sleep(0.2)
        raise failure

    def statuses_until_ready(self, timeout=300):
        """The distinct status texts from now until "Ready" follows a "Creating backup"."""
        seen = []
        end = time.time() + timeout
        while time.time() < end:
            text = self.status()
            if not seen or seen[-1] != text:
                seen.append(text)
            if text == "Ready" and any(CREATING.match(t) or CREATING_FIGURE.match(t) for t in seen):
                return seen
        self.fail(f"no end of the backup in the status bar: {seen}")

    def last_log(self):
        lines = self.case.log_lines()
        self.assertTrue(lines, "no log line")
        return lines[-1][:-20]  # without " mm/dd/yyyy hh:mm:ss"

    def assert_archive_holds_the_data(self):
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(self.archive(), out)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), tree_bytes(self.data))

    def test_without_a_client_the_status_shows_dots_then_7zips_figure_until_ready(self):
        # Sixteen byte values at random: slow enough to pack for a few seconds.
        table = bytes(0x41 + (i % 16) for i in range(256))
        with open(os.path.join(self.data, "big.mbox"), "wb") as f:
            f.write(os.urandom(8 * 1024 * 1024).translate(table))
        self.settings(Compression=9)
        self.open_window()
        self.assertEqual(self.status(), "Ready")
        self.case.control("click", BACKUP)
        seen = self.statuses_until_ready()
        self.assertEqual(seen[-1], "Ready")
        shown = [t for t in seen[:-1] if t != "Ready"]
        # Packing, then 7-Zip's test of the new archive, then Ready.
        creating = [t for t in shown if not TESTING.match(t)]
        self.assertTrue(creating and all(CREATING.match(t) or CREATING_FIGURE.match(t) for t in creating), seen)
        self.assertEqual(shown[:len(creating)], creating, seen)  # a short test may show nothing
        # Dots until 7-Zip's first figure (it may come before the first tick), then only its figures, rising.
        dotted = [t for t in creating if CREATING.match(t)]
        self.assertEqual(creating[:len(dotted)], dotted, seen)
        figures = [int(CREATING_FIGURE.match(t).group(1)) for t in creating[len(dotted):]]
        self.assertTrue(any(0 < f < 100 for f in figures), f"no figure while 7-Zip worked: {seen}")
        self.assertEqual(figures, sorted(figures), seen)
        dots = [len(CREATING.match(t).group(1)) for t in dotted]
        self.assertEqual(dots[:1], [0] if dots else [], seen)
        for before, after in zip(dots, dots[1:]):
            self.assertIn((after - before) % 11, (1, 2), seen)
        self.assertTrue(self.case.no_box(2000), "a box after a good backup without ReopenLM")
        self.assert_archive_holds_the_data()
        self.assertEqual(self.last_log(), f'Database backup successfully saved to "{self.bkupdir}"')
        # The archive, and beside it the record of its test.
        self.assertEqual(sorted(os.listdir(self.backups)), ["LarkmailBackup.proofs", os.path.basename(self.archive())])

    def test_yes_closes_the_client_backs_up_and_starts_it_again(self):
        held = os.path.join(self.data, "abook.db")
        self.start_client(hold=held)  # holds its database open without sharing
        self.settings(ReopenLM=1)
        self.open_window()
        self.case.control("click", BACKUP)
        self.case.answer_boxes(["yes"])
        self.assertEqual(self.client.wait(timeout=30) is not None, True)
        self.case.answer_boxes(["ok"], timeout_ms=120000)
        self.assertEqual(self.case.boxes(), [
            ("Error", "Larkmail must be closed before backing up. Close it now?"),
            ("Success", "Backup Completed, Re-starting Larkmail"),
        ])
        self.assertEqual(self.status(), "Ready")
        self.assert_archive_holds_the_data()  # the held file too: the client was gone
        self.assertEqual(self.last_log(), f'Database backup successfully saved to "{self.bkupdir}"')
        self.wait_for(lambda: self.start_count() == 2, "the client was not restarted")

    def test_a_hanging_archive_tool_is_ended_and_the_window_says_so(self):
        # A 7z.exe that writes one figure and then nothing, and never ends by itself.
        self.case.put_double("hanging_7z.exe")
        os.replace(os.path.join(self.case.program, "hanging_7z.exe"), os.path.join(self.case.program, "7z.exe"))
        self.case.environment["LARKMAILBACKUP_TEST_SILENCE_SECONDS"] = "3"
        self.settings()
        with open(self.archive(), "wb") as f:
            f.write(b"earlier archive of today")
        self.open_window()
        self.case.control("click", BACKUP)
        self.case.answer_boxes(["ok"], timeout_ms=60000)
        reason = "Backup failed, 7-Zip made no progress for 30 minutes and was ended. The earlier archive was kept."
        self.assertEqual(self.case.boxes(), [("Error", reason)])
        self.assertEqual(self.last_log(), reason)
        self.assertEqual(self.status(), "Ready")
        with open(self.archive(), "rb") as f:
            self.assertEqual(f.read(), b"earlier archive of today")
        self.assertEqual(os.listdir(self.backups), [os.path.basename(self.archive())])

    def start_count(self):
        with open(self.starts, "rb") as f:
            return len(f.read().splitlines())

    def test_no_leaves_the_client_running_and_makes_no_backup(self):
        self.start_client()
        self.settings()
        self.open_window()
        self.case.control("click", BACKUP)
        self.case.answer_boxes(["no"])
        self.wait_for(lambda: self.case.log_lines(), "no log line")
        self.assertEqual(self.last_log(), "Backup failed, Larkmail was not closed.")
        self.assertTrue(self.case.no_box(2000))
        self.assertIsNone(self.client.poll(), "the client was ended")
        self.assertEqual(self.status(), "Ready")
        self.assertEqual(os.listdir(self.backups), [])

    def test_a_backup_folder_inside_the_data_folder_is_refused_by_the_backup_and_the_requester(self):
        inside = os.path.join(self.data, "Backups")
        os.makedirs(inside)
        with open(os.path.join(inside, "LarkmailBackup_PC1_anna_20261201.7z.tmp"), "wb") as f:
            f.write(b"a leftover that any other folder would lose")
        before = tree_bytes(self.data)
        self.start_client()
        self.settings(BkUpDir=wine_path(inside) + "\\")
        self.open_window()
        self.case.control("click", BACKUP)
        self.case.answer_boxes(["ok"])
        reason = ("Backup failed, the backup folder lies inside the Larkmail data folder: " + wine_path(inside) +
                  "\\. Choose a backup folder outside it.")
        self.assertEqual(self.case.boxes(), [("Error", reason)])
        self.assertEqual(self.last_log(), reason)
        self.assertIsNone(self.client.poll(), "the client was ended")
        self.assertEqual(tree_bytes(self.data), before)
        self.assertEqual(self.status(), "Ready")
        self.assertIn(b"\r\nResult = failed\r\n", self.case.read("lmbackup.last"))

        # Cleared, then chosen again in the requester: refused, and the setting stays empty.
        self.case.control("click", CLEAR_FOLDER)
        self.case.control("click", SET_FOLDER)
        self.case.answer_file(wine_path(inside))
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1], (
            "Error", "This folder lies inside the Larkmail data folder (" + wine_path(self.data) + "). Every backup "
            "would pack the earlier archives again, and a restore would delete them. Please choose a folder "
            "outside it."))
        self.assertIn(b"\r\nBkUpDir = \r\n", self.case.read("lmbackup.prefs"))
        self.assertEqual(self.case.control("text", FOLDER_FIELD), "")
        self.case.control("click", SET_FOLDER)
        self.case.answer_file(self.bkupdir)
        self.wait_for(lambda: self.case.control("text", FOLDER_FIELD) == self.bkupdir, "the outside folder was not taken")
        self.assertIn(f"\r\nBkUpDir = {self.bkupdir}\r\n".encode("utf-8"), self.case.read("lmbackup.prefs"))
        self.assertEqual(len(self.case.boxes()), 2)


if __name__ == "__main__":
    import unittest
    unittest.main()
