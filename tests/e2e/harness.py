"""Shared helpers of the e2e tests: each test gets its own folder with a
program folder, a user profile and a backup folder; the real exe runs under
Wine through the driver double, which gives it an exact command line, working
folder and environment, and answers its message boxes."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

EXE = os.environ.get("LARKMAIL_EXE", "")
DOUBLES = os.environ.get("LARKMAIL_DOUBLES", "")
PAYLOAD = os.environ.get("LARKMAIL_PAYLOAD", "")
SOURCE = os.environ.get("LARKMAIL_SOURCE", "")
BUILD = os.environ.get("LARKMAIL_BUILD", "")

DEFAULT_SETTINGS = (b"\xef\xbb\xbf\r\nBkUpDir = \r\nCloseToTray = 0\r\nCompression = 0\r\n"
                    b"OpenToTray = 0\r\nReopenLM = 0\r\nStayOnTop = 0\r\nLanguage = 1\r\n")


def wine_path(path):
    """Wine's name for a Unix path (the Z: drive maps the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def settings_bytes(**keys):
    """A settings file as the program writes it, keys in the given order."""
    lines = b"".join(f"{k} = {v}\r\n".encode("utf-8") for k, v in keys.items())
    return b"\xef\xbb\xbf\r\n" + lines


def driver():
    return os.path.join(DOUBLES, "driver.exe")


