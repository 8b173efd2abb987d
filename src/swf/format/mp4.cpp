#include "swf/format/mp4.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace swf::format {
namespace {

constexpr quint32 fourcc(const char* name) {
    return quint32(quint8(name[0])) << 24 | quint32(quint8(name[1])) << 16 | quint32(quint8(name[2])) << 8 |
           quint32(quint8(name[3]));
}

// Boxes nest no deeper than this in the files we read; deeper nesting is not followed.
constexpr int kMaxDepth = 12;
// The FLV sound byte of AAC (always written as 44 kHz, 16-bit stereo: the decoder takes the
// real figures from its configuration) and of MP3, whose frames carry their own.
constexpr char kAacSoundByte = char(0xaf);
constexpr char kMp3SoundByte = char(0x2f);
constexpr int kAvcCodec = 7;

class Reader {
  public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}
    bool has(qsizetype count) const { return count >= 0 && count <= m_bytes.size() - m_at; }
    quint64 uint(int count) {
        if (!has(count)) {
            m_failed = true;
            m_at = m_bytes.size();
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | quint8(m_bytes[m_at + i]);
        m_at += count;
        return value;
    }
    void skip(qsizetype count) {
        if (!has(count)) {
            m_failed = true;
            m_at = m_bytes.size();
        } else {
            m_at += count;
        }
    }
    QByteArrayView rest() const { return m_bytes.sliced(m_at); }
    qsizetype at() const { return m_at; }
    bool failed() const { return m_failed; }

  private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_failed = false;
};

struct Box {
    quint32 type = 0;
    qsizetype start = 0;    // of its header, in the bytes read
    QByteArrayView body;    // its contents after the header
    bool complete = false;  // its whole size lies within the bytes
    qint64 declaredEnd = 0; // where it ends by its header
};

// The boxes laid one after another in bytes; the last may run past them (still loading).
// A box of size 0 runs to the end of what holds it: of a file, only known once it has all
// come (endKnown), and until then the box stays open.
std::vector<Box> boxesIn(QByteArrayView bytes, qsizetype base = 0, bool endKnown = true) {
    std::vector<Box> boxes;
    qsizetype at = 0;
    while (bytes.size() - at >= 8) {
        Reader header(bytes.sliced(at));
        quint64 size = header.uint(4);
        const quint32 type = quint32(header.uint(4));
        qsizetype headerSize = 8;
        bool open = false;
        if (size == 1) {
            if (!header.has(8)) break;
            size = header.uint(8);
            headerSize = 16;
        } else if (size == 0) {
            size = quint64(bytes.size() - at);
            open = !endKnown;
        }
        if (size < quint64(headerSize)) break; // broken: nothing after it can be trusted
        Box box;
        box.type = type;
        box.start = base + at;
        box.declaredEnd =
            qint64(std::min<quint64>(size, quint64(std::numeric_limits<qint64>::max() / 2))) + box.start;
        const qsizetype available = bytes.size() - at;
        box.complete = !open && size <= quint64(available);
        const qsizetype length = box.complete ? qsizetype(size) : available;
        box.body = bytes.sliced(at + headerSize, length - headerSize);
        boxes.push_back(box);
        if (!box.complete) break;
        at += length;
    }
    return boxes;
}

const Box* child(const std::vector<Box>& boxes, const char* name) {
    for (const Box& box : boxes)
        if (box.type == fourcc(name) && box.complete) return &box;
    return nullptr;
}

// A box found by its path of names under parent's body, or nothing.
std::optional<QByteArrayView> find(QByteArrayView parent, std::initializer_list<const char*> path) {
    QByteArrayView body = parent;
    for (const char* name : path) {
        const quint32 wanted = fourcc(name);
        bool found = false;
        for (const Box& box : boxesIn(body))
            if (box.type == wanted && box.complete) {
                body = box.body;
                found = true;
                break;
            }
        if (!found) return std::nullopt;
    }
    return body;
}

enum class TrackKind { Other, Video, Sound };

struct Sample {
    qint64 offset = 0;
    quint32 size = 0;
    qint64 decodeTime = 0; // in the track's time scale
    qint32 composition = 0;
    bool key = true;
};

struct Track {
    TrackKind kind = TrackKind::Other;
    quint32 timeScale = 0;
    QByteArray configuration; // avcC, or the AAC AudioSpecificConfig
    char soundByte = 0;       // FLV's first byte of a sound tag
    int width = 0, height = 0, channels = 0, rate = 0;
    qint64 editStart = 0; // the media time the first edit starts at
    std::vector<Sample> samples;
    qint64 durationUnits = 0;

