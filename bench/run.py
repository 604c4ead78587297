#!/usr/bin/env python3
"""Times `LarkmailBackup.exe /b` against bare `7z.exe` with the same switches
under Wine, at compression levels 0, 5 and 9, with the archive test off
(VerifyBackup = 0, against bare `7z a`) and on (against bare `7z a` + `7z t`).
Runs are interleaved in pairs (ours, bare, ours, bare ...); it reports the
median of the per-pair ratios with their spread, the program's own CPU time
and its peak memory.

    bench/run.py [--size MB] [--runs N] [--levels 0,5,9] [--build DIR]

Run after scripts/build windows. Writes build/bench/results.md.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def launch(build, cwd, cmdline, env, stats, work):
    cmdfile = os.path.join(work, "cmdline.txt")
    with open(cmdfile, "w", encoding="utf-8") as f:
        f.write(cmdline)
    argv = ["wine", os.path.join(build, "doubles", "driver.exe"), "launch", "--cwd", wine_path(cwd),
            "--stats", wine_path(stats), "--cmdfile", wine_path(cmdfile)]
    for k, v in env.items():
        argv += ["--env", f"{k}={v}"]
    if os.path.exists(stats):
        os.remove(stats)
    code = subprocess.call(argv, env=dict(os.environ, WINEDEBUG="-all"), stdout=subprocess.DEVNULL)
    if not os.path.exists(stats):
        sys.exit(f"could not run: {cmdline}")
    wall, user, kernel, peak = (int(x) for x in open(stats).read().split())
    return code, wall, user + kernel, peak


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size", default="200")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--levels", default="0,5,9")
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "windows"))
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    # A prefix and screen of its own, so a test run in the same tree cannot meet it.
    prefix = os.path.join(work, "wineprefix")
    display = ":98"
    os.environ.update(WINEPREFIX=prefix, DISPLAY=display)
    subprocess.check_call([os.path.join(ROOT, "scripts", "wine-session"), "start", prefix, display])
    try:
        program = os.path.join(work, "program")
        profile = os.path.join(work, "profile")
        data = os.path.join(profile, "AppData", "Local", "Larkmail")
        backups = os.path.join(work, "backups")
        marker = os.path.join(work, f"profile-{args.size}.ready")
        if not os.path.exists(marker):
            for old in os.listdir(work):
                if old.startswith("profile-") and old.endswith(".ready"):
                    os.remove(os.path.join(work, old))
            shutil.rmtree(profile, ignore_errors=True)
            subprocess.check_call([sys.executable, os.path.join(ROOT, "bench", "make_profile.py"), data, args.size])
            open(marker, "w").close()
        os.makedirs(program, exist_ok=True)
        shutil.copyfile(os.path.join(build, "LarkmailBackup.exe"), os.path.join(program, "LarkmailBackup.exe"))
        env = {"USERPROFILE": wine_path(profile), "COMPUTERNAME": "BENCH", "USERNAME": "bench"}
        stats = os.path.join(work, "stats.txt")
        rows = []
        for level in [int(x) for x in args.levels.split(",")]:
          for verify in (0, 1):
            with open(os.path.join(program, "lmbackup.prefs"), "wb") as f:
                f.write(("\ufeff\r\nBkUpDir = " + wine_path(backups) + "\\\r\nCompression = "
                         + str(level) + "\r\nLanguage = 1\r\nVerifyBackup = " + str(verify) + "\r\n").encode("utf-8"))
            ours, bare = [], []
            seven = '"' + wine_path(os.path.join(program, "7z.exe")) + '"'
            bare_archive = wine_path(backups) + "\\bare.7z"
            for _ in range(args.runs):
                shutil.rmtree(backups, ignore_errors=True)
                code, wall, cpu, peak = launch(build, program, '"' + wine_path(os.path.join(program, "LarkmailBackup.exe")) + '" /b',
                                               env, stats, work)
                if code != 0:
                    sys.exit(f"LarkmailBackup.exe /b failed with exit code {code}")
                ours.append((wall, cpu, peak))
                shutil.rmtree(backups, ignore_errors=True)
                os.makedirs(backups)
                # The full path: a bare name would be searched beside the driver.
                cmd = seven + " a -mmt -mx=" + str(level) + " -slp -y " + bare_archive + " " + wine_path(data)
                code, wall, cpu, peak = launch(build, program, cmd, env, stats, work)
                if code != 0:
                    sys.exit(f"bare 7z.exe failed with exit code {code}")
                if verify:
                    code, test_wall, _, _ = launch(build, program, seven + " t " + bare_archive, env, stats, work)
                    if code != 0:
                        sys.exit(f"bare 7z.exe t failed with exit code {code}")
                    wall += test_wall
                bare.append((wall, cpu, peak))
            ratios = [o[0] / b[0] for o, b in zip(ours, bare)]
            ow = statistics.median(w for w, _, _ in ours)
            bw = statistics.median(w for w, _, _ in bare)
            ocpu = statistics.median(c for _, c, _ in ours)
            opeak = max(p for _, _, p in ours)
            rows.append((level, "on" if verify else "off", ow, bw, statistics.median(ratios), min(ratios),
                         max(ratios), ocpu, 100.0 * ocpu / ow, opeak / 1048576))
        lines = ["| level | archive test | LarkmailBackup /b (ms) | bare 7z.exe (ms) | median pair ratio | spread | own CPU (ms) | own CPU % of wall | own peak memory (MB) |",
                 "|---|---|---|---|---|---|---|---|---|"]
        for r in rows:
            lines.append(f"| {r[0]} | {r[1]} | {r[2]:.0f} | {r[3]:.0f} | {r[4]:.3f} | {r[5]:.2f}-{r[6]:.2f} | {r[7]:.0f} | {r[8]:.2f} | {r[9]:.1f} |")
        table = "\n".join(lines)
        print(f"profile {args.size} MB, {args.runs} interleaved pairs each\n" + table)
        with open(os.path.join(work, "results.md"), "w") as f:
            f.write(table + "\n")
    finally:
        subprocess.call([os.path.join(ROOT, "scripts", "wine-session"), "stop", prefix])


if __name__ == "__main__":
    main()
