// Brushes and pens.
#include "swf/render/paint_styles.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace swf::render {
namespace {

// Gradients live in a square 32768 twips wide centred on the origin.
constexpr double kGradientHalf = 16384.0;
// Steps added between stops to imitate interpolation in linear light.
constexpr int kLinearRgbSteps = 8;

// Linear light is the sRGB curve, and the ramp between stops is held as 8-bit linear values,
// which is what makes the dark end of such a gradient step the way the authoring tools show.
double toLinear(double c) {
    c /= 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
int fromLinear(double v) {
    v = std::floor(std::clamp(v, 0.0, 1.0) * 255.0 + 1e-9) / 255.0;
    const double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return std::clamp(static_cast<int>(std::lround(c * 255.0)), 0, 255);
}

QColor mixColors(const QColor& a, const QColor& b, double t, bool linearLight) {
    auto mix = [&](int x, int y) {
        if (linearLight) return fromLinear(toLinear(x) + (toLinear(y) - toLinear(x)) * t);
        return static_cast<int>(std::lround(x + (y - x) * t));
    };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                  static_cast<int>(std::lround(a.alpha() + (b.alpha() - a.alpha()) * t)));
}

// Ratios that go backwards: the colour at a ratio comes from the first record at or past it
// and the record just before that one, whatever their order; past the last, the last.
QGradientStops sampledStops(const std::vector<format::GradientRecord>& records, bool linearLight,
                            const format::ColorTransform& cx) {
    QGradientStops stops;
    for (int r = 0; r <= 255; ++r) {
        size_t next = 0;
        while (next < records.size() && records[next].ratio < r)
            ++next;
        QColor color;
        if (next == records.size()) {
            color = records.back().color;
        } else if (next == 0) {
            color = records.front().color;
        } else {
            const format::GradientRecord& a = records[next - 1];
            const format::GradientRecord& b = records[next];
            const double span = double(b.ratio) - a.ratio;
            const double t = span > 0 ? std::clamp((r - a.ratio) / span, 0.0, 1.0) : 1.0;
            color = mixColors(a.color, b.color, t, linearLight);
        }
        // Each ratio owns a 256th of the span, as in a 256-entry colour ramp.
        const QColor applied = cx.apply(color);
        stops.append({r / 256.0, applied});
        stops.append({(r + 1) / 256.0 - 1e-6, applied});
    }
    return stops;
}

QGradientStops gradientStops(const format::Gradient& gradient, const format::ColorTransform& cx) {
    const std::vector<format::GradientRecord>& records = gradient.records;
    const bool linearLight = gradient.interpolation == format::InterpolationMode::LinearRgb;
    if (records.empty()) return {{0.0, QColor(Qt::transparent)}};
    for (size_t i = 1; i < records.size(); ++i)
        if (records[i].ratio < records[i - 1].ratio) return sampledStops(records, linearLight, cx);
    QGradientStops stops;
    for (size_t i = 0; i < records.size(); ++i) {
        const QColor color = cx.apply(records[i].color);
        const double at = records[i].ratio / 255.0;
        if (linearLight && i > 0) {
            const QColor prev = cx.apply(records[i - 1].color);
            const double prevAt = records[i - 1].ratio / 255.0;
            for (int step = 1; step < kLinearRgbSteps; ++step) {
                const double t = double(step) / kLinearRgbSteps;
                stops.append({prevAt + (at - prevAt) * t, mixColors(prev, color, t, true)});
            }
        }
        stops.append({at, color});
    }
    // Qt merges stops at one position into one; nudge them apart to keep the hard edge.
    for (qsizetype i = 1; i < stops.size(); ++i)
        if (stops[i].first <= stops[i - 1].first) stops[i].first = std::min(1.0, stops[i - 1].first + 1e-6);
    return stops;
}

QGradient::Spread spreadOf(format::SpreadMode mode) {
    switch (mode) {
    case format::SpreadMode::Reflect:
        return QGradient::ReflectSpread;
    case format::SpreadMode::Repeat:
        return QGradient::RepeatSpread;
    default:
        return QGradient::PadSpread;
    }
}

} // namespace

