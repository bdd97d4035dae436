"""The end-to-end scenarios. Run by run.sh inside its namespace, display and session bus.

usage: scenarios.py PROGRAM [NUMBER...]
Prints "ok N name" or "FAIL N name: why" per scenario and a closing "N passed, N failed" line.
"""

import os
import re
import sys
import time
import traceback

from desktop_session import (
    TITLE,
    Failure,
    Home,
    Program,
    Screen,
    SiteTable,
    application,
    button,
    click,
    keys,
    press,
    screenshot,
    text_of,
    type_text,
    wait_until,
    windows,
    xdotool,
)

QUESTION = (
    "Do you accept these terms of use ?  (If you click Yes this message will not appear again)"
)
OK_STATUS = re.compile(r"^OK \d\d:\d\d:\d\d$")
FAILED_STATUSES = ("Page Not Found", "No Connection", "SERVER DOWN")

# Generous bounds: the program answers in milliseconds, the machine may be busy.
START = 20
EXIT = 5


class Run:
    """What one scenario started; everything is stopped and removed when it ends."""

    def __init__(self, program_path, screen):
        self.program_path = program_path
        self.screen = screen
        self.homes = []
        self.programs = []

    def home(self, name):
        home = Home(name)
        self.homes.append(home)
        return home

    def start(self, home, args=(), env=None):
        program = Program(self.program_path, home, args, env)
        self.programs.append(program)
        return program

    def close(self):
        for program in self.programs:
            program.stop()
        for home in self.homes:
            home.remove()

    # ---- steps several scenarios share ----

    def terms_box(self, program):
        """The terms question of a running program, once it shows."""
        app = application(program.pid, START)

        def find():
            if not program.running():
                raise Failure(f"the program ended with {program.process.returncode} before asking")
            for window in windows(app):
                if QUESTION in text_of(window):
                    return window
            return None

        return wait_until(find, START, "the terms question did not show")

    def main_window(self, program):
        """(accessible window, site table) of the program's main window, once it shows."""
        app = application(program.pid, START)

        def find():
            if not program.running():
                raise Failure(f"the program ended with {program.process.returncode}")
            for window in windows(app):
                try:
                    return window, SiteTable(window)
                except Failure:
                    continue
            return None

        return wait_until(find, START, "the main window did not show")

    def x_window(self, program):
        return wait_until(
            lambda: self.screen.windows_of(program.pid), START, "no X window titled " + TITLE
        )[0]

    def focus(self, program):
        """Gives the main window the keyboard focus, as clicking into it would."""
        xdotool("windowfocus", "--sync", self.x_window(program).id)

    def close_and_wait(self, program, bound=EXIT):
        """Requests a close through the close box; returns (exit code, seconds it took)."""
        window = self.x_window(program)
        started = time.monotonic()
        self.screen.request_close(window)
        code = program.wait_exit(bound)
        return code, time.monotonic() - started

    def expect_clean_close(self, program):
        code, _ = self.close_and_wait(program)
        if code != 0:
            raise Failure(f"closing exited with {code}")


def expect(condition, message):
    if not condition:
        raise Failure(message)


def wait_rows(table, expected, what, timeout=10, program=None):
    """Waits until the table's rows match `expected`: a list of {header: text or predicate}."""

    def matches():
        if program is not None and not program.running():
            raise Failure(f"{what}: the program ended with {program.process.returncode}")
        rows = table.rows()
        if len(rows) != len(expected):
            return False
        for row, wanted in zip(rows, expected):
            for header, value in wanted.items():
                ok = value(row[header]) if callable(value) else row[header] == value
                if not ok:
                    return False
        return True

    try:
        wait_until(matches, timeout, what)
    except Failure as failure:
        if program is not None and not program.running():
            raise
        try:
            rows = table.rows()
        except Exception:
            raise failure
        raise Failure(f"{failure}; rows now {rows}")


def expect_address(table, row, address, action):
    """Waits until the row's address is `address`, which `action` should have set."""
    try:
        wait_until(lambda: table.text(row, "Web Address") == address, EXIT, "")
    except Failure:
        raise Failure(f"{action} gave {table.text(row, 'Web Address')!r}, not {address!r}")


# ---- the scenarios ------------------------------------------------------------------------------


