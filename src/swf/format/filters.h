// The filter records PlaceObject3 and DefineButton2 carry, decoded for drawing.
#pragma once

#include "swf/format/control_tags.h"

#include <QColor>

#include <optional>

namespace swf::format {

struct BlurParameters {
    double blurX = 0, blurY = 0; // box size in pixels
    int passes = 1;
};

// Drop shadow and glow (a glow is a shadow at distance 0).
struct ShadowFilter {
    QColor color;
    BlurParameters blur;
    double angle = 0;    // radians
    double distance = 0; // pixels
    double strength = 1;
    bool inner = false, knockout = false;
};

struct DecodedFilter {
    enum class Kind { Blur, Shadow, Unsupported } kind = Kind::Unsupported;
    BlurParameters blur;
    ShadowFilter shadow;
};

DecodedFilter decodeFilter(const Filter& filter);

} // namespace swf::format
