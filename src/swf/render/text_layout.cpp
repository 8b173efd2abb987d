// System-font text.
#include "swf/render/text_layout.h"

#include "swf/render/glyph_coverage.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace swf::render {
namespace {

// Text sits 2 pixels inside a field's bounds.
constexpr double kGutterPixels = 2.0;
// Lines whose heights add up to the room's within rounding fit in it.
constexpr double kFitSlack = 0.01;
// Embedded-font glyphs are placed on a grid of a quarter pixel (twips).
constexpr double kGlyphStepTwips = 5.0;

Qt::Alignment alignmentOf(format::TextAlign align) {
    switch (align) {
    case format::TextAlign::Right:
        return Qt::AlignRight;
    case format::TextAlign::Center:
        return Qt::AlignHCenter;
    case format::TextAlign::Justify:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

QString plainText(const format::EditTextDefinition& field) {
    QString text = field.initialText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (field.password) text.fill(QLatin1Char('*'));
    return text;
}

// A paragraph's first line moves by the indent, but a negative one takes back no more than
// the left margin gives: text never starts left of the gutter.
double effectiveIndent(const format::EditTextDefinition& field) {
    return std::max(double(field.indent), -double(field.leftMargin));
}

// Explicit newlines, then (when wrapping) a break at the last space that fits in width.
std::vector<QString> breakLines(const QString& text, bool wrap, double width,
                                const std::function<double(QChar)>& advanceOf,
                                std::vector<bool>* paragraphStarts = nullptr) {
    std::vector<QString> lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraphStarts) {
            paragraphStarts->resize(lines.size() + 1, false);
            paragraphStarts->back() = true;
        }
        QString line;
        double lineWidth = 0;
        qsizetype lastSpace = -1;
        for (const QChar c : paragraph) {
            const double advance = advanceOf(c);
            if (wrap && c == QLatin1Char(' ') && lineWidth + advance > width) {
                // A space that does not fit ends the line and is dropped.
                lines.push_back(line);
                line.clear();
                lineWidth = 0;
                lastSpace = -1;
                continue;
            }
            if (wrap && lineWidth + advance > width && !line.isEmpty()) {
                const qsizetype cut = lastSpace >= 0 ? lastSpace : line.size();
                lines.push_back(line.left(cut));
                line = line.mid(cut + (lastSpace >= 0 ? 1 : 0));
                lineWidth = 0;
                for (const QChar k : line)
                    lineWidth += advanceOf(k);
                lastSpace = -1;
            }
            if (c == QLatin1Char(' ')) lastSpace = line.size();
            line += c;
            lineWidth += advance;
        }
        lines.push_back(line);
    }
    if (paragraphStarts) paragraphStarts->resize(lines.size(), false);
    return lines;
}

// Lays plain text out with the font's own glyphs and advances, wrapping at spaces.
void drawWithOutlines(QPainter& painter, const format::EditTextDefinition& field,
                      const format::FontDefinition& font, const GlyphLookup& glyphs,
                      const QTransform& objectToDevice, const format::ColorTransform& cx,
                      const EditCaret* caret, TextScroll scroll, QPainterPath* outline = nullptr) {
    const QRectF bounds = field.bounds.toRectF();
    const double scale = field.fontHeight / font.emSize;
    const double gutter = kGutterPixels * 20;
    const double left = bounds.left() + gutter + field.leftMargin - scroll.pixels * 20.0;
    const double width = bounds.width() - 2 * gutter - field.leftMargin - field.rightMargin;
    const double ascent = font.hasLayout && font.ascent > 0 ? font.ascent * scale : field.fontHeight * 0.8;
    const double descent = font.hasLayout && font.descent > 0 ? font.descent * scale : field.fontHeight * 0.2;
    const double lineHeight = ascent + descent + field.leading;
    QHash<QChar, int> indexOf;
    for (size_t i = 0; i < font.codes.size(); ++i)
        indexOf.insert(QChar(font.codes[i]), static_cast<int>(i));
    auto advanceOf = [&](int index) {
        // Advances count in whole twips, the fraction dropped.
        if (index >= 0 && size_t(index) < font.advances.size())
            return std::floor(font.advances[size_t(index)] * scale + 1e-9);
        if (index >= 0) return (glyphs(index).boundingRect().right() + font.emSize / 16) * scale;
        return field.fontHeight / 3;
    };
    std::vector<bool> paragraphStarts;
    const std::vector<QString> lines = breakLines(
        plainText(field), field.wordWrap && field.multiline, width,
        [&](QChar c) { return advanceOf(indexOf.value(c, -1)); }, &paragraphStarts);
    painter.save();
    painter.setTransform(objectToDevice);
    painter.setClipRect(bounds, Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cx.apply(field.color));
    double baseline = bounds.top() + gutter + ascent - std::max(0, scroll.line - 1) * lineHeight;
    // Lines that only break at the text's own line ends hold every character, so the caret's
    // place can be counted out; wrapped lines dropped their spaces and show no caret.
    const bool caretShown = caret && !(field.wordWrap && field.multiline);
    int lineStart = 0;
    const double roomTop = bounds.top() + gutter, roomBottom = bounds.bottom() - gutter;
    bool shownOne = false;
    for (std::size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        const QString& line = lines[lineIndex];
        // A line the box would cut at its foot is not drawn, nor any after it; the top line
        // always is.
        if (shownOne && baseline + descent > roomBottom + kFitSlack * 20) break;
        if (baseline - ascent >= roomTop - kFitSlack * 20) shownOne = true;
        double lineWidth = 0;
        for (const QChar c : line)
            lineWidth += advanceOf(indexOf.value(c, -1));
        double x = left;
        if (paragraphStarts[lineIndex]) x += effectiveIndent(field);
        if (field.align == format::TextAlign::Right) x = left + width - lineWidth;
        if (field.align == format::TextAlign::Center) x = left + (width - lineWidth) / 2;
        if (caretShown && caret->caret >= lineStart && caret->caret <= lineStart + line.size()) {
            double caretX = x;
            for (int i = 0; i < caret->caret - lineStart; ++i)
                caretX += advanceOf(indexOf.value(line[i], -1));
            painter.setTransform(objectToDevice);
            painter.fillRect(QRectF(caretX, baseline - ascent, 20, ascent + descent), cx.apply(field.color));
        }
        lineStart += int(line.size()) + 1;
        for (const QChar c : line) {
            const int index = indexOf.value(c, -1);
            // Each glyph stands on a quarter pixel.
            const double at = std::round(x / kGlyphStepTwips) * kGlyphStepTwips;
            if (index >= 0 && outline) {
                outline->addPath(QTransform(scale, 0, 0, scale, at, baseline).map(glyphs(index)));
            } else if (index >= 0) {
                painter.setTransform(QTransform(scale, 0, 0, scale, at, baseline) * objectToDevice);
                painter.drawPath(glyphs(index));
            }
            x += advanceOf(index);
        }
        baseline += lineHeight;
    }
    painter.restore();
}

} // namespace

