#!/usr/bin/env python3
"""End-to-end tests of the Win32 window under wine64 on a virtual X display.

The programs run as a user would run them. The mouse is moved and clicked with xdotool; the
window is read from outside by win32ui_probe.exe, which uses the ordinary window API only
(window texts, enabled and visible state, the combo box rows, the progress bar's position).
Screenshots of the window are written to BUILD/screenshots and checked at fixed points.

Every wait has a time limit; a failure names what was expected and prints the last state read.
Run through scripts/wine-gui-test, which finds the build and the tools.
"""

import argparse
import fcntl
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time

SCREEN = (1024, 768)
CLIENT = (630, 537)
CAPTION = "Nullburn v1.2.1"
CONTROL_NAMES = ["suiImagePanel1", "Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "cboDrives",
                 "BtnQuick", "BtnFull", "lblHelp", "lblMsg", "sbar", "suiProgressBar1"]

# Texts the window must show, as the layout table and the workflow give them.
QUICK_HELP_START = "Quick Erase will only erase the information stored in the Lead-in area"
FULL_HELP_START = "Full Erase will erase all the information stored on the disc."
NO_DRIVE = "No drive detected !"
CONFIRM_CAPTION = "Confirm ..."
CONFIRM_TEXT = "Do you really want to erase your disc ?"
SUCCESS_CAPTION = "Information ..."
SUCCESS_TEXT = "The disc has been erased successfully !"
# "%2d-%d-%d-%d %.2s%24s %4s": address, drive letter and colon, identity in 24 columns, revision.
ROW_PATTERN = re.compile(r"^[ \d]\d-\d+-\d+-\d+ [A-Z]:.{24} .{4,}$")

# The close button of the title bar, in client coordinates (21 x 21 at the right, y 5).
CLOSE_BUTTON = (CLIENT[0] - 2 - 4 - 21 + 10, 5 + 10)
MINIMISE_BUTTON = (CLOSE_BUTTON[0] - 2 - 21, CLOSE_BUTTON[1])

# Colours at fixed client points of the skin: (name, x, y, expected RGB, tolerance).
IDLE_POINTS = [
    ("title bar", 315, 14, (141, 154, 192), 24),
    ("page frame", 300, 29, (224, 223, 227), 12),
    ("lower blue panel", 120, 466, (16, 48, 115), 28),
    ("status bar panel 0", 150, 527, (224, 223, 227), 12),
    ("empty progress bar", 440, 528, (224, 223, 227), 12),
    ("left border", 0, 300, (102, 102, 126), 12),
    ("right border", CLIENT[0] - 1, 300, (102, 102, 126), 12),
    ("bottom border", 300, CLIENT[1] - 1, (102, 102, 126), 12),
]


class TestFailure(Exception):
    pass


def log(message):
    print(f"wine-gui-test: {message}", flush=True)


