// FLV files played through NetStream: the file's records as read, its sound placed at its
// time stamps, and a movie that plays a coded clip through a Video on its stage.
#include "action_assembler.h"
#include "file_bytes.h"
#include "net_stream_movie.h"
#include "render_check.h"
#include "swf/Player.h"
#include "swf/format/flv.h"
#include "swf/format/mp4.h"
#include "swf/media/flv_audio.h"
#include "swf/media/mixer.h"
#include "swf/navigator.h"
#include "video_clips.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace swftest;
using namespace avm1test;
using swf::format::AmfValue;

namespace {

QByteArray amfString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return bigEndian(quint32(utf8.size()), 2) + utf8;
}

QByteArray amfNumber(double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out(1, '\0');
    for (int i = 7; i >= 0; --i)
        out.append(char((bits >> (8 * i)) & 0xff));
    return out;
}

// A script data tag calling handler with an object of number members.
QByteArray amfCall(const QString& handler, const std::vector<std::pair<QString, QByteArray>>& members) {
    QByteArray out = QByteArray(1, '\x02') + amfString(handler) + QByteArray(1, '\x03');
    for (const auto& [name, value] : members)
        out += amfString(name) + value;
    return out + amfString({}) + QByteArray(1, '\x09');
}

// 16-bit mono PCM at 11 kHz (format byte 0x36) holding count samples of value.
QByteArray pcmTag(int count, qint16 value) {
    QByteArray body(1, char(0x36));
    for (int i = 0; i < count; ++i)
        body += char(value & 0xff) + QByteArray(1, char((value >> 8) & 0xff));
    return body;
}

double difference(const QImage& a, const QImage& b) {
    qint64 sum = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return double(sum) / (3.0 * b.width() * b.height());
}

} // namespace

namespace {

// A file on its way: the test says how much has come and when the download ends.
class ArrivingFile final : public swf::Navigator {
  public:
    QByteArray file;
    qsizetype arrivedBytes = 0;
    bool done = false, broken = false;
    std::optional<QByteArray> fetch(const QString&, const QString&, QString* fullUrl) override {
        if (!done || broken) return std::nullopt;
        if (fullUrl) *fullUrl = QStringLiteral("http://example.com/clip.flv");
        return file;
    }
    bool stillLoading(const QString&, const QString&) override { return !done; }
    std::optional<QByteArray> arrived(const QString&, const QString&, qint64* total) override {
        if (done) return std::nullopt;
        if (total) *total = file.size();
        return file.left(arrivedBytes);
    }
};

// A SWF 8 movie at 25 fps playing clip.flv through a NetStream, tracing each status code
// with the stream's bytesLoaded and bytesTotal.
QByteArray streamingMovie() {
    const ActionAssembler onStatus(8,
                                   "$info .code ' ' Add2 $this .bytesLoaded Add2 '/' Add2 $this .bytesTotal "
                                   "Add2 Trace");
    return netStreamMovie(8, 25, onStatus, 200);
}

} // namespace

class NetStreamTest : public QObject {
    Q_OBJECT
  private slots:
    void readsFlv_data() {
        QTest::addColumn<int>("cut"); // bytes taken off the end
        QTest::addColumn<int>("tags");
        QTest::addColumn<bool>("incomplete");
        QTest::newRow("whole") << 0 << 3 << false;
        QTest::newRow("last size field missing") << 4 << 3 << false;
        QTest::newRow("inside the last tag") << 6 << 2 << true;
        QTest::newRow("inside a tag header") << 14 << 2 << true;
    }

    void readsFlv() {
        QFETCH(int, cut);
        QFETCH(int, tags);
        QFETCH(bool, incomplete);
        FlvWriter flv(true, true);
        flv.tag(18, 0, amfCall(QStringLiteral("onMetaData"), {{QStringLiteral("duration"), amfNumber(2)}}));
        flv.tag(8, 40, pcmTag(4, 100));
        flv.tag(9, 0x1000005, QByteArray("\x12\x01\x02\x03", 4)); // a time past 24 bits
        const QByteArray bytes = flv.bytes().left(flv.bytes().size() - cut);
        const auto file = swf::format::readFlv(bytes);
        QVERIFY(file);
        QVERIFY(file->hasAudio && file->hasVideo);
        QCOMPARE(int(file->tags.size()), tags);
        QCOMPARE(file->incomplete, incomplete);
        if (tags == 3) {
            QCOMPARE(file->tags[2].timeMs, qint64(0x1000005));
            const auto video = swf::format::readFlvVideo(file->tags[2].body);
            QVERIFY(video);
            QCOMPARE(video->frameType, 1);
            QCOMPARE(video->codec, 2);
            QCOMPARE(video->packet, QByteArray("\x01\x02\x03", 3));
        }
        QVERIFY(!swf::format::readFlv(QByteArray("FWS\x08\0\0\0\0\0", 9)));
    }

