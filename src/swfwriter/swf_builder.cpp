// Movie bytes from code: header, compression and the common tags.
#include "swf_builder.h"

#include <QStringEncoder>

#include <QBuffer>
#include <QImageWriter>

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace swftest {
namespace {

QByteArray zlibCompress(const QByteArray& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
              static_cast<uLong>(data.size()), 9);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

// LZMA data in the movie layout: 5 property bytes, then the raw stream (with end marker).
QByteArray lzmaCompress(const QByteArray& data) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) return {};
    QByteArray out(data.size() + data.size() / 2 + 1024, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<const uint8_t*>(data.constData());
    stream.avail_in = static_cast<size_t>(data.size());
    stream.next_out = reinterpret_cast<uint8_t*>(out.data());
    stream.avail_out = static_cast<size_t>(out.size());
    while (lzma_code(&stream, LZMA_FINISH) == LZMA_OK) {
    }
    const qsizetype written = out.size() - static_cast<qsizetype>(stream.avail_out);
    lzma_end(&stream);
    out.resize(written);
    // The .lzma container adds an 8-byte size after the properties; the movie layout has none.
    return out.left(5) + out.mid(13);
}

QByteArray encodeImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.write(image);
    return bytes;
}

} // namespace

QByteArray tagHeader(int code, qsizetype length, bool forceLong) {
    Writer w;
    if (length < 0x3f && !forceLong) {
        w.u16((code << 6) | static_cast<int>(length));
    } else {
        w.u16((code << 6) | 0x3f);
        w.u32(static_cast<quint32>(length));
    }
    return w.data();
}

QByteArray dropShadowFilters(const QColor& color, double blur, double angle, double distance, double strength,
                             int passes) {
    Writer w;
    w.u8(1);
    w.u8(0); // drop shadow
    w.rgba(color);
    w.u32(static_cast<quint32>(qRound(blur * 65536)));
    w.u32(static_cast<quint32>(qRound(blur * 65536)));
    w.u32(static_cast<quint32>(static_cast<qint32>(qRound(angle * 65536))));
    w.u32(static_cast<quint32>(qRound(distance * 65536)));
    w.fixed8(strength);
    w.u8(0x20 | (passes & 0x1f)); // composite source
    return w.data();
}

QByteArray blurFilters(double blurX, double blurY, int passes) {
    Writer w;
    w.u8(1);
    w.u8(1); // blur
    w.u32(static_cast<quint32>(qRound(blurX * 65536)));
    w.u32(static_cast<quint32>(qRound(blurY * 65536)));
    w.u8((passes & 0x1f) << 3);
    return w.data();
}

QByteArray glowFilters(const QColor& color, double blur, double strength, int passes) {
    Writer w;
    w.u8(1);
    w.u8(2); // glow
    w.rgba(color);
    w.u32(static_cast<quint32>(qRound(blur * 65536)));
    w.u32(static_cast<quint32>(qRound(blur * 65536)));
    w.fixed8(strength);
    w.u8(0x20 | (passes & 0x1f)); // composite source
    return w.data();
}

QByteArray joinedFilters(const std::vector<QByteArray>& lists) {
    QByteArray records;
    int count = 0;
    for (const QByteArray& list : lists) {
        if (list.isEmpty()) continue;
        count += static_cast<unsigned char>(list[0]);
        records += list.mid(1);
    }
    return QByteArray(1, char(count)) + records;
}

SwfBuilder::SwfBuilder(int version, QSize stagePixels, double frameRate)
    : m_version(version), m_stage(stagePixels), m_frameRate(frameRate) {}

void SwfBuilder::rawTag(int code, const QByteArray& body, bool forceLongHeader) {
    m_tags.append(tagHeader(code, body.size(), forceLongHeader));
    m_tags.append(body);
}

void SwfBuilder::setBackground(const QColor& color) {
    Writer w;
    w.rgb(color);
    rawTag(9, w.data());
}