class Environment:
    """Xvfb on a free display, and Wine on the build's prefix."""

    def __init__(self, build, wine, wineserver):
        self.build = build
        self.wine = wine
        self.wineserver = wineserver
        self.xvfb = None
        self.display = None
        self.lock = None
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": os.path.join(build, "wine-prefix"),
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            # No Mono or Gecko installers; a crash ends the process instead of starting a debugger.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d",
        })
        self.env.pop("WAYLAND_DISPLAY", None)

    def start(self):
        # One user of the prefix at a time: the same lock as the system tests' script.
        self.lock = open(os.path.join(self.build, "wine-prefix.lock"), "w")
        deadline = time.time() + 300
        while True:
            try:
                fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.time() > deadline:
                    raise TestFailure("another Wine run holds the prefix lock")
                time.sleep(1)
        self.start_xvfb()
        self.make_prefix()

    def start_xvfb(self):
        # -displayfd: Xvfb picks a free display itself and writes its number.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.time() + 30
        while not number.endswith(b"\n") and time.time() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            raise TestFailure("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env["DISPLAY"] = self.display
        log(f"Xvfb on display {self.display}")

    def make_prefix(self):
        prefix = self.env["WINEPREFIX"]
        ready = os.path.join(prefix, ".nullburn-ready")
        if os.path.exists(ready):
            return
        log(f"making the Wine prefix {prefix} (first run, up to a minute)")
        shutil.rmtree(prefix, ignore_errors=True)
        env = dict(self.env)
        env.pop("DISPLAY", None)
        with open(os.path.join(self.build, "wine-prefix.log"), "w") as out:
            subprocess.run([self.wine, "wineboot", "-i"], env=env, stdout=out, stderr=out, timeout=300, check=True)
            subprocess.run([self.wineserver, "-w"], env=env, stdout=out, stderr=out, timeout=120, check=True)
        open(ready, "w").close()

    def kill_wine(self):
        subprocess.run([self.wineserver, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        time.sleep(0.5)

    def stop(self):
        try:
            self.kill_wine()
        except Exception:
            pass
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
        if self.lock:
            self.lock.close()


class Harness:
    def __init__(self, environment, probe, shots):
        self.e = environment
        self.probe_exe = probe
        self.shots = shots
        self.last_state = None
        self.app = None
        self.app_log = None
        self.server = None

    # ---- the program -------------------------------------------------------------------------

    def start(self, exe):
        self.app_log = open(os.path.join(self.shots, os.path.basename(exe) + ".log"), "w")
        self.app = subprocess.Popen([self.e.wine, exe], env=self.e.env, stdout=self.app_log, stderr=subprocess.STDOUT)

    def wait_exit(self, seconds):
        try:
            return self.app.wait(seconds)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"the program did not end within {seconds} s")

    def finish(self):
        """Ends whatever is still running in the prefix, so the next test starts clean."""
        if self.app and self.app.poll() is None:
            self.e.kill_wine()
            try:
                self.app.wait(15)
            except subprocess.TimeoutExpired:
                self.app.kill()
        if self.app_log:
            self.app_log.close()
        self.app = None

    def crashed(self):
        path = self.app_log.name
        self.app_log.flush()
        with open(path, errors="replace") as f:
            text = f.read()
        return "Unhandled" in text or "page fault" in text

    # ---- reading and driving the window ------------------------------------------------------

    def state(self):
        """The window as the probe reads it now. The probe stays running between reads."""
        for attempt in range(3):
            if self.server is None or self.server.poll() is not None:
                self.server = subprocess.Popen([self.e.wine, self.probe_exe, "serve"], env=self.e.env,
                                               stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                               stderr=subprocess.DEVNULL, text=True, bufsize=1)
            try:
                self.server.stdin.write("state\n")
                self.server.stdin.flush()
                ready, _, _ = select.select([self.server.stdout], [], [], 30)
                line = self.server.stdout.readline() if ready else ""
                self.last_state = json.loads(line)
                return self.last_state
            except (OSError, ValueError):
                self.stop_probe()
                time.sleep(0.5)
        raise TestFailure("the probe could not read the window")

    def stop_probe(self):
        if self.server:
            try:
                self.server.stdin.close()
                self.server.wait(10)
            except Exception:
                self.server.kill()
            self.server = None

    def wait_for(self, what, predicate, seconds, poll=0.1):
        deadline = time.time() + seconds
        while True:
            s = self.state()
            try:
                value = predicate(s)
            except (KeyError, TypeError, IndexError):
                value = None
            if value:
                return s
            if self.app and self.app.poll() is not None:
                raise TestFailure(f"the program ended (status {self.app.returncode}) while waiting for {what}")
            if time.time() > deadline:
                raise TestFailure(f"no {what} within {seconds} s; last state: {json.dumps(s)[:3000]}")
            time.sleep(poll)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.e.env, check=True, timeout=15,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def move_to(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)

    def click_at(self, x, y):
        self.move_to(x, y)
        time.sleep(0.2)
        self.xdotool("click", "1")

    @staticmethod
    def centre(rect):
        return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)

    def click_control(self, state, name):
        self.click_at(*self.centre(state["controls"][name]["rect"]))

    def click_dialog_button(self, state, text):
        for button in state["dialog"]["buttons"]:
            if button["text"] == text:
                self.click_at(*self.centre(button["rect"]))
                return
        raise TestFailure(f"the dialog has no button {text!r}: {state['dialog']}")

    def enabled(self, state):
        c = state["controls"]
        return [c["cboDrives"]["enabled"], c["BtnQuick"]["enabled"], c["BtnFull"]["enabled"]]

    # ---- screenshots -------------------------------------------------------------------------

    def screenshot(self, name, state):
        """The frame's client area as BUILD/screenshots/NAME.png; returns its pixels."""
        x, y = state["frame"]["origin"]
        w, h = state["frame"]["client"]
        return self.screenshot_of(name, [x, y, x + w, y + h])

    def screenshot_of(self, name, rect):
        screen = os.path.join(self.shots, name + "-screen.png")
        path = os.path.join(self.shots, name + ".png")
        subprocess.run(["import", "-display", self.e.display, "-window", "root", screen], check=True, timeout=30)
        x, y, right, bottom = rect
        subprocess.run(["convert", screen, "-crop", f"{right - x}x{bottom - y}+{x}+{y}", "+repage", path], check=True,
                       timeout=30)
        os.remove(screen)
        return Image(path)

    def checked_screenshot(self, name, points, seconds=15):
        """A screenshot that shows the skin at `points`. Wine maps a window before it has painted
        it, so the check is repeated for a while before it counts as failed."""
        deadline = time.time() + seconds
        while True:
            s = self.state()
            image = self.screenshot(name, s)
            try:
                self.check_points(image, points)
                return s
            except TestFailure:
                if time.time() > deadline:
                    raise
                time.sleep(0.5)

    def check_points(self, image, points):
        if (image.width, image.height) != CLIENT:
            raise TestFailure(f"{image.path}: client area is {image.width}x{image.height}, expected {CLIENT}")
        for name, x, y, expected, tolerance in points:
            actual = image.pixel(x, y)
            if any(abs(a - e) > tolerance for a, e in zip(actual, expected)):
                raise TestFailure(f"{image.path}: {name} at ({x}, {y}) is {actual}, expected {expected} ± {tolerance}")


class Image:
    """A PNG read through ImageMagick as binary PPM."""

    def __init__(self, path):
        self.path = path
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True,
                              timeout=30).stdout
        fields = []
        i = 0
        while len(fields) < 4:
            while data[i:i + 1].isspace():
                i += 1
            if data[i:i + 1] == b"#":
                while data[i:i + 1] != b"\n":
                    i += 1
                continue
            start = i
            while not data[i:i + 1].isspace():
                i += 1
            fields.append(data[start:i])
        if fields[0] != b"P6":
            raise TestFailure(f"{path}: not a colour image")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[i + 1:]

    def pixel(self, x, y):
        o = (y * self.width + x) * 3
        return tuple(self.pixels[o:o + 3])


