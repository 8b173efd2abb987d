#include "seeds.h"
#include "support/video_clips.h"

#include "support/action_assembler.h"
#include "swf_builder.h"
#include "url_input.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <zlib.h>

#include <cmath>
#include <map>
#include <numbers>

namespace fuzzseeds {
namespace {

using avm1test::ActionAssembler;
using avm1test::PushValue;
using swf::format::ActionCode;
using swftest::ShapeBuilder;
using swftest::Writer;

// Tag codes the builder has no helper for.
constexpr int kDefineButton = 7;
constexpr int kDefineSound = 14;
constexpr int kStartSound = 15;
constexpr int kDefineButtonSound = 17;
constexpr int kSoundStreamBlock = 19;
constexpr int kDefineButtonCxform = 23;
constexpr int kPlaceObject2 = 26;
constexpr int kDefineButton2 = 34;
constexpr int kSoundStreamHead2 = 45;
constexpr int kExportAssets = 56;
constexpr int kDoInitAction = 59;

// Format bytes: coding in the top four bits, then rate (0 5.5 kHz .. 3 44 kHz), 16-bit, stereo.
constexpr quint8 formatByte(int codec, int rate, bool is16Bit, bool stereo) {
    return quint8((codec << 4) | (rate << 2) | (is16Bit ? 2 : 0) | (stereo ? 1 : 0));
}
constexpr int kRates[4] = {5512, 11025, 22050, 44100};

QByteArray le16(int value) {
    QByteArray out;
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
    return out;
}

QByteArray le32(quint32 value) {
    return le16(int(value & 0xffff)) + le16(int(value >> 16));
}

QByteArray zlib(const QByteArray& data) {
    return qCompress(data, 9).mid(4);
} // without Qt's length

QByteArray gzip(const QByteArray& data) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size())) + 32), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// The tags a builder wrote, as (code, body) pairs.
std::vector<std::pair<int, QByteArray>> tagsOf(const QByteArray& tags) {
    std::vector<std::pair<int, QByteArray>> out;
    qsizetype at = 0;
    while (at + 2 <= tags.size()) {
        const int head = quint8(tags[at]) | (quint8(tags[at + 1]) << 8);
        at += 2;
        qsizetype length = head & 0x3f;
        if (length == 0x3f) {
            length = qsizetype(quint8(tags[at]) | (quint8(tags[at + 1]) << 8) | (quint8(tags[at + 2]) << 16) |
                               (quint32(quint8(tags[at + 3])) << 24));
            at += 4;
        }
        out.emplace_back(head >> 6, tags.mid(at, length));
        at += length;
    }
    return out;
}

// A small picture with hard edges, soft gradients and, when asked, partial transparency.
QImage picture(int width, int height, bool translucent) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(255, 40, 40, translucent ? 90 : 255));
    gradient.setColorAt(1, QColor(20, 60, 255));
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor(250, 230, 20, translucent ? 160 : 255));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(width * 0.2, height * 0.2, width * 0.5, height * 0.6));
    if (translucent) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(QRect(0, 0, width / 4, height / 4), Qt::transparent);
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A GIF of up to 16 colours, written with codes of a fixed width (a clear code before the
// table would grow), which every decoder accepts.
QByteArray gif(int width, int height, bool transparentIndex) {
    static const QRgb palette[16] = {0x000000, 0xffffff, 0xff0000, 0x00ff00, 0x0000ff, 0xffff00,
                                     0x00ffff, 0xff00ff, 0x808080, 0x800000, 0x008000, 0x000080,
                                     0x808000, 0x008080, 0x800080, 0xc0c0c0};
    QByteArray out("GIF89a");
    out += le16(width) + le16(height);
    out += char(0xf3); // global table of 16 entries
    out += char(0);    // background
    out += char(0);    // aspect
    for (QRgb c : palette)
        out += char(qRed(c)), out += char(qGreen(c)), out += char(qBlue(c));
    if (transparentIndex) out += QByteArray::fromHex("21f9040100000100"); // index 1 transparent
    out += ',' + le16(0) + le16(0) + le16(width) + le16(height) + char(0);
    constexpr int kMinCodeSize = 4, kClear = 16, kEnd = 17, kWidth = 5, kRun = (1 << kMinCodeSize) - 2;
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += kWidth;
        while (count >= 8) {
            data += char(bits & 0xff);
            bits >>= 8;
            count -= 8;
        }
    };
    int run = 0;
    put(kClear);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (run == kRun) put(kClear), run = 0;
            put(((x / 3) + (y / 2)) % 16);
            ++run;
        }
    put(kEnd);
    if (count > 0) data += char(bits & 0xff);
    out += char(kMinCodeSize);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out += char(block.size()) + block;
    }
    out += char(0);
    out += ';';
    return out;
}

// Moves a JPEG's quantisation and Huffman tables into a stream of their own, as DefineBits
// and JPEGTables keep them.
std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray& jpeg) {
    QByteArray tables("\xff\xd8", 2), image("\xff\xd8", 2);
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xff) {
        const quint8 marker = quint8(jpeg[at + 1]);
        if (marker == 0xda) break;
        const int length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        (marker == 0xdb || marker == 0xc4 ? tables : image) += jpeg.mid(at, 2 + length);
        at += 2 + length;
    }
    tables += QByteArray("\xff\xd9", 2);
    image += jpeg.mid(at);
    return {tables, image};
}

// --- sound ---

std::vector<qint16> tone(int rate, int frames, int channels) {
    std::vector<qint16> out;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double t = double(i) / rate;
            const double hz = c == 0 ? 440 : 660;
            out.push_back(qint16(
                std::lround(9000 * std::sin(2 * std::numbers::pi * hz * t) * (1 - double(i) / frames))));
        }
    return out;
}

QByteArray pcm(const std::vector<qint16>& samples, bool is16Bit) {
    QByteArray out;
    for (qint16 s : samples) {
        if (is16Bit)
            out += le16(s);
        else
            out += char(quint8((s >> 8) + 128));
    }
    return out;
}

// The movie format's ADPCM (packets of 4096 samples per channel, each starting with the
// sample and step index), encoded the way its decoder undoes it.
QByteArray adpcm(const std::vector<qint16>& samples, int channels, int bits) {
    static const int steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int shift2[] = {-1, 2}, shift3[] = {-1, -1, 2, 4}, shift4[] = {-1, -1, -1, -1, 2, 4, 6, 8},
                     shift5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
    const int* shifts = bits == 2 ? shift2 : bits == 3 ? shift3 : bits == 4 ? shift4 : shift5;
    QByteArray out;
    quint32 buffer = 0;
    int count = 0;
    auto put = [&](unsigned value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            buffer = (buffer << 1) | ((value >> i) & 1);
            if (++count == 8) out += char(buffer & 0xff), buffer = 0, count = 0;
        }
    };
    put(unsigned(bits - 2), 2);
    int predicted[2] = {0, 0}, index[2] = {0, 0};
    const std::size_t frames = samples.size() / std::size_t(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int sample = samples[i * std::size_t(channels) + std::size_t(c)];
            if (i % 4096 == 0) {
                predicted[c] = sample;
                put(unsigned(quint16(qint16(sample))), 16);
                put(unsigned(index[c]), 6);
                continue;
            }
            const unsigned signBit = 1u << (bits - 1);
            int difference = sample - predicted[c];
            unsigned code = 0;
            if (difference < 0) code = signBit, difference = -difference;
            int step = steps[index[c]];
            int decoded = 0;
            for (unsigned mask = signBit >> 1; mask; mask >>= 1) {
                if (difference >= step) code |= mask, difference -= step, decoded += step;
                step >>= 1;
            }
            decoded += step;
            predicted[c] = std::clamp(predicted[c] + ((code & signBit) ? -decoded : decoded), -32768, 32767);
            index[c] = std::clamp(index[c] + shifts[code & (signBit - 1)], 0, 88);
            put(code, bits);
        }
    }
    if (count) out += char((buffer << (8 - count)) & 0xff);
    return out;
}