void SwfBuilder::showFrame(int count) {
    for (int i = 0; i < count; ++i)
        rawTag(1, {});
    m_frames += count;
}

void SwfBuilder::frameLabel(const QString& label) {
    Writer w;
    w.cString(m_version >= 6 ? label.toUtf8() : label.toLatin1());
    rawTag(43, w.data());
}

static QTransform toTwips(const QTransform& m) {
    return QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx() * kTwips, m.dy() * kTwips);
}

static void writePlaceBody(Writer& w, const Place& p, int version, bool three) {
    int flags = 0;
    if (p.clipDepth) flags |= 0x40;
    if (p.name) flags |= 0x20;
    if (p.ratio) flags |= 0x10;
    if (p.colorTransform) flags |= 0x08;
    if (p.matrix) flags |= 0x04;
    if (p.characterId) flags |= 0x02;
    if (p.move) flags |= 0x01;
    w.u8(flags);
    if (three)
        w.u8((p.blendMode ? 0x02 : 0) | (p.filterList ? 0x01 : 0) | (p.visible ? 0x20 : 0) |
             (p.opaqueBackground ? 0x40 : 0));
    w.u16(p.depth);
    if (p.characterId) w.u16(*p.characterId);
    if (p.matrix) w.matrix(toTwips(*p.matrix));
    if (p.colorTransform) w.colorTransform(*p.colorTransform, true);
    if (p.ratio) w.u16(*p.ratio);
    if (p.name) w.cString(version >= 6 ? p.name->toUtf8() : p.name->toLatin1());
    if (p.clipDepth) w.u16(*p.clipDepth);
    if (three && p.filterList) w.bytes(*p.filterList);
    if (three && p.blendMode) w.u8(*p.blendMode);
    if (three && p.visible) w.u8(*p.visible ? 1 : 0);
    if (three && p.opaqueBackground) {
        w.u8(p.opaqueBackground->red());
        w.u8(p.opaqueBackground->green());
        w.u8(p.opaqueBackground->blue());
        w.u8(p.opaqueBackground->alpha());
    }
}

void SwfBuilder::place(const Place& p) {
    Writer w;
    writePlaceBody(w, p, m_version, false);
    rawTag(26, w.data());
}

void SwfBuilder::placeObject3(const Place& p) {
    Writer w;
    writePlaceBody(w, p, m_version, true);
    rawTag(70, w.data());
}

void SwfBuilder::place(int depth, int characterId, const QTransform& matrix) {
    Place p;
    p.depth = depth;
    p.characterId = characterId;
    p.matrix = matrix;
    place(p);
}

void SwfBuilder::placeObject1(int depth, int characterId, const QTransform& matrix,
                              std::optional<ColorTransformValues> cx) {
    Writer w;
    w.u16(characterId);
    w.u16(depth);
    w.matrix(toTwips(matrix));
    if (cx) w.colorTransform(*cx, false);
    rawTag(4, w.data());
}

void SwfBuilder::move(int depth, const QTransform& matrix) {
    Place p;
    p.depth = depth;
    p.move = true;
    p.matrix = matrix;
    place(p);
}

void SwfBuilder::remove(int depth) {
    Writer w;
    w.u16(depth);
    rawTag(28, w.data());
}

void SwfBuilder::removeObject1(int depth, int characterId) {
    Writer w;
    w.u16(characterId);
    w.u16(depth);
    rawTag(5, w.data());
}

void SwfBuilder::doAction(const QByteArray& actionBytes) {
    QByteArray body = actionBytes;
    if (!body.endsWith('\0')) body.append('\0');
    rawTag(12, body);
}

void SwfBuilder::end() {
    if (m_ended) return;
    rawTag(0, {});
    m_ended = true;
}

