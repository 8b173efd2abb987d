// The area an instance covers in its own coordinates (twips), as _width, _height and
// getBounds measure it.
#pragma once

#include "swf/stage/display_object.h"

#include <QRectF>

#include <optional>

namespace swf::stage {

// The box a video stream's pictures are scaled into: its declared size from the origin.
QRectF videoBox(const movie::VideoCharacter& video);

// Nothing when the instance draws nothing.
std::optional<QRectF> localBounds(const DisplayObject& object);

} // namespace swf::stage
