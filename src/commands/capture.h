// Copying a screen rectangle to the clipboard as a picture.
#pragma once

namespace commands {

// Copies the screen rectangle to the clipboard, replacing its contents. Parts off the
// screen come out black. Where the platform cannot read the screen nothing changes.
void ScrnCap(int left, int top, int right, int bottom);

} // namespace commands
