// DefineMorphShape 1 and 2: paired start and end styles and edges, and the shape at a ratio.
#pragma once

#include "swf/format/shapes.h"

namespace swf::format {

struct MorphShapeDefinition {
    Rect startBounds, endBounds;
    std::vector<FillStyle> startFills, endFills;
    std::vector<LineStyle> startLines, endLines;
    std::vector<ShapeEdge> startEdges, endEdges;

    // ratio 0..1; edges pair up by position in the two lists.
    ShapeDefinition at(double ratio) const;
};

bool readMorphShape(io::Reader& reader, int morphVersion, MorphShapeDefinition& out, QString& problem);

} // namespace swf::format
