// The notice that names the characters an input could not enter. It wraps within its parent,
// and stays until the student's next key press or click; refusals in a row add to it, so a
// student who types several such characters one by one sees them all named.
#pragma once

#include <QLabel>

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

    // The characters named now (empty when the notice is hidden).
    const QString& refusedCharacters() const { return refused_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeOverParentBottom();

    Placement placement_;
    QString refused_;
    bool hidePending_ = false;
};

}  // namespace qatutor