    // Hostile tables can make times of any size: they are held to a century either way.
    qint64 ms(qint64 units) const {
        constexpr double kLimit = 3.2e12;
        return timeScale ? qint64(std::clamp(double(units) * 1000.0 / timeScale, -kLimit, kLimit)) : 0;
    }
};

// MPEG-4 descriptors' lengths: up to four bytes of seven bits each.
quint32 descriptorLength(Reader& reader) {
    quint32 length = 0;
    for (int i = 0; i < 4; ++i) {
        const quint8 byte = quint8(reader.uint(1));
        length = (length << 7) | (byte & 0x7f);
        if (!(byte & 0x80)) break;
    }
    return length;
}

// The esds box: which coding the sound is in, and AAC's configuration.
void readSoundDescriptor(QByteArrayView esds, Track& track) {
    Reader reader(esds);
    reader.skip(4); // version and flags
    if (reader.uint(1) != 0x03) return;
    descriptorLength(reader);
    reader.skip(2); // ES_ID
    const quint8 flags = quint8(reader.uint(1));
    if (flags & 0x80) reader.skip(2);
    if (flags & 0x40) reader.skip(qsizetype(reader.uint(1)));
    if (flags & 0x20) reader.skip(2);
    if (reader.uint(1) != 0x04) return;
    descriptorLength(reader);
    const quint8 objectType = quint8(reader.uint(1));
    reader.skip(12); // stream type, buffer size, bit rates
    if (objectType == 0x69 || objectType == 0x6b) {
        track.soundByte = kMp3SoundByte;
        return;
    }
    if (objectType != 0x40 && objectType != 0x66 && objectType != 0x67 && objectType != 0x68) return;
    if (reader.uint(1) != 0x05) return;
    const quint32 length = descriptorLength(reader);
    if (reader.failed() || !reader.has(length) || length == 0) return;
    track.configuration = reader.rest().first(length).toByteArray();
    track.soundByte = kAacSoundByte;
    // The sample entry's figures are often placeholders; AAC's own configuration says.
    static constexpr int kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                       22050, 16000, 12000, 11025, 8000,  7350};
    if (length >= 2) {
        const int rateIndex = (quint8(track.configuration[0]) & 7) << 1 | quint8(track.configuration[1]) >> 7;
        const int channels = (quint8(track.configuration[1]) >> 3) & 0x0f;
        if (rateIndex < 13) track.rate = kRates[rateIndex];
        if (channels >= 1 && channels <= 7) track.channels = channels;
    }
}

// The sample description: which coding, and its configuration.
void readDescription(QByteArrayView stsd, Track& track) {
    Reader reader(stsd);
    reader.skip(8); // version, flags, entry count
    if (reader.failed()) return;
    const std::vector<Box> entries = boxesIn(reader.rest());
    if (entries.empty() || !entries.front().complete) return;
    const Box& entry = entries.front();
    Reader fields(entry.body);
    if (track.kind == TrackKind::Video) {
        if (entry.type != fourcc("avc1") && entry.type != fourcc("avc3")) return;
        fields.skip(24);
        track.width = int(fields.uint(2));
        track.height = int(fields.uint(2));
        fields.skip(50);
        if (fields.failed()) return;
        const std::vector<Box> inner = boxesIn(fields.rest());
        if (const Box* avcC = child(inner, "avcC")) track.configuration = avcC->body.toByteArray();
    } else if (track.kind == TrackKind::Sound) {
        if (entry.type != fourcc("mp4a") && entry.type != fourcc(".mp3")) return;
        fields.skip(8);
        const quint64 version = fields.uint(2);
        fields.skip(6);
        track.channels = int(fields.uint(2));
        fields.skip(6);
        track.rate = int(fields.uint(4) >> 16);
        if (version == 1) fields.skip(16);
        if (version == 2) fields.skip(36);
        if (fields.failed()) return;
        if (entry.type == fourcc(".mp3")) {
            track.soundByte = kMp3SoundByte;
            return;
        }
        const std::vector<Box> inner = boxesIn(fields.rest());
        const Box* esds = child(inner, "esds");
        // QuickTime files keep it one level down.
        const Box* wave = child(inner, "wave");
        const std::vector<Box> waveInner = wave ? boxesIn(wave->body) : std::vector<Box>();
        if (!esds) esds = child(waveInner, "esds");
        if (esds) readSoundDescriptor(esds->body, track);
    }
}

