#include "swf/stage/text_model.h"

#include "swf/format/text_encoding.h"

#include <algorithm>
#include <cmath>

namespace swf::stage {

namespace {

// Text no field holds more of: enough for any real movie, small enough to lay out each frame.
constexpr qsizetype kMaxText = 1 << 20;
// Tags open at once while reading markup: deeper nesting is read as text of the innermost.
constexpr std::size_t kMaxDepth = 256;

QString escaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("&quot;");
        else if (c == QLatin1Char('\''))
            out += QLatin1String("&apos;");
        else
            out += c;
    }
    return out;
}

QString colorWord(quint32 color) {
    return QStringLiteral("#%1").arg(color & 0xffffff, 6, 16, QLatin1Char('0')).toUpper();
}

// The items of a font tag that differ from the tag it sits in, in the player's order.
QString fontAttributes(const TextStyle& style, const TextStyle* outer) {
    QString out;
    auto add = [&out](const char* name, const QString& value) {
        out += QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), value);
    };
    if (!outer || outer->font != style.font) add("FACE", escaped(style.font));
    if (!outer || outer->size != style.size) add("SIZE", markupNumber(style.size));
    if (!outer || outer->color != style.color) add("COLOR", colorWord(style.color));
    if (!outer || outer->letterSpacing != style.letterSpacing)
        add("LETTERSPACING", markupNumber(style.letterSpacing));
    if (!outer || outer->kerning != style.kerning)
        add("KERNING", style.kerning ? QStringLiteral("1") : QStringLiteral("0"));
    return out;
}

struct Attributes {
    QList<std::pair<QString, QString>> items; // names in lower case

    std::optional<QString> value(const char* name) const {
        for (const auto& [key, value] : items)
            if (key == QLatin1String(name)) return value;
        return std::nullopt;
    }
};

// One tag of the markup: its name in lower case, whether it closes, and its attributes.
struct Tag {
    QString name;
    bool closing = false;
    Attributes attributes;
};

Tag readTag(QStringView inside) {
    Tag tag;
    qsizetype i = 0;
    auto skipSpace = [&] {
        while (i < inside.size() && inside[i].isSpace())
            ++i;
    };
    skipSpace();
    if (i < inside.size() && inside[i] == QLatin1Char('/')) {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < inside.size() && !inside[i].isSpace() && inside[i] != QLatin1Char('/'))
        ++i;
    tag.name = inside.mid(nameStart, i - nameStart).toString().toLower();
    while (i < inside.size()) {
        skipSpace();
        const qsizetype keyStart = i;
        while (i < inside.size() && !inside[i].isSpace() && inside[i] != QLatin1Char('=') &&
               inside[i] != QLatin1Char('/'))
            ++i;
        const QString key = inside.mid(keyStart, i - keyStart).toString().toLower();
        if (key.isEmpty()) {
            ++i;
            continue;
        }
        skipSpace();
        QString value;
        if (i < inside.size() && inside[i] == QLatin1Char('=')) {
            ++i;
            skipSpace();
            if (i < inside.size() && (inside[i] == QLatin1Char('"') || inside[i] == QLatin1Char('\''))) {
                const QChar quote = inside[i++];
                const qsizetype valueStart = i;
                while (i < inside.size() && inside[i] != quote)
                    ++i;
                value = inside.mid(valueStart, i - valueStart).toString();
                ++i;
            } else {
                const qsizetype valueStart = i;
                while (i < inside.size() && !inside[i].isSpace())
                    ++i;
                value = inside.mid(valueStart, i - valueStart).toString();
            }
        }
        tag.attributes.items.append({key, format::decodeEntities(value, true)});
    }
    return tag;
}

std::optional<double> attributeNumber(const Attributes& attributes, const char* name) {
    const auto value = attributes.value(name);
    if (!value) return std::nullopt;
    bool ok = false;
    const double number = value->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return number;
}

} // namespace

