#pragma once

// Ends the process with `status` at once when the application runs on Wayland; returns at once
// elsewhere. Called after everything of the program's own is saved and closed, in place of the
// QApplication teardown that would follow: Qt 6.4's Wayland client can deadlock there (the
// display's destructor waits for its event thread, which waits for a read that no thread will
// do), and the window, closed on screen, would stay a process forever. The compositor cleans up
// after a connection that closes with the process as after any client that ends. X11 keeps its
// teardown, in which the clipboard is handed to the desktop's clipboard manager.
void ExitBeforeWaylandTeardown(int status);
