// Render caches.
#include "swf/render/render_cache.h"

#include <tuple>

namespace swf::render {

bool RenderCache::TintKey::operator<(const TintKey& o) const {
    auto tie = [](const TintKey& k) {
        return std::tie(k.bitmap, k.cx.redMult, k.cx.greenMult, k.cx.blueMult, k.cx.alphaMult, k.cx.redAdd,
                        k.cx.greenAdd, k.cx.blueAdd, k.cx.alphaAdd);
    };
    return tie(*this) < tie(o);
}

const ShapePaths& RenderCache::shape(const movie::ShapeCharacter& shape) {
    auto it = m_shapes.find(&shape);
    if (it == m_shapes.end()) it = m_shapes.emplace(&shape, buildShapePaths(shape.shape)).first;
    return it->second;
}

const RenderCache::Morph& RenderCache::morph(const movie::MorphShapeCharacter& morph, quint16 ratio) {
    const auto key = std::make_pair(&morph, ratio);
    auto it = m_morphs.find(key);
    if (it != m_morphs.end()) return it->second;
    if (static_cast<int>(m_morphs.size()) >= kMaxMorphEntries) {
        m_morphs.erase(m_morphOrder.front());
        m_morphOrder.pop_front();
    }
    Morph entry;
    entry.shape = morph.morph.at(ratio / 65535.0);
    entry.paths = buildShapePaths(entry.shape);
    m_morphOrder.push_back(key);
    return m_morphs.emplace(key, std::move(entry)).first->second;
}

const QPainterPath& RenderCache::glyph(const movie::FontCharacter& font, int index) {
    static const QPainterPath kEmpty;
    if (index < 0 || index >= static_cast<int>(font.font.glyphs.size())) return kEmpty;
    auto& glyphs = m_glyphs[&font];
    if (glyphs.empty()) glyphs.resize(font.font.glyphs.size());
    auto& slot = glyphs[size_t(index)];
    if (!slot) slot = std::make_unique<QPainterPath>(buildGlyphPath(font.font.glyphs[size_t(index)]));
    return *slot;
}

QImage RenderCache::bitmap(const movie::BitmapCharacter& bitmap, const format::ColorTransform& cx) {
    const QImage& source = bitmap.image();
    if (cx.isIdentity() || source.isNull()) return source;
    const TintKey key{&bitmap, cx};
    if (const auto it = m_tinted.find(key); it != m_tinted.end()) {
        m_tintedOrder.splice(m_tintedOrder.begin(), m_tintedOrder, it->second);
        return it->second->second;
    }
    QImage tinted = RenderCache::tinted(source, cx);
    const qint64 bytes = tinted.sizeInBytes();
    if (bytes > kMaxTintedBitmapBytes) return tinted;
    while (m_tintedBytes + bytes > kMaxTintedBitmapBytes && !m_tintedOrder.empty()) {
        m_tintedBytes -= m_tintedOrder.back().second.sizeInBytes();
        m_tinted.erase(m_tintedOrder.back().first);
        m_tintedOrder.pop_back();
    }
    m_tintedBytes += bytes;
    m_tintedOrder.emplace_front(key, tinted);
    m_tinted.emplace(key, m_tintedOrder.begin());
    return tinted;
}

QImage RenderCache::tinted(const QImage& image, const format::ColorTransform& cx) {
    QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < tinted.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(tinted.scanLine(y));
        for (int x = 0; x < tinted.width(); ++x)
            line[x] = cx.applyPremultiplied(line[x]);
    }
    return tinted;
}

RenderCache::Opacity RenderCache::opacityOf(const format::ColorTransform& cx) {
    if (cx.alphaAdd != 0 || cx.alphaMult < 0 || cx.alphaMult >= 256) return {cx, 1};
    format::ColorTransform rest = cx;
    rest.alphaMult = 256;
    return {rest, cx.alphaMult / 256.0};
}

} // namespace swf::render
