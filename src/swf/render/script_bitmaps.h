// Bitmaps as pictures the painter can draw: script-drawn pixels (BitmapData), and a bitmap
// widened by its edge pixels for clipped fills.
#pragma once

#include "swf/raster/pixels.h"

#include <QImage>
#include <QRectF>

namespace swf::render {

// A picture over the surface's own memory: valid while the surface stays unchanged, which
// holds for the length of one drawing. Null for a disposed surface.
QImage pictureOf(const raster::Pixels& pixels);

// A clipped bitmap fill repeats its edge pixels outward. The rim is as wide as the area the
// shape reaches beyond the bitmap (in bitmap pixels), up to kMaxRim on each side.
struct EdgeWidening {
    static constexpr int kMaxRim = 2048;
    int left = 0, top = 0, right = 0, bottom = 0;

    static EdgeWidening around(const QSize& size, const QRectF& reach);
    QImage apply(const QImage& image) const;
};

} // namespace swf::render
