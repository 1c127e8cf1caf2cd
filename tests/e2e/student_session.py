#!/usr/bin/env python3
"""A student's session with the real program in a real X server, driven by xdotool.

Starts Xvfb and openbox, runs qatutor with a temporary home folder, answers the start-up
prompts, clicks Next, types and enters a response, gives a rating, saves a note and quits, then
compares the record files with the expected bytes (the time and date fields and the random noise
line masked).

A second run, started with Qt's own command-line options (which the tutor must ignore), types an
answer and does not enter it: quit program asks first, staying keeps the typed text, leaving ends
the run, and the record files hold the file header only.

A third run types scratch work into the question box, enters a response and rates it, then
presses Return twice: once the rating dialog has closed, the window manager gives the window back
its focus, which is in the answer box, where the presses add nothing and record nothing. Ctrl+Z in
the emptied question box brings the scratch work back, and quit program asks about it.
Usage: student_session.py QATUTOR BANKCHECK [SCREENSHOT.png]
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

TWIPS_PER_PIXEL = 15


def run(*args, env=None, check=True):
    return subprocess.run(args, env=env, check=check, capture_output=True, text=True).stdout


class Desktop:
    def __init__(self, screen="1024x768"):
        self.screen = screen
        self.display = None
        self.processes = []

    def start(self):
        for number in range(91, 140):
            if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
                self.display = f":{number}"
                break
        xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", f"{self.screen}x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("QT_QPA_PLATFORM", None)
        for _ in range(100):
            if subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        else:
            raise RuntimeError("Xvfb did not start")
        self.processes.append(subprocess.Popen(["openbox"], env=self.env,
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(0.5)

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()

    def xdotool(self, *args):
        return run("xdotool", *args, env=self.env)

    def active_window(self):
        """The focused window and its name; the window manager gives new windows the focus."""
        window = run("xdotool", "getactivewindow", env=self.env, check=False).strip()
        if not window:
            return None, None
        return window, run("xdotool", "getwindowname", window, env=self.env, check=False).strip()

    def wait_window(self, name, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            window, title = self.active_window()
            if title == name:
                return window
            time.sleep(0.1)
        raise RuntimeError(f"no window named {name!r} took the focus")

    def client_origin(self, window):
        info = run("xwininfo", "-id", window, env=self.env)
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        return x, y

    def type_line(self, text):
        if text:
            self.xdotool("type", "--delay", "20", text)

    def key(self, *keys):
        self.xdotool("key", *keys)


def answer_prompt(desktop, reply):
    """Types the reply into the prompt dialog that has the focus and presses Enter."""
    window = desktop.wait_window("qatutor")
    time.sleep(0.3)
    desktop.type_line(reply)
    desktop.key("Return")
    deadline = time.time() + 10
    while time.time() < deadline:
        if desktop.active_window()[0] != window:
            time.sleep(0.2)
            return
        time.sleep(0.1)
    raise RuntimeError("the prompt dialog did not close")


def click_control(desktop, origin, left, top, width, height):
    x = origin[0] + (left + width // 2) // TWIPS_PER_PIXEL
    y = origin[1] + (top + height // 2) // TWIPS_PER_PIXEL
    desktop.xdotool("mousemove", "--sync", str(x), str(y))
    desktop.xdotool("click", "1")
    time.sleep(0.4)


NEXT = (240, 0, 975, 735)
ENTER_RESPONSE = (5640, 240, 855, 495)
SAVE_AS_NOTES = (6480, 240, 855, 495)
ANSWER_BOX = (5640, 720, 5055, 3255)
QUESTION_BOX = (240, 720, 5175, 3255)
QUIT = (10200, 0, 735, 495)

TIME = re.compile(rb"\d\d:\d\d:\d\d")
DATE = re.compile(rb"\d\d-\d\d-\d\d\d\d")


def masked(data):
    """The noise line (the first line), times and dates replaced by fixed marks."""
    first_end = data.index(b"\r\n")
    data = b"<noise>" + data[first_end:]
    return TIME.sub(b"HH:MM:SS", DATE.sub(b"MM-DD-YYYY", data))


def file_header():
    crlf = b"\r\n"
    return (b"<noise>" + crlf + b"assignment #001" + crlf + b"001.  Counting" + crlf +
            b"Liberal Arts Mathematics II" + crlf + b"MM-DD-YYYY" + crlf)


def expected_files(question_line, answer_line):
    crlf = b"\r\n"
    header = file_header()
    separator = b"......!!!!!!!!..................................." + crlf
    closing = b"." * 49
    time_line = b" " * 56 + b"HH:MM:SS" + crlf
    date_time_line = b" " * 42 + b"MM-DD-YYYY" + b" " * 4 + b"HH:MM:SS" + crlf
    number_line = crlf + crlf + b"`questionNumber" + b" " * 13 + b" 10001 " + crlf
    response_tail = (question_line + crlf + separator + b"RESPONSE -->  " + crlf +
                     b"Twelve" + crlf + b"times two" + crlf + b"confidence assessment:  2" + crlf +
                     closing + crlf)
    note = (separator + time_line + date_time_line + answer_line + crlf + separator +
            b"NOTES -------> my note" + crlf + closing)
    master = header + separator + time_line + number_line + response_tail + note + crlf
    send = header + separator + time_line + response_tail + note
    return master, send, note


def box_text(desktop, origin, box, *keys):
    """The text of a box, read through the clipboard (a known text first, since an empty box
    copies nothing), after pressing `keys` in it."""
    subprocess.run(["xclip", "-selection", "clipboard"], input="<empty>", text=True, env=desktop.env, check=True)
    click_control(desktop, origin, *box)
    for key in keys:
        desktop.key(key)
    desktop.key("ctrl+a")
    desktop.key("ctrl+c")
    time.sleep(0.3)
    return run("xclip", "-o", "-selection", "clipboard", env=desktop.env)


def start_session(desktop, command, home, name):
    """Starts the tutor in `home`, answers the three start-up prompts (name, the default folder,
    assignment 1) and returns the program, its window and the client area's origin."""
    program = subprocess.Popen(command, env=dict(desktop.env, HOME=home),
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    answer_prompt(desktop, name)
    answer_prompt(desktop, "")
    answer_prompt(desktop, "1")
    window = desktop.wait_window("Form1")
    desktop.xdotool("windowactivate", "--sync", window)
    time.sleep(0.5)
    return program, window, desktop.client_origin(window)


def typed_work_session(desktop, qatutor):
    """Quit with typed, unentered work: the tutor asks; staying keeps it; leaving ends the run
    without writing it. Returns the number of failures."""
    home = tempfile.mkdtemp(prefix="qatutor-e2e-")
    program = None
    failures = []
    try:
        # The window is found by the tutor's own title, not -qwindowtitle's.
        program, window, origin = start_session(
            desktop, [qatutor, "-qwindowtitle", "X", "-reverse", "-qwindowgeometry", "400x300"],
            home, "Bo Reed")
        info = run("xwininfo", "-id", window, env=desktop.env)
        size = (int(re.search(r"Width:\s+(\d+)", info).group(1)), int(re.search(r"Height:\s+(\d+)", info).group(1)))
        if size != (10875 // TWIPS_PER_PIXEL, 8490 // TWIPS_PER_PIXEL):
            failures.append(f"client area {size}, not the fixed one")

        click_control(desktop, origin, *NEXT)
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.key("ctrl+a")
        desktop.type_line("unsent work")
        click_control(desktop, origin, *QUIT)
        desktop.wait_window("qatutor")            # leave without recording, or stay?
        desktop.key("Escape")                     # stay
        time.sleep(0.5)
        if program.poll() is not None:
            failures.append("staying ended the program")
        else:
            desktop.xdotool("windowactivate", "--sync", window)
            text = box_text(desktop, origin, ANSWER_BOX)
            if text != "unsent work":
                failures.append(f"after staying the answer box holds {text!r}")
            click_control(desktop, origin, *QUIT)
            desktop.wait_window("qatutor")
            desktop.key("alt+l")                  # leave without recording
            program.wait(timeout=10)
            if program.returncode != 0:
                failures.append(f"qatutor exited with {program.returncode}")

        folder = os.path.join(home, "kavrodel")
        date = time.strftime("%m%d")
        for path in (os.path.join(folder, "masterFile_Bo_Reed.txt"), os.path.join(folder, f"send_{date}Bo_Reed.txt")):
            data = open(path, "rb").read()
            if masked(data) != file_header():
                failures.append(f"{path} holds {data!r}, not the file header alone")
        if os.path.exists(os.path.join(folder, "notes_Bo_Reed.txt")):
            failures.append("a notes file was written")
    finally:
        if program and program.poll() is None:
            program.kill()
        shutil.rmtree(home, ignore_errors=True)
    for failure in failures:
        print(f"typed work session: {failure}")
    return len(failures)


def focus_after_record_session(desktop, qatutor):
    """Return after a record adds nothing to the answer box, and the question box's scratch work
    the record emptied comes back with Ctrl+Z. Returns the number of failures."""
    home = tempfile.mkdtemp(prefix="qatutor-e2e-")
    program = None
    failures = []
    scratch = " my scratch 7*6*5"
    try:
        program, window, origin = start_session(desktop, [qatutor], home, "Cy Lin")
        click_control(desktop, origin, *NEXT)
        click_control(desktop, origin, *QUESTION_BOX)
        desktop.key("ctrl+End")
        desktop.type_line(scratch)
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.type_line("OK")
        click_control(desktop, origin, *ENTER_RESPONSE)
        answer_prompt(desktop, "3")                # confidence
        desktop.wait_window("Form1")
        desktop.key("Return")
        desktop.key("Return")
        time.sleep(0.8)
        if desktop.active_window()[1] != "Form1":
            failures.append("Return after the record opened another dialog")
            desktop.key("Escape")
        text = box_text(desktop, origin, ANSWER_BOX)
        if text != "<empty>":
            failures.append(f"after Return twice the answer box holds {text!r}")
        text = box_text(desktop, origin, QUESTION_BOX, "ctrl+z")
        if not text.endswith(scratch) or not text.startswith("`q001."):
            failures.append(f"after Ctrl+Z the question box holds {text!r}")
        click_control(desktop, origin, *QUIT)      # the scratch work is typed work again
        desktop.wait_window("qatutor")
        desktop.key("alt+l")
        program.wait(timeout=10)
        master = open(os.path.join(home, "kavrodel", "masterFile_Cy_Lin.txt"), "rb").read()
        if master.count(b"RESPONSE -->") != 1:
            failures.append(f"{master.count(b'RESPONSE -->')} responses recorded, not 1")
        if b"RESPONSE -->  \r\nOK\r\nconfidence assessment:  3\r\n" not in master:
            failures.append(f"the response is not recorded as typed: {master!r}")
    except (RuntimeError, subprocess.TimeoutExpired, OSError) as error:
        failures.append(str(error))
    finally:
        if program and program.poll() is None:
            program.kill()
        shutil.rmtree(home, ignore_errors=True)
    for failure in failures:
        print(f"focus after record session: {failure}")
    return len(failures)


def main():
    qatutor, bankcheck = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[3] if len(sys.argv) > 3 else None
    dump = [json.loads(line) for line in run(bankcheck, "--dump").splitlines()]
    question_line = dump[3]["text"].encode("cp1252")
    answer_line = dump[5]["text"][2:].encode("cp1252")

    home = tempfile.mkdtemp(prefix="qatutor-e2e-")
    desktop = Desktop()
    program = None
    try:
        desktop.start()
        program, window, origin = start_session(desktop, [qatutor], home, "Ann Lee")

        click_control(desktop, origin, *NEXT)                # question 001
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.key("ctrl+a")
        desktop.type_line("Twelve")
        desktop.key("Return")
        desktop.type_line("times two")
        click_control(desktop, origin, *ENTER_RESPONSE)
        answer_prompt(desktop, "2")                          # confidence

        desktop.xdotool("windowactivate", "--sync", window)
        click_control(desktop, origin, *NEXT)                # its answer
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.type_line("my note")
        if screenshot:
            run("import", "-window", window, screenshot, env=desktop.env)
        click_control(desktop, origin, *SAVE_AS_NOTES)
        click_control(desktop, origin, *QUIT)
        program.wait(timeout=10)

        folder = os.path.join(home, "kavrodel")
        date = time.strftime("%m%d")
        files = {
            "master": os.path.join(folder, "masterFile_Ann_Lee.txt"),
            "send": os.path.join(folder, f"send_{date}Ann_Lee.txt"),
            "notes": os.path.join(folder, "notes_Ann_Lee.txt"),
        }
        master, send, note = expected_files(question_line, answer_line)
        failures = 0
        for name, expected in (("master", master), ("send", send), ("notes", note)):
            with open(files[name], "rb") as f:
                data = f.read()
            actual = masked(data) if name != "notes" else TIME.sub(b"HH:MM:SS", DATE.sub(b"MM-DD-YYYY", data))
            if actual != expected:
                failures += 1
                print(f"{name} file differs:\n  expected {expected!r}\n  actual   {actual!r}")
        noise = open(files["master"], "rb").read().split(b"\r\n")[0]
        if not noise or any(b < 66 for b in noise) or noise != open(files["send"], "rb").read().split(b"\r\n")[0]:
            failures += 1
            print(f"bad noise line {noise!r}")
        if program.returncode != 0:
            failures += 1
            print(f"qatutor exited with {program.returncode}: {program.stderr.read().decode(errors='replace')}")
        typed_work_failures = typed_work_session(desktop, qatutor)
        focus_failures = focus_after_record_session(desktop, qatutor)
        passed = (failures == 0) + (typed_work_failures == 0) + (focus_failures == 0)
        print(f"{passed} passed, {3 - passed} failed")
        return 1 if failures or typed_work_failures or focus_failures else 0
    finally:
        if program and program.poll() is None:
            program.kill()
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
