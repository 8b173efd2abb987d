// Blend modes: an object with one is drawn into a layer of its own, then composited onto
// what lies beneath with the mode's arithmetic.
#pragma once

#include "swf/format/control_tags.h"

#include <QImage>
#include <QPainter>

namespace swf::render {

// Whether drawing with mode needs a layer (Normal does not).
bool needsLayer(format::BlendMode mode);
// Composites layer (premultiplied, its top left corner at the device's point at) onto
// painter's device. insideLayer tells whether painter draws into an enclosing layer, which
// Alpha and Erase need to act on.
void compositeLayer(QPainter& painter, const QImage& layer, QPoint at, format::BlendMode mode,
                    bool insideLayer);

} // namespace swf::render
