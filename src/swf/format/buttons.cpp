// Button decoders.
#include "swf/format/buttons.h"

namespace swf::format {

bool readButton(io::Reader& reader, int buttonVersion, ButtonDefinition& out, QString& problem) {
    qsizetype actionsAt = -1;
    if (buttonVersion >= 2) {
        out.trackAsMenu = reader.u8() & 0x01;
        const qsizetype offsetField = reader.position();
        const quint16 actionOffset = reader.u16();
        if (actionOffset) actionsAt = offsetField + actionOffset;
    }
    while (!reader.failed()) {
        const quint8 flags = reader.u8();
        if (flags == 0) break;
        ButtonRecord record;
        record.states = flags & 0x0f;
        record.characterId = reader.u16();
        record.depth = reader.u16();
        record.matrix = readMatrix(reader);
        if (buttonVersion >= 2) {
            record.colorTransform = readColorTransform(reader, true);
            if (flags & 0x10) record.filters = readFilterList(reader);
            if (flags & 0x20) record.blendMode = static_cast<BlendMode>(qBound(1, int(reader.u8()), 14));
        }
        if (!reader.failed()) out.records.push_back(record);
    }
    if (reader.failed()) {
        problem = QStringLiteral("button records run past the tag");
        return !out.records.empty();
    }
    if (buttonVersion < 2)
        out.actions = reader.rest().toByteArray();
    else if (actionsAt >= 0 && actionsAt <= reader.size()) {
        reader.seek(actionsAt);
        out.actions = reader.rest().toByteArray();
    }
    return true;
}

bool readButtonColorTransform(io::Reader& reader, ColorTransform& out) {
    out = readColorTransform(reader, false);
    return !reader.failed();
}

}  // namespace swf::format
