// Keys over buttons: buttons that listen for a key (a key-press transition) answer it
// wherever the pointer is.
#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace swf::stage {
class MovieClip;
}

namespace swf::input {

// The code a button's key-press transition uses for a key: the arrows and editing keys
// below 20, characters by their code; 0 for a key no button can listen for. keyCode is the
// Key class's code (Key.LEFT is 37), ascii the character typed.
int buttonKeyCode(int keyCode, int ascii);

// The actions of every button under root that listens for code, each with the timeline the
// button stands in, in stage order.
std::vector<std::pair<stage::MovieClip*, QByteArray>> keyButtonActions(stage::MovieClip& root, int code);

} // namespace swf::input
