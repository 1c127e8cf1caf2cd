// qatutor-inbox: reads the students' send files and master files and writes one report.
//
//   qatutor-inbox FOLDER_OR_FILES... [--out DIR]
//   qatutor-inbox          (from the desktop menu) asks for the folder, writes the report there
//                          and opens it in the browser
// Exit status: 0 every file was read, 1 some were not (the report is written all the same),
// 2 a usage error or a report that could not be written.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/run_inbox.h"

#ifdef _WIN32
// Windows' C library has no lstat; whether an input is there is all that is asked of it.
static int lstat(const char* path, struct stat* info) { return ::stat(path, info); }
#endif

#ifdef QATUTOR_INBOX_DESKTOP
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QUrl>
#endif

namespace {

using namespace qatutor::inbox;

constexpr int everyFileRead = 0;
constexpr int someFilesNotRead = 1;
constexpr int usageError = 2;

constexpr const char* helpText =
    "Usage: qatutor-inbox FOLDER_OR_FILES... [--out DIR]\n"
    "\n"
    "Reads the students' send files (send_MMDDname.txt) and master files\n"
    "(masterFile_name.txt) in the folders and files given, and writes report.html\n"
    "and records.csv into DIR: by default the folder given, when it is the only\n"
    "argument, else the current folder. Files are only read, never changed.\n"
    "\n"
    "  -o, --out DIR   write the report into DIR, an existing folder\n"
    "  -h, --help      show this text\n"
    "\n"
    "Without arguments (from the desktop menu) it asks for the folder, writes the\n"
    "report there and opens it in the web browser.\n"
    "\n"
    "Exit status: 0 every file was read; 1 some files were not read (they are\n"
    "listed in the report, which is written all the same); 2 a usage error, or the\n"
    "report could not be written.\n";

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int usage(const std::string& message) {
    std::fprintf(stderr, "qatutor-inbox: %s\nTry 'qatutor-inbox --help'.\n", message.c_str());
    return usageError;
}

int statusOf(const InboxRun& run) {
    if (!run.error.empty()) return usageError;
    return run.notRead.empty() ? everyFileRead : someFilesNotRead;
}

int runFromCommandLine(int argc, char** argv) {
    std::vector<std::string> inputs;
    std::string outputFolder;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            inputs.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            std::fputs(helpText, stdout);
            return everyFileRead;
        } else if (argument == "--out" || argument == "-o") {
            if (i + 1 >= argc) return usage("--out needs a folder");
            outputFolder = argv[++i];
        } else if (argument.rfind("--out=", 0) == 0) {
            outputFolder = argument.substr(6);
        } else {
            return usage("unknown option " + argument);
        }
    }
    if (inputs.empty()) return usage("no folder or file to read");
    for (const std::string& input : inputs) {
        struct stat info {};
        if (::lstat(input.c_str(), &info) != 0)
            return usage("cannot find " + input + ": " + std::strerror(errno));
    }
    if (outputFolder.empty())
        outputFolder = inputs.size() == 1 && isFolder(inputs[0]) ? inputs[0] : ".";
    if (!isFolder(outputFolder))
        return usage("the output folder " + outputFolder + " does not exist");

    const InboxRun run = runInbox(inputs, outputFolder, CourseIndex::builtIn());
    if (!run.error.empty()) {
        std::fprintf(stderr, "qatutor-inbox: %s\n", run.error.c_str());
        return usageError;
    }
    auto count = [](std::size_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    std::printf("Read %s: %s, %s, %s.\n", count(run.filesRead, "file").c_str(),
                count(run.students, "student").c_str(), count(run.responses, "response").c_str(),
                count(run.notes, "note").c_str());
    for (const FileLine& line : run.notRead)
        std::printf("Not read: %s: %s\n", line.name.c_str(), line.reason.c_str());
    std::printf("Report: %s\nRecords: %s\n", run.reportPath.c_str(), run.csvPath.c_str());
    return statusOf(run);
}

#ifdef QATUTOR_INBOX_DESKTOP
// Started from the desktop menu: the folder comes from a dialog and the report opens in the
// browser.
int runFromDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("qatutor-inbox");
    // The menu entry's name (the window's icon under Wayland) and the shared theme icon under X.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qatutor.Inbox"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.qatutor.Tutor")));
    const QString folder = QFileDialog::getExistingDirectory(
        nullptr, QObject::tr("Folder of the students' send files"), QDir::homePath());
    if (folder.isEmpty()) return everyFileRead;
    const std::string local = QFile::encodeName(folder).toStdString();
    const InboxRun run = runInbox({local}, local, CourseIndex::builtIn());
    if (!run.error.empty()) {
        QMessageBox::critical(nullptr, QObject::tr("Student records"),
                              QObject::tr("The report could not be written:\n%1")
                                  .arg(QString::fromLocal8Bit(run.error.c_str())));
        return usageError;
    }
    const QString report = QFile::decodeName(run.reportPath.c_str());
    // Without a browser to open it in, the instructor is still told where the report went.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(report)))
        QMessageBox::information(
            nullptr, QObject::tr("Student records"),
            QObject::tr("The report is written to\n%1\nOpen it in your web browser.").arg(report));
    return statusOf(run);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef QATUTOR_INBOX_DESKTOP
    // Without a display there is no dialog to ask in: no arguments is then a usage error.
    const bool display =
        std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
    if (argc == 1 && display) return runFromDesktop(argc, argv);
#endif
    return runFromCommandLine(argc, argv);
}