    void readsFlvAsItArrives_data() {
        QTest::addColumn<QString>("container");
        QTest::newRow("FLV") << "flv";
        QTest::newRow("MP4, index first") << "mp4";
        QTest::newRow("MP4, index last") << "mp4 index last";
        // Its size 0: it runs to the end of the file, which is known only once all has come.
        QTest::newRow("MP4, index last, open-ended") << "mp4 index last, open";
    }

    // Read in two pieces, cut anywhere, a file gives the same tags as read whole; an MP4 file
    // gives none, and cannot start, before its index has come.
    void readsFlvAsItArrives() {
        QFETCH(QString, container);
        QByteArray whole;
        if (container == QLatin1String("flv")) {
            FlvWriter flv(true, false);
            for (int i = 0; i < 4; ++i)
                flv.tag(8, i * 40, pcmTag(3 + i, qint16(i)));
            whole = flv.bytes();
        } else {
            // Two pictures a second apart, the second shown 500 ms after it is decoded, and three
            // sound packets of 1024 samples at 8 kHz.
            const Mp4Track video{"\x01\x4d\x40\x1e", {"key", "inter"}, {0, 1000},
                                 {0, 1500},          {true, false},    1000,
                                 QSize(64, 48)};
            const Mp4Track sound{
                "\x15\x88", {"a", "bb", "ccc"}, {0, 1024, 2048}, {0, 1024, 2048}, {true, true, true}, 8000,
                {}};
            whole = mp4File(video, sound, container == QLatin1String("mp4"));
            if (container.endsWith(QLatin1String("open")))
                whole.replace(whole.indexOf("moov") - 4, 4, QByteArray(4, 0));
        }
        const auto expected = swf::format::readStreamFile(whole, true);
        QVERIFY(expected && !expected->incomplete && swf::format::canStartPlaying(*expected));
        if (expected->mp4) {
            // Metadata, the two configurations, then the samples in time order.
            QCOMPARE(int(expected->tags.size()), 8);
            const auto meta = swf::format::readAmf0(expected->tags[0].body);
            QCOMPARE(meta.size(), size_t(2));
            QCOMPARE(meta[0].string, QStringLiteral("onMetaData"));
            QCOMPARE(meta[1].members[0].name, QStringLiteral("duration"));
            QCOMPARE(meta[1].members[0].value.number, 2.0);
            const auto second = swf::format::readFlvVideo(expected->tags.back().body);
            QVERIFY(second);
            QCOMPARE(expected->tags.back().timeMs, qint64(1000));
            QCOMPARE(second->frameType, 2);
            QCOMPARE(second->compositionMs, 500);
            QCOMPARE(second->packet, QByteArray("inter"));
            QCOMPARE(expected->tags[6].body, QByteArray("\xaf\x01"
                                                        "ccc"));
        }
        for (qsizetype cut = 9; cut <= whole.size(); ++cut) {
            auto file = swf::format::readStreamFile(whole.left(cut), false);
            QVERIFY(file);
            if (container.startsWith(QLatin1String("mp4 index last")) && cut < whole.size())
                QVERIFY(file->tags.empty() && !swf::format::canStartPlaying(*file));
            const int before = int(file->tags.size());
            const int added = swf::format::readMoreStreamFile(whole, *file, true);
            QCOMPARE(before + added, int(expected->tags.size()));
            QVERIFY(!file->incomplete);
            for (size_t i = 0; i < file->tags.size(); ++i) {
                QCOMPARE(file->tags[i].timeMs, expected->tags[i].timeMs);
                QCOMPARE(file->tags[i].body, expected->tags[i].body);
            }
        }
    }