int SwfBuilder::defineShape(const ShapeBuilder& shape, int shapeVersion) {
    static constexpr int kCodes[] = {2, 2, 22, 32, 83};
    const int id = reserveId();
    Writer w;
    w.u16(id);
    const QRectF bounds = shape.bounds();
    const QRectF twipsBounds(bounds.topLeft() * kTwips, bounds.size() * kTwips);
    w.rect(twipsBounds);
    if (shapeVersion >= 4) {
        w.rect(twipsBounds);
        w.u8(0); // no winding rule, no scaling-stroke hints
    }
    w.bytes(shape.encode(shapeVersion));
    rawTag(kCodes[std::clamp(shapeVersion, 1, 4)], w.data());
    return id;
}

int SwfBuilder::defineRect(const QRectF& rect, const QColor& color, int shapeVersion) {
    ShapeBuilder shape;
    shape.rectangle(rect, shape.addSolidFill(color));
    return defineShape(shape, shapeVersion);
}

int SwfBuilder::defineSprite(const SwfBuilder& timeline) {
    const int id = reserveId();
    Writer w;
    w.u16(id);
    w.u16(timeline.m_headerFrameCount.value_or(timeline.m_frames));
    w.bytes(timeline.m_tags);
    if (!timeline.m_ended) w.bytes(tagHeader(0, 0));
    rawTag(39, w.data());
    return id;
}

int SwfBuilder::defineMorphShape(const ShapeBuilder& start, const ShapeBuilder& end,
                                 const std::vector<QColor>& startFills, const std::vector<QColor>& endFills,
                                 const std::vector<MorphLine>& lines, int morphVersion) {
    const int id = reserveId();
    auto twipsRect = [](const QRectF& r) { return QRectF(r.topLeft() * kTwips, r.size() * kTwips); };
    Writer w;
    w.u16(id);
    w.rect(twipsRect(start.bounds()));
    w.rect(twipsRect(end.bounds()));
    if (morphVersion >= 2) {
        w.rect(twipsRect(start.bounds()));
        w.rect(twipsRect(end.bounds()));
        w.u8(0);
    }
    Writer styles;
    styles.u8(static_cast<int>(startFills.size()));
    for (size_t i = 0; i < startFills.size(); ++i) {
        styles.u8(0);
        styles.rgba(startFills[i]);
        styles.rgba(i < endFills.size() ? endFills[i] : startFills[i]);
    }
    styles.u8(static_cast<int>(lines.size()));
    for (const MorphLine& line : lines) {
        styles.u16(qRound(line.startWidth * kTwips));
        styles.u16(qRound(line.endWidth * kTwips));
        if (morphVersion >= 2) {
            styles.u8(0); // round caps and joins, no fill
            styles.u8(0);
        }
        styles.rgba(line.startColor);
        styles.rgba(line.endColor);
    }
    const QByteArray startEdges = start.encodeEdges(3);
    const QByteArray stylesBytes = styles.data();
    w.u32(static_cast<quint32>(stylesBytes.size() + startEdges.size()));
    w.bytes(stylesBytes);
    w.bytes(startEdges);
    w.bytes(end.encodeEdges(3));
    rawTag(morphVersion >= 2 ? 84 : 46, w.data());
    return id;
}

