"""Start-up of the real program: the files it writes, the files it leaves
alone, the refusals and the command-line modes."""

import os
import stat

from harness import DEFAULT_SETTINGS, PAYLOAD, E2ETest, settings_bytes

LANG_MISSING = ("Error", "Language folder missing, defaulting to English.")
PATH_MISSING = ("Error", "Larkmail path not found!!!")


def payload(name):
    with open(os.path.join(PAYLOAD, name), "rb") as f:
        return f.read()


def lng_text(path, group, key):
    """The text of group/key in a language file (enough of the format for a test)."""
    current = None
    for line in open(path, encoding="utf-8-sig").read().splitlines():
        line = line.lstrip(" \t")
        if line.startswith("["):
            current = line[1:].split("]")[0].lower()
        elif "=" in line and current == group.lower():
            k, v = line.split("=", 1)
            if k.strip().lower() == key.lower():
                return v.lstrip(" \t")
    raise KeyError(key)


class StartUpFiles(E2ETest):
    def test_first_start_in_an_empty_folder_writes_defaults_and_the_tool(self):
        # No Lang folder and no data folder: both refusals show, in order.
        code = self.case.run(boxes=["ok", "ok"])
        self.assertEqual(code, 0)
        self.assertEqual(self.case.boxes(), [LANG_MISSING, PATH_MISSING])
        self.assertEqual(self.case.read("lmbackup.prefs"), DEFAULT_SETTINGS)
        self.assertEqual(self.case.read("7z.exe"), payload("7z.exe"))
        self.assertEqual(self.case.read("7z.dll"), payload("7z.dll"))
        leftovers = [n for n in os.listdir(self.case.program) if n.lower().endswith((".tmp", "~"))]
        self.assertEqual(leftovers, [])

    def test_existing_tool_file_and_folder_are_left_alone(self):
        self.case.write("program/7z.exe", b"another 7-Zip")
        os.makedirs(self.case.path("7z.dll"))
        self.case.run(boxes=["ok", "ok"])
        self.assertEqual(self.case.read("7z.exe"), b"another 7-Zip")
        self.assertTrue(os.path.isdir(self.case.path("7z.dll")))

    def test_read_only_settings_file_is_read_and_not_changed(self):
        prefs = settings_bytes(BkUpDir="", CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
                               StayOnTop=0, Language=2)
        path = self.case.write("program/lmbackup.prefs", prefs)
        os.chmod(path, stat.S_IRUSR | stat.S_IRGRP)
        self.case.copy_lang()
        self.case.run(boxes=["ok"])
        german = lng_text(self.case.path("Lang", "german.lng"), "Messages", "LMPathMsg")
        title = lng_text(self.case.path("Lang", "german.lng"), "Messages", "Error")
        self.assertEqual(self.case.boxes(), [(title, german)])
        self.assertEqual(self.case.read("lmbackup.prefs"), prefs)
        # The unattended run stores the locale's language (English here): the
        # read-only file must drop that change, not lose its contents.
        self.case.run("/b", boxes=["ok"])
        self.assertEqual(self.case.read("lmbackup.prefs"), prefs)
        self.assertEqual(sorted(os.listdir(self.case.program)),
                         sorted(["7z.dll", "7z.exe", "Backup.log", "Lang", "LarkmailBackup.exe", "lmbackup.last",
                                 "lmbackup.prefs"]))

    def test_unreadable_folder_for_settings_still_starts(self):
        # A folder named like the settings file: nothing can be created, the
        # reading defaults apply (Language 0, Dutch), start-up goes on.
        os.makedirs(self.case.path("lmbackup.prefs"))
        self.case.copy_lang()
        self.case.run(boxes=["ok"])
        dutch = lng_text(self.case.path("Lang", "dutch.lng"), "Messages", "LMPathMsg")
        self.assertEqual(self.case.boxes()[0][1], dutch)


class CommandLineModes(E2ETest):
    def test_upper_case_switch_and_extra_arguments_start_interactively(self):
        for args in ["/B", "/x extra", "one two three"]:
            with self.subTest(args=args):
                if os.path.exists(self.case.box_log if hasattr(self.case, "box_log") else ""):
                    os.remove(self.case.box_log)
                code = self.case.run(args, boxes=["ok", "ok"])
                self.assertEqual(code, 0)
                self.assertEqual(self.case.boxes(), [LANG_MISSING, PATH_MISSING])

    def test_switch_with_more_letters_runs_unattended(self):
        # Unattended: no Lang warning, no data-folder check; an empty backup
        # folder ends in the no-path box and a failure exit code.
        code = self.case.run("/backup", boxes=["ok"])
        self.assertNotEqual(code, 0)
        self.assertEqual(self.case.boxes(), [("Error", "No backup path defined.")])
        self.assertEqual(self.case.read("lmbackup.prefs"), DEFAULT_SETTINGS)
