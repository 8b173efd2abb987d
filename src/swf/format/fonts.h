// Fonts (DefineFont 1-3 with DefineFontInfo 1/2) and static text (DefineText 1/2).
#pragma once

#include "swf/format/records.h"
#include "swf/format/shapes.h"
#include "swf/format/text_encoding.h"

#include <QString>

#include <vector>

namespace swf::format {

struct FontDefinition {
    QString name;
    bool bold = false, italic = false;
    std::vector<ShapeDefinition> glyphs; // outlines in em units (see emSize)
    std::vector<quint16> codes;          // character code of each glyph
    bool hasLayout = false;
    double ascent = 0, descent = 0, leading = 0;
    std::vector<double> advances;
    double emSize = 1024; // DefineFont3 outlines are 20 times finer
};

struct TextGlyph {
    int index = 0;
    int advance = 0; // twips
};

struct TextRecord {
    quint16 fontId = 0;
    QColor color;
    double x = 0, y = 0; // twips, in text space
    double height = 0;   // twips
    std::vector<TextGlyph> glyphs;
};

struct TextDefinition {
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
};

// Body after the id. fontVersion 1 for DefineFont, 2 and 3 for DefineFont2/3.
bool readFont(io::Reader& reader, int fontVersion, const StringCoding& coding, FontDefinition& out,
              QString& problem);
// DefineFontInfo 1/2: the font id, then names and code tables for that font.
bool readFontInfo(io::Reader& reader, int infoVersion, const StringCoding& coding, FontDefinition& font,
                  QString& problem);
bool readText(io::Reader& reader, int textVersion, TextDefinition& out, QString& problem);

} // namespace swf::format
