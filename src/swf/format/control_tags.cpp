// Decoders for PlaceObject and RemoveObject.
#include "swf/format/control_tags.h"

#include "swf/format/tag_codes.h"
#include "swf/format/text_encoding.h"

namespace swf::format {
namespace {

qsizetype filterBodySize(QByteArrayView rest, quint8 type) {
    // Sizes follow the fixed layouts of each filter; the gradient ones carry a colour count.
    switch (type) {
    case 0:
        return 23;
    case 1:
        return 9;
    case 2:
        return 15;
    case 3:
        return 27;
    case 4:
    case 7: {
        const qsizetype colors = rest.isEmpty() ? 0 : quint8(rest[0]);
        return 1 + colors * 5 + 19;
    }
    case 5: {
        if (rest.size() < 2) return rest.size() + 1;
        const qsizetype cells = qsizetype(quint8(rest[0])) * quint8(rest[1]);
        return 2 + 8 + cells * 4 + 4 + 1;
    }
    case 6:
        return 80;
    default:
        return -1;
    }
}

} // namespace

std::vector<Filter> readFilterList(io::Reader& reader) {
    std::vector<Filter> filters;
    const int count = reader.u8();
    for (int i = 0; i < count && !reader.failed(); ++i) {
        Filter filter;
        filter.type = reader.u8();
        const qsizetype size = filterBodySize(reader.peekRest(), filter.type);
        if (size < 0) {
            reader.fail();
            break;
        }
        filter.data = reader.bytes(size);
        filters.push_back(std::move(filter));
    }
    return filters;
}

bool readPlaceObject(io::Reader& reader, int tagCode, const StringCoding& coding, PlaceObject& out) {
    if (tagCode == int(TagCode::PlaceObject)) {
        out.characterId = reader.u16();
        out.depth = reader.u16();
        out.matrix = readMatrix(reader);
        if (!reader.atEnd()) out.colorTransform = readColorTransform(reader, false);
        return !reader.failed();
    }
    const bool isThree = tagCode == int(TagCode::PlaceObject3);
    const quint8 flags = reader.u8();
    const quint8 flags3 = isThree ? reader.u8() : 0;
    const bool hasClipActions = flags & 0x80, hasClipDepth = flags & 0x40, hasName = flags & 0x20;
    const bool hasRatio = flags & 0x10, hasColorTransform = flags & 0x08, hasMatrix = flags & 0x04;
    const bool hasCharacter = flags & 0x02;
    out.move = flags & 0x01;
    out.depth = reader.u16();
    if (isThree && ((flags3 & 0x08) || ((flags3 & 0x10) && hasCharacter))) {
        reader.cString(); // class name, for script-created symbols; the character id still rules
    }
    if (hasCharacter) out.characterId = reader.u16();
    if (hasMatrix) out.matrix = readMatrix(reader);
    if (hasColorTransform) out.colorTransform = readColorTransform(reader, true);
    if (hasRatio) out.ratio = reader.u16();
    if (hasName) out.name = decodeMovieString(reader.cString(), coding);
    if (hasClipDepth) out.clipDepth = reader.u16();
    if (isThree) {
        if (flags3 & 0x01) out.filters = readFilterList(reader);
        if (flags3 & 0x02) out.blendMode = static_cast<BlendMode>(qBound(1, int(reader.u8()), 14));
        if (flags3 & 0x04) out.cacheAsBitmap = reader.u8() != 0;
        if (flags3 & 0x20) out.visible = reader.u8() != 0;
        if (flags3 & 0x40) {
            const quint8 r = reader.u8(), g = reader.u8(), b = reader.u8(), a = reader.u8();
            out.opaqueBackground = qRgba(r, g, b, a);
        }
    }
    if (reader.failed()) return false;
    if (hasClipActions) out.clipActions = readClipActions(reader, coding.swfVersion);
    return true;
}

QList<ClipActionRecord> readClipActions(io::Reader& reader, int swfVersion) {
    const bool wide = swfVersion >= 6;
    auto eventFlags = [&] { return wide ? reader.u32() : quint32(reader.u16()); };
    reader.u16(); // reserved
    eventFlags(); // the union of the records' events
    QList<ClipActionRecord> records;
    while (!reader.failed()) {
        ClipActionRecord record;
        record.events = eventFlags();
        if (reader.failed() || record.events == 0) break;
        const quint32 size = reader.u32();
        if (reader.failed() || size > quint64(reader.remaining())) break;
        io::Reader body = reader.sub(size);
        if (record.events & clip_events::kKeyPress) record.keyCode = body.u8();
        record.actions = body.rest().toByteArray();
        records.push_back(std::move(record));
    }
    return records;
}

bool readRemoveObject(io::Reader& reader, int tagCode, RemoveObject& out) {
    if (tagCode == int(TagCode::RemoveObject)) out.characterId = reader.u16();
    out.depth = reader.u16();
    return !reader.failed();
}

bool readInitActions(io::Reader& reader, InitActions& out) {
    out.spriteId = reader.u16();
    out.actions = reader.rest().toByteArray();
    return !reader.failed();
}

QString exportKey(const QString& name) {
    QString key = name;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
    return key;
}

bool readExports(io::Reader& reader, const StringCoding& coding, Exports& out) {
    for (int count = reader.u16(); count > 0 && !reader.failed(); --count) {
        const quint16 id = reader.u16();
        const QByteArray name = reader.cString();
        if (reader.failed()) break;
        out.names.push_back({id, decodeMovieString(name, coding)});
    }
    return !out.names.empty();
}

} // namespace swf::format