// The sample tables: sizes, where the chunks lie, times, composition offsets, key frames.
bool readSamples(QByteArrayView stbl, Track& track) {
    const std::vector<Box> tables = boxesIn(stbl);
    const Box *stsz = child(tables, "stsz"), *stsc = child(tables, "stsc"), *stts = child(tables, "stts");
    const Box* chunks = child(tables, "stco");
    const bool wideOffsets = !chunks && (chunks = child(tables, "co64")) != nullptr;
    if (!stsz || !stsc || !stts || !chunks) return false;

    Reader sizes(stsz->body);
    sizes.skip(4);
    const quint32 fixedSize = quint32(sizes.uint(4));
    // A table of one size for all costs nothing however many samples it claims; the codings
    // played here vary their sizes, so such a track is held to some hours of sound.
    constexpr quint64 kMaxSamplesOfOneSize = 1u << 18;
    const quint64 count =
        std::min<quint64>(sizes.uint(4), fixedSize ? kMaxSamplesOfOneSize : quint64(kMaxFlvTags));
    if (sizes.failed() || (fixedSize == 0 && !sizes.has(qsizetype(count * 4)))) return false;
    track.samples.resize(size_t(count));
    for (Sample& sample : track.samples)
        sample.size = fixedSize ? fixedSize : quint32(sizes.uint(4));

    Reader offsets(chunks->body);
    offsets.skip(4);
    const quint64 chunkCount = offsets.uint(4);
    const int offsetBytes = wideOffsets ? 8 : 4;
    if (offsets.failed() || !offsets.has(qsizetype(std::min<quint64>(chunkCount, 1u << 28) * offsetBytes)))
        return false;
    Reader runs(stsc->body);
    runs.skip(4);
    const quint64 runCount = runs.uint(4);
    if (runs.failed() || !runs.has(qsizetype(std::min<quint64>(runCount, 1u << 28) * 12))) return false;
    struct Run {
        quint64 firstChunk, perChunk;
    };
    std::vector<Run> runList;
    for (quint64 i = 0; i < runCount; ++i) {
        const quint64 first = runs.uint(4), per = runs.uint(4);
        runs.skip(4);
        runList.push_back({first, per});
    }
    size_t sample = 0;
    size_t run = 0;
    for (quint64 chunk = 1; chunk <= chunkCount && sample < track.samples.size(); ++chunk) {
        qint64 at = qint64(offsets.uint(offsetBytes));
        while (run + 1 < runList.size() && runList[run + 1].firstChunk <= chunk)
            ++run;
        const quint64 perChunk = runList.empty() ? 0 : runList[run].perChunk;
        for (quint64 i = 0; i < perChunk && sample < track.samples.size(); ++i, ++sample) {
            track.samples[sample].offset = at;
            at += track.samples[sample].size;
        }
    }
    track.samples.resize(sample); // samples no chunk holds are not in the file

    Reader times(stts->body);
    times.skip(4);
    const quint64 timeRuns = times.uint(4);
    qint64 time = 0;
    sample = 0;
    for (quint64 i = 0; i < timeRuns && times.has(8) && sample < track.samples.size(); ++i) {
        const quint64 runLength = times.uint(4), delta = times.uint(4);
        for (quint64 n = 0; n < runLength && sample < track.samples.size(); ++n) {
            track.samples[sample++].decodeTime = time;
            time += qint64(delta);
        }
    }
    for (; sample < track.samples.size(); ++sample)
        track.samples[sample].decodeTime = time;
    track.durationUnits = time;

    if (const Box* ctts = child(tables, "ctts")) {
        Reader offsetsOfComposition(ctts->body);
        offsetsOfComposition.skip(4);
        const quint64 compositionRuns = offsetsOfComposition.uint(4);
        sample = 0;
        for (quint64 i = 0;
             i < compositionRuns && offsetsOfComposition.has(8) && sample < track.samples.size(); ++i) {
            const quint64 runLength = offsetsOfComposition.uint(4);
            const auto offset = qint32(quint32(offsetsOfComposition.uint(4)));
            for (quint64 n = 0; n < runLength && sample < track.samples.size(); ++n)
                track.samples[sample++].composition = offset;
        }
    }
    if (const Box* stss = child(tables, "stss")) {
        for (Sample& each : track.samples)
            each.key = false;
        Reader keys(stss->body);
        keys.skip(4);
        const quint64 keyCount = keys.uint(4);
        for (quint64 i = 0; i < keyCount && keys.has(4); ++i) {
            const quint64 number = keys.uint(4);
            if (number >= 1 && number <= track.samples.size()) track.samples[size_t(number - 1)].key = true;
        }
    }
    return !track.samples.empty();
}

