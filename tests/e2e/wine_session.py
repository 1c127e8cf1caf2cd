#!/usr/bin/env python3
"""The Windows installer and a student's session with the installed tutor, under Wine in Xvfb.

Installs qatutor silently (/S) into a fresh Wine prefix, checks what the installer put in place
(the programs in the user's own programs folder, the Start-menu entries, the uninstaller), starts
the installed tutor and works the same session as student_session.py (answer the three prompts,
Next, type a response, enter it with a rating, Next, save a note, quit), typing and clicking as a
student would. The record files in Wine's c:\\kavrodel must hold the same bytes as that session's
on Linux, and the installed qatutor-inbox.exe must read them without damage. Last, the
uninstaller (/S) removes the program and leaves the record files alone.

Wine starts slowly: every wait is generous but bounded, and the Wine server is stopped at the end
whatever happened.

usage: wine_session.py INSTALLER.exe WORK_FOLDER
(WORK_FOLDER receives the Wine prefix and the screenshot wine-session.png.)
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import student_session as session  # noqa: E402  (the X server helpers and the expected records)

WINE_START = 180  # seconds for Wine to start a program's first window in a fresh prefix


def wine_env(desktop, prefix):
    return dict(desktop.env, WINEPREFIX=prefix, WINEDEBUG="-all",
                WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d")


def wine_wait(env, timeout):
    """Waits until every program in the prefix has ended."""
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)


def installed_paths(prefix):
    """Where a per-user install puts the programs and the Start-menu entries."""
    user = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local"))
    user = [path for path in user if "Public" not in path]
    if not user:
        raise RuntimeError("the Wine prefix has no user folder")
    profile = os.path.dirname(os.path.dirname(user[0]))
    programs = os.path.join(profile, "AppData", "Local", "Programs", "qatutor")
    menu = os.path.join(profile, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                        "Programs", "qatutor")
    return programs, menu


# What the installer must put in place (True) and the uninstaller take away (False).
INSTALLED = [
    ("programs", "qatutor.exe"), ("programs", "qatutor-inbox.exe"),
    ("programs", "qatutor-bankcheck.exe"), ("programs", "Qt6Widgets.dll"),
    ("programs", os.path.join("platforms", "qwindows.dll")), ("programs", "Uninstall.exe"),
    ("menu", "qatutor.lnk"), ("menu", "qatutor Inbox.lnk"), ("menu", "Uninstall qatutor.lnk"),
]


def check_installed(prefix, expected):
    programs, menu = installed_paths(prefix)
    folders = {"programs": programs, "menu": menu}
    return [f"{'missing' if expected else 'left behind'}: {os.path.join(folders[where], name)}"
            for where, name in INSTALLED
            if os.path.exists(os.path.join(folders[where], name)) != expected]


def student_session(desktop, env, tutor, screenshot):
    """Ann Lee's session; returns the tutor's exit status."""
    program = subprocess.Popen(["wine", tutor], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        desktop.wait_window("qatutor", timeout=WINE_START)
        for reply in ("Ann Lee", "", "1"):
            session.answer_prompt(desktop, reply)
        window = desktop.wait_window("Form1", timeout=60)
        desktop.xdotool("windowactivate", "--sync", window)
        time.sleep(1)
        origin = desktop.client_origin(window)

        session.click_control(desktop, origin, *session.NEXT)         # question 001
        session.click_control(desktop, origin, *session.ANSWER_BOX)
        desktop.key("ctrl+a")
        desktop.type_line("Twelve")
        desktop.key("Return")
        desktop.type_line("times two")
        session.click_control(desktop, origin, *session.ENTER_RESPONSE)
        session.answer_prompt(desktop, "2")                           # confidence
        desktop.wait_window("Form1", timeout=30)
        desktop.xdotool("windowactivate", "--sync", window)
        time.sleep(0.5)
        session.click_control(desktop, origin, *session.NEXT)         # its answer
        session.click_control(desktop, origin, *session.ANSWER_BOX)
        desktop.type_line("my note")
        session.run("import", "-window", "root", screenshot, env=desktop.env)
        session.click_control(desktop, origin, *session.SAVE_AS_NOTES)
        session.click_control(desktop, origin, *session.QUIT)
        return program.wait(timeout=60)
    finally:
        if program.poll() is None:
            program.kill()


def compare_records(prefix, question_line, answer_line):
    folder = os.path.join(prefix, "drive_c", "kavrodel")
    date = time.strftime("%m%d")
    master, send, note = session.expected_files(question_line, answer_line)
    failures = []
    for name, expected in (("masterFile_Ann_Lee.txt", master), (f"send_{date}Ann_Lee.txt", send),
                           ("notes_Ann_Lee.txt", note)):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            failures.append(f"no record file {name} in c:\\kavrodel")
            continue
        data = open(path, "rb").read()
        masked = session.masked(data) if not name.startswith("notes") else \
            session.TIME.sub(b"HH:MM:SS", session.DATE.sub(b"MM-DD-YYYY", data))
        if masked != expected:
            failures.append(f"{name} differs:\n  expected {expected!r}\n  actual   {masked!r}")
    return failures


def read_with_inbox(env, inbox, prefix):
    """The installed inbox reads c:\\kavrodel into a report of its own; returns the failures."""
    os.makedirs(os.path.join(prefix, "drive_c", "report"), exist_ok=True)
    result = subprocess.run(["wine", inbox, "C:\\kavrodel", "--out", "C:\\report"], env=env,
                            capture_output=True, text=True, timeout=120)
    failures = []
    if result.returncode != 0 or "Read 2 files: 1 student, 1 response, 1 note." not in result.stdout:
        failures.append(f"the inbox exited with {result.returncode}: {result.stdout}{result.stderr}")
    if not os.path.exists(os.path.join(prefix, "drive_c", "report", "report.html")):
        failures.append("the inbox wrote no report.html")
    return failures


def main():
    installer, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    prefix = os.path.join(work, "wine-session-prefix")
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(prefix)
    desktop = session.Desktop()
    env = None
    failures = []
    try:
        desktop.start()
        env = wine_env(desktop, prefix)
        subprocess.run(["wineboot", "--init"], env=env, capture_output=True, timeout=WINE_START)
        wine_wait(env, WINE_START)
        subprocess.run(["wine", installer, "/S"], env=env, capture_output=True, timeout=WINE_START)
        wine_wait(env, WINE_START)
        failures += check_installed(prefix, True)
        programs, _ = installed_paths(prefix)
        if not failures:
            # The course's texts the records quote, from the installed checker.
            dump = [json.loads(line) for line in session.run(
                "wine", os.path.join(programs, "qatutor-bankcheck.exe"), "--dump",
                env=env).splitlines()]
            question_line = dump[3]["text"].encode("cp1252")
            answer_line = dump[5]["text"][2:].encode("cp1252")
            screenshot = os.path.join(work, "wine-session.png")
            status = student_session(desktop, env, os.path.join(programs, "qatutor.exe"), screenshot)
            if status != 0:
                failures.append(f"qatutor exited with {status}")
            failures += compare_records(prefix, question_line, answer_line)
            failures += read_with_inbox(env, os.path.join(programs, "qatutor-inbox.exe"), prefix)
            subprocess.run(["wine", os.path.join(programs, "Uninstall.exe"), "/S"], env=env,
                           capture_output=True, timeout=WINE_START)
            wine_wait(env, WINE_START)
            failures += check_installed(prefix, False)
            if not os.path.exists(os.path.join(prefix, "drive_c", "kavrodel", "masterFile_Ann_Lee.txt")):
                failures.append("uninstalling took the record files with it")
    except (RuntimeError, subprocess.TimeoutExpired, OSError) as error:
        failures.append(f"{type(error).__name__}: {error}")
    finally:
        if env:
            subprocess.run(["wineserver", "-k"], env=env, check=False)
        desktop.stop()
    for failure in failures:
        print(f"Windows session: {failure}")
    print("Windows session: " + ("passed" if not failures else f"{len(failures)} failures"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