QString alignName(format::TextAlign align) {
    switch (align) {
    case format::TextAlign::Right:
        return QStringLiteral("right");
    case format::TextAlign::Center:
        return QStringLiteral("center");
    case format::TextAlign::Justify:
        return QStringLiteral("justify");
    default:
        return QStringLiteral("left");
    }
}

std::optional<format::TextAlign> alignNamed(const QString& name) {
    for (const auto align : {format::TextAlign::Left, format::TextAlign::Right, format::TextAlign::Center,
                             format::TextAlign::Justify})
        if (name.compare(alignName(align), Qt::CaseInsensitive) == 0) return align;
    return std::nullopt;
}

QString markupNumber(double value) {
    if (value == std::trunc(value) && std::abs(value) < 1e15) return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

bool TextStyle::sameCharacters(const TextStyle& other) const {
    return sameFont(other) && bold == other.bold && italic == other.italic && underline == other.underline &&
           url == other.url && target == other.target;
}

bool TextStyle::sameFont(const TextStyle& other) const {
    return font == other.font && size == other.size && color == other.color &&
           letterSpacing == other.letterSpacing && kerning == other.kerning;
}

void StyleChange::applyTo(TextStyle& style) const {
    if (font) style.font = *font;
    if (size) style.size = *size;
    if (color) style.color = *color;
    if (bold) style.bold = *bold;
    if (italic) style.italic = *italic;
    if (underline) style.underline = *underline;
    if (url) style.url = *url;
    if (target) style.target = *target;
    if (letterSpacing) style.letterSpacing = *letterSpacing;
    if (kerning) style.kerning = *kerning;
    if (align) style.align = *align;
    if (leftMargin) style.leftMargin = *leftMargin;
    if (rightMargin) style.rightMargin = *rightMargin;
    if (indent) style.indent = *indent;
    if (blockIndent) style.blockIndent = *blockIndent;
    if (leading) style.leading = *leading;
    if (bullet) style.bullet = *bullet;
    if (tabStops) style.tabStops = *tabStops;
}

StyleChange StyleChange::of(const TextStyle& s) {
    StyleChange c;
    c.font = s.font, c.size = s.size, c.color = s.color, c.bold = s.bold, c.italic = s.italic;
    c.underline = s.underline, c.url = s.url, c.target = s.target, c.letterSpacing = s.letterSpacing;
    c.kerning = s.kerning, c.align = s.align, c.leftMargin = s.leftMargin, c.rightMargin = s.rightMargin;
    c.indent = s.indent, c.blockIndent = s.blockIndent, c.leading = s.leading, c.bullet = s.bullet;
    c.tabStops = s.tabStops;
    return c;
}

void StyleChange::intersect(const TextStyle& s) {
    auto keep = [](auto& item, const auto& value) {
        if (item && !(*item == value)) item.reset();
    };
    keep(font, s.font), keep(size, s.size), keep(color, s.color), keep(bold, s.bold);
    keep(italic, s.italic), keep(underline, s.underline), keep(url, s.url), keep(target, s.target);
    keep(letterSpacing, s.letterSpacing), keep(kerning, s.kerning), keep(align, s.align);
    keep(leftMargin, s.leftMargin), keep(rightMargin, s.rightMargin), keep(indent, s.indent);
    keep(blockIndent, s.blockIndent), keep(leading, s.leading), keep(bullet, s.bullet);
    keep(tabStops, s.tabStops);
}

const TextStyle& TextModel::styleAt(int index) const {
    static const TextStyle plain;
    if (index < 0 || index >= size()) return plain;
    return m_styles[m_styleOf[std::size_t(index)]];
}

quint32 TextModel::intern(const TextStyle& style) {
    // Fields hold few looks: the last few are the likely ones.
    for (std::size_t i = m_styles.size(); i-- > 0;)
        if (m_styles[i] == style) return quint32(i);
    m_styles.push_back(style);
    return quint32(m_styles.size() - 1);
}

void TextModel::append(QChar c, const TextStyle& style, bool unseen) {
    if (m_text.size() >= kMaxText) return;
    m_text += c;
    m_styleOf.push_back(intern(style));
    m_unseen.push_back(unseen);
}

QString TextModel::scriptText() const {
    if (std::find(m_unseen.begin(), m_unseen.end(), true) == m_unseen.end()) return m_text;
    QString text;
    text.reserve(m_text.size());
    for (qsizetype i = 0; i < m_text.size(); ++i)
        if (!m_unseen[std::size_t(i)]) text += m_text[i];
    return text;
}

void TextModel::setPlain(const QString& text, const TextStyle& style) {
    m_text.clear();
    m_styleOf.clear();
    m_unseen.clear();
    m_styles.clear();
    replace(0, 0, text, style);
}

void TextModel::replace(int from, int to, const QString& text, const TextStyle& style, bool returnsUnseen) {
    from = std::clamp(from, 0, size());
    to = std::clamp(to, from, size());
    QString inserted = text;
    inserted.truncate(std::max<qsizetype>(0, kMaxText - (m_text.size() - (to - from))));
    std::vector<bool> unseen(std::size_t(inserted.size()), false);
    if (returnsUnseen)
        for (qsizetype i = 0; i < inserted.size(); ++i)
            unseen[std::size_t(i)] = inserted[i] == QLatin1Char('\r');
    // Each line feed is a paragraph end of its own: text with Windows line ends shows a blank
    // line between its lines, as in the player.
    inserted.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const quint32 look = intern(style);
    m_text.replace(from, to - from, inserted);
    m_styleOf.erase(m_styleOf.begin() + from, m_styleOf.begin() + to);
    m_styleOf.insert(m_styleOf.begin() + from, std::size_t(inserted.size()), look);
    m_unseen.erase(m_unseen.begin() + from, m_unseen.begin() + to);
    m_unseen.insert(m_unseen.begin() + from, unseen.begin(), unseen.end());
    // Looks no character uses any more are dropped now and then, so edits do not pile them up.
    if (m_styles.size() > 64) {
        std::vector<TextStyle> used;
        std::vector<qint64> renumber(m_styles.size(), -1);
        for (quint32& index : m_styleOf) {
            if (renumber[index] < 0) {
                renumber[index] = qint64(used.size());
                used.push_back(m_styles[index]);
            }
            index = quint32(renumber[index]);
        }
        m_styles = std::move(used);
    }
}

std::pair<int, int> TextModel::paragraphAround(int index) const {
    index = std::clamp(index, 0, size());
    int start = index;
    while (start > 0 && m_text[start - 1] != QLatin1Char('\r'))
        --start;
    int end = index;
    while (end < size() && m_text[end] != QLatin1Char('\r'))
        ++end;
    return {start, std::min(end + 1, size())};
}

void TextModel::applyStyle(int from, int to, const StyleChange& change) {
    from = std::clamp(from, 0, size());
    to = std::clamp(to, from, size());
    if (from == to) return;
    StyleChange characters = change;
    characters.align.reset(), characters.leftMargin.reset(), characters.rightMargin.reset();
    characters.indent.reset(), characters.blockIndent.reset(), characters.leading.reset();
    characters.tabStops.reset();
    StyleChange paragraphs;
    paragraphs.align = change.align, paragraphs.leftMargin = change.leftMargin;
    paragraphs.rightMargin = change.rightMargin, paragraphs.indent = change.indent;
    paragraphs.blockIndent = change.blockIndent, paragraphs.leading = change.leading;
    paragraphs.tabStops = change.tabStops;
    const int first = paragraphAround(from).first;
    const int last = paragraphAround(to - 1).second;
    for (int i = first; i < last; ++i) {
        TextStyle style = m_styles[m_styleOf[std::size_t(i)]];
        paragraphs.applyTo(style);
        if (i >= from && i < to) characters.applyTo(style);
        m_styleOf[std::size_t(i)] = intern(style);
    }
}

std::optional<StyleChange> TextModel::commonStyle(int from, int to) const {
    from = std::clamp(from, 0, size());
    to = std::clamp(to, from, size());
    if (from == to) return std::nullopt;
    StyleChange shared = StyleChange::of(styleAt(from));
    for (int i = from + 1; i < to; ++i)
        if (m_styleOf[std::size_t(i)] != m_styleOf[std::size_t(i - 1)]) shared.intersect(styleAt(i));
    return shared;
}

TextStyle TextModel::setHtml(const QString& markup, const TextStyle& base, bool multiline, bool condenseWhite,
                             int swfVersion) {
    const bool early = swfVersion < 7;
    if (early) multiline = true;
    m_text.clear();
    m_styleOf.clear();
    m_unseen.clear();
    m_styles.clear();
    struct Open {
        QString name;
        TextStyle before;
        bool holdsParagraph = false; // a <p> opened inside this <p>
    };
    std::vector<Open> open;
    TextStyle style = base;
    // The look a paragraph end written by </p> takes: the fonts of the last font tag closed,
    // as the player keeps them.
    std::optional<TextStyle> lastClosedFont;
    auto endsParagraph = [this] { return m_text.isEmpty() || m_text.endsWith(QLatin1Char('\r')); };
    qsizetype i = 0;
    while (i < markup.size() && m_text.size() < kMaxText) {
        const QChar c = markup[i];
        if (c == QLatin1Char('<')) {
            if (markup.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype end = markup.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? markup.size() : end + 3;
                continue;
            }
            const qsizetype end = markup.indexOf(QLatin1Char('>'), i + 1);
            if (end < 0) break; // an unfinished tag ends the text
            const Tag tag = readTag(QStringView(markup).mid(i + 1, end - i - 1));
            i = end + 1;
            if (tag.name.isEmpty()) continue;
            if (tag.closing) {
                // A closing tag ends only the innermost open one; any other is left out.
                if (open.empty() || open.back().name != tag.name) continue;
                const TextStyle inside = style;
                const Open closed = open.back();
                open.pop_back();
                style = closed.before;
                if (tag.name == QLatin1String("font")) lastClosedFont = inside;
                if (!multiline) continue;
                if (tag.name == QLatin1String("p") && !closed.holdsParagraph) {
                    // The end of a paragraph keeps its paragraph's items but not the looks of the
                    // tags around it: the text's own, or the fonts of the last font tag closed.
                    TextStyle end = base;
                    const TextStyle& fonts = lastClosedFont ? *lastClosedFont : base;
                    end.font = fonts.font, end.size = fonts.size, end.color = fonts.color;
                    end.letterSpacing = fonts.letterSpacing, end.kerning = fonts.kerning;
                    end.align = inside.align, end.leftMargin = inside.leftMargin;
                    end.rightMargin = inside.rightMargin, end.indent = inside.indent;
                    end.blockIndent = inside.blockIndent, end.leading = inside.leading;
                    end.bullet = inside.bullet, end.tabStops = inside.tabStops;
                    append(QLatin1Char('\r'), end);
                } else if (tag.name == QLatin1String("li")) {
                    append(QLatin1Char('\r'), inside);
                }
                continue;
            }
            if (tag.name == QLatin1String("br") || tag.name == QLatin1String("sbr")) {
                if (multiline) append(QLatin1Char('\r'), style);
                continue;
            }
            if (open.size() >= kMaxDepth) continue;
            const TextStyle before = style;
            const Attributes& a = tag.attributes;
            if (tag.name == QLatin1String("b")) {
                style.bold = true;
            } else if (tag.name == QLatin1String("i")) {
                style.italic = true;
            } else if (tag.name == QLatin1String("u")) {
                style.underline = true;
            } else if (tag.name == QLatin1String("font")) {
                if (const auto face = a.value("face")) style.font = *face;
                if (const auto size = a.value("size")) {
                    // Read as a whole number from the front ("1.5" is 1); "+2" and "-2" are steps
                    // from the size around them. Sizes run from 1 to 127.
                    const QString word = size->trimmed();
                    qsizetype k = 0;
                    const bool relative =
                        word.startsWith(QLatin1Char('+')) || word.startsWith(QLatin1Char('-'));
                    if (relative) ++k;
                    double number = 0;
                    const qsizetype digits = k;
                    while (k < word.size() && word[k].isDigit() && number < 1e6)
                        number = number * 10 + word[k++].digitValue();
                    if (k > digits) {
                        if (word.startsWith(QLatin1Char('-'))) number = -number;
                        style.size = std::clamp(relative ? style.size + number : number, 1.0, 127.0);
                    }
                }
                if (const auto color = a.value("color")) {
                    QString hex = color->trimmed();
                    if (hex.startsWith(QLatin1Char('#'))) hex.remove(0, 1);
                    bool ok = false;
                    const uint value = hex.toUInt(&ok, 16);
                    if (ok) style.color = value & 0xffffff;
                }
                // Spacing and kerning came with SWF 8; earlier movies' markup sets neither.
                if (!early) {
                    if (const auto spacing = attributeNumber(a, "letterspacing"))
                        style.letterSpacing = *spacing;
                    if (const auto kerning = a.value("kerning"))
                        style.kerning = kerning->trimmed().toInt() != 0;
                }
            } else if (tag.name == QLatin1String("a")) {
                style.url = a.value("href").value_or(QString());
                style.target = a.value("target").value_or(QString());
            } else if (tag.name == QLatin1String("p")) {
                for (Open& entry : open)
                    if (entry.name == QLatin1String("p")) entry.holdsParagraph = true;
                if (const auto align = a.value("align"))
                    if (const auto named = alignNamed(align->trimmed())) style.align = *named;
            } else if (tag.name == QLatin1String("li")) {
                if (multiline && !endsParagraph()) append(QLatin1Char('\r'), style);
                style.bullet = true;
            } else if (tag.name == QLatin1String("textformat")) {
                if (const auto v = attributeNumber(a, "leftmargin")) style.leftMargin = *v;
                if (const auto v = attributeNumber(a, "rightmargin")) style.rightMargin = *v;
                if (const auto v = attributeNumber(a, "indent")) style.indent = *v;
                if (const auto v = attributeNumber(a, "blockindent")) style.blockIndent = *v;
                if (const auto v = attributeNumber(a, "leading")) style.leading = *v;
                if (const auto stops = a.value("tabstops")) {
                    QList<double> list;
                    for (const QString& part : stops->split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                        bool ok = false;
                        const double stop = part.trimmed().toDouble(&ok);
                        if (ok && std::isfinite(stop)) list.append(stop);
                    }
                    style.tabStops = list;
                }
            } else if (tag.name != QLatin1String("span") && tag.name != QLatin1String("img")) {
                continue; // not a tag of the player's: left out, its text kept
            }
            if (tag.name != QLatin1String("img")) open.push_back({tag.name, before});
            continue;
        }
        // A run of text up to the next tag.
        qsizetype end = markup.indexOf(QLatin1Char('<'), i);
        if (end < 0) end = markup.size();
        const QString text = format::decodeEntities(QStringView(markup).mid(i, end - i), true);
        i = end;
        if (early && text.trimmed().isEmpty()) continue;
        for (qsizetype k = 0; k < text.size(); ++k) {
            QChar ch = text[k];
            if (condenseWhite) {
                // White space is one space, and none at a paragraph's start.
                const bool white = ch == QLatin1Char(' ') || ch == QLatin1Char('\t') ||
                                   ch == QLatin1Char('\n') || ch == QLatin1Char('\r');
                if (!white) {
                    append(ch, style);
                } else if (!endsParagraph() && !m_text.endsWith(QLatin1Char(' '))) {
                    append(QLatin1Char(' '), style);
                }
                continue;
            }
            if (ch == QLatin1Char('\r') && k + 1 < text.size() && text[k + 1] == QLatin1Char('\n')) continue;
            // A line feed in markup is a paragraph end scripts read as \r; a carriage return
            // ends the paragraph as well, but scripts do not see it.
            if (ch == QLatin1Char('\n')) ch = QLatin1Char('\r');
            append(ch, style, text[k] == QLatin1Char('\r'));
        }
    }
    return style;
}

QString TextModel::html() const {
    QString out;
    int start = 0;
    const int total = size();
    while (start < total) {
        int end = start;
        while (end < total && m_text[end] != QLatin1Char('\r'))
            ++end;
        const int paragraphEnd = std::min(end + 1, total); // with its \r
        const TextStyle& first = styleAt(start);
        QString format;
        auto add = [&format](const char* name, double value) {
            if (value != 0)
                format += QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), markupNumber(value));
        };
        add("LEFTMARGIN", first.leftMargin);
        add("RIGHTMARGIN", first.rightMargin);
        add("INDENT", first.indent);
        add("BLOCKINDENT", first.blockIndent);
        add("LEADING", first.leading);
        if (!first.tabStops.isEmpty()) {
            QStringList stops;
            for (double stop : first.tabStops)
                stops.append(markupNumber(stop));
            format += QStringLiteral(" TABSTOPS=\"%1\"").arg(stops.join(QLatin1Char(',')));
        }
        if (!format.isEmpty()) out += QStringLiteral("<TEXTFORMAT") + format + QLatin1Char('>');
        out += first.bullet ? QStringLiteral("<LI>")
                            : QStringLiteral("<P ALIGN=\"%1\">").arg(alignName(first.align).toUpper());
        out += QStringLiteral("<FONT") + fontAttributes(first, nullptr) + QLatin1Char('>');
        // The fonts open inside the paragraph's own: each run goes back to one that matches it
        // or opens one more with what differs from the innermost.
        std::vector<TextStyle> fonts{first};
        int run = start;
        while (run < paragraphEnd) {
            const TextStyle& look = styleAt(run);
            int runEnd = run + 1;
            while (runEnd < paragraphEnd && styleAt(runEnd).sameCharacters(look))
                ++runEnd;
            auto match = std::find_if(fonts.begin(), fonts.end(),
                                      [&](const TextStyle& f) { return f.sameFont(look); });
            if (match != fonts.end()) {
                for (auto k = fonts.end() - 1; k != match; --k)
                    out += QStringLiteral("</FONT>");
                fonts.erase(match + 1, fonts.end());
            } else {
                out += QStringLiteral("<FONT") + fontAttributes(look, &fonts.back()) + QLatin1Char('>');
                fonts.push_back(look);
            }
            QString body = escaped(QStringView(m_text).mid(run, std::min(runEnd, end) - run));
            if (look.underline) body = QStringLiteral("<U>") + body + QStringLiteral("</U>");
            if (look.italic) body = QStringLiteral("<I>") + body + QStringLiteral("</I>");
            if (look.bold) body = QStringLiteral("<B>") + body + QStringLiteral("</B>");
            if (!look.url.isEmpty())
                body = QStringLiteral("<A HREF=\"%1\" TARGET=\"%2\">")
                           .arg(escaped(look.url), escaped(look.target)) +
                       body + QStringLiteral("</A>");
            out += body;
            run = runEnd;
        }
        for (std::size_t k = 1; k < fonts.size(); ++k)
            out += QStringLiteral("</FONT>");
        out += QStringLiteral("</FONT>");
        out += first.bullet ? QStringLiteral("</LI>") : QStringLiteral("</P>");
        if (!format.isEmpty()) out += QStringLiteral("</TEXTFORMAT>");
        start = paragraphEnd;
    }
    return out;
}

} // namespace swf::stage
