// The question and answer boxes: multi-line, word-wrapped, a vertical scroll bar only.
//
// Every text the tutor reads from a box is exactly what the box shows, in Windows-1252. A
// character that Windows-1252 cannot hold (the Greek pi, a square-root sign) is refused the moment
// it is typed or pasted, the rest of the input is kept, and the student is told which character
// was refused and why.
#pragma once

#include <QPlainTextEdit>
#include <string>

namespace qatutor {

class TextBoxWidget : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBoxWidget(QWidget* parent = nullptr);

    std::string bytes() const;
    void setBytes(const std::string& text);

    // The last notice shown for refused characters (empty before any).
    const QString& lastRefusalNotice() const { return lastRefusalNotice_; }

signals:
    void charactersRefused(const QString& notice);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // The part of `text` that can be entered; tells the student about the rest.
    QString acceptable(const QString& text);

    QString lastRefusalNotice_;
};

// The notice for refused characters, e.g. for "π": the character "π" (U+03C0) ...
QString refusalNotice(const QString& refused);

}  // namespace qatutor
