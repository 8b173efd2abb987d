// Edge records to painter paths: one closed path per fill style (right-side fill edges as
// given, left-side fill edges reversed, joined end to start), one open path per line style.
#pragma once

#include "swf/format/shapes.h"

#include <QPainterPath>

#include <vector>

namespace swf::render {

struct ShapePaths {
    std::vector<QPainterPath> fills;   // [fill style index - 1], twips
    std::vector<QPainterPath> strokes; // [line style index - 1], twips
    QPainterPath outline;              // every fill together, for masks and hit areas
    QRectF extent;                     // what the paths cover, strokes included (twips)
};

ShapePaths buildShapePaths(const format::ShapeDefinition& shape);
// A glyph: all its fills together, in its em units.
QPainterPath buildGlyphPath(const format::ShapeDefinition& glyph);

} // namespace swf::render