def terms_declined(run):
    # No profile at all: the question comes first, and No leaves nothing behind.
    home = run.home("declined")
    program = run.start(home)
    box = run.terms_box(program)
    app = application(program.pid)
    expect(
        all(w.name != TITLE or QUESTION in text_of(w) for w in windows(app)),
        "another window shows beside the terms question",
    )
    screenshot("terms")
    press(button(box, "No"))
    code = program.wait_exit(EXIT)
    expect(code == 1, f"declining exited with {code}, not 1")
    expect(not os.path.exists(home.profile_path), "declining wrote a profile file")

    # A stored profile that never accepted: declining leaves it byte for byte as it was.
    home = run.home("declined-again")
    home.write_profile(["http://site1.test/"], read_terms=0)
    with open(home.profile_path, "rb") as before_file:
        before = before_file.read()
    program = run.start(home)
    press(button(run.terms_box(program), "No"))
    code = program.wait_exit(EXIT)
    expect(code == 1, f"declining with a profile exited with {code}, not 1")
    with open(home.profile_path, "rb") as after_file:
        expect(after_file.read() == before, "declining changed the profile file")


def terms_accepted(run):
    home = run.home("accepted")
    program = run.start(home)
    press(button(run.terms_box(program), "Yes"))
    # Saved at once: the answer must survive a process that never closes properly.
    wait_until(
        lambda: home.read_profile().get("Settings", {}).get("ReadTerms") == "1",
        EXIT,
        "ReadTerms=1 was not saved after Yes",
    )
    run.main_window(program)
    program.process.kill()
    program.wait_exit(EXIT)

    again = run.start(home)
    app = application(again.pid, START)

    def main_window_without_question():
        for window in windows(app):
            if QUESTION in text_of(window):
                raise Failure("the terms question came again")
        return run.main_window(again)

    wait_until(main_window_without_question, START, "the main window did not show")
    run.expect_clean_close(again)


def statuses(run):
    home = run.home("statuses")
    home.write_profile(
        ["http://site1.test/", "http://site2.test/", "http://missing.test/", "http://dead.test/"]
    )
    program = run.start(home)
    _, table = run.main_window(program)
    started = time.time()

    def fresh_ok(text):
        if not OK_STATUS.match(text or ""):
            return False
        stamp = time.strptime(text[3:], "%H:%M:%S")
        now = time.localtime()
        seconds = (now.tm_hour - stamp.tm_hour) * 3600 + (now.tm_min - stamp.tm_min) * 60
        seconds += now.tm_sec - stamp.tm_sec
        return -2 <= seconds % 86400 <= time.time() - started + 2

    wait_rows(
        table,
        [
            {"Web Address": "http://site1.test/", "Status": fresh_ok},
            {"Web Address": "http://site2.test/", "Status": fresh_ok},
            {"Web Address": "http://missing.test/", "Status": "Page Not Found"},
            {"Web Address": "http://dead.test/", "Status": "SERVER DOWN"},
        ],
        "the statuses did not settle",
        timeout=30,
    )
    screenshot("main-window")
    run.expect_clean_close(program)


def new_edit_delete(run):
    home = run.home("edit")
    home.write_profile(["http://site1.test/", "http://site2.test/", "http://missing.test/"])
    program = run.start(home)
    window, table = run.main_window(program)
    wait_rows(table, [{}, {}, {}], "the three rows did not show")

    run.focus(program)
    press(button(window, "New"))
    wait_rows(
        table,
        [{}, {}, {}, {"Web Address": "no url", "#": "4", "Status": ""}],
        'New did not append a row "no url"',
    )
    keys("End")
    type_text("site1.test/new")
    screenshot("new-row-editor")
    keys("Return")
    expect_address(table, 3, "http://site1.test/new", "typing into the new row's editor")

    # F2 on a clicked row edits that row's address in place.
    click(*table.centre(1, "Web Address"))
    keys("F2", "ctrl+a")
    type_text("http://dead.test/")
    keys("Return")
    expect_address(table, 1, "http://dead.test/", "F2 on the clicked row and typing")

    table.select_rows(1)
    press(button(window, "Delete"))
    wait_rows(
        table,
        [
            {"Web Address": "http://site1.test/", "#": "1"},
            {"Web Address": "http://missing.test/", "#": "2"},
            {"Web Address": "http://site1.test/new", "#": "3"},
        ],
        "Delete did not remove the selected row and renumber",
    )
    run.expect_clean_close(program)


