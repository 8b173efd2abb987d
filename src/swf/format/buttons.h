// DefineButton and DefineButton2: the characters each state shows. Actions are kept raw
// for the script layer.
#pragma once

#include "swf/format/control_tags.h"
#include "swf/format/records.h"

#include <vector>

namespace swf::format {

enum ButtonState : quint8 { ButtonUp = 0x01, ButtonOver = 0x02, ButtonDown = 0x04, ButtonHitTest = 0x08 };

struct ButtonRecord {
    quint8 states = 0;
    quint16 characterId = 0;
    int depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;
    BlendMode blendMode = BlendMode::Normal;
    std::vector<Filter> filters;
};

// The pointer's passages over a button, as a button's conditions name them.
enum ButtonTransition : quint16 {
    IdleToOverUp = 0x001,
    OverUpToIdle = 0x002,
    OverUpToOverDown = 0x004,
    OverDownToOverUp = 0x008,
    OverDownToOutDown = 0x010,
    OutDownToOverDown = 0x020,
    OutDownToIdle = 0x040,
    IdleToOverDown = 0x080,
    OverDownToIdle = 0x100,
};

// Actions run when any of the transitions happens, or when the key is pressed (0: none).
struct ButtonAction {
    quint16 transitions = 0;
    quint8 keyCode = 0;
    QByteArray actions;
};

struct ButtonDefinition {
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    // DefineButton's one list runs on release; DefineButton2 holds a list per condition.
    std::vector<ButtonAction> actions;
};

// A button whose condition list is broken keeps the conditions before the break, and says so
// in problem.
bool readButton(io::Reader& reader, int buttonVersion, ButtonDefinition& out, QString& problem);
// DefineButtonCxform: the colour transform for every record of a DefineButton.
bool readButtonColorTransform(io::Reader& reader, ColorTransform& out);

} // namespace swf::format
