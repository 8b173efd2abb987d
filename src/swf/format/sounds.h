// Records of the sound tags: DefineSound, StartSound and StartSound2 with their SOUNDINFO,
// SoundStreamHead 1 and 2, DefineButtonSound.
#pragma once

#include "swf/format/sound_records.h"
#include "swf/format/text_encoding.h"
#include "swf/io/reader.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace swf::format {

struct SoundDefinition {
    quint16 id = 0;
    SoundFormat format;
    quint32 sampleCount = 0; // per channel, as declared
    QByteArray data;
};

struct StartSoundRecord {
    quint16 soundId = 0; // StartSound
    QString className;   // StartSound2
    SoundInfo info;
};

struct SoundStreamHeadRecord {
    SoundFormat stream;
    quint16 samplesPerBlock = 0;
    qint16 latencySeek = 0;
};

// SoundStreamBlock: the next piece of the timeline's stream, in the stream head's coding.
struct StreamBlock {
    QByteArray data;
};

struct ButtonSounds {
    quint16 buttonId = 0;
    // Over-up to idle, idle to over-up, over-up to over-down, over-down to over-up.
    std::array<StartSoundRecord, 4> transitions;
};

// Each returns false when the record is broken; the tag is then skipped.
bool readDefineSound(io::Reader& reader, SoundDefinition& out);
bool readSoundInfo(io::Reader& reader, SoundInfo& out);
bool readStartSound(io::Reader& reader, int tagCode, const StringCoding& coding, StartSoundRecord& out);
bool readSoundStreamHead(io::Reader& reader, SoundStreamHeadRecord& out);
bool readButtonSounds(io::Reader& reader, ButtonSounds& out);

} // namespace swf::format
