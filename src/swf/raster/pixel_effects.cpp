// Per-channel BitmapData effects over straight colours.
#include "swf/raster/pixel_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swf::raster {

namespace {

int shiftOf(int channel) {
    switch (channel) {
    case 1:
        return 16;
    case 2:
        return 8;
    case 4:
        return 0;
    case 8:
        return 24;
    default:
        return -1;
    }
}

template <typename Body>
void forEachPlaced(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY, Body body) {
    const std::optional<Placement> placed = place(target, source, rect, toX, toY);
    if (!placed) return;
    // A surface working on itself reads what it held before.
    const std::optional<Pixels> copy = &source == &target ? std::optional<Pixels>(source) : std::nullopt;
    const Pixels& read = copy ? *copy : source;
    for (int y = 0; y < placed->from.height; ++y)
        for (int x = 0; x < placed->from.width; ++x) {
            const int tx = placed->toX + x, ty = placed->toY + y;
            const std::uint32_t result =
                body(read.pixel32(placed->from.x + x, placed->from.y + y), target.pixel32(tx, ty));
            target.setPixel32(tx, ty, result);
        }
    target.touch();
}

} // namespace

std::optional<Placement> place(const Pixels& target, const Pixels& source, const Rect& rect, int toX,
                               int toY) {
    Rect from = rect.intersected(source.bounds());
    if (from.empty()) return std::nullopt;
    const int shiftedX = toX + (from.x - rect.x), shiftedY = toY + (from.y - rect.y);
    const Rect to = Rect{shiftedX, shiftedY, from.width, from.height}.intersected(target.bounds());
    if (to.empty()) return std::nullopt;
    from = {from.x + (to.x - shiftedX), from.y + (to.y - shiftedY), to.width, to.height};
    return Placement{from, to.x, to.y};
}

std::optional<Comparison> comparisonNamed(const char* name) {
    static const std::pair<const char*, Comparison> kNames[] = {
        {"<", Comparison::Less},    {"<=", Comparison::LessOrEqual},
        {">", Comparison::Greater}, {">=", Comparison::GreaterOrEqual},
        {"==", Comparison::Equal},  {"!=", Comparison::NotEqual}};
    for (const auto& [text, comparison] : kNames)
        if (std::strcmp(text, name) == 0) return comparison;
    return std::nullopt;
}

int threshold(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
              const ThresholdTest& test) {
    int count = 0;
    const std::uint32_t limit = test.threshold & test.mask;
    forEachPlaced(target, source, rect, toX, toY, [&](std::uint32_t from, std::uint32_t under) {
        const std::uint32_t value = from & test.mask;
        bool passes = false;
        switch (test.comparison) {
        case Comparison::Less:
            passes = value < limit;
            break;
        case Comparison::LessOrEqual:
            passes = value <= limit;
            break;
        case Comparison::Greater:
            passes = value > limit;
            break;
        case Comparison::GreaterOrEqual:
            passes = value >= limit;
            break;
        case Comparison::Equal:
            passes = value == limit;
            break;
        case Comparison::NotEqual:
            passes = value != limit;
            break;
        }
        if (passes) {
            ++count;
            return test.colour;
        }
        return test.copySource ? from : under;
    });
    return count;
}

void copyChannel(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY, int fromChannel,
                 int toChannel) {
    const int fromShift = shiftOf(fromChannel), toShift = shiftOf(toChannel);
    if (fromShift < 0 || toShift < 0) return;
    forEachPlaced(target, source, rect, toX, toY, [&](std::uint32_t from, std::uint32_t under) {
        const std::uint32_t value = (from >> fromShift) & 0xFF;
        return (under & ~(0xFFu << toShift)) | (value << toShift);
    });
}

void merge(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
           const std::array<int, 4>& redGreenBlueAlpha) {
    static const int kShifts[] = {16, 8, 0, 24};
    forEachPlaced(target, source, rect, toX, toY, [&](std::uint32_t from, std::uint32_t under) {
        std::uint32_t result = 0;
        for (int i = 0; i < 4; ++i) {
            const int m = std::clamp(redGreenBlueAlpha[i], 0, 256);
            const std::uint32_t a = (from >> kShifts[i]) & 0xFF, b = (under >> kShifts[i]) & 0xFF;
            result |= ((a * std::uint32_t(m) + b * std::uint32_t(256 - m)) / 256) << kShifts[i];
        }
        return result;
    });
}

