// FLV files as NetStream plays them: the header, the tags (sound, video, script data) read
// as far as the bytes reach, and AMF0 values of script data tags (onMetaData, onCuePoint).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace swf::format {

struct Mp4Index;

enum class FlvTagType : quint8 { Audio = 8, Video = 9, Script = 18 };

struct FlvTag {
    FlvTagType type = FlvTagType::Script;
    qint64 timeMs = 0;
    QByteArray body; // without the tag header
};

struct FlvFile {
    bool hasAudio = false, hasVideo = false;
    std::vector<FlvTag> tags; // in file order; types other than the three are left out
    // The bytes ended inside a tag: more may come (a file still loading) or the file is cut.
    bool incomplete = false;
    qsizetype readTo = 0; // where the next tag starts
    // Tags made from an MP4 file's samples (readMp4); indexed says its index has come,
    // read once and kept.
    bool mp4 = false, indexed = false;
    std::shared_ptr<const Mp4Index> mp4Index;
};

// Files with more tags than this are read up to it: hours of video, far beyond the era.
inline constexpr int kMaxFlvTags = 2'000'000;

// Nothing when the bytes do not start like an FLV file.
std::optional<FlvFile> readFlv(QByteArrayView bytes);
// A file read while it loads: bytes are more of the same file (its start included), and the
// tags they complete are added. Returns how many.
int readMoreFlv(QByteArrayView bytes, FlvFile& file);

// A video tag's body split: its frame type (1 key frame, 2 inter, 3 disposable, 5 info),
// codec id (as DefineVideoStream numbers them) and the picture's packet.
struct FlvVideoPacket {
    int frameType = 0;
    int codec = 0;
    QByteArray packet;
    // VP6 codes whole macroblocks; FLV says how many pixels to trim off the right and bottom.
    int trimRight = 0, trimBottom = 0;
    // H.264: 0 the decoder's configuration, 1 pictures, 2 the end of the sequence; and how
    // much later than the tag's time the picture is shown.
    int avcPacketType = -1;
    int compositionMs = 0;
};
std::optional<FlvVideoPacket> readFlvVideo(QByteArrayView body);
// When a tag's picture is shown: an H.264 picture's composition time after the tag's own;
// any other tag at its time. Reads no more of the body than that.
qint64 flvShownAtMs(const FlvTag& tag);

struct AmfMember;

struct AmfValue {
    enum class Kind { Number, Boolean, String, Object, Null, Undefined, Array, Date };
    Kind kind = Kind::Undefined;
    double number = 0; // also a date's milliseconds
    bool boolean = false;
    QString string;
    // Objects and ECMA arrays: members in file order; strict arrays: items as "0", "1"...
    std::vector<AmfMember> members;
};

struct AmfMember {
    QString name;
    AmfValue value;
};

// The values of a script data tag, usually a handler's name and then its argument. Reading
// stops at the first value it cannot read; nesting deeper than kMaxAmfDepth is cut off.
inline constexpr int kMaxAmfDepth = 32;
std::vector<AmfValue> readAmf0(QByteArrayView bytes);

} // namespace swf::format