def wine_env(extra=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    if extra:
        env.update(extra)
    return env


class Case:
    """One test's world: program folder, profile, backup folder."""

    def __init__(self, name):
        root = os.path.join(BUILD or tempfile.gettempdir(), "e2e-work")
        os.makedirs(root, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=name + "-", dir=root)
        self.program = os.path.join(self.root, "program")
        self.profile = os.path.join(self.root, "profile")
        os.makedirs(self.program)
        os.makedirs(self.profile)
        self.exe = os.path.join(self.program, "LarkmailBackup.exe")
        shutil.copyfile(EXE, self.exe)
        self.environment = {
            "USERPROFILE": wine_path(self.profile),
            "COMPUTERNAME": "PC1",
            "USERNAME": "anna",
            "HOMEDRIVE": wine_path(self.root),
        }

    # Files of the program folder.
    def path(self, *parts):
        return os.path.join(self.program, *parts)

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def write(self, relative, data):
        full = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        return full

    def data_folder(self):
        return os.path.join(self.profile, "AppData", "Local", "Larkmail")

    def copy_lang(self):
        shutil.copytree(os.path.join(SOURCE, "lang"), self.path("Lang"), dirs_exist_ok=True)

    def put_double(self, name, folder=None):
        """Copies a test double (larkmail.exe, schtasks.exe) into a folder,
        the program's by default: the program's folder is searched first."""
        target = os.path.join(folder or self.program, name)
        shutil.copyfile(os.path.join(DOUBLES, name), target)
        return target

    def command_line(self, args):
        return '"' + wine_path(self.exe) + '"' + ((" " + args) if args else "")

    def launch_args(self, args, cwd, env):
        merged = dict(self.environment)
        merged.update(env or {})
        argv = ["wine", driver(), "launch", "--cwd", wine_path(cwd or self.program)]
        for k, v in merged.items():
            argv += ["--env", f"{k}={v}"]
        return argv

    def run(self, args="", cwd=None, env=None, timeout=120, boxes=None):
        """Runs the program to its end; returns its exit code. `boxes` is a
        list of answers ("ok", "yes", "no") for the message boxes it shows,
        in order; their title and text are collected in self.box_log."""
        proc = self.start(args, cwd, env)
        self.answer_boxes(boxes or [], proc)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise

    def end_programs(self):
        for proc in getattr(self, "started", []):
            if proc.poll() is None:
                try:
                    pid = self.pid(timeout=1)
                    subprocess.call(["wine", "taskkill", "/f", "/pid", pid], env=wine_env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
                    proc.wait(timeout=30)
                except (AssertionError, subprocess.TimeoutExpired):
                    proc.kill()

    def start(self, args="", cwd=None, env=None):
        self.pidfile = os.path.join(self.root, "pid.txt")
        if os.path.exists(self.pidfile):
            os.remove(self.pidfile)
        cmdfile = os.path.join(self.root, "cmdline.txt")
        with open(cmdfile, "w", encoding="utf-8") as f:
            f.write(self.command_line(args))
        argv = self.launch_args(args, cwd, env) + ["--pidfile", wine_path(self.pidfile),
                                                   "--cmdfile", wine_path(cmdfile)]
        self.box_log = os.path.join(self.root, "boxes.txt")
        proc = subprocess.Popen(argv, env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.started = getattr(self, "started", []) + [proc]
        return proc

    def pid(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if os.path.exists(self.pidfile):
                with open(self.pidfile) as f:
                    text = f.read().strip()
                if text:
                    return text
            time.sleep(0.1)
        raise AssertionError("the program did not start")

    def answer_boxes(self, answers, proc=None, timeout_ms=30000):
        for answer in answers:
            rc = subprocess.call(["wine", driver(), "box", "--pid", self.pid(), "--answer", answer,
                                  "--timeout", str(timeout_ms), "--out", wine_path(self.box_log)],
                                 env=wine_env())
            if rc != 0:
                raise AssertionError(f"expected a message box, none came (driver exit code {rc})")

    def boxes(self):
        """Message boxes seen so far, as (title, text) pairs."""
        if not os.path.exists(getattr(self, "box_log", "")):
            return []
        with open(self.box_log, encoding="utf-8") as f:
            lines = f.read().split("\n")
        return [(lines[i], lines[i + 1]) for i in range(0, len(lines) - 1, 2)]

    def answer_file(self, path=None, timeout_ms=30000):
        """Types `path` into the program's open-file requester and presses
        Open (None: Cancel). The requester's titles collect in self.file_log."""
        self.file_log = os.path.join(self.root, "requesters.txt")
        argv = ["wine", driver(), "filebox", "--pid", self.pid(), "--timeout", str(timeout_ms),
                "--out", wine_path(self.file_log)]
        if path:
            argv += ["--path", path]
        rc = subprocess.call(argv, env=wine_env())
        if rc != 0:
            raise AssertionError(f"no open-file requester came or it stayed open (driver exit code {rc})")

    def no_box(self, timeout_ms=3000):
        return subprocess.call(["wine", driver(), "nobox", "--pid", self.pid(), "--timeout", str(timeout_ms)],
                               env=wine_env()) == 0

    def control(self, verb, control_id, *extra):
        out = subprocess.run(["wine", driver(), verb, "--pid", self.pid(), "--id", str(control_id), *extra],
                             env=wine_env(), stdout=subprocess.PIPE, timeout=60)
        if out.returncode != 0:
            raise AssertionError(f"driver {verb} {control_id} failed with {out.returncode}")
        return out.stdout.decode("utf-8")

    # The keyboard, through the driver: keys are posted to the focus and pass the program's message loop.
    def focus(self, control_id):
        self.control("focus", control_id)

    def focused(self):
        return int(self.control("focused", 0) or 0)

    def press(self, key):
        self.control("key", 0, "--key", key)

    def show_tab(self, tab):
        """From the first tab, as a user steps the panel's tabs with the arrow keys."""
        self.focus(2)
        for _ in range(tab):
            self.press("right")

    def log_lines(self):
        path = self.path("Backup.log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("cp1252").split("\r\n")[:-1]


def wine_link(name, target):
    """A link in the prefix's dosdevices to a folder: "q:" is a drive letter (a USB disk),
    "unc/<server>/<share>" makes \\\\<server>\\<share> reachable; removing it unplugs it."""
    prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    link = os.path.join(prefix, "dosdevices", *name.split("/"))
    os.makedirs(os.path.dirname(link), exist_ok=True)
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(target, link)
    return link


def kill_program(case):
    """Ends the case's program at once, by the id of its Wine process (found by its own folder)."""
    for pid in os.listdir("/proc"):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read().decode("utf-8", "replace")
        except OSError:
            continue
        if pid.isdigit() and "LarkmailBackup.exe" in command and os.path.basename(case.root) in command:
            os.kill(int(pid), 9)
            return True
    return False


def list_archive(path):
    """Names in a 7z archive, read with Linux 7-Zip."""
    out = subprocess.run(["7zz", "l", "-slt", "-ba", path], stdout=subprocess.PIPE, check=True).stdout
    return sorted(line[7:] for line in out.decode("utf-8").splitlines() if line.startswith("Path = "))


def extract_archive(path, target, password=None):
    secret = ["-p" + password] if password is not None else []
    subprocess.run(["7zz", "x", "-y", *secret, "-o" + target, path], stdout=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, check=True)


def seal_password(case, password):
    """ArchivePassword as the program stores it, sealed by the real system for
    this Wine user through the driver; the plain text leaves no file behind."""
    plain, sealed = case.path("seal-in.txt"), case.path("seal-out.txt")
    with open(plain, "wb") as f:
        f.write(password.encode("utf-8"))
    rc = subprocess.call(["wine", driver(), "seal", "--in", wine_path(plain), "--out", wine_path(sealed)],
                         env=wine_env(), timeout=60)
    os.remove(plain)
    if rc != 0:
        raise AssertionError(f"driver seal failed with {rc}")
    with open(sealed, "rb") as f:
        value = f.read().decode("ascii")
    os.remove(sealed)
    return value


def files_holding(folder, password):
    """Files under folder whose bytes hold the password in UTF-8 or UTF-16LE."""
    needles = [password.encode("utf-8"), password.encode("utf-16-le")]
    found = []
    for base, _, files in os.walk(folder):
        for name in files:
            full = os.path.join(base, name)
            with open(full, "rb") as f:
                data = f.read()
            if any(n in data for n in needles):
                found.append(full)
    return found


def tree_bytes(folder):
    """Relative path -> bytes (None for folders) of everything under folder."""
    result = {}
    for base, dirs, files in os.walk(folder):
        for d in dirs:
            result[os.path.relpath(os.path.join(base, d), folder)] = None
        for f in files:
            full = os.path.join(base, f)
            with open(full, "rb") as fh:
                result[os.path.relpath(full, folder)] = fh.read()
    return result


class E2ETest(unittest.TestCase):
    def setUp(self):
        if not EXE or not os.path.exists(EXE):
            self.skipTest("LARKMAIL_EXE not built")
        self.case = Case(self.id().split(".")[-1])
        if not os.environ.get("LARKMAIL_KEEP_E2E"):
            self.addCleanup(shutil.rmtree, self.case.root, True)
        # Registered last, so it runs first: a copy left running (a failed
        # test) would hold the single-instance mutex for every later test.
        self.addCleanup(self.case.end_programs)

    def wait_for(self, check, message="condition not met in time", timeout=90):
        end = time.time() + timeout
        while time.time() < end:
            if check():
                return
            time.sleep(0.2)
        self.fail(message)