Track readTrack(QByteArrayView trak) {
    Track track;
    qint64 declaredDuration = 0;
    const auto mdia = find(trak, {"mdia"});
    if (!mdia) return track;
    if (const auto hdlr = find(*mdia, {"hdlr"}); hdlr && hdlr->size() >= 12) {
        Reader reader(*hdlr);
        reader.skip(8);
        const quint32 handler = quint32(reader.uint(4));
        track.kind = handler == fourcc("vide")   ? TrackKind::Video
                     : handler == fourcc("soun") ? TrackKind::Sound
                                                 : TrackKind::Other;
    }
    if (const auto mdhd = find(*mdia, {"mdhd"})) {
        Reader reader(*mdhd);
        const quint64 version = reader.uint(1);
        reader.skip(version == 1 ? 3 + 16 : 3 + 8);
        track.timeScale = quint32(reader.uint(4));
        declaredDuration = qint64(std::min<quint64>(reader.uint(version == 1 ? 8 : 4), 1ull << 53));
    }
    if (track.kind == TrackKind::Other || track.timeScale == 0) return {};
    const auto stbl = find(*mdia, {"minf", "stbl"});
    if (!stbl) return {};
    if (const auto stsd = find(*stbl, {"stsd"})) readDescription(*stsd, track);
    const bool codedAsWeRead =
        track.kind == TrackKind::Video ? !track.configuration.isEmpty() : track.soundByte != 0;
    if (!codedAsWeRead || !readSamples(*stbl, track)) return {};
    if (declaredDuration > 0) track.durationUnits = declaredDuration;
    // An edit list that starts the track partway into its media (coders' priming and the
    // reordering delay of H.264) moves its time line back by as much.
    if (const auto elst = find(trak, {"edts", "elst"})) {
        Reader reader(*elst);
        const quint64 version = reader.uint(1);
        reader.skip(3);
        const quint64 edits = reader.uint(4);
        for (quint64 i = 0; i < edits && !reader.failed(); ++i) {
            reader.skip(version == 1 ? 8 : 4); // the edit's duration in the movie's time scale
            const qint64 mediaTime = version == 1 ? qint64(reader.uint(8)) : qint32(quint32(reader.uint(4)));
            reader.skip(4);
            if (mediaTime < 0) continue; // an empty edit
            if (!reader.failed()) track.editStart = mediaTime;
            break;
        }
    }
    return track;
}

// AMF0, as script data tags carry onMetaData.
class AmfWriter {
  public:
    void string(const QString& text) {
        const QByteArray utf8 = text.toUtf8().left(0xffff);
        m_bytes += char(utf8.size() >> 8);
        m_bytes += char(utf8.size() & 0xff);
        m_bytes += utf8;
    }
    void stringValue(const QString& text) {
        m_bytes += char(0x02);
        string(text);
    }
    void number(const QString& name, double value) {
        string(name);
        m_bytes += char(0x00);
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 7; i >= 0; --i)
            m_bytes += char((bits >> (8 * i)) & 0xff);
        ++m_members;
    }
    void text(const QString& name, const QString& value) {
        string(name);
        stringValue(value);
        ++m_members;
    }
    void beginArray() {
        m_bytes += char(0x08);
        m_countAt = m_bytes.size();
        m_bytes += QByteArray(4, '\0');
    }
    QByteArray endArray() {
        m_bytes += QByteArray("\0\0\x09", 3);
        for (int i = 0; i < 4; ++i)
            m_bytes[m_countAt + i] = char((m_members >> (8 * (3 - i))) & 0xff);
        return m_bytes;
    }

  private:
    QByteArray m_bytes;
    qsizetype m_countAt = 0;
    quint32 m_members = 0;
};

// What the file's index says: the tags in the order they play, each either made up here
// (body set) or a sample of a track still to be read from the file.
struct Planned {
    FlvTagType type = FlvTagType::Script;
    qint64 timeMs = 0;
    QByteArray body; // made-up tags; samples take theirs from the file
    const Track* track = nullptr;
    const Sample* sample = nullptr;
};

} // namespace

