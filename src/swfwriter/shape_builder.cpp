// Shape records: styles, style changes, straight and curved edges.
#include "shape_builder.h"

#include <algorithm>
#include <cmath>

namespace swftest {
namespace {

qint32 twips(double pixels) {
    return qint32(std::lround(pixels * kTwips));
}

} // namespace

void writeGradient(Writer& w, const FillStyle& fill, int shapeVersion) {
    w.matrix(fill.matrix);
    w.ubits(static_cast<quint32>(fill.spread), 2);
    w.ubits(static_cast<quint32>(fill.interpolation), 2);
    w.ubits(static_cast<quint32>(fill.stops.size()), 4);
    for (const GradientStop& stop : fill.stops) {
        w.u8(stop.ratio);
        shapeVersion >= 3 ? w.rgba(stop.color) : w.rgb(stop.color);
    }
    if (fill.kind == FillStyle::Kind::Focal) w.fixed8(fill.focal);
}

void writeFillStyle(Writer& w, const FillStyle& fill, int shapeVersion) {
    switch (fill.kind) {
    case FillStyle::Kind::Solid:
        w.u8(0x00);
        shapeVersion >= 3 ? w.rgba(fill.color) : w.rgb(fill.color);
        return;
    case FillStyle::Kind::Linear:
        w.u8(0x10);
        break;
    case FillStyle::Kind::Radial:
        w.u8(0x12);
        break;
    case FillStyle::Kind::Focal:
        w.u8(0x13);
        break;
    case FillStyle::Kind::Bitmap:
        w.u8(0x40 | (fill.repeat ? 0 : 1) | (fill.smooth ? 0 : 2));
        w.u16(fill.bitmapId);
        w.matrix(fill.matrix);
        return;
    }
    writeGradient(w, fill, shapeVersion);
}

int ShapeBuilder::addFill(const FillStyle& fill) {
    m_groups.back().fills.push_back(fill);
    return static_cast<int>(m_groups.back().fills.size());
}

int ShapeBuilder::addSolidFill(const QColor& color) {
    FillStyle fill;
    fill.color = color;
    return addFill(fill);
}

int ShapeBuilder::addLinearGradient(QPointF from, QPointF to, std::vector<GradientStop> stops, Spread spread,
                                    Interpolation interpolation) {
    // The gradient square runs -16384..16384 twips along x; map it onto from -> to.
    const QPointF delta = (to - from) * kTwips;
    const double length = std::hypot(delta.x(), delta.y());
    const double scale = length / 32768.0;
    const double angle = std::atan2(delta.y(), delta.x());
    const QPointF mid = (from + to) / 2 * kTwips;
    FillStyle fill;
    fill.kind = FillStyle::Kind::Linear;
    fill.stops = std::move(stops);
    fill.spread = spread;
    fill.interpolation = interpolation;
    fill.matrix = QTransform(scale * std::cos(angle), scale * std::sin(angle), -scale * std::sin(angle),
                             scale * std::cos(angle), mid.x(), mid.y());
    return addFill(fill);
}

int ShapeBuilder::addRadialGradient(QPointF center, double radius, std::vector<GradientStop> stops,
                                    double focal) {
    const double scale = radius * kTwips / 16384.0;
    FillStyle fill;
    fill.kind = focal != 0 ? FillStyle::Kind::Focal : FillStyle::Kind::Radial;
    fill.focal = focal;
    fill.stops = std::move(stops);
    fill.matrix = QTransform(scale, 0, 0, scale, center.x() * kTwips, center.y() * kTwips);
    return addFill(fill);
}

int ShapeBuilder::addBitmapFill(int bitmapId, const QTransform& placement, bool repeat, bool smooth) {
    FillStyle fill;
    fill.kind = FillStyle::Kind::Bitmap;
    fill.bitmapId = bitmapId;
    // Bitmap fills map bitmap pixels straight to twips.
    fill.matrix = placement * QTransform::fromScale(kTwips, kTwips);
    fill.repeat = repeat;
    fill.smooth = smooth;
    return addFill(fill);
}

int ShapeBuilder::addLine(const LineStyle& line) {
    m_groups.back().lines.push_back(line);
    m_maxLine = std::max(m_maxLine, line.width);
    return static_cast<int>(m_groups.back().lines.size());
}

int ShapeBuilder::addLine(double width, const QColor& color) {
    LineStyle line;
    line.width = width;
    line.color = color;
    return addLine(line);
}

void ShapeBuilder::newStyles() {
    m_groups.push_back(StyleGroup{});
    m_records.push_back(Record{Record::Kind::NewStyles, 0, 0, 0, {}, {}});
}

void ShapeBuilder::setStyles(int fill0, int fill1, int line) {
    m_records.push_back(Record{Record::Kind::Style, fill0, fill1, line, {}, {}});
}

void ShapeBuilder::touch(QPointF p) {
    // QRectF::united ignores empty rectangles, so grow the box by hand.
    if (!m_hasPoints) {
        m_bounds = QRectF(p, QSizeF(0, 0));
        m_hasPoints = true;
        return;
    }
    m_bounds.setLeft(std::min(m_bounds.left(), p.x()));
    m_bounds.setRight(std::max(m_bounds.right(), p.x()));
    m_bounds.setTop(std::min(m_bounds.top(), p.y()));
    m_bounds.setBottom(std::max(m_bounds.bottom(), p.y()));
}

void ShapeBuilder::moveTo(QPointF p) {
    m_records.push_back(Record{Record::Kind::Move, 0, 0, 0, p, {}});
    m_pen = p;
    touch(p);
}

void ShapeBuilder::lineTo(QPointF p) {
    m_records.push_back(Record{Record::Kind::Line, 0, 0, 0, p, {}});
    m_pen = p;
    touch(p);
}

void ShapeBuilder::curveTo(QPointF control, QPointF anchor) {
    m_records.push_back(Record{Record::Kind::Curve, 0, 0, 0, control, anchor});
    m_pen = anchor;
    touch(control);
    touch(anchor);
}

void ShapeBuilder::rectangle(const QRectF& rect, int fill, int line) {
    polygon(QPolygonF(rect), fill, line);
}

void ShapeBuilder::polygon(const QPolygonF& points, int fill, int line) {
    if (points.isEmpty()) return;
    setStyles(0, fill, line);
    moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i)
        lineTo(points[i]);
    if (points.back() != points.front()) lineTo(points.front());
}

