// Shape styles and edge records.
#include "swf/format/shapes.h"

namespace swf::format {
namespace {

// Fills and lines as the style arrays store them; new arrays inside a shape are appended,
// and indices read after them are offset past the earlier ones.
bool readStyleArrays(io::Reader& reader, int shapeVersion, ShapeDefinition& out) {
    int fillCount = reader.u8();
    if (fillCount == 0xff && shapeVersion >= 2) fillCount = reader.u16();
    for (int i = 0; i < fillCount && !reader.failed(); ++i) {
        FillStyle fill;
        if (!readFillStyle(reader, shapeVersion, fill)) return false;
        out.fills.push_back(std::move(fill));
    }
    int lineCount = reader.u8();
    if (lineCount == 0xff) lineCount = reader.u16();
    for (int i = 0; i < lineCount && !reader.failed(); ++i) {
        LineStyle line;
        line.width = reader.u16();
        if (shapeVersion >= 4) {
            line.startCap = static_cast<CapStyle>(std::min<quint32>(reader.ubits(2), 2));
            line.join = static_cast<JoinStyle>(std::min<quint32>(reader.ubits(2), 2));
            const bool hasFill = reader.flag();
            line.noHScale = reader.flag();
            line.noVScale = reader.flag();
            line.pixelHinting = reader.flag();
            reader.ubits(5);
            line.noClose = reader.flag();
            line.endCap = static_cast<CapStyle>(std::min<quint32>(reader.ubits(2), 2));
            if (line.join == JoinStyle::Miter) line.miterLimit = reader.fixed8();
            if (hasFill) {
                FillStyle fill;
                if (!readFillStyle(reader, shapeVersion, fill)) return false;
                line.color = fill.kind == FillStyle::Kind::Solid ? fill.color : QColor(Qt::black);
                line.fill = std::move(fill);
            } else {
                line.color = readRgba(reader);
            }
        } else {
            line.color = shapeVersion >= 3 ? readRgba(reader) : readRgb(reader);
        }
        out.lines.push_back(std::move(line));
    }
    return !reader.failed();
}

bool readRecords(io::Reader& reader, int shapeVersion, ShapeDefinition& out, QString& problem,
                 bool allowNewStyles) {
    int fillBits = static_cast<int>(reader.ubits(4));
    int lineBits = static_cast<int>(reader.ubits(4));
    int fillBase = 0, lineBase = 0;
    int fill0 = 0, fill1 = 0, line = 0;
    QPoint pen;
    for (int count = 0;; ++count) {
        if (reader.failed()) {
            problem = QStringLiteral("shape records run past the tag");
            return false;
        }
        if (count > kMaxShapeRecords) {
            problem = QStringLiteral("shape has too many records");
            return false;
        }
        if (!reader.flag()) {
            const quint32 flags = reader.ubits(5);
            if (flags == 0) return true; // end of shape
            if (flags & 0x01) {
                const int bits = static_cast<int>(reader.ubits(5));
                const int x = reader.sbits(bits);
                const int y = reader.sbits(bits);
                pen = QPoint(x, y);
            }
            if (flags & 0x02) fill0 = static_cast<int>(reader.ubits(fillBits));
            if (flags & 0x04) fill1 = static_cast<int>(reader.ubits(fillBits));
            if (flags & 0x08) line = static_cast<int>(reader.ubits(lineBits));
            // Indices refer to the style arrays in force; 0 stays "none".
            if (flags & 0x02 && fill0) fill0 += fillBase;
            if (flags & 0x04 && fill1) fill1 += fillBase;
            if (flags & 0x08 && line) line += lineBase;
            if ((flags & 0x10) && allowNewStyles && shapeVersion >= 2) {
                fillBase = static_cast<int>(out.fills.size());
                lineBase = static_cast<int>(out.lines.size());
                out.layers.push_back({fillBase, lineBase});
                if (!readStyleArrays(reader, shapeVersion, out)) {
                    problem = QStringLiteral("broken style array inside shape");
                    return false;
                }
                fillBits = static_cast<int>(reader.ubits(4));
                lineBits = static_cast<int>(reader.ubits(4));
                fill0 = fill1 = line = 0;
            }
            continue;
        }
        ShapeEdge edge;
        edge.from = pen;
        edge.fill0 = fill0;
        edge.fill1 = fill1;
        edge.line = line;
        const bool straight = reader.flag();
        const int bits = static_cast<int>(reader.ubits(4)) + 2;
        if (straight) {
            int dx = 0, dy = 0;
            if (reader.flag()) {
                dx = reader.sbits(bits);
                dy = reader.sbits(bits);
            } else if (reader.flag()) {
                dy = reader.sbits(bits);
            } else {
                dx = reader.sbits(bits);
            }
            pen += QPoint(dx, dy);
        } else {
            edge.curved = true;
            const int cdx = reader.sbits(bits), cdy = reader.sbits(bits);
            const int adx = reader.sbits(bits), ady = reader.sbits(bits);
            edge.control = pen + QPoint(cdx, cdy);
            pen = edge.control + QPoint(adx, ady);
        }
        edge.to = pen;
        if (!reader.failed()) out.edges.push_back(edge);
    }
}

} // namespace

Gradient readGradient(io::Reader& reader, int shapeVersion, bool focal) {
    Gradient gradient;
    gradient.matrix = readMatrix(reader);
    gradient.spread = static_cast<SpreadMode>(std::min<quint32>(reader.ubits(2), 2));
    gradient.interpolation = static_cast<InterpolationMode>(std::min<quint32>(reader.ubits(2), 1));
    const int count = static_cast<int>(reader.ubits(4));
    for (int i = 0; i < count && !reader.failed(); ++i) {
        GradientRecord record;
        record.ratio = reader.u8();
        record.color = shapeVersion >= 3 ? readRgba(reader) : readRgb(reader);
        gradient.records.push_back(record);
    }
    if (focal) gradient.focalPoint = std::clamp(reader.fixed8(), -1.0, 1.0);
    return gradient;
}

bool readFillStyle(io::Reader& reader, int shapeVersion, FillStyle& out) {
    const quint8 type = reader.u8();
    switch (type) {
    case 0x00:
        out.kind = FillStyle::Kind::Solid;
        out.color = shapeVersion >= 3 ? readRgba(reader) : readRgb(reader);
        break;
    case 0x10:
        out.kind = FillStyle::Kind::LinearGradient;
        out.gradient = readGradient(reader, shapeVersion, false);
        break;
    case 0x12:
        out.kind = FillStyle::Kind::RadialGradient;
        out.gradient = readGradient(reader, shapeVersion, false);
        break;
    case 0x13:
        out.kind = FillStyle::Kind::FocalGradient;
        out.gradient = readGradient(reader, shapeVersion, true);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        out.kind = FillStyle::Kind::Bitmap;
        out.bitmapId = reader.u16();
        out.bitmapMatrix = readMatrix(reader);
        out.bitmapRepeat = !(type & 0x01);
        // Versions before 8 smoothed every bitmap fill; the flag only exists from there on.
        out.bitmapSmooth = !(type & 0x02);
        break;
    default:
        reader.fail();
        return false;
    }
    return !reader.failed();
}

bool readShapeDefinition(io::Reader& reader, int shapeVersion, ShapeDefinition& out, QString& problem) {
    out.bounds = readRect(reader);
    if (shapeVersion >= 4) {
        readRect(reader); // edge bounds
        const quint8 flags = reader.u8();
        out.windingRule = flags & 0x04;
    }
    if (!readStyleArrays(reader, shapeVersion, out)) {
        problem = QStringLiteral("broken shape styles");
        return false;
    }
    return readRecords(reader, shapeVersion, out, problem, true);
}

bool readShapeRecords(io::Reader& reader, int shapeVersion, ShapeDefinition& out, QString& problem) {
    return readRecords(reader, shapeVersion, out, problem, false);
}

} // namespace swf::format
