#!/usr/bin/env python3
"""Times the program against bare `7z.exe` under Wine, in interleaved pairs
(ours, bare, ours, bare ...), and reports the median of the per-pair ratios
with their spread:

- `LarkmailBackup.exe /b` at compression levels 0, 5 and 9, with the archive
  test off (VerifyBackup = 0, against bare `7z a` with the same switches) and
  on (against bare `7z a` + `7z t`), with the program's own CPU time and peak
  memory;
- the fixed overhead of `/b` on a tiny profile (level 0, test off);
- the restore from the window over existing data, Everything and one
  folder chosen in the dialog of what to restore, from the press of the
  last "Yes" (not its box's closing) to the result box (the old data is
  deleted after it), against bare `7z x -y` of the same archive (of that
  folder alone: `-- <archive> Larkmail\Mail\Folder00`) with its output
  going nowhere; the listing, up to the dialog, on its own.
- (part `diff`, bench/diff_nights.py) differential nights against full
  nights (FullEvery = 7, level 5, test on), and the restore of a
  differential (Everything and one folder) against bare `7z x` of its
  full and then of it (part `diff-restore` alone: the restore on the
  archives the nights left).
- (part `copy`, bench/second_copy.py) a night that brings a second folder
  up to date with one new archive of about the profile's size, against bare
  `copy` of it and `7z t` of the copy; and a night whose second folder lies
  on a share that is not there.

    bench/run.py [--size MB] [--runs N] [--tiny-runs N] [--levels 0,5,9] [--tests 0,1]
                 [--parts tiny,backup,restore,diff,diff-restore,copy] [--build DIR]

(`--tests 1`: only the rows with the archive test on, for a profile whose
full night takes many minutes.) Each table ends with the date and the
machine's load average before and after it.

Run after scripts/build windows. Writes build/windows/bench/results.md.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from diff_nights import diff_restore_rows, diff_rows  # noqa: E402
from restore_pairs import MAIL_FOLDER, restore_row, time_restore_pairs  # noqa: E402
from second_copy import copy_rows  # noqa: E402
from wine_runs import ROOT, WineRuns, wine_path  # noqa: E402


def make_profile(work, name, size):
    """A profile folder with a Larkmail data folder of `size` MB, made once."""
    profile = os.path.join(work, name)
    data = os.path.join(profile, "AppData", "Local", "Larkmail")
    marker = os.path.join(work, f"{name}-{size}.ready")
    if not os.path.exists(marker):
        for old in os.listdir(work):
            if old.startswith(name + "-") and old.endswith(".ready"):
                os.remove(os.path.join(work, old))
        shutil.rmtree(profile, ignore_errors=True)
        subprocess.check_call([sys.executable, os.path.join(ROOT, "bench", "make_profile.py"), data, str(size)])
        open(marker, "w").close()
    # A profile just written is still going to the disk: at 2 GB that writeback
    # slowed the first timed run by some percent.
    os.sync()
    return profile, data


def write_settings(program, backups, level, verify):
    with open(os.path.join(program, "lmbackup.prefs"), "wb") as f:
        f.write(("\ufeff\r\nBkUpDir = " + wine_path(backups) + "\\\r\nCloseToTray = 0\r\nCompression = "
                 + str(level) + "\r\nOpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n"
                 + "VerifyBackup = " + str(verify) + "\r\n").encode("utf-8"))


def backup_pairs(wr, program, env, data, backups, level, verify, runs):
    """Interleaved /b and bare runs: lists of (wall, cpu, peak) for each side."""
    write_settings(program, backups, level, verify)
    seven = '"' + wine_path(os.path.join(program, "7z.exe")) + '"'
    bare_archive = wine_path(backups) + "\\bare.7z"
    ours, bare = [], []
    for _ in range(runs):
        shutil.rmtree(backups, ignore_errors=True)
        os.makedirs(backups)
        code, wall, cpu, peak = wr.run(program, '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b',
                                       env)
        if code != 0:
            sys.exit(f"LarkmailBackup.exe /b failed with exit code {code}")
        ours.append((wall, cpu, peak))
        shutil.rmtree(backups, ignore_errors=True)
        os.makedirs(backups)
        # The full path: a bare name would be searched beside the driver.
        cmd = seven + " a -mmt -mx=" + str(level) + " -slp -y " + bare_archive + " " + wine_path(data)
        code, wall, cpu, peak = wr.run(program, cmd, env)
        if code != 0:
            sys.exit(f"bare 7z.exe failed with exit code {code}")
        if verify:
            code, test_wall, _, _ = wr.run(program, seven + " t " + bare_archive, env)
            if code != 0:
                sys.exit(f"bare 7z.exe t failed with exit code {code}")
            wall += test_wall
        # The same end state as ours: the archive written through to the disk
        # (under Wine FlushFileBuffers is an fsync of the file).
        started = time.monotonic()
        with open(os.path.join(backups, "bare.7z"), "rb+") as f:
            os.fsync(f.fileno())
        wall += round((time.monotonic() - started) * 1000)
        bare.append((wall, cpu, peak))
        print(f"  pair: ours {ours[-1][0]} ms, bare {wall} ms", file=sys.stderr, flush=True)
    return ours, bare


def spread(values):
    return f"{min(values):.2f}-{max(values):.2f}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size", default="200")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--tiny-runs", type=int, default=9)
    ap.add_argument("--levels", default="0,5,9")
    ap.add_argument("--tests", default="0,1")
    ap.add_argument("--parts", default="tiny,backup,restore")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "windows"))
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    wr = WineRuns(build, work)
    try:
        program = os.path.join(work, "program")
        backups = os.path.join(work, "backups")
        os.makedirs(program, exist_ok=True)
        shutil.copyfile(os.path.join(build, "LarkmailBackup.exe"), os.path.join(program, "LarkmailBackup.exe"))
        # The window asks about a missing language folder before anything else.
        shutil.copytree(os.path.join(ROOT, "lang"), os.path.join(program, "Lang"), dirs_exist_ok=True)
        profile, data = make_profile(work, "profile", args.size)
        tiny_profile, tiny_data = make_profile(work, "tiny", "0.1")
        env = {"USERPROFILE": wine_path(profile), "COMPUTERNAME": "BENCH", "USERNAME": "bench"}
        tiny_env = dict(env, USERPROFILE=wine_path(tiny_profile))
        # The first run writes 7z.exe and 7z.dll beside the program; that is not what is timed.
        write_settings(program, backups, 0, 0)
        wr.run(program, '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b', tiny_env)

        lines = [f"Profile {args.size} MB ({args.runs} pairs per row), tiny profile 0.1 MB ({args.tiny_runs} pairs); "
                 f"{os.cpu_count()} cores, {wr.wine_version()}.", "",
                 "| run | profile | ours (ms) | bare 7z.exe (ms) | median pair ratio | spread | median pair difference (ms) | own CPU (ms) | own CPU % of wall | own peak memory (MB) |",
                 "|---|---|---|---|---|---|---|---|---|---|"]

        def backup_row(label, profile_label, ours, bare):
            ratios = [o[0] / b[0] for o, b in zip(ours, bare)]
            differences = [o[0] - b[0] for o, b in zip(ours, bare)]
            ow = statistics.median(w for w, _, _ in ours)
            cpu = statistics.median(c for _, c, _ in ours)
            row = (f"| {label} | {profile_label} | {ow:.0f} | {statistics.median(w for w, _, _ in bare):.0f} | "
                   f"{statistics.median(ratios):.3f} | {spread(ratios)} | {statistics.median(differences):.0f} | "
                   f"{cpu:.0f} | {100.0 * cpu / ow:.2f} | {max(p for _, _, p in ours) / 1048576:.1f} |")
            print(row, flush=True)
            lines.append(row)

        parts = args.parts.split(",")
        load_before = os.getloadavg()[0]
        if "tiny" in parts:
            ours, bare = backup_pairs(wr, program, tiny_env, tiny_data, backups, 0, 0, args.tiny_runs)
            backup_row("/b level 0, test off: fixed overhead", "tiny", ours, bare)
        for level in [int(x) for x in args.levels.split(",")] if "backup" in parts else []:
            for verify in [int(x) for x in args.tests.split(",")]:
                ours, bare = backup_pairs(wr, program, env, data, backups, level, verify, args.runs)
                backup_row(f"/b level {level}, test {'on' if verify else 'off'}", f"{args.size} MB", ours, bare)

        if "restore" in parts:
            full_restore_row(wr, program, backups, env, data, args, lines)
        if "diff" in parts:
            lines += ["", "| night | profile | differential night (ms) | full night (ms) | median pair time ratio | spread | "
                      "differential (MB) | full (MB) | median size ratio |", "|---|---|---|---|---|---|---|---|---|"]
            diff_rows(wr, program, env, data, backups, args, lines)
        if "diff" in parts or "diff-restore" in parts:
            diff_restore_rows(wr, program, env, data, backups, args, lines)
        if "copy" in parts:
            copy_rows(wr, program, tiny_env, data, env, backups, args, lines)
        lines += ["", f"{time.strftime('%Y-%m-%d %H:%M')}; load average (1 min) {load_before:.2f} before, "
                  f"{os.getloadavg()[0]:.2f} after."]
        table = "\n".join(lines)
        print(table)
        with open(os.path.join(work, "results.md"), "w") as f:
            f.write(table + "\n")
    finally:
        wr.stop()


def full_restore_row(wr, program, backups, env, data, args, lines):
    # The restore's archive: this profile at level 5, as a backup packs it;
    # made once per profile size (at 500 MB it takes minutes).
    archive = os.path.join(wr.work, f"restore-{args.size}.7z")
    if not os.path.exists(archive):
        for old in os.listdir(wr.work):
            if old.startswith("restore") and old.endswith(".7z"):
                os.remove(os.path.join(wr.work, old))
        code, _, _, _ = wr.run(program, '"' + wine_path(os.path.join(program, "7z.exe")) + '" a -t7z -mmt -mx=5 -y '
                               + wine_path(archive + ".tmp") + " " + wine_path(data), env)
        if code != 0:
            sys.exit("could not make the restore's archive")
        os.replace(archive + ".tmp", archive)
    write_settings(program, backups, 5, 1)
    row, listing = restore_row("restore from the window, Everything, last Yes to result box", f"{args.size} MB",
                               time_restore_pairs(wr, program, env, data, archive, args.runs))
    folder_row, folder_listing = restore_row(
        f"restore from the window, one folder ({MAIL_FOLDER[9:]}), last Yes to result box", f"{args.size} MB",
        time_restore_pairs(wr, program, env, data, archive, args.runs, folder=MAIL_FOLDER))
    lines += [row + " | | |", folder_row + " | | |", "",
              f"The listing before the dialog of what to restore: median {listing:.0f} ms "
              f"(before the one folder: {folder_listing:.0f} ms)."]


if __name__ == "__main__":
    main()
