// The transport commands of the main window, acting on the play window's control.
#pragma once

#include <QtGlobal>

#include <optional>

class ShockwaveFlash;

namespace commands {

// Play, pause, stop, step back and step forward by frameStep (index 0 to 4). Returns whether
// the main window's status timer runs from now on; nullopt for an index that is no command.
std::optional<bool> transport(ShockwaveFlash& control, int index, qint32 frameStep);

} // namespace commands
