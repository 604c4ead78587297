"""The release zip that scripts/release packs from this build tree, unpacked
into an empty folder under Wine: it holds what a user needs, starts, and
makes a backup there."""

import os
import subprocess
import tempfile
import zipfile

import harness
from harness import wine_env, wine_path

LANGUAGES = ["dutch.lng", "english.lng", "german.lng", "russian.lng"]


class ReleaseTest(harness.E2ETest):
    def test_the_unpacked_release_starts_and_backs_up(self):
        c = self.case
        out = tempfile.mkdtemp(dir=c.root)
        subprocess.run([os.path.join(harness.SOURCE, "scripts", "release"), "--from", harness.BUILD],
                       env=dict(os.environ, RELEASE_OUT=out), stdout=subprocess.DEVNULL, check=True, timeout=300)
        with open(os.path.join(harness.BUILD, "version.txt")) as f:
            version = f.read().strip()
        zip_path = os.path.join(out, f"LarkmailBackup-{version}-win-x64.zip")
        top = f"LarkmailBackup-{version}/"
        with zipfile.ZipFile(zip_path) as z:
            self.assertEqual(sorted(z.namelist()), sorted(
                [top + "LarkmailBackup.exe", top + "License.txt", top + "README.txt"] +
                [top + "Lang/" + name for name in LANGUAGES]))
            readme = z.read(top + "README.txt").decode("utf-8")
            for name in LANGUAGES:  # byte for byte, CR LF and all
                with open(os.path.join(harness.SOURCE, "lang", name), "rb") as f:
                    self.assertEqual(z.read(top + "Lang/" + name), f.read(), name)
            self.assertIn(b"7-Zip", z.read(top + "License.txt"))
            unpacked = os.path.join(c.root, "unpacked")
            os.makedirs(unpacked)
            z.extractall(unpacked)
        self.assertIn("https://www.7-zip.org/", readme)
        for part in ("First start", "Scheduled backups", "Restore"):
            self.assertIn(part, readme)

        folder = os.path.join(unpacked, top.rstrip("/"))
        c.exe = os.path.join(folder, "LarkmailBackup.exe")
        os.makedirs(c.data_folder())
        with open(os.path.join(c.data_folder(), "prefs.js"), "wb") as f:
            f.write(b"user_pref(\"mail.check\", true);\r\n" * 100)

        # An interactive start: the window comes and the program ends from the tray menu's Quit.
        proc = c.start(cwd=folder)
        pid = c.pid()
        self.assertEqual(subprocess.run(["wine", harness.driver(), "wait-window", "--pid", pid], env=wine_env(),
                                        timeout=60).returncode, 0)
        subprocess.run(["wine", os.path.join(harness.DOUBLES, "tray_probe.exe"), "command", "--pid", pid, "--id", "53"],
                       env=wine_env(), timeout=60, check=True)
        self.assertEqual(proc.wait(timeout=60), 0)
        for made in ("lmbackup.prefs", "7z.exe", "7z.dll"):
            self.assertTrue(os.path.exists(os.path.join(folder, made)), made)

        backups = os.path.join(c.root, "backups")
        with open(os.path.join(folder, "lmbackup.prefs"), "wb") as f:
            f.write(harness.settings_bytes(BkUpDir=wine_path(backups) + "\\", CloseToTray=0, Compression=5,
                                           OpenToTray=0, ReopenLM=0, StayOnTop=0, Language=1))
        self.assertEqual(c.run("/b", cwd=folder), 0)
        archives = [n for n in os.listdir(backups) if n.startswith("LarkmailBackup_PC1_anna_") and n.endswith(".7z")]
        self.assertEqual(len(archives), 1, os.listdir(backups))
        self.assertIn("Larkmail/prefs.js", harness.list_archive(os.path.join(backups, archives[0])))