// Kept by the file once read, and never moved: its tags point into its tracks.
struct Mp4Index {
    Track video, sound;
    std::vector<Planned> tags;
};

namespace {

// The metadata players announce for an MP4 file, as FLV files carry in their first tag.
QByteArray metadata(const Mp4Index& index, qint64 moovPosition) {
    AmfWriter amf;
    amf.stringValue(QStringLiteral("onMetaData"));
    amf.beginArray();
    const Track& video = index.video;
    const Track& sound = index.sound;
    const qint64 durationMs = std::max(video.ms(video.durationUnits - video.editStart),
                                       sound.ms(sound.durationUnits - sound.editStart));
    amf.number(QStringLiteral("duration"), double(durationMs) / 1000.0);
    amf.number(QStringLiteral("moovPosition"), double(moovPosition));
    if (!video.samples.empty()) {
        amf.number(QStringLiteral("width"), video.width);
        amf.number(QStringLiteral("height"), video.height);
        amf.text(QStringLiteral("videocodecid"), QStringLiteral("avc1"));
        if (video.configuration.size() >= 4) {
            amf.number(QStringLiteral("avcprofile"), quint8(video.configuration[1]));
            amf.number(QStringLiteral("avclevel"), quint8(video.configuration[3]));
        }
        const qint64 span = video.samples.back().decodeTime - video.samples.front().decodeTime;
        if (span > 0)
            amf.number(QStringLiteral("videoframerate"), std::round(double(video.samples.size() - 1) *
                                                                    video.timeScale / double(span) * 1000.0) /
                                                             1000.0);
    }
    if (!sound.samples.empty()) {
        amf.text(QStringLiteral("audiocodecid"),
                 sound.soundByte == kAacSoundByte ? QStringLiteral("mp4a") : QStringLiteral(".mp3"));
        amf.number(QStringLiteral("audiosamplerate"), sound.rate);
        amf.number(QStringLiteral("audiochannels"), sound.channels);
    }
    return amf.endArray();
}

std::shared_ptr<const Mp4Index> readIndex(QByteArrayView moov, qint64 moovPosition) {
    auto made = std::make_shared<Mp4Index>();
    Mp4Index& index = *made;
    for (const Box& box : boxesIn(moov)) {
        if (box.type != fourcc("trak") || !box.complete) continue;
        Track track = readTrack(box.body);
        if (track.kind == TrackKind::Video && index.video.samples.empty()) index.video = std::move(track);
        if (track.kind == TrackKind::Sound && index.sound.samples.empty()) index.sound = std::move(track);
    }
    if (index.video.samples.empty() && index.sound.samples.empty()) return nullptr;
    index.tags.push_back({FlvTagType::Script, 0, metadata(index, moovPosition)});
    std::vector<Planned> samples;
    // Edits start each track partway into its media; the track that starts furthest in sets
    // the start of the shared time line, the others wait as much longer, so that what each
    // edit keeps plays together and no time falls before zero.
    auto startMs = [](const Track& track) {
        return track.samples.empty() ? 0 : track.ms(track.samples.front().decodeTime - track.editStart);
    };
    const qint64 lead = std::max<qint64>(0, -std::min(startMs(index.video), startMs(index.sound)));
    if (const Track& video = index.video; !video.samples.empty()) {
        index.tags.push_back(
            {FlvTagType::Video, 0, char(0x10 | kAvcCodec) + QByteArray("\0\0\0\0", 4) + video.configuration});
        for (const Sample& sample : video.samples)
            samples.push_back({FlvTagType::Video,
                               std::max<qint64>(0, video.ms(sample.decodeTime - video.editStart) + lead),
                               {},
                               &video,
                               &sample});
    }
    if (const Track& sound = index.sound; !sound.samples.empty()) {
        if (sound.soundByte == kAacSoundByte)
            index.tags.push_back(
                {FlvTagType::Audio, 0, kAacSoundByte + QByteArray(1, '\0') + sound.configuration});
        for (const Sample& sample : sound.samples)
            samples.push_back({FlvTagType::Audio,
                               std::max<qint64>(0, sound.ms(sample.decodeTime - sound.editStart) + lead),
                               {},
                               &sound,
                               &sample});
    }
    // Time order, and where two share a time, file order: a file written for playing while
    // it loads then gives its tags in the order its bytes come.
    std::stable_sort(samples.begin(), samples.end(), [](const Planned& a, const Planned& b) {
        return a.timeMs != b.timeMs ? a.timeMs < b.timeMs : a.sample->offset < b.sample->offset;
    });
    const size_t room = size_t(kMaxFlvTags) - std::min(size_t(kMaxFlvTags), index.tags.size());
    if (samples.size() > room) samples.resize(room);
    index.tags.insert(index.tags.end(), std::make_move_iterator(samples.begin()),
                      std::make_move_iterator(samples.end()));
    return made;
}

FlvTag tagOf(const Planned& planned, QByteArrayView bytes) {
    FlvTag tag;
    tag.type = planned.type;
    tag.timeMs = planned.timeMs;
    if (!planned.sample) {
        tag.body = planned.body;
        return tag;
    }
    const QByteArrayView data = bytes.sliced(qsizetype(planned.sample->offset), planned.sample->size);
    if (planned.type == FlvTagType::Video) {
        const qint64 ms = planned.track->ms(planned.sample->composition);
        const auto composition = quint32(qint32(std::clamp<qint64>(ms, -0x800000, 0x7fffff)));
        tag.body.reserve(data.size() + 5);
        tag.body += char((planned.sample->key ? 0x10 : 0x20) | kAvcCodec);
        tag.body += char(0x01);
        tag.body += char((composition >> 16) & 0xff);
        tag.body += char((composition >> 8) & 0xff);
        tag.body += char(composition & 0xff);
    } else {
        tag.body += planned.track->soundByte;
        if (planned.track->soundByte == kAacSoundByte) tag.body += char(0x01);
    }
    tag.body += data;
    return tag;
}

bool looksLikeMp4(QByteArrayView bytes) {
    if (bytes.size() < 8) return false;
    const quint32 type = quint32(quint8(bytes[4])) << 24 | quint32(quint8(bytes[5])) << 16 |
                         quint32(quint8(bytes[6])) << 8 | quint32(quint8(bytes[7]));
    return type == fourcc("ftyp") || type == fourcc("moov") || type == fourcc("mdat") ||
           type == fourcc("free") || type == fourcc("skip") || type == fourcc("wide") ||
           type == fourcc("pdin");
}

} // namespace

