// qatutor-inbox: reads the students' send files and master files and writes one report.
//
//   qatutor-inbox FOLDER_OR_FILES... [--out DIR] [--class FILE] [--aliases FILE]
//   qatutor-inbox          (from the desktop menu) asks for the folder and the class list,
//                          writes the report there and opens it in the browser
// Exit status: 0 every file was read, 1 some were not or were read with damage (the report is
// written all the same), 2 a usage error or a report that could not be written.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "inbox/class_list.h"
#include "inbox/course_index.h"
#include "inbox/download_names.h"
#include "inbox/file_names.h"
#include "inbox/html.h"
#include "inbox/inbox.h"
#include "inbox/inbox_error.h"
#include "inbox/platform.h"
#include "inbox/run_inbox.h"

#ifdef QATUTOR_INBOX_DESKTOP
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QUrl>

#include "inbox/desktop_start.h"
#endif

namespace {

using namespace qatutor::inbox;

constexpr const char* helpText =
    "Usage: qatutor-inbox FOLDER_OR_FILES... [--out DIR] [--class FILE]\n"
    "                     [--aliases FILE]\n"
    "\n"
    "Reads the students' send files (send_MMDDname.txt) and master files\n"
    "(masterFile_name.txt) in the folders, files and .zip archives given, and\n"
    "writes report.html, the class at a glance (who has not handed in what, who\n"
    "struggles, the hard questions, a grid of students by assignment), into DIR,\n"
    "with a folder beside it, report-DATE-TIME, that holds the overview, the\n"
    "questions, records.csv and a page per student: by default into the folder\n"
    "given, or the folder of the .zip given, when it is the only argument, else\n"
    "the current folder. Files are only read, never changed; a file over 256 MB\n"
    "is not read.\n"
    "\n"
    "A course platform's download is read as it comes, as a folder or a .zip: a\n"
    "folder per person, files renamed with the platform's prefix, late and second\n"
    "attempts (the person's, by the name on the attempt's receipt); receipts,\n"
    "Thumbs.db and __MACOSX listed as not record files.\n"
    "\n"
    "  -o, --out DIR     write the report into DIR, an existing folder\n"
    "  -c, --class FILE  the class list, as a course platform exports it (CSV with\n"
    "                    a Name, Student or First name and Last name column, and\n"
    "                    an Aliases column if you like; or one name a line): the\n"
    "                    report says who has not handed in each assignment; a\n"
    "                    table without a column of names, and a list that names\n"
    "                    no student, are refused\n"
    "  -a, --aliases FILE\n"
    "                    the names that are one student: a student a line, the\n"
    "                    names separated by \"=\", the first the name the report\n"
    "                    shows (Ann Lee = Anne Lee = Lee Ann); lines that start\n"
    "                    with # are skipped\n"
    "  -h, --help        show this text\n"
    "\n"
    "A class list or aliases file may be UTF-8, UTF-16 (a spreadsheet's \"Unicode\n"
    "text\", tab separated) or Windows-1252.\n"
    "\n"
    "Without arguments (from the desktop menu) it asks for the folder and, if you\n"
    "like, the class list, writes the report there and opens it in the web browser.\n"
    "\n"
    "Exit status: 0 every file was read; 1 some files were not read, or read with\n"
    "damage (they are listed in the report, which is written all the same); 2 a\n"
    "usage error, or the report could not be written.\n";

// UTF-8 text for a terminal line: control characters (C0, DEL and C1), which a terminal would
// act on, written as escapes, and the backslash doubled so that no escape can be mistaken for
// text; but on Windows, where it separates the folders of every path shown, it stays as it is.
//   terminalText("a\x1b[31m\\") -> "a\\x1b[31m\\\\"     (Windows: "a\\x1b[31m\\")
std::string terminalText(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // U+0080 to U+009F, in UTF-8 0xC2 0x80 to 0xC2 0x9F
        const bool c1 =
            c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c == '\\' && pathSeparator != '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F || c1) {
            const unsigned value = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", value);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int usage(const std::string& message) {
    writeError("qatutor-inbox: " + terminalText(utf8Name(message)) +
               "\nTry 'qatutor-inbox --help'.\n");
    return usageError;
}

struct CommandLine {
    std::vector<std::string> inputs;
    std::string outputFolder;
    std::string classFile;  // the class list, if one is given
    std::optional<ClassList> classList;
    std::string aliasesFile;  // the names that are one student, if given
    AliasGroups aliases;
    bool help = false;
};

// The options that take a value: "--out DIR", "-o DIR" and "--out=DIR" alike.
struct ValueOption {
    std::string_view longName, shortName, needs;
    std::string CommandLine::*value;
};
constexpr ValueOption valueOptions[] = {
    {"--out", "-o", "a folder", &CommandLine::outputFolder},
    {"--class", "-c", "a file", &CommandLine::classFile},
    {"--aliases", "-a", "a file", &CommandLine::aliasesFile},
};

const ValueOption* valueOption(std::string_view argument) {
    for (const ValueOption& option : valueOptions)
        if (argument == option.longName || argument == option.shortName ||
            (argument.size() > option.longName.size() &&
             qatutor::startsWith(argument, option.longName) &&
             argument[option.longName.size()] == '='))
            return &option;
    return nullptr;
}

// Throws InboxError saying what is wrong with the command line.
CommandLine parseArguments(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            line.inputs.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
            return line;
        } else if (const ValueOption* option = valueOption(argument)) {
            std::string& value = line.*(option->value);
            if (argument.size() > option->longName.size())  // "--out=DIR"
                value = argument.substr(option->longName.size() + 1);
            else if (i + 1 >= arguments.size())
                throw InboxError(std::string(option->longName) + " needs " +
                                 std::string(option->needs));
            else
                value = arguments[++i];
        } else {
            throw InboxError("unknown option " + argument);
        }
    }
    return line;
}

