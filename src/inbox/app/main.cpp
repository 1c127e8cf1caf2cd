// qatutor-inbox: reads the students' send files and master files and writes one report.
//
//   qatutor-inbox FOLDER_OR_FILES... [--out DIR]
//   qatutor-inbox          (from the desktop menu) asks for the folder, writes the report there
//                          and opens it in the browser
// Exit status: 0 every file was read, 1 some were not or were read with damage (the report is
// written all the same), 2 a usage error or a report that could not be written.
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
#include "inbox/path_text.h"
// Windows' C library has no lstat, and its narrow stat reads a name in the code page, not as the
// UTF-8 the inbox keeps: whether an input is there, and whether it is a folder, is all that is
// asked of it.
static int lstat(const char* path, struct stat* info) {
    struct _stat64 wide {};
    const int result = ::_wstat64(qatutor::inbox::pathOf(path).c_str(), &wide);
    info->st_mode = wide.st_mode;
    return result;
}
#endif

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "host/win32/system_text.h"
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
    "into DIR, with a folder beside it, report-DATE-TIME, that holds records.csv\n"
    "and a page per student: by default into the folder given, when it is the\n"
    "only argument, else the current folder. Files are only read, never changed;\n"
    "a file over 256 MB is not read.\n"
    "\n"
    "  -o, --out DIR   write the report into DIR, an existing folder\n"
    "  -h, --help      show this text\n"
    "\n"
    "Without arguments (from the desktop menu) it asks for the folder, writes the\n"
    "report there and opens it in the web browser.\n"
    "\n"
    "Exit status: 0 every file was read; 1 some files were not read, or read with\n"
    "damage (they are listed in the report, which is written all the same); 2 a\n"
    "usage error, or the report could not be written.\n";

bool isFolder(const std::string& path) {
    struct stat info {};
#ifdef _WIN32
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);  // Windows' has no links
#else
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

int usage(const std::string& message) {
    std::fprintf(stderr, "qatutor-inbox: %s\nTry 'qatutor-inbox --help'.\n",
                 terminalText(utf8Name(message)).c_str());
    return usageError;
}

int statusOf(const InboxRun& run) {
    if (!run.error.empty()) return usageError;
    return run.notRead.empty() && run.damaged.empty() ? everyFileRead : someFilesNotRead;
}

struct CommandLine {
    std::vector<std::string> inputs;
    std::string outputFolder;
    bool help = false;
    std::string mistake;  // a usage error
};

CommandLine parseArguments(int argc, char** argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            line.inputs.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
            return line;
        } else if (argument == "--out" || argument == "-o") {
            if (i + 1 >= argc)
                line.mistake = "--out needs a folder";
            else
                line.outputFolder = argv[++i];
        } else if (argument.rfind("--out=", 0) == 0) {
            line.outputFolder = argument.substr(6);
        } else {
            line.mistake = "unknown option " + argument;
        }
        if (!line.mistake.empty()) return line;
    }
    return line;
}

// What is wrong with the folders and files named, or nothing; settles the output folder.
std::string checkPaths(CommandLine& line) {
    if (line.inputs.empty()) return "no folder or file to read";
    for (const std::string& input : line.inputs) {
        struct stat info {};
        if (::lstat(input.c_str(), &info) != 0)
            return "cannot find " + input + ": " + std::strerror(errno);
    }
    if (line.outputFolder.empty())
        line.outputFolder =
            line.inputs.size() == 1 && isFolder(line.inputs[0]) ? line.inputs[0] : ".";
    if (!isFolder(line.outputFolder))
        return "the output folder " + line.outputFolder + " does not exist";
    return {};
}

void printRun(const InboxRun& run) {
    auto count = [](std::size_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    const Totals& t = run.totals;
    std::printf("Read %s: %s, %s, %s.\n", count(t.files, "file").c_str(),
                count(t.students, "student").c_str(), count(t.responses, "response").c_str(),
                count(t.notes, "note").c_str());
    for (const FileLine& line : run.notRead)
        std::printf("Not read: %s: %s\n", terminalText(line.name).c_str(),
                    terminalText(line.reason).c_str());
    for (const FileLine& line : run.damaged)
        std::printf("Read with damage: %s: %s\n", terminalText(line.name).c_str(),
                    terminalText(line.reason).c_str());
    std::printf("Report: %s\nRecords: %s\n", terminalText(utf8Name(run.reportPath)).c_str(),
                terminalText(utf8Name(run.csvPath)).c_str());
}

int runFromCommandLine(int argc, char** argv) {
    CommandLine line = parseArguments(argc, argv);
    if (line.help) {
        std::fputs(helpText, stdout);
        return everyFileRead;
    }
    if (line.mistake.empty()) line.mistake = checkPaths(line);
    if (!line.mistake.empty()) return usage(line.mistake);

    const InboxRun run = runInbox(line.inputs, line.outputFolder, CourseIndex::builtIn());
    if (!run.error.empty()) {
        std::fprintf(stderr, "qatutor-inbox: %s\n", terminalText(utf8Name(run.error)).c_str());
        return usageError;
    }
    printRun(run);
    return statusOf(run);
}

#ifdef QATUTOR_INBOX_DESKTOP
// Started from the desktop menu: the folder comes from a dialog and the report opens in the
// browser.
int runFromDesktop(int argc, char** argv) {
#ifdef _WIN32
    // Started from the Start menu, Windows gives the inbox a console window of its own, which
    // would only stand beside the dialogs; a command prompt's console it shares is left alone.
    DWORD consoleProcesses[2];
    if (GetConsoleProcessList(consoleProcesses, 2) == 1) FreeConsole();
#endif
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

#ifdef _WIN32
// Windows hands a program its arguments in the system's code page, which cannot hold every name
// ("C:\\Élèves" can, "C:\\Μαθηματικά" cannot); the inbox takes them from the wide command line
// instead, as UTF-8 like all its paths.
std::vector<std::string> utf8Arguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i) arguments.push_back(qatutor::win32::utf8(wide[i]));
    if (wide) ::LocalFree(wide);
    return arguments;
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    std::vector<std::string> arguments = utf8Arguments();
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    if (!arguments.empty()) {
        argc = static_cast<int>(arguments.size());
        argv = pointers.data();
    }
    ::SetConsoleOutputCP(CP_UTF8);  // the names in its messages are UTF-8 too
#endif
#ifdef QATUTOR_INBOX_DESKTOP
    // Without a display there is no dialog to ask in: no arguments is then a usage error.
    // Windows always has its desktop.
#ifdef _WIN32
    const bool display = true;
#else
    const bool display =
        std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
#endif
    if (argc == 1 && display) return runFromDesktop(argc, argv);
#endif
    return runFromCommandLine(argc, argv);
}
