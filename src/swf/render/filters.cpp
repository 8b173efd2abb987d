// Box blurs and shadows on premultiplied images. A blur is a box filter run along the rows,
// then down the columns, once per pass; each step costs the same whatever the box's size, as
// a running sum slides over the line. Shadows and glows blur the object's coverage alone
// (one channel, not four) and colour it while compositing.
#include "swf/render/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swf::render {
namespace {

// floor(sum / size) by one multiplication and shift: exact for every sum of a box of bytes
// up to 256 wide in 32 bits, and up to 65,000 wide in 64.
class NarrowDivider {
  public:
    explicit NarrowDivider(int size) : m_multiplier((quint32(1) << 24) / quint32(size) + 1) {}
    quint8 operator()(quint32 sum) const { return quint8((sum * m_multiplier) >> 24); }
    static constexpr int kMaxSize = 256;

  private:
    quint32 m_multiplier;
};

class WideDivider {
  public:
    explicit WideDivider(int size) : m_multiplier((quint64(1) << 40) / quint64(size) + 1) {}
    quint8 operator()(quint32 sum) const { return quint8((quint64(sum) * m_multiplier) >> 40); }

  private:
    quint64 m_multiplier;
};

// The window of a box of size pixels around a pixel: before it, it, after it.
int windowBefore(int size) {
    return size / 2;
}

// One box pass along the rows of an image of channels interleaved bytes per pixel; beyond
// the row's ends counts as 0.
template <int Channels, typename Divider>
void blurRows(quint8* data, int width, int height, qsizetype stride, int size, std::vector<quint8>& scratch) {
    const int before = windowBefore(size);
    const Divider divide(size);
    // The row with its padding: before zeros ahead, size - before after.
    scratch.assign(size_t(width + size) * Channels, 0);
    for (int y = 0; y < height; ++y) {
        quint8* row = data + y * stride;
        std::memcpy(scratch.data() + size_t(before) * Channels, row, size_t(width) * Channels);
        quint32 sum[Channels] = {};
        for (int i = 0; i < size; ++i)
            for (int c = 0; c < Channels; ++c)
                sum[c] += scratch[size_t(i) * Channels + size_t(c)];
        const quint8* leaving = scratch.data();
        const quint8* entering = scratch.data() + size_t(size) * Channels;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < Channels; ++c) {
                row[c] = divide(sum[c]);
                sum[c] += quint32(entering[c]) - quint32(leaving[c]);
            }
            row += Channels;
            leaving += Channels;
            entering += Channels;
        }
    }
}

// One box pass down the columns of rowBytes bytes each, in place: the rows the window has
// passed are kept in a ring until they leave it.
template <typename Divider>
void blurColumns(quint8* data, int rowBytes, int height, qsizetype stride, int size,
                 std::vector<quint8>& ring, std::vector<quint32>& sums) {
    const int before = windowBefore(size), after = size - before - 1;
    const Divider divide(size);
    sums.assign(size_t(rowBytes), 0);
    for (int y = 0; y <= std::min(after, height - 1); ++y) {
        const quint8* row = data + y * stride;
        for (int i = 0; i < rowBytes; ++i)
            sums[size_t(i)] += row[i];
    }
    // The ring's rows, then one row of zeros for what lies beyond the image.
    const int ringRows = before + 1;
    ring.assign(size_t(ringRows + 1) * size_t(rowBytes), 0);
    const quint8* zeros = ring.data() + size_t(ringRows) * size_t(rowBytes);
    for (int y = 0; y < height; ++y) {
        quint8* row = data + y * stride;
        std::memcpy(ring.data() + size_t(y % ringRows) * size_t(rowBytes), row, size_t(rowBytes));
        const quint8* leaving =
            y >= before ? ring.data() + size_t((y - before) % ringRows) * size_t(rowBytes) : zeros;
        const quint8* entering = y + after + 1 < height ? data + (y + after + 1) * stride : zeros;
        quint32* sum = sums.data();
        for (int i = 0; i < rowBytes; ++i) {
            row[i] = divide(sum[i]);
            sum[i] += quint32(entering[i]) - quint32(leaving[i]);
        }
    }
}

int boxSize(double blur) {
    return std::max(1, int(std::lround(blur)));
}

template <int Channels>
void boxBlur(quint8* data, int width, int height, qsizetype stride, double blurX, double blurY, int passes,
             FilterBuffers& scratch) {
    const int sizeX = boxSize(blurX), sizeY = boxSize(blurY);
    if (width <= 0 || height <= 0) return;
    for (int pass = 0; pass < passes; ++pass) {
        if (sizeX > NarrowDivider::kMaxSize)
            blurRows<Channels, WideDivider>(data, width, height, stride, sizeX, scratch.line);
        else if (sizeX > 1)
            blurRows<Channels, NarrowDivider>(data, width, height, stride, sizeX, scratch.line);
        if (sizeY > NarrowDivider::kMaxSize)
            blurColumns<WideDivider>(data, width * Channels, height, stride, sizeY, scratch.line,
                                     scratch.sums);
        else if (sizeY > 1)
            blurColumns<NarrowDivider>(data, width * Channels, height, stride, sizeY, scratch.line,
                                       scratch.sums);
    }
}

