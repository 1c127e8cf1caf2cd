#!/usr/bin/env python3
"""The inbox report in a real browser.

Three students' sessions are written by the tutor's own code (inbox_sessions), an empty file is
added, qatutor-inbox writes the report, and headless Chromium loads it from the disk. The test
reads the rendered pages (--dump-dom) and checks the first page's grid of students by assignment
and their figures, the overview's figures on the overview page the first page links to, that each
student's page is linked from the overview and holds their responses, that the hardest question
links to its row on the questions' page, that a response holding a <script> element shows it as
text and adds no script element, that in a window of 800 px the grid and the overview fit and no
date breaks, and that a screenshot can be taken.

usage: report_in_browser.py QATUTOR_INBOX INBOX_SESSIONS [SCREENSHOT.png]
"""
import html.parser
import re
import os
import shutil
import subprocess
import sys
import tempfile

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]

# What the scripted students did (see inbox_sessions): the overview must show these figures.
EXPECTED_OVERVIEW = {
    ("Ann Lee", "003"): {"answered": "3 of 13", "responses": "6", "notes": "1", "confidence": "2.0",
                         "self-critique": "2.7", "low": "1", "missing": "4, 5, 6, 7, 8, 9, 10, 11, 12, 13"},
    ("Bob Stone", "003"): {"answered": "2 of 13", "responses": "4", "notes": "0", "confidence": "1.0",
                           "self-critique": "0.0", "low": "2 1 rating missing or not 0 to 3",
                           "missing": "3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13"},
    ("Chloé Martin", "001"): {"answered": "1 of 14", "responses": "2", "notes": "0", "confidence": "3.0",
                              "self-critique": "2.0", "low": "0",
                              "missing": "2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14"},
}
# The first page's grid: each person's cells (assignments 001 and 003) and figures across them.
EXPECTED_GRID = {
    "Ann Lee": ["–", "3/13", "0", "6", "2.0", "17%"],
    "Bob Stone": ["–", "2/13", "0", "4", "1.0", "67%"],
    "Chloé Martin": ["1/14", "–", "0", "2", "3.0", "0%"],
}
# The hardest question: assignment 3's question 3, rated 1 and its answer 3 (Ann), half of its
# ratings 0 or 1; question 2 has one of three, question 1 one of four.
HARDEST = "q003-3"
# The page's first line: files read (the empty file is not), students, responses, notes.
EXPECTED_COUNTS = {"count-files": "4", "count-students": "3", "count-responses": "12", "count-notes": "1"}
SCRIPT_RESPONSE = "<script>alert('hello')</script> 10*9*8*7 / 24 = 5040 / 24 = 210"


class Page(html.parser.HTMLParser):
    """The overview rows, the grid rows, the response texts and every element name of the
    rendered page, and the links it holds."""

    def __init__(self):
        super().__init__()
        self.elements = []
        self.rows = []          # per overview row: {cell class: text}
        self.grid = []          # per grid row: [name, cell texts...]
        self.hrefs = []         # every link
        self.ids = set()        # every element's id
        self.links = []         # per overview row: the link of the student's name
        self.texts = []         # the text of every response and note
        self.not_read = []
        self.counts = {}
        self._count = None
        self._cell = None
        self._in_text = 0
        self._in_not_read = False
        self._item = None

    def handle_starttag(self, tag, attrs):
        self.elements.append(tag)
        classes = (dict(attrs).get("class") or "").split()
        if dict(attrs).get("id"):
            self.ids.add(dict(attrs)["id"])
        if tag == "a":
            self.hrefs.append(dict(attrs).get("href", ""))
        if tag == "tr" and "person" in classes:
            self.grid.append([])
        elif tag == "td" and self.grid and self._cell is None and not self.rows:
            self._cell = "grid"
            self.grid[-1].append("")
        if tag == "span" and (dict(attrs).get("id") or "").startswith("count-"):
            self._count = dict(attrs)["id"]
            self.counts[self._count] = ""
        if tag == "tr" and "work" in classes:
            self.rows.append({})
        elif tag == "a" and self._cell == "student":
            self.links.append(dict(attrs).get("href", ""))
        elif tag == "td" and self.rows and self._cell is None and len(self.rows[-1]) < 11 and classes:
            self._cell = classes[-1]
            self.rows[-1][self._cell] = ""
        elif tag == "div" and "text" in classes:
            self._in_text = 1
            self.texts.append("")
        elif self._in_text and tag == "div":
            self._in_text += 1
        elif tag == "ul" and dict(attrs).get("id") == "not-read":
            self._in_not_read = True
        elif tag == "li" and self._in_not_read:
            self._item = ""

    def handle_endtag(self, tag):
        if tag == "span":
            self._count = None
        if tag == "td":
            self._cell = None
        elif tag == "div" and self._in_text:
            self._in_text -= 1
        elif tag == "ul":
            self._in_not_read = False
        elif tag == "li" and self._item is not None:
            self.not_read.append(self._item)
            self._item = None

    def handle_data(self, data):
        if self._count:
            self.counts[self._count] += data
        if self._cell == "grid":
            self.grid[-1][-1] += data
        elif self._cell is not None:
            self.rows[-1][self._cell] += data
        if self._in_text:
            self.texts[-1] += data
        if self._item is not None:
            self._item += data


