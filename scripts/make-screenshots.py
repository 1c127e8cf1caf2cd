#!/usr/bin/env python3
"""Remakes the pictures of the guides (docs/images/*.png) and of the README (docs/window.png).

Drives the real program in a real X server (Xvfb and openbox, typed and clicked with xdotool),
with the same machinery as the end-to-end test tests/e2e/student_session.py, and takes each
picture with ImageMagick's `import`. No record file of yours is touched: where `unshare` may give
the program a /home of its own (as root, or with user namespaces), the student's home folder is
/home/ann in an empty folder that only the program sees, so the message at the end of an
assignment names the folder a student would see; elsewhere it is a temporary folder.

    scripts/make-screenshots.py [--qatutor build/qatutor] [--out docs]

Needs: xvfb openbox xdotool x11-utils imagemagick (Debian packages), and a built qatutor.
Run it after any change to the window, then look at every picture before committing them.
It stops with the name of the step that failed when the window does not behave as expected.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import student_session as e2e  # noqa: E402  (the end-to-end test's X server machinery)

DISPLAY_SEND_FILE = (4440, 240, 855, 495)
STUDENT_HOME = "/home/ann"
SETTLE = 0.6   # seconds for a window to finish drawing before its picture is taken


class Pictures:
    def __init__(self, desktop, folder):
        self.desktop = desktop
        self.folder = folder
        self.made = []

    def take(self, window, name):
        time.sleep(SETTLE)
        path = os.path.join(self.folder, name)
        # Without the date chunks, a picture that did not change keeps its bytes.
        e2e.run("import", "-window", window, "-define", "png:exclude-chunk=date,time", path,
                env=self.desktop.env)
        self.made.append(path)


class Launcher:
    """Starts the program with a home folder of its own; see the top of this file."""

    def __init__(self, qatutor):
        self.qatutor = qatutor
        self.temporary = tempfile.mkdtemp(prefix="qatutor-pictures-")
        self.private_home = (shutil.which("unshare") is not None and
                             subprocess.run(self.in_own_home([]), env=dict(os.environ, HOME=STUDENT_HOME),
                                            capture_output=True).returncode == 0)
        self.home = STUDENT_HOME if self.private_home else self.temporary

    @staticmethod
    def in_own_home(command):
        """The command run with an empty /home of its own that holds the folder $HOME."""
        flags = [] if os.geteuid() == 0 else ["--map-root-user"]
        script = 'mount -t tmpfs tmpfs /home && mkdir -p "$HOME"' + (' && exec "$0"' if command else "")
        return ["unshare", "--mount", *flags, "sh", "-c", script, *command]

    def start(self, desktop):
        command = self.in_own_home([self.qatutor]) if self.private_home else [self.qatutor]
        return subprocess.Popen(command, env=dict(desktop.env, HOME=self.home),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def clean_up(self):
        shutil.rmtree(self.temporary, ignore_errors=True)


def reply(desktop, pictures, text, picture):
    """Types the reply into the dialog that has the focus, takes its picture, presses Enter."""
    dialog = desktop.wait_window("qatutor")
    time.sleep(0.3)
    desktop.type_line(text)
    pictures.take(dialog, picture)
    e2e.answer_prompt(desktop, "")


def main_window(desktop):
    window = desktop.wait_window("Form1")
    desktop.xdotool("windowactivate", "--sync", window)
    time.sleep(0.5)
    return window, desktop.client_origin(window)


def a_whole_session(desktop, pictures, launcher):
    """The first run of the student guide: start-up, a question, its answer, the send file, a
    refused character, and quitting with typed text that was not entered."""
    program = launcher.start(desktop)
    try:
        step = "the name dialog"
        reply(desktop, pictures, "Ann Lee", "prompt-name.png")
        step = "the folder dialog"
        reply(desktop, pictures, "", "prompt-folder.png")
        step = "the assignment dialog"
        reply(desktop, pictures, "1", "prompt-assignment.png")

        step = "the window after start-up"
        window, origin = main_window(desktop)
        pictures.take(window, "window-start.png")

        step = "the first question"
        e2e.click_control(desktop, origin, *e2e.NEXT)
        e2e.click_control(desktop, origin, *e2e.ANSWER_BOX)
        desktop.key("ctrl+a")
        desktop.type_line("4 x 3 x 2 = 24 outfits")
        pictures.take(window, "window-question.png")
        e2e.click_control(desktop, origin, *e2e.ENTER_RESPONSE)
        step = "the confidence rating"
        reply(desktop, pictures, "2", "rating-confidence.png")

        step = "the worked answer"
        desktop.xdotool("windowactivate", "--sync", window)
        e2e.click_control(desktop, origin, *e2e.NEXT)
        e2e.click_control(desktop, origin, *e2e.ANSWER_BOX)
        desktop.key("ctrl+a")
        desktop.type_line("I multiplied too. Adding would give 9, far too few.")
        pictures.take(window, "window-answer.png")
        pictures.take(window, os.path.join(os.pardir, "window.png"))
        e2e.click_control(desktop, origin, *e2e.ENTER_RESPONSE)
        step = "the self-critique rating"
        reply(desktop, pictures, "3", "rating-critique.png")

        step = "the notice for a refused character"
        desktop.xdotool("windowactivate", "--sync", window)
        e2e.click_control(desktop, origin, *e2e.NEXT)
        e2e.click_control(desktop, origin, *e2e.ANSWER_BOX)
        desktop.key("ctrl+a")
        # pi and the approximately-equal sign are written out; the check mark is refused.
        desktop.type_line("Area = \u03c0 r^2 \u2248 3.14 x 4 = 12.56 \u2713")
        pictures.take(window, "window-refused-character.png")

        step = "the send file in the question box"
        e2e.click_control(desktop, origin, *DISPLAY_SEND_FILE)
        pictures.take(window, "window-send-file.png")

        step = "quit program with typed text not entered"
        e2e.click_control(desktop, origin, *e2e.QUIT)
        dialog = desktop.wait_window("qatutor")
        pictures.take(dialog, "message-leave-or-stay.png")
        desktop.key("alt+l")                  # leave without recording
        program.wait(timeout=10)
    except Exception as error:
        raise RuntimeError(f"{step}: {error}") from error
    finally:
        if program.poll() is None:
            program.kill()


def an_assignment_to_its_end(desktop, pictures, launcher):
    """The message after the last answer of an assignment: the folder and the file to send."""
    program = launcher.start(desktop)
    try:
        e2e.answer_prompt(desktop, "Ann Lee")
        e2e.answer_prompt(desktop, "")
        e2e.answer_prompt(desktop, "7")       # 5 questions, the shortest assignment
        window, origin = main_window(desktop)
        for _ in range(2 * 5 + 1):            # each question and answer, then the end
            if desktop.active_window()[0] != window:
                break
            e2e.click_control(desktop, origin, *e2e.NEXT)
        message = desktop.wait_window("qatutor")
        pictures.take(message, "message-assignment-finished.png")
        desktop.key("Return")
        program.wait(timeout=10)
    except Exception as error:
        raise RuntimeError(f"the message at the end of an assignment: {error}") from error
    finally:
        if program.poll() is None:
            program.kill()


def an_assignment_not_in_the_bank(desktop, pictures, launcher):
    """The message for an assignment number that the bank does not hold."""
    program = launcher.start(desktop)
    try:
        e2e.answer_prompt(desktop, "Ann Lee")
        e2e.answer_prompt(desktop, "")
        e2e.answer_prompt(desktop, "12")
        message = desktop.wait_window("qatutor")
        pictures.take(message, "message-not-in-bank.png")
        desktop.key("Return")
        program.wait(timeout=10)
    except Exception as error:
        raise RuntimeError(f"the message for an assignment not in the bank: {error}") from error
    finally:
        if program.poll() is None:
            program.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qatutor", default=os.path.join(ROOT, "build", "qatutor"),
                        help="the program to drive (default: build/qatutor)")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs"),
                        help="the docs folder: pictures go to OUT/images and OUT/window.png")
    args = parser.parse_args()
    for tool in ("Xvfb", "openbox", "xdotool", "xwininfo", "import"):
        if not shutil.which(tool):
            sys.exit(f"make-screenshots: {tool} is missing "
                     "(apt-get install xvfb openbox xdotool x11-utils imagemagick)")
    if not os.access(args.qatutor, os.X_OK):
        sys.exit(f"make-screenshots: no program at {args.qatutor}; build it first (./run.sh)")

    images = os.path.join(args.out, "images")
    os.makedirs(images, exist_ok=True)
    launcher = Launcher(os.path.abspath(args.qatutor))
    desktop = e2e.Desktop()
    pictures = Pictures(desktop, images)
    try:
        desktop.start()
        a_whole_session(desktop, pictures, launcher)
        an_assignment_to_its_end(desktop, pictures, launcher)
        an_assignment_not_in_the_bank(desktop, pictures, launcher)
    except RuntimeError as error:
        sys.exit(f"make-screenshots: {error}")
    finally:
        desktop.stop()
        launcher.clean_up()
    for path in pictures.made:
        print(os.path.relpath(os.path.normpath(path), os.getcwd()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