void paletteMap(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
                const std::array<std::vector<std::uint32_t>, 4>& redGreenBlueAlpha) {
    static const int kShifts[] = {16, 8, 0, 24};
    forEachPlaced(target, source, rect, toX, toY, [&](std::uint32_t from, std::uint32_t) {
        std::uint32_t result = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t value = (from >> kShifts[i]) & 0xFF;
            const auto& table = redGreenBlueAlpha[i];
            result += table.size() > value ? table[value] : value << kShifts[i];
        }
        return result;
    });
}

void colorMatrix(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
                 const std::array<double, 20>& matrix) {
    static const int kShifts[] = {16, 8, 0, 24};
    forEachPlaced(target, source, rect, toX, toY, [&](std::uint32_t from, std::uint32_t) {
        double in[4];
        for (int i = 0; i < 4; ++i)
            in[i] = double((from >> kShifts[i]) & 0xFF);
        std::uint32_t result = 0;
        for (int row = 0; row < 4; ++row) {
            const double* m = matrix.data() + row * 5;
            const double value = m[0] * in[0] + m[1] * in[1] + m[2] * in[2] + m[3] * in[3] + m[4];
            const double clamped = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 255.0);
            result |= std::uint32_t(clamped) << kShifts[row];
        }
        return result;
    });
}

void noise(Pixels& pixels, int seed, int low, int high, int channels, bool grey) {
    low = std::clamp(low, 0, 255);
    high = std::clamp(high, low, 255);
    // A Park-Miller generator: the same seed gives the same picture.
    // Seeds below 1 fold onto the positive ones: 0 acts as 1, -1 as 2.
    const std::int64_t folded = seed > 0 ? std::int64_t(seed) : 1 - std::int64_t(seed);
    std::uint32_t state = std::uint32_t(folded % 2147483647);
    if (state == 0) state = 1;
    auto next = [&state, low, high]() {
        state = std::uint32_t((std::uint64_t(state) * 16807u) % 2147483647u);
        return std::uint32_t(low + int(state % std::uint32_t(high - low + 1)));
    };
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) {
            std::uint32_t colour = 0;
            if (grey) {
                const std::uint32_t value = next();
                colour = (value << 16) | (value << 8) | value;
            } else {
                for (int channel : {1, 2, 4})
                    if (channels & channel) colour |= next() << shiftOf(channel);
            }
            colour |= (channels & 8) ? next() << 24 : 0xFF000000u;
            pixels.setPixel32(x, y, colour);
        }
    pixels.touch();
}

namespace {

// One channel's lattice: a permutation of 0..255 shuffled by the seed, and a gradient per slot.
class GradientLattice {
  public:
    explicit GradientLattice(std::uint32_t seed) {
        std::uint32_t state = seed % 2147483647u;
        if (state == 0) state = 1;
        auto next = [&state]() {
            state = std::uint32_t((std::uint64_t(state) * 16807u) % 2147483647u);
            return state;
        };
        for (int i = 0; i < 256; ++i)
            permutation_[i] = std::uint8_t(i);
        for (int i = 255; i > 0; --i)
            std::swap(permutation_[i], permutation_[next() % std::uint32_t(i + 1)]);
        for (int i = 0; i < 256; ++i) {
            const double angle = double(next() % 65536u) * (2.0 * M_PI / 65536.0);
            gradients_[i][0] = std::cos(angle);
            gradients_[i][1] = std::sin(angle);
        }
    }

    // Noise within about -0.7..0.7 at (x, y), 0 on the lattice points; periods above 0 wrap the lattice so
    // the result tiles.
    double at(double x, double y, int periodX, int periodY) const {
        const double floorX = std::floor(x), floorY = std::floor(y);
        const double fx = x - floorX, fy = y - floorY;
        const long long cellX = (long long)floorX, cellY = (long long)floorY;
        auto corner = [&](int dx, int dy) {
            long long cx = cellX + dx, cy = cellY + dy;
            if (periodX > 0) cx = ((cx % periodX) + periodX) % periodX;
            if (periodY > 0) cy = ((cy % periodY) + periodY) % periodY;
            const int slot = permutation_[(permutation_[cx & 255] + int(cy & 255)) & 255];
            return gradients_[slot][0] * (fx - dx) + gradients_[slot][1] * (fy - dy);
        };
        auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
        const double u = fade(fx), v = fade(fy);
        const double top = corner(0, 0) + u * (corner(1, 0) - corner(0, 0));
        const double bottom = corner(0, 1) + u * (corner(1, 1) - corner(0, 1));
        return top + v * (bottom - top);
    }

