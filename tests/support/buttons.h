// Buttons written tag by tag, for the tests of their looks and their actions.
#pragma once

#include "bit_writer.h"
#include "swf_builder.h"

#include <vector>

namespace swftest {

// A character a button shows in the states given (1 up, 2 over, 4 down, 8 hit), at `depth`.
struct ButtonRecord {
    int states;
    int character;
    ColorTransformValues cx = {}; // DefineButton2 only
    int depth = 1;
    QTransform matrix = {};
};

// Actions run on the given transitions (the BUTTONCONDACTION flags) or on a key press.
struct ButtonCondition {
    quint16 transitions = 0;
    int key = 0;
    QByteArray actions; // a whole action block, End included
};

inline void writeButtonRecords(Writer& w, const std::vector<ButtonRecord>& records, bool withCx) {
    for (const ButtonRecord& record : records) {
        w.u8(record.states);
        w.u16(record.character);
        w.u16(record.depth);
        w.matrix(record.matrix);
        if (withCx) w.colorTransform(record.cx, true);
    }
    w.u8(0);
}

// DefineButton2, returning its character id.
inline int defineButton2(SwfBuilder& b, const std::vector<ButtonRecord>& records,
                         const std::vector<ButtonCondition>& conditions = {}) {
    const int id = b.reserveId();
    Writer w, list;
    w.u16(id);
    w.u8(0); // not a menu
    writeButtonRecords(list, records, true);
    w.u16(conditions.empty() ? 0 : list.data().size() + 2); // from this field to the first condition
    w.bytes(list.data());
    for (size_t i = 0; i < conditions.size(); ++i) {
        w.u16(i + 1 == conditions.size() ? 0 : conditions[i].actions.size() + 4);
        w.u8(conditions[i].transitions & 0xff);
        w.u8((conditions[i].key << 1) | ((conditions[i].transitions >> 8) & 1));
        w.bytes(conditions[i].actions);
    }
    b.rawTag(34, w.data());
    return id;
}

// DefineButton: records without colour transforms, and one action block run on release.
inline int defineButton1(SwfBuilder& b, const std::vector<ButtonRecord>& records, const QByteArray& actions) {
    const int id = b.reserveId();
    Writer w;
    w.u16(id);
    writeButtonRecords(w, records, false);
    w.bytes(actions);
    b.rawTag(7, w.data());
    return id;
}

} // namespace swftest
