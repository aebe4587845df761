// The program's start-up and its run, from the application's title to the
// end of the message loop.
#pragma once

namespace vr {

// Takes the title, creates the main window, then the About and splash
// windows (hidden), shows the main window and runs the message loop.
// Returns the process's exit code.
int RunApplication();

}  // namespace vr