int SwfBuilder::defineBitsLossless(const QImage& source, bool withAlpha, LosslessFormat format) {
    const int id = reserveId();
    const QImage image =
        source.convertToFormat(withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Writer w;
    w.u16(id);
    w.u8(static_cast<int>(format));
    w.u16(image.width());
    w.u16(image.height());
    QByteArray pixels;
    if (format == LosslessFormat::ColorMapped8) {
        QList<QRgb> table;
        QByteArray indices;
        const int stride = (image.width() + 3) & ~3;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < stride; ++x) {
                if (x >= image.width()) {
                    indices.append('\0');
                    continue;
                }
                const QRgb pixel = image.pixel(x, y);
                qsizetype index = table.indexOf(pixel);
                if (index < 0 && table.size() < 256) {
                    table.append(pixel);
                    index = table.size() - 1;
                }
                indices.append(static_cast<char>(std::max<qsizetype>(index, 0)));
            }
        }
        w.u8(static_cast<int>(std::max<qsizetype>(table.size(), 1) - 1));
        Writer data;
        for (QRgb c : table) {
            // Colour tables of the alpha variant are premultiplied, like its pixels.
            const QRgb p = withAlpha ? qPremultiply(c) : c;
            data.u8(qRed(p));
            data.u8(qGreen(p));
            data.u8(qBlue(p));
            if (withAlpha) data.u8(qAlpha(p));
        }
        if (table.isEmpty()) {
            data.u8(0), data.u8(0), data.u8(0);
            if (withAlpha) data.u8(0);
        }
        pixels = data.data() + indices;
    } else if (format == LosslessFormat::Rgb15) {
        Writer data;
        const int stride = (image.width() * 2 + 3) & ~3;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                const int v = ((qRed(p) >> 3) << 10) | ((qGreen(p) >> 3) << 5) | (qBlue(p) >> 3);
                data.u8(v >> 8);
                data.u8(v & 0xff);
            }
            for (int pad = image.width() * 2; pad < stride; ++pad)
                data.u8(0);
        }
        pixels = data.data();
    } else {
        pixels.reserve(qsizetype(image.width()) * image.height() * 4);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = line[x]; // premultiplied when withAlpha
                pixels.append(static_cast<char>(withAlpha ? qAlpha(p) : 0xff));
                pixels.append(static_cast<char>(qRed(p)));
                pixels.append(static_cast<char>(qGreen(p)));
                pixels.append(static_cast<char>(qBlue(p)));
            }
        }
    }
    w.bytes(zlibCompress(pixels));
    rawTag(withAlpha ? 36 : 20, w.data());
    return id;
}

int SwfBuilder::defineBitsJpeg2(const QImage& image, bool erroneousHeader, const char* format) {
    const int id = reserveId();
    Writer w;
    w.u16(id);
    if (erroneousHeader) w.bytes(QByteArray::fromHex("FFD9FFD8"));
    w.bytes(encodeImage(image.convertToFormat(QImage::Format_RGB32), format));
    rawTag(21, w.data());
    return id;
}

int SwfBuilder::defineBitsJpeg3(const QImage& image) {
    const int id = reserveId();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QByteArray jpeg = encodeImage(argb.convertToFormat(QImage::Format_RGB32), "JPEG");
    QByteArray alpha;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            alpha.append(static_cast<char>(qAlpha(argb.pixel(x, y))));
    Writer w;
    w.u16(id);
    w.u32(static_cast<quint32>(jpeg.size()));
    w.bytes(jpeg);
    w.bytes(zlibCompress(alpha));
    rawTag(35, w.data(), true);
    return id;
}

void SwfBuilder::jpegTables(const QByteArray& tables) {
    rawTag(8, tables, true);
}

int SwfBuilder::defineBits(const QByteArray& jpegWithoutTables) {
    const int id = reserveId();
    Writer w;
    w.u16(id);
    w.bytes(jpegWithoutTables);
    rawTag(6, w.data(), true);
    return id;
}

int SwfBuilder::defineFont(const std::vector<ShapeBuilder>& glyphs) {
    const int id = reserveId();
    std::vector<QByteArray> shapes;
    for (const ShapeBuilder& glyph : glyphs)
        shapes.push_back(glyph.encode(1, false));
    Writer w;
    w.u16(id);
    int offset = static_cast<int>(glyphs.size()) * 2;
    for (const QByteArray& shape : shapes) {
        w.u16(offset);
        offset += static_cast<int>(shape.size());
    }
    for (const QByteArray& shape : shapes)
        w.bytes(shape);
    rawTag(10, w.data());
    return id;
}

