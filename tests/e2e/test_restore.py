"""The restore end to end: the real program under Wine, driven through its
Restore button, message boxes, open-file requester and the dialog of what to
restore; archives made with Linux 7-Zip. A restore replaces the data folder
with the archive's Larkmail folder, or one folder of it, or unpacks a copy
elsewhere; every refusal or failure leaves the data folder byte for byte as it was."""

import datetime
import os
import re
import shutil
import struct
import subprocess
import threading
import time
import zlib

from harness import E2ETest, files_holding, seal_password, settings_bytes, tree_bytes, wine_env, wine_link, wine_path

RESTORE = 11
STATUS = 3
PASSWORD_FIELD = 72
WARNING = "This will overwrite your current Larkmail Data. Are you sure you wish to continue?"
TREE, EVERYTHING, ONE_FOLDER, COPY, RESTORE_CHOSEN = 82, 83, 84, 85, 86


def write_tree(root, files):
    for rel, data in files.items():
        full = os.path.join(root, rel)
        if data is None:  # an empty folder
            os.makedirs(full, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)


def make_archive(archive, source_parent, top, level=5, method=None, password=None):
    switches = [f"-mx={level}"] + ([f"-m0={method}"] if method else [])
    switches += ["-p" + password, "-mhe=on"] if password else []
    subprocess.run(["7zz", "a", *switches, archive, top], cwd=source_parent, stdout=subprocess.DEVNULL, check=True)


def rename_in_item_names(archive, marker, name):
    """`marker` in the archive's item names becomes `name` (as long), as another tool could write
    them: 7-Zip itself never stores a ".." part. The archive's header must be stored plain (-mhc=off)."""
    with open(archive, "rb") as f:
        data = bytearray(f.read())
    offset, size = struct.unpack_from("<QQ", data, 12)
    start = 32 + offset
    header = bytes(data[start:start + size]).replace(marker.encode("utf-16-le"), name.encode("utf-16-le"))
    data[start:start + size] = header
    struct.pack_into("<I", data, 28, zlib.crc32(header))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    with open(archive, "wb") as f:
        f.write(data)