void useClassicFontHinting() {
    const QByteArray properties = qgetenv("FREETYPE_PROPERTIES");
    if (properties.contains("interpreter-version")) return;
    qputenv("FREETYPE_PROPERTIES",
            (properties.isEmpty() ? QByteArray() : properties + ' ') + "truetype:interpreter-version=35");
}

QString systemFamilyFor(const QString& name) {
    const QString key = name.trimmed().toLower();
    // The Windows core fonts old movies name have metric twins: text measures and wraps as
    // its author saw it. Characters they lack (Chinese) come from the CJK fonts by fallback.
    if (key.isEmpty() || key == QLatin1String("_serif") || key == QLatin1String("times new roman") ||
        key == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (key == QLatin1String("_sans") || key == QLatin1String("arial") || key == QLatin1String("helvetica"))
        return QStringLiteral("Liberation Sans");
    if (key == QLatin1String("verdana") || key == QLatin1String("tahoma"))
        return QStringLiteral("Noto Sans CJK SC");
    if (key == QLatin1String("bitstream vera sans")) return QStringLiteral("DejaVu Sans");
    if (key == QLatin1String("_typewriter") || key == QLatin1String("courier new") ||
        key == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    // Brush styles (楷体, 仿宋) have no installed twin; the serif CJK face is the nearest.
    if (name.contains(QStringLiteral("宋")) || key == QLatin1String("simsun") ||
        key == QLatin1String("nsimsun") || name.contains(QStringLiteral("明")) ||
        name.contains(QStringLiteral("楷")) || key == QLatin1String("kaiti") ||
        key == QLatin1String("kaiti_gb2312") || key == QLatin1String("fangsong") ||
        key == QLatin1String("fangsong_gb2312"))
        return QStringLiteral("Noto Serif CJK SC");
    if (name.contains(QStringLiteral("黑")) || name.contains(QStringLiteral("雅黑")) ||
        key == QLatin1String("simhei") || key == QLatin1String("microsoft yahei"))
        return QStringLiteral("Noto Sans CJK SC");
    return name;
}

QString convertMovieHtml(const QString& html) {
    QString result = html;
    // <font size="20"> means 20 pixels here, not an HTML size step.
    static const QRegularExpression size(QStringLiteral("(<font[^>]*?)\\bsize\\s*=\\s*\"?\\+?(\\d+)\"?"),
                                         QRegularExpression::CaseInsensitiveOption);
    result.replace(size, QStringLiteral("\\1style=\"font-size:\\2px\""));
    static const QRegularExpression face(QStringLiteral("(<font[^>]*?)\\bface\\s*=\\s*\"([^\"]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match;
    qsizetype from = 0;
    while ((match = face.match(result, from)).hasMatch()) {
        const QString replacement =
            match.captured(1) + QStringLiteral("face=\"") + systemFamilyFor(match.captured(2)) + '"';
        result.replace(match.capturedStart(), match.capturedLength(), replacement);
        from = match.capturedStart() + replacement.size();
    }
    // A paragraph with no text is still a line of the field; the rich-text reader would drop
    // it, so it gets an invisible character to hold the line.
    static const QRegularExpression emptyParagraph(
        QStringLiteral("(<p\\b[^>]*>(?:\\s|<(?!/?p\\b)[^>]*>)*)(</p>)"),
        QRegularExpression::CaseInsensitiveOption);
    result.replace(emptyParagraph, QStringLiteral("\\1&#8203;\\2"));
    result.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    result.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    return result;
}

namespace {
// A field that is only moved and scaled stands on whole device pixels, its box and its text
// alike, as the player puts it: fractions of a pixel round to the nearest, halves right and down.
QTransform snappedToPixels(const format::EditTextDefinition& field, const QTransform& objectToDevice) {
    if (objectToDevice.type() > QTransform::TxScale) return objectToDevice;
    const QPointF corner = objectToDevice.map(field.bounds.toRectF().topLeft());
    return objectToDevice * QTransform::fromTranslate(std::floor(corner.x() + 0.5) - corner.x(),
                                                      std::floor(corner.y() + 0.5) - corner.y());
}

// The field's box with its background and border, in pixels.
void drawFrame(QPainter& painter, const format::EditTextDefinition& field, const QTransform& objectToDevice,
               const format::ColorTransform& cx) {
    if (!field.border && !field.background) return;
    const QRectF bounds = field.bounds.toRectF();
    const QRectF pixels(bounds.x() / 20, bounds.y() / 20, bounds.width() / 20, bounds.height() / 20);
    painter.save();
    painter.setTransform(QTransform::fromScale(20, 20) * objectToDevice);
    if (field.background) painter.fillRect(pixels, cx.apply(field.backgroundColor));
    if (field.border) {
        // Hairlines on the pixels the box's edges start at, as the player draws them.
        const QColor color = cx.apply(field.borderColor);
        const double x = pixels.x(), y = pixels.y(), w = pixels.width(), h = pixels.height();
        painter.fillRect(QRectF(x, y, w + 1, 1), color);
        painter.fillRect(QRectF(x, y + h, w + 1, 1), color);
        painter.fillRect(QRectF(x, y + 1, 1, h - 1), color);
        painter.fillRect(QRectF(x + w, y + 1, 1, h - 1), color);
    }
    painter.restore();
}

QFont fieldFont(const format::EditTextDefinition& field, const format::FontDefinition* font) {
    QFont qfont(systemFamilyFor(font ? font->name : field.fontClass));
    qfont.setPixelSize(std::max(1, qRound(field.fontHeight / 20)));
    qfont.setBold(field.bold || (font && font->bold));
    qfont.setItalic(field.italic || (font && font->italic));
    qfont.setUnderline(field.underline);
    // The reference player sets each character on its own: no kerning and no ligatures,
    // advances of whole pixels.
    qfont.setKerning(false);
    qfont.setStyleStrategy(QFont::PreferNoShaping);
    qfont.setHintingPreference(QFont::PreferFullHinting);
    return qfont;
}

// The field's font, alignment and wrapping as the document's defaults; width is the room.
void prepareDocument(QTextDocument& document, const format::EditTextDefinition& field,
                     const format::FontDefinition* font, double width) {
    document.setDocumentMargin(0);
    document.setDefaultFont(fieldFont(field, font));
    QTextOption option(alignmentOf(field.align));
    option.setWrapMode(field.wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    document.setDefaultTextOption(option);
    document.setTextWidth(field.wordWrap ? std::max(1.0, width) : -1);
}

// The field's text laid out as drawn through system fonts; width is the room for it.
void layOut(QTextDocument& document, const format::EditTextDefinition& field,
            const format::FontDefinition* font, double width) {
    prepareDocument(document, field, font, width);
    if (field.html) {
        // A paragraph is a line: no space above or below, unlike a web page's.
        document.setDefaultStyleSheet(QStringLiteral("p { margin-top: 0px; margin-bottom: 0px; }"));
        document.setHtml(convertMovieHtml(field.initialText));
    } else
        document.setPlainText(plainText(field));
    if (field.leading != 0 || field.indent != 0) {
        QTextCursor cursor(&document);
        cursor.select(QTextCursor::Document);
        QTextBlockFormat format;
        if (field.leading != 0)
            format.setLineHeight(field.leading / 20, QTextBlockFormat::LineDistanceHeight);
        if (field.indent != 0) format.setTextIndent(effectiveIndent(field) / 20);
        cursor.mergeBlockFormat(format);
    }
}

// The field's text laid out from its characters' own looks: each run in its face, size and
// colour, each paragraph with its alignment, margins, indent and leading.
void layOutModel(QTextDocument& document, const format::EditTextDefinition& field,
                 const stage::TextModel& model, const format::FontDefinition* font, double width,
                 const format::ColorTransform* cx) {
    prepareDocument(document, field, font, width);
    auto charFormat = [&](const stage::TextStyle& style) {
        QTextCharFormat look;
        QFont face(systemFamilyFor(style.font));
        face.setPixelSize(std::max(1, qRound(style.size)));
        face.setBold(style.bold);
        face.setItalic(style.italic);
        face.setUnderline(style.underline);
        if (style.letterSpacing != 0) face.setLetterSpacing(QFont::AbsoluteSpacing, style.letterSpacing);
        face.setKerning(style.kerning);
        if (!style.kerning) face.setStyleStrategy(QFont::PreferNoShaping);
        face.setHintingPreference(document.defaultFont().hintingPreference());
        look.setFont(face);
        const QColor color = QColor::fromRgb(0xff000000u | style.color);
        look.setForeground(cx ? cx->apply(color) : color);
        return look;
    };
    auto blockFormat = [&](const stage::TextStyle& style) {
        QTextBlockFormat paragraph;
        paragraph.setAlignment(alignmentOf(style.align));
        paragraph.setLeftMargin(style.blockIndent + style.leftMargin - field.leftMargin / 20);
        paragraph.setRightMargin(style.rightMargin - field.rightMargin / 20);
        paragraph.setTextIndent(style.indent);
        if (style.leading != 0) paragraph.setLineHeight(style.leading, QTextBlockFormat::LineDistanceHeight);
        return paragraph;
    };
    QString text = model.text();
    if (field.password) text.fill(QLatin1Char('*'));
    QTextCursor cursor(&document);
    const int size = int(text.size());
    int start = 0;
    bool first = true;
    while (start <= size) {
        int end = start;
        while (end < size && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const stage::TextStyle& head =
            start < size ? model.styleAt(start) : model.styleAt(std::max(0, size - 1));
        if (model.isEmpty()) break;
        if (first) {
            cursor.setBlockFormat(blockFormat(head));
            cursor.setBlockCharFormat(charFormat(head));
        } else {
            cursor.insertBlock(blockFormat(head), charFormat(head));
        }
        first = false;
        for (int run = start; run < end;) {
            int runEnd = run + 1;
            while (runEnd < end && model.styleAt(runEnd) == model.styleAt(run))
                ++runEnd;
            cursor.insertText(text.mid(run, runEnd - run), charFormat(model.styleAt(run)));
            run = runEnd;
        }
        start = end + 1;
    }
}

// Draws the document's glyphs from their hinted outlines' sampled coverage, each at a whole
// device pixel. False, having drawn nothing, when the text needs more than glyphs (lines
// under it, a background) or the painter turns or scales it: Qt's own drawing takes over.
bool drawSampledGlyphs(QPainter& painter, QTextDocument& document, const QColor& textColor) {
    const QTransform toDevice = painter.combinedTransform();
    if (toDevice.type() > QTransform::TxTranslate) return false;
    struct Piece {
        GlyphCoverage glyph;
        QPoint at;
        QColor color;
    };
    std::vector<Piece> pieces;
    document.documentLayout()->documentSize();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QPointF origin = document.documentLayout()->blockBoundingRect(block).topLeft();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat look = fragment.charFormat();
            if (look.fontUnderline() || look.fontStrikeOut() || look.fontOverline() ||
                look.background().style() != Qt::NoBrush)
                return false;
            const QColor color =
                look.foreground().style() == Qt::NoBrush ? textColor : look.foreground().color();
            for (const QGlyphRun& run : fragment.glyphRuns()) {
                const QRawFont face = run.rawFont();
                const QList<quint32> indexes = run.glyphIndexes();
                const QList<QPointF> positions = run.positions();
                for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
                    GlyphCoverage glyph = hintedGlyphCoverage(face, indexes[i]);
                    if (!glyph.drawable) return false;
                    const QPointF at = toDevice.map(origin + positions[i]);
                    pieces.push_back({std::move(glyph),
                                      QPoint(int(std::floor(at.x() + 0.5)), int(std::floor(at.y() + 0.5))),
                                      color});
                }
            }
        }
    }
    painter.save();
    painter.resetTransform();
    for (const Piece& piece : pieces) {
        const QImage& alpha = piece.glyph.alpha;
        if (alpha.isNull()) continue;
        QImage tinted(alpha.size(), QImage::Format_ARGB32_Premultiplied);
        const int r = piece.color.red(), g = piece.color.green(), b = piece.color.blue(),
                  a = piece.color.alpha();
        for (int y = 0; y < alpha.height(); ++y) {
            const uchar* in = alpha.constScanLine(y);
            auto* out = reinterpret_cast<QRgb*>(tinted.scanLine(y));
            for (int x = 0; x < alpha.width(); ++x) {
                const int cover = (in[x] * a + 127) / 255;
                out[x] =
                    qRgba((r * cover + 127) / 255, (g * cover + 127) / 255, (b * cover + 127) / 255, cover);
            }
        }
        painter.drawImage(piece.at + piece.glyph.offset, tinted);
    }
    painter.restore();
    return true;
}

TextLines linesOf(QTextDocument& document) {
    TextLines result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const double blockTop = document.documentLayout()->blockBoundingRect(block).top();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            result.lines.push_back({blockTop + line.y(), line.height()});
            result.width = std::max(result.width, line.naturalTextWidth());
        }
    }
    return result;
}
} // namespace

int TextLines::maxScroll(double roomHeight) const {
    if (lines.empty()) return 1;
    const double bottom = lines.back().top + lines.back().height;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (bottom - lines[i].top <= roomHeight + kFitSlack) return int(i) + 1;
    return int(lines.size());
}

int TextLines::bottomScroll(int first, double roomHeight) const {
    if (lines.empty()) return 1;
    first = std::clamp(first, 1, int(lines.size()));
    const double top = lines[std::size_t(first - 1)].top;
    int last = first;
    for (std::size_t i = std::size_t(first); i < lines.size(); ++i) {
        if (lines[i].top + lines[i].height - top > roomHeight + kFitSlack) break;
        last = int(i) + 1;
    }
    return last;
}

QSizeF textRoom(const format::EditTextDefinition& field) {
    const QRectF bounds = field.bounds.toRectF();
    return {bounds.width() / 20 - 2 * kGutterPixels - (field.leftMargin + field.rightMargin) / 20,
            bounds.height() / 20 - 2 * kGutterPixels};
}

TextLines measureLines(const format::EditTextDefinition& field, const format::FontDefinition* font,
                       const stage::TextModel* model) {
    TextLines result;
    if (font && field.useOutlines && !field.html && !font->glyphs.empty() && !font->codes.empty()) {
        // The font's own outlines: one line per paragraph, at the font's line height.
        const double scale = field.fontHeight / font->emSize;
        const double ascent =
            font->hasLayout && font->ascent > 0 ? font->ascent * scale : field.fontHeight * 0.8;
        const double descent =
            font->hasLayout && font->descent > 0 ? font->descent * scale : field.fontHeight * 0.2;
        const double height = (ascent + descent) / 20;
        const double step = height + field.leading / 20;
        const qsizetype count = plainText(field).count(QLatin1Char('\n')) + 1;
        for (qsizetype i = 0; i < count; ++i)
            result.lines.push_back({double(i) * step, height});
        result.width = measureEditText(field, font).width() / 20;
        return result;
    }
    QTextDocument document;
    if (model)
        layOutModel(document, field, *model, font, textRoom(field).width(), nullptr);
    else
        layOut(document, field, font, textRoom(field).width());
    // Scroll limits come from the font's design sizes, which hinting would round up.
    QFont unhinted = document.defaultFont();
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    document.setDefaultFont(unhinted);
    return linesOf(document);
}

QSizeF measureEditText(const format::EditTextDefinition& field, const format::FontDefinition* font) {
    if (field.initialText.isEmpty()) return {};
    QTextDocument document;
    const double width =
        field.bounds.toRectF().width() / 20 - 2 * kGutterPixels - (field.leftMargin + field.rightMargin) / 20;
    layOut(document, field, font, width);
    // Sizes come from the font's design advances, which hinting would shrink.
    QFont unhinted = document.defaultFont();
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    document.setDefaultFont(unhinted);
    double textWidth = field.wordWrap ? document.idealWidth() : document.size().width();
    if (!field.html && !field.wordWrap) {
        const QFontMetricsF metrics(unhinted);
        textWidth = 0;
        for (const QString& line : plainText(field).split(QLatin1Char('\n')))
            textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    return {textWidth * 20, document.size().height() * 20};
}

void drawEditTextField(QPainter& painter, const format::EditTextDefinition& field,
                       const format::FontDefinition* font, const GlyphLookup& glyphs,
                       const QTransform& fieldToDevice, const format::ColorTransform& cx,
                       const EditCaret* caret, TextScroll scroll, const stage::TextModel* model) {
    const QTransform objectToDevice = snappedToPixels(field, fieldToDevice);
    drawFrame(painter, field, objectToDevice, cx);
    if (font && field.useOutlines && !field.html && !font->glyphs.empty() && !font->codes.empty()) {
        drawWithOutlines(painter, field, *font, glyphs, objectToDevice, cx, caret, scroll);
        return;
    }
    if (field.initialText.isEmpty() && !caret) return;
    const QRectF bounds = field.bounds.toRectF();
    const QRectF pixels(bounds.x() / 20, bounds.y() / 20, bounds.width() / 20, bounds.height() / 20);
    painter.save();
    painter.setTransform(QTransform::fromScale(20, 20) * objectToDevice);
    // Text shows inside the gutter across, and down to the box's foot.
    painter.setClipRect(pixels.adjusted(kGutterPixels, 0, -kGutterPixels, 0), Qt::IntersectClip);
    QTextDocument document;
    const double width = pixels.width() - 2 * kGutterPixels - (field.leftMargin + field.rightMargin) / 20;
    if (model)
        layOutModel(document, field, *model, font, width, &cx);
    else
        layOut(document, field, font, width);
    if (!field.wordWrap && field.align != format::TextAlign::Left)
        document.setTextWidth(std::max(1.0, width));
    const TextLines lines = linesOf(document);
    const QSizeF room = textRoom(field);
    const auto first = std::size_t(std::clamp(scroll.line, 1, lines.maxScroll(room.height())) - 1);
    // A line the box would cut at its foot is not drawn at all; the top line always is.
    const auto last = std::size_t(lines.bottomScroll(int(first) + 1, room.height()));
    if (last < lines.lines.size()) {
        const double shown =
            lines.lines[last - 1].top + lines.lines[last - 1].height - lines.lines[first].top;
        painter.setClipRect(QRectF(pixels.x(), pixels.y(), pixels.width(), kGutterPixels + shown),
                            Qt::IntersectClip);
    }
    painter.translate(pixels.x() + kGutterPixels + field.leftMargin / 20, pixels.y() + kGutterPixels);
    if (scroll.line > 1 || scroll.pixels > 0) {
        // Lines above the one scrolled to the top, and text scrolled off to the left, are out
        // of the box.
        const double maxPixels = std::max(0.0, std::ceil(lines.width - room.width()));
        painter.translate(-std::clamp(double(scroll.pixels), 0.0, maxPixels),
                          first < lines.lines.size() ? -lines.lines[first].top : 0.0);
    }
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, cx.apply(field.color));
    if (caret) {
        const int end = document.characterCount() - 1;
        context.cursorPosition = std::clamp(caret->caret, 0, end);
        if (caret->caret != caret->anchor) {
            // The selection shows as the text's colours turned round, as the player draws it.
            QTextCursor selected(&document);
            selected.setPosition(std::clamp(caret->anchor, 0, end));
            selected.setPosition(context.cursorPosition, QTextCursor::KeepAnchor);
            QTextCharFormat look;
            look.setBackground(cx.apply(field.color));
            look.setForeground(field.background ? cx.apply(field.backgroundColor) : QColor(Qt::white));
            context.selections.append({selected, look});
        }
    }
    if (caret || !drawSampledGlyphs(painter, document, context.palette.color(QPalette::Text)))
        document.documentLayout()->draw(&painter, context);
    painter.restore();
}

QPainterPath editTextOutline(const format::EditTextDefinition& field, const format::FontDefinition* font,
                             const GlyphLookup& glyphs, const stage::TextModel* model) {
    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    if (font && field.useOutlines && !field.html && !font->glyphs.empty() && !font->codes.empty()) {
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter unused(&scratch);
        drawWithOutlines(unused, field, *font, glyphs, {}, {}, nullptr, {}, &outline);
        return outline;
    }
    if (field.initialText.isEmpty()) return outline;
    const QRectF bounds = field.bounds.toRectF();
    const double width =
        bounds.width() / 20 - 2 * kGutterPixels - (field.leftMargin + field.rightMargin) / 20;
    QTextDocument document;
    if (model)
        layOutModel(document, field, *model, font, width, nullptr);
    else
        layOut(document, field, font, width);
    if (!field.wordWrap && field.align != format::TextAlign::Left)
        document.setTextWidth(std::max(1.0, width));
    // Laying out places the blocks; the glyphs are read from their lines afterwards.
    document.documentLayout()->documentSize();
    const QTransform toField =
        QTransform::fromTranslate(bounds.x() / 20 + kGutterPixels + field.leftMargin / 20,
                                  bounds.y() / 20 + kGutterPixels) *
        QTransform::fromScale(20, 20);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout) continue;
        const QPointF origin = document.documentLayout()->blockBoundingRect(block).topLeft();
        // Each line is asked for its glyphs: the layout as a whole has let go of them.
        QList<QGlyphRun> runs;
        for (int i = 0; i < layout->lineCount(); ++i)
            runs += layout->lineAt(i).glyphRuns();
        for (const QGlyphRun& run : runs) {
            const QRawFont face = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                outline.addPath(toField.map(face.pathForGlyph(indexes[i]).translated(origin + positions[i])));
        }
    }
    return outline;
}

void drawDeviceGlyph(QPainter& painter, const format::FontDefinition& font, int glyphIndex, QPointF origin,
                     double height, const QTransform& textToDevice) {
    if (glyphIndex < 0 || glyphIndex >= static_cast<int>(font.codes.size())) return;
    const QChar code(font.codes[size_t(glyphIndex)]);
    QFont qfont(systemFamilyFor(font.name));
    qfont.setPixelSize(std::max(1, qRound(height / 20)));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    painter.save();
    painter.setTransform(QTransform::fromScale(20, 20) * textToDevice);
    painter.setFont(qfont);
    painter.setPen(painter.brush().color());
    painter.drawText(origin / 20, QString(code));
    painter.restore();
}

} // namespace swf::render
