// Storage and colour conversion of script-drawn pixels.
#include "swf/raster/pixels.h"

#include <algorithm>
#include <atomic>

namespace swf::raster {

namespace {
std::atomic<std::int64_t> g_livePixels{0};
} // namespace

std::int64_t livePixels() {
    return g_livePixels.load();
}

bool roomFor(int width, int height) {
    return livePixels() + std::int64_t(width) * height <= kMaxLivePixels;
}

Pixels::Tally::Tally(std::int64_t pixels) : m_pixels(pixels) {
    g_livePixels += pixels;
}

Pixels::Tally& Pixels::Tally::operator=(const Tally& other) {
    g_livePixels += other.m_pixels - m_pixels;
    m_pixels = other.m_pixels;
    return *this;
}

Pixels::Tally::~Tally() {
    g_livePixels -= m_pixels;
}

bool validSize(int width, int height, int swfVersion) {
    if (width <= 0 || height <= 0) return false;
    if (swfVersion < 10) return width <= kMaxSideBefore10 && height <= kMaxSideBefore10;
    return width <= kMaxSide && height <= kMaxSide && std::int64_t(width) * height <= kMaxPixels;
}

std::uint32_t premultiply(std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    if (alpha == 0xFF) return argb;
    if (alpha == 0) return 0;
    auto channel = [alpha](std::uint32_t value) { return (value * alpha * 2 + 255) / 510; };
    return (alpha << 24) | (channel((argb >> 16) & 0xFF) << 16) | (channel((argb >> 8) & 0xFF) << 8) |
           channel(argb & 0xFF);
}

std::uint32_t unpremultiply(std::uint32_t premultiplied) {
    const std::uint32_t alpha = premultiplied >> 24;
    if (alpha == 0xFF) return premultiplied;
    if (alpha == 0) return 0;
    // Halves round down: a colour written and read back at partial alpha comes back a step
    // darker rather than a step brighter.
    auto channel = [alpha](std::uint32_t value) {
        return std::min<std::uint32_t>(255, (value * 510 + alpha - 1) / (2 * alpha));
    };
    return (alpha << 24) | (channel((premultiplied >> 16) & 0xFF) << 16) |
           (channel((premultiplied >> 8) & 0xFF) << 8) | channel(premultiplied & 0xFF);
}

Rect Rect::intersected(const Rect& other) const {
    const int left = std::max(x, other.x), top = std::max(y, other.y);
    const int right = std::min(x + width, other.x + other.width);
    const int bottom = std::min(y + height, other.y + other.height);
    if (right <= left || bottom <= top) return {left, top, 0, 0};
    return {left, top, right - left, bottom - top};
}

Pixels::Pixels(int width, int height, bool transparent, std::uint32_t fillArgb)
    : m_width(width), m_height(height), m_transparent(transparent),
      m_data(std::size_t(width) * std::size_t(height), toStored(fillArgb)) {}

std::uint32_t Pixels::pixel32(int x, int y) const {
    return unpremultiply(stored(x, y));
}

void Pixels::setPixel32(int x, int y, std::uint32_t argb) {
    setStored(x, y, toStored(argb));
}

} // namespace swf::raster
