// Fill and line styles as Qt brushes and pens, colour transform applied.
#pragma once

#include "swf/format/records.h"
#include "swf/format/shapes.h"

#include <QBrush>
#include <QImage>
#include <QPen>

#include <functional>

namespace swf::render {

// Finds a bitmap by character id, already colour-transformed; null image when missing.
using BitmapLookup = std::function<QImage(quint16 id)>;

QBrush makeBrush(const format::FillStyle& fill, const format::ColorTransform& cx,
                 const BitmapLookup& bitmaps);

struct PenContext {
    double objectScale = 1; // device pixels per twip of the shape's own coordinates
    double stageScale = 1;  // device pixels per stage twip
    // The object's own scale against the stage along its x and y axes.
    double objectScaleX = 1, objectScaleY = 1;
};
// The pen's width in device pixels before the one-pixel minimum.
double penDeviceWidth(const format::LineStyle& line, const PenContext& context);
QPen makePen(const format::LineStyle& line, const format::ColorTransform& cx, const BitmapLookup& bitmaps,
             const PenContext& context);

} // namespace swf::render
