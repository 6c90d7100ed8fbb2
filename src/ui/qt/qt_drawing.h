// How the Qt window's pixels reach the screen.
#pragma once

namespace corvantis {

// Call before the QApplication is made. On X11 the window's pixels then go to the X server
// through its socket, not through shared memory (MIT-SHM): with shared memory, each repaint
// of a region drawn before first waits for a round trip to the server (so that it has read
// the last image), which wakes the program twice more for every redraw of the running clock,
// whereas the few kilobytes of a clock's line cost nothing to copy. An environment that
// already chooses (QT_XCB_NO_MITSHM set) is left as it is; other platforms ignore it.
void PreferSocketDrawing();

}  // namespace corvantis