void ShapeBuilder::ellipse(const QRectF& rect, int fill, int line) {
    // Eight quadratic segments approximate the ellipse closely enough for tests.
    const QPointF c = rect.center();
    const double rx = rect.width() / 2, ry = rect.height() / 2;
    const double k = 1.0 / std::cos(M_PI / 8);
    setStyles(0, fill, line);
    moveTo(QPointF(c.x() + rx, c.y()));
    for (int i = 1; i <= 8; ++i) {
        const double a1 = (i - 0.5) * M_PI / 4, a2 = i * M_PI / 4;
        curveTo(QPointF(c.x() + rx * k * std::cos(a1), c.y() + ry * k * std::sin(a1)),
                QPointF(c.x() + rx * std::cos(a2), c.y() + ry * std::sin(a2)));
    }
}

QRectF ShapeBuilder::bounds() const {
    const double half = m_maxLine / 2;
    return m_bounds.adjusted(-half, -half, half, half);
}

void ShapeBuilder::writeStyles(Writer& w, const StyleGroup& group, int shapeVersion) const {
    auto count = [&](size_t n) {
        if (n >= 0xff && shapeVersion >= 2) {
            w.u8(0xff);
            w.u16(static_cast<int>(n));
        } else {
            w.u8(static_cast<int>(n));
        }
    };
    count(group.fills.size());
    for (const FillStyle& fill : group.fills)
        writeFillStyle(w, fill, shapeVersion);
    count(group.lines.size());
    for (const LineStyle& line : group.lines) {
        w.u16(twips(line.width));
        if (shapeVersion < 4) {
            shapeVersion >= 3 ? w.rgba(line.color) : w.rgb(line.color);
            continue;
        }
        w.ubits(static_cast<quint32>(line.startCap), 2);
        w.ubits(static_cast<quint32>(line.join), 2);
        w.ubits(line.fill.has_value(), 1);
        w.ubits(line.noHScale, 1);
        w.ubits(line.noVScale, 1);
        w.ubits(0, 1); // pixel hinting
        w.ubits(0, 5);
        w.ubits(line.noClose, 1);
        w.ubits(static_cast<quint32>(line.endCap), 2);
        if (line.join == 2) w.fixed8(line.miterLimit);
        if (line.fill)
            writeFillStyle(w, *line.fill, shapeVersion);
        else
            w.rgba(line.color);
    }
}

