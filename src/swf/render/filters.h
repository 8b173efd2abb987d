// Filters applied to an object drawn into a layer of its own: blur, drop shadow, glow.
// Sizes are in stage pixels and scale with the view, as the reference player does.
#pragma once

#include "swf/format/filters.h"

#include <QImage>

#include <vector>

namespace swf::render {

bool hasDrawableFilter(const std::vector<format::Filter>& filters);
// Applies filters in order to layer (premultiplied ARGB); scale is device pixels per
// stage pixel.
void applyFilters(QImage& layer, const std::vector<format::Filter>& filters, double scale);

} // namespace swf::render
