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
    if (buttonVersion < 2) {
        const QByteArray actions = reader.rest().toByteArray();
        if (!actions.isEmpty()) out.actions.push_back({OverDownToOverUp, 0, actions});
    } else if (actionsAt >= 0 && actionsAt <= reader.size()) {
        reader.seek(actionsAt);
        // Each condition: its size (0 for the last), the transition bits, then its actions.
        while (!reader.atEnd()) {
            const quint16 size = reader.u16();
            const quint8 first = reader.u8(), second = reader.u8();
            if (reader.failed() || (size != 0 && size < 4) || (size != 0 && size - 4 > reader.remaining())) {
                problem = QStringLiteral("button conditions run past the tag");
                break;
            }
            ButtonAction action;
            action.transitions = quint16(first | ((second & 0x01) << 8));
            action.keyCode = second >> 1;
            action.actions = size == 0 ? reader.rest().toByteArray() : reader.bytes(size - 4);
            out.actions.push_back(std::move(action));
            if (size == 0) break;
        }
    }
    return true;
}

bool readButtonColorTransform(io::Reader& reader, ColorTransform& out) {
    out = readColorTransform(reader, false);
    return !reader.failed();
}

} // namespace swf::format
