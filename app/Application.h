#pragma once

// Starts the program: the start-up step, then the main window, then the
// event loop until the window closes. Returns the exit status.
int RunKalvinora(int argc, char* argv[]);
