"""The second copy: a night that brings the second folder up to date with one
new archive of about the profile's size (packed without compression), against
bare `copy` of it and `7z t` of the copy, in interleaved pairs; and a night
whose second folder lies on a share that is not there.

Ours is a whole `/b` night of a tiny profile: the big archive lies in the
backup folder as yesterday's full, and the second folder holds everything
else already, so the night packs the tiny profile and then copies, flushes,
tests and names the big archive alone. The tiny night without
a second folder is timed beside it, so its own part can be taken off. Bare
`copy` leaves the copy in the system's cache; the program writes it through to
the disk before it names it, so bare is also timed with an fsync of the copy
(what FlushFileBuffers is under Wine) between the copy and the test."""
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import time

from wine_runs import wine_path


def write_settings(program, backups, copy_folder):
    with open(os.path.join(program, "lmbackup.prefs"), "wb") as f:
        f.write(("\ufeff\r\nBkUpDir = " + wine_path(backups) + "\\\r\nCloseToTray = 0\r\nCompression = 0\r\n"
                 "OpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\nVerifyBackup = 1\r\n"
                 + (f"CopyDir = {copy_folder}\r\n" if copy_folder else "")).encode("utf-8"))


def big_archive(wr, program, env, data, size):
    """The profile packed without compression, made once per size."""
    archive = os.path.join(wr.work, f"copy-{size}.7z")
    if not os.path.exists(archive):
        for old in os.listdir(wr.work):
            if old.startswith("copy-") and old.endswith(".7z"):
                os.remove(os.path.join(wr.work, old))
        code, _, _, _ = wr.run(program, '"' + wine_path(os.path.join(program, "7z.exe")) + '" a -t7z -mx=0 -y '
                               + wine_path(archive + ".tmp") + " " + wine_path(data), env)
        if code != 0:
            sys.exit("could not make the second copy's archive")
        os.replace(archive + ".tmp", archive)
    return archive


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def copy_rows(wr, program, tiny_env, data, env, backups, args, lines):
    archive = big_archive(wr, program, env, data, args.size)
    second = os.path.join(wr.work, "second")
    yesterday = f"LarkmailBackup_BENCH_bench_{datetime.date.today() - datetime.timedelta(days=1):%Y%m%d}.7z"
    exe = '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b'
    seven = '"' + wine_path(os.path.join(program, "7z.exe")) + '"'
    fresh(backups)
    shutil.copyfile(archive, os.path.join(backups, yesterday))
    # A first night puts the tiny profile's archive there too; it keeps its size night after night,
    # so each timed night has the big one alone to copy.
    fresh(second)
    write_settings(program, backups, wine_path(second) + "\\")
    wr.run(program, exe, tiny_env)
    ours, bare, flushed, plain = [], [], [], []
    for _ in range(args.runs):
        if os.path.exists(os.path.join(second, yesterday)):
            os.remove(os.path.join(second, yesterday))  # the bare copy of the pair before
        write_settings(program, backups, wine_path(second) + "\\")
        code, wall, _, _ = wr.run(program, exe, tiny_env)
        if code != 0 or sorted(os.listdir(second)) != sorted(os.listdir(backups)):
            sys.exit(f"the night with a second copy failed: {code} {os.listdir(second)}")
        ours.append(wall)
        os.replace(os.path.join(second, yesterday), os.path.join(wr.work, "ours-copy.7z"))
        target = wine_path(os.path.join(second, yesterday))
        code, copy_wall, _, _ = wr.run(program, f"cmd /c copy /b {wine_path(os.path.join(backups, yesterday))} {target}",
                                       tiny_env)
        start = time.monotonic()
        subprocess.run(["sync", os.path.join(second, yesterday)], check=True)
        sync_ms = (time.monotonic() - start) * 1000
        code_t, test_wall, _, _ = wr.run(program, f"{seven} t {target}", tiny_env)
        if code != 0 or code_t != 0:
            sys.exit(f"bare copy or 7z t failed: {code} {code_t}")
        bare.append(copy_wall + test_wall)
        flushed.append(copy_wall + sync_ms + test_wall)
        os.remove(os.path.join(wr.work, "ours-copy.7z"))
        write_settings(program, backups, "")
        code, wall, _, _ = wr.run(program, exe, tiny_env)
        if code != 0:
            sys.exit(f"the tiny night failed: {code}")
        plain.append(wall)
        print(f"  pair: ours {ours[-1]} ms, bare {bare[-1]} ms (with the fsync {flushed[-1]:.0f} ms), "
              f"tiny night alone {plain[-1]} ms", file=sys.stderr, flush=True)
    mb = os.path.getsize(archive) / 1048576
    lines += ["", "| second copy, one new archive copied, flushed, tested, named | archive | ours (ms) | bare (ms) | "
              "median pair ratio | spread | without the tiny night's own time: median ratio | spread |",
              "|---|---|---|---|---|---|---|---|"]
    for label, sides in (("against bare copy + 7z t", bare), ("against bare copy + fsync + 7z t", flushed)):
        ratios = [o / b for o, b in zip(ours, sides)]
        own = [(o - p) / b for o, p, b in zip(ours, plain, sides)]
        lines.append(f"| {label} | {mb:.0f} MB | {statistics.median(ours):.0f} | {statistics.median(sides):.0f} | "
                     f"{statistics.median(ratios):.3f} | {min(ratios):.2f}-{max(ratios):.2f} | "
                     f"{statistics.median(own):.3f} | {min(own):.2f}-{max(own):.2f} |")
        print(lines[-1], flush=True)
    offline_row(wr, program, tiny_env, backups, plain, lines)


def offline_row(wr, program, tiny_env, backups, plain, lines):
    """A night whose second folder is on a share that is not there: its own
    code, its balloon (15 s, taken off), against the tiny night alone."""
    exe = '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b'
    write_settings(program, backups, "\\\\larkmail-bench-nas\\gone\\")
    walls = []
    for _ in range(3):
        code, wall, _, _ = wr.run(program, exe, tiny_env)
        if code != 20:
            sys.exit(f"the night with the share gone ended with {code}, not 20")
        walls.append(wall - 15000)
    lines += ["", f"A night whose second folder is on a share that is not there (exit code 20): median "
              f"{statistics.median(walls):.0f} ms without the balloon's 15 s, the tiny night alone "
              f"{statistics.median(plain):.0f} ms."]
    print(lines[-1], flush=True)
