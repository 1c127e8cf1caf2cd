// The main window's controls, in tab order, with their places in twips (1/1440 inch) from the
// top-left corner of the client area. The window draws them at 15 twips to a pixel.
#pragma once

#include <array>
#include <string_view>

namespace qatutor {

enum class ControlKind { textBox, multiLineTextBox, commandButton, pictureBox, label, listBox };

struct ControlPlace {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;  // caption or initial text
    int left, top, width, height;
    std::string_view
        purpose;  // the accessible description; the name of a control without a caption
};

inline constexpr int twipsPerPixel = 15;
inline constexpr int clientWidthTwips = 10875;
inline constexpr int clientHeightTwips = 8490;
inline constexpr int circleTimerMilliseconds = 15;

extern const std::array<ControlPlace, 29> controlTable;

}  // namespace qatutor
