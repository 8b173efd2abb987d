// Bitmap decoding.
#include "swf/format/bitmaps.h"

#include "swf/format/tag_codes.h"
#include "swf/io/inflate.h"

#include <QBuffer>
#include <QImageReader>

namespace swf::format {
namespace {

bool sizeAcceptable(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxBitmapDimension && height <= kMaxBitmapDimension &&
           qint64(width) * height <= kMaxBitmapPixels;
}

QImage decodeEncoded(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The size a reader announces can be one frame's while the image it makes is larger (a
    // GIF's logical screen): what it may allocate is bounded too, and the result checked.
    reader.setAllocationLimit(int(kMaxBitmapPixels * 4 / (1024 * 1024)) + 1);
    const QSize size = reader.size();
    if (size.isValid() && !sizeAcceptable(size.width(), size.height())) return {};
    QImage image = reader.read();
    if (!image.isNull() && !sizeAcceptable(image.width(), image.height())) return {};
    return image;
}

QImage decodeLossless(const BitmapData& bitmap, QString& problem) {
    const int w = bitmap.width, h = bitmap.height;
    if (!sizeAcceptable(w, h)) {
        problem = QStringLiteral("bitmap size %1x%2 refused").arg(w).arg(h);
        return {};
    }
    qsizetype expected = 0;
    qsizetype stride = 0;
    const int tableEntry = bitmap.withAlpha ? 4 : 3;
    switch (bitmap.losslessFormat) {
    case 3:
        stride = (w + 3) & ~3;
        expected = qsizetype(bitmap.colorTableSize) * tableEntry + stride * h;
        break;
    case 4:
        stride = (w * 2 + 3) & ~3;
        expected = stride * h;
        break;
    case 5:
        stride = qsizetype(w) * 4;
        expected = stride * h;
        break;
    default:
        problem = QStringLiteral("unknown lossless bitmap format %1").arg(bitmap.losslessFormat);
        return {};
    }
    QByteArray pixels;
    io::inflateZlib(bitmap.data, pixels, expected);
    if (pixels.size() < expected) {
        // Keep what arrived; the missing rows stay transparent.
        problem = QStringLiteral("lossless bitmap data is short");
        pixels.append(QByteArray(expected - pixels.size(), '\0'));
    }
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    const auto* p = reinterpret_cast<const quint8*>(pixels.constData());
    if (bitmap.losslessFormat == 3) {
        QList<QRgb> table(256, 0);
        for (int i = 0; i < bitmap.colorTableSize; ++i) {
            const quint8* e = p + qsizetype(i) * tableEntry;
            // The alpha variant stores premultiplied table entries, like its pixels.
            table[i] = bitmap.withAlpha
                           ? qRgba(std::min(e[0], e[3]), std::min(e[1], e[3]), std::min(e[2], e[3]), e[3])
                           : qRgb(e[0], e[1], e[2]);
        }
        const quint8* indices = p + qsizetype(bitmap.colorTableSize) * tableEntry;
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] = table[indices[qsizetype(y) * stride + x]];
        }
    } else if (bitmap.losslessFormat == 4) {
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const quint8* e = p + qsizetype(y) * stride + qsizetype(x) * 2;
                const int v = (e[0] << 8) | e[1];
                const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                line[x] = qRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
            }
        }
    } else {
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const quint8* e = p + qsizetype(y) * stride + qsizetype(x) * 4;
                if (bitmap.withAlpha) {
                    const quint8 a = e[0];
                    // Premultiplied already; clamp so a broken file cannot exceed alpha.
                    line[x] = qRgba(std::min(e[1], a), std::min(e[2], a), std::min(e[3], a), a);
                } else {
                    line[x] = qRgb(e[1], e[2], e[3]);
                }
            }
        }
    }
    return image;
}

} // namespace

QByteArray repairJpeg(const QByteArray& data) {
    QByteArray result = data;
    static const QByteArray kEndStart = QByteArray::fromHex("FFD9FFD8");
    // Some encoders wrote an end-of-image and start-of-image pair before the real data.
    while (result.startsWith(kEndStart))
        result.remove(0, 4);
    // Tables and image written as two JPEG streams: join them into one.
    const qsizetype split = result.indexOf(kEndStart, 2);
    if (split > 0) result.remove(split, 4);
    return result;
}

bool readBitmap(io::Reader& reader, int tagCode, const QByteArray& jpegTables, BitmapData& out,
                QString& problem) {
    switch (static_cast<TagCode>(tagCode)) {
    case TagCode::DefineBits:
        out.kind = BitmapData::Kind::Jpeg;
        out.jpegTables = jpegTables;
        out.data = reader.rest().toByteArray();
        break;
    case TagCode::DefineBitsJpeg2:
        out.kind = BitmapData::Kind::Jpeg;
        out.data = reader.rest().toByteArray();
        break;
    case TagCode::DefineBitsJpeg3:
    case TagCode::DefineBitsJpeg4: {
        out.kind = BitmapData::Kind::Jpeg;
        const quint32 imageSize = reader.u32();
        if (tagCode == int(TagCode::DefineBitsJpeg4)) reader.u16(); // deblocking strength
        out.data = reader.bytes(std::min<qsizetype>(imageSize, reader.remaining()));
        out.alpha = reader.rest().toByteArray();
        break;
    }
    case TagCode::DefineBitsLossless:
    case TagCode::DefineBitsLossless2:
        out.kind = BitmapData::Kind::Lossless;
        out.withAlpha = tagCode == int(TagCode::DefineBitsLossless2);
        out.losslessFormat = reader.u8();
        out.width = reader.u16();
        out.height = reader.u16();
        if (out.losslessFormat == 3) out.colorTableSize = reader.u8() + 1;
        out.data = reader.rest().toByteArray();
        break;
    default:
        return false;
    }
    if (reader.failed()) {
        problem = QStringLiteral("bitmap header runs past the tag");
        return false;
    }
    return true;
}

QImage decodeBitmap(const BitmapData& bitmap, QString& problem) {
    if (bitmap.kind == BitmapData::Kind::Lossless) return decodeLossless(bitmap, problem);
    QByteArray data = bitmap.data;
    if (!bitmap.jpegTables.isEmpty()) data = bitmap.jpegTables + data;
    const QByteArray repaired = repairJpeg(data);
    QImage image = decodeEncoded(repaired);
    if (image.isNull()) image = decodeEncoded(bitmap.data);
    if (image.isNull()) {
        problem = QStringLiteral("bitmap data could not be decoded");
        return {};
    }
    // In place: a converted copy beside the decoded one would briefly double a large bitmap.
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // Only JPEG colour takes the separate alpha plane; PNG and GIF carry their own.
    if (bitmap.alpha.isEmpty() || !repaired.startsWith("\xff\xd8")) return image;
    const qsizetype count = qsizetype(image.width()) * image.height();
    QByteArray alpha;
    io::inflateZlib(bitmap.alpha, alpha, count);
    if (alpha.size() < count) {
        problem = QStringLiteral("alpha plane is short; bitmap drawn opaque where it is missing");
        alpha.append(QByteArray(count - alpha.size(), char(0xff)));
    }
    const auto* a = reinterpret_cast<const quint8*>(alpha.constData());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alphaValue = a[qsizetype(y) * image.width() + x];
            const QRgb c = line[x];
            line[x] = qRgba(qRed(c) * alphaValue / 255, qGreen(c) * alphaValue / 255,
                            qBlue(c) * alphaValue / 255, alphaValue);
        }
    }
    return image;
}

} // namespace swf::format
