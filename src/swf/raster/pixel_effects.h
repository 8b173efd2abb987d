// BitmapData's per-channel effects: threshold, copyChannel, merge, paletteMap, noise and the
// colour bounds search. Colours are straight (not premultiplied) ARGB here, as scripts see them.
#pragma once

#include "swf/raster/pixels.h"

#include <array>
#include <optional>
#include <vector>

namespace swf::raster {

// Where a copy from a source's rectangle lands on the target, both clipped.
struct Placement {
    Rect from; // in the source
    int toX = 0, toY = 0;
};
std::optional<Placement> place(const Pixels& target, const Pixels& source, const Rect& rect, int toX,
                               int toY);

enum class Comparison { Less, LessOrEqual, Greater, GreaterOrEqual, Equal, NotEqual };
std::optional<Comparison> comparisonNamed(const char* name);

struct ThresholdTest {
    Comparison comparison = Comparison::Equal;
    std::uint32_t threshold = 0, colour = 0, mask = 0xFFFFFFFF;
    bool copySource = false;
};
// The number of pixels that passed the test and took the colour.
int threshold(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
              const ThresholdTest& test);

// Channels are numbered 1 red, 2 green, 4 blue, 8 alpha.
void copyChannel(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY, int fromChannel,
                 int toChannel);
// Each channel mixed: (source * multiplier + target * (256 - multiplier)) / 256.
void merge(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
           const std::array<int, 4>& redGreenBlueAlpha);
// Each channel looked up in its table; the four results are added. An empty table leaves
// its channel where it was.
void paletteMap(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
                const std::array<std::vector<std::uint32_t>, 4>& redGreenBlueAlpha);

// A 4 x 5 matrix over straight red, green, blue, alpha and 1 (ColorMatrixFilter's rows),
// reading from source's rect and writing at the point.
void colorMatrix(Pixels& target, const Pixels& source, const Rect& rect, int toX, int toY,
                 const std::array<double, 20>& matrix);

// channels as copyChannel numbers them; unchosen channels are 0, alpha 255 when unchosen.
void noise(Pixels& pixels, int seed, int low, int high, int channels, bool grey);

// Gradient noise summed over octaves, each twice the frequency and half the weight of the one
// before. base is the feature size in pixels per axis; offsets shift each octave's lattice (the
// last one given serves the octaves beyond). Fractal noise maps the sum around mid-grey;
// turbulence adds the octaves' magnitudes, so it darkens where the noise crosses zero. stitch
// rounds each octave's period to the bitmap's size, so the picture tiles.
struct PerlinOptions {
    double baseX = 0, baseY = 0;
    int octaves = 1;
    int seed = 0;
    bool stitch = false, fractal = false;
    int channels = 7;
    bool grey = false;
    std::vector<std::pair<double, double>> offsets;
};
void perlinNoise(Pixels& pixels, const PerlinOptions& options);

// The smallest rectangle holding every pixel whose masked colour is (or, when find is false,
// is not) the masked colour given.
Rect colorBounds(const Pixels& pixels, std::uint32_t mask, std::uint32_t colour, bool find);

} // namespace swf::raster
