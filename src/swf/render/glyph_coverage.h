// Device-text glyphs as the reference player draws them: the font's hinted outline filled
// with its exact pixel coverage, rather than FreeType's own smooth rasterizer, which cuts
// curves into coarse chords and so leaves the grey edges of round letters a shade off.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRawFont>

namespace swf::render {

struct GlyphCoverage {
    bool drawable = false; // false when the glyph cannot be drawn this way
    QImage alpha;          // Format_Alpha8; null for a glyph with no ink (a space)
    QPoint offset;         // of the image's top-left from the glyph's origin, in pixels
};

// The glyph of a system font at the font's pixel size, hinted as device text is. Null when
// the font is not a scalable file face that fontconfig knows.
GlyphCoverage hintedGlyphCoverage(const QRawFont& font, quint32 glyph);

// Coverage of a path (pixels) on the pixel grid, by even sampling at `samples` per pixel each
// way: the counting the reference player's text fill matches. The image starts at `origin`.
QImage pathCoverage(const QPainterPath& path, const QRect& pixels, int samples);

} // namespace swf::render
