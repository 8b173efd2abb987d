// Text drawn through system fonts: edit text fields with their initial text (plain or the
// HTML subset old movies use), and glyphs of fonts that carry no outlines.
#pragma once

#include "swf/format/edit_text.h"
#include "swf/format/fonts.h"
#include "swf/stage/text_model.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>
#include <vector>

namespace swf::render {

// Device text is hinted the way the reference player hints it: stems fitted to whole pixels
// across as well as down, which FreeType's classic TrueType interpreter does. FreeType reads
// the choice when Qt first opens a font, so a program calls this before it makes its
// QGuiApplication; a choice already in the environment is kept.
void useClassicFontHinting();

// A system font for a movie font name: the generic device fonts (_sans, _serif,
// _typewriter) and the common Chinese system fonts map to installed families.
QString systemFamilyFor(const QString& movieFontName);

// A glyph outline of the field's font by index, in em units (empty when it has none).
using GlyphLookup = std::function<const QPainterPath&(int index)>;

// Where typing goes in a field that has the focus: the caret and the selection's other end,
// as positions in its text.
struct EditCaret {
    int caret = 0;
    int anchor = 0;
};

// How far a field's text is scrolled: the line at the top (counted from 1) and pixels off
// its left edge.
struct TextScroll {
    int line = 1;
    int pixels = 0;
};

// The lines of a field's text as drawn through system fonts, in pixels from the text's origin.
struct TextLines {
    struct Line {
        double top = 0, height = 0;
    };
    std::vector<Line> lines;
    double width = 0; // the widest line

    // What scripts read as maxscroll: the first line from which the rest of the text fits
    // in the field's room (roomHeight, pixels).
    int maxScroll(double roomHeight) const;
    // bottomScroll: the last line wholly in view with `first` at the top (never above first).
    int bottomScroll(int first, double roomHeight) const;
};

// Fields that ask for the font's own outlines (and have them) are laid out with those;
// the rest go through system fonts, from the characters' own looks when the field's model is
// given. A focused field shows its caret and selection.
void drawEditTextField(QPainter& painter, const format::EditTextDefinition& field,
                       const format::FontDefinition* font, const GlyphLookup& glyphs,
                       const QTransform& objectToDevice, const format::ColorTransform& cx,
                       const EditCaret* caret = nullptr, TextScroll scroll = {},
                       const stage::TextModel* model = nullptr);

// The size of the field's text as drawn through system fonts (twips); empty text has none.
QSizeF measureEditText(const format::EditTextDefinition& field, const format::FontDefinition* font);
// The field's lines as drawEditTextField lays them out.
TextLines measureLines(const format::EditTextDefinition& field, const format::FontDefinition* font,
                       const stage::TextModel* model = nullptr);
// The room a field gives its text inside the gutter, in pixels.
QSizeF textRoom(const format::EditTextDefinition& field);

// The shapes of a field's characters where drawEditTextField puts them, in the field's
// coordinates (twips): what the field covers when it masks.
QPainterPath editTextOutline(const format::EditTextDefinition& field, const format::FontDefinition* font,
                             const GlyphLookup& glyphs, const stage::TextModel* model = nullptr);

void drawDeviceGlyph(QPainter& painter, const format::FontDefinition& font, int glyphIndex, QPointF origin,
                     double height, const QTransform& textToDevice);

// Flash's HTML subset made digestible for QTextDocument: font sizes in pixels, faces mapped.
QString convertMovieHtml(const QString& html);

} // namespace swf::render
