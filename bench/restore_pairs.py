"""The restore from the window over existing data against bare `7z x -y`
into an empty folder with its output going nowhere: the window driven from
outside, Everything or one folder chosen in the dialog of what to restore,
timed from the press of the last "Yes" (not its box's closing) to the result
box; the listing, up to that dialog, timed on its own."""
import os
import shutil
import statistics
import sys
import time

from wine_runs import wine_path


def read_stamp(path):
    with open(path) as f:
        return [int(x) for x in f.read().split()]


# The dialog's tree, its choices and its Restore button.
TREE, EVERYTHING, ONE_FOLDER, RESTORE_CHOSEN = "82", "83", "84", "86"
# The folder of the one-folder rows: the first message folder, there at every profile size.
MAIL_FOLDER = "Larkmail\\Mail\\Folder00"


def choose_scope(wr, pid, folder, stamp):
    """Everything, or `folder` ("Larkmail\\Mail\\Folder00"), then Restore; `stamp`
    gets the tick the dialog was found, the end of the listing."""
    waiting = ("--poll", "10", "--timeout", "120000", "--stamp", wine_path(stamp))
    if folder:
        found = (wr.drive("tree", pid, "--id", TREE, "--path", folder, *waiting) == 0
                 and wr.drive("click", pid, "--id", ONE_FOLDER) == 0)
    else:
        found = wr.drive("click", pid, "--id", EVERYTHING, *waiting) == 0
    if not found or wr.drive("click", pid, "--id", RESTORE_CHOSEN) != 0:
        sys.exit(f"no dialog of what to restore, or no {folder or 'Everything'} in it")


def wait_for_old_data_gone(data):
    """The old data is deleted after the result box; ended midway, the next
    start would finish it, inside whatever that start times."""
    note = data + ".restoring"  # its removal is the deletion's last act
    end = time.time() + 300
    while os.path.exists(note):
        if time.time() > end:
            sys.exit("the old data's deletion never ended")
        time.sleep(0.1)


def restore_once(wr, program, env, data, archive, folder=None):
    """(ms from the last Yes to the result box, ms of the listing)."""
    stamps = {name: os.path.join(wr.work, name + ".txt") for name in ("listed", "chosen", "asked", "done")}
    for path in stamps.values():
        if os.path.exists(path):
            os.remove(path)
    proc, pid = wr.start(program, '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '"', env)
    try:
        if wr.drive("wait-window", pid, "--timeout", "60000") != 0:
            sys.exit("the window did not come")
        # The controls come a moment after the window: press Restore until its question shows.
        for _ in range(20):
            wr.drive("click", pid, "--id", "11")
            if wr.drive("box", pid, "--answer", "yes", "--timeout", "3000") == 0:
                break
        else:
            sys.exit("Restore asked nothing")
        if wr.drive("filebox", pid, "--path", wine_path(archive), "--poll", "10", "--timeout", "60000", "--stamp",
                    wine_path(stamps["listed"])) != 0:
            sys.exit("no open-file requester")
        choose_scope(wr, pid, folder, stamps["chosen"])
        if wr.drive("box", pid, "--answer", "yes", "--poll", "10", "--timeout", "120000", "--stamp",
                    wine_path(stamps["asked"])) != 0:
            sys.exit("no warning after the dialog of what to restore")
        if wr.drive("box", pid, "--answer", "ok", "--poll", "10", "--timeout", "600000", "--stamp",
                    wine_path(stamps["done"])) != 0:
            sys.exit("no result box")
        listed = read_stamp(stamps["listed"])[0]
        dialog = read_stamp(stamps["chosen"])[0]
        asked = read_stamp(stamps["asked"])[1]
        done = read_stamp(stamps["done"])[0]
        wait_for_old_data_gone(data)
        return done - asked, dialog - listed
    finally:
        wr.end(proc, pid)


def bare_extract_once(wr, program, env, archive, target, full=None, folder=None):
    """With `full`: that first (-y), then the differential `archive` over it (-aoa);
    with `folder`, that folder alone, as the one-folder restore names it."""
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    seven = '"' + wine_path(os.path.join(program, "7z.exe")) + '"'
    wall = 0
    for path, overwrite in ((full, "-y"), (archive, "-aoa")) if full else ((archive, "-y"),):
        names = f" -- {wine_path(path)} {folder}" if folder else " " + wine_path(path)
        code, ms, _, _ = wr.run(program, f"{seven} x {overwrite} -bso0 -bsp0 -bse0 -o{wine_path(target)}{names}", env)
        if code != 0:
            sys.exit(f"bare 7z.exe x failed with exit code {code}")
        wall += ms
    return wall


def time_restore_pairs(wr, program, env, data, archive, runs, full=None, folder=None):
    """Interleaved: ours, bare, ours, bare ...; a list of (ours, listing, bare) in ms.
    With `full`, `archive` is a differential made against it; with `folder`,
    only that folder is restored."""
    target = os.path.join(wr.work, "bare-restore")
    pairs = []
    for _ in range(runs):
        ours, listing = restore_once(wr, program, env, data, archive, folder)
        bare = bare_extract_once(wr, program, env, archive, target, full, folder)
        pairs.append((ours, listing, bare))
        time.sleep(0.2)
    shutil.rmtree(target, ignore_errors=True)
    return pairs


def restore_row(label, profile, pairs):
    """The table row of `pairs` from time_restore_pairs (label, profile, ours,
    bare, median pair ratio, spread, median pair difference) and the median
    listing time."""
    ratios = [o / b for o, _, b in pairs]
    row = (f"| {label} | {profile} | {statistics.median(o for o, _, _ in pairs):.0f} | "
           f"{statistics.median(b for _, _, b in pairs):.0f} | {statistics.median(ratios):.3f} | "
           f"{min(ratios):.2f}-{max(ratios):.2f} | {statistics.median(o - b for o, _, b in pairs):.0f} |")
    print(row, flush=True)
    return row, statistics.median(l for _, l, _ in pairs)
