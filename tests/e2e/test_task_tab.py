"""The Backup Task tab end to end: the real program under Wine clicks through
the tab with the schtasks double beside it; the double records every argument
line, keeps its task list in a file and a copy of the last /xml file."""

import datetime
import os
import shutil
import subprocess
import time

from harness import E2ETest, list_archive, settings_bytes, wine_env, wine_path

TAIL = ' /tn BackupLarkmail /tr "{run}" /it /v1'
MISSED_RUN = 90  # the check box: on at every start

# What makes a missed night run, and a daily trigger as "/sc daily" makes it.
SETTINGS = ("<Settings>\r\n"
            "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
            "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
            "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
            "    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
            "    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
            "    <Enabled>true</Enabled>\r\n"
            "    <ExecutionTimeLimit>PT12H</ExecutionTimeLimit>\r\n"
            "  </Settings>")
DAILY_TRIGGER = ("<Triggers>\r\n    <CalendarTrigger>\r\n      <StartBoundary>{start}</StartBoundary>\r\n"
                 "      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n      </ScheduleByDay>\r\n"
                 "    </CalendarTrigger>\r\n  </Triggers>")


def xml_element(text, name):
    return text[text.index(f"<{name}>"):text.index(f"</{name}>") + len(name) + 3]


class TaskTab(E2ETest):
    def setUp(self):
        super().setUp()
        self.backups = os.path.join(self.case.root, "backups")
        os.makedirs(self.backups)
        os.makedirs(self.case.data_folder())
        with open(os.path.join(self.case.data_folder(), "prefs.js"), "wb") as f:
            f.write(b"user_pref(1);\r\n")
        # A blank and a non-ASCII letter: the definition file's path goes quoted and whole.
        self.temp = os.path.join(self.case.root, "Temp \u00c4")
        os.makedirs(self.temp)
        self.case.environment.update(TEMP=wine_path(self.temp), USERDOMAIN="PC1")
        self.proc = None
        self.addCleanup(self.end_program)

    def use_program_folder(self, folder):
        """Moves the program (and its later files) to another folder."""
        os.makedirs(folder, exist_ok=True)
        shutil.move(self.case.exe, os.path.join(folder, "LarkmailBackup.exe"))
        self.case.program = folder
        self.case.exe = os.path.join(folder, "LarkmailBackup.exe")

    def open_window(self, backup_path=None):
        if backup_path is None:
            backup_path = wine_path(self.backups) + "\\"
        with open(self.case.path("lmbackup.prefs"), "wb") as f:
            f.write(settings_bytes(BkUpDir=backup_path, CloseToTray=0, Compression=0, OpenToTray=0, ReopenLM=0,
                                   StayOnTop=0, Language=1))
        if not os.path.exists(self.case.path("Lang")):
            self.case.copy_lang()
        if not os.path.exists(self.case.path("schtasks.exe")):
            self.case.put_double("schtasks.exe")
        queries = len(self.calls())
        self.proc = self.case.start()
        self.case.control("wait-window", 40, "--timeout", "60000")
        self.wait_for(self.tab_built, "the tab was not built")
        # The start-up state is complete once the query ran and Create Task went off.
        self.wait_for(lambda: len(self.calls()) > queries and self.style(38)[0] == "0", "no start-up query")

    def tab_built(self):
        try:
            return self.style(40) == "1 1"
        except AssertionError:  # the window is there, its controls not yet
            return False

    def end_program(self):
        if self.proc is None:
            return
        subprocess.call(["wine", "taskkill", "/f", "/pid", self.case.pid()], env=wine_env(),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        self.proc = None

    def style(self, control):
        return self.case.control("style", control).strip()

    def enabled(self, first, last):
        return "".join(self.style(n)[0] for n in range(first, last + 1))

    def calls(self):
        path = self.case.path("schtasks-calls.txt")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("utf-8").split("\r\n")[:-1]

    def tasks(self):
        path = self.case.path("schtasks-tasks.txt")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return [line.split("\t") for line in f.read().decode("utf-8").split("\r\n")[:-1]]

    def click_and_wait_calls(self, control, count):
        self.case.control("click", control)
        self.wait_for(lambda: len(self.calls()) >= count, f"schtasks was not called {count} times")

    def xml_line(self):
        return f'/create /tn BackupLarkmail /xml "{wine_path(self.temp)}\\LarkmailBackup-task-{self.case.pid()}.xml"'

    def turn_missed_run_off(self):
        self.assertEqual(self.case.control("check", MISSED_RUN), "1")
        self.case.control("click", MISSED_RUN)
        self.wait_for(lambda: self.case.control("check", MISSED_RUN) == "0", "the missed-run box stayed on")

    def assert_no_task_state(self, create_enabled):
        self.assertEqual(self.enabled(17, 19), "111")
        self.assertEqual(self.style(MISSED_RUN), "1 1")
        self.assertEqual(self.enabled(33, 36), "1111")
        self.assertEqual(self.style(38), "1 1" if create_enabled else "0 1")
        self.assertEqual(self.style(39)[2], "0")
        self.assertEqual(self.style(37)[2], "0")
        self.assertEqual(self.style(40), "1 1")

    def assert_task_exists_state(self):
        self.assertEqual(self.enabled(17, 36), "0" * 20)
        self.assertEqual(self.style(MISSED_RUN), "0 1")
        self.assertEqual(self.style(38)[0], "0")
        self.assertEqual(self.style(39), "1 1")
        self.assertEqual(self.style(37)[2], "0")
        self.assertEqual(self.style(40), "1 1")

    def run_text(self):
        return wine_path(self.case.program) + "\\LarkmailBackup /b"

    def test_each_form_creates_then_removes_and_a_restart_finds_the_task(self):
        forms = [
            ([17], "7", "5", "/create /sc daily /st 07:05"),
            ([18, 25], "23", "59", "/create /sc Weekly /d Fri /st 23:59"),
            ([19, 21], "0", "0", "/create /sc monthly /st 00:00"),
            ([19, 32], "12", "30", "/create /sc monthly /mo lastday /m * /st 12:30"),
            ([19, 21, 28], "23", "5", "/create /sc monthly /d Mon /mo Second /st 23:05"),
        ]
        self.open_window()
        self.assertEqual(self.calls(), ["/query"])
        self.assert_no_task_state(create_enabled=False)
        self.assertEqual(self.enabled(20, 32), "0" * 13)
        self.turn_missed_run_off()  # the plain line, exactly as before the box came
        for clicks, hour, minute, form in forms:
            with self.subTest(form=form):
                for control in clicks:
                    self.case.control("click", control)
                self.wait_for(lambda: self.style(38)[0] == "1", "Create Task stayed disabled")
                self.case.control("settext", 33, "--value", hour)
                self.case.control("settext", 35, "--value", minute)
                before = len(self.calls())
                self.click_and_wait_calls(38, before + 2)
                self.wait_for(lambda: self.style(39) == "1 1", "no task-exists state")
                expected_run = self.run_text()
                self.assertEqual(self.calls()[before:], [form + TAIL.format(run=expected_run), "/query"])
                self.assertEqual(self.tasks(), [["BackupLarkmail", expected_run]])
                self.assert_task_exists_state()
                self.assertTrue(self.case.log_lines()[-1].startswith("Scheduled task successfully created. "))

                self.click_and_wait_calls(39, before + 4)
                self.wait_for(lambda: self.style(39)[2] == "0", "Remove Task stayed")
                self.assertEqual(self.calls()[before + 2:], ["/delete /tn BackupLarkmail /f", "/query"])
                self.assertEqual(self.tasks(), [])
                self.assert_no_task_state(create_enabled=True)
        self.assertFalse(os.path.exists(self.case.path("schtasks-task.xml")))

        # A task made in one run is found by the next.
        self.case.control("click", 17)
        before = len(self.calls())
        self.click_and_wait_calls(38, before + 2)
        self.wait_for(lambda: self.style(39) == "1 1", "no task-exists state")
        self.end_program()
        self.open_window()
        self.assertEqual(self.calls()[-1], "/query")
        self.assert_task_exists_state()
        self.click_and_wait_calls(39, len(self.calls()) + 2)
        self.wait_for(lambda: self.style(39)[2] == "0", "Remove Task stayed")
        self.assert_no_task_state(create_enabled=True)
        self.assertEqual(self.enabled(20, 32), "0" * 13)

    def test_enter_presses_the_focused_button_and_the_focus_leaves_what_gets_disabled(self):
        self.open_window()
        self.case.control("click", 17)
        self.wait_for(lambda: self.style(38)[0] == "1", "Create Task stayed disabled")
        self.case.show_tab(2)
        self.wait_for(lambda: self.case.control("state", 38) == "1 1", "the Backup Task tab did not show")
        # The missed-run box is the tab stop after the time (the days are off for Daily); Space turns it off.
        self.case.focus(35)
        self.wait_for(lambda: self.case.focused() == 35, "the minute field did not take the focus")
        self.case.press("tab")
        self.wait_for(lambda: self.case.focused() == MISSED_RUN, "Tab did not reach the missed-run box")
        self.case.press("space")
        self.wait_for(lambda: self.case.control("check", MISSED_RUN) == "0", "Space did not turn the box off")
        self.case.focus(38)
        self.wait_for(lambda: self.case.focused() == 38, "Create Task did not take the focus")
        self.case.press("return")
        self.wait_for(lambda: len(self.calls()) >= 3, "Enter did not press Create Task")
        self.wait_for(lambda: self.style(39) == "1 1", "no task-exists state")
        self.assertEqual(self.calls()[1], "/create /sc daily /st 00:00" + TAIL.format(run=self.run_text()))
        self.assertEqual(self.case.focused(), 40)  # the next tab stop, not the disabled button

        self.case.focus(39)
        self.wait_for(lambda: self.case.focused() == 39, "Remove Task did not take the focus")
        self.case.press("return")
        self.wait_for(lambda: self.style(39)[2] == "0", "Enter did not press Remove Task")
        self.assertEqual(self.calls()[3:], ["/delete /tn BackupLarkmail /f", "/query"])
        self.assert_no_task_state(create_enabled=True)
        self.wait_for(lambda: self.case.focused() == 17, "the focus did not go to Daily")
        self.assertEqual([self.case.control("check", n) for n in (17, 18, 19)], ["1", "0", "0"])

        # Enter on anything but a button presses nothing, and Space presses a button as a click does.
        self.case.focus(33)
        self.wait_for(lambda: self.case.focused() == 33, "the hour field did not take the focus")
        self.case.press("return")
        self.case.focus(38)
        self.wait_for(lambda: self.case.focused() == 38, "Create Task did not take the focus")
        self.case.press("space")
        self.wait_for(lambda: len(self.calls()) >= 7, "Space did not press Create Task")
        self.assertEqual(self.calls()[5:], ["/create /sc daily /st 00:00" + TAIL.format(run=self.run_text()),
                                            "/query"])
        self.assertTrue(self.case.no_box(1000))

    def test_rejected_create_logs_and_shows_task_fail(self):
        self.open_window()
        with open(self.case.path("schtasks-reject.txt"), "wb"):
            pass
        self.case.control("click", 18)
        self.wait_for(lambda: self.style(38)[0] == "1", "Create Task stayed disabled")
        # The box is on, but a week without a day has no trigger: the plain line goes out and is refused.
        self.case.control("click", 38)
        self.case.answer_boxes(["ok"])
        self.assertEqual(self.case.boxes(), [("Error", "Scheduled task not created.")])
        self.assertEqual(self.calls()[1:], ["/create /sc Weekly /d  /st 00:00" + TAIL.format(run=self.run_text()),
                                            "/query"])
        self.assertTrue(self.case.log_lines()[-1].startswith("Scheduled task not created. "))
        self.assertEqual(self.tasks(), [])
        self.assertFalse(os.path.exists(self.case.path("schtasks-task.xml")))
        self.assertEqual(self.style(39)[2], "0")
        self.assertEqual(self.enabled(17, 19), "111")
        self.assertEqual(self.style(38), "1 1")

    def test_folder_with_blanks_gives_a_task_that_runs_from_anywhere(self):
        # Installed under a folder with blanks; the scheduler starts the task
        # from another current folder, and the run finds its settings there:
        # through the plain line's run text, and through the definition's
        # action with its working folder.
        self.use_program_folder(os.path.join(self.case.root, "Program Files", "Larkmail Backup"))
        folder = wine_path(self.case.program)
        elsewhere = os.path.join(self.case.root, "system32")
        os.makedirs(elsewhere)
        archive = os.path.join(self.backups, f"LarkmailBackup_PC1_anna_{datetime.date.today():%Y%m%d}.7z")
        for missed_run in (False, True):
            with self.subTest(missed_run=missed_run):
                self.open_window()
                if not missed_run:
                    self.turn_missed_run_off()
                self.case.control("click", 17)
                self.wait_for(lambda: self.style(38)[0] == "1", "Create Task stayed disabled")
                before = len(self.calls())
                days = {datetime.date.today() + datetime.timedelta(days=1)}
                self.click_and_wait_calls(38, before + 2)
                self.wait_for(lambda: self.style(39) == "1 1", "no task-exists state")
                days.add(datetime.date.today() + datetime.timedelta(days=1))
                if missed_run:
                    self.assertEqual(self.calls()[before], self.xml_line())
                    handed = self.case.read("schtasks-task.xml")
                    self.assertEqual(handed[:2], b"\xff\xfe")
                    text = handed[2:].decode("utf-16-le")
                    self.assertEqual(xml_element(text, "Settings"), SETTINGS)
                    # 00:00 has passed: the first start is tomorrow's, or it would count as missed at once.
                    self.assertIn(xml_element(text, "Triggers"),
                                  [DAILY_TRIGGER.format(start=f"{day:%Y-%m-%d}T00:00:00") for day in days])
                    self.assertIn("<UserId>PC1\\anna</UserId>\r\n      <LogonType>InteractiveToken</LogonType>", text)
                    self.assertEqual(self.tasks(), [["BackupLarkmail", f'"{folder}\\LarkmailBackup.exe" /b', folder]])
                    self.assertEqual(os.listdir(self.temp), [])
                else:
                    self.assertEqual(self.calls()[before], '/create /sc daily /st 00:00 /tn BackupLarkmail /tr '
                                                           f'"\\"{folder}\\LarkmailBackup\\" /b" /it /v1')
                    self.assertEqual(self.tasks(), [["BackupLarkmail", f'"{folder}\\LarkmailBackup" /b']])
                self.end_program()

                cmdfile = os.path.join(self.case.root, "run.txt")
                with open(cmdfile, "w", encoding="utf-8") as f:
                    f.write('"' + wine_path(self.case.path("schtasks.exe")) + '" /run /tn BackupLarkmail')
                rc = subprocess.call(self.case.launch_args("", elsewhere, None) + ["--cmdfile", wine_path(cmdfile)],
                                     env=wine_env(), timeout=300, stdout=subprocess.DEVNULL)
                self.assertEqual(rc, 0)
                self.assertEqual(list_archive(archive), ["Larkmail", "Larkmail/prefs.js"])
                self.assertTrue(self.case.log_lines()[-1].startswith("Database backup successfully saved to "),
                                self.case.log_lines())
                self.assertEqual(os.listdir(elsewhere), [])
                os.remove(archive)
                os.remove(self.case.path("schtasks-tasks.txt"))

    def test_hung_schtasks_is_ended_with_a_message(self):
        self.open_window()
        self.case.control("click", 17)
        self.wait_for(lambda: self.style(38)[0] == "1", "Create Task stayed disabled")
        with open(self.case.path("schtasks-hang.txt"), "wb"):
            pass
        self.case.control("click", 38)
        self.case.answer_boxes(["ok"], timeout_ms=120000)
        self.assertEqual(self.case.boxes(), [("Error", "The Task Scheduler did not answer in time.")])
        self.assertEqual(self.calls()[1:], [self.xml_line()])
        self.assertEqual(os.listdir(self.temp), [])  # removed once schtasks was ended
        self.assertTrue(self.case.log_lines()[-1].startswith("Scheduled task not created. "))
        self.assertEqual(self.style(39)[2], "0")
        self.assertEqual(self.style(38), "1 1")