std::optional<FlvFile> readMp4(QByteArrayView bytes, bool whole) {
    if (!looksLikeMp4(bytes)) return std::nullopt;
    FlvFile file;
    file.mp4 = true;
    file.incomplete = true;
    readMoreMp4(bytes, file, whole);
    return file;
}

int readMoreMp4(QByteArrayView bytes, FlvFile& file, bool whole) {
    file.readTo = bytes.size();
    if (!file.indexed) {
        const std::vector<Box> top = boxesIn(bytes, 0, whole);
        const Box* moov = child(top, "moov");
        if (!moov) {
            // Some other box runs past the bytes: the index may still come after it.
            file.incomplete = top.empty() || !top.back().complete || bytes.size() < 8;
            return 0;
        }
        file.indexed = true;
        file.mp4Index = readIndex(moov->body, moov->start);
    }
    const Mp4Index* index = file.mp4Index.get();
    if (!index) {
        file.incomplete = false; // an index with nothing we play: the file ends here
        return 0;
    }
    file.hasVideo = !index->video.samples.empty();
    file.hasAudio = !index->sound.samples.empty();
    int added = 0;
    size_t next = file.tags.size();
    for (; next < index->tags.size(); ++next) {
        const Planned& planned = index->tags[next];
        if (planned.sample && (planned.sample->offset < 0 || planned.sample->offset > bytes.size() ||
                               qint64(planned.sample->size) > bytes.size() - planned.sample->offset))
            break;
        file.tags.push_back(tagOf(planned, bytes));
        ++added;
    }
    file.incomplete = next < index->tags.size();
    return added;
}

std::optional<FlvFile> readStreamFile(QByteArrayView bytes, bool whole) {
    if (std::optional<FlvFile> flv = readFlv(bytes)) return flv;
    return readMp4(bytes, whole);
}

int readMoreStreamFile(QByteArrayView bytes, FlvFile& file, bool whole) {
    return file.mp4 ? readMoreMp4(bytes, file, whole) : readMoreFlv(bytes, file);
}

bool canStartPlaying(const FlvFile& file) {
    return !file.mp4 || file.indexed;
}

} // namespace swf::format