// A shadow's coverage: how much of each pixel the object covers (or leaves uncovered, for
// an inner shadow), in the colour's alpha, blurred and strengthened.
void shadowCoverage(const QImage& layer, const format::ShadowFilter& shadow, double scale,
                    FilterBuffers& scratch) {
    const int w = layer.width(), h = layer.height();
    std::vector<quint8>& coverage = scratch.coverage;
    coverage.resize(size_t(w) * size_t(h));
    quint8 inColor[256];
    for (int a = 0; a < 256; ++a)
        inColor[a] = quint8((shadow.inner ? 255 - a : a) * shadow.color.alpha() / 255);
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        quint8* dst = coverage.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            dst[x] = inColor[qAlpha(src[x])];
    }
    boxBlur<1>(coverage.data(), w, h, w, shadow.blur.blurX * scale, shadow.blur.blurY * scale,
               shadow.blur.passes, scratch);
    if (shadow.strength != 1) {
        quint8 strengthened[256];
        for (int a = 0; a < 256; ++a)
            strengthened[a] = quint8(std::min(255.0, a * shadow.strength));
        for (quint8& a : coverage)
            a = strengthened[a];
    }
}

inline QRgb scaled(QRgb p, int by) {
    return qRgba(qRed(p) * by / 255, qGreen(p) * by / 255, qBlue(p) * by / 255, qAlpha(p) * by / 255);
}

inline QRgb plus(QRgb a, QRgb b) {
    return qRgba(std::min(255, qRed(a) + qRed(b)), std::min(255, qGreen(a) + qGreen(b)),
                 std::min(255, qBlue(a) + qBlue(b)), std::min(255, qAlpha(a) + qAlpha(b)));
}

// The shadow (coverage moved by the filter's distance, in its colour) under the object, or,
// for an inner shadow, over it inside its own coverage; knockout leaves the object out.
void applyShadow(QImage& layer, const format::ShadowFilter& shadow, double scale, FilterBuffers& scratch) {
    const int w = layer.width(), h = layer.height();
    if (w <= 0 || h <= 0) return;
    shadowCoverage(layer, shadow, scale, scratch);
    const std::vector<quint8>& coverage = scratch.coverage;
    const int dx = int(std::lround(std::cos(shadow.angle) * shadow.distance * scale));
    const int dy = int(std::lround(std::sin(shadow.angle) * shadow.distance * scale));
    // The shadow's colour, premultiplied, at each coverage.
    QRgb colorAt[256];
    for (int a = 0; a < 256; ++a)
        colorAt[a] = qRgba(shadow.color.red() * a / 255, shadow.color.green() * a / 255,
                           shadow.color.blue() * a / 255, a);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        const int fromY = y - dy;
        const quint8* shadowLine =
            fromY >= 0 && fromY < h ? coverage.data() + size_t(fromY) * size_t(w) : nullptr;
        if (!shadowLine && !shadow.knockout) continue;
        for (int x = 0; x < w; ++x) {
            const int fromX = x - dx;
            const int amount = shadowLine && fromX >= 0 && fromX < w ? shadowLine[fromX] : 0;
            const QRgb object = line[x];
            const int objectAlpha = qAlpha(object);
            // Most pixels keep the object as it is: no shadow there, or an opaque object over it.
            if (!shadow.knockout && (amount == 0 || (!shadow.inner && objectAlpha == 255))) continue;
            if (shadow.inner) {
                const QRgb inside = scaled(colorAt[amount], objectAlpha);
                line[x] = shadow.knockout ? inside : plus(inside, scaled(object, 255 - qAlpha(inside)));
            } else {
                const QRgb under = scaled(colorAt[amount], 255 - objectAlpha);
                line[x] = shadow.knockout ? under : plus(object, under);
            }
        }
    }
}

} // namespace

bool hasDrawableFilter(const std::vector<format::Filter>& filters) {
    for (const format::Filter& filter : filters)
        if (filter.type <= 2) return true;
    return false;
}

QMargins filterReach(const std::vector<format::Filter>& filters, double scale) {
    QMargins reach;
    for (const format::Filter& filter : filters) {
        const format::DecodedFilter decoded = format::decodeFilter(filter);
        const format::BlurParameters* blur = nullptr;
        if (decoded.kind == format::DecodedFilter::Kind::Blur)
            blur = &decoded.blur;
        else if (decoded.kind == format::DecodedFilter::Kind::Shadow)
            blur = &decoded.shadow.blur; // an inner one too: it is cast from the object's outside
        if (!blur) continue;
        const int x = blur->passes * windowBefore(boxSize(blur->blurX * scale)) + 1;
        const int y = blur->passes * windowBefore(boxSize(blur->blurY * scale)) + 1;
        QMargins grown(x, y, x, y);
        if (decoded.kind == format::DecodedFilter::Kind::Shadow) {
            const auto& shadow = decoded.shadow;
            const int dx = int(std::lround(std::cos(shadow.angle) * shadow.distance * scale));
            const int dy = int(std::lround(std::sin(shadow.angle) * shadow.distance * scale));
            grown += QMargins(std::max(0, -dx), std::max(0, -dy), std::max(0, dx), std::max(0, dy));
        }
        reach += grown;
    }
    return reach;
}

void applyFilters(QImage& layer, const std::vector<format::Filter>& filters, double scale,
                  FilterBuffers* buffers) {
    if (layer.isNull() || layer.format() != QImage::Format_ARGB32_Premultiplied) return;
    FilterBuffers own;
    FilterBuffers& scratch = buffers ? *buffers : own;
    for (const format::Filter& filter : filters) {
        const format::DecodedFilter decoded = format::decodeFilter(filter);
        if (decoded.kind == format::DecodedFilter::Kind::Blur) {
            boxBlur<4>(layer.bits(), layer.width(), layer.height(), layer.bytesPerLine(),
                       decoded.blur.blurX * scale, decoded.blur.blurY * scale, decoded.blur.passes, scratch);
        } else if (decoded.kind == format::DecodedFilter::Kind::Shadow) {
            applyShadow(layer, decoded.shadow, scale, scratch);
        }
    }
}

} // namespace swf::render
