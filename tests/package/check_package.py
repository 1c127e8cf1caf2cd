#!/usr/bin/env python3
"""Checks the Debian package that CPack built, as a student's machine would meet it.

  - desktop-file-validate on each desktop entry, whose icon and program are in the package, and
    appstreamcli validate --no-net on each metainfo, whose releases name the version;
  - lintian: no error and no warning (a warning that is right to accept needs an override in the
    package, with its reason);
  - its files are exactly those of packaging/expected-files.txt, and Depends names Qt 6 and ICU;
  - unpacked with dpkg-deb -x into a temporary folder: the desktop entry's Exec line starts the
    unpacked qatutor in Xvfb (the end-to-end test's machinery), it goes through start-up to the
    window and quits; the unpacked qatutor-bankcheck checks the built-in bank and prints the
    version.

Usage: check_package.py BUILD-FOLDER EXPECTED-FILES VERSION [SCREENSHOT.png]
(the package is BUILD-FOLDER/qatutor_VERSION_ARCH.deb)
"""
import configparser
import glob
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import student_session as e2e  # noqa: E402  (the end-to-end test's X server machinery)

APP_ID = "io.github.qatutor.Tutor"
QT_LIBRARIES = ("libqt6core6", "libqt6gui6", "libqt6widgets6")


class Checks:
    def __init__(self):
        self.failures = 0

    def check(self, ok, what, detail=""):
        print(("ok     " if ok else "FAILED ") + what)
        if not ok:
            self.failures += 1
            if detail:
                print("       " + detail.rstrip().replace("\n", "\n       "))
        return ok