  private:
    std::uint8_t permutation_[256];
    double gradients_[256][2];
};

} // namespace

void perlinNoise(Pixels& pixels, const PerlinOptions& options) {
    const int width = pixels.width(), height = pixels.height();
    if (width <= 0 || height <= 0) return;
    // The octaves from the eleventh on weigh 2^-10 and less, together under half a level.
    const int octaves = std::clamp(options.octaves, 0, 10);
    const int seed = options.seed;
    const std::uint32_t baseSeed = std::uint32_t(seed > 0 ? std::int64_t(seed) : 1 - std::int64_t(seed));
    // Grey noise fills the colour whatever colour channels are asked for; alpha keeps its own.
    std::vector<int> wanted;
    if (options.grey) {
        wanted.push_back(7);
    } else {
        for (int bit : {1, 2, 4})
            if (options.channels & bit) wanted.push_back(bit);
    }
    if (options.channels & 8) wanted.push_back(8);

    struct Octave {
        double frequencyX, frequencyY, offsetX, offsetY, weight;
        int periodX, periodY;
    };
    std::vector<Octave> plan;
    double weight = 1.0;
    for (int o = 0; o < octaves; ++o) {
        Octave octave{};
        const double scale = std::ldexp(1.0, o);
        octave.frequencyX = options.baseX != 0 ? scale / std::abs(options.baseX) : 0.0;
        octave.frequencyY = options.baseY != 0 ? scale / std::abs(options.baseY) : 0.0;
        if (options.stitch) {
            if (octave.frequencyX > 0) {
                octave.periodX = std::max(1, int(std::lround(width * octave.frequencyX)));
                octave.frequencyX = double(octave.periodX) / width;
            }
            if (octave.frequencyY > 0) {
                octave.periodY = std::max(1, int(std::lround(height * octave.frequencyY)));
                octave.frequencyY = double(octave.periodY) / height;
            }
        }
        if (!options.offsets.empty()) {
            const auto& shift =
                options.offsets[std::min<std::size_t>(std::size_t(o), options.offsets.size() - 1)];
            octave.offsetX = shift.first;
            octave.offsetY = shift.second;
        }
        octave.weight = weight;
        weight *= 0.5;
        plan.push_back(octave);
    }

    std::vector<GradientLattice> lattices;
    lattices.reserve(wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i)
        lattices.emplace_back(std::uint32_t((baseSeed + 7919u * std::uint32_t(i)) % 2147483647u));

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t colour = (options.channels & 8) ? 0u : 0xFF000000u;
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                double sum = 0;
                for (const Octave& octave : plan) {
                    const double n = lattices[i].at((x + octave.offsetX) * octave.frequencyX,
                                                    (y + octave.offsetY) * octave.frequencyY, octave.periodX,
                                                    octave.periodY);
                    sum += (options.fractal ? n : std::abs(n)) * octave.weight;
                }
                const double level = options.fractal ? (sum + 1.0) * 127.5 : sum * 255.0;
                const std::uint32_t value = std::uint32_t(std::clamp(std::lround(level), 0L, 255L));
                if (wanted[i] == 7)
                    colour |= (value << 16) | (value << 8) | value;
                else
                    colour |= value << shiftOf(wanted[i]);
            }
            pixels.setPixel32(x, y, colour);
        }
    pixels.touch();
}

Rect colorBounds(const Pixels& pixels, std::uint32_t mask, std::uint32_t colour, bool find) {
    int left = pixels.width(), top = pixels.height(), right = -1, bottom = -1;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) {
            const bool same = (pixels.pixel32(x, y) & mask) == (colour & mask);
            if (same != find) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    if (right < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

} // namespace swf::raster
