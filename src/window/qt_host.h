// The host on the desktop: the window's boxes, pictures and timer, the prompt dialog, the
// clipboard, the beep and the local clock, on top of the local file channels.
#pragma once

#include <functional>

#include "host/local_host.h"

class QTimer;
class QWidget;

namespace qatutor {

class PictureBoxWidget;
class TextBoxWidget;

struct WindowParts {
    QWidget* dialogParent;
    TextBoxWidget* question;
    TextBoxWidget* answer;
    PictureBoxWidget* picture1;
    PictureBoxWidget* picture2;
    QTimer* circleTimer;
};

class QtHost : public LocalHost {
public:
    // `homeFolder` and `driveFolder` as for LocalHost.
    QtHost(std::string homeFolder, std::string driveFolder, WindowParts parts);

    std::string prompt(const std::string& text) override;
    std::string promptName(const std::string& text) override;
    std::string promptFolder(const std::string& text) override;
    std::string boxText(TextBox box) override;
    void setBoxText(TextBox box, const std::string& text) override;
    std::string dateText() override;
    std::string timeText() override;
    float secondsSinceMidnight() override;
    void beep() override;
    void setPictureScale(PictureBox box, double width, double height) override;
    void drawCircle(PictureBox box, double centreX, double centreY, double radius) override;
    void copyPictureToClipboard(PictureBox box) override;
    void pastePictureFromClipboard(PictureBox box) override;
    void enableTimer() override;
    void showMessage(const std::string& text) override;
    [[noreturn]] void endProgram() override;

    // For tests: answers prompts instead of the dialog when set (a folder reply in UTF-8).
    void setPromptAnswerer(std::function<std::string(const std::string&)> answerer) {
        promptAnswerer_ = std::move(answerer);
    }
    // For tests: takes messages instead of the message box when set.
    void setMessageTaker(std::function<void(const std::string&)> taker) {
        messageTaker_ = std::move(taker);
    }

private:
    TextBoxWidget* widget(TextBox box) const;
    PictureBoxWidget* widget(PictureBox box) const;
    QWidget* promptParent() const;

    WindowParts parts_;
    std::function<std::string(const std::string&)> promptAnswerer_;
    std::function<void(const std::string&)> messageTaker_;
};

}  // namespace qatutor
