#include "swf/stage/drawing.h"

#include <algorithm>

namespace swf::stage {

void Drawing::clear() {
    m_shape = {};
    m_bitmaps.clear();
    m_bounds = {};
    m_hasBounds = false;
    m_fill = m_line = 0;
    m_pen = m_fillStart = {};
    ++m_revision;
}

void Drawing::setLineStyle(std::optional<format::LineStyle> style) {
    if (!style || m_shape.lines.size() >= kMaxEdges) {
        m_line = 0;
        return;
    }
    m_shape.lines.push_back(*style);
    m_line = int(m_shape.lines.size());
}

void Drawing::beginFill(std::optional<format::FillStyle> style) {
    closeFill();
    if (!style || m_shape.fills.size() >= kMaxEdges) return;
    // A fill begun after something was drawn lies above it, lines included: it starts a new
    // set of styles, and the line style in use carries on in that set.
    if (!m_shape.edges.empty() && m_shape.layers.size() < kMaxEdges) {
        m_shape.layers.push_back({int(m_shape.fills.size()), int(m_shape.lines.size())});
        if (m_line != 0) {
            m_shape.lines.push_back(m_shape.lines[size_t(m_line - 1)]);
            m_line = int(m_shape.lines.size());
        }
    }
    m_shape.fills.push_back(*style);
    m_fill = int(m_shape.fills.size());
    m_fillStart = m_pen;
}

void Drawing::endFill() {
    closeFill();
}

// A fill is always closed: the player draws the missing edge back to where it began.
void Drawing::closeFill() {
    if (m_fill != 0 && m_pen != m_fillStart) {
        const int line = m_line;
        m_line = 0;
        addEdge(m_fillStart, m_fillStart, false);
        m_line = line;
    }
    m_fill = 0;
}

void Drawing::moveTo(QPoint to) {
    if (m_fill != 0 && m_pen != m_fillStart) {
        const int line = m_line;
        m_line = 0;
        addEdge(m_fillStart, m_fillStart, false);
        m_line = line;
    }
    m_pen = to;
    m_fillStart = to;
}

void Drawing::lineTo(QPoint to) {
    addEdge(to, to, false);
}

void Drawing::curveTo(QPoint control, QPoint to) {
    addEdge(control, to, true);
}

void Drawing::addEdge(QPoint control, QPoint to, bool curved) {
    const QPoint from = m_pen;
    m_pen = to;
    if (m_shape.edges.size() >= kMaxEdges) return;
    // A path drawn with neither fill nor line shows nothing but still counts in the bounds.
    if (m_fill != 0 || m_line != 0) {
        format::ShapeEdge edge;
        edge.from = from;
        edge.control = control;
        edge.to = to;
        edge.curved = curved;
        edge.fill1 = m_fill;
        edge.line = m_line;
        m_shape.edges.push_back(edge);
    }
    // QRectF::united ignores rectangles without area, which a straight line has.
    const double half = m_line != 0 ? m_shape.lines[size_t(m_line - 1)].width / 2.0 : 0.0;
    double left = std::min(from.x(), to.x()) - half, right = std::max(from.x(), to.x()) + half;
    double top = std::min(from.y(), to.y()) - half, bottom = std::max(from.y(), to.y()) + half;
    if (curved) {
        left = std::min(left, control.x() - half);
        right = std::max(right, control.x() + half);
        top = std::min(top, control.y() - half);
        bottom = std::max(bottom, control.y() + half);
    }
    if (m_hasBounds) {
        left = std::min(left, m_bounds.left());
        right = std::max(right, m_bounds.right());
        top = std::min(top, m_bounds.top());
        bottom = std::max(bottom, m_bounds.bottom());
    }
    m_hasBounds = true;
    m_bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
    m_shape.bounds = {int(left), int(right), int(top), int(bottom)};
    ++m_revision;
}

quint16 Drawing::addBitmap(raster::PixelsPtr pixels) {
    for (std::size_t i = 0; i < m_bitmaps.size(); ++i)
        if (m_bitmaps[i] == pixels) return quint16(i);
    m_bitmaps.push_back(std::move(pixels));
    return quint16(m_bitmaps.size() - 1);
}

void Drawing::copyFrom(const Drawing& other) {
    const quint32 revision = m_revision;
    *this = other;
    m_revision = revision + 1;
}

} // namespace swf::stage