QByteArray wav(const std::vector<qint16>& samples, int rate, int channels) {
    const QByteArray data = pcm(samples, true);
    QByteArray out =
        "RIFF" + le32(quint32(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(channels);
    out += le32(quint32(rate)) + le32(quint32(rate * channels * 2)) + le16(channels * 2) + le16(16);
    return out + "data" + le32(quint32(data.size())) + data;
}

// MP3 frames (no tag frame) of the tone, from lame; empty when it is missing or fails.
QByteArray mp3(const QString& lame, int rate, int channels, double seconds) {
    if (lame.isEmpty()) return {};
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in.wav")));
    if (!in.open(QIODevice::WriteOnly)) return {};
    in.write(wav(tone(rate, int(rate * seconds), channels), rate, channels));
    in.close();
    QProcess process;
    process.start(lame, {QStringLiteral("--quiet"), QStringLiteral("-t"), QStringLiteral("-b"),
                         QStringLiteral("32"), in.fileName(), dir.filePath(QStringLiteral("out.mp3"))});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    QFile out(dir.filePath(QStringLiteral("out.mp3")));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

struct SoundData {
    QString name;
    quint8 format;
    quint32 sampleCount;
    QByteArray data; // as DefineSound holds it (MP3: seek samples first)
};

std::vector<SoundData> sounds(const QString& lame) {
    std::vector<SoundData> out;
    for (int rate : {0, 1, 3})
        for (bool is16Bit : {false, true})
            for (bool stereo : {false, true}) {
                const int frames = kRates[rate] / 20;
                out.push_back({QStringLiteral("pcm_%1_%2_%3")
                                   .arg(kRates[rate])
                                   .arg(is16Bit ? 16 : 8)
                                   .arg(stereo ? 2 : 1),
                               formatByte(rate == 1 ? 0 : 3, rate, is16Bit, stereo), quint32(frames),
                               pcm(tone(kRates[rate], frames, stereo ? 2 : 1), is16Bit)});
            }
    for (int bits = 2; bits <= 5; ++bits)
        for (bool stereo : {false, true}) {
            const int frames = bits == 4 ? 5000 : 1500; // one packet, or a second started
            out.push_back({QStringLiteral("adpcm_%1bit_%2").arg(bits).arg(stereo ? 2 : 1),
                           formatByte(1, 2, true, stereo), quint32(frames),
                           adpcm(tone(22050, frames, stereo ? 2 : 1), stereo ? 2 : 1, bits)});
        }
    for (int rate : {1, 2, 3})
        for (bool stereo : {false, true}) {
            const QByteArray frames = mp3(lame, kRates[rate], stereo ? 2 : 1, 0.15);
            if (frames.isEmpty()) continue;
            out.push_back({QStringLiteral("mp3_%1_%2").arg(kRates[rate]).arg(stereo ? 2 : 1),
                           formatByte(2, rate, true, stereo), quint32(kRates[rate] * 0.15),
                           le16(0) + frames});
        }
    // A coding the engine plays as silence.
    out.push_back({QStringLiteral("nellymoser"), formatByte(6, 1, true, false), 256, QByteArray(64, '\x5a')});
    return out;
}

// SOUNDINFO: loops, in and out points and a fading envelope.
QByteArray soundInfo(bool full) {
    if (!full) return QByteArray(1, '\0');
    QByteArray out(1, char(0x08 | 0x04 | 0x02 | 0x01));
    out += le32(200) + le32(40000) + le16(2);
    out += char(2) + le32(0) + le16(0) + le16(32768) + le32(20000) + le16(32768) + le16(0);
    return out;
}

// --- movies ---

QByteArray shapesMovie(int version, swftest::Compression compression) {
    SwfBuilder movie(version, QSize(320, 240), 20);
    movie.setBackground(QColor(240, 240, 230));
    ShapeBuilder rect;
    rect.rectangle(QRectF(0, 0, 80, 50), rect.addSolidFill(QColor(200, 30, 30)), rect.addLine(2, Qt::black));
    const int rectId = movie.defineShape(rect, 1);
    ShapeBuilder gradients;
    const int linear = gradients.addLinearGradient(
        QPointF(0, 0), QPointF(100, 0), {{0, Qt::red}, {128, QColor(0, 255, 0, 128)}, {255, Qt::blue}},
        swftest::Spread::Reflect);
    const int radial =
        gradients.addRadialGradient(QPointF(50, 50), 40, {{0, Qt::white}, {255, Qt::black}}, 0.5);
    gradients.ellipse(QRectF(0, 0, 100, 100), radial, gradients.addLine(3, QColor(0, 0, 0, 128)));
    gradients.setStyles(linear, 0, 0);
    gradients.moveTo(QPointF(0, 0));
    gradients.curveTo(QPointF(60, -30), QPointF(120, 0));
    gradients.lineTo(QPointF(60, 60));
    gradients.lineTo(QPointF(0, 0));
    const int gradientId = movie.defineShape(gradients, 3);
    ShapeBuilder outline;
    swftest::LineStyle thick;
    thick.width = 6;
    thick.color = QColor(20, 120, 20);
    thick.startCap = 1;
    thick.endCap = 2;
    thick.join = 2;
    thick.miterLimit = 4;
    outline.setStyles(0, 0, outline.addLine(thick));
    outline.moveTo(QPointF(0, 0));
    outline.lineTo(QPointF(50, 40));
    outline.curveTo(QPointF(90, 0), QPointF(120, 40));
    outline.newStyles();
    outline.polygon(QPolygonF({QPointF(10, 60), QPointF(60, 90), QPointF(5, 100)}),
                    outline.addSolidFill(Qt::cyan));
    const int outlineId = movie.defineShape(outline, 4);
    movie.place(1, rectId, QTransform().translate(10, 10));
    swftest::Place tinted;
    tinted.depth = 2;
    tinted.characterId = gradientId;
    tinted.matrix = QTransform().translate(150, 40).rotate(20).scale(1.2, 0.8);
    tinted.colorTransform = swftest::ColorTransformValues{200, 256, 128, 180, 10, -20, 30, 0};
    movie.place(tinted);
    movie.place(3, outlineId, QTransform().translate(40, 120));
    movie.showFrame();
    for (int i = 1; i < 4; ++i) {
        movie.move(2, QTransform().translate(150 - 10 * i, 40).rotate(20 + 15 * i));
        if (i == 2) movie.remove(1);
        movie.showFrame();
    }
    return movie.finish(compression);
}

QByteArray morphMovie() {
    SwfBuilder movie(8, QSize(200, 200), 12);
    ShapeBuilder start, end;
    start.rectangle(QRectF(10, 10, 50, 50), 1, 1);
    end.ellipse(QRectF(80, 60, 100, 120), 1, 1);
    const int morph = movie.defineMorphShape(start, end, {Qt::red}, {QColor(0, 0, 255, 100)},
                                             {{1, 8, Qt::black, Qt::green}});
    const int morph2 =
        movie.defineMorphShape(start, end, {Qt::yellow}, {Qt::magenta}, {{2, 4, Qt::black, Qt::white}}, 2);
    for (int i = 0; i < 4; ++i) {
        swftest::Place place;
        place.depth = 1;
        place.move = i > 0;
        if (i == 0) place.characterId = morph;
        place.ratio = i * 21845;
        movie.place(place);
        swftest::Place second = place;
        second.depth = 2;
        if (i == 0) second.characterId = morph2;
        movie.place(second);
        movie.showFrame();
    }
    return movie.finish();
}

// Embedded video: two Sorenson H.263 pictures (a key frame and an inter frame) and two screen
// video pictures of 32 x 32 pixels, coded once by libavcodec's encoders and kept here as bytes,
// so the seeds need no encoder. The H.263 stream is scaled and smoothed, the screen video not.
QByteArray videoMovie() {
    static const char* const kH263[] = {
        "000084001010111e2a0c0398300e6d9d2d0601cc180736ce968300e60c039b67514180730601cdb3b1c0c037198e0601"
        "b8cbd14180730601cdb3aba0c0398300e6d9d5d0601cc180736ceba8300e60c039b676b81806e335c0c037197a28300e"
        "60c039b67574180730601cdb3aba0c0398300e6d9d750601cc180736cec70300dc66381806e32f750601cc180736cec6"
        "8300e60c039b67634180730601cdb3b4a0c0398300e6d9dae0601b8cd70300dc64",
        "0000840810103102e0798340a80d02a05532060034034d03001a01a681806212c1818478300c425830308f0bd0340b80"
        "d02e051190400820d0c145309c03020fe28360c0310960c0c23c1806212c18184780"};
    static const char* const kScreen[] = {
        "3020302000de78da8b4d484ecbccc92f2aada8ae6b6c69efea9d3079dacc39f3172d5db17addc62ddb77ed3d70f8d8c9"
        "33e72f5dbd71fbdec327cf5fbdfdf0f9dbcf3fff995839b8f90445c4a5641594d53475f48d4c2daced1c5ddcbd7c0382"
        "c32263e2935233b2f30a4bcaaba262696b41388d2d08a1b1058134b6c08fc61678d3d8020f1a5be04a630b9c686c813d"
        "8d2db0a1b1059634b6c08cc61618d3d802031a5ba04b630bb4686c813a8d2d50a1b1058a34b6408ec61648d3d802091a"
        "5b204a630b84686c013f8d2de0a1b1059c34b6808dc61630d3d802061a5b0000d325ac4c",
        "3020302000de78dacb2f2aada8ae6b6c69efea9d3079dacc39f3172d5db17addc62ddb77ed3d70f8d8c933e72f5dbd71"
        "fbdec327cf5fbdfdf0f9dbcf3fff995839b8f90445c4a5641594d53475f48d4c2daced1c5ddcbd7c0382c32263e29352"
        "33b2f30a4bcaab6a1b9adb3a7b72f2696b41268d2d48a3b105c934b62081c616c4d2d882281a5b104e630b42686c4120"
        "8d2df0a3b105de34b6c083c616b8d2d802271a5b604f630b6c686c81258d2d30a3b105c634b6c080c616e8d2d8022d1a"
        "5ba04e630b54686c81228d2d90a3b105d234b64082c61688d2d802211a5b00008876c44c"};
    SwfBuilder movie(8, QSize(100, 60), 12);
    const int h263 = movie.defineVideoStream(2, QSize(48, 40), 2, true, 2);
    const int screen = movie.defineVideoStream(2, QSize(32, 32), 3);
    for (int i = 0; i < 2; ++i) {
        movie.videoFrame(h263, i, QByteArray::fromHex(kH263[i]));
        movie.videoFrame(screen, i, QByteArray::fromHex(kScreen[i]));
        for (const auto& [depth, id] : {std::pair{1, h263}, std::pair{2, screen}}) {
            swftest::Place place;
            place.depth = depth;
            place.move = i > 0;
            if (i == 0) {
                place.characterId = id;
                place.matrix = QTransform::fromTranslate(depth * 40 - 36, 10);
            }
            place.ratio = i;
            movie.place(place);
        }
        movie.showFrame();
    }
    return movie.finish();
}

QByteArray bitmapsMovie() {
    SwfBuilder movie(8, QSize(240, 160), 12);
    const QImage image = picture(16, 12, false), clear = picture(16, 12, true);
    std::vector<int> ids = {
        movie.defineBitsLossless(image, false, swftest::LosslessFormat::ColorMapped8),
        movie.defineBitsLossless(clear, true, swftest::LosslessFormat::ColorMapped8),
        movie.defineBitsLossless(image, false, swftest::LosslessFormat::Rgb15),
        movie.defineBitsLossless(image, false, swftest::LosslessFormat::Rgb32),
        movie.defineBitsLossless(clear, true, swftest::LosslessFormat::Rgb32),
        movie.defineBitsJpeg2(image),
        movie.defineBitsJpeg2(image, true),
        movie.defineBitsJpeg2(clear, false, "PNG"),
        movie.defineBitsJpeg3(clear),
    };
    const auto [tables, body] =
        splitJpegTables(encoded(image.convertToFormat(QImage::Format_RGB32), "JPEG", 60));
    movie.jpegTables(tables);
    ids.push_back(movie.defineBits(body));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ShapeBuilder shape;
        const int fill = shape.addBitmapFill(ids[i], QTransform().scale(1.5, 1.5), i % 2 == 0, i % 3 != 0);
        shape.rectangle(QRectF(0, 0, 24, 18), fill);
        const int shapeId = movie.defineShape(shape, 3);
        movie.place(int(i) + 1, shapeId,
                    QTransform().translate(double(i % 5) * 45, double(i / 5) * 60).rotate(i * 7.0));
    }
    movie.showFrame(2);
    return movie.finish();
}

QByteArray soundMovie(const std::vector<SoundData>& all) {
    SwfBuilder movie(8, QSize(100, 100), 12);
    // Event sounds: one of each coding, started with and without a sound info.
    int id = 0;
    std::vector<int> started;
    for (const SoundData& sound : all) {
        if (!sound.name.endsWith(QLatin1String("_1")) && !sound.name.startsWith(QLatin1String("mp3")) &&
            sound.name != QLatin1String("nellymoser"))
            continue;
        id = movie.reserveId();
        movie.rawTag(kDefineSound, le16(id) + char(sound.format) + le32(sound.sampleCount) + sound.data);
        started.push_back(id);
    }
    for (std::size_t i = 0; i < started.size(); ++i)
        movie.rawTag(kStartSound, le16(started[i]) + soundInfo(i % 2 == 1));
    // A stream of ADPCM blocks, one per frame.
    constexpr int kPerBlock = 22050 / 12;
    movie.rawTag(kSoundStreamHead2, QByteArray(1, char(formatByte(0, 2, true, false) & 0x0f)) +
                                        char(formatByte(1, 2, true, false)) + le16(kPerBlock));
    const std::vector<qint16> stream = tone(22050, kPerBlock * 4, 1);
    for (int frame = 0; frame < 4; ++frame) {
        const std::vector<qint16> block(stream.begin() + frame * kPerBlock,
                                        stream.begin() + (frame + 1) * kPerBlock);
        movie.rawTag(kSoundStreamBlock, adpcm(block, 1, 4));
        if (frame == 2 && !started.empty())
            movie.rawTag(kStartSound, le16(started.front()) + char(0x20)); // stop
        movie.showFrame();
    }
    return movie.finish();
}

QByteArray mp3StreamMovie(const QString& lame) {
    const QByteArray frames = mp3(lame, 22050, 1, 0.4);
    if (frames.isEmpty()) return {};
    SwfBuilder movie(8, QSize(100, 100), 10);
    constexpr int kPerBlock = 2205;
    movie.rawTag(kSoundStreamHead2, QByteArray(1, char(formatByte(0, 2, true, false) & 0x0f)) +
                                        char(formatByte(2, 2, true, false)) + le16(kPerBlock) + le16(0));
    const qsizetype part = (frames.size() + 3) / 4;
    for (int frame = 0; frame < 4; ++frame) {
        movie.rawTag(kSoundStreamBlock, le16(kPerBlock) + le16(0) + frames.mid(frame * part, part));
        movie.showFrame();
    }
    return movie.finish();
}

// A DefineButton2 with every look and conditions that trace, a DefineButton with actions,
// the first's colour transform and sounds.
QByteArray buttonsMovie() {
    SwfBuilder movie(6, QSize(200, 120), 12);
    const int up = movie.defineRect(QRectF(10, 10, 40, 30), Qt::red);
    const int over = movie.defineRect(QRectF(10, 10, 40, 30), Qt::green);
    const int down = movie.defineRect(QRectF(10, 10, 40, 30), Qt::blue);
    const int sound = movie.reserveId();
    movie.rawTag(kDefineSound, le16(sound) + char(formatByte(3, 1, true, false)) + le32(200) +
                                   pcm(tone(11025, 200, 1), true));
    const int button2 = movie.reserveId();
    {
        Writer w;
        w.u16(button2);
        w.u8(0);
        Writer records;
        const std::pair<int, int> states[] = {{0x01, up}, {0x02, over}, {0x04, down}, {0x08, up}};
        for (const auto& [flags, character] : states) {
            records.u8(flags);
            records.u16(character);
            records.u16(1);
            records.matrix(QTransform());
            records.colorTransform(swftest::ColorTransformValues{256, 200, 200, 256, 0, 10, 0, 0}, true);
        }
        records.u8(0);
        w.u16(int(records.data().size()) + 2);
        w.bytes(records.data());
        const std::pair<int, QString> conditions[] = {
            {0x0001, "over"}, {0x0004, "press"}, {0x0008, "release"}, {0x0100 | (37 << 9), "left"}};
        for (std::size_t i = 0; i < std::size(conditions); ++i) {
            const QByteArray actions =
                ActionAssembler(6).trace(conditions[i].second).op(ActionCode::Play).bytes();
            const bool last = i + 1 == std::size(conditions);
            w.u16(last ? 0 : int(actions.size()) + 4);
            w.u16(conditions[i].first);
            w.bytes(actions);
        }
        movie.rawTag(kDefineButton2, w.data());
    }
    const int button1 = movie.reserveId();
    {
        Writer w;
        w.u16(button1);
        const std::pair<int, int> states[] = {{0x01, up}, {0x02, over}, {0x04, down}, {0x08, down}};
        for (const auto& [flags, character] : states) {
            w.u8(flags);
            w.u16(character);
            w.u16(1);
            w.matrix(QTransform().scale(0.5, 0.5));
        }
        w.u8(0);
        w.bytes(ActionAssembler(6).setVariable("clicked", true).op(ActionCode::Stop).bytes());
        movie.rawTag(kDefineButton, w.data());
    }
    movie.rawTag(kDefineButtonCxform, [&] {
        Writer w;
        w.u16(button1);
        w.colorTransform(swftest::ColorTransformValues{128, 256, 256, 256, 40, 0, 0, 0}, false);
        return w.data();
    }());
    movie.rawTag(kDefineButtonSound, le16(button2) + le16(0) + le16(sound) + soundInfo(false) + le16(sound) +
                                         soundInfo(true) + le16(0));
    movie.place(1, button2, QTransform().scale(3, 3));
    movie.place(2, button1, QTransform().translate(120, 60));
    movie.showFrame();
    movie.doAction(ActionAssembler(6).op(ActionCode::Stop).bytes());
    movie.showFrame();
    return movie.finish();
}

ActionAssembler& invoke(ActionAssembler& code, const QString& object, const QString& method,
                        std::initializer_list<PushValue> args = {}) {
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        code.push({*it});
    return code.getVariable(object).callMethod(method, int(args.size()));
}

// Frame scripts: drawing into a new clip, a clip's enterFrame handler, a text field,
// an interval, a Sound object, a loop and a goto.
QByteArray scriptsMovie() {
    SwfBuilder movie(8, QSize(200, 200), 12);
    ActionAssembler frame(8);
    invoke(frame, "_root", "createEmptyMovieClip", {"d", 3}).op(ActionCode::Pop);
    invoke(frame, "d", "lineStyle", {2, 0x336699, 80}).op(ActionCode::Pop);
    invoke(frame, "d", "beginFill", {0xff8800, 60}).op(ActionCode::Pop);
    invoke(frame, "d", "moveTo", {10, 10}).op(ActionCode::Pop);
    invoke(frame, "d", "lineTo", {120, 20}).op(ActionCode::Pop);
    invoke(frame, "d", "curveTo", {150, 90, 40, 140}).op(ActionCode::Pop);
    invoke(frame, "d", "endFill").op(ActionCode::Pop);
    ActionAssembler spin(8);
    spin.push({"this"}).op(ActionCode::GetVariable).push({"_rotation", "this"}).op(ActionCode::GetVariable);
    spin.push({"_rotation"})
        .op(ActionCode::GetMember)
        .push({15})
        .op(ActionCode::Add2)
        .op(ActionCode::SetMember);
    frame.getVariable("d").push({"onEnterFrame"}).defineFunction("", {}, spin).op(ActionCode::SetMember);
    invoke(frame, "_root", "createTextField", {"t", 4, 5, 150, 190, 40}).op(ActionCode::Pop);
    frame.getVariable("t")
        .push({"htmlText", "<b>fuzz</b> <font color='#ff0000'>seed</font>"})
        .op(ActionCode::SetMember);
    frame.getVariable("t").push({"border", true}).op(ActionCode::SetMember);
    ActionAssembler tick(8);
    tick.push({"ticks"}).getVariable("ticks").op(ActionCode::Increment).op(ActionCode::SetVariable);
    frame.push({10})
        .defineFunction("", {}, tick)
        .push({2})
        .push({"setInterval"})
        .op(ActionCode::CallFunction)
        .op(ActionCode::Pop);
    frame.push({0}).push({"Sound"}).op(ActionCode::NewObject).storeRegister(1).op(ActionCode::Pop);
    frame.push({50, PushValue::reg(1)}).callMethod("setVolume", 1).op(ActionCode::Pop);
    frame.setVariable("i", 0)
        .label("loop")
        .getVariable("i")
        .push({20})
        .op(ActionCode::Less2)
        .op(ActionCode::Not)
        .branchIf("done");
    frame.push({"s"}).getVariable("s").getVariable("i").op(ActionCode::Add2).op(ActionCode::SetVariable);
    frame.push({"i"})
        .getVariable("i")
        .op(ActionCode::Increment)
        .op(ActionCode::SetVariable)
        .jump("loop")
        .label("done");
    frame.trace("ready");
    movie.doAction(frame.bytes());
    movie.showFrame();
    movie.doAction(ActionAssembler(8)
                       .push({"d"})
                       .op(ActionCode::GetVariable)
                       .push({"_alpha", 50})
                       .op(ActionCode::SetMember)
                       .bytes());
    movie.showFrame();
    movie.doAction(ActionAssembler(8).action(ActionCode::GotoFrame, le16(0)).op(ActionCode::Play).bytes());
    movie.showFrame();
    return movie.finish();
}

// Nested sprites with scripts, names, a mask, clip actions, an exported symbol attached by
// script, and PlaceObject3 filters and blend modes.
QByteArray spritesMovie() {
    SwfBuilder movie(8, QSize(240, 180), 12);
    const int square = movie.defineRect(QRectF(0, 0, 30, 30), QColor(30, 160, 90));
    const int maskShape = movie.defineRect(QRectF(0, 0, 60, 40), Qt::black);
    SwfBuilder inner(8);
    inner.place(1, square);
    inner.showFrame();
    inner.move(1, QTransform().rotate(30));
    inner.doAction(ActionAssembler(8).trace("inner").bytes());
    inner.showFrame();
    const int innerId = movie.defineSprite(inner);
    SwfBuilder outer(8);
    swftest::Place mask;
    mask.depth = 1;
    mask.characterId = maskShape;
    mask.clipDepth = 3;
    outer.place(mask);
    swftest::Place named;
    named.depth = 2;
    named.characterId = innerId;
    named.name = QStringLiteral("kid");
    named.matrix = QTransform().translate(10, 5);
    outer.place(named);
    outer.showFrame();
    outer.doAction(ActionAssembler(8)
                       .push({"kid"})
                       .op(ActionCode::GetVariable)
                       .callMethod("stop", 0)
                       .op(ActionCode::Pop)
                       .bytes());
    outer.showFrame();
    const int outerId = movie.defineSprite(outer);
    movie.rawTag(kExportAssets, le16(1) + le16(innerId) + QByteArray("box", 4));
    movie.rawTag(kDoInitAction, le16(innerId) + ActionAssembler(8).setVariable("initDone", true).bytes());
    // PlaceObject2 with an onClipEvent(enterFrame).
    {
        Writer w;
        w.u8(0x80 | 0x04 | 0x02); // clip actions, matrix, character
        w.u16(2);
        w.u16(outerId);
        w.matrix(QTransform().translate(60, 40));
        w.u16(0);
        w.u32(0x02);
        const QByteArray actions = ActionAssembler(8)
                                       .push({"this"})
                                       .op(ActionCode::GetVariable)
                                       .push({"_x"})
                                       .push({"this"})
                                       .op(ActionCode::GetVariable)
                                       .push({"_x"})
                                       .op(ActionCode::GetMember)
                                       .push({2})
                                       .op(ActionCode::Add2)
                                       .op(ActionCode::SetMember)
                                       .bytes();
        w.u32(0x02);
        w.u32(quint32(actions.size()));
        w.bytes(actions);
        w.u32(0);
        movie.rawTag(kPlaceObject2, w.data());
    }
    swftest::Place filtered;
    filtered.depth = 3;
    filtered.characterId = outerId;
    filtered.matrix = QTransform().translate(140, 90).scale(1.5, 1.5);
    filtered.blendMode = 8;
    filtered.filterList = swftest::dropShadowFilters(QColor(0, 0, 0, 128), 4, 0.8, 5);
    movie.placeObject3(filtered);
    swftest::Place blurred;
    blurred.depth = 4;
    blurred.characterId = square;
    blurred.matrix = QTransform().translate(20, 130);
    blurred.filterList = swftest::blurFilters(3, 2);
    blurred.opaqueBackground = Qt::yellow;
    movie.placeObject3(blurred);
    ActionAssembler attach(8);
    invoke(attach, "_root", "attachMovie", {"box", "b", 10}).op(ActionCode::Pop);
    movie.doAction(attach.bytes());
    movie.showFrame(3);
    return movie.finish();
}

QByteArray textMovie() {
    SwfBuilder movie(8, QSize(240, 120), 12);
    ShapeBuilder a, b;
    a.polygon(QPolygonF({QPointF(0, 0), QPointF(500, -800), QPointF(1000, 0)}), 1);
    b.rectangle(QRectF(100, -700, 800, 700), 1);
    const int font1 = movie.defineFont({a, b});
    const int text = movie.defineText(font1, {0, 1, 0}, 20, QPointF(10, 40), Qt::darkBlue, 18, 1);
    const int font2 = movie.defineFont2({a, b}, {'A', 'B'}, QStringLiteral("Seed"), 2,
                                        SwfBuilder::FontLayout{900, 200, {1000, 900}});
    const int font3 = movie.defineFont2({a, b}, {'A', 'B'}, QStringLiteral("Seed3"), 3);
    SwfBuilder::EditText field;
    field.bounds = QRectF(10, 60, 200, 40);
    field.text = QStringLiteral("<p align='center'><font face='Seed'>ABBA</font> <b>x</b></p>");
    field.fontId = font2;
    field.html = true;
    field.multiline = true;
    field.wordWrap = true;
    field.border = true;
    field.useOutlines = true;
    const int fieldId = movie.defineEditText(field);
    SwfBuilder::EditText device;
    device.bounds = QRectF(120, 10, 100, 30);
    device.text = QStringLiteral("中文 text");
    device.fontId = font3;
    device.align = 2;
    const int deviceId = movie.defineEditText(device);
    movie.place(1, text);
    movie.place(2, fieldId);
    movie.place(3, deviceId);
    movie.showFrame(2);
    return movie.finish();
}

// --- script blocks ---

std::vector<Seed> actionSeeds() {
    std::vector<std::pair<QString, ActionAssembler>> blocks;
    {
        ActionAssembler code(4);
        code.setVariable("a", "12")
            .push({"b"})
            .getVariable("a")
            .push({3})
            .op(ActionCode::Multiply)
            .op(ActionCode::SetVariable);
        code.push({"c", "abc"}).getVariable("b").op(ActionCode::StringAdd).op(ActionCode::SetVariable);
        code.getVariable("c").push({2, 3}).op(ActionCode::StringExtract).op(ActionCode::Trace);
        code.push({"x"}).op(ActionCode::RandomNumber).op(ActionCode::ToInteger).op(ActionCode::Trace);
        code.getVariable("c").op(ActionCode::MBStringLength).op(ActionCode::Trace);
        blocks.emplace_back("swf4_strings", code);
    }
    {
        ActionAssembler code(5);
        code.constantPool({"length", "push", "join", "o", "arr"});
        code.push({PushValue::constant(3), "k", 1, "j", 2, 2})
            .op(ActionCode::InitObject)
            .op(ActionCode::DefineLocal);
        code.push({"arr", 3, 2, 1, 3}).op(ActionCode::InitArray).op(ActionCode::SetVariable);
        code.push({7}).getVariable("arr").callMethod("push", 1).op(ActionCode::Pop);
        code.push({"-"}).getVariable("arr").callMethod("join", 1).op(ActionCode::Trace);
        code.getVariable("o")
            .op(ActionCode::Enumerate2)
            .label("next")
            .op(ActionCode::PushDuplicate)
            .push({PushValue::null()})
            .op(ActionCode::Equals2)
            .branchIf("end")
            .op(ActionCode::Trace)
            .jump("next")
            .label("end")
            .op(ActionCode::Pop);
        blocks.emplace_back("objects_arrays", code);
    }
    {
        ActionAssembler body(7);
        body.push({PushValue::reg(1), PushValue::reg(2)}).op(ActionCode::Add2).op(ActionCode::Return);
        ActionAssembler code(7);
        code.defineFunction2("add", 3, 0, {{1, "a"}, {2, "b"}}, body);
        code.push({2, 40, 2, "add"}).op(ActionCode::CallFunction).op(ActionCode::Trace);
        ActionAssembler fact(7);
        fact.getVariable("n")
            .push({1})
            .op(ActionCode::Less2)
            .branchIf("base")
            .getVariable("n")
            .getVariable("n")
            .push({1})
            .op(ActionCode::Subtract)
            .push({1, "fact"})
            .op(ActionCode::CallFunction)
            .op(ActionCode::Multiply)
            .op(ActionCode::Return)
            .label("base")
            .push({1})
            .op(ActionCode::Return);
        code.defineFunction("fact", {"n"}, fact);
        code.push({10, 1, "fact"}).op(ActionCode::CallFunction).op(ActionCode::Trace);
        blocks.emplace_back("functions", code);
    }
    {
        ActionAssembler tryBody(7), catchBody(7), finallyBody(7);
        tryBody.push({"boom"}).op(ActionCode::Throw);
        catchBody.getVariable("e").op(ActionCode::Trace);
        finallyBody.trace("finally");
        ActionAssembler code(7);
        code.tryBlock(tryBody, &catchBody, "e", &finallyBody);
        ActionAssembler withBody(7);
        withBody.getVariable("k").op(ActionCode::Trace);
        code.push({"k", 5, 1}).op(ActionCode::InitObject).with(withBody);
        blocks.emplace_back("try_with", code);
    }
    {
        ActionAssembler ctor(7);
        ctor.push({"this"}).op(ActionCode::GetVariable).push({"v", 1}).op(ActionCode::SetMember);
        ActionAssembler code(7);
        code.defineFunction("Base", {}, ctor).defineFunction("Kid", {}, ActionAssembler(7));
        code.getVariable("Kid").getVariable("Base").op(ActionCode::Extends);
        code.push({0, "Kid"}).op(ActionCode::NewObject).storeRegister(1).op(ActionCode::Pop);
        code.push({PushValue::reg(1)}).getVariable("Base").op(ActionCode::InstanceOf).op(ActionCode::Trace);
        code.getVariable("Kid")
            .push({PushValue::reg(1)})
            .op(ActionCode::CastOp)
            .op(ActionCode::TypeOf)
            .op(ActionCode::Trace);
        code.push({PushValue::reg(1), "__proto__"})
            .op(ActionCode::GetMember)
            .push({"constructor"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        blocks.emplace_back("classes", code);
    }
    {
        ActionAssembler code(8);
        code.push({"3.5e2"})
            .op(ActionCode::ToNumber)
            .push({0x0f})
            .op(ActionCode::BitAnd)
            .push({3})
            .op(ActionCode::BitLShift)
            .push({-1})
            .op(ActionCode::BitURShift)
            .op(ActionCode::Trace);
        code.push({1.0 / 3.0, 1, "Math"})
            .op(ActionCode::GetVariable)
            .push({"floor"})
            .op(ActionCode::CallMethod)
            .op(ActionCode::Trace);
        code.push({16})
            .push({255, 1, "Number"})
            .op(ActionCode::NewObject)
            .callMethod("toString", 1)
            .op(ActionCode::Trace);
        code.push({0, "Date"}).op(ActionCode::NewObject).callMethod("getTime", 0).op(ActionCode::Trace);
        code.push({",", "a,b,,c"}).callMethod("split", 1).op(ActionCode::Trace);
        code.push({PushValue::undefined(), PushValue::null(), true})
            .op(ActionCode::StrictEquals)
            .op(ActionCode::Trace)
            .op(ActionCode::Equals2)
            .op(ActionCode::Trace);
        blocks.emplace_back("numbers_builtins", code);
    }
    {
        ActionAssembler handler(7);
        handler.trace("timer");
        ActionAssembler code(7);
        code.push({5})
            .defineFunction("", {}, handler)
            .push({2, "setTimeout"})
            .op(ActionCode::CallFunction)
            .op(ActionCode::Pop);
        code.push({1})
            .defineFunction("", {}, handler)
            .push({2, "setInterval"})
            .op(ActionCode::CallFunction)
            .storeRegister(0);
        code.push({"<a x='1'><b>t</b></a>", 1, "XML"})
            .op(ActionCode::NewObject)
            .push({"firstChild"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        code.push({0, "LoadVars"}).op(ActionCode::NewObject).push({"q", "1"}).op(ActionCode::SetMember);
        code.push({0, "Object"}).op(ActionCode::NewObject).storeRegister(2).op(ActionCode::Pop);
        ActionAssembler watcher(7);
        watcher.getVariable("n").op(ActionCode::Return);
        code.defineFunction("", {"p", "o", "n"}, watcher);
        code.push({"w", 2, PushValue::reg(2), "watch"}).op(ActionCode::CallMethod).op(ActionCode::Pop);
        code.push({PushValue::reg(2), "w", 9}).op(ActionCode::SetMember);
        blocks.emplace_back("timers_xml_watch", code);
    }
    {
        ActionAssembler code(6);
        code.push({"_root"})
            .op(ActionCode::GetVariable)
            .push({"_x"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        code.push({"", 0, 5}).op(ActionCode::SetProperty);
        code.push({"/", 2}).op(ActionCode::GetProperty).op(ActionCode::Trace);
        code.action(ActionCode::GotoFrame, le16(3)).op(ActionCode::Play).op(ActionCode::NextFrame);
        code.action(ActionCode::GotoLabel, QByteArray("start", 6));
        code.action(ActionCode::SetTarget, QByteArray("/kid", 5))
            .op(ActionCode::Stop)
            .action(ActionCode::SetTarget, QByteArray(1, 0));
        code.push({"http://example.com/", "_blank"}).action(ActionCode::GetUrl2, QByteArray(1, 0));
        code.push({"_root", "copy", 5}).op(ActionCode::CloneSprite);
        code.op(ActionCode::GetTime).op(ActionCode::Trace);
        blocks.emplace_back("timeline", code);
    }
    std::vector<Seed> out;
    for (const auto& [name, code] : blocks) {
        for (int version : {5, 7}) {
            // The target's first byte picks the version: 3 + byte % 6.
            QByteArray bytes(1, char(version - 3));
            out.push_back({QStringLiteral("%1_v%2").arg(name).arg(version), bytes + code.bytes()});
        }
    }
    return out;
}

// --- per target ---

std::vector<Seed> bitmapSeeds() {
    SwfBuilder b(8);
    const QImage image = picture(12, 9, false), clear = picture(12, 9, true);
    b.defineBitsLossless(image, false, swftest::LosslessFormat::ColorMapped8);
    b.defineBitsLossless(clear, true, swftest::LosslessFormat::ColorMapped8);
    b.defineBitsLossless(image, false, swftest::LosslessFormat::Rgb15);
    b.defineBitsLossless(image, false, swftest::LosslessFormat::Rgb32);
    b.defineBitsLossless(clear, true, swftest::LosslessFormat::Rgb32);
    b.defineBitsJpeg2(image);
    b.defineBitsJpeg2(image, true);
    b.defineBitsJpeg2(clear, false, "PNG");
    b.defineBitsJpeg3(clear);
    // Selector bytes of the target: 0 DefineBits, 1 JPEG2, 2 JPEG3, 3 Lossless, 4 Lossless2, 5 JPEG4.
    auto selector = [](int code) {
        switch (code) {
        case 6:
            return 0;
        case 21:
            return 1;
        case 35:
            return 2;
        case 20:
            return 3;
        case 36:
            return 4;
        default:
            return 5;
        }
    };
    std::vector<Seed> out;
    int n = 0;
    for (const auto& [code, body] : tagsOf(b.tagBytes()))
        out.push_back({QStringLiteral("tag%1_%2").arg(code).arg(n++),
                       QByteArray(1, char(selector(code))) + body.mid(2)});
    const QByteArray gifOpaque = gif(13, 7, false), gifClear = gif(9, 9, true);
    out.push_back({QStringLiteral("jpeg2_gif"), QByteArray(1, 1) + gifOpaque});
    out.push_back({QStringLiteral("jpeg3_gif"), QByteArray(1, 2) + le32(quint32(gifClear.size())) + gifClear +
                                                    zlib(QByteArray(81, '\x80'))});
    const QByteArray png = encoded(clear, "PNG");
    out.push_back({QStringLiteral("jpeg3_png"), QByteArray(1, 2) + le32(quint32(png.size())) + png});
    const QByteArray jpeg = encoded(image.convertToFormat(QImage::Format_RGB32), "JPEG", 50);
    out.push_back({QStringLiteral("jpeg4"), QByteArray(1, 5) + le32(quint32(jpeg.size())) + le16(256) + jpeg +
                                                zlib(QByteArray(12 * 9, '\x40'))});
    const auto [tables, body] = splitJpegTables(jpeg);
    out.push_back(
        {QStringLiteral("definebits_tables"), QByteArray(1, 0) + le16(int(tables.size())) + tables + body});
    out.push_back({QStringLiteral("definebits_whole"), QByteArray(1, 0) + le16(0) + jpeg});
    return out;
}

std::vector<Seed> soundSeeds(const std::vector<SoundData>& all) {
    // Options byte of the target: loops, block size, envelope, points, no-multiple, restart.
    const int options[] = {0x00, 0x15, 0x2a, 0x4b, 0x9c, 0xf3};
    std::vector<Seed> out;
    int n = 0;
    for (const SoundData& sound : all)
        out.push_back({sound.name, QByteArray(1, char(sound.format)) +
                                       char(options[n++ % std::size(options)]) + sound.data});
    return out;
}

std::vector<Seed> settingsSeeds() {
    const QByteArray program = "[listfile]\r\nsavepath=C:\\Program "
                               "Files\\Vantrel\\vtl_list\\list.vtl\r\n[filelistwindow]\r\nshow=1\r\n"
                               "[fileplaywindow]\r\nshow=0\r\n[gomovie]\r\nframe=3\r\ngoframe=10\r\n[zoom]"
                               "\r\nhow=90\r\n[isloop]\r\nloop=1\r\n"
                               "[formquality]\r\nselect=2\r\n";
    return {
        {QStringLiteral("program"), program},
        {QStringLiteral("unix_ends"), QByteArray(program).replace("\r\n", "\n")},
        {QStringLiteral("odd"),
         "; comment\r\n  [ Zoom ] trailing\r\n HOW = 75 \r\nhow=dup\r\n=novalue\r\nnoequals\r\n[zoom]\r\n"
         "how=second\r\n[empty]\r\n\r\n[isloop]\r\nloop=\t1\t\r\n[last]\rkey=lone cr\r"},
        {QStringLiteral("gbk"), "[listfile]\r\nsavepath=" + QByteArray::fromHex("c4e3bac3") + "\\" +
                                    QByteArray::fromHex("8130d330") + ".vtl\r\n[" +
                                    QByteArray::fromHex("b2e2cad4") + "]\r\n" + QByteArray::fromHex("bcfc") +
                                    "=" + QByteArray::fromHex("d6b5") + "\r\n"},
        {QStringLiteral("no_end"), "[zoom]\r\nhow=80"},
    };
}

std::vector<Seed> listSeeds() {
    return {
        {QStringLiteral("program"), "paths\r\nC:\\movies\\a.swf\r\nD:\\flash\\" +
                                        QByteArray::fromHex("b6afbbad") +
                                        ".swf\r\n"
                                        "/home/user/movies/b.swf\r\nhttp://example.com/c.swf\r\n"},
        {QStringLiteral("mixed_ends"),
         "paths\nfirst.swf\rsecond.swf\r\n\r\n   \r\n  spaced.swf  \r\n\ttab.swf\t\nlast.swf"},
        {QStringLiteral("gb18030"), "paths\r\n" + QByteArray::fromHex("9534e232") + ".swf\r\n" +
                                        QByteArray::fromHex("81308130") + "\r\n" +
                                        QByteArray::fromHex("ff80") + "\r\n"},
        {QStringLiteral("header_only"), "paths\r\n"},
    };
}

std::vector<Seed> urlSeeds(const QByteArray& movie, const QByteArray& zlibMovie) {
    using namespace fuzzurl;
    const QByteArray none;
    return {
        {QStringLiteral("ok_length"), compose(0, LengthHeader, 0, 1, none, movie)},
        {QStringLiteral("ok_close"), compose(1, 0, 0, 1, none, zlibMovie)},
        {QStringLiteral("chunked_pieces"), compose(2, Chunked, 100, 4, none, movie)},
        {QStringLiteral("gzip"), compose(3, Compressed | LengthHeader, 1, 2, none, gzip(movie))},
        {QStringLiteral("deflate"), compose(3, Compressed, 0, 1, none, zlib(movie))},
        {QStringLiteral("cut_short"), compose(0, LengthHeader | CutShort, 128, 3, none, movie)},
        {QStringLiteral("length_off"), compose(0, LengthHeader | WrongLength | KeepOpen, 40, 1, none, movie)},
        {QStringLiteral("oversized"), compose(0, Oversized, 0, 1, none, movie)},
        {QStringLiteral("redirect"), compose(7, LengthHeader | RedirectServesBody, 0, 1, none, movie)},
        {QStringLiteral("redirect_loop"), compose(6, LengthHeader, 0, 1, none, none)},
        {QStringLiteral("not_found"), compose(11, LengthHeader, 0, 1, none, "<html>not here</html>")},
        {QStringLiteral("typed_address"),
         compose(0, LengthHeader, 0, 1, "http://example.com/movies/demo.swf", movie)},
        {QStringLiteral("typed_local"), compose(0, 0, 0, 1, "http://127.0.0.1:8080/a%20b.swf", movie)},
        {QStringLiteral("typed_refused"), compose(0, 0, 0, 1, "http://example.com/page.html", movie)},
        {QStringLiteral("raw"),
         compose(kRawIndex, 0, 0, 2, none,
                 "HTTP/1.0 200 OK\r\nContent-Type: application/x-shockwave-flash\r\nX-A: b\r\n\r\n" + movie)},
    };
}

// Inputs for the record decoders: every tag of our uncompressed seed movies (and of their
// sprites) that one of the decoders reads, behind the byte choosing that decoder and the
// movie's version.
void addRecordSeeds(const QByteArray& tags, int version, const QString& prefix, std::vector<Seed>& out) {
    static const std::map<int, int> kDecoderOf = {
        {4, 0},     {26, 1},  {70, 2},    {5, 0x13},  {28, 3},    {15, 4},    {89, 0x14},
        {18, 5},    {45, 5},  {59, 6},    {56, 7},    {2, 8},     {22, 0x18}, {32, 0x28},
        {83, 0x38}, {46, 9},  {84, 0x19}, {10, 10},   {48, 0x1a}, {75, 0x2a}, {11, 11},
        {33, 0x1b}, {37, 12}, {7, 13},    {34, 0x1d}, {17, 14},   {12, 15}};
    qsizetype at = 0;
    int index = 0;
    while (at + 2 <= tags.size()) {
        const int head = quint8(tags[at]) | (quint8(tags[at + 1]) << 8);
        at += 2;
        const int code = head >> 6;
        qsizetype length = head & 0x3f;
        if (length == 0x3f) {
            if (at + 4 > tags.size()) break;
            length = qsizetype(quint32(quint8(tags[at])) | quint32(quint8(tags[at + 1])) << 8 |
                               quint32(quint8(tags[at + 2])) << 16 | quint32(quint8(tags[at + 3])) << 24);
            at += 4;
        }
        if (code == 0 || length > tags.size() - at) break;
        const QByteArray body = tags.mid(at, length);
        at += length;
        if (code == 39 && body.size() > 4) { // a sprite's own tags
            addRecordSeeds(body.mid(4), version, prefix + QStringLiteral("_sprite%1").arg(index++), out);
            continue;
        }
        const auto decoder = kDecoderOf.find(code);
        if (decoder == kDecoderOf.end()) continue;
        out.push_back({QStringLiteral("%1_tag%2_%3.bin").arg(prefix).arg(index++).arg(code),
                       QByteArray(1, char(decoder->second)) + char(version - 1) + body});
    }
}

// Files NetStream plays: an FLV of every kind of tag, and MP4 files with the index first and
// last (their samples stand in for coded ones: the reader does not decode them).
std::vector<std::pair<QString, QByteArray>> streamFiles() {
    swftest::FlvWriter flv(true, true);
    flv.tag(18, 0,
            QByteArray("\x02\0\x0aonMetaData\x08\0\0\0\x01\0\x08duration\0\x40\0\0\0\0\0\0\0\0\0\x09", 37));
    flv.tag(9, 0, QByteArray("\x17\0\0\0\0\x01\x4d\x40\x1e\xff", 10));
    flv.tag(9, 40, QByteArray("\x27\x01\0\0\x28\0\0\0\x01\x65", 10));
    flv.tag(8, 0, QByteArray("\xaf\0\x15\x88", 4));
    flv.tag(8, 40, QByteArray("\x36\x01\x02", 3));
    const swftest::Mp4Track video{"\x01\x4d\x40\x1e", {"key", "inter", "b"}, {0, 40, 80},
                                  {40, 120, 80},      {true, false, false},  1000,
                                  QSize(64, 48)};
    const swftest::Mp4Track sound{"\x15\x88", {"a", "bb"}, {0, 1024}, {0, 1024}, {true, true}, 8000, {}};
    return {{QStringLiteral("stream.flv"), flv.bytes()},
            {QStringLiteral("index_first.mp4"), swftest::mp4File(video, sound, true)},
            {QStringLiteral("index_last.mp4"), swftest::mp4File(video, sound, false)}};
}

std::vector<Seed> recordSeeds(const std::vector<Seed>& movies) {
    std::vector<Seed> out;
    for (const Seed& movie : movies) {
        const QByteArray& bytes = movie.bytes;
        if (bytes.size() < 12 || !bytes.startsWith("FWS")) continue; // compressed ones are not split
        const int version = quint8(bytes[3]);
        const int rectBits = 5 + 4 * (quint8(bytes[8]) >> 3);
        const qsizetype tagsAt = 8 + (rectBits + 7) / 8 + 4;
        addRecordSeeds(bytes.mid(tagsAt), version, QFileInfo(movie.name).completeBaseName(), out);
    }
    return out;
}

} // namespace

SeedSets makeSeeds(const QString& lamePath) {
    SeedSets sets;
    const std::vector<SoundData> allSounds = sounds(lamePath);
    auto& movies = sets[QStringLiteral("fuzz_load_render")];
    movies = {
        {QStringLiteral("shapes_v3.swf"), shapesMovie(3, swftest::Compression::None)},
        {QStringLiteral("shapes_v8.swf"), shapesMovie(8, swftest::Compression::None)},
        {QStringLiteral("shapes_zlib.swf"), shapesMovie(8, swftest::Compression::Zlib)},
        {QStringLiteral("shapes_lzma.swf"), shapesMovie(13, swftest::Compression::Lzma)},
        {QStringLiteral("morph.swf"), morphMovie()},
        {QStringLiteral("video.swf"), videoMovie()},
        {QStringLiteral("bitmaps.swf"), bitmapsMovie()},
        {QStringLiteral("sounds.swf"), soundMovie(allSounds)},
        {QStringLiteral("buttons.swf"), buttonsMovie()},
        {QStringLiteral("scripts.swf"), scriptsMovie()},
        {QStringLiteral("sprites.swf"), spritesMovie()},
        {QStringLiteral("text.swf"), textMovie()},
    };
    const QByteArray mp3Stream = mp3StreamMovie(lamePath);
    if (!mp3Stream.isEmpty()) movies.push_back({QStringLiteral("mp3_stream.swf"), mp3Stream});
    sets[QStringLiteral("fuzz_records")] = recordSeeds(movies);
    for (const auto& [name, file] : streamFiles())
        sets[QStringLiteral("fuzz_records")].push_back({name, QByteArray("\x1f\x07", 2) + file});
    sets[QStringLiteral("fuzz_avm1")] = actionSeeds();
    sets[QStringLiteral("fuzz_sound")] = soundSeeds(allSounds);
    sets[QStringLiteral("fuzz_bitmaps")] = bitmapSeeds();
    sets[QStringLiteral("fuzz_settings")] = settingsSeeds();
    sets[QStringLiteral("fuzz_list_file")] = listSeeds();
    sets[QStringLiteral("fuzz_url")] =
        urlSeeds(shapesMovie(8, swftest::Compression::None), shapesMovie(8, swftest::Compression::Zlib));
    return sets;
}

} // namespace fuzzseeds