# ---- the tests --------------------------------------------------------------------------------

def test_real_program_without_drive(h, exes):
    """nullburn.exe with no optical drive: "No drive detected !" with the controls disabled,
    and after OK the program ends."""
    h.start(exes["real"])
    s = h.wait_for("the error dialog", lambda s: s["dialog"] and s["dialog"]["visible"], 90)
    d = s["dialog"]
    if d["caption"] != "Error ..." or d["text"] != NO_DRIVE:
        raise TestFailure(f"expected Error ... / {NO_DRIVE!r}, got {d}")
    if [b["text"] for b in d["buttons"]] != ["OK"]:
        raise TestFailure(f"the error dialog should have one OK button: {d['buttons']}")
    if s["frame"]["visible"]:
        raise TestFailure("the main window is shown although no drive was found")
    if any(h.enabled(s)):
        raise TestFailure(f"the controls should be disabled before the message: {h.enabled(s)}")
    time.sleep(0.5)  # mapped is not yet painted
    h.screenshot_of("no-drive", d["window"])
    h.click_dialog_button(s, "OK")
    status = h.wait_exit(30)
    if status != 0:
        raise TestFailure(f"exit status {status}, expected 0")


def start_demo(h, exes):
    h.start(exes["demo"])
    return h.wait_for("the demo window with its drive rows",
                      lambda s: s["frame"]["visible"] and len(s["rows"]) > 0 and s["frame"]["text"] == CAPTION
                      and set(s["controls"]) == set(CONTROL_NAMES), 90)


