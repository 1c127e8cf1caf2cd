// qatutor: the question-and-answer tutor for "Liberal Arts Mathematics II".
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "bank/bank_source.h"
#include "host/host.h"
#include "host/local_host.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qatutor"));
    // The desktop entry's name: under Wayland the window takes its icon from it; under plain X the
    // installed theme icon is set on the window directly.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qatutor.Tutor"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.qatutor.Tutor")));

    const std::vector<qatutor::BankPiece>* bank = nullptr;
    try {
        bank = &qatutor::builtInBank();
    } catch (const qatutor::TutorError& error) {
        QMessageBox::critical(nullptr, QStringLiteral("qatutor"), QString::fromUtf8(error.what()));
        return 1;
    }
    qatutor::MainWindow window(qatutor::userHomeFolder());
    if (!window.start(*bank)) return window.exitCode();
    window.show();
    return QApplication::exec();
}
