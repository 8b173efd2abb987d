// Hinted glyph outlines from FreeType, filled by sampling.
#include "swf/render/glyph_coverage.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include FT_OUTLINE_H

#include <cmath>
#include <memory>

namespace swf::render {
namespace {

// Samples per pixel each way: fine enough that curves show their true coverage to within a
// level or two of 255.
constexpr int kSamples = 16;
// Glyphs larger than this go through the ordinary text drawing: sampling costs grow with area.
constexpr int kMaxPixelSize = 96;
// Glyphs kept before the cache starts afresh: a page of Chinese text in a few sizes.
constexpr qsizetype kMaxKeptGlyphs = 8192;

int moveTo(const FT_Vector* to, void* user) {
    static_cast<QPainterPath*>(user)->moveTo(to->x / 64.0, -to->y / 64.0);
    return 0;
}
int lineTo(const FT_Vector* to, void* user) {
    static_cast<QPainterPath*>(user)->lineTo(to->x / 64.0, -to->y / 64.0);
    return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    static_cast<QPainterPath*>(user)->quadTo(control->x / 64.0, -control->y / 64.0, to->x / 64.0,
                                             -to->y / 64.0);
    return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<QPainterPath*>(user)->cubicTo(c1->x / 64.0, -c1->y / 64.0, c2->x / 64.0, -c2->y / 64.0,
                                              to->x / 64.0, -to->y / 64.0);
    return 0;
}

// FreeType faces by font file, and the glyphs drawn from them. Each thread keeps its own:
// FreeType objects are not shared across threads, and glyphs are pure functions of their key.
class GlyphCache {
  public:
    GlyphCache() {
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            return;
        }
        // Stems fitted to whole pixels across as well as down, as the device text elsewhere.
        FT_UInt version = 35;
        FT_Property_Set(m_library, "truetype", "interpreter-version", &version);
    }
    ~GlyphCache() {
        for (FT_Face face : std::as_const(m_faces))
            if (face) FT_Done_Face(face);
        if (m_library) FT_Done_FreeType(m_library);
    }
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    GlyphCoverage glyph(const QRawFont& font, quint32 index) {
        const int size = int(std::lround(font.pixelSize()));
        if (!m_library || size <= 0 || size > kMaxPixelSize || std::abs(font.pixelSize() - size) > 1e-6)
            return {};
        const QString key = font.familyName() + QLatin1Char('|') + font.styleName() + QLatin1Char('|') +
                            QString::number(font.weight()) + QLatin1Char('|') +
                            QString::number(font.style()) + QLatin1Char('|') + QString::number(size) +
                            QLatin1Char('|') + QString::number(index);
        if (const auto found = m_glyphs.constFind(key); found != m_glyphs.cend()) return *found;
        GlyphCoverage result = draw(font, size, index);
        if (m_glyphs.size() >= kMaxKeptGlyphs) m_glyphs.clear();
        m_glyphs.insert(key, result);
        return result;
    }

  private:
    FT_Face faceFor(const QRawFont& font) {
        const QString key = font.familyName() + QLatin1Char('|') + font.styleName();
        if (const auto found = m_faces.constFind(key); found != m_faces.cend()) return *found;
        FT_Face face = nullptr;
        FcPattern* pattern = FcPatternCreate();
        const QByteArray family = font.familyName().toUtf8();
        const QByteArray style = font.styleName().toUtf8();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
        if (!style.isEmpty())
            FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.constData()));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult outcome = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(nullptr, pattern, &outcome)) {
            FcChar8* file = nullptr;
            FcChar8* matchedFamily = nullptr;
            FcChar8* matchedStyle = nullptr;
            int faceIndex = 0;
            FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
            // Only the very face Qt draws with: a substitute would hint and shape differently.
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
                QString::fromUtf8(reinterpret_cast<const char*>(matchedFamily)) == font.familyName() &&
                (style.isEmpty() || (FcPatternGetString(match, FC_STYLE, 0, &matchedStyle) == FcResultMatch &&
                                     QByteArray(reinterpret_cast<const char*>(matchedStyle)) == style)) &&
                FT_New_Face(m_library, reinterpret_cast<const char*>(file), faceIndex, &face) != 0)
                face = nullptr;
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
        if (face && !FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            face = nullptr;
        }
        m_faces.insert(key, face);
        return face;
    }

    GlyphCoverage draw(const QRawFont& font, int size, quint32 index) {
        FT_Face face = faceFor(font);
        // A bold or slanted look the face lacks is made up by Qt, which this drawing cannot do.
        if (face &&
            (((face->style_flags & FT_STYLE_FLAG_BOLD) != 0) != (font.weight() >= QFont::DemiBold) ||
             ((face->style_flags & FT_STYLE_FLAG_ITALIC) != 0) != (font.style() != QFont::StyleNormal)))
            return {};
        if (!face || FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0 ||
            FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
            return {};
        QPainterPath path;
        path.setFillRule((face->glyph->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) ? Qt::OddEvenFill
                                                                                 : Qt::WindingFill);
        const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
        if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &path) != 0) return {};
        if (path.isEmpty()) return {true, {}, {}};
        const QRect pixels = path.boundingRect().toAlignedRect();
        return {true, pathCoverage(path, pixels, kSamples), pixels.topLeft()};
    }

    FT_Library m_library = nullptr;
    QHash<QString, FT_Face> m_faces;
    QHash<QString, GlyphCoverage> m_glyphs;
};

} // namespace

GlyphCoverage hintedGlyphCoverage(const QRawFont& font, quint32 glyph) {
    thread_local GlyphCache cache;
    return cache.glyph(font, glyph);
}

QImage pathCoverage(const QPainterPath& path, const QRect& pixels, int samples) {
    QImage result(pixels.size(), QImage::Format_Alpha8);
    result.fill(0);
    if (pixels.isEmpty() || samples <= 0) return result;
    // Aliased filling marks the samples whose centres lie inside; each pixel counts its own.
    QImage fine(pixels.size() * samples, QImage::Format_Alpha8);
    fine.fill(0);
    {
        QPainter painter(&fine);
        painter.scale(samples, samples);
        painter.translate(-pixels.topLeft());
        painter.fillPath(path, QColor(0, 0, 0, 255));
    }
    const int all = samples * samples;
    for (int y = 0; y < pixels.height(); ++y) {
        uchar* out = result.scanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            int count = 0;
            for (int j = 0; j < samples; ++j) {
                const uchar* row = fine.constScanLine(y * samples + j) + x * samples;
                for (int i = 0; i < samples; ++i)
                    count += row[i] >> 7;
            }
            out[x] = uchar((count * 255 + all / 2) / all);
        }
    }
    return result;
}

} // namespace swf::render
