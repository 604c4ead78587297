"""Differential nights against full nights: the night after a full with about
1 % of the files changed, added and deleted, and the night after one large
mailbox file grew, each paired with the full night before it (one full night
serves both kinds); and the restore of a differential against bare `7z x` of
its full and then of it."""
import datetime
import os
import shutil
import statistics
import sys

from restore_pairs import MAIL_FOLDER, restore_row, time_restore_pairs
from wine_runs import wine_path


def archive_day(days_ago):
    return f"{datetime.date.today() - datetime.timedelta(days=days_ago):%Y%m%d}"


def write_settings(program, backups, level):
    with open(os.path.join(program, "lmbackup.prefs"), "wb") as f:
        f.write(("\ufeff\r\nBkUpDir = " + wine_path(backups) + "\\\r\nCloseToTray = 0\r\nCompression = "
                 + str(level) + "\r\nOpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n"
                 + "VerifyBackup = 1\r\nFullEvery = 7\r\n").encode("utf-8"))


class Changes:
    """About 1 % of the message files changed, deleted and added, undone afterwards."""

    def __init__(self, data, stash):
        self.data, self.stash = data, stash
        messages = sorted(os.path.join(base, f) for base, _, files in os.walk(os.path.join(data, "Mail"))
                          for f in files)
        step = max(1, len(messages) // max(1, len(messages) // 100))
        picked = messages[::step]
        self.changed, self.deleted = picked[0::2], picked[1::2]
        self.added = [p[:-4] + "-new.eml" for p in self.changed]
        self.grown = os.path.join(data, "mailbox0.db")

    def apply(self, grow_only=False):
        shutil.rmtree(self.stash, ignore_errors=True)
        os.makedirs(self.stash)
        for i, path in enumerate((self.grown,) if grow_only else self.changed + self.deleted):
            shutil.copy2(path, os.path.join(self.stash, str(i)))
        if grow_only:
            with open(self.grown, "ab") as f:
                f.write(b"Subject: one more message\r\n" * 160)  # about 4 KB
            return
        for path in self.changed:
            with open(path, "ab") as f:
                f.write(b"\r\nRe: changed tonight\r\n")
        for path in self.deleted:
            os.remove(path)
        for path in self.added:
            with open(path, "wb") as f:
                f.write(b"From: someone@example.org\r\nSubject: new\r\n\r\n" + os.urandom(3000).hex().encode())

    def undo(self, grow_only=False):
        for i, path in enumerate((self.grown,) if grow_only else self.changed + self.deleted):
            shutil.copy2(os.path.join(self.stash, str(i)), path)
        for path in [] if grow_only else self.added:
            if os.path.exists(path):
                os.remove(path)


KINDS = (("about 1 % of the files changed, added, deleted", False), ("one large mailbox file grew by 4 KB", True))


def night_pairs(wr, program, env, data, backups, level, runs, stash, kinds=KINDS):
    """Interleaved: a full night, then the differential night after it of each
    kind in turn (each with only its own changes); per kind a list of
    (full, differential) pairs of (ms, bytes). A full night is the slow part,
    so each serves every kind; the last kind's archives stay in `backups`."""
    exe = '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b'
    changes = Changes(data, stash)
    write_settings(program, backups, level)
    pairs = [[] for _ in kinds]
    for _ in range(runs):
        shutil.rmtree(backups, ignore_errors=True)
        os.makedirs(backups)
        code, wall, _, _ = wr.run(program, exe, env)
        names = [n for n in os.listdir(backups) if n.endswith(".7z")]  # beside it the record of its test
        if code != 0 or len(names) != 1:
            sys.exit(f"the full night failed: {code} {names}")
        full = (wall, os.path.getsize(os.path.join(backups, names[0])))
        # Yesterday's full, then tonight's changes.
        os.replace(os.path.join(backups, names[0]),
                   os.path.join(backups, names[0][:-11] + archive_day(1) + ".7z"))
        for (_, grow_only), kind_pairs in zip(kinds, pairs):
            for old in [n for n in os.listdir(backups) if "_diff_" in n]:
                os.remove(os.path.join(backups, old))
            changes.apply(grow_only)
            try:
                code, wall, _, _ = wr.run(program, exe, env)
                diff = [n for n in os.listdir(backups) if "_diff_" in n]
                if code != 0 or len(diff) != 1:
                    sys.exit(f"the differential night failed: {code} {os.listdir(backups)}")
                kind_pairs.append((full, (wall, os.path.getsize(os.path.join(backups, diff[0])))))
            finally:
                changes.undo(grow_only)
            print(f"  pair: full {full}, differential {kind_pairs[-1][1]}", file=sys.stderr, flush=True)
    return pairs


def diff_rows(wr, program, env, data, backups, args, lines):
    level = 5
    stash = os.path.join(wr.work, "stash")
    for (label, _), kind_pairs in zip(KINDS, night_pairs(wr, program, env, data, backups, level, args.runs, stash)):
        time_ratios = [d[0] / f[0] for f, d in kind_pairs]
        size_ratios = [d[1] / f[1] for f, d in kind_pairs]
        row = (f"| differential night, {label} (level {level}, test on) | {args.size} MB | "
               f"{statistics.median(d[0] for _, d in kind_pairs):.0f} | {statistics.median(f[0] for f, _ in kind_pairs):.0f} | "
               f"{statistics.median(time_ratios):.3f} | {min(time_ratios):.2f}-{max(time_ratios):.2f} | "
               f"{statistics.median(d[1] for _, d in kind_pairs) / 1048576:.2f} | "
               f"{statistics.median(f[1] for f, _ in kind_pairs) / 1048576:.1f} | {statistics.median(size_ratios):.4f} |")
        print(row, flush=True)
        lines.append(row)
    keep_restore_archives(wr, backups, args.size)


def restore_archives(wr, size):
    return os.path.join(wr.work, f"diff-restore-{size}")


def keep_restore_archives(wr, backups, size):
    """The last pair's yesterday's full and tonight's differential (of the grown
    mailbox), kept for the restore rows."""
    for old in os.listdir(wr.work):
        if old.startswith("diff-restore-"):
            shutil.rmtree(os.path.join(wr.work, old))
    keep = restore_archives(wr, size)
    os.makedirs(keep)
    for name in os.listdir(backups):
        if name.endswith(".7z"):
            shutil.copy2(os.path.join(backups, name), keep)


def diff_restore_rows(wr, program, env, data, backups, args, lines):
    """The restore of a differential, Everything and one folder, against bare x
    of its full and then of it."""
    keep = restore_archives(wr, args.size)
    if not os.path.isdir(keep):
        night_pairs(wr, program, env, data, backups, 5, 1, os.path.join(wr.work, "stash"), KINDS[1:])
        keep_restore_archives(wr, backups, args.size)
    diff = os.path.join(keep, [n for n in os.listdir(keep) if "_diff_" in n][0])
    full = os.path.join(keep, [n for n in os.listdir(keep) if "_diff_" not in n][0])
    # Each restore puts the grown mailbox into the profile: it goes back as made, with its time.
    grown, made = Changes(data, os.path.join(wr.work, "stash")).grown, os.path.join(wr.work, "mailbox-as-made")
    shutil.copy2(grown, made)
    try:
        label = "restore of a differential from the window, {}, last Yes to result box"
        row, listing = restore_row(label.format("Everything"), f"{args.size} MB",
                                   time_restore_pairs(wr, program, env, data, diff, args.runs, full=full))
        folder_row, folder_listing = restore_row(
            label.format(f"one folder ({MAIL_FOLDER[9:]})"), f"{args.size} MB",
            time_restore_pairs(wr, program, env, data, diff, args.runs, full=full, folder=MAIL_FOLDER))
    finally:
        os.replace(made, grown)
    lines += ["", "| restore | profile | ours (ms) | bare 7z.exe x of full, then of differential (ms) | "
              "median pair ratio | spread | median pair difference (ms) |", "|---|---|---|---|---|---|---|", row,
              folder_row, "", f"The listings of the differential and its full before the dialog of what to restore: "
              f"median {listing:.0f} ms (before the one folder: {folder_listing:.0f} ms)."]
