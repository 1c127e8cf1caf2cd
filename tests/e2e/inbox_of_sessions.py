#!/usr/bin/env python3
"""Several students' sessions with the real tutor in a real X server, read by qatutor-inbox.

Three students work with the real program (Xvfb, openbox, xdotool, as in student_session.py),
all into one record folder; qatutor-inbox then reads the folder, and every response and note of
records.csv must stand under the question and piece the student was shown, with its rating and
text, each once, although the folder holds both the master and the send files.

usage: inbox_of_sessions.py QATUTOR QATUTOR_INBOX
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import student_session as session  # noqa: E402  (the X server helpers)

# (name, assignment, steps); a step is "next", ("respond", lines, rating or None), ("note", text).
# Beside each step, what records.csv must say: (question, piece, kind, rating kind, rating, text).
STUDENTS = [
    ("Ann Lee", "3", [
        ("next", None),
        (("respond", ["P(7,3) = 210"], "3"), ("1", "question", "response", "confidence", "3", "P(7,3) = 210")),
        ("next", None),
        (("respond", ["Same as mine.", "Easy."], "2"),
         ("1", "answer", "response", "self-critique", "2", "Same as mine.\r\nEasy.")),
        ("next", None),
        (("note", "C(n,r) = P(n,r) / r!"), ("2", "question", "note", "", "", "C(n,r) = P(n,r) / r!")),
        (("respond", ["35"], "1"), ("2", "question", "response", "confidence", "1", "35")),
    ]),
    ("Dana Ray", "1", [
        (("respond", ["hello before anything"], None),
         ("", "before the first question", "response", "", "", "hello before anything")),
        ("next", None),
        (("respond", ["<b>24</b> outfits"], "2"), ("1", "question", "response", "confidence", "2", "<b>24</b> outfits")),
    ]),
]


def work(desktop, qatutor, home, name, assignment, steps):
    env = dict(desktop.env, HOME=home)
    program = subprocess.Popen([qatutor], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        for reply in (name, "", assignment):
            session.answer_prompt(desktop, reply)
        window = desktop.wait_window("Form1")
        desktop.xdotool("windowactivate", "--sync", window)
        time.sleep(0.5)
        origin = desktop.client_origin(window)
        for step, _ in steps:
            desktop.xdotool("windowactivate", "--sync", window)
            if step == "next":
                session.click_control(desktop, origin, *session.NEXT)
                continue
            session.click_control(desktop, origin, *session.ANSWER_BOX)
            desktop.key("ctrl+a")
            if step[0] == "note":
                desktop.type_line(step[1])
                session.click_control(desktop, origin, *session.SAVE_AS_NOTES)
                continue
            for index, line in enumerate(step[1]):
                if index:
                    desktop.key("Return")
                desktop.type_line(line)
            session.click_control(desktop, origin, *session.ENTER_RESPONSE)
            if step[2] is not None:
                session.answer_prompt(desktop, step[2])
        desktop.xdotool("windowactivate", "--sync", window)
        session.click_control(desktop, origin, *session.QUIT)
        program.wait(timeout=10)
    finally:
        if program.poll() is None:
            program.kill()


def main():
    qatutor, inbox = sys.argv[1], sys.argv[2]
    home = tempfile.mkdtemp(prefix="qatutor-inbox-e2e-")
    out = tempfile.mkdtemp(prefix="qatutor-inbox-report-")
    desktop = session.Desktop()
    failures = []
    try:
        desktop.start()
        for name, assignment, steps in STUDENTS:
            work(desktop, qatutor, home, name, assignment, steps)
        folder = os.path.join(home, "kavrodel")
        status = subprocess.run([inbox, folder, "--out", out], capture_output=True, text=True)
        if status.returncode != 0:
            failures.append(f"qatutor-inbox exited with {status.returncode}: {status.stdout}{status.stderr}")
        # records.csv stands in the run's folder beside the report, report-DATE-TIME.
        runs = [name for name in os.listdir(out) if name.startswith("report-")]
        if len(runs) != 1:
            failures.append(f"expected one run's folder beside the report, found {runs}")
        # The table starts with a UTF-8 byte-order mark, for spreadsheets.
        with open(os.path.join(out, *runs[:1], "records.csv"), newline="",
                  encoding="utf-8-sig") as table:
            rows = list(csv.DictReader(table))
        for name, assignment, steps in STUDENTS:
            want = [expected for _, expected in steps if expected]
            got = [(row["question"], row["piece"], row["kind"], row["rating kind"], row["rating"], row["text"])
                   for row in rows if row["student"] == name]
            if got != want:
                failures.append(f"{name}:\n  expected {want}\n  got      {got}")
            if any(row["assignment"] != assignment.zfill(3) for row in rows if row["student"] == name):
                failures.append(f"{name}: records under another assignment than {assignment}")
    finally:
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)
        shutil.rmtree(out, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
