// The pixel work behind BitmapData's methods, in the player's integer arithmetic.
#include "swf/raster/pixel_ops.h"
#include "swf/raster/pixel_effects.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace swf::raster {

namespace {

std::uint32_t channel(std::uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

} // namespace

void fillRect(Pixels& pixels, const Rect& rect, std::uint32_t argb) {
    const Rect area = rect.intersected(pixels.bounds());
    if (area.empty()) return;
    const std::uint32_t value = pixels.toStored(argb);
    for (int y = area.y; y < area.y + area.height; ++y)
        std::fill_n(pixels.row(y) + area.x, area.width, value);
    pixels.touch();
}

bool floodFill(Pixels& pixels, int x, int y, std::uint32_t argb) {
    if (!pixels.contains(x, y)) return false;
    const std::uint32_t from = pixels.stored(x, y);
    const std::uint32_t to = pixels.toStored(argb);
    if (from == to) return false;
    // Each pixel is painted as it is queued, so the queue never holds more than the surface.
    std::vector<std::pair<int, int>> pending{{x, y}};
    pixels.setStored(x, y, to);
    while (!pending.empty()) {
        const auto [px, py] = pending.back();
        pending.pop_back();
        for (const auto& [nx, ny] : {std::pair{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}}) {
            if (!pixels.contains(nx, ny) || pixels.stored(nx, ny) != from) continue;
            pixels.setStored(nx, ny, to);
            pending.emplace_back(nx, ny);
        }
    }
    pixels.touch();
    return true;
}

void scroll(Pixels& pixels, int dx, int dy) {
    const int width = pixels.width(), height = pixels.height();
    if (std::abs(dx) >= width || std::abs(dy) >= height || (dx == 0 && dy == 0)) return;
    // Rows and columns the move uncovers keep what they held.
    const Pixels before = pixels;
    for (int y = std::max(0, dy); y < std::min(height, height + dy); ++y) {
        const std::uint32_t* source = before.row(y - dy);
        std::uint32_t* target = pixels.row(y);
        for (int x = std::max(0, dx); x < std::min(width, width + dx); ++x)
            target[x] = source[x - dx];
    }
    pixels.touch();
}

void copyPixels(Pixels& target, const CopySource& source, int toX, int toY) {
    if (!source.pixels) return;
    // Clip the source rectangle by both surfaces, moving the destination point with it.
    Rect from = source.rect.intersected(source.pixels->bounds());
    int offsetX = toX + (from.x - source.rect.x), offsetY = toY + (from.y - source.rect.y);
    const Rect to = Rect{offsetX, offsetY, from.width, from.height}.intersected(target.bounds());
    if (to.empty() || from.empty()) return;
    from = {from.x + (to.x - offsetX), from.y + (to.y - offsetY), to.width, to.height};
    // Reading from a copy keeps a copy of a surface onto itself right.
    const Pixels sourceCopy = *source.pixels;
    const bool blend = source.mergeAlpha || !target.transparent();
    for (int row = 0; row < to.height; ++row) {
        for (int column = 0; column < to.width; ++column) {
            const int sx = from.x + column, sy = from.y + row;
            std::uint32_t value = sourceCopy.stored(sx, sy);
            if (source.alpha) {
                const int ax = source.alphaX + (sx - source.rect.x),
                          ay = source.alphaY + (sy - source.rect.y);
                std::uint32_t mask = source.alpha->contains(ax, ay) ? source.alpha->stored(ax, ay) >> 24 : 0;
                // Scaled in 256ths, with full alpha counting as 256 so that it changes nothing.
                mask += mask >> 7;
                const std::uint32_t straight = unpremultiply(value);
                value = premultiply((straight & 0xFFFFFF) | (((straight >> 24) * mask) >> 8) << 24);
            }
            const int dx = to.x + column, dy = to.y + row;
            if (!blend) {
                target.setStored(dx, dy, value);
                continue;
            }
            const std::uint32_t alpha = value >> 24;
            const std::uint32_t under = target.stored(dx, dy);
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8)
                out |= std::min<std::uint32_t>(255, channel(value, shift) +
                                                        channel(under, shift) * (255 - alpha) / 255)
                       << shift;
            target.setStored(dx, dy, out);
        }
    }
    target.touch();
}

