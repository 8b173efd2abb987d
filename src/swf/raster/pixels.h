// The pixels of one BitmapData: premultiplied 32-bit ARGB rows, the form the renderer draws
// and the form whose rounding scripts see when they read a colour back.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace swf::raster {

// Sizes a script may ask for. Movies of SWF 10 and later may use larger surfaces, bounded by
// side and by pixel count rather than by side alone.
inline constexpr int kMaxSideBefore10 = 2880;
inline constexpr int kMaxSide = 8191;
inline constexpr std::int64_t kMaxPixels = 16777215;

bool validSize(int width, int height, int swfVersion);

// All surfaces together: a movie that makes surface after surface is refused more once they
// hold this many pixels (1 GiB), rather than taking the machine's memory.
inline constexpr std::int64_t kMaxLivePixels = std::int64_t(1) << 28;
// The pixels all surfaces of the process hold now.
std::int64_t livePixels();
// Whether a new surface of this size still fits in kMaxLivePixels.
bool roomFor(int width, int height);

// A colour the way scripts give and read it, in and out of the stored premultiplied form.
// Rounding matters: a read-back colour is what scripts compare and print.
std::uint32_t premultiply(std::uint32_t argb);
std::uint32_t unpremultiply(std::uint32_t premultiplied);

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    Rect intersected(const Rect& other) const;
};

class Pixels {
  public:
    Pixels(int width, int height, bool transparent, std::uint32_t fillArgb);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool transparent() const { return m_transparent; }
    Rect bounds() const { return {0, 0, m_width, m_height}; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    // Script colours (straight alpha). An opaque surface ignores the alpha it is given.
    std::uint32_t pixel32(int x, int y) const;
    void setPixel32(int x, int y, std::uint32_t argb);
    // Stored colours, for operations that keep the premultiplied form.
    std::uint32_t stored(int x, int y) const { return m_data[std::size_t(y) * m_width + x]; }
    void setStored(int x, int y, std::uint32_t premultiplied) {
        m_data[std::size_t(y) * m_width + x] = m_transparent ? premultiplied : (premultiplied | 0xFF000000u);
    }
    // The stored form of a script colour on this surface.
    std::uint32_t toStored(std::uint32_t argb) const {
        return m_transparent ? premultiply(argb) : (argb | 0xFF000000u);
    }

    const std::uint32_t* row(int y) const { return m_data.data() + std::size_t(y) * m_width; }
    std::uint32_t* row(int y) { return m_data.data() + std::size_t(y) * m_width; }

    // dispose(): the memory goes at once, and whatever still shows the surface shows nothing.
    void release() {
        m_data = {};
        m_tally = Tally(0);
        m_width = m_height = 0;
        touch();
    }

    // Bumped by every change, so a drawing of the surface knows when to refresh.
    std::uint64_t generation() const { return m_generation; }
    void touch() { ++m_generation; }

  private:
    int m_width;
    int m_height;
    bool m_transparent;
    std::vector<std::uint32_t> m_data;
    std::uint64_t m_generation = 0;
    // Counts this surface's pixels into livePixels() for as long as it holds them.
    class Tally {
      public:
        explicit Tally(std::int64_t pixels);
        Tally(const Tally& other) : Tally(other.m_pixels) {}
        Tally& operator=(const Tally& other);
        ~Tally();

      private:
        std::int64_t m_pixels = 0;
    };
    Tally m_tally{std::int64_t(m_data.size())};
};

using PixelsPtr = std::shared_ptr<Pixels>;

} // namespace swf::raster