def test_demo_starts(h, exes):
    """The demo window: caption, centred fixed client area, the drive rows, idle state, skin."""
    s = start_demo(h, exes)
    f = s["frame"]
    if f["client"] != list(CLIENT):
        raise TestFailure(f"client area {f['client']}, expected {CLIENT}")
    expected_origin = [(SCREEN[0] - CLIENT[0]) // 2, (SCREEN[1] - CLIENT[1]) // 2]
    if f["origin"] != expected_origin:
        raise TestFailure(f"window at {f['origin']}, expected centred at {expected_origin}")
    rows = s["rows"]
    # The built-in bay: a range-erase DVD writer and a whole-disc writer; the CD-ROM is not listed.
    if len(rows) != 2 or not all(ROW_PATTERN.match(r) for r in rows):
        raise TestFailure(f"drive rows {rows}")
    if s["selectedRow"] != 0:
        raise TestFailure(f"the first row should be selected, got {s['selectedRow']}")
    c = s["controls"]
    if c["cboDrives"]["text"] != rows[0]:
        raise TestFailure(f"the drive list shows {c['cboDrives']['text']!r}")
    if not all(h.enabled(s)):
        raise TestFailure(f"controls should be enabled: {h.enabled(s)}")
    if set(c) != {name for name in CONTROL_NAMES}:
        raise TestFailure(f"controls found: {sorted(c)}")
    if c["lblHelp"]["text"] != "" or c["sbar"]["text"] != "" or c["lblMsg"]["visible"]:
        raise TestFailure("help and status should be empty and lblMsg hidden")
    if s["progress"] != {"pos": 0, "min": 0, "max": 100}:
        raise TestFailure(f"progress bar {s['progress']}")
    h.checked_screenshot("idle", IDLE_POINTS)


def test_tab_order(h, exes):
    """Tab walks cboDrives, BtnQuick, BtnFull and round again."""
    h.wait_for("the focus on the drive list", lambda s: s["focus"] == "cboDrives", 10)
    for expected in ["BtnQuick", "BtnFull", "cboDrives"]:
        h.xdotool("key", "Tab")
        h.wait_for(f"the focus on {expected}", lambda s: s["focus"] == expected, 10)


def test_help_texts(h, exes):
    """Hovering a button shows its help text; straight from one to the other shows the other's;
    leaving clears it. The logo shows its balloon hint."""
    s = h.state()
    quick = h.centre(s["controls"]["BtnQuick"]["rect"])
    full = h.centre(s["controls"]["BtnFull"]["rect"])
    h.move_to(*quick)
    s = h.wait_for("the Quick Erase help", lambda s: s["controls"]["lblHelp"]["text"].startswith(QUICK_HELP_START), 10)
    if "\n\n" not in s["controls"]["lblHelp"]["text"]:
        raise TestFailure("the help text lost its paragraph break")
    h.screenshot("help", s)
    # Down to the bottom edge of BtnQuick, then one step onto BtnFull (1 px apart).
    bottom = s["controls"]["BtnQuick"]["rect"][3] - 1
    h.move_to(quick[0], bottom)
    h.move_to(full[0], s["controls"]["BtnFull"]["rect"][1] + 1)
    h.wait_for("the Full Erase help", lambda s: s["controls"]["lblHelp"]["text"].startswith(FULL_HELP_START), 10)
    time.sleep(1.0)  # a late leave of BtnQuick must not clear it
    s = h.state()
    if not s["controls"]["lblHelp"]["text"].startswith(FULL_HELP_START):
        raise TestFailure(f"moving from Quick to Full left {s['controls']['lblHelp']['text']!r}")
    h.move_to(*full)
    origin = s["frame"]["origin"]
    h.move_to(origin[0] + 400, origin[1] + 470)
    h.wait_for("the help text cleared", lambda s: s["controls"]["lblHelp"]["text"] == "", 10)
    logo = h.centre(s["controls"]["Label7"]["rect"])
    h.move_to(logo[0] - 5, logo[1] - 5)
    h.move_to(*logo)
    h.wait_for("the balloon hint over the logo", lambda s: s["tooltip"] is not None, 10)
    h.move_to(origin[0] + 400, origin[1] + 470)
    h.wait_for("the balloon hint gone", lambda s: s["tooltip"] is None, 10)


def start_erase(h, button):
    """An erase on the first row (the DVD+R writer), confirmed with OK."""
    s = h.state()
    h.click_control(s, button)
    s = h.wait_for("the confirmation", lambda s: s["dialog"] and s["dialog"]["visible"], 60)
    d = s["dialog"]
    if d["caption"] != CONFIRM_CAPTION or d["text"] != CONFIRM_TEXT:
        raise TestFailure(f"expected the confirmation, got {d}")
    if [b["text"] for b in d["buttons"]] != ["OK", "Cancel"] or [b["id"] for b in d["buttons"]] != [1, 2]:
        raise TestFailure(f"the confirmation's buttons: {d['buttons']}")
    if any(h.enabled(s)):
        raise TestFailure(f"controls enabled while a request runs: {h.enabled(s)}")
    h.click_dialog_button(s, "OK")
    return h.wait_for("the confirmation to close", lambda s: not s["dialog"], 15)


def test_cancel_at_confirmation(h, exes):
    """Cancel at the confirmation ends the request: nothing erased, the controls enabled again."""
    s = h.state()
    h.click_control(s, "BtnQuick")
    s = h.wait_for("the confirmation", lambda s: s["dialog"] and s["dialog"]["visible"], 60)
    if s["dialog"]["caption"] != CONFIRM_CAPTION:
        raise TestFailure(f"expected the confirmation, got {s['dialog']}")
    h.click_dialog_button(s, "Cancel")
    s = h.wait_for("the controls enabled again", lambda s: not s["dialog"] and all(h.enabled(s)), 30)
    if s["controls"]["sbar"]["text"] != "" or s["progress"]["pos"] != 0:
        raise TestFailure(f"after Cancel: status {s['controls']['sbar']['text']!r}, progress {s['progress']}")


def test_quick_erase(h, exes):
    """Quick Erase on the DVD+R drive runs to the success message with the bar moving, the
    controls disabled throughout and enabled after."""
    start_erase(h, "BtnQuick")
    positions, statuses = set(), set()
    deadline = time.time() + 240
    while True:
        s = h.state()
        if s["dialog"] and s["dialog"]["visible"]:
            break
        if any(h.enabled(s)):
            raise TestFailure(f"controls enabled during the erase: {h.enabled(s)}")
        positions.add(s["progress"]["pos"])
        statuses.add(s["controls"]["sbar"]["text"])
        # The help text of the clicked button stays while the buttons are disabled, although
        # the mouse has long left the button for the confirmation's OK.
        if not s["controls"]["lblHelp"]["text"].startswith(QUICK_HELP_START):
            raise TestFailure(f"help text during the erase: {s['controls']['lblHelp']['text']!r}")
        if time.time() > deadline:
            raise TestFailure(f"the erase did not finish within 240 s; positions {sorted(positions)}")
        time.sleep(0.01)
    d = s["dialog"]
    if d["caption"] != SUCCESS_CAPTION or not d["text"].startswith(SUCCESS_TEXT):
        raise TestFailure(f"expected the success message, got {d}")
    if any(h.enabled(s)):
        raise TestFailure(f"controls enabled under the success message: {h.enabled(s)}")
    # The bar moves from 0 through the drive's progress to its maximum, shown with the message.
    top = s["progress"]["max"]
    moving = sorted(p for p in positions if 0 < p < top)
    if not moving or s["progress"]["pos"] != top or top <= 0:
        raise TestFailure(f"the progress bar did not move: positions seen {sorted(positions)}, "
                          f"{s['progress']} under the message")
    if not any(t.strip() for t in statuses):
        raise TestFailure(f"no status text during the erase: {statuses}")
    h.screenshot("success", s)
    h.click_dialog_button(s, "OK")
    s = h.wait_for("the controls enabled again", lambda s: not s["dialog"] and all(h.enabled(s)), 30)
    if s["controls"]["sbar"]["text"] != "" or s["progress"]["pos"] != 0:
        raise TestFailure(f"after the run: status {s['controls']['sbar']['text']!r}, progress {s['progress']}")
    # Enabled again with the mouse elsewhere: the button has been left, so its help goes.
    h.wait_for("the help text cleared after the run", lambda s: s["controls"]["lblHelp"]["text"] == "", 10)
    log(f"progress positions seen: {moving[:12]}{' ...' if len(moving) > 12 else ''}; status texts: {sorted(statuses)}")
    # Closing the idle window ends the program.
    origin = s["frame"]["origin"]
    h.click_at(origin[0] + CLOSE_BUTTON[0], origin[1] + CLOSE_BUTTON[1])
    status = h.wait_exit(30)
    if status != 0 or h.crashed():
        raise TestFailure(f"the demo ended with status {status}")


def test_close_during_erase(h, exes):
    """A Full Erase (long enough to be caught in the middle) shown in a screenshot; closing the
    window then ends the program cleanly, with no success message."""
    start_demo(h, exes)
    start_erase(h, "BtnFull")
    # Once a few pixels of the bar are filled, its first tile is in the screenshot.
    bar_width = 134
    s = h.wait_for("the bar a few pixels along",
                   lambda s: s["progress"]["pos"] * bar_width >= 4 * s["progress"]["max"] > 0, 180)
    s = h.checked_screenshot("erasing", [p for p in IDLE_POINTS if p[0] not in ("empty progress bar", "status bar panel 0")]
                             + [("progress bar fill", 311, 527, (82, 133, 214), 40)])
    if s["dialog"]:
        raise TestFailure(f"the erase ended before the window could be closed: {s['dialog']}")
    origin = s["frame"]["origin"]
    h.click_at(origin[0] + CLOSE_BUTTON[0], origin[1] + CLOSE_BUTTON[1])
    deadline = time.time() + 60
    while h.app.poll() is None:
        s = h.state()
        if s["dialog"] and s["dialog"]["caption"] == SUCCESS_CAPTION:
            raise TestFailure("the success message appeared after the window was closed")
        if time.time() > deadline:
            raise TestFailure("the demo did not end within 60 s of closing its window")
        time.sleep(0.1)
    if h.app.returncode != 0 or h.crashed():
        raise TestFailure(f"the demo ended with status {h.app.returncode}" + (" after a crash" if h.crashed() else ""))


def test_minimise(h, exes):
    """The title bar's minimise button minimises the window."""
    s = start_demo(h, exes)
    origin = s["frame"]["origin"]
    h.click_at(origin[0] + MINIMISE_BUTTON[0], origin[1] + MINIMISE_BUTTON[1])
    h.wait_for("the window minimised", lambda s: s["frame"]["iconic"], 10)


def test_scenario_file(h, exes):
    """nullburn-demo.scenario beside the demo replaces the built-in bay."""
    folder = os.path.join(h.shots, "scenario-file")
    os.makedirs(folder, exist_ok=True)
    demo = os.path.join(folder, "nullburn-demo.exe")
    shutil.copyfile(exes["demo"], demo)
    with open(os.path.join(folder, "nullburn-demo.scenario"), "w") as f:
        json.dump({"drives": [{"kind": "cdrom", "disc": "none"}, {"kind": "whole", "disc": "cd-r"}]}, f)
    try:
        h.start(demo)
        s = h.wait_for("the demo window with its drive rows",
                       lambda s: s["frame"]["visible"] and s["frame"]["text"] == CAPTION and s["rows"], 90)
        # Only the writer is listed; it sits at target 1 as the second drive of the bay.
        if len(s["rows"]) != 1 or not s["rows"][0].startswith(" 1-0-1-0 E:"):
            raise TestFailure(f"drive rows {s['rows']}, expected the one writer of the scenario file")
    finally:
        h.finish()
        shutil.rmtree(folder, ignore_errors=True)


TESTS = [
    ("real program without an optical drive", test_real_program_without_drive, False),
    ("demo window starts", test_demo_starts, True),
    ("tab order", test_tab_order, None),
    ("help texts and the logo hint", test_help_texts, None),
    ("cancel at the confirmation", test_cancel_at_confirmation, None),
    ("quick erase of the DVD+R", test_quick_erase, None),
    ("closing the window during an erase", test_close_during_erase, True),
    ("minimise button", test_minimise, True),
    ("demo scenario file", test_scenario_file, True),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--wineserver", required=True)
    parser.add_argument("--only", help="run the tests whose name contains this")
    # CTest names the programs; run by hand, they are looked for where the build puts them.
    parser.add_argument("--real", help="the real program (nullburn.exe)")
    parser.add_argument("--demo", help="nullburn-demo.exe")
    parser.add_argument("--probe", help="win32ui_probe.exe")
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    def find(given, *candidates):
        if given:
            return os.path.abspath(given)
        for candidate in candidates:
            if os.path.isfile(os.path.join(build, candidate)):
                return os.path.join(build, candidate)
        return os.path.join(build, candidates[0])

    exes = {"real": find(args.real, "release/nullburn.exe"),
            "demo": find(args.demo, "release/nullburn-demo.exe")}
    probe = find(args.probe, "tests/win32ui/win32ui_probe.exe")
    for path in [*exes.values(), probe]:
        if not os.path.isfile(path):
            log(f"FAILED: {path} is missing (build the win64 preset first)")
            return 1
    shots = os.path.join(build, "screenshots")
    os.makedirs(shots, exist_ok=True)

    environment = Environment(build, args.wine, args.wineserver)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    failures = 0
    try:
        environment.start()
        h = Harness(environment, probe, shots)
        chain_ok = True
        for name, test, fresh in TESTS:
            if args.only and args.only not in name:
                continue
            # fresh None: continues in the window the test before left open.
            if fresh is None and not chain_ok:
                log(f"SKIPPED {name} (the test before it failed)")
                failures += 1
                continue
            if fresh is not None:
                h.finish()
            started = time.time()
            try:
                test(h, exes)
                log(f"ok      {name} ({time.time() - started:.1f} s)")
                chain_ok = True
            except (TestFailure, subprocess.SubprocessError) as e:
                log(f"FAILED  {name}: {e}")
                failures += 1
                chain_ok = False
            except Exception as e:  # a fault of the test itself still lets the others run
                log(f"FAILED  {name}: {type(e).__name__}: {e}; last state: {json.dumps(h.last_state)[:2000]}")
                failures += 1
                chain_ok = False
        h.finish()
        h.stop_probe()
    except TestFailure as e:
        log(f"FAILED: {e}")
        failures += 1
    finally:
        environment.stop()
    log(f"screenshots in {shots}")
    log("passed" if failures == 0 else f"{failures} test(s) failed")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
