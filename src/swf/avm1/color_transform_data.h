// The numbers a flash.geom.ColorTransform holds, for the host that applies them to clips.
#pragma once

#include "swf/avm1/machine.h"

#include <array>

namespace swf::avm1 {

class ColorTransformData : public NativeData {
  public:
    // red, green, blue, alpha multipliers, then the offsets in the same order.
    std::array<double, 8> values{1, 1, 1, 1, 0, 0, 0, 0};
    void forEachReference(const std::function<void(Object*)>&) const override {}
};

// The numbers of a ColorTransform object, or nullptr for anything else.
const ColorTransformData* colorTransformData(const Value& value);

} // namespace swf::avm1
