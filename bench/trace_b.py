#!/usr/bin/env python3
"""Where a `LarkmailBackup.exe /b` spends its time beside 7-Zip's own work,
from Wine's debug channels (+timestamp,+pid,+process,+file) of the driver,
the program and its 7-Zip runs; the program is the build as it is, with no
timing of its own. Prints each step's milliseconds (median over the runs,
with the spread) and the parts: start-up to the first 7-Zip start, each
7-Zip run, the flush and rename, and the last 7-Zip's end to the process's.

    bench/trace_b.py [--size MB] [--level N] [--verify 0|1] [--runs N] [--build DIR]
    bench/trace_b.py --parse TRACE...     the steps of traces already taken

The +file channel traces every file call 7-Zip makes too, so its runs are
somewhat slower than untraced; the program's own steps make few calls.
The traces stay in build/windows/bench/trace-N.txt.
"""
import argparse
import os
import re
import shutil
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run import make_profile, write_settings  # noqa: E402
from wine_runs import ROOT, WineRuns, wine_path  # noqa: E402

CHANNELS = "+timestamp,+pid,+process,+file"
LINE = re.compile(r"^(\d+)\.(\d{3}):([0-9a-f]+):([0-9a-f]+):\w+:(\w+):(.*)$")
# A process's first file call of its own, past Wine's loading of system DLLs.
OWN_CALL = r'file:(GetFileAttributesW|CreateFileW|FindFirstFileExW) L"(?!C:\\\\windows\\\\)'
TOOL_START = r"process:CreateProcessInternalW app "

# The steps of a /b in the order the program takes them: each ends at the
# first matching line of the program after the step before it; a step whose
# line is not found merges into the next one.
START_STEPS = (
    ("Wine's start-up of the program (DLLs, window station)", OWN_CALL),
    ("settings, language, interrupted-restore note, backup folder vs. data folder",
     r'file:CreateFileW L"[^"]*\\\\Larkmail" '),
    ("the mail client check (its window looked for), password setting read",
     r'file:(GetFileAttributesW|CreateFileW) L"lmbackup\.prefs"'),
    ("the job's checks (data folder there)", r'file:FindFirstFileExW L"[^"]*LarkmailBackup_\*'),
    ("listing of the backup folder (leftover temporaries, fulls)", TOOL_START),
)
END_STEPS = (
    ("flush of the new archive", r'file:MoveFileWithProgressW \(L"[^"]*\.tmp"'),
    ("rename over the day's archive", r'file:CreateFileW L"Backup\.log"'),
    ("log line", r'file:FindFirstFileExW L"[^"]*LarkmailBackup_\*'),
    ("retention (other archives of the day, KeepDays)", r'file:(GetFileAttributesW|CreateFileW) L"lmbackup\.last'),
    ("record written and renamed (lmbackup.last)", r'file:MoveFileWithProgressW \(L"lmbackup\.last'),
)


def parse(path):
    """(ms, pid, "channel:text") of each trace line."""
    events = []
    with open(path, errors="replace") as f:
        for line in f:
            m = LINE.match(line)
            if m:
                events.append((int(m[1]) * 1000 + int(m[2]), m[3], m[5] + ":" + m[6]))
    return events


class Steps:
    """Walks one run's events forward, ending a step at each mark."""

    def __init__(self, events, start):
        self.events, self.at, self.clock = events, start, events[start][0]
        self.part, self.rows = "", []

    def find(self, pid, pattern):
        for i in range(self.at + 1, len(self.events)):
            if self.events[i][1] == pid and re.search(pattern, self.events[i][2]):
                return i
        return None

    def mark(self, label, index):
        if index is None:
            return
        self.rows.append((label, self.events[index][0] - self.clock, self.part))
        self.at, self.clock = index, self.events[index][0]


def created(steps, pid):
    """(pid, process handle) of the process `pid` creates next."""
    line = steps.events[steps.find(pid, r"process:NtCreateUserProcess .* pid [0-9a-f]+ .*handles")][2]
    return re.search(r" pid ([0-9a-f]+)", line)[1], re.search(r"handles (0x[0-9a-f]+)", line)[1]


