// Bitmap definitions: DefineBits (with JPEGTables), DefineBitsJPEG2/3/4 (JPEG, PNG or GIF
// data, an optional zlib alpha plane) and DefineBitsLossless 1/2. Decoded on demand, to
// premultiplied ARGB.
#pragma once

#include "swf/io/reader.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace swf::format {

// Flash itself refused larger bitmaps; these bound what one tag can make us allocate.
constexpr int kMaxBitmapDimension = 8191;
constexpr qint64 kMaxBitmapPixels = 16'777'215;

struct BitmapData {
    enum class Kind { Jpeg, Lossless } kind = Kind::Jpeg;
    QByteArray data;       // encoded image (JPEG/PNG/GIF) or zlib pixel data
    QByteArray alpha;      // zlib alpha plane for JPEG3/4, empty when none
    QByteArray jpegTables; // DefineBits only
    // Lossless header.
    int losslessFormat = 0;
    int width = 0, height = 0;
    int colorTableSize = 0;
    bool withAlpha = false;
};

// Reads a bitmap tag body after the id; tables are the movie's JPEGTables for DefineBits.
bool readBitmap(io::Reader& reader, int tagCode, const QByteArray& jpegTables, BitmapData& out,
                QString& problem);
// A null image when the data cannot be decoded; problem says why.
QImage decodeBitmap(const BitmapData& bitmap, QString& problem);
// The two corrections old encoders need before a JPEG decoder accepts their data.
QByteArray repairJpeg(const QByteArray& data);

} // namespace swf::format
