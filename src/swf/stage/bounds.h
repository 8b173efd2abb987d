// The area an instance covers in its own coordinates (twips), as _width, _height and
// getBounds measure it.
#pragma once

#include "swf/stage/display_object.h"

#include <QRectF>

#include <optional>

namespace swf::stage {

// Nothing when the instance draws nothing.
std::optional<QRectF> localBounds(const DisplayObject& object);

} // namespace swf::stage
