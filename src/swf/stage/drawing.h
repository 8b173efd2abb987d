// What a clip's drawing methods (moveTo, lineTo, beginFill...) have drawn: a shape built up
// edge by edge in twips, which draws like any shape of the movie, under the clip's children.
#pragma once

#include "swf/format/shapes.h"
#include "swf/raster/pixels.h"

#include <QRectF>

#include <optional>

namespace swf::stage {

class Drawing {
  public:
    // A drawing stops growing here; later edges are dropped.
    static constexpr std::size_t kMaxEdges = 200000;

    bool isEmpty() const { return m_shape.edges.empty(); }
    const format::ShapeDefinition& shape() const { return m_shape; }
    // Changes with every edit, so a cache can tell one state of the drawing from another.
    quint32 revision() const { return m_revision; }
    // Twips; only meaningful when hasBounds().
    bool hasBounds() const { return m_hasBounds; }
    QRectF bounds() const { return m_bounds; }

    void clear();
    void setLineStyle(std::optional<format::LineStyle> style); // none: lines are not drawn
    // An open fill is closed first; none ends filling.
    void beginFill(std::optional<format::FillStyle> style);
    void endFill();
    void moveTo(QPoint to);
    void lineTo(QPoint to);
    void curveTo(QPoint control, QPoint to);

    // beginBitmapFill: the surfaces its fills show, shared with the scripts that draw into
    // them. A bitmap fill of a drawing names its surface by index here, not a library id.
    quint16 addBitmap(raster::PixelsPtr pixels);
    const raster::Pixels* bitmap(quint16 index) const {
        return index < m_bitmaps.size() ? m_bitmaps[index].get() : nullptr;
    }
    // Bitmap fills can show no more surfaces than this; later ones are refused.
    static constexpr std::size_t kMaxBitmaps = 4096;
    std::size_t bitmapCount() const { return m_bitmaps.size(); }

    // A duplicate draws what the original had drawn.
    void copyFrom(const Drawing& other);

  private:
    void addEdge(QPoint control, QPoint to, bool curved);
    void closeFill();

    format::ShapeDefinition m_shape;
    std::vector<raster::PixelsPtr> m_bitmaps;
    QRectF m_bounds;
    bool m_hasBounds = false;
    quint32 m_revision = 0;
    int m_fill = 0; // style index from 1; 0 while not filling
    int m_line = 0;
    QPoint m_pen;
    QPoint m_fillStart;
};

} // namespace swf::stage
