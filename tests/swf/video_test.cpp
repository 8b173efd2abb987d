// Embedded video: clips coded by libavcodec's own encoders, wrapped in movies by the writer,
// played through the player and compared with the pictures they were made from; VP6, which
// has no encoder, through the corpus's pictures and the real-world movie.
#include "render_check.h"
#include "swf/Player.h"
#include "swf/format/video.h"
#include "video_clips.h"

#include <QFile>
#include <QTest>

#include <algorithm>
#include <map>

using namespace swftest;

namespace {

constexpr int kH263 = 2, kScreen = 3, kVp6 = 4, kVp6Alpha = 5, kScreen2 = 6;
// Not one of H.263's standard sizes, so the pictures' headers carry it.
const QSize kClipSize(144, 96);
constexpr int kClipLength = 12;

struct Difference {
    double mean = 0; // per channel
    int worst = 0;
};

// actual's pixels from origin on, against the whole of expected.
Difference compare(const QImage& actual, QPoint origin, const QImage& expected) {
    Difference d;
    qint64 sum = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(origin.x() + x, origin.y() + y), e = expected.pixel(x, y);
            for (const int delta : {qRed(a) - qRed(e), qGreen(a) - qGreen(e), qBlue(a) - qBlue(e)}) {
                sum += std::abs(delta);
                d.worst = std::max(d.worst, std::abs(delta));
            }
        }
    d.mean = double(sum) / (3.0 * expected.width() * expected.height());
    return d;
}

// How far a decoded picture may stray from its source: H.263 is lossy, screen video is not,
// and libavcodec's screen video 2 encoder codes colours near those of its palette as those.
double meanToleranceOf(int codec) {
    return codec == kH263 ? 3.0 : codec == kScreen2 ? 4.0 : 0.0;
}

// The stream's box as large as the stage, from its corner.
VideoMovie plainLayout(QSize size, const QColor& background = Qt::white) {
    VideoMovie layout;
    layout.stage = layout.box = size;
    layout.background = background;
    return layout;
}

QString joined(const std::vector<swf::Diagnostic>& diagnostics) {
    QStringList lines;
    for (const swf::Diagnostic& d : diagnostics)
        lines << d.message;
    return lines.join(QLatin1String("; "));
}

