// qatutor: the question-and-answer tutor for "Liberal Arts Mathematics II".
#include <QApplication>

#include "bank/bank_source.h"
#include "host/local_host.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qatutor"));
    QApplication::setQuitOnLastWindowClosed(true);

    qatutor::MainWindow window(qatutor::userHomeFolder());
    if (!window.start(qatutor::builtInBank())) return window.exitCode();
    window.show();
    return QApplication::exec();
}
