#!/usr/bin/env python3
"""Remakes the pictures of the guides (docs/images/*.png) and of the README (docs/window.png).

Drives the real program in a real X server (Xvfb and openbox, typed and clicked with xdotool),
with the same machinery as the end-to-end test tests/e2e/student_session.py, and takes each
picture with ImageMagick's `import`. The student's home folder is a temporary folder, so no
record file of yours is touched.

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


def a_whole_session(desktop, pictures, qatutor, home):
    """The first run of the student guide: start-up, a question, its answer, the send file."""
    env = dict(desktop.env, HOME=home)
    program = subprocess.Popen([qatutor], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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

        step = "the send file in the question box"
        desktop.xdotool("windowactivate", "--sync", window)
        e2e.click_control(desktop, origin, *DISPLAY_SEND_FILE)
        pictures.take(window, "window-send-file.png")

        step = "quit program"
        e2e.click_control(desktop, origin, *e2e.QUIT)
        program.wait(timeout=10)
    except Exception as error:
        raise RuntimeError(f"{step}: {error}") from error
    finally:
        if program.poll() is None:
            program.kill()


def an_assignment_not_in_the_bank(desktop, pictures, qatutor, home):
    """The message for an assignment number that the bank does not hold."""
    env = dict(desktop.env, HOME=home)
    program = subprocess.Popen([qatutor], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
    home = tempfile.mkdtemp(prefix="qatutor-pictures-")
    desktop = e2e.Desktop()
    pictures = Pictures(desktop, images)
    try:
        desktop.start()
        a_whole_session(desktop, pictures, args.qatutor, home)
        an_assignment_not_in_the_bank(desktop, pictures, args.qatutor, home)
    except RuntimeError as error:
        sys.exit(f"make-screenshots: {error}")
    finally:
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)
    for path in pictures.made:
        print(os.path.relpath(os.path.normpath(path), os.getcwd()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
