"""Drives the real program as a person and a screen reader would: starts it in a home of its own,
finds its windows on the accessibility bus, presses buttons, reads and selects rows of the site
list, clicks and types with xdotool, closes windows the way a window manager does, and takes
screenshots. Every wait polls an observable effect and gives up after a bounded time."""

import configparser
import os
import shutil
import signal
import subprocess
import tempfile
import time

import pyatspi
from gi.repository import GLib
from Xlib import X, Xatom, display, protocol

TITLE = "Orvalis Pro"
PROFILE_NAME = os.path.join("Quennet", "Orvalis Pro.conf")


class Failure(Exception):
    """A scenario's expectation that did not hold."""


def wait_until(predicate, timeout, what, interval=0.05):
    """Polls `predicate` until it returns something true, which is returned; fails after `timeout`."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = predicate()
        except (GLib.Error, LookupError):
            value = None
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"{what} (waited {timeout:g} s)")
        time.sleep(interval)


# ---- the user's home and profile ----------------------------------------------------------------


class Home:
    """A temporary HOME with its own configuration and runtime folders."""

    def __init__(self, name):
        self.root = tempfile.mkdtemp(prefix=f"{name}-", dir=os.environ.get("ORVALIS_E2E_WORK"))
        self.config = os.path.join(self.root, "config")
        self.runtime = os.path.join(self.root, "runtime")
        self.opened = os.path.join(self.root, "opened.log")
        os.makedirs(self.config)
        os.makedirs(self.runtime, mode=0o700)

    @property
    def profile_path(self):
        return os.path.join(self.config, PROFILE_NAME)

    def write_profile(self, sites, read_terms=1, interval=5, metric="seconds", autorun=0):
        """Writes a hand-made profile: quick checks, the given addresses as rows."""
        lines = [
            "[Settings]",
            f"ReadTerms={read_terms}",
            f"UpdateInterval={interval}",
            f"UpdateMetric={metric}",
            f"Autorun={autorun}",
            "CheckForChanges=0",
            "DialupMode=0",
            "SendEmail=0",
            f"NumSites={len(sites)}",
            "",
        ]
        for index, url in enumerate(sites):
            lines += [f"[Site{index}]", f"URL={url}", "Status=", "C1=0", "C2=0", "C3=0", "C4=0", ""]
        os.makedirs(os.path.dirname(self.profile_path), exist_ok=True)
        with open(self.profile_path, "w") as profile:
            profile.write("\n".join(lines))

    def read_profile(self):
        """The profile as {section: {key: value}}; {} when there is no file."""
        if not os.path.exists(self.profile_path):
            return {}
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        parser.read(self.profile_path)
        return {section: dict(parser[section]) for section in parser.sections()}

    def saved_sites(self):
        """The addresses the profile holds, in row order."""
        profile = self.read_profile()
        count = int(profile.get("Settings", {}).get("NumSites", "0"))
        return [profile.get(f"Site{index}", {}).get("URL") for index in range(count)]

    def environment(self):
        env = dict(os.environ)
        env.update(
            HOME=self.root,
            XDG_CONFIG_HOME=self.config,
            XDG_RUNTIME_DIR=self.runtime,
            ORVALIS_E2E_OPENED=self.opened,
        )
        return env

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


# ---- the program --------------------------------------------------------------------------------


class Program:
    """One run of the program under test."""

    def __init__(self, path, home, args=(), env=None):
        # Output goes to files: a pipe nobody reads could block a talkative program.
        descriptor, self.output_path = tempfile.mkstemp(prefix="stderr-", dir=home.root)
        with os.fdopen(descriptor, "w") as errors:
            self.process = subprocess.Popen(
                [path, *args],
                env=env if env is not None else home.environment(),
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=errors,
            )
        self.pid = self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout):
        """The exit code; fails when the program is still running after `timeout` seconds."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not exit within {timeout:g} s")

    def stderr(self):
        with open(self.output_path) as errors:
            return errors.read()

    def stop(self):
        """Ends the program if it still runs (used when a scenario failed half-way)."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=3)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# ---- the accessibility bus ----------------------------------------------------------------------


def application(pid, timeout=15):
    """The program's application object on the accessibility bus."""

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    return wait_until(find, timeout, f"process {pid} did not appear on the accessibility bus")


def children(accessible):
    return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]


def windows(app, title=TITLE):
    """The program's top-level windows with this title that are showing."""
    found = []
    for window in children(app):
        if window is None or window.name != title:
            continue
        if window.getState().contains(pyatspi.STATE_SHOWING):
            found.append(window)
    return found


def descendants(accessible, predicate, skip_roles=(pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE)):
    """Every descendant matching `predicate`, without walking into tables and their cells."""
    found = []
    stack = [accessible]
    while stack:
        node = stack.pop()
        for child in children(node):
            if child is None:
                continue
            if predicate(child):
                found.append(child)
            if child.getRole() not in skip_roles:
                stack.append(child)
    return found


