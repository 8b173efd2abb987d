// What BitmapData's methods do to pixels, apart from how scripts name their arguments.
#pragma once

#include "swf/raster/pixels.h"

#include <array>
#include <optional>

namespace swf::raster {

void fillRect(Pixels& pixels, const Rect& rect, std::uint32_t argb);
// Fills the 4-connected area of the start pixel's colour; false when nothing changed.
bool floodFill(Pixels& pixels, int x, int y, std::uint32_t argb);
void scroll(Pixels& pixels, int dx, int dy);

struct CopySource {
    const Pixels* pixels = nullptr;
    Rect rect;
    const Pixels* alpha = nullptr; // its alpha channel scales the source's, when given
    int alphaX = 0, alphaY = 0;
    bool mergeAlpha = false;
};
void copyPixels(Pixels& target, const CopySource& source, int toX, int toY);

// Multipliers then offsets for red, green, blue and alpha, applied to straight colours.
void colorTransform(Pixels& pixels, const Rect& rect, const std::array<double, 8>& transform);

// The difference picture of two surfaces of one size, or nullopt when they are equal.
std::optional<Pixels> compare(const Pixels& a, const Pixels& b);

// hitTest: whether any pixel of area (in the surface's space) has at least that alpha.
bool hitsArea(const Pixels& pixels, const Rect& area, int minimumAlpha);
// Two surfaces placed at their points: whether an overlapping pixel hits in both. A fully
// transparent pixel never hits.
bool hitsSurface(const Pixels& first, int firstX, int firstY, int firstThreshold, const Pixels& second,
                 int secondX, int secondY, int secondThreshold);

// pixelDissolve: copies numPixels + 1 pixels of area (in source coordinates) from source,
// or fills them with colour when source is null or the target itself, in an order that visits every pixel of
// the area once; the walk starts at seed and the answer is where the next call should start.
int pixelDissolve(Pixels& target, const Pixels* source, const Rect& area, int toX, int toY, int seed,
                  int numPixels, std::uint32_t argb);

} // namespace swf::raster
