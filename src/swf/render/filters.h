// Filters applied to an object drawn into a layer of its own: blur, drop shadow, glow.
// Sizes are in stage pixels and scale with the view, as the reference player does.
#pragma once

#include "swf/format/filters.h"

#include <QImage>
#include <QMargins>

#include <vector>

namespace swf::render {

bool hasDrawableFilter(const std::vector<format::Filter>& filters);
// How far beyond an object's pixels the filters can reach, in device pixels (scale is
// device pixels per stage pixel): a layer with this much room around the object, and this
// much of what lies beyond the device, filters as an unbounded one would.
QMargins filterReach(const std::vector<format::Filter>& filters, double scale);
// Working memory the filters keep between layers, so drawing a frame of filtered objects
// does not allocate it again for each.
struct FilterBuffers {
    std::vector<quint8> line;     // a padded row, or the rows a column pass has passed
    std::vector<quint32> sums;    // a column pass's running sums
    std::vector<quint8> coverage; // a shadow's coverage
};

// Applies filters in order to layer (premultiplied ARGB), which keeps its size; beyond its
// edges counts as transparent.
void applyFilters(QImage& layer, const std::vector<format::Filter>& filters, double scale,
                  FilterBuffers* buffers = nullptr);

} // namespace swf::render