QByteArray corpusFile(const QString& relative) {
    QFile file(QStringLiteral(VANTREL_CORPUS_DIR "/") + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The coded picture of the first VideoFrame tag of an uncompressed movie.
QByteArray firstVideoPacket(const QByteArray& movie) {
    const int rectBits = quint8(movie[8]) >> 3;
    qsizetype at = 8 + (5 + 4 * rectBits + 7) / 8 + 4;
    while (at + 2 <= movie.size()) {
        const int codeAndLength = quint8(movie[at]) | (quint8(movie[at + 1]) << 8);
        qint64 length = codeAndLength & 0x3f;
        at += 2;
        if (length == 0x3f) {
            length = qint64(quint8(movie[at])) | (quint8(movie[at + 1]) << 8) |
                     (quint8(movie[at + 2]) << 16) | (qint64(quint8(movie[at + 3])) << 24);
            at += 4;
        }
        if (codeAndLength >> 6 == 61) return movie.mid(at + 4, length - 4);
        at += length;
    }
    return {};
}

} // namespace

class VideoTest : public QObject {
    Q_OBJECT

  private slots:
    void framesFollowTheTimeline_data() {
        QTest::addColumn<int>("codec");
        QTest::addColumn<int>("keyInterval");
        for (const auto& [name, codec] :
             {std::pair{"h263", kH263}, {"screen", kScreen}, {"screen2", kScreen2}}) {
            QTest::addRow("%s, every picture a key frame", name) << codec << 1;
            QTest::addRow("%s, a key frame every 4", name) << codec << 4;
            QTest::addRow("%s, only the first a key frame", name) << codec << 600;
        }
    }

    // Each frame shows its own picture (not a neighbour's), and the key frames the engine finds
    // in the pictures' headers are the ones the encoder made; gotos show what playing showed.
    void framesFollowTheTimeline() {
        QFETCH(int, codec);
        QFETCH(int, keyInterval);
        if (!canEncode(codec)) QSKIP("this libavcodec has no encoder for the codec");
        const std::vector<QImage> pictures = movingPictures(kClipSize, kClipLength);
        const EncodedClip clip = encodeClip(codec, pictures, keyInterval);
        QVERIFY2(clip.error.isEmpty(), qPrintable(clip.error));
        for (size_t i = 0; i < clip.packets.size(); ++i)
            QVERIFY2(swf::format::isVideoKeyFrame(codec, clip.packets[i]) == clip.keyFrames[i],
                     qPrintable(QStringLiteral("picture %1").arg(i)));

        swf::Player player;
        QVERIFY(player.loadBytes(videoMovie(codec, clip.packets, plainLayout(kClipSize))));
        std::vector<QImage> inOrder;
        for (int i = 0; i < kClipLength; ++i) {
            if (i > 0) player.advance();
            const QImage& shown = inOrder.emplace_back(render(player));
            const Difference own = compare(shown, {}, pictures[size_t(i)]);
            QVERIFY2(own.mean <= meanToleranceOf(codec),
                     qPrintable(QStringLiteral("frame %1: mean difference %2, worst %3")
                                    .arg(i)
                                    .arg(own.mean)
                                    .arg(own.worst)));
            if (i > 0) QVERIFY(compare(shown, {}, pictures[size_t(i - 1)]).mean > own.mean + 1);
        }
        // Jumps back, forward within a run of inter frames and forward past key frames show the
        // very picture playing in order showed: decoding restarts from the key frame before.
        for (const int frame : {9, 2, 3, 7, 11, 0, 5, 6, 10, 1}) {
            player.gotoFrame(frame);
            const Difference d = compare(render(player), {}, inOrder[size_t(frame)]);
            QVERIFY2(d.worst == 0,
                     qPrintable(QStringLiteral("frame %1: differs by up to %2").arg(frame).arg(d.worst)));
        }
        QVERIFY2(player.playDiagnostics().empty(), qPrintable(joined(player.playDiagnostics())));
    }

    void pictureFillsTheDeclaredBox_data() {
        QTest::addColumn<bool>("smoothing");
        QTest::addColumn<std::optional<ColorTransformValues>>("cx");
        QTest::addColumn<QColor>("through"); // what a white source pixel becomes
        QTest::addRow("not smoothed") << false << std::optional<ColorTransformValues>() << QColor(Qt::white);
        QTest::addRow("smoothed") << true << std::optional<ColorTransformValues>() << QColor(Qt::white);
        ColorTransformValues red;
        red.greenMult = red.blueMult = 0;
        QTest::addRow("tinted") << false << std::optional(red) << QColor(Qt::red);
    }

    // Pictures are scaled into the stream's declared box wherever it is placed; smoothing
    // blends neighbouring pixels, without it each one fills its square; colour transforms apply.
    void pictureFillsTheDeclaredBox() {
        QFETCH(bool, smoothing);
        QFETCH(std::optional<ColorTransformValues>, cx);
        QFETCH(QColor, through);
        if (!canEncode(kScreen)) QSKIP("this libavcodec has no screen video encoder");
        QImage source(kClipSize, QImage::Format_RGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(
                    x, y, qRgb(x * 255 / source.width(), y * 255 / source.height(), (x ^ y) & 1 ? 255 : 0));
        source.setPixel(0, 0, qRgb(255, 255, 255));
        const EncodedClip clip = encodeClip(kScreen, {source}, 1);
        QVERIFY2(clip.error.isEmpty(), qPrintable(clip.error));
        VideoMovie layout = plainLayout(QSize(300, 200), QColor(0, 0, 255));
        layout.box = kClipSize * 2;
        layout.origin = QPointF(6, 4);
        layout.smoothing = smoothing;
        layout.colorTransform = cx;
        const QImage shown = renderMovie(videoMovie(kScreen, clip.packets, layout));

        CHECK_PIXEL(shown, 3, 2, QColor(0, 0, 255));     // before the box
        CHECK_PIXEL(shown, 296, 197, QColor(0, 0, 255)); // after it
        CHECK_PIXEL(shown, 6, 4, through);               // the white corner, at the box's corner
        int blended = 0, wrong = 0;
        for (int y = 1; y < source.height() - 1; ++y)
            for (int x = 1; x < source.width() - 1; ++x) {
                QColor wanted = source.pixelColor(x, y);
                if (cx) wanted.setRgb(wanted.red(), 0, 0);
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const QRgb pixel = shown.pixel(6 + 2 * x + dx, 4 + 2 * y + dy);
                        if (!near(pixel, wanted, 1)) ++(near(pixel, wanted, 128) ? blended : wrong);
                    }
            }
        QCOMPARE(wrong, 0);
        // The blue channel alternates from pixel to pixel, so smoothing shows in most squares.
        if (smoothing)
            QVERIFY2(blended > source.width() * source.height(), qPrintable(QString::number(blended)));
        else
            QCOMPARE(blended, 0);
    }

    void deblockingSmoothsBlockEdges_data() {
        QTest::addColumn<int>("streamFlag"); // 0 as each picture says, 1 never, 2 the filter
        QTest::addColumn<bool>("pictureAsks");
        QTest::addColumn<bool>("smoothed");
        QTest::newRow("the picture asks") << 0 << true << true;
        QTest::newRow("nothing asks") << 0 << false << false;
        QTest::newRow("the stream asks") << 2 << false << true;
        QTest::newRow("the stream forbids it") << 1 << true << false;
    }

    // A coarsely coded Sorenson picture shows smaller steps across its 8-pixel block edges where
    // the stream or the picture's header asks for deblocking, and is left alone elsewhere.
    void deblockingSmoothsBlockEdges() {
        QFETCH(int, streamFlag);
        QFETCH(bool, pictureAsks);
        QFETCH(bool, smoothed);
        if (!canEncode(kH263)) QSKIP("this libavcodec has no H.263 encoder");
        EncodedClip clip = encodeClip(kH263, movingPictures(kClipSize, 1), 1, 0, 24);
        QVERIFY2(clip.error.isEmpty(), qPrintable(clip.error));
        // The header's flag bit: after the start code, version, time, a size code of 0 or 1 (a
        // size of 8 or 16 bits a side follows) and the picture type.
        QByteArray& packet = clip.packets[0];
        const int sizeCode = (quint8(packet[3]) & 0x03) << 1 | quint8(packet[4]) >> 7;
        QVERIFY(sizeCode <= 1);
        const int flagBit = 33 + (sizeCode == 0 ? 16 : 32) + 2;
        const int mask = 0x80 >> flagBit % 8;
        packet[flagBit / 8] =
            char(pictureAsks ? quint8(packet[flagBit / 8]) | mask : quint8(packet[flagBit / 8]) & ~mask);
        VideoMovie layout = plainLayout(kClipSize);
        layout.deblocking = 1;
        const QImage plain = renderMovie(videoMovie(kH263, clip.packets, layout));
        layout.deblocking = streamFlag;
        const QImage shown = renderMovie(videoMovie(kH263, clip.packets, layout));
        // The mean step between neighbours across block edges, and between other neighbours.
        auto steps = [](const QImage& image, bool edges) {
            double sum = 0;
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 1; x < image.width(); ++x)
                    if ((x % 8 == 0) == edges) {
                        sum += std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y)));
                        ++count;
                    }
            return sum / count;
        };
        if (!smoothed) {
            QCOMPARE(shown, plain);
            return;
        }
        QVERIFY2(steps(plain, true) > steps(plain, false) * 1.3, "the coarse picture should show its blocks");
        QVERIFY2(steps(shown, true) < steps(plain, true) * 0.8,
                 qPrintable(QStringLiteral("%1 against %2").arg(steps(shown, true)).arg(steps(plain, true))));
        QVERIFY(compare(shown, {}, plain).mean < 3);
    }

    void brokenVideoPlaysOn_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("diagnostic");
        QTest::addColumn<int>("rightFrame"); // a frame that still shows its picture; -1 none

        const std::vector<QImage> pictures = movingPictures(kClipSize, kClipLength);
        const EncodedClip clip = encodeClip(kH263, pictures, 4);
        if (!clip.error.isEmpty()) return;
        auto damaged = [&](int index, const QByteArray& packet) {
            std::vector<QByteArray> packets = clip.packets;
            packets[size_t(index)] = packet;
            return videoMovie(kH263, packets, plainLayout(kClipSize));
        };
        QByteArray garbage(3000, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 251);
        // A picture header that claims 4000 x 4000 pixels (16-bit custom size), then noise.
        // Start code, version and time, size code, the size, then type, deblocking, quantizer, extra.
        Writer huge;
        for (const auto& [value, bits] :
             {std::pair{1, 17}, {0, 5 + 8}, {1, 3}, {4000, 16}, {4000, 16}, {0, 9}})
            huge.ubits(value, bits);
        QByteArray hugePicture = huge.data() + garbage.left(200);

        QTest::addRow("a key frame of noise") << damaged(0, garbage) << "video 1, frame 0" << 5;
        // libavcodec conceals what is missing from a picture cut short rather than refusing it.
        QTest::addRow("an inter frame cut short")
            << damaged(5, clip.packets[5].left(clip.packets[5].size() / 3)) << "" << 8;
        QTest::addRow("an empty picture") << damaged(2, {}) << "video 1, frame 2: empty" << 4;
        QTest::addRow("a picture too large") << damaged(4, hugePicture) << "video 1, frame 4" << 8;
        QTest::addRow("a codec not decoded")
            << videoMovie(9, clip.packets, plainLayout(kClipSize)) << "codec 9 is not decoded" << -1;

        SwfBuilder stray(8, kClipSize, 25);
        const int stream = stray.defineVideoStream(2, kClipSize, kH263);
        stray.videoFrame(stream + 40, 0, clip.packets[0]);
        stray.videoFrame(stream, 0, clip.packets[0]);
        stray.videoFrame(stream, 0, garbage);
        stray.place(1, stream);
        stray.showFrame();
        QTest::addRow("frames of an unknown stream, and one given twice")
            << stray.finish() << "frame 0 given twice; the first is kept" << 0;

        SwfBuilder cut(8, kClipSize, 25);
        cut.rawTag(60, QByteArray("\x01\x00\x02\x00\x90", 5));
        cut.videoFrame(1, 0, clip.packets[0]);
        cut.place(1, 1);
        cut.showFrame();
        QTest::addRow("a stream definition cut short") << cut.finish() << "broken DefineVideoStream" << -1;
    }

    // Broken pictures and records are skipped with a diagnostic; the movie plays on, and the
    // next key frame shows its picture again.
    void brokenVideoPlaysOn() {
        QFETCH(QByteArray, movie);
        QFETCH(QString, diagnostic);
        QFETCH(int, rightFrame);
        if (!canEncode(kH263)) QSKIP("this libavcodec has no H.263 encoder");
        swf::Player player;
        QVERIFY(player.loadBytes(movie));
        const std::vector<QImage> pictures = movingPictures(kClipSize, kClipLength);
        for (int i = 0; i < player.totalFrames(); ++i) {
            if (i > 0) player.advance();
            const QImage shown = render(player);
            if (i == rightFrame)
                QVERIFY(compare(shown, {}, pictures[size_t(i)]).mean <= meanToleranceOf(kH263));
        }
        // Back to the start and on again: a broken picture met twice is skipped twice.
        player.gotoFrame(0);
        render(player);
        player.gotoFrame(player.totalFrames() - 1);
        render(player);
        QString all = joined(player.diagnostics()) + QLatin1String("; ") + joined(player.playDiagnostics());
        QVERIFY2(all.contains(diagnostic), qPrintable(all));
        // What one movie's playing met is not said of the next.
        QVERIFY(player.loadBytes(swftest::stage().finish()));
        QVERIFY(player.playDiagnostics().empty());
    }

    // VP6 has no encoder: the corpus's VP6 picture serves. As both colour and alpha of a VP6
    // picture with alpha, the stage's colour shows through where its luma is dark. Coded a few
    // pixels larger than its stream (whole macroblocks), it shows its declared part at one
    // pixel per pixel, not squeezed into the box.
    void vp6Pictures() {
        const QByteArray corpusMovie =
            corpusFile(QStringLiteral("cases/ruffle__visual_video_colorconversion_vp6_output/test.swf"));
        if (corpusMovie.isEmpty()) QSKIP("the corpus is not here");
        QVERIFY(corpusMovie.startsWith("FWS"));
        const QByteArray colour = firstVideoPacket(corpusMovie);
        QVERIFY(swf::format::isVideoKeyFrame(kVp6, colour));
        QByteArray withAlpha;
        withAlpha.append(char(colour.size() >> 16))
            .append(char(colour.size() >> 8))
            .append(char(colour.size()));
        withAlpha += colour + colour;
        QVERIFY(swf::format::isVideoKeyFrame(kVp6Alpha, withAlpha));

        const QSize size(640, 480);
        swf::Player opaque, blended;
        QVERIFY(opaque.loadBytes(videoMovie(kVp6, {colour}, plainLayout(size, Qt::red))));
        QVERIFY(blended.loadBytes(videoMovie(kVp6Alpha, {withAlpha}, plainLayout(size, Qt::red))));
        const QImage plain = render(opaque), over = render(blended);
        QVERIFY2(opaque.playDiagnostics().empty() && blended.playDiagnostics().empty(),
                 qPrintable(joined(blended.playDiagnostics())));
        // A white square of the test card, then its darkest bar.
        for (const QPoint at : {QPoint(10, 10), QPoint(80, 145)}) {
            const QRgb picture = plain.pixel(at);
            const double alpha = qGray(picture) / 255.0;
            const QRgb result = over.pixel(at);
            QVERIFY2(std::abs(qRed(result) - (qRed(picture) * alpha + 255 * (1 - alpha))) < 40 &&
                         std::abs(qGreen(result) - qGreen(picture) * alpha) < 40,
                     qPrintable(QStringLiteral("at %1,%2: %3 over red from %4")
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(describe(result), describe(picture))));
        }
        VideoMovie trimmedLayout = plainLayout(size, Qt::red);
        trimmedLayout.box = QSize(630, 470);
        const QImage trimmed = renderMovie(videoMovie(kVp6, {colour}, trimmedLayout));
        QCOMPARE(compare(trimmed, {}, plain.copy(QRect(0, 0, 630, 470))).worst, 0);
        CHECK_PIXEL(trimmed, 635, 475, QColor(Qt::red));
    }

    // A button whose hit area is a video answers the pointer over the video's box, and only there.
    void videoBoxIsAHitArea() {
        SwfBuilder movie = swftest::stage(8);
        const int look = movie.defineRect(QRectF(0, 0, 10, 10), Qt::red);
        const int video = movie.defineVideoStream(1, QSize(40, 30), kH263);
        const int button = movie.reserveId();
        Writer w;
        w.u16(button);
        w.u8(0);
        Writer records;
        for (const auto& [states, character] : {std::pair{0x07, look}, std::pair{0x08, video}}) {
            records.u8(states);
            records.u16(character);
            records.u16(1);
            records.matrix(QTransform::fromTranslate(400, 400)); // twips: 20 pixels
            records.colorTransform(ColorTransformValues{}, true);
        }
        records.u8(0);
        w.u16(0); // no actions
        w.bytes(records.data());
        movie.rawTag(34, w.data());
        movie.place(1, button);
        movie.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(movie.finish()));
        const std::pair<QPointF, bool> probes[] = {
            {{25, 25}, true}, {{58, 48}, true}, {{62, 40}, false}, {{40, 52}, false}, {{15, 25}, false}};
        for (const auto& [at, over] : probes) {
            player.pointerMoved(at * 20.0); // twips
            QVERIFY2(player.pointerOverActive() == over,
                     qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
        }
    }

    // The real-world movie's Sorenson H.263 video moves with the timeline, and gotos back and
    // forth show what playing showed at those frames.
    void realMoviePlaysItsVideo() {
        const QByteArray movie = corpusFile(QStringLiteral("real/lidosta_video.swf"));
        if (movie.isEmpty()) QSKIP("the corpus is not here");
        swf::Player player;
        QVERIFY(player.loadBytes(movie));
        // Its first frame holds for a tick while it checks its loading: frames are kept by number.
        std::map<int, QImage> shown;
        for (int tick = 0; tick < 130 && player.currentFrame() < 120; ++tick) {
            if (tick > 0) player.advance();
            shown[player.currentFrame()] = render(player);
        }
        QVERIFY(shown.count(119));
        QVERIFY2(player.playDiagnostics().empty(), qPrintable(joined(player.playDiagnostics())));
        for (const int frame : {30, 60, 90}) {
            const Difference step = compare(shown[frame], {}, shown[frame - 1]);
            QVERIFY2(step.mean > 0.3, qPrintable(QStringLiteral("frame %1 did not move").arg(frame)));
        }
        for (const int frame : {100, 37, 64, 99, 101}) {
            player.gotoFrame(frame);
            const Difference d = compare(render(player), {}, shown[frame]);
            QVERIFY2(d.worst == 0,
                     qPrintable(QStringLiteral("frame %1: differs by up to %2").arg(frame).arg(d.worst)));
        }
    }
};

QTEST_MAIN(VideoTest)
#include "video_test.moc"
