// Shapes already rasterised in device pixels, kept while the same shape is drawn again under
// the same scale, rotation and colour transform: animations mostly move objects or leave
// them alone, and copying pixels costs far less than filling curves and gradients again.
// Bounded by a byte budget, least recently used pictures going first.
#pragma once

#include "swf/format/records.h"

#include <QImage>
#include <QPoint>

#include <list>
#include <unordered_map>

namespace swf::render {

// What a picture depends on besides the character: the device transform without its whole
// pixels, and the colour transform. The translation left over is kept in steps of
// 1/kSubpixelSteps pixel, so a picture lands within 1/(2 * kSubpixelSteps) pixel of where
// drawing the shape directly would put it.
struct RasterKey {
    static constexpr int kSubpixelSteps = 64;
    const void* source = nullptr; // the character (shape or morph)
    quint32 variant = 0;          // morph ratio
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1;
    qint32 subpixelX = 0, subpixelY = 0;
    format::ColorTransform cx;
    bool operator==(const RasterKey&) const = default;
};

struct RasterKeyHash {
    size_t operator()(const RasterKey& key) const;
};

class RasterCache {
  public:
    static constexpr qint64 kDefaultBudgetBytes = 16 * 1024 * 1024;

    struct Picture {
        QImage image;
        QPoint origin; // of the image's top left corner, against the whole-pixel translation
    };

    explicit RasterCache(qint64 budgetBytes = kDefaultBudgetBytes) : m_budget(budgetBytes) {}

    // The picture for key, now the most recently used; null when there is none.
    const Picture* find(const RasterKey& key);
    // Keeps picture under key, dropping the least recently used ones to stay within budget.
    // A picture larger than the whole budget is not kept; the returned one is still valid
    // until the next insert or clear. The key's source must not change while it is kept.
    const Picture& insert(const RasterKey& key, Picture picture);
    void clear();
    // Drops the least recently used pictures until the rest fit.
    void setBudget(qint64 budgetBytes);

    qint64 bytes() const { return m_bytes; }
    qint64 budget() const { return m_budget; }
    int size() const { return static_cast<int>(m_index.size()); }

  private:
    using Entry = std::pair<RasterKey, Picture>;
    std::list<Entry> m_order; // most recently used first
    std::unordered_map<RasterKey, std::list<Entry>::iterator, RasterKeyHash> m_index;
    void evictDownTo(qint64 bytes);

    Picture m_unkept;
    qint64 m_budget;
    qint64 m_bytes = 0;
};

} // namespace swf::render