QByteArray ShapeBuilder::encode(int shapeVersion, bool withStyles) const {
    Writer w;
    size_t group = 0;
    auto bitsFor = [&](size_t g) {
        const int fills = unsignedBits(m_groups[g].fills.size());
        const int lines = unsignedBits(m_groups[g].lines.size());
        return std::pair<int, int>(fills, lines);
    };
    if (withStyles) writeStyles(w, m_groups[0], shapeVersion);
    auto [fillBits, lineBits] = bitsFor(0);
    if (!withStyles) {
        // Bare shapes index styles kept elsewhere (a font's single fill, a morph's styles).
        int maxFill = 1, maxLine = 0;
        for (const Record& r : m_records) {
            maxFill = std::max({maxFill, r.fill0, r.fill1});
            maxLine = std::max(maxLine, r.line);
        }
        fillBits = unsignedBits(static_cast<quint64>(maxFill));
        lineBits = unsignedBits(static_cast<quint64>(maxLine));
    }
    w.ubits(static_cast<quint32>(fillBits), 4);
    w.ubits(static_cast<quint32>(lineBits), 4);
    QPointF pen;
    for (const Record& r : m_records) {
        switch (r.kind) {
        case Record::Kind::NewStyles: {
            ++group;
            w.ubits(0, 1);
            w.ubits(0b10000, 5);
            writeStyles(w, m_groups[group], shapeVersion);
            std::tie(fillBits, lineBits) = bitsFor(group);
            w.ubits(static_cast<quint32>(fillBits), 4);
            w.ubits(static_cast<quint32>(lineBits), 4);
            break;
        }
        case Record::Kind::Style:
            w.ubits(0, 1);
            w.ubits(0, 1);            // new styles
            w.ubits(lineBits > 0, 1); // line
            w.ubits(fillBits > 0, 1); // fill1
            w.ubits(fillBits > 0, 1); // fill0
            w.ubits(0, 1);            // move
            if (fillBits > 0) {
                w.ubits(static_cast<quint32>(r.fill0), fillBits);
                w.ubits(static_cast<quint32>(r.fill1), fillBits);
            }
            if (lineBits > 0) w.ubits(static_cast<quint32>(r.line), lineBits);
            break;
        case Record::Kind::Move: {
            const qint32 x = twips(r.a.x()), y = twips(r.a.y());
            const int bits = std::max(signedBits(x), signedBits(y));
            w.ubits(0, 1);
            w.ubits(0b00001, 5);
            w.ubits(static_cast<quint32>(bits), 5);
            w.sbits(x, bits);
            w.sbits(y, bits);
            pen = QPointF(x, y);
            break;
        }
        case Record::Kind::Line: {
            const qint32 x = twips(r.a.x()), y = twips(r.a.y());
            const qint32 dx = x - qint32(pen.x()), dy = y - qint32(pen.y());
            const int bits = std::max({signedBits(dx), signedBits(dy), 2});
            w.ubits(1, 1);
            w.ubits(1, 1);
            w.ubits(static_cast<quint32>(bits - 2), 4);
            w.ubits(1, 1); // general line
            w.sbits(dx, bits);
            w.sbits(dy, bits);
            pen = QPointF(x, y);
            break;
        }
        case Record::Kind::Curve: {
            const qint32 cx = twips(r.a.x()), cy = twips(r.a.y());
            const qint32 ax = twips(r.b.x()), ay = twips(r.b.y());
            const qint32 d[4] = {cx - qint32(pen.x()), cy - qint32(pen.y()), ax - cx, ay - cy};
            int bits = 2;
            for (qint32 v : d)
                bits = std::max(bits, signedBits(v));
            w.ubits(1, 1);
            w.ubits(0, 1);
            w.ubits(static_cast<quint32>(bits - 2), 4);
            for (qint32 v : d)
                w.sbits(v, bits);
            pen = QPointF(ax, ay);
            break;
        }
        }
    }
    w.ubits(0, 6); // end of shape
    return w.data();
}

} // namespace swftest
