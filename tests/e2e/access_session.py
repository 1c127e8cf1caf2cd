#!/usr/bin/env python3
"""The tutor as a screen reader and a student on a small screen meet it, in a real X server.

Part one reads the accessibility tree through AT-SPI (pyatspi) while a student answers the three
start-up prompts, works in the window, rates a response and is asked whether to leave: every
dialog is named by its question and its entry field by the same question, every control of the
window has its role and name, the refusal notice is an alert that is showing, and a message
box and the not-in-the-bank message are named by what they say.

Part two starts the tutor at a large scale on a screen too small for its window: the window's
frame lies inside the screen, and quit program, given the focus, comes into view and ends the
run at a click.

Run it on a session bus of its own: dbus-run-session -- access_session.py QATUTOR [SHOTS_FOLDER]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from student_session import ANSWER_BOX, Desktop, click_control, run  # noqa: E402

NAME_PROMPT = "Your full name:"
FOLDER_PROMPT = ("Enter 1 if you want to change the folder to which your files will be written. The current "
                 "default folder is c:\\kavrodel. If you wish to use this folder, just hit the Enter key")
ASSIGNMENT_PROMPT = "Assignment Number:"
CONFIDENCE_PROMPT = ("Assess your level of confidence in your answer on a scale from 0 to 3, where 0 means you "
                     "have no confidence in your answer, 1 means you have some confidence, 2 means you are "
                     "pretty confident and 3 means you are certain of your answer:")
SELF_CRITIQUE_PROMPT = (
    "Rate the quality of your self-critique on a 0-3 scale, where 0 indicates that self-critique was "
    "necessary on this question but was not given, 1 indicates that self-critique was necessary but the "
    "given self-critique was not adequate, 2 indicates that self-critique was necessary and was mostly "
    "adequate, and 3 indicates that either self-critique was not necessary or that after reading the "
    "solution everything was completely obvious so you skipped the self-critique.")
LEAVE_QUESTION = ("Your answer box holds text that you have not entered. If you leave now, it is not "
                  "recorded.")

# Every control of the window: its role and the name a screen reader says.
CONTROLS = [
    ("text", "Question and answer text"),
    ("text", "Your response"),
    ("push button", "Next Question / Answer"),
    ("push button", "Enter Response"),
    ("image", "Picture 1"),
    ("image", "Picture 2"),
    ("push button", "Save as Notes"),
    ("push button", "Make Paragraph"),
    ("push button", "Make Paragraph"),
    ("text", "Sentences to go back"),
    ("label", "# sentences previous"),
    ("push button", "Trigger Timer"),
    ("list", "List not used by this course"),
    ("label", "Parameter 1"),
    ("text", "Parameter 1"),
    ("label", "Parameter 2"),
    ("text", "Parameter 2"),
    ("label", "Parameter 3"),
    ("text", "Parameter 3"),
    ("label", "Parameter 4"),
    ("text", "Parameter 4"),
    ("push button", "display SEND file"),
    ("push button", "display notes"),
    ("push button", "quit program"),
    ("push button", "pend exp"),
    ("push button", "next picture"),
    ("label", "click only if prompted"),
    ("push button", "copy picture"),
    ("push button", "clear box"),
]


def plain(text):
    """A name as read out: break opportunities dropped, blanks run together."""
    return " ".join(text.replace("\u200b", "").split())


def application(timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "qatutor":
                return app
        time.sleep(0.2)
    raise RuntimeError("qatutor did not appear on the accessibility bus")


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def top_level(app, role, timeout=10):
    """The showing top-level of `role` ("dialog", "frame", "alert") with the focus's window."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        for window in app:
            if window is not None and window.getRoleName() == role and showing(window):
                return window
        time.sleep(0.1)
    raise RuntimeError(f"no showing {role}; top levels: {[(w.getRoleName(), w.name) for w in app]}")


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{what}: {actual!r}, expected {expected!r}")
            print(self.failures[-1], flush=True)


