// The placement properties every display object shows scripts: _x, _y, _xscale, _yscale,
// _rotation, _alpha, _visible, _name, _width and _height. Clips and text fields read and
// write them through this one table, so the same value gives the same result on either.
#pragma once

#include "swf/avm1/value.h"

#include <QString>

#include <optional>

namespace swf::avm1 {
class Machine;
}
namespace swf::stage {
class DisplayObject;
struct ScriptScale;
} // namespace swf::stage

namespace swf::script {

enum class PlacementProperty { X, Y, XScale, YScale, Rotation, Alpha, Visible, Name, Width, Height };

// By name in any case; nothing for a name that is not one of them.
std::optional<PlacementProperty> placementProperty(const QString& name);

// Scale and rotation as scripts see them: as a script last set them, else from the matrix.
stage::ScriptScale scaleOf(const stage::DisplayObject& object);

avm1::Value readPlacement(const stage::DisplayObject& object, PlacementProperty property);
// Converts value as the property takes it: a number that is NaN leaves a number property as
// it was. A text field's _width and _height size its box; a clip's scale it.
void writePlacement(stage::DisplayObject& object, PlacementProperty property, const avm1::Value& value,
                    avm1::Machine& machine);

} // namespace swf::script