int SwfBuilder::defineText(int fontId, const std::vector<int>& glyphs, double height, QPointF origin,
                           const QColor& color, double advance, int textVersion) {
    const int id = reserveId();
    const double right = origin.x() + advance * glyphs.size();
    Writer w;
    w.u16(id);
    w.rect(QRectF(QPointF(origin.x(), origin.y() - height) * kTwips, QPointF(right, origin.y()) * kTwips));
    w.matrix(QTransform());
    int glyphBits = 1, advanceBits = signedBits(qRound(advance * kTwips));
    for (int g : glyphs)
        glyphBits = std::max(glyphBits, unsignedBits(static_cast<quint64>(g)));
    w.u8(glyphBits);
    w.u8(advanceBits);
    w.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01); // font, colour, y and x offsets
    w.u16(fontId);
    textVersion >= 2 ? w.rgba(color) : w.rgb(color);
    w.s16(qRound(origin.x() * kTwips));
    w.s16(qRound(origin.y() * kTwips));
    w.u16(qRound(height * kTwips));
    w.u8(static_cast<int>(glyphs.size()));
    for (int g : glyphs) {
        w.ubits(static_cast<quint32>(g), glyphBits);
        w.sbits(qRound(advance * kTwips), advanceBits);
    }
    w.flushBits();
    w.u8(0);
    rawTag(textVersion >= 2 ? 33 : 11, w.data());
    return id;
}

int SwfBuilder::defineFont2(const std::vector<ShapeBuilder>& glyphs, const std::vector<int>& codes,
                            const QString& name, int fontVersion, std::optional<FontLayout> layout) {
    const int id = reserveId();
    std::vector<QByteArray> shapes;
    for (const ShapeBuilder& glyph : glyphs)
        shapes.push_back(glyph.encode(1, false));
    Writer w;
    w.u16(id);
    w.u8((layout ? 0x80 : 0) | 0x04); // wide codes
    w.u8(0);
    const QByteArray nameBytes = movieText(name);
    w.u8(static_cast<int>(nameBytes.size()));
    w.bytes(nameBytes);
    w.u16(static_cast<int>(glyphs.size()));
    int offset = static_cast<int>(glyphs.size()) * 2 + 2;
    for (const QByteArray& shape : shapes) {
        w.u16(offset);
        offset += static_cast<int>(shape.size());
    }
    w.u16(offset); // code table
    for (const QByteArray& shape : shapes)
        w.bytes(shape);
    for (size_t i = 0; i < glyphs.size(); ++i)
        w.u16(i < codes.size() ? codes[i] : 0);
    if (layout) {
        w.u16(layout->ascent);
        w.u16(layout->descent);
        w.s16(0);
        for (size_t i = 0; i < glyphs.size(); ++i)
            w.s16(i < layout->advances.size() ? layout->advances[i] : 0);
        for (size_t i = 0; i < glyphs.size(); ++i)
            w.rect(QRectF());
        w.u16(0); // no kerning
    }
    rawTag(fontVersion >= 3 ? 75 : 48, w.data());
    return id;
}

QByteArray SwfBuilder::movieText(const QString& text) const {
    if (m_version >= 6) return text.toUtf8();
    // Movies before version 6 carry the author's code page; ours is the Chinese one.
    QStringEncoder gbk("GB18030");
    return gbk.encode(text);
}

