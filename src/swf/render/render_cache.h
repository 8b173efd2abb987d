// What drawing derives from definitions and keeps between frames: paths per shape, per
// morph ratio and per glyph, and colour-transformed bitmaps. Bounded so a long movie
// cannot grow it without end.
#pragma once

#include "swf/format/records.h"
#include "swf/movie/character.h"
#include "swf/render/shape_paths.h"

#include <QHash>
#include <QImage>
#include <QPainterPath>

#include <list>
#include <map>
#include <memory>
#include <unordered_map>

namespace swf::render {

class RenderCache {
  public:
    // A tween shows each ratio once per pass; a few passes of a few morphs fit.
    static constexpr int kMaxMorphEntries = 192;
    // Fades need no tinted copy (see opacityOf), so this holds colour tints only.
    static constexpr qint64 kMaxTintedBitmapBytes = 24 * 1024 * 1024;

    const ShapePaths& shape(const movie::ShapeCharacter& shape);
    // The interpolated definition (for styles) and its paths.
    struct Morph {
        format::ShapeDefinition shape;
        ShapePaths paths;
    };
    const Morph& morph(const movie::MorphShapeCharacter& morph, quint16 ratio);
    const QPainterPath& glyph(const movie::FontCharacter& font, int index);
    // The bitmap with the colour transform applied (the bitmap itself when identity).
    QImage bitmap(const movie::BitmapCharacter& bitmap, const format::ColorTransform& cx);

    // A colour transform that only scales alpha down equals drawing with that opacity, which
    // needs no tinted copy of a bitmap: cx without that part, and the opacity.
    struct Opacity {
        format::ColorTransform rest;
        double opacity = 1;
    };
    static Opacity opacityOf(const format::ColorTransform& cx);
    // A copy of image with cx applied to every pixel, premultiplied.
    static QImage tinted(const QImage& image, const format::ColorTransform& cx);

  private:
    std::unordered_map<const movie::ShapeCharacter*, ShapePaths> m_shapes;
    std::map<std::pair<const movie::MorphShapeCharacter*, quint16>, Morph> m_morphs;
    std::list<std::pair<const movie::MorphShapeCharacter*, quint16>> m_morphOrder;
    std::unordered_map<const movie::FontCharacter*, std::vector<std::unique_ptr<QPainterPath>>> m_glyphs;
    struct TintKey {
        const movie::BitmapCharacter* bitmap;
        format::ColorTransform cx;
        bool operator<(const TintKey& o) const;
    };
    using Tinted = std::list<std::pair<TintKey, QImage>>; // most recently used first
    Tinted m_tintedOrder;
    std::map<TintKey, Tinted::iterator> m_tinted;
    qint64 m_tintedBytes = 0;
};

} // namespace swf::render
