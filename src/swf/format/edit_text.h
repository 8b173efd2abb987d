// DefineEditText: a text field with its initial text and layout.
#pragma once

#include "swf/format/records.h"
#include "swf/format/text_encoding.h"
#include "swf/io/reader.h"

#include <QColor>
#include <QString>

namespace swf::format {

enum class TextAlign { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextDefinition {
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, html = false, useOutlines = false;
    // A border flag in the tag brings a white background with it; scripts set them apart.
    bool background = false;
    QColor borderColor = Qt::black, backgroundColor = Qt::white;
    // Asked for by scripts through TextFormat, over what the font itself says.
    bool bold = false, italic = false, underline = false;
    bool hasFont = false;
    quint16 fontId = 0;
    QString fontClass;
    double fontHeight = 240; // twips
    QColor color = Qt::black;
    int maxLength = 0;
    TextAlign align = TextAlign::Left;
    double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0; // twips
    QString variableName;
    QString initialText;
};

bool readEditText(io::Reader& reader, const StringCoding& coding, EditTextDefinition& out, QString& problem);

} // namespace swf::format