class Restore(E2ETest):
    def setUp(self):
        super().setUp()
        self.backups = os.path.join(self.case.root, "My Backups")
        os.makedirs(self.backups)
        self.case.write("program/lmbackup.prefs", settings_bytes(
            BkUpDir=wine_path(self.backups) + "\\", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
            StayOnTop=0, Language=1))
        self.case.copy_lang()
        self.data = self.case.data_folder()
        write_tree(self.data, {
            "prefs.js": b"old prefs\r\n",
            "Mail/Inbox/old.eml": b"Subject: old\r\n",
            "abook.db": b"\x01\x02" * 3000,
        })
        self.local = os.path.dirname(self.data)
        self.before = tree_bytes(self.local)
        self.proc = None
        self.client = None
        self.addCleanup(self.end_programs)

    # The new data, packed the way a backup packs it: "Larkmail" at the top.
    def backup_archive(self, files, name="LarkmailBackup_PC1_anna_20261207.7z", top="Larkmail", level=5,
                       method=None, password=None):
        source = os.path.join(self.case.root, "source-" + name)
        write_tree(os.path.join(source, top), files)
        archive = os.path.join(self.backups, name)
        make_archive(archive, source, top, level, method, password)
        return archive, os.path.join(source, top)

    def open_window(self):
        self.proc = self.case.start()
        self.case.control("wait-window", RESTORE, "--timeout", "60000")
        self.wait_for(self.restore_on, "Restore never came on")

    def restore_on(self):
        try:
            return self.case.control("style", RESTORE).strip() == "1 1"
        except AssertionError:  # the window is there, its controls not yet
            return False

    def start_restore(self, archive, choice=EVERYTHING, folder=None, dialog=True, key=None):
        """Restore, Yes, the archive in the requester, the choice in the dialog,
        pressed with the button or with `key` on the tree."""
        self.case.control("click", RESTORE)
        self.case.answer_boxes(["yes"])
        self.case.answer_file(wine_path(archive))
        if dialog:
            self.choose(choice, folder, key)

    def choose(self, choice=EVERYTHING, folder=None, key=None):
        """The dialog of what to restore: `folder` selected in the tree, `choice`, then Restore (or `key`)."""
        if folder:
            self.case.control("tree", TREE, "--path", folder)
        self.case.control("click", choice)
        if key:
            self.case.focus(TREE)
            self.case.press(key)
        else:
            self.case.control("click", RESTORE_CHOSEN)

    def statuses_while(self, work):
        """The distinct status texts seen while `work` runs."""
        seen, done = [], threading.Event()

        def watch():
            while not done.is_set():
                text = self.case.control("text", STATUS)
                if not seen or seen[-1] != text:
                    seen.append(text)

        watcher = threading.Thread(target=watch)
        watcher.start()
        try:
            work()
        finally:
            done.set()
            watcher.join()
        return seen

    def end_programs(self):
        for kill in (["/pid", self.case.pid()] if self.proc else []), (["/im", "larkmail.exe"] if self.client else []):
            if kill:
                subprocess.call(["wine", "taskkill", "/f", *kill], env=wine_env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        for proc in (self.proc, self.client):
            if proc is not None:
                try:
                    proc.communicate(timeout=30)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.communicate()
        self.proc = self.client = None

    def last_log(self):
        lines = self.case.log_lines()
        self.assertTrue(lines, "no log line")
        return lines[-1][:-20]  # without " mm/dd/yyyy hh:mm:ss"

    def assert_logged(self, matches, what):
        # A failure's line follows its box: it is written once the box is answered.
        self.wait_for(lambda: self.case.log_lines() and matches(self.last_log()),
                      f"log line {what!r} not written; last: {self.case.log_lines()[-1:]}", timeout=30)

    def assert_unchanged(self):
        self.assertEqual(tree_bytes(self.local), self.before)

    def test_restore_replaces_the_data_folder_with_the_archives_content(self):
        archive, source = self.backup_archive({
            "prefs.js": b"new prefs\r\n",
            "Mail/\u00c4rger & M\u00fche/n\u00f6te.eml": "Gr\u00fc\u00dfe".encode("utf-8"),
            "Mail/Deep/er/file.dat": os.urandom(200000),
            # Staged, and in place, past 260 characters.
            "Mail/" + "/".join(f"A folder with a long name to pass the path limit, part {i}" for i in range(1, 5))
            + "/deep message.eml": b"Subject: deep\r\n",
            # Sixteen byte values at random, PPMd: seconds to unpack, long enough to watch.
            "Mail/big.mbox": os.urandom(24 * 1024 * 1024).translate(bytes(0x41 + (i % 16) for i in range(256))),
            "Empty Folder": None,
        }, method="PPMd")
        self.open_window()
        self.start_restore(archive)
        self.case.answer_boxes(["yes"])
        seen = self.statuses_while(lambda: self.case.answer_boxes(["ok"], timeout_ms=120000))
        figures = [int(m.group(1)) for m in (re.match(r"^Please Wait\.{5}restoring data (\d{1,3}) %$", t) for t in seen) if m]
        self.assertTrue(any(0 < f < 100 for f in figures), f"no figure while 7-Zip unpacked: {seen}")
        self.assertEqual(figures, sorted(figures), seen)
        self.assertEqual(self.case.boxes(), [
            ("Restore", "Are you sure you wish to restore from a backup?"),
            ("Warning", "This will overwrite your current Larkmail Data. Are you sure you wish to continue?"),
            ("Success", "Restore Completed"),
        ])
        with open(self.case.file_log, encoding="utf-8") as f:
            self.assertEqual(f.read(), "Select backup to restore:\n")
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        # Nothing beside the data folder: no staging, no old data. The old data's deletion follows the box
        # (on a busy machine it was seen still running); its last act is the note's removal.
        self.wait_for(lambda: os.listdir(self.local) == ["Larkmail"], "the old data was never removed", timeout=30)
        self.assertEqual(self.last_log(), "Restore Successful.")
        self.assertEqual(self.case.control("text", STATUS), "Ready")

    def type_archive_password(self, password):
        """The password dialog: typed into its field, then Enter."""
        def field_there():
            try:
                return self.case.control("style", PASSWORD_FIELD).strip() == "1 1"
            except AssertionError:
                return False
        self.wait_for(field_there, "the password dialog never came")
        self.case.control("settext", PASSWORD_FIELD, "--value", password)
        self.case.focus(PASSWORD_FIELD)
        self.case.press("return")

    def restore_typing(self, archive, password, source):
        """A whole restore with `password` typed when asked; the data then equals `source`."""
        self.start_restore(archive, dialog=False)
        self.type_archive_password(password)
        self.choose()
        self.case.answer_boxes(["yes", "ok"])
        self.assertEqual(self.case.boxes()[-1], ("Success", "Restore Completed"))
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        # The old data's deletion follows the box; its last act is the note's removal.
        self.wait_for(lambda: not os.path.exists(os.path.join(self.local, "Larkmail.restoring")),
                      "the old data's deletion never ended", timeout=30)

    def test_encrypted_archives_restore_with_the_stored_or_typed_password_and_a_wrong_one_changes_nothing(self):
        stored, older = "Kennwort \u00c4pfel \u043f\u0430\u0440\u043e\u043b\u044c 7", "older one"
        self.case.write("program/lmbackup.prefs", settings_bytes(
            BkUpDir=wine_path(self.backups) + "\\", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
            StayOnTop=0, Language=1, ArchivePassword=seal_password(self.case, stored)))
        archive, source = self.backup_archive({"prefs.js": b"new prefs\r\n", "Mail/a.eml": os.urandom(5000)},
                                              password=stored)
        old_archive, old_source = self.backup_archive({"prefs.js": b"older prefs\r\n"},
                                                      name="LarkmailBackup_PC1_anna_20261101.7z", password=older)
        self.open_window()
        # The stored password opens it for a copy of one folder, which leaves the data as it is.
        copies = os.path.join(self.case.root, "Copies")
        os.makedirs(copies)
        self.start_restore(archive, COPY, "Larkmail\\Mail")
        self.case.answer_file(wine_path(copies))
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1][0], "Success")
        self.assertEqual(tree_bytes(os.path.join(copies, "Mail")), tree_bytes(os.path.join(source, "Mail")))
        self.assert_unchanged()
        # The whole of it; the warning says it is encrypted.
        self.start_restore(archive)
        self.case.answer_boxes(["yes", "ok"])
        self.assertEqual(self.case.boxes()[-2:], [("Warning", "This backup is encrypted. " + WARNING),
                                                  ("Success", "Restore Completed")])
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        # The old data's deletion follows the box; its last act is the note's removal.
        self.wait_for(lambda: not os.path.exists(os.path.join(self.local, "Larkmail.restoring")),
                      "the old data's deletion never ended", timeout=30)
        # A night when nothing changed: 7-Zip writes no header to encrypt, yet the day is the full's, locked.
        diff = os.path.join(self.backups, "LarkmailBackup_PC1_anna_20261208_diff_20261207.7z")
        subprocess.run(["7zz", "u", archive, "Larkmail", "-t7z", "-u-", "-up0q3r2x2y2z0w2!" + diff, "-p" + stored,
                        "-mhe=on"], cwd=os.path.dirname(source), stdout=subprocess.DEVNULL, check=True)
        write_tree(self.data, {"prefs.js": b"changed since\r\n"})
        self.start_restore(diff)
        self.case.answer_boxes(["yes", "ok"])
        self.assertEqual(self.case.boxes()[-2:], [("Warning", "This backup is encrypted. " + WARNING),
                                                  ("Success", "Restore Completed")])
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        self.wait_for(lambda: not os.path.exists(os.path.join(self.local, "Larkmail.restoring")),
                      "the old data's deletion never ended", timeout=30)
        restored = tree_bytes(self.local)
        # An older password: the stored one does not open it, a wrong typed one changes nothing.
        self.start_restore(old_archive, dialog=False)
        self.type_archive_password("not it")
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1], ("Error", "Wrong password: nothing was changed."))
        self.assertEqual(tree_bytes(self.local), restored)
        # The line follows the box: it records what the user was told.
        refused = "Restore refused, wrong password for the archive: " + wine_path(old_archive)
        self.wait_for(lambda: self.last_log() == refused, "no log line for the wrong password", timeout=30)
        # The right one typed restores it.
        self.restore_typing(old_archive, older, old_source)
        # An empty differential of that full opens without a password; the full's own is asked for.
        old_diff = os.path.join(self.backups, "LarkmailBackup_PC1_anna_20261102_diff_20261101.7z")
        subprocess.run(["7zz", "u", old_archive, "Larkmail", "-t7z", "-u-", "-up0q3r2x2y2z0w2!" + old_diff,
                        "-p" + older, "-mhe=on"], cwd=os.path.dirname(old_source), stdout=subprocess.DEVNULL, check=True)
        write_tree(self.data, {"prefs.js": b"changed again\r\n"})
        self.restore_typing(old_diff, older, old_source)
        for password in (stored, older):
            self.assertEqual(files_holding(self.case.path("program"), password), [])
            self.assertEqual(files_holding(self.local, password), [])

    def test_links_in_the_old_data_stay_and_what_they_point_to_is_untouched(self):
        # Wine shows a Unix link to a file as a plain file, and deleting that
        # deleted the target; a folder link opens as the target folder.
        outside = os.path.join(self.case.root, "outside")
        write_tree(outside, {"keep.txt": b"outside file\r\n", "Folder/inner.eml": b"outside mail\r\n",
                             "Empty": None})
        os.chmod(os.path.join(outside, "keep.txt"), 0o444)
        links = {"file link": os.path.join(outside, "keep.txt"), "folder link": os.path.join(outside, "Folder"),
                 "Mail/empty folder link": os.path.join(outside, "Empty")}
        for name, target in links.items():
            os.symlink(target, os.path.join(self.data, name))
        outside_before = tree_bytes(outside)
        archive, source = self.backup_archive({"prefs.js": b"new prefs\r\n"})
        self.open_window()
        self.start_restore(archive)
        self.case.answer_boxes(["yes", "ok"])
        self.assertEqual(self.case.boxes()[-1], ("Success", "Restore Completed"))
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        # The old data's deletion follows the box; its last act is the note's removal.
        self.wait_for(lambda: not os.path.exists(os.path.join(self.local, "Larkmail.restoring")),
                      "the old data's deletion never ended", timeout=30)

        self.assertEqual(tree_bytes(outside), outside_before)
        self.assertEqual(os.stat(os.path.join(outside, "keep.txt")).st_mode & 0o777, 0o444)
        # The old data went but for the links, which stay as they were, with the folders that hold them.
        old = os.path.join(self.local, "Larkmail.old-1")
        self.assertEqual(sorted(os.listdir(self.local)), ["Larkmail", "Larkmail.old-1"])
        left = sorted(os.path.relpath(os.path.join(base, name), old)
                      for base, dirs, files in os.walk(old) for name in dirs + files)
        self.assertEqual(left, ["Mail", "Mail/empty folder link", "file link", "folder link"])
        for name, target in links.items():
            self.assertEqual(os.readlink(os.path.join(old, name)), target)
        # The result first: the old data is deleted once its box is answered.
        self.assertEqual([line[:-20] for line in self.case.log_lines()[-2:]], [
            "Restore Successful.",
            "Some files of the old Larkmail data could not be deleted: " + wine_path(old),
        ])

    def test_one_folder_back_in_place_and_everything_else_as_it_was(self):
        archive, source = self.backup_archive({
            "prefs.js": b"new prefs\r\n",
            "Mail/Old Box/a.eml": b"Subject: a\r\n",
            "Mail/Old Box/Sub/b.eml": os.urandom(5000),
            "Mail/Old Box/Empty": None,
            "Mail/Inbox/old.eml": b"Subject: from the backup\r\n",
        })
        # Since the backup: the folder got other mail, and a message came in elsewhere.
        write_tree(self.data, {"Mail/Old Box/a.eml": b"changed\r\n", "Mail/Old Box/later.eml": b"later",
                               "Mail/Inbox/new.eml": b"Subject: came later\r\n"})
        others = {k: v for k, v in tree_bytes(self.data).items() if not k.startswith("Mail/Old Box")}
        self.open_window()
        self.start_restore(archive, ONE_FOLDER, "Larkmail\\Mail\\Old Box", key="return")  # Enter: the default button
        self.case.answer_boxes(["yes", "ok"])
        self.assertEqual(self.case.boxes()[1:], [
            ("Warning", "The folder Mail\\Old Box will be put back as it was in the backup; what changed in it since "
                        "then will be lost. Everything else in your Larkmail data stays as it is. Are you sure you wish "
                        "to continue?"),
            ("Success", "The folder Mail\\Old Box was restored. Everything else is as it was."),
        ])
        box = os.path.join("Mail", "Old Box")
        self.assertEqual(tree_bytes(os.path.join(self.data, box)), tree_bytes(os.path.join(source, box)))
        self.assertEqual({k: v for k, v in tree_bytes(self.data).items() if not k.startswith("Mail/Old Box")}, others)
        # The set-aside folder's deletion follows the box; its last act is the note's removal.
        self.wait_for(lambda: os.listdir(self.local) == ["Larkmail"], "the set-aside folder was never removed",
                      timeout=30)
        self.assertEqual(self.last_log(), "Folder restored: " + wine_path(os.path.join(self.data, box)))

    def test_a_copy_into_another_folder_leaves_the_data_alone(self):
        archive, source = self.backup_archive({"prefs.js": b"new prefs\r\n", "Mail/Old Box/a.eml": b"a",
                                                "Mail/Old Box/Sub/b.eml": os.urandom(3000)})
        target = os.path.join(self.case.root, "Copies")
        write_tree(target, {"Old Box/mine.txt": b"mine"})  # an earlier copy stays
        self.open_window()
        self.start_restore(archive, COPY, key="escape")  # Esc cancels the dialog
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1], ("Cancelled", "Your restore request has been cancelled."))
        os.remove(self.case.box_log)
        self.start_restore(archive, COPY, "Larkmail\\Mail\\Old Box")
        self.case.answer_file(wine_path(self.data))  # inside the data folder: refused, asked again
        self.case.answer_boxes(["ok"])
        self.case.answer_file(wine_path(target))
        self.case.answer_boxes(["ok"])
        placed = os.path.join(target, "Old Box (2)")
        self.assertEqual(self.case.boxes()[1:], [
            ("Error", "The copy must go outside the Larkmail data folder and the backup folder. Please choose another "
                      "folder."),
            ("Success", f"The copy is in the folder {wine_path(placed)}. Your Larkmail data was not changed."),
        ])
        self.assertEqual(tree_bytes(placed), tree_bytes(os.path.join(source, "Mail", "Old Box")))
        self.assertEqual(sorted(os.listdir(target)), ["Old Box", "Old Box (2)"])
        self.assertEqual(tree_bytes(os.path.join(target, "Old Box")), {"mine.txt": b"mine"})
        self.assert_unchanged()

    def test_refused_while_the_client_runs(self):
        archive, _ = self.backup_archive({"prefs.js": b"new\r\n"})
        client = self.case.put_double("larkmail.exe")
        starts = os.path.join(self.case.program, "larkmail-starts.txt")
        self.client = subprocess.Popen(["wine", client], env=wine_env(), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        self.wait_for(lambda: os.path.exists(starts), "the client double did not start")
        self.open_window()
        self.start_restore(archive)
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[1:], [("Error", "Larkmail must be closed before restoring data.")])
        self.assert_logged(lambda line: line == "Restore failed, Larkmail was not closed.", "not closed")
        self.assertIsNone(self.client.poll(), "the restore must not end the client")
        self.assert_unchanged()

    def test_refusals_and_failures_leave_the_data_folder_as_it_was(self):
        foreign, _ = self.backup_archive({"a.txt": b"not mail"}, name="Other.7z", top="Documents")
        whole, _ = self.backup_archive({"big.bin": os.urandom(300000), "prefs.js": b"x"}, name="Whole.7z", level=0)
        with open(whole, "rb") as f:
            whole_bytes = f.read()
        truncated = os.path.join(self.backups, "Truncated.7z")
        with open(truncated, "wb") as f:
            f.write(whole_bytes[:len(whole_bytes) // 2])
        # Stored data with a few bytes changed: the listing is fine, the CRC is not.
        corrupt = os.path.join(self.backups, "Corrupt.7z")
        middle = 1000
        with open(corrupt, "wb") as f:
            f.write(whole_bytes[:middle] + bytes(b ^ 0xFF for b in whole_bytes[middle:middle + 16]) +
                    whole_bytes[middle + 16:])
        # A folder item named "..", and a file in it, as the one folder of the tree a user would pick.
        crafted_source = os.path.join(self.case.root, "crafted")
        write_tree(os.path.join(crafted_source, "Larkmail"), {"prefs.js": b"x", "Mail/Inbox/a.eml": b"a",
                                                              "Mail/QQ/QQ/evil.txt": b"evil\r\n"})
        crafted = os.path.join(self.backups, "Crafted.7z")
        subprocess.run(["7zz", "a", "-mx=0", "-mhc=off", crafted, "Larkmail"], cwd=crafted_source,
                       stdout=subprocess.DEVNULL, check=True)
        rename_in_item_names(crafted, "QQ", "..")
        refused = "This archive does not hold a Larkmail backup. Nothing was changed."
        failed = "The restore failed. Your Larkmail data was not changed."
        cases = [
            ("an item named ..", crafted, False,
             "This archive was not made by Larkmail Backup, or it is damaged: an item in it has a name that would put "
             "it outside the restored folder. Nothing was changed.",
             "Restore refused, the archive is not a Larkmail backup or is damaged: an item's name reaches outside its "
             "folder: \"Larkmail\\Mail\\..\". Your Larkmail data was not changed."),
            ("no Larkmail folder", foreign, False, refused,
             "Restore refused, the archive holds no Larkmail folder: " + wine_path(foreign)),
            ("truncated archive", truncated, False, refused + " 7-Zip reported a fatal error (exit code 2).",
             "Restore refused, the archive holds no Larkmail folder: " + wine_path(truncated)),
            ("damaged data", corrupt, True, failed + " 7-Zip reported a fatal error (exit code 2).",
             "Restore failed, 7-Zip ended with exit code 2. Your Larkmail data was not changed."),
        ]
        self.open_window()
        for what, archive, warned, box, log in cases:
            with self.subTest(what):
                if os.path.exists(self.case.box_log):
                    os.remove(self.case.box_log)
                self.start_restore(archive, dialog=warned)
                self.case.answer_boxes(["yes", "ok"] if warned else ["ok"])
                title, text = self.case.boxes()[-1]
                self.assertEqual(title, "Error")
                self.assertEqual(text, box)
                self.assert_logged(lambda line: line == log, log)
                self.assert_unchanged()
                self.wait_for(lambda: self.case.control("text", STATUS) == "Ready", "status not Ready")

    def test_a_differential_restores_its_day_and_needs_its_full(self):
        earlier = {"prefs.js": b"prefs of the first\r\n", "Mail/Inbox/a.eml": b"Subject: a\r\n",
                   "Mail/Gone/b.eml": b"Subject: b\r\n", "abook.db": b"\x03" * 5000}
        full, source = self.backup_archive(earlier, name="LarkmailBackup_PC1_anna_20261201.7z")
        earlier_bytes = tree_bytes(source)
        shutil.rmtree(os.path.join(source, "Mail", "Gone"))
        write_tree(source, {"prefs.js": b"prefs of the day, longer\r\n", "Mail/Inbox/c.eml": b"Subject: c\r\n"})
        diff = os.path.join(self.backups, "LarkmailBackup_PC1_anna_20261207_diff_20261201.7z")
        # As the backup makes it, from the data folder's parent.
        subprocess.run(["7zz", "u", full, "Larkmail", "-t7z", "-mx=5", "-u-", "-up0q3r2x2y2z0w2!" + diff],
                       cwd=os.path.dirname(source), stdout=subprocess.DEVNULL, check=True)
        self.open_window()
        for archive, expected in ((diff, tree_bytes(source)), (full, earlier_bytes)):
            self.start_restore(archive)
            self.case.answer_boxes(["yes", "ok"], timeout_ms=120000)
            self.assertEqual(self.case.boxes()[-1], ("Success", "Restore Completed"))
            self.assertEqual(tree_bytes(self.data), expected)
            # The old data's deletion follows the box; its last act is the note's removal.
            self.wait_for(lambda: not os.path.exists(os.path.join(self.local, "Larkmail.restoring")),
                          "the old data's deletion never ended", timeout=30)
            self.assertEqual(os.listdir(self.local), ["Larkmail"])
        # One folder of the day: it comes back as the differential left it, all else stays.
        write_tree(self.data, {"Mail/Inbox/a.eml": b"changed since\r\n", "Mail/Inbox/later.eml": b"later\r\n",
                               "Mail/Sent/new.eml": b"Subject: came later\r\n"})
        others = {k: v for k, v in tree_bytes(self.data).items() if not k.startswith("Mail/Inbox")}
        self.start_restore(diff, ONE_FOLDER, "Larkmail\\Mail\\Inbox")
        self.case.answer_boxes(["yes", "ok"], timeout_ms=120000)
        self.assertEqual(self.case.boxes()[-1][0], "Success")
        inbox = os.path.join("Mail", "Inbox")
        self.assertEqual(tree_bytes(os.path.join(self.data, inbox)), tree_bytes(os.path.join(source, inbox)))
        self.assertEqual({k: v for k, v in tree_bytes(self.data).items() if not k.startswith("Mail/Inbox")}, others)
        self.wait_for(lambda: os.listdir(self.local) == ["Larkmail"], "the set-aside folder was never removed",
                      timeout=30)
        # Without its full a differential is refused before anything changes.
        os.remove(full)
        self.before = tree_bytes(self.local)
        self.start_restore(diff, dialog=False)
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1], ("Error", "This differential archive needs its full archive, which is "
                                                 f"missing or cannot be read: {wine_path(full)}. Nothing was changed."))
        self.assert_logged(lambda line: line.endswith(wine_path(full)), "full missing")
        self.assert_unchanged()

    def test_a_new_computer_restores_a_differential_from_the_second_copy(self):
        full, source = self.backup_archive({"prefs.js": b"prefs of the full\r\n", "Mail/Inbox/a.eml": b"Subject: a\r\n"},
                                           name="LarkmailBackup_PC1_anna_20261201.7z")
        write_tree(source, {"prefs.js": b"prefs of the day\r\n", "Mail/Inbox/b.eml": b"Subject: b\r\n"})
        diff = os.path.join(self.backups, "LarkmailBackup_PC1_anna_20261207_diff_20261201.7z")
        subprocess.run(["7zz", "u", full, "Larkmail", "-t7z", "-mx=5", "-u-", "-up0q3r2x2y2z0w2!" + diff],
                       cwd=os.path.dirname(source), stdout=subprocess.DEVNULL, check=True)
        # The backup disk is dead; the USB disk holds the second copy.
        usb = os.path.join(self.case.root, "usb")
        shutil.move(self.backups, os.path.join(usb, "Copies"))
        link = wine_link("q:", usb)
        self.addCleanup(lambda: os.path.lexists(link) and os.remove(link))
        self.case.write("program/lmbackup.prefs", settings_bytes(
            BkUpDir=wine_path(self.backups) + "\\", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
            StayOnTop=0, Language=1, CopyDir="Q:\\Copies\\"))
        self.open_window()
        self.case.control("click", RESTORE)
        self.case.answer_boxes(["yes"])
        self.case.answer_file("Q:\\Copies\\" + os.path.basename(diff))
        self.choose()
        self.case.answer_boxes(["yes", "ok"], timeout_ms=120000)
        self.assertEqual(self.case.boxes()[-1], ("Success", "Restore Completed"))
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))

    def test_a_users_diff_named_fulls_and_a_renamed_differential_restore_by_the_mark_or_are_refused(self):
        # A user whose name ends in "_diff" once had fulls read as differentials.
        self.case.environment["USERNAME"] = "anna_diff"
        self.case.write("program/lmbackup.prefs", settings_bytes(
            BkUpDir=wine_path(self.backups) + "\\", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
            StayOnTop=0, Language=1, FullEvery=7))
        today = datetime.date.today()
        first = today - datetime.timedelta(days=5)
        self.assertEqual(self.case.run("/b"), 0)
        full = os.path.join(self.backups, f"LarkmailBackup_PC1_anna_diff_{first:%Y%m%d}.7z")
        os.replace(os.path.join(self.backups, f"LarkmailBackup_PC1_anna_diff_{today:%Y%m%d}.7z"), full)
        earlier = tree_bytes(self.data)
        shutil.rmtree(os.path.join(self.data, "Mail"))
        write_tree(self.data, {"prefs.js": b"prefs of the day, longer\r\n", "Mail/Sent/new.eml": b"Subject: new\r\n"})
        day = tree_bytes(self.data)
        self.assertEqual(self.case.run("/b"), 0)
        diff = os.path.join(self.backups, f"LarkmailBackup_PC1_anna_diff_{today:%Y%m%d}_diff_{first:%Y%m%d}.7z")
        # Beside them the record of the archives' tests.
        self.assertEqual(sorted(os.listdir(self.backups)),
                         sorted([os.path.basename(full), os.path.basename(diff), "LarkmailBackup.proofs"]))
        # The mark beside the Larkmail folder: the full's name, size and the start header's last 20 bytes.
        mark = subprocess.run(["7zz", "e", "-so", diff, "LarkmailBackup.base"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, check=True).stdout
        with open(full, "rb") as f:
            header = f.read(32)[12:]
        self.assertEqual(mark, (f"Full = {os.path.basename(full)}\r\nSize = {os.path.getsize(full)}\r\n"
                                f"Header = {header.hex().upper()}\r\n").encode())
        # Copied under a name of the user's, the original gone, the full renamed too.
        copy = os.path.join(self.backups, "x.7z")
        shutil.copyfile(diff, copy)
        os.remove(diff)
        self.open_window()
        for archive, expected, rename in ((full, earlier, None), (copy, day, full + " - Copy.7z")):
            if rename:
                os.replace(full, rename)
            self.start_restore(archive)
            self.case.answer_boxes(["yes", "ok"], timeout_ms=120000)
            self.assertEqual(self.case.boxes()[-1], ("Success", "Restore Completed"))
            self.assertEqual(tree_bytes(self.data), expected)
            self.wait_for(lambda: os.listdir(self.local) == ["Larkmail"], "the old data was never removed", timeout=30)
        # Without its full it is refused; never restored as if it were a full, leaving only the night's changes.
        os.remove(full + " - Copy.7z")
        self.before = tree_bytes(self.local)
        self.start_restore(copy, dialog=False)
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes()[-1], ("Error", "This differential archive needs its full archive, which is "
                                                 f"missing or cannot be read: {wine_path(full)}. Nothing was changed."))
        self.assert_logged(lambda line: line.endswith(wine_path(full)), "full missing")
        self.assert_unchanged()

    def test_archives_inside_the_data_folder_are_never_deleted(self):
        inside, _ = self.backup_archive({"prefs.js": b"new\r\n"})
        os.makedirs(os.path.join(self.data, "Backups"))
        chosen = os.path.join(self.data, "Backups", os.path.basename(inside))
        os.replace(inside, chosen)
        good, _ = self.backup_archive({"prefs.js": b"new\r\n"}, name="LarkmailBackup_PC1_anna_20261208.7z")
        # Read-only, as a careful user leaves an archive: the old data's deletion took those too.
        os.chmod(chosen, 0o444)
        self.before = tree_bytes(self.local)
        box = ("A backup archive lies inside the Larkmail data folder: {}. A restore replaces everything in that "
               "folder and would delete it. Nothing was changed: move the archive out of the Larkmail folder, "
               "then restore again.")
        self.open_window()
        # The archive itself, then a good one from outside while the other still lies in the data folder.
        for archive in (chosen, good):
            with self.subTest(archive=os.path.basename(archive)):
                self.start_restore(archive, dialog=False)
                self.case.answer_boxes(["ok"])
                self.assertEqual(self.case.boxes()[-1], ("Error", box.format(wine_path(chosen))))
                self.assert_logged(lambda line: line == "Restore refused, an archive lies inside the Larkmail data "
                                   "folder: " + wine_path(chosen), "refused")
                self.assert_unchanged()
        self.assertEqual(os.stat(chosen).st_mode & 0o777, 0o444)

    def test_a_killed_archive_tool_leaves_the_data_folder_as_it_was(self):
        # Sixteen byte values at random: LZMA unpacks that slowly enough to
        # be caught, and 7-Zip gives the file its full size at once.
        table = bytes(0x41 + (i % 16) for i in range(256))
        files = {"a.bin": os.urandom(100 * 1024 * 1024).translate(table)}
        files.update({f"Mail/z{i:03}.eml": b"mail %d\r\n" % i for i in range(200)})
        archive, _ = self.backup_archive(files, level=1)
        self.open_window()
        self.start_restore(archive)
        killer = threading.Thread(target=self.kill_archive_tool_when_it_writes)
        killer.start()
        self.case.answer_boxes(["yes"])
        killer.join()
        self.assertTrue(self.killed, "7z.exe never wrote into a staging folder")
        self.case.answer_boxes(["ok"], timeout_ms=120000)
        title, text = self.case.boxes()[-1]
        self.assertEqual(title, "Error")
        self.assertTrue(text.startswith("The restore failed. Your Larkmail data was not changed."), text)
        self.assert_logged(lambda line: line.startswith("Restore failed"), "Restore failed ...")
        self.assert_unchanged()

    def test_a_killed_restore_is_finished_or_undone_at_the_next_start(self):
        table = bytes(0x41 + (i % 16) for i in range(256))
        files = {"a.bin": os.urandom(60 * 1024 * 1024).translate(table), "prefs.js": b"new prefs\r\n"}
        archive, source = self.backup_archive(files, level=1)
        aside = os.path.join(self.local, "Larkmail.old-1")
        note = os.path.join(self.local, "Larkmail.restoring")

        # Killed while 7-Zip writes (and the files are checked): the data stays as it was.
        self.open_window()
        self.start_restore(archive)
        killer = threading.Thread(target=self.kill_program_when, args=(self.staged_part_written,))
        killer.start()
        self.case.answer_boxes(["yes"])
        killer.join()
        self.assertTrue(self.killed, "7z.exe never wrote into a staging folder")
        self.assertIn("Larkmail.restoring", os.listdir(self.local))
        self.open_window()
        self.assertEqual(tree_bytes(self.local), self.before)
        self.assertEqual(self.last_log(), "An interrupted restore was undone: its unfinished copy was removed. "
                                          "Your Larkmail data was not changed.")

        # Killed with the result box up: the restored data in place, the old data still aside.
        old = tree_bytes(self.data)
        self.start_restore(archive)
        self.case.answer_boxes(["yes"])
        self.wait_for(lambda: os.path.isdir(aside) and self.restored_in_place(source), "never swapped", timeout=120)
        self.assertEqual(tree_bytes(aside), old)
        self.kill_program_when(lambda: True)
        self.open_window()
        self.assertEqual(os.listdir(self.local), ["Larkmail"])
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        self.assertEqual(self.last_log(),
                         "An interrupted restore was finished: the old data it had set aside was removed.")
        self.end_programs()

        # Killed between the two moves (made by hand, as the restore leaves it), and the mail client
        # made an empty data folder meanwhile: the checked copy goes in before the backup runs.
        os.rename(self.data, aside)
        write_tree(os.path.join(self.local, "Larkmail.restore-1", "Larkmail"), files)
        os.makedirs(self.data)
        with open(note, "wb") as f:
            f.write(b"phase=swapping\r\nstaging=Larkmail.restore-1\r\naside=Larkmail.old-1\r\nprocess=0\r\n"
                    b"program=LarkmailBackup.exe\r\n")
        self.assertEqual(self.case.run("/b", timeout=180), 0)
        self.assertEqual(os.listdir(self.local), ["Larkmail"])
        self.assertEqual(tree_bytes(self.data), tree_bytes(source))
        self.assertEqual(self.case.log_lines()[-2][:-20],
                         "An interrupted restore was finished: the restored data was put in place and the old data "
                         "removed.")

    def restored_in_place(self, source):
        try:
            return tree_bytes(self.data) == tree_bytes(source)
        except OSError:
            return False

    def staged_part_written(self):
        for name in os.listdir(self.local):
            big = os.path.join(self.local, name, "Larkmail", "a.bin")
            if name.startswith("Larkmail.restore-") and os.path.exists(big) and os.path.getsize(big) > 1_000_000:
                return True
        return False

    def kill_program_when(self, condition):
        """Ends the program with taskkill /f once `condition` holds, and the 7-Zip it left running."""
        self.killed = False
        end = time.time() + 120
        while not condition():
            if time.time() > end:
                return
            time.sleep(0.02)
        for kill in (["/pid", self.case.pid()], ["/im", "7z.exe"]):
            subprocess.call(["wine", "taskkill", "/f", *kill], env=wine_env(), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
        self.killed = True
        if self.proc is not None:
            self.proc.communicate(timeout=30)
        self.proc = None

    def kill_archive_tool_when_it_writes(self):
        self.killed = False
        end = time.time() + 120
        while time.time() < end:
            for name in os.listdir(self.local):
                big = os.path.join(self.local, name, "Larkmail", "a.bin")
                if name.startswith("Larkmail.restore-") and os.path.exists(big) and os.path.getsize(big) > 1_000_000:
                    subprocess.call(["wine", "taskkill", "/f", "/im", "7z.exe"], env=wine_env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    self.killed = True
                    return
            time.sleep(0.02)


if __name__ == "__main__":
    import unittest
    unittest.main()
