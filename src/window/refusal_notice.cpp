#include "window/refusal_notice.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QTimer>

#include "window/accessibility.h"
#include "window/plain_spelling.h"

namespace qatutor {
namespace {

std::chrono::milliseconds minimumTimeInSight{6000};

}  // namespace

void RefusalNotice::setMinimumTimeInSight(std::chrono::milliseconds time) {
    minimumTimeInSight = time;
}

RefusalNotice::RefusalNotice(Placement placement, QWidget* parent)
    : QLabel(parent), placement_(placement) {
    setObjectName(QStringLiteral("refusalNotice"));
    setWordWrap(true);
    setFrameShape(QFrame::Box);
    setMargin(4);
    setAutoFillBackground(true);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
    hide();
    qApp->installEventFilter(this);
}

void RefusalNotice::refuse(const QString& refused) {
    // A refusal right after one still shown adds to it; after anything else it starts afresh.
    if (isHidden()) refused_.clear();
    const auto codePoints = refused.toUcs4();
    for (char32_t c : codePoints) {
        const QString character = QString::fromUcs4(&c, 1);
        if (!refused_.contains(character)) refused_ += character;
    }
    showText(refusalNotice(refused_));
}

void RefusalNotice::tell(const QString& text) {
    refused_.clear();
    showText(text);
}

void RefusalNotice::showText(const QString& text) {
    hidePending_ = false;
    setText(text);
    if (placement_ == Placement::overParentBottom) placeOverParentBottom();
    announce(this);
    show();
    raise();
    inSight_.start();
}

void RefusalNotice::placeOverParentBottom() {
    // Over a text box, the notice covers the bottom of the text and leaves its scroll bar free.
    const auto* scrollArea = qobject_cast<QAbstractScrollArea*>(parentWidget());
    const QRect area =
        scrollArea ? scrollArea->viewport()->geometry() : parentWidget()->contentsRect();
    const int height = std::min(heightForWidth(area.width()), area.height());
    setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
}

bool RefusalNotice::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!isHidden() && !hidePending_ &&
        (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) &&
        std::chrono::milliseconds(inSight_.elapsed()) >= minimumTimeInSight) {
        // Hidden once the press has been handled, unless that press was refused as well.
        hidePending_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!hidePending_) return;
            hidePending_ = false;
            refused_.clear();
            hide();
            emit gone();
        });
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace qatutor
