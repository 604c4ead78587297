"""`LarkmailBackup.exe /b` end to end: real 7-Zip under Wine, archives read
back with Linux 7-Zip, the log line, the mail client double, and failures
that must leave the day's earlier archive as it was."""

import datetime
import os
import re
import shutil
import stat
import subprocess
import tempfile
import threading
import time

import harness
from harness import (PAYLOAD, E2ETest, extract_archive, files_holding, kill_program, list_archive, seal_password,
                     settings_bytes, tree_bytes, wine_env, wine_link, wine_path)

PROOFS = "LarkmailBackup.proofs"
LOG_LINE = re.compile(r"^(.*) (\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)$")


def read_lines(path):
    with open(path, "rb") as f:
        return f.read().splitlines()


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:  # gone between the listing and the look
        return 0


def probe(*args):
    out = subprocess.run(["wine", os.path.join(harness.DOUBLES, "tray_probe.exe"), *args], env=wine_env(),
                         stdout=subprocess.PIPE, timeout=60)
    return out.returncode, out.stdout.decode("utf-8").replace("\r\n", "\n")


def archive_name(day=None):
    day = day or datetime.date.today()
    return f"LarkmailBackup_PC1_anna_{day:%Y%m%d}.7z"


class UnattendedBackup(E2ETest):
    def setUp(self):
        super().setUp()
        self.backups = os.path.join(self.case.root, "My Backups")
        os.makedirs(self.backups)
        self.bkupdir = wine_path(self.backups) + "\\"

    def settings(self, **override):
        keys = dict(BkUpDir=self.bkupdir, CloseToTray=0, Compression=5, OpenToTray=0, ReopenLM=0,
                    StayOnTop=0, Language=1)
        keys.update(override)
        self.case.write("program/lmbackup.prefs", settings_bytes(**keys))

    def make_profile(self):
        data = self.case.data_folder()
        files = {
            "prefs.js": b"user_pref(1);\r\n",
            "Mail/Inbox/msg 1.eml": b"Subject: hello\r\n\r\nbody\r\n",
            "Mail/\u00c4rger & M\u00fche/n\u00f6te.eml": "Gr\u00fc\u00dfe".encode("utf-8"),
            "Mail/Deep/er/still/file.dat": os.urandom(70000),
            "abook.db": b"\x00\x01" * 5000,
        }
        for rel, data_bytes in files.items():
            full = os.path.join(data, rel)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data_bytes)
        os.makedirs(os.path.join(data, "Empty Folder"))
        os.chmod(os.path.join(data, "abook.db"), stat.S_IRUSR)
        return data

    def archive(self):
        return os.path.join(self.backups, archive_name())

    def assert_restores_to(self, source):
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(self.archive(), out)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), tree_bytes(source))

    def assert_no_temporaries(self):
        self.assertEqual([n for n in os.listdir(self.backups) if not n.endswith(".7z") and n != PROOFS], [])

    def archives(self):
        """The backup folder's names but the record of the archives' proofs."""
        return sorted(n for n in os.listdir(self.backups) if n != PROOFS)

    def proofs(self):
        with open(os.path.join(self.backups, PROOFS), "rb") as f:
            return f.read().decode("utf-8")

    def night_with_balloon(self):
        """/b to its end; its balloon is read and clicked away. Returns (exit code, the balloon's text)."""
        proc = self.case.start("/b")
        pid = self.case.pid()
        code, balloon = probe("balloon", "--timeout", "60000")
        self.assertEqual(code, 0, "no balloon came")
        probe("click", "--pid", pid, "--notice", "1")
        return proc.wait(timeout=60), balloon.strip()

    def last_log(self):
        lines = self.case.log_lines()
        self.assertTrue(lines, "no log line written")
        match = LOG_LINE.match(lines[-1])
        self.assertIsNotNone(match, lines[-1])
        return match.group(1)

    def test_backup_of_a_varied_profile_restores_byte_for_byte(self):
        self.case.environment["USERPROFILE"] = wine_path(self.case.profile)
        data = self.make_profile()
        self.settings()
        self.assertEqual(self.case.run("/b"), 0)
        self.assertIn("Larkmail/Mail/Inbox/msg 1.eml", list_archive(self.archive()))
        self.assert_restores_to(data)
        self.assert_no_temporaries()
        self.assertEqual(self.last_log(), f'Database backup successfully saved to "{self.bkupdir}"')
        # The time stamp is now, month first.
        stamp = datetime.datetime.strptime(self.case.log_lines()[-1][-19:], "%m/%d/%Y %H:%M:%S")
        self.assertLess(abs((datetime.datetime.now() - stamp).total_seconds()), 300)

    def test_an_encrypted_night_opens_only_with_its_password_and_leaves_it_nowhere(self):
        password = "Kennwort \u00c4pfel \u043f\u0430\u0440\u043e\u043b\u044c 7"
        data = self.make_profile()
        self.settings(ArchivePassword=seal_password(self.case, password), FullEvery=7)
        self.assertEqual(self.case.run("/b"), 0)
        archive = self.archive()
        # Encrypted names: without the password not even the listing opens.
        bare = subprocess.run(["7zz", "l", archive], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT)
        self.assertNotEqual(bare.returncode, 0)
        self.assertNotIn(b"prefs.js", bare.stdout)
        self.assertEqual(subprocess.call(["7zz", "t", "-p" + password, archive], stdout=subprocess.DEVNULL,
                                         stdin=subprocess.DEVNULL), 0)
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(archive, out, password)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), tree_bytes(data))
        shutil.rmtree(out)
        # The next night's differential: its mark sealed with the rest, read with the password only.
        yesterday = datetime.date.today() - datetime.timedelta(days=1)
        os.replace(archive, os.path.join(self.backups, archive_name(yesterday)))
        self.assertEqual(self.case.run("/b"), 0)
        diff = os.path.join(self.backups, f"LarkmailBackup_PC1_anna_{datetime.date.today():%Y%m%d}_diff_{yesterday:%Y%m%d}.7z")
        bare = subprocess.run(["7zz", "l", diff], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertNotIn(b"LarkmailBackup.base", bare.stdout)
        mark = subprocess.run(["7zz", "e", "-so", "-p" + password, diff, "LarkmailBackup.base"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True).stdout
        self.assertTrue(mark.startswith(f"Full = {archive_name(yesterday)}\r\nSize = ".encode()), mark)
        self.assertEqual(files_holding(self.case.root, password), [])
        self.assertEqual(self.last_log(), f'Database backup successfully saved to "{self.bkupdir}"')
        self.assert_no_temporaries()

    def test_a_stored_password_that_cannot_be_opened_writes_no_archive_and_leaves_the_client_running(self):
        self.make_profile()
        # Base64, but no seal of this user: what another account's value looks like.
        self.settings(ArchivePassword="bm90IHNlYWxlZCBieSB0aGlzIHVzZXI=", ReopenLM=1)
        client = self.case.put_double("larkmail.exe")
        starts = os.path.join(self.case.program, "larkmail-starts.txt")
        proc = subprocess.Popen(["wine", client], env=wine_env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            self.wait_for(lambda: os.path.exists(starts))
            self.assertEqual(self.case.run("/b"), 12)
            # The key is read before the client is ended: it was never touched, nor started again.
            self.assertIsNone(proc.poll(), "the client was ended")
            self.assertEqual(len(read_lines(starts)), 1)
        finally:
            subprocess.call(["wine", "taskkill", "/f", "/im", "larkmail.exe"], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if proc.poll() is None:
                proc.kill()
        self.assertEqual(os.listdir(self.backups), [])
        self.assertTrue(self.last_log().startswith("Backup failed, the stored archive password cannot be opened"),
                        self.last_log())

    def test_profile_folder_with_a_blank(self):
        # A profile such as "C:\Users\Anna Maria" must reach 7-Zip as one path.
        self.case.profile = os.path.join(self.case.root, "Anna Maria")
        os.makedirs(self.case.profile)
        self.case.environment["USERPROFILE"] = wine_path(self.case.profile)
        data = self.make_profile()
        self.settings()
        self.assertEqual(self.case.run("/b"), 0)
        self.assert_restores_to(data)

    def test_a_user_name_with_a_blank_gets_its_full_archive_name(self):
        # "Anna Maria" once split the archive path: 7-Zip exit 1 and a stray "..._Anna.7z".
        self.case.environment["USERNAME"] = "Anna Maria"
        data = self.make_profile()
        self.settings(KeepDays=3)
        today = datetime.date.today()
        old_day = today - datetime.timedelta(days=10)
        # An old archive of this user goes by KeepDays; an earlier day's temporary of a run long gone goes too.
        old = os.path.join(self.backups, f"LarkmailBackup_PC1_Anna Maria_{old_day:%Y%m%d}.7z")
        leftover = os.path.join(self.backups, f"LarkmailBackup_PC1_Anna Maria_{old_day:%Y%m%d}.7z.4000000000.tmp")
        # Yesterday's, within KeepDays: the night after a gap longer than KeepDays would remove nothing.
        yesterday = f"LarkmailBackup_PC1_Anna Maria_{today - datetime.timedelta(days=1):%Y%m%d}.7z"
        for path in (old, leftover, os.path.join(self.backups, yesterday)):
            with open(path, "wb") as f:
                f.write(b"old")
        # The night then proves yesterday's, which is no archive at all: told, and kept.
        failed = f"The older archive {self.bkupdir}{yesterday} failed its test. It was kept."
        self.assertEqual(self.night_with_balloon(), (0, failed))
        name = f"LarkmailBackup_PC1_Anna Maria_{today:%Y%m%d}.7z"
        self.assertEqual(self.archives(), sorted([yesterday, name]))
        archive = os.path.join(self.backups, name)
        subprocess.run(["7zz", "t", archive], stdout=subprocess.DEVNULL, check=True)
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(archive, out)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), tree_bytes(data))
        self.assertIn(f"\r\nArchive = {name}\r\n", self.case.read("lmbackup.last").decode("utf-8"))

    def test_a_backup_folder_inside_the_data_folder_is_refused_and_nothing_is_written_there(self):
        data = self.make_profile()
        inside = os.path.join(data, "Backups")
        os.makedirs(inside)
        with open(os.path.join(inside, archive_name()), "wb") as f:
            f.write(b"earlier archive of today")
        with open(os.path.join(inside, archive_name() + ".tmp"), "wb") as f:
            f.write(b"a leftover that any other folder would lose")
        before = tree_bytes(data)
        # Another spelling of the same folder: letter case, "/" and "..".
        spelled = wine_path(data).lower().replace("\\", "/") + "/../Larkmail/Backups/"
        self.settings(BkUpDir=spelled, KeepDays=1)
        self.assertEqual(self.case.run("/b", timeout=180), 11)
        self.assertEqual(tree_bytes(data), before)
        reason = ("Backup failed, the backup folder lies inside the Larkmail data folder: " + spelled +
                  ". Choose a backup folder outside it.")
        self.assertEqual(self.last_log(), reason)
        record = self.case.read("lmbackup.last").decode("utf-8")
        self.assertIn("\r\nResult = failed\r\nReason = " + reason + "\r\n", record)

    def test_same_day_backup_drops_files_deleted_since(self):
        data = self.make_profile()
        self.settings()
        self.assertEqual(self.case.run("/b"), 0)
        os.remove(os.path.join(data, "prefs.js"))
        self.assertEqual(self.case.run("/b"), 0)
        self.assertNotIn("Larkmail/prefs.js", list_archive(self.archive()))
        self.assert_restores_to(data)

    def test_two_runs_at_once_both_end_with_a_complete_archive(self):
        data = self.make_profile()
        with open(os.path.join(data, "big.bin"), "wb") as f:
            f.write(os.urandom(8 * 1024 * 1024))
        self.settings()
        # The second starts while the first is writing: each has a temporary of its own.
        first = self.case.start("/b")
        time.sleep(0.3)
        second = self.case.start("/b")
        self.assertEqual([first.wait(timeout=300), second.wait(timeout=300)], [0, 0])
        successes = [line for line in self.case.log_lines() if "successfully saved" in line]
        self.assertEqual(len(successes), 2, self.case.log_lines())
        subprocess.run(["7zz", "t", self.archive()], stdout=subprocess.DEVNULL, check=True)
        self.assert_restores_to(data)
        self.assert_no_temporaries()

    def test_an_archive_that_fails_its_test_never_replaces_the_earlier_one(self):
        self.make_profile()
        # A 7z.exe that damages the packed data after writing: only the test can tell.
        self.case.put_double("damaging_7z.exe")
        os.replace(os.path.join(self.case.program, "damaging_7z.exe"), os.path.join(self.case.program, "7z.exe"))
        shutil.copyfile(os.path.join(PAYLOAD, "7z.exe"), os.path.join(self.case.program, "7z-real.exe"))
        shutil.copyfile(os.path.join(PAYLOAD, "7z.dll"), os.path.join(self.case.program, "7z.dll"))
        self.backups = os.path.join(self.case.root, "Backups")  # no blank: the double splits at blanks
        os.makedirs(self.backups)
        self.bkupdir = wine_path(self.backups) + "\\"
        runs = os.path.join(self.case.program, "7z-runs.txt")
        for verify, code, kept in (("", 9, True), ("0", 0, False)):
            with self.subTest(verify=verify):
                self.settings(**({"VerifyBackup": verify} if verify else {}))
                earlier = self.earlier_archive()
                if os.path.exists(runs):
                    os.remove(runs)
                self.assertEqual(self.case.run("/b"), code)
                verbs = [line.split(b" ")[0] for line in read_lines(runs)]
                if kept:
                    self.assert_earlier_kept(earlier)
                    self.assertEqual(verbs, [b"a", b"t"])
                    self.assertEqual(self.last_log(), "Backup failed, the new archive failed its test "
                                     "(7-Zip exit code 2). The earlier archive was kept.")
                else:
                    self.assertEqual(verbs, [b"a"])  # no test: the damaged archive goes in
                    self.assertTrue(self.last_log().startswith("Database backup successfully saved"))
                self.assert_no_temporaries()

    def test_a_hanging_archive_tool_is_ended_and_the_earlier_archive_kept(self):
        self.make_profile()
        # A 7z.exe that writes one figure and then nothing, and never ends by itself.
        self.case.put_double("hanging_7z.exe")
        os.replace(os.path.join(self.case.program, "hanging_7z.exe"), os.path.join(self.case.program, "7z.exe"))
        self.case.environment["LARKMAILBACKUP_TEST_SILENCE_SECONDS"] = "3"
        self.settings()
        earlier = self.earlier_archive()
        reason = "Backup failed, 7-Zip made no progress for 30 minutes and was ended. The earlier archive was kept."
        self.assertEqual(self.case.run("/b", timeout=90), 10)
        self.assert_earlier_kept(earlier)
        self.assertEqual(self.last_log(), reason)
        self.assertIn(f"\r\nResult = failed\r\nReason = {reason}\r\n", self.case.read("lmbackup.last").decode("utf-8"))
        self.assertEqual(len(read_lines(os.path.join(self.case.program, "7z-runs.txt"))), 1)  # no test of nothing
        self.assert_no_temporaries()

    def test_keep_days_removes_only_this_users_older_archives(self):
        self.make_profile()
        self.settings(KeepDays=3)
        today = datetime.date.today()
        days = lambda n: today - datetime.timedelta(days=n)
        names = {
            archive_name(days(10)): False, archive_name(days(5)): False, archive_name(days(2)): True,
            f"LarkmailBackup_PC1_bob_{days(10):%Y%m%d}.7z": True,
            f"LarkmailBackup_PC2_anna_{days(10):%Y%m%d}.7z": True,
            "notes.txt": True, archive_name(days(20)): True,
        }
        for name in names:
            with open(os.path.join(self.backups, name), "wb") as f:
                f.write(b"old")
        protected = os.path.join(self.backups, archive_name(days(20)))
        os.chmod(protected, stat.S_IRUSR)
        # The night then proves the kept archive of ours never tested: the oldest, which is no archive at all.
        failed = f"The older archive {self.bkupdir}{archive_name(days(20))} failed its test. It was kept."
        self.assertEqual(self.night_with_balloon(), (0, failed))
        for name, stays in names.items():
            self.assertEqual(os.path.exists(os.path.join(self.backups, name)), stays, name)
        messages = [LOG_LINE.match(line).group(1) for line in self.case.log_lines()]
        self.assertEqual(messages, [f'Database backup successfully saved to "{self.bkupdir}"',
                                    "An old archive could not be removed: " + wine_path(protected),
                                    "Old archives removed: 2", failed])

    def test_three_nights_prove_three_older_archives_and_a_damaged_one_is_reported_and_kept(self):
        self.make_profile()
        self.settings()
        today = datetime.date.today()
        day = lambda n: f"{today - datetime.timedelta(days=n):%Y%m%d}"
        source = os.path.join(self.case.root, "older")
        os.makedirs(os.path.join(source, "Larkmail"))
        with open(os.path.join(source, "Larkmail", "prefs.js"), "wb") as f:
            f.write(os.urandom(3000))
        older = [f"LarkmailBackup_PC1_anna_{day(6)}.7z", f"LarkmailBackup_PC1_anna_{day(5)}_diff_{day(6)}.7z",
                 f"LarkmailBackup_PC1_anna_{day(3)}.7z", f"LarkmailBackup_PC1_anna_{day(2)}_diff_{day(3)}.7z"]
        for name in older:
            subprocess.run(["7zz", "a", "-mx=0", os.path.join(self.backups, name), "Larkmail"], cwd=source,
                           stdout=subprocess.DEVNULL, check=True)
        # The second full's data is damaged where only reading it back can tell.
        damaged = os.path.join(self.backups, older[2])
        with open(damaged, "r+b") as f:
            f.seek(100)
            f.write(b"\xff" * 16)
        damaged_bytes = open(damaged, "rb").read()
        # Never tested, fulls their differentials need first, the older first: one a night.
        expected = [older[0], older[2], older[1]]
        for night, name in enumerate(expected):
            with self.subTest(night=night):
                if name == older[2]:
                    failed = f"The older archive {self.bkupdir}{name} failed its test. It was kept."
                    lost = ("The differential archives made against it cannot be restored either: "
                            f"{self.bkupdir}{older[3]}")
                    # Both notes, as far as the balloon's 255 characters hold them; a cut
                    # that lands after a blank shows without it (the folder's length decides).
                    code, balloon = self.night_with_balloon()
                    self.assertEqual((code, balloon.rstrip()), (0, (failed + " " + lost)[:255].rstrip()))
                    self.assertEqual(self.case.log_lines()[-2:][0][:len(failed)], failed)
                    self.assertEqual(self.last_log(), lost)
                    record = self.case.read("lmbackup.last").decode("utf-8")
                    self.assertIn("\r\nResult = saved\r\n", record)
                    self.assertIn(f"\r\nNote1 = LogProofFailed|{self.bkupdir}{name}\r\n"
                                  f"Note2 = LogDiffsLost|{self.bkupdir}{older[3]}\r\n", record)
                else:
                    self.assertEqual(self.case.run("/b"), 0)
                proven = [n for n in older if f"[{n}]\r\nTested = " in self.proofs()]
                self.assertEqual(proven, sorted(expected[:night + 1], key=older.index))
                self.assertIn(f"[{archive_name()}]\r\nTested = ", self.proofs())
        self.assertRegex(self.proofs(), re.escape(f"[{older[2]}]") + r"\r\nTested = [-0-9: ]{19}\r\nResult = failed\r\n")
        with open(damaged, "rb") as f:
            self.assertEqual(f.read(), damaged_bytes)
        self.assertEqual(self.archives(), sorted(older + [archive_name()]))

    def test_differential_nights_build_on_the_newest_full(self):
        data = self.make_profile()
        self.settings(FullEvery=7, KeepDays=3)
        today = datetime.date.today()
        full = os.path.join(self.backups, archive_name(today - datetime.timedelta(days=5)))
        self.assertEqual(self.case.run("/b"), 0)
        # Five days on, the full is older than KeepDays and within FullEvery.
        os.replace(self.archive(), full)
        earlier = tree_bytes(data)
        os.remove(os.path.join(data, "Mail", "Inbox", "msg 1.eml"))
        write = {"prefs.js": b"user_pref(2); changed\r\n", "Mail/Inbox/new.eml": b"Subject: new\r\n"}
        for rel, content in write.items():
            with open(os.path.join(data, rel), "wb") as f:
                f.write(content)
        self.assertEqual(self.case.run("/b"), 0)
        diff = os.path.join(self.backups, f"LarkmailBackup_PC1_anna_{today:%Y%m%d}_diff_{today - datetime.timedelta(days=5):%Y%m%d}.7z")
        self.assertEqual(self.archives(), sorted([os.path.basename(full), os.path.basename(diff)]))
        subprocess.run(["7zz", "t", diff], stdout=subprocess.DEVNULL, check=True)
        listing = subprocess.run(["7zz", "l", "-slt", "-ba", diff], stdout=subprocess.PIPE, check=True).stdout.decode()
        items = {block.split("\n")[0][7:]: block for block in listing.split("\n\n") if block.startswith("Path = ")}
        self.assertIn("Anti = +", items["Larkmail/Mail/Inbox/msg 1.eml"])
        # Beside the changed files, outside the Larkmail folder, the mark of the full it was made against.
        self.assertEqual(sorted(k for k, v in items.items() if "Attributes = A" in v or "Attributes = RA" in v),
                         ["Larkmail/Mail/Inbox/new.eml", "Larkmail/prefs.js", "LarkmailBackup.base"])
        # Five days without a backup, more than KeepDays: that night removes nothing and says why.
        messages = [LOG_LINE.match(line).group(1) for line in self.case.log_lines()]
        self.assertEqual(messages[-2:], [f'Database backup successfully saved to "{self.bkupdir}"',
                                         "No old archive was removed: today is more than KeepDays days after "
                                         f"{wine_path(full)}, the newest archive made before today. Check the "
                                         "computer's clock."])
        # Full, then differential with -aoa: the day's data; the full alone: the earlier data.
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(full, out)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), earlier)
        subprocess.run(["7zz", "x", "-aoa", "-o" + out, diff], stdout=subprocess.DEVNULL, check=True)
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), tree_bytes(data))
        # Without its full the next backup is a full, and the day keeps one archive.
        os.remove(full)
        self.assertEqual(self.case.run("/b"), 0)
        self.assertEqual(self.archives(), [archive_name()])
        self.assert_restores_to(data)
        messages = [LOG_LINE.match(line).group(1) for line in self.case.log_lines()]
        self.assertEqual(messages[-2:], [f"No full archive in {self.bkupdir} to build on: this backup is a full archive.",
                                         f'Database backup successfully saved to "{self.bkupdir}"'])

    def read_bytes(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_nights_keep_a_second_copy_on_a_share_and_catch_up_after_it_was_offline(self):
        data = self.make_profile()
        nas = os.path.join(self.case.root, "nas")
        os.makedirs(os.path.join(nas, "anna"))
        link = wine_link("unc/larkmail-nas/backup", nas)
        self.addCleanup(lambda: os.path.lexists(link) and os.remove(link))
        # Other computers' and programs' files there stay as they are.
        others = {"notes.txt": b"the user's", "LarkmailBackup_PC2_anna_20260101.7z": b"another computer's"}
        for name, content in others.items():
            with open(os.path.join(nas, "anna", name), "wb") as f:
                f.write(content)
        share = "\\\\larkmail-nas\\backup\\anna\\"
        self.settings(CopyDir=share)
        there = lambda name: os.path.join(nas, "anna", name)
        self.assertEqual(self.case.run("/b"), 0)
        self.assertEqual(self.read_bytes(there(archive_name())), self.read_bytes(self.archive()))
        self.assertEqual(self.last_log(), "Archives copied to the second folder: 1")

        # Offline: the night counts, with its own code, and says since when the copy is behind.
        os.remove(link)
        yesterday = archive_name(datetime.date.today() - datetime.timedelta(days=1))
        shutil.copyfile(self.archive(), os.path.join(self.backups, yesterday))
        with open(os.path.join(data, "Mail", "Inbox", "msg 2.eml"), "wb") as f:
            f.write(os.urandom(3000))  # today's archive grows: the share's copy is out of date
        proc = self.case.start("/b")
        self.case.pid()
        balloon = probe("balloon", "--timeout", "60000")
        self.assertEqual(proc.wait(timeout=180), 20)
        lines = self.case.log_lines()
        saved, pending = LOG_LINE.match(lines[-2]), LOG_LINE.match(lines[-1])
        self.assertEqual(saved.group(1), f'Database backup successfully saved to "{self.bkupdir}"')
        self.assertEqual(pending.group(1), f"Second copy pending since {datetime.date.today():%m/%d/%Y}. "
                                           f"The second folder cannot be reached: {share}")
        self.assertEqual((balloon[0], balloon[1].strip()), (0, pending.group(1)))
        when = [datetime.datetime.strptime(" ".join(m.groups()[1:]), "%m %d %Y %H %M %S") for m in (saved, pending)]
        self.assertLessEqual((when[1] - when[0]).total_seconds(), 30)
        self.assertIn(b"\r\nCopyCode = LogSecondCopyUnreachable\r\n", self.case.read("lmbackup.last"))
        self.assert_restores_to(data)

        # Back online: both archives the share lacks, the record clean again, nothing else touched.
        wine_link("unc/larkmail-nas/backup", nas)
        self.assertEqual(self.case.run("/b"), 0)
        self.assertEqual(self.last_log(), "Archives copied to the second folder: 2")
        for name in (archive_name(), yesterday):
            self.assertEqual(self.read_bytes(there(name)), self.read_bytes(os.path.join(self.backups, name)))
        for name, content in others.items():
            self.assertEqual(self.read_bytes(there(name)), content)
        self.assertEqual(len(os.listdir(os.path.join(nas, "anna"))), 4)
        self.assertNotIn(b"CopyPendingSince", self.case.read("lmbackup.last"))

    def test_a_copy_killed_halfway_leaves_no_archive_under_its_name(self):
        data = self.make_profile()
        with open(os.path.join(data, "big.bin"), "wb") as f:
            f.write(os.urandom(100 * 1024 * 1024))
        usb = os.path.join(self.case.root, "usb")
        os.makedirs(os.path.join(usb, "Mail backups"))
        link = wine_link("q:", usb)
        self.addCleanup(lambda: os.path.lexists(link) and os.remove(link))
        self.settings(Compression=0, CopyDir="Q:\\Mail backups\\")
        copies = os.path.join(usb, "Mail backups")
        with open(os.path.join(copies, archive_name()), "wb") as f:
            f.write(b"earlier archive of today")
        self.killed = False

        def kill_when_copying():
            end = time.time() + 120
            while time.time() < end and not self.killed:
                if any(n.endswith(".tmp") for n in os.listdir(copies)):
                    self.killed = kill_program(self.case)
                time.sleep(0.01)

        killer = threading.Thread(target=kill_when_copying)
        killer.start()
        self.case.run("/b", timeout=300)
        killer.join()
        self.assertTrue(self.killed, "the copy was never seen")
        names = sorted(os.listdir(copies))
        self.assertEqual(names[0], archive_name())
        self.assertEqual([n for n in names[1:] if not n.endswith(".tmp")], [])
        self.assertEqual(self.read_bytes(os.path.join(copies, archive_name())), b"earlier archive of today")
        # The next night removes the leftover and puts the tested copy in place.
        self.assertEqual(self.case.run("/b", timeout=300), 0)
        self.assertEqual(os.listdir(copies), [archive_name()])
        subprocess.run(["7zz", "t", os.path.join(copies, archive_name())], stdout=subprocess.DEVNULL, check=True)

    def test_running_client_is_ended_and_restarted(self):
        data = self.make_profile()
        self.settings(ReopenLM=1)
        client = self.case.put_double("larkmail.exe")
        starts = os.path.join(self.case.program, "larkmail-starts.txt")
        # The double holds a data file open without sharing, as the client
        # holds its database: only ending it lets 7-Zip read everything.
        held = wine_path(os.path.join(data, "abook.db"))
        os.chmod(os.path.join(data, "abook.db"), stat.S_IRUSR | stat.S_IWUSR)
        proc = subprocess.Popen(["wine", client, "--hold", held], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.wait_for(lambda: os.path.exists(starts))
            time.sleep(1)
            self.assertEqual(self.case.run("/b"), 0)
            self.assertIsNotNone(proc.wait(timeout=30), "the client was not ended")
            self.assert_restores_to(data)
            self.wait_for(lambda: len(read_lines(starts)) == 2)
        finally:
            subprocess.call(["wine", "taskkill", "/f", "/im", "larkmail.exe"], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if proc.poll() is None:
                proc.kill()

    def test_a_file_held_open_by_another_program_costs_only_that_file(self):
        data = self.make_profile()
        self.settings()
        held = os.path.join(data, "Mail", "Inbox", "msg 1.eml")
        # An indexer, not the mail client: no "Larkmail" window, so the night ends nothing.
        indexer = os.path.join(self.case.program, "indexer.exe")
        os.replace(self.case.put_double("larkmail.exe"), indexer)
        starts = os.path.join(self.case.program, "larkmail-starts.txt")
        proc = subprocess.Popen(["wine", indexer, "--hold", wine_path(held), "--title", "Indexer"], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.wait_for(lambda: os.path.exists(starts))
            time.sleep(1)
            code, balloon = self.night_with_balloon()
        finally:
            subprocess.call(["wine", "taskkill", "/f", "/im", "indexer.exe"], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if proc.poll() is None:
                proc.kill()
        reason = ("Backup incomplete, 7-Zip could not read these files (1 in all), perhaps held open by another "
                  "program: Mail\\Inbox\\msg 1.eml. Everything else was saved.")
        self.assertEqual((code, balloon, self.last_log()), (5, reason, reason))
        # Tested as it was made, and everything else in it.
        subprocess.run(["7zz", "t", self.archive()], stdout=subprocess.DEVNULL, check=True)
        out = tempfile.mkdtemp(dir=self.case.root)
        extract_archive(self.archive(), out)
        expected = tree_bytes(data)
        del expected[os.path.join("Mail", "Inbox", "msg 1.eml")]
        self.assertEqual(tree_bytes(os.path.join(out, "Larkmail")), expected)
        record = self.case.read("lmbackup.last").decode("utf-8")
        self.assertIn("\r\nResult = failed\r\n", record)
        self.assertIn("\r\nCode = LogFilesNotRead\r\nDetail = 1\r\nDetail2 = Mail\\Inbox\\msg 1.eml\r\n", record)
        # Marked for the next night, which makes a full rather than build on it.
        self.assertRegex(self.proofs(), re.escape(f"[{archive_name()}]") + r"\r\nTested = [-0-9: ]{19}\r\n"
                         r"Result = passed\r\nLacking = 1\r\n")
        self.assert_no_temporaries()

    def test_no_backup_folder_gives_the_no_path_line_and_box(self):
        self.make_profile()
        self.settings(BkUpDir="")
        code = self.case.run("/b", boxes=["ok"])
        self.assertNotEqual(code, 0)
        self.assertEqual(self.case.boxes(), [("Error", "No backup path defined.")])
        self.assertEqual(self.last_log(), "No backup path defined.")

    def earlier_archive(self):
        path = self.archive()
        with open(path, "wb") as f:
            f.write(b"earlier archive of today")
        return path

    def assert_earlier_kept(self, path):
        with open(path, "rb") as f:
            self.assertEqual(f.read(), b"earlier archive of today")

    def test_missing_data_folder_fails_and_keeps_the_earlier_archive(self):
        self.settings()
        earlier = self.earlier_archive()
        code = self.case.run("/b")
        self.assertNotEqual(code, 0)
        self.assert_earlier_kept(earlier)
        self.assertTrue(self.last_log().startswith("Backup failed"), self.last_log())
        self.assertNotIn("successfully", self.last_log())
        self.assert_no_temporaries()

    def test_unwritable_backup_folder_fails_and_keeps_the_earlier_archive(self):
        self.make_profile()
        self.settings()
        earlier = self.earlier_archive()
        # Root ignores permission bits; an immutable folder refuses even root.
        if subprocess.call(["chattr", "+i", self.backups], stderr=subprocess.DEVNULL) != 0:
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.call, ["chattr", "-i", self.backups])
        code = self.case.run("/b")
        self.assertNotEqual(code, 0)
        self.assert_earlier_kept(earlier)
        self.assertTrue(self.last_log().startswith("Backup failed"), self.last_log())

    def test_killed_archive_tool_fails_and_keeps_the_earlier_archive(self):
        data = self.make_profile()
        with open(os.path.join(data, "big.bin"), "wb") as f:
            f.write(os.urandom(60 * 1024 * 1024))
        self.settings(Compression=9)
        earlier = self.earlier_archive()
        killer = threading.Thread(target=self.kill_archive_tool_when_it_writes)
        killer.start()
        code = self.case.run("/b", timeout=300)
        killer.join()
        self.assertTrue(self.killed, "7z.exe never showed up")
        self.assertNotEqual(code, 0)
        self.assert_earlier_kept(earlier)
        self.assertTrue(self.last_log().startswith("Backup failed"), self.last_log())
        self.assert_no_temporaries()

    def kill_archive_tool_when_it_writes(self):
        self.killed = False
        end = time.time() + 120
        while time.time() < end:
            temps = [os.path.join(self.backups, n) for n in os.listdir(self.backups) if n.endswith(".tmp")]
            if any(file_size(t) > 1_000_000 for t in temps):
                subprocess.call(["wine", "taskkill", "/f", "/im", "7z.exe"], env=wine_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.killed = True
                return
            time.sleep(0.05)

    def open_window_from_tray(self, language=1):
        """The window started in the tray: (its icon's tip, line 61 once restored)."""
        self.case.copy_lang()
        self.settings(OpenToTray=1, Language=language)
        proc = self.case.start()
        pid = self.case.pid()
        self.assertEqual(subprocess.run(["wine", harness.driver(), "wait-window", "--pid", pid], env=wine_env(),
                                        timeout=60).returncode, 0)
        self.wait_for(lambda: probe("icon", "--pid", pid) == (0, "1"), "no tray icon")
        tips = probe("tips")[1].split("\n")
        probe("command", "--pid", pid, "--id", "49")  # Restore Window
        self.wait_for(lambda: probe("window", "--pid", pid)[1].startswith("1"), "the window stayed hidden")
        line = self.case.control("text", 61)
        probe("command", "--pid", pid, "--id", "53")  # Quit
        self.assertEqual(proc.wait(timeout=30), 0)
        return tips, line

    def test_a_failed_night_shows_its_balloon_then_the_window_and_tray_name_it(self):
        self.settings()  # no data folder yet
        started = time.time()
        proc = self.case.start("/b")
        pid = self.case.pid()
        self.assertEqual(probe("notice", "--pid", pid), (0, "1"), "no tray icon of the run's own")
        code, balloon = probe("balloon", "--timeout", "10000")
        self.assertEqual(code, 0, "no balloon came")
        self.assertIsNone(proc.poll(), "the run ended while its balloon showed")
        self.assertEqual(proc.wait(timeout=60), 3)
        self.assertGreaterEqual(time.time() - started, 14)
        reason = self.last_log()
        self.assertTrue(reason.startswith("Backup failed, Larkmail data folder not found: "), reason)
        self.assertEqual(balloon.strip(), reason)
        stamp = LOG_LINE.match(self.case.log_lines()[-1]).groups()[1:]
        month, day, year, hour, minute = stamp[:5]
        self.assertNotIn("FAILED", probe("tips")[1], "the run's icon outlived it")

        os.makedirs(self.case.data_folder())  # the window refuses to start without it
        tips, line = self.open_window_from_tray()
        self.assertIn(f"Larkmail Backup - last backup {month}/{day} {hour}:{minute} FAILED", tips)
        self.assertEqual(line, f"Last backup failed: {month}/{day}/{year} {hour}:{minute}, {reason}")
        self.assertIn(b"Seen = 1\r\n", self.case.read("lmbackup.last"))

    def test_a_night_failed_in_german_is_shown_in_the_windows_language(self):
        self.settings()
        self.case.copy_lang()
        saved = dict(os.environ)
        os.environ["LC_ALL"] = "de_DE.UTF-8"  # Wine takes the locale from the Unix environment
        try:
            proc = self.case.start("/b")
            pid = self.case.pid()
            code, balloon = probe("balloon", "--timeout", "10000")
        finally:
            os.environ.clear()
            os.environ.update(saved)
        self.assertEqual(proc.wait(timeout=60), 3)
        reason = self.last_log()
        self.assertTrue(reason.startswith("Sicherung fehlgeschlagen, Larkmail-Datenordner nicht gefunden: "), reason)
        self.assertEqual((code, balloon.strip()), (0, reason))  # the run's own language
        record = self.case.read("lmbackup.last").decode("utf-8")
        self.assertIn("\r\nCode = LogNoDataFolder\r\nDetail = ", record)
        path = record.split("\r\nDetail = ")[1].split("\r\n")[0]
        self.assertTrue(reason.endswith(path), (reason, path))
        _, month, day, year, hour, minute, _ = LOG_LINE.match(self.case.log_lines()[-1]).groups()
        os.makedirs(self.case.data_folder())
        for language, line in [
            (3, f"Последняя копия не создана: {month}/{day}/{year} {hour}:{minute}, "
                f"Резервное копирование не выполнено, папка данных Larkmail не найдена: {path}"),
            (1, f"Last backup failed: {month}/{day}/{year} {hour}:{minute}, "
                f"Backup failed, Larkmail data folder not found: {path}"),
        ]:
            with self.subTest(language=language):
                self.assertEqual(self.open_window_from_tray(language)[1], line)

    def test_a_saved_night_gives_the_window_its_date_and_size(self):
        self.make_profile()
        self.settings()
        self.assertEqual(self.case.run("/b"), 0)
        record = self.case.read("lmbackup.last").decode("utf-8")
        self.assertIn(f"\r\nSize = {os.path.getsize(self.archive())}\r\n", record)
        _, month, day, year, hour, minute, _ = LOG_LINE.match(self.case.log_lines()[-1]).groups()
        tips, line = self.open_window_from_tray()
        self.assertIn(f"Larkmail Backup - last backup {month}/{day} {hour}:{minute} OK (full)", tips)
        kb = os.path.getsize(self.archive()) / 1024
        self.assertEqual(line, f"Last backup: {month}/{day}/{year} {hour}:{minute}, full archive saved ({kb:.1f} KB)")


if __name__ == "__main__":
    import unittest
    unittest.main()
