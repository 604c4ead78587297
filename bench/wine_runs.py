"""Running Windows programs under Wine for the benchmark: a prefix and a
screen of its own, exact command lines through the test driver, its timings."""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def program_peak_bytes():
    """The largest VmHWM of the Linux processes running LarkmailBackup.exe now."""
    peak = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"LarkmailBackup.exe" not in f.read().split(b"\0")[0]:
                    continue
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]) * 1024)
        except OSError:
            continue
    return peak


class WineRuns:
    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.driver = os.path.join(build, "doubles", "driver.exe")
        self.stats = os.path.join(work, "stats.txt")
        # A prefix and screen of its own, so a test run in the same tree cannot meet it.
        self.prefix = os.path.join(work, "wineprefix")
        # Another tree's benchmark may hold :98 already.
        display = os.environ.get("LARKMAIL_BENCH_DISPLAY", ":98")
        os.environ.update(WINEPREFIX=self.prefix, DISPLAY=display, WINEDEBUG="-all")
        subprocess.check_call([os.path.join(ROOT, "scripts", "wine-session"), "start", self.prefix, display])
        # Without a window manager Wine waits up to about 2 s for each closed
        # box to be withdrawn, inside the timed span; unmanaged windows do not wait.
        subprocess.check_call(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N",
                               "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        subprocess.call([os.path.join(ROOT, "scripts", "wine-session"), "stop", self.prefix])

    def wine_version(self):
        return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()

    def _launch_argv(self, cwd, cmdline, env):
        cmdfile = os.path.join(self.work, "cmdline.txt")
        with open(cmdfile, "w", encoding="utf-8") as f:
            f.write(cmdline)
        argv = ["wine", self.driver, "launch", "--cwd", wine_path(cwd), "--cmdfile", wine_path(cmdfile)]
        for k, v in env.items():
            argv += ["--env", f"{k}={v}"]
        return argv

    def run(self, cwd, cmdline, env):
        """Runs to the end: (exit code, wall ms, own CPU ms, peak resident bytes of the program's Wine process)."""
        if os.path.exists(self.stats):
            os.remove(self.stats)
        proc = subprocess.Popen(self._launch_argv(cwd, cmdline, env) + ["--stats", wine_path(self.stats)],
                                stdout=subprocess.DEVNULL)
        # Under Wine the driver cannot read an ended process's peak working set,
        # so the program's own Wine process is sampled while it runs: its
        # resident high-water mark (VmHWM), which only grows.
        peak = 0
        while proc.poll() is None:
            peak = max(peak, program_peak_bytes())
            time.sleep(0.2)
        code = proc.returncode
        if not os.path.exists(self.stats):
            sys.exit(f"could not run: {cmdline}")
        wall, user, kernel, _ = (int(x) for x in open(self.stats).read().split())
        return code, wall, user + kernel, peak

    def run_traced(self, cwd, cmdline, env, channels, trace):
        """Runs to the end with Wine's debug `channels` on for the driver and all
        it starts, their output in the file `trace`; the exit code."""
        with open(trace, "w") as f:
            return subprocess.call(self._launch_argv(cwd, cmdline, env), stdout=subprocess.DEVNULL, stderr=f,
                                   env=dict(os.environ, WINEDEBUG=channels))

    def start(self, cwd, cmdline, env):
        """Starts without waiting; returns (Popen of the driver, the program's pid)."""
        pidfile = os.path.join(self.work, "pid.txt")
        if os.path.exists(pidfile):
            os.remove(pidfile)
        proc = subprocess.Popen(self._launch_argv(cwd, cmdline, env) + ["--pidfile", wine_path(pidfile)],
                                stdout=subprocess.DEVNULL)
        end = time.time() + 60
        while time.time() < end:
            if os.path.exists(pidfile) and open(pidfile).read().strip():
                return proc, open(pidfile).read().strip()
            time.sleep(0.05)
        sys.exit(f"could not start: {cmdline}")

    def drive(self, verb, pid, *extra):
        """One driver verb on the program's windows; its exit code."""
        return subprocess.call(["wine", self.driver, verb, "--pid", pid, *extra], stdout=subprocess.DEVNULL)

    def end(self, proc, pid):
        subprocess.call(["wine", "taskkill", "/f", "/pid", pid], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        proc.wait(timeout=60)
