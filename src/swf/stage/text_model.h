// The text of a field with the look of each character: what scripts read and write through
// text, htmlText and TextFormat, and what the field draws. Paragraphs end with \r; the
// paragraph items of a look (alignment, margins, bullet...) are read from a paragraph's first
// character.
#pragma once

#include "swf/format/edit_text.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace swf::stage {

struct TextStyle {
    QString font = QStringLiteral("Times New Roman");
    double size = 12;  // pixels
    quint32 color = 0; // 0xRRGGBB
    bool bold = false, italic = false, underline = false;
    QString url, target;
    double letterSpacing = 0;
    bool kerning = false;
    // Paragraph items, in pixels.
    format::TextAlign align = format::TextAlign::Left;
    double leftMargin = 0, rightMargin = 0, indent = 0, blockIndent = 0, leading = 0;
    bool bullet = false;
    QList<double> tabStops;

    bool operator==(const TextStyle&) const = default;
    // The same characters, whatever the paragraph items.
    bool sameCharacters(const TextStyle& other) const;
    // The same font tag: face, size, colour, spacing and kerning.
    bool sameFont(const TextStyle& other) const;
};

// Some items of a look: what setTextFormat changes, and what getTextFormat reports (an item
// the range does not share is left out).
struct StyleChange {
    std::optional<QString> font;
    std::optional<double> size;
    std::optional<quint32> color;
    std::optional<bool> bold, italic, underline;
    std::optional<QString> url, target;
    std::optional<double> letterSpacing;
    std::optional<bool> kerning;
    std::optional<format::TextAlign> align;
    std::optional<double> leftMargin, rightMargin, indent, blockIndent, leading;
    std::optional<bool> bullet;
    std::optional<QList<double>> tabStops;

    void applyTo(TextStyle& style) const;
    static StyleChange of(const TextStyle& style);
    // Keeps only the items both share.
    void intersect(const TextStyle& style);
};

class TextModel {
  public:
    // Every character, paragraph ends all as \r: what the field lays out.
    const QString& text() const { return m_text; }
    // The text as scripts read it: a paragraph end that came from a carriage return in markup
    // or in replaceText's text is not one of its characters, though it counts in the length
    // and ends a paragraph.
    QString scriptText() const;
    int size() const { return int(m_text.size()); }
    bool isEmpty() const { return m_text.isEmpty(); }
    const TextStyle& styleAt(int index) const;

    // The text as given, line ends made paragraph ends, all in one look.
    void setPlain(const QString& text, const TextStyle& style);
    // Replaces [from, to) by text in the given look. Line feeds end paragraphs; so do carriage
    // returns, unseen by scripts when returnsUnseen.
    void replace(int from, int to, const QString& text, const TextStyle& style, bool returnsUnseen = false);
    // Reads the player's HTML: base is the look of text outside any tag. A field of one line
    // takes no paragraph ends from <p>, <li> and <br>, only from the line ends in the text.
    // Movies before SWF 7 read every field as one of many lines and drop text between tags that
    // is only white space.
    // Gives the look in force where the markup ends, tags left open included.
    TextStyle setHtml(const QString& markup, const TextStyle& base, bool multiline, bool condenseWhite,
                      int swfVersion = 8);
    // The text written as the player writes htmlText.
    QString html() const;

    // Changes the look of [from, to); paragraph items change whole paragraphs, except the
    // bullet, which scripts set character by character.
    void applyStyle(int from, int to, const StyleChange& change);
    // What [from, to) shares; nothing for an empty range.
    std::optional<StyleChange> commonStyle(int from, int to) const;
    // The paragraph that holds index: its first character and one past its end.
    std::pair<int, int> paragraphAround(int index) const;

  private:
    quint32 intern(const TextStyle& style);
    void append(QChar c, const TextStyle& style, bool unseen = false);

    QString m_text;
    std::vector<quint32> m_styleOf; // one per character, into m_styles
    std::vector<bool> m_unseen;     // one per character: a paragraph end scripts do not read
    std::vector<TextStyle> m_styles;
};

// Alignments by the names scripts and markup give them ("left", "center"...; any case read).
QString alignName(format::TextAlign align);
std::optional<format::TextAlign> alignNamed(const QString& name);

// Numbers as the player writes them in its markup.
QString markupNumber(double value);

} // namespace swf::stage