QBrush makeBrush(const format::FillStyle& fill, const format::ColorTransform& cx,
                 const BitmapLookup& bitmaps) {
    switch (fill.kind) {
    case format::FillStyle::Kind::Solid:
        return QBrush(cx.apply(fill.color));
    case format::FillStyle::Kind::LinearGradient: {
        QLinearGradient gradient(-kGradientHalf, 0, kGradientHalf, 0);
        // Colours blend as plain components, not premultiplied: a stop fading to
        // transparent keeps its own colour on the way.
        gradient.setInterpolationMode(QGradient::ComponentInterpolation);
        gradient.setStops(gradientStops(fill.gradient, cx));
        gradient.setSpread(spreadOf(fill.gradient.spread));
        QBrush brush(gradient);
        brush.setTransform(fill.gradient.matrix.toTransform());
        return brush;
    }
    case format::FillStyle::Kind::RadialGradient:
    case format::FillStyle::Kind::FocalGradient: {
        const double focal =
            fill.kind == format::FillStyle::Kind::FocalGradient ? fill.gradient.focalPoint : 0;
        QRadialGradient gradient(QPointF(0, 0), kGradientHalf, QPointF(focal * kGradientHalf, 0));
        gradient.setInterpolationMode(QGradient::ComponentInterpolation);
        gradient.setStops(gradientStops(fill.gradient, cx));
        gradient.setSpread(spreadOf(fill.gradient.spread));
        QBrush brush(gradient);
        brush.setTransform(fill.gradient.matrix.toTransform());
        return brush;
    }
    case format::FillStyle::Kind::Bitmap: {
        const QImage image = bitmaps ? bitmaps(fill.bitmapId) : QImage();
        // A fill whose bitmap is missing is drawn red-free: simply not at all.
        if (image.isNull()) return QBrush(Qt::NoBrush);
        QBrush brush(image);
        brush.setTransform(fill.bitmapMatrix.toTransform());
        return brush;
    }
    }
    return QBrush(Qt::NoBrush);
}

double penDeviceWidth(const format::LineStyle& line, const PenContext& context) {
    // A line that ignores horizontal scaling still follows vertical scaling, and the other
    // way round; ignoring both keeps it as wide as at stage scale.
    if (line.noHScale && line.noVScale) return line.width * context.stageScale;
    if (line.noHScale) return line.width * context.stageScale * context.objectScaleY;
    if (line.noVScale) return line.width * context.stageScale * context.objectScaleX;
    return line.width * context.objectScale;
}

QPen makePen(const format::LineStyle& line, const format::ColorTransform& cx, const BitmapLookup& bitmaps,
             const PenContext& context) {
    QPen pen;
    if (line.fill)
        pen.setBrush(makeBrush(*line.fill, cx, bitmaps));
    else
        pen.setColor(cx.apply(line.color));
    const double deviceWidth = penDeviceWidth(line, context);
    if (deviceWidth <= 1.0) {
        // Thinner lines, hairlines included, still show as one device pixel; a one-pixel
        // cosmetic pen also takes the painter's fast path.
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    } else {
        // Strokes keep an even width under skew and uneven scaling: the width scales by the
        // object's overall scale and is drawn in device space.
        pen.setCosmetic(true);
        pen.setWidthF(deviceWidth);
    }
    switch (line.startCap) {
    case format::CapStyle::None:
        pen.setCapStyle(Qt::FlatCap);
        break;
    case format::CapStyle::Square:
        pen.setCapStyle(Qt::SquareCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (line.join) {
    case format::JoinStyle::Bevel:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case format::JoinStyle::Miter:
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(std::max(1.0, line.miterLimit));
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

} // namespace swf::render
