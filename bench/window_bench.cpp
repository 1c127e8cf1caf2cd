#include "window_bench.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "bank/bank_source.h"
#include "bench_support.h"
#include "host/path_mapping.h"
#include "records/startup.h"
#include "window/control_table.h"
#include "window/main_window.h"
#include "window/qt_host.h"
#include "window/text_box.h"

namespace qatutor::bench {
namespace {

char programName[] = "qatutor-bench";
char* arguments[] = {programName, nullptr};
int argumentCount = 1;

// The tutor's window after a scripted start-up (Ann Lee, default folder, assignment 2), shown.
class TutorWindow {
public:
    TutorWindow() : window_(home_.path()) {
        window_.setErrorReporter([](const QString& message) {
            std::fprintf(stderr, "qatutor-bench: %s\n", qPrintable(message));
            std::_Exit(2);
        });
        window_.host().setPromptAnswerer([](const std::string& prompt) -> std::string {
            if (prompt == namePrompt) return "Ann Lee";
            if (prompt == folderChoicePrompt) return "";
            if (prompt == assignmentPrompt) return "2";
            return "2";  // a rating
        });
        if (!window_.start(builtInBank())) std::_Exit(2);
        showAndWait(window_);
    }

    MainWindow& window() { return window_; }
    void click(const char* name) { window_.findChild<QPushButton*>(QLatin1String(name))->click(); }
    std::string local(const std::string& programPath) const {
        return localPath(programPath, home_.path());
    }

private:
    TempHome home_;
    MainWindow window_;
};

// A bare window with two plain text boxes where the tutor's question and answer boxes stand.
class FloorWindow {
public:
    FloorWindow() : question_(&window_), answer_(&window_) {
        window_.resize(clientWidthTwips / twipsPerPixel, clientHeightTwips / twipsPerPixel);
        place(question_, controlTable[0]);
        place(answer_, controlTable[1]);
        showAndWait(window_);
    }
    QPlainTextEdit& question() { return question_; }
    QPlainTextEdit& answer() { return answer_; }
    std::string file(const char* name) const { return home_.path() + "/" + name; }

private:
    static void place(QWidget& box, const ControlPlace& at) {
        box.setGeometry(at.left / twipsPerPixel, at.top / twipsPerPixel, at.width / twipsPerPixel,
                        at.height / twipsPerPixel);
    }
    TempHome home_;
    QWidget window_;
    QPlainTextEdit question_;
    QPlainTextEdit answer_;
};

// The bytes as a text of the same length for a bare box, CR LF as a line break.
QString shown(const std::string& bytes) {
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void settle() {
    for (int i = 0; i < 2; ++i) QCoreApplication::processEvents();
}

}  // namespace

int displaySend(bool tutor, int megabytes, int runs) {
    QApplication app(argumentCount, arguments);
    const std::string bytes = sendFileText(static_cast<std::size_t>(megabytes) * megabyte);
    const std::string name = "display SEND file, " + std::to_string(megabytes) + " MB";
    if (tutor) {
        TutorWindow tutorWindow;
        MainWindow& window = tutorWindow.window();
        writeWholeFile(tutorWindow.local(window.session().sendFilePath), bytes);
        for (int run = 0; run <= runs; ++run) {
            window.questionBox()->setBytes("");
            settle();
            const auto start = Clock::now();
            tutorWindow.click("cmd_displayCumulativeText");
            if (run > 0) report(name, millisecondsSince(start));  // the first run warms up
        }
    } else {
        FloorWindow floor;
        writeWholeFile(floor.file("send.txt"), bytes);
        const QString text = shown("\r\n" + bytes);
        for (int run = 0; run <= runs; ++run) {
            floor.question().setPlainText(QString());
            settle();
            const auto start = Clock::now();
            floor.question().setPlainText(text);
            if (run > 0) report(name, millisecondsSince(start));
        }
    }
    return 0;
}

int recordCommand(bool tutor, bool notes, int megabytes, int runs) {
    QApplication app(argumentCount, arguments);
    const std::string text = typedText(static_cast<std::size_t>(megabytes) * megabyte);
    const std::string name = std::string(notes ? "Save as Notes, " : "Enter Response, ") +
                             std::to_string(megabytes) + " MB: ";
    if (tutor) {
        TutorWindow tutorWindow;
        MainWindow& window = tutorWindow.window();
        tutorWindow.click("cmdNextQuestion");
        for (int run = 0; run <= runs; ++run) {
            window.answerBox()->setBytes(text);
            settle();
            std::optional<Clock::time_point> recorded;
            // The command empties the question box only after its record is on stable storage.
            const auto connection =
                QObject::connect(window.questionBox(), &QPlainTextEdit::textChanged, [&] {
                    if (!recorded) recorded = Clock::now();
                });
            const auto start = Clock::now();
            tutorWindow.click(notes ? "cmd_save_as_notes" : "cmd_enter_response");
            const double click = millisecondsSince(start);
            QObject::disconnect(connection);
            if (!recorded) throw std::runtime_error("the command did not empty the question box");
            if (run > 0) {
                report(name + "record",
                       std::chrono::duration<double, std::milli>(*recorded - start).count());
                report(name + "whole click", click);
            }
        }
    } else {
        FloorWindow floor;
        const QString boxText = shown(text);
        const std::string master = plainRecord(text, notes, true);
        const std::string other = plainRecord(text, notes, false);
        for (int run = 0; run <= runs; ++run) {
            floor.question().setPlainText(
                QStringLiteral("`q001.  How many ways are there to choose 2 of 5 books?"));
            floor.answer().setPlainText(boxText);
            settle();
            const auto start = Clock::now();
            appendDurably(floor.file("master.txt"), master);
            appendDurably(floor.file("send.txt"), other);
            if (notes) appendDurably(floor.file("notes.txt"), other);
            const double record = millisecondsSince(start);
            floor.question().setPlainText(QString());
            floor.answer().setPlainText(QString());
            if (run > 0) {
                report(name + "record", record);
                report(name + "whole click", millisecondsSince(start));
            }
        }
    }
    return 0;
}

int nextWithFullBox(bool tutor, int megabytes, int runs) {
    QApplication app(argumentCount, arguments);
    const std::string text = typedText(static_cast<std::size_t>(megabytes) * megabyte);
    const std::string name = "Next, " + std::to_string(megabytes) + " MB in the answer box";
    if (tutor) {
        TutorWindow tutorWindow;
        MainWindow& window = tutorWindow.window();
        tutorWindow.click("cmdNextQuestion");
        const int cursor = window.session().lineCursor;
        const std::string question = window.questionBox()->bytes();
        for (int run = 0; run <= runs; ++run) {
            window.session().lineCursor = cursor;
            window.session().resetAnswerBox = true;
            window.questionBox()->setBytes(question);
            window.answerBox()->setBytes(text);
            settle();
            const auto start = Clock::now();
            tutorWindow.click("cmdNextQuestion");
            if (run > 0) report(name, millisecondsSince(start));
        }
    } else {
        FloorWindow floor;
        const QString boxText = shown(text);
        const QString question = shown(std::string(builtInBankSource().substr(0, 300)));
        const QString piece = shown(std::string(builtInBankSource().substr(300, 300)));
        const QString prompt = shown(answerPromptText);
        for (int run = 0; run <= runs; ++run) {
            floor.question().setPlainText(question);
            floor.answer().setPlainText(boxText);
            settle();
            const auto start = Clock::now();
            floor.answer().setPlainText(prompt);
            floor.question().setPlainText(floor.question().toPlainText() + piece);
            if (run > 0) report(name, millisecondsSince(start));
        }
    }
    return 0;
}

}  // namespace qatutor::bench