    void amfValues() {
        // onCuePoint({name: "a", parameters: {x: 1}, list: [true, null]}) and a value cut short.
        QByteArray body =
            QByteArray(1, '\x02') + amfString(QStringLiteral("onCuePoint")) + QByteArray(1, '\x03');
        body += amfString(QStringLiteral("name")) + QByteArray(1, '\x02') + amfString(QStringLiteral("a"));
        body += amfString(QStringLiteral("parameters")) + QByteArray(1, '\x08') + bigEndian(1, 4) +
                amfString(QStringLiteral("x")) + amfNumber(1) + amfString({}) + QByteArray(1, '\x09');
        body += amfString(QStringLiteral("list")) + QByteArray(1, '\x0a') + bigEndian(2, 4) +
                QByteArray("\x01\x01\x05", 3);
        body += amfString({}) + QByteArray(1, '\x09');
        const auto values = swf::format::readAmf0(body + QByteArray("\x00\x40", 2));
        QCOMPARE(int(values.size()), 2);
        QCOMPARE(values[0].string, QStringLiteral("onCuePoint"));
        const AmfValue& cue = values[1];
        QCOMPARE(int(cue.members.size()), 3);
        QCOMPARE(cue.members[0].value.string, QStringLiteral("a"));
        QCOMPARE(cue.members[1].value.members[0].value.number, 1.0);
        QCOMPARE(cue.members[2].value.members[0].value.boolean, true);
        QVERIFY(cue.members[2].value.members[1].value.kind == AmfValue::Kind::Null);

        // Nesting past the limit stops reading instead of recursing on.
        QByteArray deep = QByteArray(1, '\x02') + amfString(QStringLiteral("x"));
        for (int i = 0; i < 10000; ++i)
            deep += QByteArray(1, '\x03') + amfString(QStringLiteral("a"));
        QCOMPARE(int(swf::format::readAmf0(deep).size()), 1);
    }

    void soundKeepsToTimeStamps_data() {
        QTest::addColumn<QList<int>>("times");  // ms of each tag
        QTest::addColumn<QList<int>>("onsets"); // where each tag's sound should start, in samples
        // 441 samples at 11025 Hz are 40 ms: tags back to back play back to back.
        QTest::newRow("back to back") << QList<int>{0, 40, 80} << QList<int>{0, 441, 882};
        QTest::newRow("starts late") << QList<int>{500, 540} << QList<int>{5512, 5953};
        QTest::newRow("a pause") << QList<int>{0, 40, 2040} << QList<int>{0, 441, 22491};
        // Rounding in the stamps does not shift the sound.
        QTest::newRow("stamps a little off") << QList<int>{0, 39, 81} << QList<int>{0, 441, 882};
    }

