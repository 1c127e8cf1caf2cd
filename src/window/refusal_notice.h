// The notice that names the characters an input could not enter, and tells what the tutor did
// to the student's text. It wraps within its parent, and stays in sight at least six seconds and
// until the student's next key press or click after that; refusals in a row add to it, so a
// student who types several such characters one by one sees them all named.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <chrono>

namespace qatutor {

class RefusalNotice : public QLabel {
    Q_OBJECT
public:
    // How the notice finds its place: laid out by the parent's layout, or drawn over the bottom
    // of its parent (a text box), as wide as the parent's contents.
    enum class Placement { inLayout, overParentBottom };

    RefusalNotice(Placement placement, QWidget* parent);

    // Names `refused` (characters of one input) and shows the notice.
    void refuse(const QString& refused);
    // Shows `text` in place of whatever the notice said.
    void tell(const QString& text);

    // How long a notice stays in sight at least: six seconds; tests shorten it.
    static void setMinimumTimeInSight(std::chrono::milliseconds time);

    // The characters named now (empty when the notice is hidden).
    const QString& refusedCharacters() const { return refused_; }

signals:
    // The notice went out of sight; a dialog gives back the room it took.
    void gone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showText(const QString& text);
    void placeOverParentBottom();

    Placement placement_;
    QString refused_;
    bool hidePending_ = false;
    QElapsedTimer inSight_;  // since the notice last changed
};

}  // namespace qatutor
