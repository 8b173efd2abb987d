// DefineEditText decoder.
#include "swf/format/edit_text.h"

#include "swf/format/text_encoding.h"

namespace swf::format {

bool readEditText(io::Reader& reader, const StringCoding& coding, EditTextDefinition& out, QString& problem) {
    out.bounds = readRect(reader);
    const quint8 flags1 = reader.u8();
    const quint8 flags2 = reader.u8();
    const bool hasText = flags1 & 0x80;
    out.wordWrap = flags1 & 0x40;
    out.multiline = flags1 & 0x20;
    out.password = flags1 & 0x10;
    out.readOnly = flags1 & 0x08;
    const bool hasColor = flags1 & 0x04, hasMaxLength = flags1 & 0x02;
    out.hasFont = flags1 & 0x01;
    const bool hasFontClass = flags2 & 0x80;
    out.autoSize = flags2 & 0x40;
    const bool hasLayout = flags2 & 0x20;
    out.noSelect = flags2 & 0x10;
    out.border = flags2 & 0x08;
    out.background = out.border;
    out.html = flags2 & 0x02;
    out.useOutlines = flags2 & 0x01;
    if (out.hasFont) out.fontId = reader.u16();
    if (hasFontClass) out.fontClass = decodeMovieString(reader.cString(), coding);
    if (out.hasFont || hasFontClass) out.fontHeight = reader.u16();
    if (hasColor) out.color = readRgba(reader);
    if (hasMaxLength) out.maxLength = reader.u16();
    if (hasLayout) {
        out.align = static_cast<TextAlign>(std::min<int>(reader.u8(), 3));
        out.leftMargin = reader.u16();
        out.rightMargin = reader.u16();
        out.indent = reader.s16();
        out.leading = reader.s16();
    }
    out.variableName = decodeMovieString(reader.cString(), coding);
    if (hasText) out.initialText = decodeMovieString(reader.cString(), coding);
    if (reader.failed()) {
        problem = QStringLiteral("edit text runs past the tag");
        return false;
    }
    return true;
}

} // namespace swf::format
