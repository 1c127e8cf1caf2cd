// Start-up from launch to the main window on screen, with the start-up dialogs answered by a
// script as soon as each is painted: the tutor itself, and its floor, a bare Qt program that
// shows the same dialogs and then a window with the same 29 widgets at the same places, with the
// same captions, fonts and scroll bars.
// Each prints "shown" once its main window has been painted, then quits.
#pragma once

namespace qatutor::bench {

int startupQatutor();
int startupFloor();

}  // namespace qatutor::bench