def chromium(*arguments):
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if not browser:
        sys.exit("FAIL: chromium is not installed (Debian package chromium)")
    with tempfile.TemporaryDirectory() as profile:
        run = subprocess.run([browser, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *arguments],
                             capture_output=True, timeout=120)
    if run.returncode != 0:
        sys.exit(f"FAIL: chromium ended with {run.returncode}: {run.stderr.decode(errors='replace')[-2000:]}")
    return run.stdout.decode("utf-8")


# Measures the layout in a copy of a page, with a script that writes what it measured into the
# page (the page itself allows no script): the width of the grid (report.html) or the overview
# (overview.html) against its box, and the dates that broke over two lines.
MEASURE = """<script>window.onload = function () {
  var box = document.querySelector('#overview .scroll, #grid .scroll'), table = box && box.querySelector('table');
  var broken = Array.from(document.querySelectorAll('.date')).filter(function (d) {
    return d.getClientRects().length > 1 || d.offsetHeight > 1.6 * parseFloat(getComputedStyle(d).lineHeight); });
  var out = document.createElement('pre');
  out.id = 'measured';
  out.textContent = [table ? table.scrollWidth : -1, box ? box.clientWidth : -1,
                     document.documentElement.scrollWidth, broken.length].join(' ');
  document.body.appendChild(out); };</script>"""


def layout_at(report, width):
    """(table width, its box's width, page width, dates broken) in a window `width` px wide."""
    with open(report, encoding="utf-8") as page:
        text = page.read()
    text = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', "", text).replace("</body>", MEASURE + "</body>")
    copy = os.path.join(os.path.dirname(report), "measured.html")
    with open(copy, "w", encoding="utf-8") as page:
        page.write(text)
    dom = chromium(f"--window-size={width},1000", "--virtual-time-budget=3000", "--dump-dom", "file://" + copy)
    os.remove(copy)
    found = re.search(r'<pre id="measured">([-0-9 ]+)</pre>', dom)
    return tuple(int(n) for n in found.group(1).split()) if found else None