void colorTransform(Pixels& pixels, const Rect& rect, const std::array<double, 8>& transform) {
    const Rect area = rect.intersected(pixels.bounds());
    if (area.empty()) return;
    auto apply = [&](std::uint32_t value, int index) {
        const double result = std::floor(double(value) * transform[index] + transform[index + 4]);
        return std::uint32_t(std::clamp(result, 0.0, 255.0));
    };
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x) {
            const std::uint32_t colour = pixels.pixel32(x, y);
            pixels.setPixel32(x, y,
                              (apply(channel(colour, 24), 3) << 24) | (apply(channel(colour, 16), 0) << 16) |
                                  (apply(channel(colour, 8), 1) << 8) | apply(channel(colour, 0), 2));
        }
    pixels.touch();
}

std::optional<Pixels> compare(const Pixels& a, const Pixels& b) {
    Pixels difference(a.width(), a.height(), true, 0);
    bool differs = false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const std::uint32_t first = a.pixel32(x, y), second = b.pixel32(x, y);
            if (first == second) continue;
            differs = true;
            // A colour difference shows opaque, channel by channel; a difference in alpha
            // alone shows as white at the alpha difference.
            if ((first & 0xFFFFFF) != (second & 0xFFFFFF)) {
                std::uint32_t rgb = 0;
                for (int shift = 0; shift < 24; shift += 8)
                    rgb |= ((channel(first, shift) - channel(second, shift)) & 0xFF) << shift;
                difference.setPixel32(x, y, 0xFF000000u | rgb);
            } else {
                difference.setPixel32(x, y, (((first >> 24) - (second >> 24)) & 0xFF) << 24 | 0xFFFFFF);
            }
        }
    if (!differs) return std::nullopt;
    return difference;
}

bool hitsArea(const Pixels& pixels, const Rect& area, int minimumAlpha) {
    const Rect clipped = area.intersected(pixels.bounds());
    const std::uint32_t minimum = std::uint32_t(std::clamp(minimumAlpha, 0, 255));
    for (int y = clipped.y; y < clipped.y + clipped.height; ++y)
        for (int x = clipped.x; x < clipped.x + clipped.width; ++x)
            if ((pixels.stored(x, y) >> 24) >= minimum) return true;
    return false;
}

bool hitsSurface(const Pixels& first, int firstX, int firstY, int firstThreshold, const Pixels& second,
                 int secondX, int secondY, int secondThreshold) {
    const Rect overlap = Rect{firstX, firstY, first.width(), first.height()}.intersected(
        Rect{secondX, secondY, second.width(), second.height()});
    const std::uint32_t firstMinimum = std::uint32_t(std::clamp(firstThreshold, 1, 255));
    const std::uint32_t secondMinimum = std::uint32_t(std::clamp(secondThreshold, 1, 255));
    for (int y = overlap.y; y < overlap.y + overlap.height; ++y)
        for (int x = overlap.x; x < overlap.x + overlap.width; ++x)
            if ((first.stored(x - firstX, y - firstY) >> 24) >= firstMinimum &&
                (second.stored(x - secondX, y - secondY) >> 24) >= secondMinimum)
                return true;
    return false;
}

int pixelDissolve(Pixels& target, const Pixels* source, const Rect& area, int toX, int toY, int seed,
                  int numPixels, std::uint32_t argb) {
    // The walk covers only the pixels that land on the target.
    const std::optional<Placement> placed = place(target, source ? *source : target, area, toX, toY);
    if (!placed) return 0;
    const Rect& from = placed->from;
    const std::int64_t count = std::int64_t(from.width) * from.height;
    // A stride coprime with the count walks every pixel once before repeating.
    std::int64_t stride = count / 2 + 1;
    while (std::gcd(stride, count) != 1)
        ++stride;
    std::int64_t step = ((std::int64_t(seed) % count) + count) % count;
    const std::int64_t steps = std::min<std::int64_t>(std::max(numPixels, 0), count);
    // A surface dissolving into itself dissolves into the colour instead.
    const Pixels* read = source == &target ? nullptr : source;
    // The colour goes in as given, alpha and all, even on an opaque surface.
    const std::uint32_t fill = premultiply(argb);
    for (std::int64_t i = 0; i <= steps; ++i) {
        const std::int64_t index = (step * stride) % count;
        const int column = int(index % from.width), row = int(index / from.width);
        if (read)
            target.setStored(placed->toX + column, placed->toY + row,
                             read->stored(from.x + column, from.y + row));
        else
            target.row(placed->toY + row)[placed->toX + column] = fill;
        if (i < steps) step = (step + 1) % count;
    }
    target.touch();
    return int(step);
}

} // namespace swf::raster