    void soundKeepsToTimeStamps() {
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, onsets);
        std::vector<swf::format::FlvTag> tags;
        for (int i = 0; i < times.size(); ++i)
            tags.push_back({swf::format::FlvTagType::Audio, times[i], pcmTag(441, qint16(1000 * (i + 1)))});
        const auto sound = swf::media::decodeFlvAudio(tags);
        QCOMPARE(sound.rate, 11025);
        QCOMPARE(sound.frames(), qint64(onsets.last() + 441));
        for (int i = 0; i < onsets.size(); ++i) {
            QCOMPARE(int(sound.samples[size_t(onsets[i])]), 1000 * (i + 1));
            if (onsets[i] > 0) QVERIFY(sound.samples[size_t(onsets[i] - 1)] != 1000 * (i + 1));
        }
    }

    // AAC as FLV files carry it: a configuration tag, then a tag per coded frame.
    void aacSound() {
        if (!canEncodeAac()) QSKIP("this libavcodec has no AAC encoder");
        constexpr int kRate = 22050, kHertz = 441;
        std::vector<qint16> tone(kRate / 2);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = qint16(std::lround(8000 * std::sin(2 * M_PI * kHertz * double(i) / kRate)));
        const EncodedClip aac = encodeAac(tone, kRate);
        QVERIFY2(aac.error.isEmpty(), qPrintable(aac.error));
        const char formatByte = char(0xa0 | 0x0f); // AAC, as FLV always marks it: 44 kHz 16-bit stereo
        std::vector<swf::format::FlvTag> tags;
        tags.push_back(
            {swf::format::FlvTagType::Audio, 0, QByteArray(1, formatByte) + '\0' + aac.configuration});
        for (size_t i = 0; i < aac.packets.size(); ++i)
            tags.push_back({swf::format::FlvTagType::Audio, qint64(i * 1024 * 1000 / kRate),
                            QByteArray(1, formatByte) + '\x01' + aac.packets[i]});
        const auto sound = swf::media::decodeFlvAudio(tags);
        QVERIFY2(sound.diagnostic.isEmpty(), qPrintable(sound.diagnostic));
        // The configuration's rate and channels, not the format byte's.
        QCOMPARE(sound.rate, kRate);
        QCOMPARE(sound.channels, 1);
        QVERIFY(std::abs(sound.frames() - qint64(tone.size())) <= 2048);
        // The tone comes back: its loudness and its pitch, over the middle of the sound.
        double energy = 0;
        int crossings = 0;
        const size_t from = 2048, to = size_t(sound.frames()) - 2048;
        for (size_t i = from; i < to; ++i) {
            energy += double(sound.samples[i]) * sound.samples[i];
            crossings += (sound.samples[i - 1] < 0) != (sound.samples[i] < 0) ? 1 : 0;
        }
        const double rms = std::sqrt(energy / double(to - from));
        QVERIFY2(std::abs(rms - 8000 / std::sqrt(2.0)) < 600, qPrintable(QString::number(rms)));
        const double expectedCrossings = 2.0 * kHertz * double(to - from) / kRate;
        QVERIFY2(std::abs(crossings - expectedCrossings) <= 4, qPrintable(QString::number(crossings)));
    }

    void playsThroughAVideo_data() {
        // codec: 2 Sorenson H.263, 7 H.264. How fast the test drains the mixer against the
        // movie's frames: not at all (drawing alone, as the renderer's pictures do), or faster
        // than the frames run. H.264 with B-frames shows its pictures in another order than it
        // codes them, in an FLV file or an MP4 one (with AAC sound) whose index comes first or last.
        QTest::addColumn<int>("codec");
        QTest::addColumn<double>("drain");
        QTest::addColumn<int>("bFrames");
        QTest::addColumn<QString>("container");
        QTest::newRow("H.263, movie clock") << 2 << 0.0 << 0 << "flv";
        QTest::newRow("H.263, sound clock") << 2 << 1.5 << 0 << "flv";
        QTest::newRow("H.264, movie clock") << 7 << 0.0 << 0 << "flv";
        QTest::newRow("H.264, sound clock") << 7 << 1.5 << 0 << "flv";
        QTest::newRow("H.264 B-frames, movie clock") << 7 << 0.0 << 2 << "flv";
        QTest::newRow("MP4 index first, sound clock") << 7 << 1.5 << 2 << "mp4";
        QTest::newRow("MP4 index last, movie clock") << 7 << 0.0 << 2 << "mp4 index last";
    }

    // The stream's pictures come on its clock: the movie's time, or the sound's while someone
    // plays the sound out.
    void playsThroughAVideo() {
        QFETCH(int, codec);
        QFETCH(double, drain);
        QFETCH(int, bFrames);
        QFETCH(QString, container);
        constexpr int kH263 = 2, kAvc = 7, kPictures = 10, kPictureMs = 100;
        const QSize size(144, 96);
        if (!canEncode(codec)) QSKIP("this libavcodec lacks the encoder");
        const std::vector<QImage> pictures = movingPictures(size, kPictures);
        const EncodedClip clip = encodeClip(codec, pictures, 4, bFrames);
        QVERIFY2(clip.error.isEmpty(), qPrintable(clip.error));
        // Pictures held back for reordering start the file's clock later by as many.
        const qint64 delay = -*std::min_element(clip.decodedAt.begin(), clip.decodedAt.end());
        QVERIFY(bFrames == 0 || delay > 0);
        const bool mp4 = container.startsWith(QLatin1String("mp4"));

        QByteArray file;
        if (mp4) {
            if (!canEncodeAac()) QSKIP("this libavcodec lacks the AAC encoder");
            std::vector<qint16> tone(size_t(kPictures * 1103));
            for (size_t i = 0; i < tone.size(); ++i)
                tone[i] = qint16(4000 * std::sin(double(i) * 0.3));
            const EncodedClip aac = encodeAac(tone, 11025);
            Mp4Track video{clip.configuration, clip.packets, {}, {}, clip.keyFrames, 1000, size};
            for (size_t i = 0; i < clip.packets.size(); ++i) {
                video.decodedAt.push_back((clip.decodedAt[i] + delay) * kPictureMs);
                video.shownAt.push_back((clip.shownAt[i] + delay) * kPictureMs);
            }
            Mp4Track sound{aac.configuration, aac.packets, {}, {}, {}, 11025, {}};
            for (size_t i = 0; i < aac.packets.size(); ++i) {
                sound.decodedAt.push_back(qint64(i) * 1024);
                sound.shownAt.push_back(qint64(i) * 1024);
                sound.keys.push_back(true);
            }
            file = mp4File(video, sound, container == QLatin1String("mp4"));
        } else {
            FlvWriter flv(true, true);
            flv.tag(18, 0,
                    amfCall(QStringLiteral("onMetaData"),
                            {{QStringLiteral("width"), amfNumber(size.width())},
                             {QStringLiteral("duration"), amfNumber(kPictures * kPictureMs / 1000.0)}}));
            // H.264 packets follow a packet type and a composition time; the first carries the
            // decoder's configuration.
            if (codec == kAvc)
                flv.tag(9, 0, char(0x10 | kAvc) + QByteArray("\0\0\0\0", 4) + clip.configuration);
            for (int i = 0; i < kPictures; ++i) {
                const char head = char(((clip.keyFrames[size_t(i)] ? 1 : 2) << 4) | codec);
                const qint64 decodedMs = (clip.decodedAt[size_t(i)] + delay) * kPictureMs;
                const QByteArray avcHead =
                    char(1) +
                    bigEndian(quint32((clip.shownAt[size_t(i)] + delay) * kPictureMs - decodedMs), 3);
                flv.tag(9, decodedMs,
                        head + (codec == kAvc ? avcHead : QByteArray()) + clip.packets[size_t(i)]);
                flv.tag(8, i * kPictureMs, pcmTag(1102, 500));
                if (i == 5)
                    flv.tag(
                        18, i * kPictureMs,
                        amfCall(QStringLiteral("onCuePoint"), {{QStringLiteral("time"), amfNumber(0.5)}}));
            }
            file = flv.bytes();
        }

        // The stage's video (an empty stream) is only a place for the NetStream's pictures.
        SwfBuilder movie(8, size, 25);
        const int stream = movie.defineVideoStream(0, size, kH263);
        Place place;
        place.characterId = stream;
        place.name = QStringLiteral("video");
        movie.place(place);
        const ActionAssembler script(
            8, "'nc' 0 'NetConnection' NewObject SetVariable null 1 $nc 'connect' CallMethod Pop "
               "'ns' $nc 1 'NetStream' NewObject SetVariable "
               "$ns 'onStatus' fn(info) { $info .code Trace } SetMember "
               "$ns 'onMetaData' fn(m) { 'meta ' $m .width Add2 Trace } SetMember "
               "$ns 'onCuePoint' fn(c) { 'cue ' $c .time Add2 Trace } SetMember "
               "$ns 1 $video 'attachVideo' CallMethod Pop '" +
                   QString::fromLatin1(mp4 ? "clip.mp4" : "clip.flv") + "' 1 $ns 'play' CallMethod Pop");
        movie.doAction(script.bytes());
        for (int i = 0; i < 40; ++i)
            movie.showFrame();

        QTemporaryDir folder;
        const QString swfPath = folder.filePath(QStringLiteral("m.swf"));
        QVERIFY(
            writeBytes(folder.filePath(mp4 ? QStringLiteral("clip.mp4") : QStringLiteral("clip.flv")), file));
        QVERIFY(writeBytes(swfPath, movie.finish()));
        swf::Player player;
        QStringList traces;
        player.setTraceHandler([&traces](const QString& line) { traces << line; });
        QVERIFY(player.loadFile(swfPath));
        int shownBefore = -1, startedAt = -1;
        std::vector<qint16> mixed(4096 * 2);
        double drainedMs = 0;
        for (int frame = 1; frame < 40; ++frame) {
            if (startedAt >= 0 && drain > 0) {
                const int frames = int(drain * 40 * swf::media::Mixer::kRate / 1000);
                player.mixer().mix(mixed.data(), frames);
                drainedMs += 1000.0 * frames / swf::media::Mixer::kRate;
            }
            player.advance();
            if (startedAt < 0 && traces.contains(QStringLiteral("NetStream.Play.Start"))) startedAt = frame;
            if (startedAt < 0) continue;
            // The picture the stream's clock names, shown in the video's box.
            const QImage shown = render(player);
            int best = 0;
            for (int i = 1; i < kPictures; ++i)
                if (difference(shown, pictures[size_t(i)]) < difference(shown, pictures[size_t(best)]))
                    best = i;
            QVERIFY2(difference(shown, pictures[size_t(best)]) < 3.0, qPrintable(QString::number(frame)));
            const double elapsed = drain > 0 ? drainedMs : (frame - startedAt) * 40.0;
            const int due = std::clamp(int(elapsed / kPictureMs - double(delay)), 0, kPictures - 1);
            QVERIFY2(std::abs(best - due) <= 1,
                     qPrintable(QStringLiteral("frame %1 shows %2, due %3").arg(frame).arg(best).arg(due)));
            QVERIFY(best >= shownBefore);
            shownBefore = best;
        }
        QCOMPARE(shownBefore, kPictures - 1);
        QStringList expected{"NetStream.Play.Start",   "NetStream.Buffer.Full", "meta 144", "cue 0.5",
                             "NetStream.Buffer.Flush", "NetStream.Play.Stop"};
        if (mp4) expected.removeAll(QStringLiteral("cue 0.5"));
        QCOMPARE(traces, expected);
    }

    // Video.deblocking governs a NetStream's pictures too, whether set before the stream is
    // attached or while it plays: a coarse Sorenson picture, which itself asks for the filter.
    void deblockingReachesTheStream() {
        constexpr int kH263 = 2;
        const QSize size(64, 48);
        if (!canEncode(kH263)) QSKIP("this libavcodec has no H.263 encoder");
        const EncodedClip clip = encodeClip(kH263, movingPictures(size, 1), 1, 0, 24);
        QVERIFY2(clip.error.isEmpty(), qPrintable(clip.error));
        FlvWriter flv(false, true);
        flv.tag(9, 0, char(0x10 | kH263) + clip.packets[0]);
        QTemporaryDir folder;
        QVERIFY(writeBytes(folder.filePath(QStringLiteral("clip.flv")), flv.bytes()));
        auto shown = [&](const char* before, const char* after) {
            SwfBuilder movie(8, size, 25);
            Place place;
            place.characterId = movie.defineVideoStream(0, size, kH263);
            place.name = QStringLiteral("video");
            movie.place(place);
            movie.doAction(
                ActionAssembler(8, QStringLiteral("'nc' 0 'NetConnection' NewObject SetVariable "
                                                  "null 1 $nc 'connect' CallMethod Pop "
                                                  "'ns' $nc 1 'NetStream' NewObject SetVariable ") +
                                       QLatin1String(before) +
                                       " $ns 1 $video 'attachVideo' CallMethod Pop "
                                       "'clip.flv' 1 $ns 'play' CallMethod Pop")
                    .bytes());
            movie.showFrame();
            movie.showFrame();
            movie.doAction(ActionAssembler(8, QLatin1String(after)).bytes());
            for (int i = 0; i < 4; ++i)
                movie.showFrame();
            const QString path = folder.filePath(QStringLiteral("m.swf"));
            writeBytes(path, movie.finish());
            swf::Player player;
            if (!player.loadFile(path)) return QImage();
            for (int i = 0; i < 5; ++i)
                player.advance();
            return render(player);
        };
        const QImage never = shown("$video 'deblocking' 1 SetMember", "");
        const QImage filtered = shown("$video 'deblocking' 2 SetMember", "");
        QVERIFY(!never.isNull() && never.size() == filtered.size());
        auto differing = [](const QImage& a, const QImage& b) {
            int count = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    count += a.pixel(x, y) != b.pixel(x, y);
            return count;
        };
        QVERIFY(differing(never, filtered) > 0);
        QCOMPARE(differing(shown("", ""), filtered), 0); // as the picture asks
        QCOMPARE(differing(shown("", "$video 'deblocking' 1 SetMember"), never), 0);
        QCOMPARE(
            differing(shown("$video 'deblocking' 1 SetMember", "$video 'deblocking' 2 SetMember"), filtered),
            0);
    }

    void playsWhileItArrives_data() {
        QTest::addColumn<bool>("broken"); // the download breaks off after the first part
        QTest::newRow("download completes") << false;
        QTest::newRow("download breaks off") << true;
    }

    // A file still loading plays what has come, waits when it catches up with the download and
    // goes on when more comes; its sound is heard once, in one piece, as far as it came.
    void playsWhileItArrives() {
        QFETCH(bool, broken);
        // Three seconds of 11 kHz sound in tags of 100 ms.
        constexpr int kTags = 30, kFirstPart = 10;
        FlvWriter flv(true, false);
        qsizetype firstPartEnd = 0;
        for (int i = 0; i < kTags; ++i) {
            flv.tag(8, i * 100, pcmTag(1103, 500));
            if (i == kFirstPart - 1) firstPartEnd = flv.bytes().size();
        }
        auto navigator = std::make_unique<ArrivingFile>();
        ArrivingFile& download = *navigator;
        download.file = flv.bytes();
        download.arrivedBytes = 5; // not even the header yet

        QTemporaryDir folder;
        const QString swfPath = folder.filePath(QStringLiteral("m.swf"));
        QVERIFY(writeBytes(swfPath, streamingMovie()));
        swf::Player player;
        player.setNavigator(std::unique_ptr<swf::Navigator>(std::move(navigator)));
        QStringList traces;
        player.setTraceHandler([&traces](const QString& line) { traces << line; });
        QVERIFY(player.loadFile(swfPath));

        // The mixer is played out at the movie's pace; what is heard is counted.
        constexpr int kFrame44 = swf::media::Mixer::kRate / 25;
        std::vector<qint16> mixed(size_t(kFrame44) * 2);
        qint64 heard44 = 0;
        auto run = [&](int frames) {
            for (int f = 0; f < frames; ++f) {
                player.advance();
                player.mixer().mix(mixed.data(), kFrame44);
                for (int i = 0; i < kFrame44; ++i)
                    heard44 += mixed[size_t(2 * i)] != 0 ? 1 : 0;
            }
        };
        run(5);
        QVERIFY2(traces.isEmpty(), qPrintable(traces.join(QLatin1Char('|'))));
        download.arrivedBytes = firstPartEnd;
        run(50);
        const QString first = QString::number(firstPartEnd), total = QString::number(download.file.size());
        QCOMPARE(traces, QStringList({"NetStream.Play.Start " + first + "/" + total,
                                      "NetStream.Buffer.Full " + first + "/" + total,
                                      "NetStream.Buffer.Empty " + first + "/" + total}));
        const qint64 heardBefore = heard44;
        // It waits without sound while nothing comes.
        run(10);
        QCOMPARE(heard44, heardBefore);
        traces.clear();
        download.arrivedBytes = download.file.size();
        download.done = true;
        download.broken = broken;
        run(100);
        const QString now = broken ? first : total;
        QCOMPARE(traces,
                 QStringList({QStringLiteral("NetStream.Buffer.%1 %2/%2").arg(broken ? "Flush" : "Full", now),
                              broken ? QStringLiteral("NetStream.Play.Stop %1/%1").arg(now)
                                     : QStringLiteral("NetStream.Buffer.Flush %1/%1").arg(now),
                              QStringLiteral("NetStream.Play.Stop %1/%1").arg(now)})
                     .mid(0, broken ? 2 : 3));
        // Sound plays to the last tag's time stamp.
        const double heardMs = heard44 * 1000.0 / swf::media::Mixer::kRate;
        const double expectedMs = broken ? (kFirstPart - 1) * 100.0 : (kTags - 1) * 100.0;
        QVERIFY2(std::abs(heardMs - expectedMs) <= 45.0,
                 qPrintable(QStringLiteral("heard %1 ms, expected %2").arg(heardMs).arg(expectedMs)));
    }
};

QTEST_MAIN(NetStreamTest)
#include "net_stream_test.moc"
