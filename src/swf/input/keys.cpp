#include "swf/input/keys.h"

#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"

namespace swf::input {

namespace {
// Buttons inside sprites inside buttons: deep enough for any real movie.
constexpr int kMaxKeyNesting = 32;

void collectKeyButtons(stage::MovieClip& clip, int code,
                       std::vector<std::pair<stage::MovieClip*, QByteArray>>& out, int nesting) {
    if (nesting > kMaxKeyNesting) return;
    for (const auto& [depth, child] : clip.children()) {
        if (child->character() && child->character()->kind == movie::CharacterKind::Button) {
            const auto& button = static_cast<const movie::ButtonCharacter&>(*child->character()).button;
            for (const format::ButtonAction& action : button.actions)
                if (action.keyCode && action.keyCode == code) out.emplace_back(&clip, action.actions);
        } else if (stage::MovieClip* inner = child->asClip()) {
            collectKeyButtons(*inner, code, out, nesting + 1);
        }
    }
}
} // namespace

int buttonKeyCode(int keyCode, int ascii) {
    switch (keyCode) {
    case 37:
        return 1; // left
    case 39:
        return 2; // right
    case 36:
        return 3; // home
    case 35:
        return 4; // end
    case 45:
        return 5; // insert
    case 46:
        return 6; // delete
    case 8:
        return 8; // backspace
    case 13:
        return 13; // enter
    case 38:
        return 14; // up
    case 40:
        return 15; // down
    case 33:
        return 16; // page up
    case 34:
        return 17; // page down
    case 9:
        return 18; // tab
    case 27:
        return 19; // escape
    default:
        return ascii >= 32 && ascii < 128 ? ascii : 0;
    }
}

std::vector<std::pair<stage::MovieClip*, QByteArray>> keyButtonActions(stage::MovieClip& root, int code) {
    std::vector<std::pair<stage::MovieClip*, QByteArray>> out;
    if (code) collectKeyButtons(root, code, out, 0);
    return out;
}

} // namespace swf::input
