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

struct ButtonDefinition {
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    QByteArray actions;  // DefineButton: one action list; DefineButton2: the condition list
};

bool readButton(io::Reader& reader, int buttonVersion, ButtonDefinition& out, QString& problem);
// DefineButtonCxform: the colour transform for every record of a DefineButton.
bool readButtonColorTransform(io::Reader& reader, ColorTransform& out);

}  // namespace swf::format
