// What a clip's drawing methods (moveTo, lineTo, beginFill...) have drawn: a shape built up
// edge by edge in twips, which draws like any shape of the movie, under the clip's children.
#pragma once

#include "swf/format/shapes.h"

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

    // A duplicate draws what the original had drawn.
    void copyFrom(const Drawing& other);

  private:
    void addEdge(QPoint control, QPoint to, bool curved);
    void closeFill();

    format::ShapeDefinition m_shape;
    QRectF m_bounds;
    bool m_hasBounds = false;
    quint32 m_revision = 0;
    int m_fill = 0; // style index from 1; 0 while not filling
    int m_line = 0;
    QPoint m_pen;
    QPoint m_fillStart;
};

} // namespace swf::stage
