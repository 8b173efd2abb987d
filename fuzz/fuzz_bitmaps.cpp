// libFuzzer target: bitmap tag bodies through the engine's reader and decoder, as a movie's
// definitions reach them. Byte 0 picks the tag (below); the rest is the tag body after the
// character id. For DefineBits two more bytes give the length of the movie's JPEGTables,
// which come next, then the body.
#include "swf/format/bitmaps.h"
#include "swf/format/tag_codes.h"
#include "swf/io/reader.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {

using swf::format::TagCode;

int g_argc = 1;
char g_name[] = "fuzz_bitmaps";
char* g_argv[] = {g_name, nullptr};

constexpr TagCode kTags[] = {TagCode::DefineBits,          TagCode::DefineBitsJpeg2,
                             TagCode::DefineBitsJpeg3,     TagCode::DefineBitsLossless,
                             TagCode::DefineBitsLossless2, TagCode::DefineBitsJpeg4};
constexpr qint64 kMaxPixelsChecked = 4'000'000;

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The JPEG and GIF decoders are plugins, found as the player finds them.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(g_argc, g_argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const TagCode tag = kTags[data[0] % std::size(kTags)];
    swf::io::Reader input(QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    QByteArray tables;
    if (tag == TagCode::DefineBits) {
        const quint16 length = input.u16();
        tables = input.bytes(std::min<qsizetype>(length, input.remaining()));
    }
    swf::io::Reader body(input.peekRest());
    swf::format::BitmapData bitmap;
    QString problem;
    if (!swf::format::readBitmap(body, int(tag), tables, bitmap, problem)) return 0;
    const QImage image = swf::format::decodeBitmap(bitmap, problem);
    if (image.isNull()) return 0;

    // What the renderer is handed: within the size limits, premultiplied, and never a colour
    // brighter than its alpha (that would wrap around when blended).
    check(image.width() <= swf::format::kMaxBitmapDimension &&
          image.height() <= swf::format::kMaxBitmapDimension);
    check(qint64(image.width()) * image.height() <= swf::format::kMaxBitmapPixels);
    check(image.format() == QImage::Format_ARGB32_Premultiplied);
    if (bitmap.kind == swf::format::BitmapData::Kind::Lossless)
        check(image.width() == bitmap.width && image.height() == bitmap.height);
    if (qint64(image.width()) * image.height() > kMaxPixelsChecked) return 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            check(qRed(c) <= qAlpha(c) && qGreen(c) <= qAlpha(c) && qBlue(c) <= qAlpha(c));
        }
    }
    return 0;
}