def steps_of(events):
    """[(step, ms, part)] of the one /b run in `events`."""
    launch = next(i for i, e in enumerate(events)
                  if re.search(TOOL_START + r".*LarkmailBackup\.exe", e[2]))
    driver = events[launch][1]
    s = Steps(events, launch)
    program, program_handle = created(s, driver)
    s.part = "start-up to the first 7-Zip start"
    s.mark("Wine creates the program's process", next(i for i, e in enumerate(events) if e[1] == program))
    first_tool = s.find(program, TOOL_START)
    for label, pattern in START_STEPS:
        # A step the program now takes in another order, or only after 7-Zip
        # started, merges into the next one rather than swallowing 7-Zip's run.
        index = s.find(program, pattern)
        s.mark(label, index if index is not None and index <= first_tool else None)
    while True:
        verb = re.search(r'7z\.exe\\?" (\w)', events[s.at][2])
        name = f"7-Zip {verb[1] if verb else '?'}"
        tool, handle = created(s, program)
        s.part = f"{name} run, CreateProcess to its end seen"
        s.mark(f"{name}: CreateProcess", s.find(program, r"process:CreateProcessInternalW started process"))
        s.mark(f"{name}: Wine's start-up of 7-Zip", s.find(tool, OWN_CALL))
        end = s.find(program, r"process:NtQueryInformationProcess \(" + handle + ",0x00000000,")
        s.mark(f"{name}: its work", max(i for i in range(s.at, end) if events[i][1] == tool))
        s.mark(f"{name}: its exit, until the program sees it", end)
        following = s.find(program, TOOL_START)
        if following is None:
            break
        s.part = "between the 7-Zip runs"
        s.mark("between the 7-Zip runs (the archive's header read)", following)
    s.part = "the last 7-Zip's end to the process's end"
    for label, pattern in END_STEPS:
        s.mark(label, s.find(program, pattern))
    s.mark("the rest of the program (settings kept, its end)",
           max(i for i in range(s.at, len(events)) if events[i][1] == program))
    s.mark("process end, as the driver's wait returns",
           s.find(driver, r"process:NtQueryInformationProcess \(" + program_handle + ","))
    return s.rows


def parts_of(steps):
    """The parts, from the steps; the flush and rename lie inside the last one."""
    parts = {}
    for _, ms, part in steps:
        parts[part] = parts.get(part, 0) + ms
    rows = list(parts.items())
    rows.append(("of which the flush and the rename",
                 sum(ms for label, ms, _ in steps if label.startswith(("flush", "rename")))))
    return rows + [("whole run", sum(ms for _, ms, _ in steps))]


def print_table(title, rows_per_run):
    print(f"\n| {title} | ms (median) | spread |\n|---|---|---|")
    for n, row in enumerate(rows_per_run[0]):
        values = [rows[n][1] for rows in rows_per_run if len(rows) > n and rows[n][0] == row[0]]
        print(f"| {row[0]} | {statistics.median(values):.0f} | {min(values)}-{max(values)} |")


def report(traces):
    runs = [steps_of(parse(path)) for path in traces]
    print_table("step of /b", runs)
    print_table("part", [parts_of(steps) for steps in runs])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size", default="80")
    ap.add_argument("--level", type=int, default=5)
    ap.add_argument("--verify", type=int, default=1)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "windows"))
    ap.add_argument("--parse", nargs="+")
    args = ap.parse_args()
    if args.parse:
        report(args.parse)
        return
    build = os.path.abspath(args.build)
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    wr = WineRuns(build, work)
    try:
        program = os.path.join(work, "program")
        backups = os.path.join(work, "trace-backups")
        os.makedirs(program, exist_ok=True)
        shutil.copyfile(os.path.join(build, "LarkmailBackup.exe"), os.path.join(program, "LarkmailBackup.exe"))
        profile, _ = make_profile(work, "trace", args.size)
        env = {"USERPROFILE": wine_path(profile), "COMPUTERNAME": "BENCH", "USERNAME": "bench"}
        # The warm-up packs a tiny profile: at 2 GB a full run of its own would take a quarter of an hour.
        warm_env = dict(env, USERPROFILE=wine_path(make_profile(work, "tiny", "0.1")[0]))
        write_settings(program, backups, args.level, args.verify)
        exe = '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b'
        traces = []
        # The first run writes 7z.exe and 7z.dll and may start Wine's desktop process: not traced.
        for n in range(args.runs + 1):
            shutil.rmtree(backups, ignore_errors=True)
            os.makedirs(backups)
            trace = os.path.join(work, f"trace-{n}.txt")
            code = wr.run_traced(program, exe, env, CHANNELS, trace) if n else wr.run(program, exe, warm_env)[0]
            if code != 0:
                sys.exit(f"LarkmailBackup.exe /b failed with exit code {code}")
            if n:
                traces.append(trace)
        print(f"/b of a {args.size} MB profile, level {args.level}, test {'on' if args.verify else 'off'}, "
              f"{args.runs} traced runs ({CHANNELS}); {wr.wine_version()}.")
        report(traces)
    finally:
        wr.stop()


if __name__ == "__main__":
    main()
