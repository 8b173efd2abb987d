// Blend mode compositing.
#include "swf/render/blend.h"

#include <algorithm>

namespace swf::render {
namespace {

using format::BlendMode;

// Modes QPainter has no composition mode for, done by hand on an image device.
void compositeByHand(QImage& target, const QImage& layer, QPoint at, BlendMode mode) {
    const QRect area = QRect(at, layer.size()) & target.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(target.scanLine(y)) + area.left();
        const auto* src =
            reinterpret_cast<const QRgb*>(layer.constScanLine(y - at.y())) + (area.left() - at.x());
        for (int x = 0; x < area.width(); ++x) {
            const int a = qAlpha(src[x]);
            if (a == 0) continue;
            const QRgb d = dst[x];
            const QRgb s = src[x]; // premultiplied: partial coverage subtracts less
            if (mode == BlendMode::Subtract) {
                dst[x] = qRgba(std::max(0, qRed(d) - qRed(s)), std::max(0, qGreen(d) - qGreen(s)),
                               std::max(0, qBlue(d) - qBlue(s)), qAlpha(d));
                continue;
            }
            // Invert: the colour beneath, inverted, where the object covers.
            const int r = qAlpha(d) - qRed(d), g = qAlpha(d) - qGreen(d), b = qAlpha(d) - qBlue(d);
            auto mix = [a](int under, int over) { return (under * (255 - a) + over * a) / 255; };
            dst[x] = qRgba(mix(qRed(d), r), mix(qGreen(d), g), mix(qBlue(d), b), qAlpha(d));
        }
    }
}

} // namespace

bool needsLayer(BlendMode mode) {
    return mode != BlendMode::Normal;
}

void compositeLayer(QPainter& painter, const QImage& layer, QPoint at, BlendMode mode, bool insideLayer) {
    QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver;
    switch (mode) {
    case BlendMode::Multiply:
        composition = QPainter::CompositionMode_Multiply;
        break;
    case BlendMode::Screen:
        composition = QPainter::CompositionMode_Screen;
        break;
    case BlendMode::Lighten:
        composition = QPainter::CompositionMode_Lighten;
        break;
    case BlendMode::Darken:
        composition = QPainter::CompositionMode_Darken;
        break;
    case BlendMode::Difference:
        composition = QPainter::CompositionMode_Difference;
        break;
    case BlendMode::Add:
        composition = QPainter::CompositionMode_Plus;
        break;
    case BlendMode::Overlay:
        composition = QPainter::CompositionMode_Overlay;
        break;
    case BlendMode::HardLight:
        composition = QPainter::CompositionMode_HardLight;
        break;
    case BlendMode::Alpha:
    case BlendMode::Erase:
        // They shape the enclosing layer; with none, the object simply does not show.
        if (!insideLayer) return;
        composition = mode == BlendMode::Alpha ? QPainter::CompositionMode_DestinationIn
                                               : QPainter::CompositionMode_DestinationOut;
        break;
    case BlendMode::Subtract:
    case BlendMode::Invert:
        if (auto* image = dynamic_cast<QImage*>(painter.device());
            image && image->format() == QImage::Format_ARGB32_Premultiplied) {
            compositeByHand(*image, layer, at, mode);
            return;
        }
        // Other devices cannot be read back; difference is the nearest Qt has.
        composition = QPainter::CompositionMode_Difference;
        break;
    default:
        break;
    }
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(composition);
    painter.drawImage(at, layer);
    if (mode == BlendMode::Alpha && painter.device()) {
        // Alpha keeps the enclosing layer only where the object is: nothing beyond the layer.
        QRegion outside(0, 0, painter.device()->width(), painter.device()->height());
        outside -= QRegion(QRect(at, layer.size()));
        painter.setClipRegion(outside);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(outside.boundingRect(), Qt::transparent);
    }
    painter.restore();
}

} // namespace swf::render