def main():
    inbox, sessions = sys.argv[1], sys.argv[2]
    screenshot_out = sys.argv[3] if len(sys.argv) > 3 else None
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sessions, folder], check=True)
        open(os.path.join(folder, "empty.txt"), "wb").close()
        status = subprocess.run([inbox, folder], capture_output=True).returncode
        if status != 1:
            failures.append(f"exit status {status} with a file not read, expected 1")
        report = os.path.join(folder, "report.html")

        page = Page()
        page.feed(chromium("--dump-dom", "file://" + report))
        grid = {" ".join(row[0].split()): [" ".join(cell.split()) for cell in row[1:]] for row in page.grid}
        if grid != EXPECTED_GRID:
            failures.append(f"grid {grid}, expected {EXPECTED_GRID}")
        if page.counts != EXPECTED_COUNTS:
            failures.append(f"counts {page.counts}, expected {EXPECTED_COUNTS}")
        if page.rows:
            failures.append("report.html itself holds the overview's rows; they belong on the overview page")
        # The overview and the questions are pages of the run's folder that the first page links to.
        detail = {}
        for name in ("overview.html", "questions.html"):
            links = [link for link in page.hrefs if re.fullmatch(r"report-[-0-9]+/" + name, link)]
            target = os.path.join(folder, links[0]) if links else ""
            if not links or not os.path.isfile(target):
                failures.append(f"report.html links to no {name} in the run's folder: {page.hrefs}")
                continue
            detail[name] = target
        questions = Page()
        if "questions.html" in detail:
            questions.feed(chromium("--dump-dom", "file://" + detail["questions.html"]))
            hard = [link for link in page.hrefs if "questions.html#" in link]
            if not hard or hard[0].split("#")[1] != HARDEST or HARDEST not in questions.ids:
                failures.append(f"the hardest question links to {hard[:1]}, expected #{HARDEST} on questions.html")
            if "../report.html" not in questions.hrefs:
                failures.append("questions.html does not link back to ../report.html")
        overview_page = Page()
        if "overview.html" in detail:
            overview_page.feed(chromium("--dump-dom", "file://" + detail["overview.html"]))
            if "../report.html" not in overview_page.hrefs:
                failures.append("overview.html does not link back to ../report.html")
        overview = {(row.get("student", "").strip(), row.get("assignment", "").strip()): row
                    for row in overview_page.rows}
        if set(overview) != set(EXPECTED_OVERVIEW):
            failures.append(f"overview rows {sorted(overview)}, expected {sorted(EXPECTED_OVERVIEW)}")
        for key, cells in EXPECTED_OVERVIEW.items():
            row = overview.get(key, {})
            for name, want in cells.items():
                got = " ".join(row.get(name, "").split())
                if got != want:
                    failures.append(f"{key} {name}: {got!r}, expected {want!r}")
        # Each student's page, linked from their row, holds their responses.
        pages = {}
        run_folder = os.path.dirname(detail.get("overview.html", report))
        for (student, _), link in zip(overview, overview_page.links):
            target = os.path.join(run_folder, link.split("#")[0])
            if "/" in link or not os.path.isfile(target):
                failures.append(f"{student}: the overview links to {link!r}, not to a page in the run's folder")
                continue
            if target not in pages:
                pages[target] = Page()
                pages[target].feed(chromium("--dump-dom", "file://" + target))
                with open(target, encoding="utf-8") as source:
                    if "Content-Security-Policy\" content=\"default-src 'none'" not in source.read():
                        failures.append(f"{student}'s page has not the report's Content-Security-Policy")
        for name, target in detail.items():
            with open(target, encoding="utf-8") as source:
                if "Content-Security-Policy\" content=\"default-src 'none'" not in source.read():
                    failures.append(f"{name} has not the report's Content-Security-Policy")
        texts = [text for student_page in pages.values() for text in student_page.texts]
        elements = page.elements + overview_page.elements + questions.elements + \
            [e for student_page in pages.values() for e in student_page.elements]
        if len(pages) != 3 or len(texts) != 13:
            failures.append(f"{len(pages)} students' pages with {len(texts)} responses and notes, expected 3 and 13")
        if page.texts or overview_page.texts:
            failures.append("report.html or overview.html holds responses; they belong on the students' pages")
        if "script" in elements:
            failures.append("a rendered page holds a script element")
        if SCRIPT_RESPONSE not in texts:
            failures.append("the response with <script> is not shown as typed")
        if "3 × 4 × 2 = 24 outfits." not in texts:
            failures.append("the Windows-1252 multiplication sign is not shown")

        for what, measured_page in (("grid", report), ("overview", detail.get("overview.html"))):
            measured = layout_at(measured_page, 800) if measured_page else None
            if not measured:
                failures.append(f"the layout of the {what} could not be measured")
                continue
            table, box, width, broken = measured
            if table > box or width > 800 or table < 0:
                failures.append(f"at 800 px the {what} is {table} px wide in a box of {box} px (page {width} px)")
            if broken:
                failures.append(f"at 800 px {broken} dates of the {what} break over two lines")
        if not any(line.startswith("empty.txt") for line in page.not_read):
            failures.append(f"empty.txt is not in the list of files not read: {page.not_read}")

        shot = os.path.join(folder, "report.png")
        chromium(f"--screenshot={shot}", "--window-size=1280,1600", "--hide-scrollbars", "file://" + report)
        with open(shot, "rb") as png:
            header = png.read(24)
        if header[:8] != b"\x89PNG\r\n\x1a\n" or int.from_bytes(header[16:20], "big") != 1280:
            failures.append("no screenshot of the report")
        elif screenshot_out:
            shutil.copyfile(shot, screenshot_out)

    for failure in failures:
        print("FAIL:", failure)
    if failures:
        sys.exit(1)
    print("report checked in Chromium: grid, overview, questions, students' pages, escaping, files not read, 800 px, "
          "screenshot")


if __name__ == "__main__":
    main()