def close_saves(run):
    home = run.home("close-saves")
    home.write_profile(["http://site1.test/", "http://site2.test/", "http://missing.test/"])
    program = run.start(home)
    _, table = run.main_window(program)
    run.focus(program)

    # The keyboard this time: Delete and Insert in the focused list.
    click(*table.centre(0, "Web Address"))
    keys("Delete")
    wait_rows(
        table,
        [{"Web Address": "http://site2.test/", "#": "1"}, {"Web Address": "http://missing.test/"}],
        "the Delete key did not remove the clicked row",
    )
    keys("Insert")
    wait_rows(table, [{}, {}, {"Web Address": "no url"}], 'the Insert key did not add "no url"')
    keys("End")
    type_text("site1.test/")
    keys("Return")
    expect_address(table, 2, "http://site1.test/", "typing after Insert")

    run.expect_clean_close(program)
    expected = ["http://site2.test/", "http://missing.test/", "http://site1.test/"]
    saved = home.saved_sites()
    expect(saved == expected, f"the profile holds {saved}, not {expected}")


def close_while_hanging(run):
    log = os.environ["ORVALIS_E2E_SILENT_LOG"]

    def accepted():
        try:
            with open(log) as lines:
                return len(lines.readlines())
        except FileNotFoundError:
            return 0

    home = run.home("hanging")
    home.write_profile(["http://silent.test/", "http://site1.test/"])
    before = accepted()
    program = run.start(home)
    _, table = run.main_window(program)
    wait_until(lambda: accepted() > before, START, "the silent server was never asked")
    expect(table.text(0, "Status") == "", "the hanging row already has a status")

    code, seconds = run.close_and_wait(program)
    print(f"# close while a fetch hangs: exited {seconds:.3f} s after WM_DELETE_WINDOW", flush=True)
    expect(code == 0, f"closing exited with {code}")
    expect(seconds < 5, f"closing took {seconds:.1f} s")
    saved = home.saved_sites()
    expect(
        saved == ["http://silent.test/", "http://site1.test/"],
        f"the profile holds {saved} after the close",
    )


def second_instance(run):
    home = run.home("single")
    home.write_profile(["http://site1.test/"])
    first = run.start(home)
    window, _ = run.main_window(first)

    def start_second(what):
        second = run.start(home)
        try:
            code = second.wait_exit(EXIT)
        except Failure:
            raise Failure(f"the second instance {what} is still running after {EXIT} s")
        expect(code == 0, f"the second instance {what} exited with {code}")
        expect(first.running(), f"the first instance ended when a second one started {what}")

    start_second("beside a shown window")
    expect(run.screen.windows_of(first.pid), "the first instance's window went away")

    run.expect_clean_close(first)


def no_display(run):
    home = run.home("no-display")
    env = home.environment()
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(name, None)
    program = run.start(home, env=env)
    code = program.wait_exit(EXIT)
    lines = program.stderr().splitlines()
    expect(code == 2, f"exited with {code}, not 2")
    expect(len(lines) == 1, f"printed {len(lines)} lines on stderr: {lines}")


def keys_do_nothing(run):
    home = run.home("keys")
    home.write_profile(["http://site1.test/"])
    program = run.start(home)
    window, table = run.main_window(program)
    run.focus(program)
    click(*table.centre(0, "Status"))
    # Insert comes last as a marker: once its row shows, the keys before it were handled.
    keys("Escape", "Return", "KP_Enter", "Insert")
    wait_rows(
        table,
        [{}, {"Web Address": "no url"}],
        "the Insert key after Escape and Enter had no effect",
        program=program,
    )
    expect(program.running(), f"the program ended with {program.process.returncode}")
    expect(run.screen.windows_of(program.pid), "the main window is gone")
    keys("Escape")
    wait_until(lambda: program.running() and run.screen.windows_of(program.pid), EXIT, "gone")
    run.expect_clean_close(program)


