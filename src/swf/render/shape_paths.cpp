// Joining edges into contours.
#include "swf/render/shape_paths.h"

#include <QHash>

#include <climits>

namespace swf::render {
namespace {

struct DirectedEdge {
    QPoint from, control, to;
    bool curved;
};

quint64 pointKey(QPoint p) {
    return (quint64(quint32(p.x())) << 32) | quint32(p.y());
}

void appendEdge(QPainterPath& path, const DirectedEdge& edge) {
    if (edge.curved)
        path.quadTo(edge.control, edge.to);
    else
        path.lineTo(edge.to);
}

// Follows edges end to start so each closed region becomes one contour; the fill rule
// then needs no help from edge order.
QPainterPath joinContours(const std::vector<DirectedEdge>& edges, Qt::FillRule rule) {
    QPainterPath path;
    path.setFillRule(rule);
    if (edges.empty()) return path;
    QMultiHash<quint64, int> byStart;
    byStart.reserve(static_cast<qsizetype>(edges.size()));
    for (int i = static_cast<int>(edges.size()) - 1; i >= 0; --i)
        byStart.insert(pointKey(edges[size_t(i)].from), i);
    std::vector<bool> used(edges.size(), false);
    for (size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        const QPoint start = edges[first].from;
        path.moveTo(start);
        size_t current = first;
        while (true) {
            used[current] = true;
            appendEdge(path, edges[current]);
            const QPoint end = edges[current].to;
            if (end == start) break;
            int next = -1;
            for (auto it = byStart.find(pointKey(end)); it != byStart.end() && it.key() == pointKey(end);
                 ++it) {
                if (!used[size_t(it.value())]) {
                    next = it.value();
                    break;
                }
            }
            if (next < 0) break;
            current = size_t(next);
        }
        path.closeSubpath();
    }
    return path;
}

} // namespace

ShapePaths buildShapePaths(const format::ShapeDefinition& shape) {
    ShapePaths paths;
    const Qt::FillRule rule = shape.windingRule ? Qt::WindingFill : Qt::OddEvenFill;
    std::vector<std::vector<DirectedEdge>> fillEdges(shape.fills.size());
    paths.strokes.resize(shape.lines.size());
    std::vector<QPoint> strokeEnds(shape.lines.size(), QPoint(INT_MIN, INT_MIN));
    const int fillCount = static_cast<int>(shape.fills.size());
    const int lineCount = static_cast<int>(shape.lines.size());
    for (const format::ShapeEdge& e : shape.edges) {
        // An edge with the same fill on both sides bounds nothing.
        if (e.fill0 != e.fill1) {
            if (e.fill1 > 0 && e.fill1 <= fillCount)
                fillEdges[size_t(e.fill1 - 1)].push_back({e.from, e.control, e.to, e.curved});
            if (e.fill0 > 0 && e.fill0 <= fillCount)
                fillEdges[size_t(e.fill0 - 1)].push_back({e.to, e.control, e.from, e.curved});
        }
        if (e.line > 0 && e.line <= lineCount) {
            QPainterPath& stroke = paths.strokes[size_t(e.line - 1)];
            QPoint& last = strokeEnds[size_t(e.line - 1)];
            if (last != e.from) stroke.moveTo(e.from);
            appendEdge(stroke, {e.from, e.control, e.to, e.curved});
            last = e.to;
        }
    }
    paths.fills.reserve(fillEdges.size());
    for (const auto& edges : fillEdges)
        paths.fills.push_back(joinContours(edges, rule));
    // Fill regions of one shape tile the plane without overlapping, so even-odd keeps their
    // holes and needs no costly union.
    for (const QPainterPath& fill : paths.fills)
        paths.outline.addPath(fill);
    paths.outline.setFillRule(Qt::OddEvenFill);
    // From the edges themselves: declared bounds are sometimes wrong in real files.
    paths.extent = paths.outline.controlPointRect();
    for (size_t i = 0; i < paths.strokes.size(); ++i) {
        if (paths.strokes[i].isEmpty()) continue;
        const double half = shape.lines[i].width / 2.0;
        const QRectF stroke = paths.strokes[i].controlPointRect().adjusted(-half, -half, half, half);
        paths.extent = paths.extent.isNull() ? stroke : paths.extent.united(stroke);
    }
    return paths;
}

QPainterPath buildGlyphPath(const format::ShapeDefinition& glyph) {
    std::vector<DirectedEdge> edges;
    for (const format::ShapeEdge& e : glyph.edges) {
        if (e.fill0 == e.fill1) continue;
        if (e.fill1 > 0) edges.push_back({e.from, e.control, e.to, e.curved});
        if (e.fill0 > 0) edges.push_back({e.to, e.control, e.from, e.curved});
    }
    return joinContours(edges, Qt::OddEvenFill);
}

} // namespace swf::render
