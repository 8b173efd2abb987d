// The record decoders behind one entry point, for the fuzz target and the test of its seeds.
// Byte 0 of an input picks the decoder (low four bits; the next bits a variant), byte 1 the
// SWF version; the rest is the tag's body, or with 0x1f a whole FLV or MP4 file.
#pragma once

#include "swf/format/actions.h"
#include "swf/format/buttons.h"
#include "swf/format/control_tags.h"
#include "swf/format/edit_text.h"
#include "swf/format/flv.h"
#include "swf/format/fonts.h"
#include "swf/format/morph.h"
#include "swf/format/mp4.h"
#include "swf/format/shapes.h"
#include "swf/format/sounds.h"
#include "swf/format/tag_codes.h"

#include <cstdlib>

namespace fuzzrecords {

using namespace swf::format;

// Decodes body with the decoder which picks; whether the record read cleanly. Invariants a
// clean read must keep abort.
inline bool decodeRecord(int which, int version, const QByteArray& body) {
    auto check = [](bool condition) {
        if (!condition) std::abort();
    };
    swf::io::Reader reader(body);
    const StringCoding coding{version};
    QString problem;
    // Definitions start with their character id, which the movie reader takes before the decoder.
    if (which % 16 >= 8 && which % 16 <= 13) reader.u16();
    switch (which % 16) {
    case 0:
    case 1:
    case 2: {
        static const int kCodes[] = {int(TagCode::PlaceObject), int(TagCode::PlaceObject2),
                                     int(TagCode::PlaceObject3)};
        PlaceObject place;
        return readPlaceObject(reader, kCodes[which % 16], coding, place);
    }
    case 3: {
        RemoveObject remove;
        return readRemoveObject(
            reader, which & 0x10 ? int(TagCode::RemoveObject) : int(TagCode::RemoveObject2), remove);
    }
    case 4: {
        StartSoundRecord start;
        return readStartSound(reader, which & 0x10 ? int(TagCode::StartSound2) : int(TagCode::StartSound),
                              coding, start);
    }
    case 5: {
        SoundStreamHeadRecord head;
        const bool ok = readSoundStreamHead(reader, head);
        if (ok) check(head.stream.rate > 0);
        return ok;
    }
    case 6: {
        InitActions init;
        const bool ok = readInitActions(reader, init);
        if (ok) check(init.actions.size() == body.size() - 2);
        return ok;
    }
    case 7: {
        Exports exports;
        // Every name needs at least three bytes: the id and the terminating zero.
        const bool ok = readExports(reader, coding, exports);
        if (ok) check(qsizetype(exports.names.size()) * 3 <= body.size());
        return ok;
    }
    case 8: {
        ShapeDefinition shape;
        return readShapeDefinition(reader, 1 + (which >> 4) % 4, shape, problem);
    }
    case 9: {
        MorphShapeDefinition morph;
        return readMorphShape(reader, 1 + (which >> 4) % 2, morph, problem);
    }
    case 10: {
        FontDefinition font;
        return readFont(reader, 1 + (which >> 4) % 3, coding, font, problem);
    }
    case 11: {
        TextDefinition text;
        return readText(reader, 1 + (which >> 4) % 2, text, problem);
    }
    case 12: {
        EditTextDefinition field;
        return readEditText(reader, coding, field, problem);
    }
    case 13: {
        ButtonDefinition button;
        return readButton(reader, 1 + (which >> 4) % 2, button, problem);
    }
    case 14: {
        ButtonSounds sounds;
        return readButtonSounds(reader, sounds);
    }
    default: {
        if ((which >> 4) & 1) {
            // A file NetStream plays (FLV or MP4), read whole and then again as it arrives.
            const std::optional<FlvFile> whole = readStreamFile(body, true);
            std::optional<FlvFile> arriving = readStreamFile(body.left(body.size() / 2), false);
            if (arriving) readMoreStreamFile(body, *arriving, true);
            if (whole && arriving) check(arriving->tags.size() == whole->tags.size());
            if (!whole) return false;
            for (const FlvTag& tag : whole->tags) {
                check(tag.timeMs >= 0);
                if (tag.type == FlvTagType::Video) readFlvVideo(tag.body);
                if (tag.type == FlvTagType::Script) readAmf0(tag.body);
            }
            return !whole->incomplete;
        }
        // The action decoder over a whole block, the way the interpreter walks it.
        int offset = 0;
        for (int steps = 0; steps < 100000 && offset < body.size(); ++steps) {
            const auto record = swf::format::readActionRecord(body, offset);
            if (!record) break;
            check(record->next() > offset);
            offset = record->next();
        }
        return offset == body.size();
    }
    }
}

} // namespace fuzzrecords
