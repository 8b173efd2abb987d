// Morph shapes.
#include "swf/format/morph.h"

#include <cmath>

namespace swf::format {
namespace {

bool readMorphGradient(io::Reader& reader, Gradient& start, Gradient& end) {
    const quint8 header = reader.u8();
    start.spread = end.spread = static_cast<SpreadMode>(std::min(header >> 6, 2));
    start.interpolation = end.interpolation = static_cast<InterpolationMode>(std::min((header >> 4) & 3, 1));
    const int count = header & 0x0f;
    for (int i = 0; i < count && !reader.failed(); ++i) {
        GradientRecord a, b;
        a.ratio = reader.u8();
        a.color = readRgba(reader);
        b.ratio = reader.u8();
        b.color = readRgba(reader);
        start.records.push_back(a);
        end.records.push_back(b);
    }
    return !reader.failed();
}

bool readMorphFill(io::Reader& reader, FillStyle& start, FillStyle& end) {
    const quint8 type = reader.u8();
    switch (type) {
    case 0x00:
        start.kind = end.kind = FillStyle::Kind::Solid;
        start.color = readRgba(reader);
        end.color = readRgba(reader);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        start.kind = end.kind = type == 0x10   ? FillStyle::Kind::LinearGradient
                                : type == 0x12 ? FillStyle::Kind::RadialGradient
                                               : FillStyle::Kind::FocalGradient;
        start.gradient.matrix = readMatrix(reader);
        end.gradient.matrix = readMatrix(reader);
        if (!readMorphGradient(reader, start.gradient, end.gradient)) return false;
        if (type == 0x13) {
            start.gradient.focalPoint = std::clamp(reader.fixed8(), -1.0, 1.0);
            end.gradient.focalPoint = std::clamp(reader.fixed8(), -1.0, 1.0);
        }
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        start.kind = end.kind = FillStyle::Kind::Bitmap;
        start.bitmapId = end.bitmapId = reader.u16();
        start.bitmapMatrix = readMatrix(reader);
        end.bitmapMatrix = readMatrix(reader);
        start.bitmapRepeat = end.bitmapRepeat = !(type & 0x01);
        start.bitmapSmooth = end.bitmapSmooth = !(type & 0x02);
        break;
    default:
        reader.fail();
        return false;
    }
    return !reader.failed();
}

bool readMorphLine(io::Reader& reader, int morphVersion, LineStyle& start, LineStyle& end) {
    start.width = reader.u16();
    end.width = reader.u16();
    if (morphVersion >= 2) {
        start.startCap = static_cast<CapStyle>(std::min<quint32>(reader.ubits(2), 2));
        start.join = static_cast<JoinStyle>(std::min<quint32>(reader.ubits(2), 2));
        const bool hasFill = reader.flag();
        start.noHScale = reader.flag();
        start.noVScale = reader.flag();
        start.pixelHinting = reader.flag();
        reader.ubits(5);
        start.noClose = reader.flag();
        start.endCap = static_cast<CapStyle>(std::min<quint32>(reader.ubits(2), 2));
        if (start.join == JoinStyle::Miter) start.miterLimit = reader.fixed8();
        const quint16 startWidth = start.width, endWidth = end.width;
        end = start;
        end.width = endWidth;
        start.width = startWidth;
        if (hasFill) {
            FillStyle a, b;
            if (!readMorphFill(reader, a, b)) return false;
            start.color = a.color;
            end.color = b.color;
            start.fill = a;
            end.fill = b;
            return true;
        }
    }
    start.color = readRgba(reader);
    end.color = readRgba(reader);
    return !reader.failed();
}

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

QColor lerpColor(const QColor& a, const QColor& b, double t) {
    return QColor(qRound(lerp(a.red(), b.red(), t)), qRound(lerp(a.green(), b.green(), t)),
                  qRound(lerp(a.blue(), b.blue(), t)), qRound(lerp(a.alpha(), b.alpha(), t)));
}

Matrix lerpMatrix(const Matrix& a, const Matrix& b, double t) {
    Matrix m;
    m.a = lerp(a.a, b.a, t);
    m.b = lerp(a.b, b.b, t);
    m.c = lerp(a.c, b.c, t);
    m.d = lerp(a.d, b.d, t);
    m.tx = lerp(a.tx, b.tx, t);
    m.ty = lerp(a.ty, b.ty, t);
    return m;
}

FillStyle lerpFill(const FillStyle& a, const FillStyle& b, double t) {
    FillStyle f = a;
    f.color = lerpColor(a.color, b.color, t);
    f.gradient.matrix = lerpMatrix(a.gradient.matrix, b.gradient.matrix, t);
    f.gradient.focalPoint = lerp(a.gradient.focalPoint, b.gradient.focalPoint, t);
    for (size_t i = 0; i < f.gradient.records.size() && i < b.gradient.records.size(); ++i) {
        f.gradient.records[i].ratio =
            static_cast<quint8>(qRound(lerp(a.gradient.records[i].ratio, b.gradient.records[i].ratio, t)));
        f.gradient.records[i].color = lerpColor(a.gradient.records[i].color, b.gradient.records[i].color, t);
    }
    f.bitmapMatrix = lerpMatrix(a.bitmapMatrix, b.bitmapMatrix, t);
    return f;
}

QPoint lerpPoint(QPoint a, QPoint b, double t) {
    return QPoint(static_cast<int>(std::lround(lerp(a.x(), b.x(), t))),
                  static_cast<int>(std::lround(lerp(a.y(), b.y(), t))));
}

// A straight edge as a curve, so it can pair with a curved one.
ShapeEdge asCurve(ShapeEdge edge) {
    if (!edge.curved) {
        edge.curved = true;
        edge.control = (edge.from + edge.to) / 2;
    }
    return edge;
}

} // namespace

ShapeDefinition MorphShapeDefinition::at(double ratio) const {
    const double t = std::clamp(ratio, 0.0, 1.0);
    ShapeDefinition shape;
    shape.bounds.xMin = static_cast<qint32>(lerp(startBounds.xMin, endBounds.xMin, t));
    shape.bounds.xMax = static_cast<qint32>(lerp(startBounds.xMax, endBounds.xMax, t));
    shape.bounds.yMin = static_cast<qint32>(lerp(startBounds.yMin, endBounds.yMin, t));
    shape.bounds.yMax = static_cast<qint32>(lerp(startBounds.yMax, endBounds.yMax, t));
    for (size_t i = 0; i < startFills.size(); ++i)
        shape.fills.push_back(lerpFill(startFills[i], i < endFills.size() ? endFills[i] : startFills[i], t));
    for (size_t i = 0; i < startLines.size(); ++i) {
        const LineStyle& a = startLines[i];
        const LineStyle& b = i < endLines.size() ? endLines[i] : a;
        LineStyle line = a;
        line.width = static_cast<quint16>(qRound(lerp(a.width, b.width, t)));
        line.color = lerpColor(a.color, b.color, t);
        if (a.fill && b.fill) line.fill = lerpFill(*a.fill, *b.fill, t);
        shape.lines.push_back(line);
    }
    shape.edges.reserve(startEdges.size());
    for (size_t i = 0; i < startEdges.size(); ++i) {
        if (i >= endEdges.size()) {
            shape.edges.push_back(startEdges[i]);
            continue;
        }
        const ShapeEdge& s = startEdges[i];
        const ShapeEdge& e = endEdges[i];
        ShapeEdge edge = s;
        edge.from = lerpPoint(s.from, e.from, t);
        edge.to = lerpPoint(s.to, e.to, t);
        if (s.curved || e.curved) {
            const ShapeEdge sc = asCurve(s), ec = asCurve(e);
            edge.curved = true;
            edge.control = lerpPoint(sc.control, ec.control, t);
        }
        shape.edges.push_back(edge);
    }
    return shape;
}

bool readMorphShape(io::Reader& reader, int morphVersion, MorphShapeDefinition& out, QString& problem) {
    out.startBounds = readRect(reader);
    out.endBounds = readRect(reader);
    if (morphVersion >= 2) {
        readRect(reader);
        readRect(reader);
        reader.u8();
    }
    const quint32 offset = reader.u32();
    const qsizetype endEdgesAt = reader.position() + offset;
    int fillCount = reader.u8();
    if (fillCount == 0xff) fillCount = reader.u16();
    for (int i = 0; i < fillCount && !reader.failed(); ++i) {
        FillStyle a, b;
        if (!readMorphFill(reader, a, b)) break;
        out.startFills.push_back(a);
        out.endFills.push_back(b);
    }
    int lineCount = reader.u8();
    if (lineCount == 0xff) lineCount = reader.u16();
    for (int i = 0; i < lineCount && !reader.failed(); ++i) {
        LineStyle a, b;
        if (!readMorphLine(reader, morphVersion, a, b)) break;
        out.startLines.push_back(a);
        out.endLines.push_back(b);
    }
    if (reader.failed()) {
        problem = QStringLiteral("broken morph styles");
        return false;
    }
    ShapeDefinition start, end;
    if (!readShapeRecords(reader, 3, start, problem)) return false;
    // The end edges start where the offset says, whatever the start edges' padding.
    if (offset != 0 && endEdgesAt <= reader.size()) reader.seek(endEdgesAt);
    if (!readShapeRecords(reader, 3, end, problem)) {
        // A morph whose end is missing still shows its start.
        problem.clear();
        end.edges.clear();
    }
    out.startEdges = std::move(start.edges);
    out.endEdges = std::move(end.edges);
    return true;
}

} // namespace swf::format