def check_prompt(checker, app, question):
    dialog = top_level(app, "dialog")
    checker.expect("prompt dialog's name", plain(dialog.name), question)
    entries = [n for n in descendants(dialog) if n.getRoleName() == "text"]
    if len(entries) != 1:
        checker.failures.append(f"dialog {question[:20]!r} has {len(entries)} entry fields")
        return
    entry = entries[0]
    checker.expect("entry's name", plain(entry.name), question)
    labels = [target for relation in entry.getRelationSet()
              if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
              for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
    checker.expect("entry labelled by", [plain(label.name) for label in labels], [question])
    buttons = [n.name for n in descendants(dialog) if n.getRoleName() == "push button"]
    checker.expect("dialog's buttons", sorted(buttons), ["Cancel", "OK"])


def answer_dialog(desktop, reply, timeout=60):
    """Answers the prompt dialog as answer_prompt does, with the patience a loaded machine needs
    (the accessibility bus slows every window's start)."""
    window = desktop.wait_window("qatutor", timeout)
    time.sleep(0.3)
    desktop.type_line(reply)
    desktop.key("Return")
    deadline = time.time() + timeout
    while desktop.active_window()[0] == window:
        if time.time() > deadline:
            raise RuntimeError("the prompt dialog did not close")
        time.sleep(0.1)
    time.sleep(0.2)


def press(frame, button):
    """Presses a button through its accessible action, as a screen reader does."""
    node = next(n for n in descendants(frame) if n.getRoleName() == "push button" and n.name == button)
    node.queryAction().doAction(0)
    time.sleep(0.3)


def window_controls(frame):
    """The window's controls in the tree: every node that is not a container of others."""
    return [(n.getRoleName(), n.name) for n in descendants(frame)
            if n.getRoleName() not in ("filler", "panel", "scroll pane", "viewport", "scroll bar", "alert")
            and n.parent.getRoleName() not in ("list", "scroll bar")]


def start(desktop, qatutor, home, scale=None):
    env = dict(desktop.env, HOME=home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    if scale:
        env["QT_SCALE_FACTOR"] = scale
    return subprocess.Popen([qatutor], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def screen_reader_tree(qatutor, shots):
    checker = Checker()
    desktop = Desktop()
    home = tempfile.mkdtemp(prefix="qatutor-access-")
    program = None
    try:
        desktop.start()
        program = start(desktop, qatutor, home)
        app = application()
        for question, reply in ((NAME_PROMPT, "Ann Lee"), (FOLDER_PROMPT, ""), (ASSIGNMENT_PROMPT, "1")):
            desktop.wait_window("qatutor", 60)
            check_prompt(checker, app, question)
            answer_dialog(desktop, reply)

        window = desktop.wait_window("Form1", 60)
        frame = top_level(app, "frame")
        checker.expect("main window's name", frame.name, "Form1")
        controls = window_controls(frame)
        checker.expect("controls, in order", controls, CONTROLS)

        # A character the record files cannot hold: the notice is an alert, in sight.
        press(frame, "Next Question / Answer")
        desktop.xdotool("windowactivate", "--sync", window)
        origin = desktop.client_origin(window)
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.key("ctrl+a")
        # Pasted: xdotool's typing of a character off the keyboard map can lose it.
        subprocess.run(["xclip", "-selection", "clipboard"], input="x\u2713", text=True, env=desktop.env,
                       check=True)
        desktop.key("ctrl+v")
        deadline = time.time() + 10
        alerts = []
        while not alerts and time.time() < deadline:
            time.sleep(0.2)
            alerts = [n for n in descendants(frame) if n.getRoleName() == "alert" and showing(n)]
        checker.expect("showing alerts", [a.name.startswith('Not entered: "\u2713"') for a in alerts], [True])
        if shots:
            run("import", "-window", "root", os.path.join(shots, "notice.png"), env=desktop.env)

        # Rating the response to the question, then the self-critique of its answer.
        press(frame, "Enter Response")
        desktop.wait_window("qatutor", 60)
        check_prompt(checker, app, CONFIDENCE_PROMPT)
        answer_dialog(desktop, "2")
        desktop.xdotool("windowactivate", "--sync", window)
        press(frame, "Next Question / Answer")
        press(frame, "Enter Response")
        desktop.wait_window("qatutor", 60)
        check_prompt(checker, app, SELF_CRITIQUE_PROMPT)
        answer_dialog(desktop, "3")

        # Typed work, then quit: the leave-or-stay question.
        desktop.xdotool("windowactivate", "--sync", window)
        click_control(desktop, origin, *ANSWER_BOX)
        desktop.type_line("unsent")
        press(frame, "quit program")
        desktop.wait_window("qatutor", 60)
        box = top_level(app, "alert")
        checker.expect("leave question's name", plain(box.name), LEAVE_QUESTION)
        checker.expect("leave question's buttons",
                       sorted(n.name for n in descendants(box) if n.getRoleName() == "push button"),
                       ["Leave without recording", "Stay"])
        desktop.key("alt+l")
        program.wait(timeout=10)
        program = None

        # An assignment that is not in the bank: the message that ends the start.
        program = start(desktop, qatutor, home)
        app = application()
        for reply in ("Ann Lee", "", "99"):
            answer_dialog(desktop, reply)
        box = top_level(app, "alert")
        checker.expect("not-in-the-bank message's name", plain(box.name)[:44],
                       'Assignment "99" is not in the question bank,')
        desktop.key("Return")
        program.wait(timeout=10)
        program = None
    finally:
        if program and program.poll() is None:
            program.kill()
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)
    return checker.failures


def frame_extents(desktop, window):
    """The client area's rectangle and the window manager's frame around it."""
    info = run("xwininfo", "-id", window, env=desktop.env)
    x, y, w, h = (int(re.search(pattern + r":\s+(-?\d+)", info).group(1)) for pattern in
                  ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    extents = run("xprop", "-id", window, "_NET_FRAME_EXTENTS", env=desktop.env)
    left, right, top, bottom = (int(v) for v in re.findall(r"\d+", extents.split("=")[1]))
    return (x, y, w, h), (x - left, y - top, w + left + right, h + top + bottom)


def small_screen(qatutor, screen, scale, shots):
    checker = Checker()
    desktop = Desktop(screen)
    home = tempfile.mkdtemp(prefix="qatutor-access-")
    program = None
    width, height = (int(v) for v in screen.split("x"))
    try:
        desktop.start()
        program = start(desktop, qatutor, home, scale)
        app = application()
        for reply in ("Ann Lee", "", "1"):
            answer_dialog(desktop, reply)
        window = desktop.wait_window("Form1", 60)
        time.sleep(1)
        client, frame = frame_extents(desktop, window)
        inside = frame[0] >= 0 and frame[1] >= 0 and frame[0] + frame[2] <= width and frame[1] + frame[3] <= height
        if not inside:
            checker.failures.append(f"the frame {frame} is not inside the {screen} screen")
        if shots:
            run("import", "-window", "root", os.path.join(shots, f"screen-{screen}-scale-{scale}.png"),
                env=desktop.env)
        quit_button = next(n for n in descendants(top_level(app, "frame")) if n.name == "quit program")
        quit_button.queryComponent().grabFocus()
        time.sleep(0.5)
        # Qt gives the extents in its own device-independent pixels.
        x, y, w, h = (round(v * float(scale)) for v in quit_button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        in_view = (client[0] <= x and x + w <= client[0] + client[2] and
                   client[1] <= y and y + h <= client[1] + client[3])
        if not in_view:
            checker.failures.append(f"quit program at {(x, y, w, h)} is outside the client area {client}")
        if shots:
            run("import", "-window", "root", os.path.join(shots, f"screen-{screen}-scale-{scale}-quit.png"),
                env=desktop.env)
        desktop.xdotool("mousemove", "--sync", str(x + w // 2), str(y + h // 2))
        desktop.xdotool("click", "1")
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            checker.failures.append("a click on quit program did not end the run")
    finally:
        if program and program.poll() is None:
            program.kill()
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)
    return [f"{screen} at scale {scale}: {failure}" for failure in checker.failures]


def main():
    qatutor = sys.argv[1]
    shots = sys.argv[2] if len(sys.argv) > 2 else None
    failures = screen_reader_tree(qatutor, shots)
    for screen, scale in (("1280x1024", "2"), ("1366x768", "1.5")):
        failures += small_screen(qatutor, screen, scale, shots)
    for failure in failures:
        print(failure)
    print("passed" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
