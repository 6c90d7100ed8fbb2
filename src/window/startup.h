// The window's load handler: the one pass that fills, restores and opens everything.
#pragma once

namespace corvantis {

class Window;
struct Services;
class WindowHost;

// Runs once, before any other event or timer tick. Every action is trapped: a failure
// abandons that action, is reported by a critical message box (unless numbered 126), and
// start-up goes on with the next action, so one bad setting costs one message and leaves
// only its own control unrestored. The control reactions that restoring sets off run nested
// inside the step that sets them off.
void Form_Load(Window& w, Services& s, WindowHost& host);

}  // namespace corvantis
