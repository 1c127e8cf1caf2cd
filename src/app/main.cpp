// qatutor: the question-and-answer tutor for "Liberal Arts Mathematics II".
#include <QApplication>
#include <QIcon>

#include "bank/bank_source.h"
#include "host/host.h"
#include "host/local_host.h"
#include "window/accessibility.h"
#include "window/main_window.h"
#include "window/message_boxes.h"

int main(int, char* argv[]) {
    // The tutor has no command line, and Qt's own options (-reverse, -qwindowtitle,
    // -qwindowgeometry, ...) would change its fixed window: Qt is handed the program name only.
    // Qt's environment variables (QT_QPA_PLATFORM, QT_SCALE_FACTOR) still apply.
    int qtArgumentCount = 1;
    char* qtArguments[] = {argv[0], nullptr};
    QApplication app(qtArgumentCount, qtArguments);
    QApplication::setApplicationName(QStringLiteral("qatutor"));
    qatutor::installAccessibility();
    // The desktop entry's name: under Wayland the window takes its icon from it; under plain X the
    // installed theme icon is set on the window directly.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qatutor.Tutor"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.qatutor.Tutor")));

    const std::vector<qatutor::BankPiece>* bank = nullptr;
    try {
        bank = &qatutor::builtInBank();
    } catch (const qatutor::TutorError& error) {
        qatutor::showError(QString::fromUtf8(error.what()), nullptr);
        return 1;
    }
    qatutor::MainWindow window(qatutor::userHomeFolder());
    if (!window.start(*bank)) return window.exitCode();
    window.show();
    return QApplication::exec();
}
