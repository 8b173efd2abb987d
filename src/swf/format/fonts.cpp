// Font and static text decoders.
#include "swf/format/fonts.h"

#include "swf/format/text_encoding.h"

#include <QStringDecoder>

namespace swf::format {
namespace {

constexpr int kMaxGlyphs = 65535;

QString readFontName(io::Reader& reader, const StringCoding& coding) {
    const int length = reader.u8();
    QByteArray name = reader.bytes(length);
    while (name.endsWith('\0'))
        name.chop(1);
    return decodeMovieString(name, coding);
}

// One glyph's shape, at [from, to) of the offset table that starts at tableStart. A glyph
// whose offsets are broken stays empty, so the glyph indexes of the rest keep their meaning.
ShapeDefinition readGlyph(const io::Reader& reader, qsizetype tableStart, qint64 from, qint64 to) {
    ShapeDefinition glyph;
    if (from >= 0 && to >= from && tableStart + to <= reader.size()) {
        io::Reader at = reader;
        at.seek(tableStart + from);
        io::Reader body = at.sub(to - from);
        QString glyphProblem;
        readShapeRecords(body, 1, glyph, glyphProblem);
    }
    return glyph;
}

// Before version 6 a two-byte code is a character of the author's code page (Shift-JIS when
// the font says so), not a Unicode one. Text reaches the fonts as Unicode, so such codes are
// turned into it here; a code the page does not hold stays as it is.
void codesToUnicode(std::vector<quint16>& codes, bool ansi, bool shiftJis, const StringCoding& coding) {
    if (coding.isUtf8() || ansi) return;
    QByteArray page = shiftJis ? QByteArray("Shift_JIS") : coding.codePage;
    if (!isKnownCodePage(page)) page = kDefaultCodePage;
    QStringDecoder decoder(page.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return;
    for (quint16& code : codes) {
        if (code < 0x100) continue;
        const char bytes[2] = {char(code >> 8), char(code & 0xff)};
        const QString text = decoder.decode(QByteArrayView(bytes, 2));
        decoder.resetState();
        if (text.size() == 1 && text[0] != QChar::ReplacementCharacter) code = text[0].unicode();
    }
}

} // namespace

bool readFont(io::Reader& reader, int fontVersion, const StringCoding& coding, FontDefinition& out,
              QString& problem) {
    if (fontVersion == 1) {
        // The offset table's first entry tells how many entries it has.
        const qsizetype tableStart = reader.position();
        const quint16 first = reader.u16();
        const int count = first / 2;
        std::vector<qint64> offsets{first};
        for (int i = 1; i < count && !reader.failed(); ++i)
            offsets.push_back(reader.u16());
        if (reader.failed()) {
            problem = QStringLiteral("font offset table runs past the tag");
            return false;
        }
        const qint64 end = reader.size() - tableStart;
        io::Reader glyphs = reader;
        glyphs.seek(tableStart);
        for (size_t i = 0; i < offsets.size(); ++i) {
            const qint64 from = offsets[i], to = i + 1 < offsets.size() ? offsets[i + 1] : end;
            out.glyphs.push_back(readGlyph(reader, tableStart, from, to));
        }
        return true;
    }
    const quint8 flags = reader.u8();
    const bool hasLayout = flags & 0x80, shiftJis = flags & 0x40, ansi = flags & 0x10,
               wideOffsets = flags & 0x08, wideCodes = flags & 0x04;
    out.italic = flags & 0x02;
    out.bold = flags & 0x01;
    reader.u8(); // language
    out.name = readFontName(reader, coding);
    const int count = reader.u16();
    if (count > kMaxGlyphs) return false;
    out.emSize = fontVersion >= 3 ? 1024 * 20 : 1024;
    const qsizetype tableStart = reader.position();
    std::vector<qint64> offsets;
    for (int i = 0; i < count && !reader.failed(); ++i)
        offsets.push_back(wideOffsets ? reader.u32() : reader.u16());
    const qint64 codeTableOffset =
        count > 0 || !reader.atEnd() ? (wideOffsets ? reader.u32() : reader.u16()) : 0;
    if (reader.failed()) {
        problem = QStringLiteral("font offset table runs past the tag");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const qint64 from = offsets[size_t(i)], to = i + 1 < count ? offsets[size_t(i + 1)] : codeTableOffset;
        out.glyphs.push_back(readGlyph(reader, tableStart, from, to));
    }
    if (tableStart + codeTableOffset > reader.size()) {
        problem = QStringLiteral("font code table is missing");
        return true;
    }
    reader.seek(tableStart + codeTableOffset);
    for (int i = 0; i < count; ++i)
        out.codes.push_back(wideCodes ? reader.u16() : reader.u8());
    codesToUnicode(out.codes, ansi, shiftJis, coding);
    if (hasLayout && !reader.failed()) {
        out.ascent = reader.u16();
        out.descent = reader.u16();
        out.leading = reader.s16();
        for (int i = 0; i < count; ++i)
            out.advances.push_back(reader.s16());
        if (!reader.failed()) out.hasLayout = true;
        // Bounds and kerning follow; the renderer does not need them.
    }
    if (reader.failed()) problem = QStringLiteral("font tables run past the tag");
    return true;
}

bool readFontInfo(io::Reader& reader, int infoVersion, const StringCoding& coding, FontDefinition& font,
                  QString& problem) {
    font.name = readFontName(reader, coding);
    const quint8 flags = reader.u8();
    font.italic = flags & 0x04;
    font.bold = flags & 0x02;
    const bool shiftJis = flags & 0x10, ansi = flags & 0x08, wideCodes = flags & 0x01;
    if (infoVersion >= 2) reader.u8(); // language
    font.codes.clear();
    for (size_t i = 0; i < font.glyphs.size() && !reader.atEnd(); ++i)
        font.codes.push_back(wideCodes ? reader.u16() : reader.u8());
    codesToUnicode(font.codes, ansi, shiftJis, coding);
    if (reader.failed()) problem = QStringLiteral("font info runs past the tag");
    return !reader.failed();
}

bool readText(io::Reader& reader, int textVersion, TextDefinition& out, QString& problem) {
    out.bounds = readRect(reader);
    out.matrix = readMatrix(reader);
    const int glyphBits = reader.u8();
    const int advanceBits = reader.u8();
    if (glyphBits > 32 || advanceBits > 32) {
        problem = QStringLiteral("text glyph fields too wide");
        return false;
    }
    TextRecord style;
    style.color = Qt::black;
    while (!reader.failed()) {
        const quint8 flags = reader.u8();
        if (flags == 0 || reader.failed()) break;
        if (flags & 0x08) style.fontId = reader.u16();
        if (flags & 0x04) style.color = textVersion >= 2 ? readRgba(reader) : readRgb(reader);
        if (flags & 0x01) style.x = reader.s16();
        if (flags & 0x02) style.y = reader.s16();
        if (flags & 0x08) style.height = reader.u16();
        TextRecord record = style;
        record.glyphs.clear();
        const int count = reader.u8();
        double advance = 0; // a record's advances may add past any int
        for (int i = 0; i < count && !reader.failed(); ++i) {
            TextGlyph glyph;
            glyph.index = static_cast<int>(reader.ubits(glyphBits));
            glyph.advance = reader.sbits(advanceBits);
            advance += glyph.advance;
            record.glyphs.push_back(glyph);
        }
        reader.align();
        // Records without an x offset continue where the previous one ended.
        style.x += advance;
        out.records.push_back(std::move(record));
    }
    if (reader.failed()) problem = QStringLiteral("text records run past the tag");
    return !out.records.empty() || !reader.failed();
}

} // namespace swf::format
