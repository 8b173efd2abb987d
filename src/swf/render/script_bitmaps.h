// Script-drawn pixels (BitmapData) as pictures the painter can draw.
#pragma once

#include "swf/raster/pixels.h"

#include <QImage>

namespace swf::render {

// A picture over the surface's own memory: valid while the surface stays unchanged, which
// holds for the length of one drawing. Null for a disposed surface.
QImage pictureOf(const raster::Pixels& pixels);

} // namespace swf::render
