#!/usr/bin/env python3
"""Remakes the pictures of the class in the instructor's guide (docs/images/inbox-report.png,
inbox-grid.png and inbox-questions.png) from a real report.

A class of fourteen students works through six assignments with the tutor's own code
(inbox_sessions --every-assignment); each student's send files are handed out as a course
platform's "download all submissions" does, one .zip per assignment with a folder per person, and
a class list is exported beside them. qatutor-inbox reads the downloads with the class list, and
headless Chromium takes the pictures of the report's pages.

    scripts/make-inbox-pictures.py [--build build-test] [--out docs/images]

Needs: chromium and ImageMagick (Debian packages), and qatutor-inbox and inbox_sessions built
(./test.sh builds both). Look at every picture before committing them.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--hide-scrollbars"]
STUDENTS = ["Ann Lee", "Bruno Costa", "Chloé Martin", "Dara Okafor", "Emil Novak", "Fatima Aziz",
            "Gus Brand", "Hana Sato", "Ivo Petrov", "Jun Park", "Lena Roth", "Mia Costa", "Nils Berg",
            "Omar Haddad"]
ASSIGNMENTS = 6
CLOSING = b"." * 49 + b"\r\n"
ABILITY = [2.6, 2.2, 2.8, 1.0, 2.4, 1.6, 2.5, 2.0, 1.4, 2.7, 0.9, 2.3, 2.1, 1.8]
DIFFICULTY = [0.0, 0.2, 0.9, 0.1, 0.0, 1.4, 0.3, 0.0, 0.6, 0.2, 0.0, 0.4, 1.0, 0.1, 0.0, 0.2, 0.7]


def work_of(student, assignment, session, rng):
    """The send file one student handed in for one assignment, or None for nothing."""
    if (student * 5 + assignment) % 11 == 0:
        return None
    data = session
    if (student + assignment) % 6 == 0:  # stopped part of the way through
        ends = [m.end() for m in re.finditer(re.escape(b"\r\n" + CLOSING), data)]
        data = data[:ends[min(len(ends) - 1, 4 + student % 5)]]
    # Each rating as this student might give it: their own ease with the course, less the
    # question's difficulty, give or take one.
    ease = ABILITY[student % len(ABILITY)]
    ratings = iter(range(10**6))

    def rating(match):
        question = next(ratings) // 2 + assignment  # a confidence and a self-critique a question
        value = round(ease - DIFFICULTY[question % len(DIFFICULTY)] + rng.choice((-1, 0, 0, 1)))
        return match.group(1) + str(max(0, min(3, value))).encode()
    return re.sub(rb"(assessment: +)([0-3])", rating, data)


def make_downloads(sessions, downloads):
    """One platform .zip per assignment: "Ann Lee_1000_assignsubmission_file_/send_1101Ann_Lee.txt",
    the person with another identity in each download, as platforms give them."""
    rng = random.Random(49)
    for assignment in range(1, ASSIGNMENTS + 1):
        day = f"11{assignment:02d}"
        with open(os.path.join(sessions, f"send_{day}Every_Piece.txt"), "rb") as source:
            session = source.read()
        archive = os.path.join(downloads, f"LAM II-Assignment {assignment}-48213.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as download:
            for student, name in enumerate(STUDENTS):
                data = work_of(student, assignment, session, rng)
                if data is not None:
                    folder = f"{name}_{1000 * assignment + student}_assignsubmission_file_"
                    download.writestr(f"{folder}/send_{day}{name.replace(' ', '_')}.txt", data)


def chromium(*arguments):
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        sys.exit("make-inbox-pictures: needs chromium (Debian package chromium)")
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run([browser, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *arguments],
                       check=True, capture_output=True, timeout=120)


def picture(page, out, width, height, crop=None):
    """A picture of `page` in a window `width` x `height`, cut to `crop` ("WxH+X+Y") if given."""
    chromium(f"--screenshot={out}", f"--window-size={width},{height}", "file://" + page)
    arguments = ["convert", out] + (["-crop", crop, "+repage"] if crop else []) + \
        ["-define", "png:exclude-chunk=date,time", out]
    subprocess.run(arguments, check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--build", default=os.path.join(root, "build-test"))
    parser.add_argument("--out", default=os.path.join(root, "docs", "images"))
    options = parser.parse_args()
    inbox = os.path.join(options.build, "qatutor-inbox")
    sessions_program = os.path.join(options.build, "tests", "inbox", "inbox_sessions")
    with tempfile.TemporaryDirectory(prefix="instructor-") as work:
        sessions = os.path.join(work, "sessions")
        downloads = os.path.join(work, "Downloads")
        os.mkdir(sessions)
        os.mkdir(downloads)
        subprocess.run([sessions_program, sessions, "--every-assignment"], check=True, capture_output=True)
        make_downloads(sessions, downloads)
        class_list = os.path.join(work, "class list.csv")
        with open(class_list, "w", encoding="utf-8", newline="\r\n") as out:
            out.write("First name,Last name,Email address\n")
            for name in STUDENTS + ["Pia Lund"]:
                given, family = name.split(" ")
                out.write(f"{given},{family},{given.lower()}@example.edu\n")
        run = subprocess.run([inbox, downloads, "--class", class_list], capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f"make-inbox-pictures: qatutor-inbox ended with {run.returncode}: {run.stderr}")
        report = os.path.join(downloads, "report.html")
        run_folder = next(os.path.join(downloads, name) for name in os.listdir(downloads)
                          if name.startswith("report-"))
        picture(report, os.path.join(options.out, "inbox-report.png"), 1100, 1500)
        # The grid section as the report draws it, without the sections above it.
        with open(report, encoding="utf-8") as page:
            grid_only = page.read().replace("</head>", "<style>body > :not(#grid) { display: none }</style></head>")
        grid_page = os.path.join(downloads, "grid.html")
        with open(grid_page, "w", encoding="utf-8") as page:
            page.write(grid_only)
        picture(grid_page, os.path.join(options.out, "inbox-grid.png"), 1100, 640)
        picture(os.path.join(run_folder, "questions.html"), os.path.join(options.out, "inbox-questions.png"),
                1100, 900)
    print("made", ", ".join(f"inbox-{name}.png" for name in ("report", "grid", "questions")),
          "in", options.out)


if __name__ == "__main__":
    main()