int SwfBuilder::defineEditText(const EditText& field) {
    const int id = reserveId();
    Writer w;
    w.u16(id);
    w.rect(QRectF(field.bounds.topLeft() * kTwips, field.bounds.size() * kTwips));
    const bool hasFont = field.fontId.has_value();
    w.u8((field.text.isNull() ? 0 : 0x80) | (field.wordWrap ? 0x40 : 0) | (field.multiline ? 0x20 : 0) |
         0x04 | (hasFont ? 0x01 : 0));
    w.u8((field.fontClass.isEmpty() ? 0 : 0x80) | 0x20 | (field.border ? 0x08 : 0) | (field.html ? 0x02 : 0) |
         (field.useOutlines ? 0x01 : 0));
    if (hasFont) w.u16(*field.fontId);
    if (!field.fontClass.isEmpty()) w.cString(movieText(field.fontClass));
    if (hasFont || !field.fontClass.isEmpty()) w.u16(qRound(field.fontHeight * kTwips));
    w.rgba(field.color);
    w.u8(field.align);
    w.u16(0);
    w.u16(0);
    w.u16(0);
    w.s16(0);
    w.cString(movieText(field.variable));
    if (!field.text.isNull()) w.cString(movieText(field.text));
    rawTag(37, w.data());
    return id;
}

QByteArray SwfBuilder::uncompressedBody() const {
    Writer w;
    w.rect(QRectF(0, 0, m_stage.width() * kTwips, m_stage.height() * kTwips));
    w.u16(qRound(m_frameRate * 256));
    w.u16(m_headerFrameCount.value_or(m_frames));
    QByteArray body = w.data() + m_tags;
    if (!m_ended) body += tagHeader(0, 0);
    return body;
}

QByteArray SwfBuilder::finish(Compression compression) const {
    const QByteArray body = uncompressedBody();
    Writer w;
    const char* signature = compression == Compression::Zlib   ? "CWS"
                            : compression == Compression::Lzma ? "ZWS"
                                                               : "FWS";
    w.bytes(signature);
    w.u8(m_version);
    w.u32(static_cast<quint32>(body.size() + 8));
    if (compression == Compression::None) return w.data() + body;
    if (compression == Compression::Zlib) return w.data() + zlibCompress(body);
    const QByteArray lzma = lzmaCompress(body);
    w.u32(static_cast<quint32>(lzma.size() - 5));
    return w.data() + lzma;
}

QByteArray SwfBuilder::withDeclaredLength(const QByteArray& movie, quint32 length) {
    QByteArray result = movie;
    if (result.size() < 8) return result;
    for (int i = 0; i < 4; ++i)
        result[4 + i] = static_cast<char>((length >> (8 * i)) & 0xff);
    return result;
}

QByteArray SwfBuilder::withBrokenZlib(const QByteArray& plainMovie, qsizetype keep) {
    const QByteArray body = plainMovie.mid(8, keep);
    z_stream stream{};
    deflateInit(&stream, 9);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(body.size()))) + 64,
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FULL_FLUSH); // ends byte-aligned, so the next byte starts a block
    out.resize(out.size() - static_cast<qsizetype>(stream.avail_out));
    deflateEnd(&stream);
    out.append('\x07'); // final block of the reserved type 3: always an error
    out.append(QByteArray(32, '\0'));
    QByteArray result = plainMovie.left(8);
    result[0] = 'C';
    return result + out;
}

QByteArray SwfBuilder::asProjector(const QByteArray& movie) {
    QByteArray program("MZ\x90\0", 4);
    program.append(QByteArray(4096, '\x5a'));
    Writer trailer;
    trailer.u32(0xFA123456u);
    trailer.u32(static_cast<quint32>(movie.size()));
    return program + movie + trailer.data();
}

int SwfBuilder::defineVideoStream(int frameCount, QSize size, int codec, bool smoothing, int deblocking) {
    const int id = m_nextId++;
    Writer w;
    w.u16(id);
    w.u16(frameCount);
    w.u16(size.width());
    w.u16(size.height());
    w.u8(((deblocking & 7) << 1) | (smoothing ? 1 : 0));
    w.u8(codec);
    rawTag(60, w.data());
    return id;
}

void SwfBuilder::videoFrame(int streamId, int frameNumber, const QByteArray& packet) {
    Writer w;
    w.u16(streamId);
    w.u16(frameNumber);
    w.bytes(packet);
    rawTag(61, w.data(), true);
}

} // namespace swftest