def output(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def package_files(deb):
    """The package's files and links, as absolute paths; folders are left out."""
    files = set()
    for line in output("dpkg-deb", "--contents", deb).stdout.splitlines():
        if line.startswith("d"):
            continue
        path = line.split(None, 5)[5].split(" -> ")[0]
        files.add(path[1:] if path.startswith("./") else path)
    return files


def expected_files(list_file):
    with open(list_file, encoding="utf-8") as f:
        lines = [line.strip() for line in f]
    return {line for line in lines if line and not line.startswith("#")}


def desktop_entry(path):
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(path, encoding="utf-8")
    return entry["Desktop Entry"]


def start_from_menu(checks, root, exec_line, screenshot):
    """Runs the desktop entry's Exec line against the unpacked programs, through start-up."""
    home = tempfile.mkdtemp(prefix="qatutor-package-")
    desktop = e2e.Desktop()
    program = None
    try:
        desktop.start()
        env = dict(desktop.env, HOME=home, PATH=os.path.join(root, "usr", "bin") + os.pathsep + os.environ["PATH"])
        command = [arg for arg in shlex.split(exec_line) if not arg.startswith("%")]
        found = shutil.which(command[0], path=env["PATH"])
        if not found or not found.startswith(root + os.sep):
            raise RuntimeError(f"{command[0]} is not a program of the package (found {found})")
        program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        e2e.answer_prompt(desktop, "Ann Lee")
        e2e.answer_prompt(desktop, "")
        e2e.answer_prompt(desktop, "1")
        window = desktop.wait_window("Form1")
        desktop.xdotool("windowactivate", "--sync", window)
        time.sleep(0.5)
        if screenshot:
            e2e.run("import", "-window", window, screenshot, env=desktop.env)
        e2e.click_control(desktop, desktop.client_origin(window), *e2e.QUIT)
        status = program.wait(timeout=10)
        master = os.path.join(home, "kavrodel", "masterFile_Ann_Lee.txt")
        checks.check(status == 0 and os.path.getsize(master) > 0,
                     f"the menu's command {exec_line!r} starts the unpacked qatutor through start-up "
                     "to its window, which writes the file header and quits",
                     f"exit status {status}; {program.stderr.read().decode(errors='replace')}")
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as error:
        checks.check(False, "the unpacked qatutor starts from the menu's command", str(error))
    finally:
        if program and program.poll() is None:
            program.kill()
        desktop.stop()
        shutil.rmtree(home, ignore_errors=True)


def main():
    folder, list_file, version = sys.argv[1:4]
    found = glob.glob(os.path.join(folder, f"qatutor_{version}_*.deb"))
    if len(found) != 1:
        print(f"expected one package qatutor_{version}_*.deb in {folder}, found {found}")
        return 1
    deb = found[0]
    screenshot = sys.argv[4] if len(sys.argv) > 4 else None
    checks = Checks()

    files = package_files(deb)
    expected = expected_files(list_file)
    checks.check(files == expected, "the package holds exactly the files of " + os.path.basename(list_file),
                 "".join(f"missing: {p}\n" for p in sorted(expected - files)) +
                 "".join(f"unexpected: {p}\n" for p in sorted(files - expected)))

    depends = output("dpkg-deb", "--field", deb, "Depends").stdout
    names = {item.split()[0] for group in depends.split(",") for item in group.split("|") if item.strip()}
    checks.check(all(lib in names for lib in QT_LIBRARIES), "Depends names the Qt 6 libraries", depends)
    checks.check(any(name.startswith("libicu") for name in names),
                 "Depends names ICU, which writes a student's name in Latin letters", depends)
    section = output("dpkg-deb", "--field", deb, "Section").stdout.strip()
    checks.check(section == "education", "the section is education", section)

    # --fail-on warning: an accepted warning is an override in the package, with its reason.
    lintian = output("lintian", "--fail-on", "error,warning", "--display-level", ">=warning", deb)
    checks.check(lintian.returncode == 0, "lintian reports no error and no warning", lintian.stdout + lintian.stderr)

    root = tempfile.mkdtemp(prefix="qatutor-unpacked-")
    try:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        share = os.path.join(root, "usr", "share")
        entries = sorted(glob.glob(os.path.join(share, "applications", "*.desktop")))
        checks.check(os.path.join(share, "applications", APP_ID + ".desktop") in entries,
                     f"the desktop entry {APP_ID}.desktop is installed", str(entries))
        for entry_path in entries:
            name = os.path.basename(entry_path)
            validate = output("desktop-file-validate", entry_path)
            checks.check(validate.returncode == 0 and not validate.stdout.strip(),
                         f"desktop-file-validate passes {name} clean", validate.stdout + validate.stderr)
            entry = desktop_entry(entry_path)
            icon = os.path.join(share, "icons", "hicolor", "scalable", "apps", entry["Icon"] + ".svg")
            # The tutor's entry names its icon by its application ID; the inbox shares that icon.
            checks.check(os.path.isfile(icon) and (name != APP_ID + ".desktop" or entry["Icon"] == APP_ID),
                         f"{name} names an icon the package installs (the tutor's by its application ID)",
                         entry["Icon"])
            program = shlex.split(entry["Exec"])[0]
            checks.check(os.path.isfile(os.path.join(root, "usr", "bin", program)),
                         f"{name} starts a program of the package", entry["Exec"])
        for metainfo in sorted(glob.glob(os.path.join(share, "metainfo", "*.metainfo.xml"))):
            name = os.path.basename(metainfo)
            appstream = output("appstreamcli", "validate", "--no-net", metainfo)
            checks.check(appstream.returncode == 0, f"appstreamcli validate --no-net reports no error in {name}",
                         appstream.stdout + appstream.stderr)
            with open(metainfo, encoding="utf-8") as f:
                checks.check(f'<release version="{version}"' in f.read(), f"the releases of {name} name {version}")

        bankcheck = os.path.join(root, "usr", "bin", "qatutor-bankcheck")
        result = output(bankcheck)
        checks.check(result.returncode == 0 and "no violation" in result.stdout,
                     "the unpacked qatutor-bankcheck checks the built-in bank", result.stdout + result.stderr)
        result = output(bankcheck, "--version")
        checks.check(result.stdout.strip() == f"qatutor-bankcheck {version}",
                     f"qatutor-bankcheck --version prints {version}", result.stdout)

        tutor = desktop_entry(os.path.join(share, "applications", APP_ID + ".desktop"))
        start_from_menu(checks, root, tutor["Exec"], screenshot)
    finally:
        shutil.rmtree(root, ignore_errors=True)

    print(f"{0 if checks.failures else 1} passed, {1 if checks.failures else 0} failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
