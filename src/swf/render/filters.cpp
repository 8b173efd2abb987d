// Box blurs and shadows on premultiplied images.
#include "swf/render/filters.h"

#include <QPainter>

#include <cmath>

namespace swf::render {
namespace {

// One box-blur pass along a line of n pixels, stride apart, window width size.
void blurLine(QRgb* line, int n, int stride, int size, std::vector<QRgb>& scratch) {
    if (size <= 1 || n <= 0) return;
    scratch.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        scratch[size_t(i)] = line[qsizetype(i) * stride];
    const int before = size / 2, after = size - before - 1;
    int sum[4] = {0, 0, 0, 0};
    auto add = [&](int index, int sign) {
        if (index < 0 || index >= n) return;
        const QRgb p = scratch[size_t(index)];
        sum[0] += sign * qAlpha(p);
        sum[1] += sign * qRed(p);
        sum[2] += sign * qGreen(p);
        sum[3] += sign * qBlue(p);
    };
    for (int i = -before; i <= after; ++i)
        add(i, 1);
    for (int i = 0; i < n; ++i) {
        line[qsizetype(i) * stride] = qRgba(sum[1] / size, sum[2] / size, sum[3] / size, sum[0] / size);
        add(i - before, -1);
        add(i + after + 1, 1);
    }
}

void boxBlur(QImage& image, double blurX, double blurY, int passes) {
    const int sizeX = std::max(1, int(std::lround(blurX))), sizeY = std::max(1, int(std::lround(blurY)));
    if (sizeX <= 1 && sizeY <= 1) return;
    const int w = image.width(), h = image.height();
    auto* pixels = reinterpret_cast<QRgb*>(image.bits());
    const int stride = int(image.bytesPerLine() / 4);
    std::vector<QRgb> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y)
            blurLine(pixels + qsizetype(y) * stride, w, 1, sizeX, scratch);
        for (int x = 0; x < w; ++x)
            blurLine(pixels + x, h, stride, sizeY, scratch);
    }
}

// The part of image holding anything, grown by margin and kept inside the image.
QRect paintedArea(const QImage& image, int margin) {
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!qAlpha(line[x])) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-margin, -margin, margin, margin) &
           image.rect();
}

void applyShadow(QImage& layer, const format::ShadowFilter& shadow, double scale) {
    const QRect area = paintedArea(
        layer, int(std::ceil((shadow.blur.blurX + shadow.blur.blurY + shadow.distance) * scale)) + 2);
    if (area.isEmpty()) return;
    // The shadow is the object's coverage in the filter's colour, blurred and strengthened.
    QImage mask(area.size(), QImage::Format_ARGB32_Premultiplied);
    const QColor color = shadow.color;
    for (int y = 0; y < area.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(area.top() + y)) + area.left();
        auto* dst = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            const int coverage = shadow.inner ? 255 - qAlpha(src[x]) : qAlpha(src[x]);
            const int a = coverage * color.alpha() / 255;
            dst[x] = qRgba(color.red() * a / 255, color.green() * a / 255, color.blue() * a / 255, a);
        }
    }
    boxBlur(mask, shadow.blur.blurX * scale, shadow.blur.blurY * scale, shadow.blur.passes);
    if (shadow.strength != 1) {
        for (int y = 0; y < mask.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(mask.scanLine(y));
            for (int x = 0; x < mask.width(); ++x) {
                const QRgb p = line[x];
                const double k = std::min(shadow.strength, 255.0 / std::max(1, qAlpha(p)));
                line[x] = qRgba(int(qRed(p) * k), int(qGreen(p) * k), int(qBlue(p) * k), int(qAlpha(p) * k));
            }
        }
    }
    const QPointF offset(std::cos(shadow.angle) * shadow.distance * scale,
                         std::sin(shadow.angle) * shadow.distance * scale);
    QImage result(layer.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    if (shadow.inner) {
        // Inside the object only: the object, then the shadow clipped to its coverage.
        painter.drawImage(0, 0, layer);
        QImage inside(layer.size(), QImage::Format_ARGB32_Premultiplied);
        inside.fill(Qt::transparent);
        QPainter insidePainter(&inside);
        insidePainter.drawImage(area.topLeft() + offset, mask);
        insidePainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        insidePainter.drawImage(0, 0, layer);
        insidePainter.end();
        if (shadow.knockout) result.fill(Qt::transparent);
        painter.drawImage(0, 0, inside);
    } else {
        painter.drawImage(area.topLeft() + offset, mask);
        if (shadow.knockout) {
            painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
            painter.drawImage(0, 0, layer);
        } else {
            painter.drawImage(0, 0, layer);
        }
    }
    painter.end();
    layer = std::move(result);
}

} // namespace

bool hasDrawableFilter(const std::vector<format::Filter>& filters) {
    for (const format::Filter& filter : filters)
        if (filter.type <= 2) return true;
    return false;
}

void applyFilters(QImage& layer, const std::vector<format::Filter>& filters, double scale) {
    for (const format::Filter& filter : filters) {
        const format::DecodedFilter decoded = format::decodeFilter(filter);
        if (decoded.kind == format::DecodedFilter::Kind::Blur) {
            const QRect area =
                paintedArea(layer, int(std::ceil((decoded.blur.blurX + decoded.blur.blurY) * scale)) + 2);
            if (area.isEmpty()) continue;
            QImage part = layer.copy(area);
            boxBlur(part, decoded.blur.blurX * scale, decoded.blur.blurY * scale, decoded.blur.passes);
            QPainter painter(&layer);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(area.topLeft(), part);
        } else if (decoded.kind == format::DecodedFilter::Kind::Shadow) {
            applyShadow(layer, decoded.shadow, scale);
        }
    }
}

} // namespace swf::render
