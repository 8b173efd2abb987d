// The transport and view commands of the main window, acting on the play window's control.
#pragma once

class Form1;

namespace commands {

// Play, pause, stop, step back and step forward by the window's frameStep (index 0 to 4).
void transport(Form1& window, int index);

} // namespace commands