// The folder given alone, or the folder of the archive given alone; else the current folder.
std::string defaultOutputFolder(const std::vector<std::string>& inputs) {
    if (inputs.size() != 1) return ".";
    if (isFolder(inputs[0])) return inputs[0];
    if (!isArchiveName(inputs[0])) return ".";
    const std::string folder = folderOf(inputs[0]);
    return folder.empty() ? "." : folder;
}

// Settles the output folder and reads the class list and the aliases; throws InboxError saying
// what is wrong with the folders and files named.
void checkPaths(CommandLine& line) {
    if (line.inputs.empty()) throw InboxError("no folder or file to read");
    for (const std::string& input : line.inputs)
        explained("cannot find " + input, [&] { checkFound(input); });
    if (line.outputFolder.empty()) line.outputFolder = defaultOutputFolder(line.inputs);
    if (!isFolder(line.outputFolder)) {
        explained("cannot find the output folder " + line.outputFolder,
                  [&] { checkFound(line.outputFolder); });
        throw InboxError("the output folder " + line.outputFolder + " is not a folder");
    }
    if (!line.classFile.empty())
        line.classList = explained("cannot read the class list " + line.classFile,
                                   [&] { return parseClassList(readWholeFile(line.classFile)); });
    if (!line.aliasesFile.empty())
        line.aliases = explained("cannot read the aliases file " + line.aliasesFile,
                                 [&] { return parseAliases(readWholeFile(line.aliasesFile)); });
}

void printRun(const InboxRun& run) {
    const Totals& t = run.totals;
    std::string text = "Read " + count(t.files, "file") + ": " + count(t.students, "student") +
                       ", " + count(t.responses, "response") + ", " + count(t.notes, "note") +
                       ".\n";
    for (const FileLine& line : run.notRead)
        text += "Not read: " + terminalText(line.name) + ": " + terminalText(line.reason) + "\n";
    for (const FileLine& line : run.damaged)
        text += "Read with damage: " + terminalText(line.name) + ": " + terminalText(line.reason) +
                "\n";
    // The run's folder is named by the run and goes when a later run writes its own, so only the
    // report's path, which stays, is printed.
    text += "Report: " + terminalText(utf8Name(run.reportPath)) +
            "\nThe records table (records.csv) and the students' pages are linked from it.\n";
    writeOutput(text);
}

int runFromCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    try {
        line = parseArguments(arguments);
        if (line.help) {
            writeOutput(helpText);
            return everyFileRead;
        }
        checkPaths(line);
    } catch (const InboxError& error) {
        return usage(error.what());
    }

    std::vector<InstructorsFile> instructors;
    if (line.classList) instructors.push_back({line.classFile, "the class list"});
    if (!line.aliasesFile.empty()) instructors.push_back({line.aliasesFile, "the aliases file"});
    const InboxRun run =
        runInbox(line.inputs, line.outputFolder, CourseIndex::builtIn(),
                 line.classList ? &*line.classList : nullptr, line.aliases, instructors);
    if (run.failure) {
        writeError(
            "qatutor-inbox: " + terminalText(utf8Name(run.failure->what())) + "\n" +
            (run.folderRefused ? "Write the report into another folder with --out DIR.\n" : ""));
        return reportNotWritten;
    }
    printRun(run);
    return exitStatusOf(run);
}

#ifdef QATUTOR_INBOX_DESKTOP
// The desktop's dialogs in Qt. A QString holds UTF-16 and gives and takes UTF-8 through
// toStdString and fromStdString: the inbox's paths on Windows, and on Linux the names of every
// folder named in UTF-8, as desktops name them; a folder whose name is not UTF-8 is not found.
class QtDesktop : public Desktop {
public:
    std::optional<std::string> chooseFolder() override {
        const QString folder = QFileDialog::getExistingDirectory(
            nullptr, QObject::tr("Folder of the students' send files"), QDir::homePath());
        if (folder.isEmpty()) return std::nullopt;
        return QDir::toNativeSeparators(folder).toStdString();
    }
    // Qt's own file dialog, whose Cancel button says Skip; a desktop's native one keeps its
    // Cancel, which skips the class list too.
    std::optional<std::string> chooseClassList(const std::string& folder,
                                               const std::string& suggested) override {
        QFileDialog dialog(nullptr, QObject::tr("Class list (optional: Skip if you have none)"),
                           QString::fromStdString(folder),
                           QObject::tr("Class lists (*.csv *.txt *.tsv);;All files (*)"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setLabelText(QFileDialog::Reject, QObject::tr("Skip"));
        if (!suggested.empty()) dialog.selectFile(QString::fromStdString(suggested));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
    }
    bool openInBrowser(const std::string& reportPath) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(reportPath)));
    }
    void showReportPlace(const std::string& reportPath) override {
        QMessageBox::information(nullptr, QObject::tr("Student records"),
                                 QObject::tr("The report is written to\n%1\nOpen it in your web "
                                             "browser.")
                                     .arg(QString::fromStdString(reportPath)));
    }
    void showError(const std::string& message) override {
        QMessageBox::critical(nullptr, QObject::tr("Student records"),
                              QString::fromStdString(message));
    }
};

// Started from the desktop menu: the folder and the class list come from dialogs and the report
// opens in the browser.
int runOnDesktop(int argc, char** argv) {
    leaveOwnConsole();
    QApplication app(argc, argv);
    QApplication::setApplicationName("qatutor-inbox");
    // The menu entry's name (the window's icon under Wayland) and the shared theme icon under X.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qatutor.Inbox"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.qatutor.Tutor")));
    QtDesktop desktop;
    return runFromDesktop(desktop, CourseIndex::builtIn());
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = commandLineArguments(argc, argv);
#ifdef QATUTOR_INBOX_DESKTOP
    // Without a display there is no dialog to ask in: no arguments is then a usage error.
    if (arguments.empty() && desktopAvailable()) return runOnDesktop(argc, argv);
#endif
    return runFromCommandLine(arguments);
}