def close_question(run):
    # With the autorun entry on, the close box asks first; No keeps everything as it was.
    home = run.home("close-question")
    home.write_profile(["http://site1.test/"], autorun=1)
    program = run.start(home)
    run.main_window(program)
    app = application(program.pid)

    def question():
        for window in windows(app):
            if "Do you really want to exit?" in text_of(window):
                return window
        return None

    run.screen.request_close(run.x_window(program))
    press(button(wait_until(question, EXIT, "closing did not ask"), "No"))
    wait_until(lambda: not question(), EXIT, "the question stayed after No")
    expect(program.running(), f"No ended the program with {program.process.returncode}")
    expect(run.screen.windows_of(program.pid), "No left no main window")

    run.screen.request_close(run.x_window(program))
    press(button(wait_until(question, EXIT, "closing again did not ask"), "Yes"))
    code = program.wait_exit(EXIT)
    expect(code == 0, f"Yes exited with {code}")


def web_browser(run):
    home = run.home("browser")
    home.write_profile(["http://site1.test/", "http://site2.test/", "http://missing.test/"])
    program = run.start(home)
    window, table = run.main_window(program)
    wait_rows(table, [{}, {}, {}], "the three rows did not show")
    table.select_rows(0, 2)
    press(button(window, "Web Browser"))

    def opened():
        try:
            with open(home.opened) as log:
                return log.read().split()
        except FileNotFoundError:
            return []

    expected = ["http://site1.test/", "http://missing.test/"]
    try:
        wait_until(lambda: len(opened()) >= 2, EXIT, "")
    except Failure:
        raise Failure(f"the browser was asked to open {opened()}, not {expected}")
    # Each address starts a browser process of its own, so their records may come in any order.
    expect(
        sorted(opened()) == sorted(expected),
        f"the browser was asked to open {opened()}, not {expected}",
    )
    run.expect_clean_close(program)


def memory_kib(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def thousand_sites(run):
    # Measured, not judged: the numbers are printed for the benchmarks' record.
    count = 1000
    home = run.home("thousand")
    home.write_profile([f"http://site1.test/page{i}" for i in range(count)], interval=1,
                       metric="hours")
    started = time.monotonic()
    program = run.start(home)
    wait_until(lambda: run.screen.windows_of(program.pid), START, "the main window did not show")
    shown = time.monotonic() - started
    _, table = run.main_window(program)
    expect(table.row_count() == count, f"{table.row_count()} rows shown, not {count}")
    wait_until(
        lambda: OK_STATUS.match(table.text(count - 1, "Status")), 60, "the last row never got OK"
    )
    passed = time.monotonic() - started
    rss = memory_kib(program.pid, "VmRSS") / 1024
    peak = memory_kib(program.pid, "VmHWM") / 1024
    print(f"# {count} sites: window shown {shown * 1000:.0f} ms after the start, first pass done "
          f"after {passed:.1f} s; resident {rss:.1f} MiB (peak {peak:.1f} MiB)", flush=True)
    run.expect_clean_close(program)
    saved = home.read_profile().get("Settings", {}).get("NumSites")
    expect(saved == str(count), f"the close saved NumSites={saved}")


SCENARIOS = [
    (1, "terms declined", terms_declined),
    (2, "terms accepted", terms_accepted),
    (3, "statuses of live and dead pages", statuses),
    (4, "new, edit and delete rows", new_edit_delete),
    (5, "close box saves the sites", close_saves),
    (6, "close while a fetch hangs", close_while_hanging),
    (7, "second instance", second_instance),
    (8, "no display", no_display),
    (9, "Escape and Enter do nothing", keys_do_nothing),
    (10, "close asks when autorun is on", close_question),
    (11, "Web Browser opens the selected rows", web_browser),
    (12, "a thousand sites", thousand_sites),
]


def main():
    program_path = sys.argv[1]
    chosen = {int(n) for n in sys.argv[2:]}
    screen = Screen()
    wait_until(screen.tray_ready, START, "the tray host did not start")
    passed = failed = 0
    for number, name, scenario in SCENARIOS:
        if chosen and number not in chosen:
            continue
        run = Run(program_path, screen)
        started = time.monotonic()
        try:
            scenario(run)
        except Failure as failure:
            print(f"FAIL {number} {name}: {failure}", flush=True)
            failed += 1
        except Exception as error:  # a fault in the harness or a bus error: still one line
            print(f"FAIL {number} {name}: {type(error).__name__}: {error}", flush=True)
            traceback.print_exc(file=sys.stderr)
            failed += 1
        else:
            print(f"ok {number} {name} ({time.monotonic() - started:.1f} s)", flush=True)
            passed += 1
        finally:
            run.close()
    print(f"{passed} passed, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