def button(window, name):
    """The push button with this accessible name."""
    matches = descendants(
        window, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == name
    )
    if not matches:
        raise Failure(f'no button "{name}"')
    return matches[0]


def press(accessible):
    """Runs the control's "Press" action, as a screen reader does."""
    action = accessible.queryAction()
    for index in range(action.nActions):
        if action.getName(index) == "Press":
            action.doAction(index)
            return
    raise Failure(f'"{accessible.name}" has no Press action')


def text_of(window):
    """All text of a window's labels, joined: what a message box says."""
    parts = []
    for label in descendants(window, lambda a: a.getRole() == pyatspi.ROLE_LABEL):
        parts.append(label.name or "")
        try:
            text = label.queryText()
            parts.append(text.getText(0, text.characterCount))
        except NotImplementedError:
            pass
    return "\n".join(parts)


def fresh(accessible):
    """Drops what the bus client remembers of an object, so its name is read anew."""
    accessible.clear_cache()
    return accessible


class SiteTable:
    """The site list, addressed by the model's column headers."""

    def __init__(self, window):
        matches = descendants(
            window,
            lambda a: a.name == "Sites"
            and a.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE),
        )
        if not matches:
            raise Failure('no list named "Sites"')
        self.accessible = matches[0]
        self.table = self.accessible.queryTable()
        self._columns = None

    @property
    def columns(self):
        """{header text: model column}; an empty list may show no headers yet."""
        if self._columns is None:
            headers = [self.table.getColumnHeader(c) for c in range(self.table.nColumns)]
            if not headers or None in headers:
                raise LookupError("the list's column headers are not on the bus")
            self._columns = {fresh(header).name: c for c, header in enumerate(headers)}
        return self._columns

    def row_count(self):
        fresh(self.accessible)
        return self.table.nRows

    def cell(self, row, header):
        accessible = self.table.getAccessibleAt(row, self.columns[header])
        if accessible is None:  # the row is being redrawn; the bus has no cell for it this moment
            raise LookupError(f"no cell at row {row}, column {header!r}")
        return fresh(accessible)

    def text(self, row, header):
        return self.cell(row, header).name

    def rows(self):
        """Every row as {header: text}."""
        return [
            {header: self.text(row, header) for header in self.columns}
            for row in range(self.row_count())
        ]

    def column(self, header):
        return [self.text(row, header) for row in range(self.row_count())]

    def select_rows(self, *rows):
        """Makes exactly these rows the selected ones, through the table interface."""
        for selected in self.table.getSelectedRows():
            self.table.removeRowSelection(selected)
        for row in rows:
            if not self.table.addRowSelection(row):
                raise Failure(f"row {row} could not be selected")
        wanted = sorted(rows)
        wait_until(
            lambda: sorted(self.table.getSelectedRows()) == wanted, 5, f"rows {wanted} selected"
        )

    def centre(self, row, header):
        """The screen point in the middle of a cell."""
        extents = self.cell(row, header).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return extents.x + extents.width // 2, extents.y + extents.height // 2


# ---- X: the window manager's part, the mouse and the keyboard, screenshots -----------------------


class Screen:
    """The X display the program runs on."""

    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.atom = self.display.intern_atom

    def tray_ready(self):
        owner = self.display.get_selection_owner(self.atom("_NET_SYSTEM_TRAY_S0"))
        return owner != X.NONE and owner != 0

    def windows_of(self, pid, title=TITLE):
        """Viewable top-level X windows of the process with this title."""
        found = []
        net_pid = self.atom("_NET_WM_PID")
        net_name = self.atom("_NET_WM_NAME")
        utf8 = self.atom("UTF8_STRING")
        for window in self.root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                owner = window.get_full_property(net_pid, Xatom.CARDINAL)
                if owner is None or owner.value[0] != pid:
                    continue
                name = window.get_full_property(net_name, utf8)
                text = name.value.decode() if name else window.get_wm_name()
                if text == title:
                    found.append(window)
            except Exception:  # a window that vanished meanwhile
                continue
        return found

    def request_close(self, window):
        """Sends WM_DELETE_WINDOW, as a window manager does for a click on the close box."""
        protocols = self.atom("WM_PROTOCOLS")
        event = protocol.event.ClientMessage(
            window=window,
            client_type=protocols,
            data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]),
        )
        window.send_event(event, event_mask=X.NoEventMask)
        self.display.flush()


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=10)


def click(x, y):
    xdotool("mousemove", "--sync", x, y, "click", "1")


def keys(*names):
    xdotool("key", "--delay", "30", *names)


def type_text(text):
    xdotool("type", "--delay", "30", text)


def screenshot(name):
    """Saves the whole screen as <screenshots>/<name>.png; returns the path."""
    folder = os.environ.get("ORVALIS_E2E_SCREENSHOTS", "screenshots")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, f"{name}.png")
    subprocess.run(["import", "-window", "root", path], check=True, timeout=20)
    return path
