// SwfBuilder: writes movie files in code, so tests, benchmarks, fuzz seeds and the demo need
// no binary fixtures. A builder is a timeline: the root's, or a sprite's when passed to
// defineSprite(). Coordinates are pixels unless a name says twips.
#pragma once

#include "bit_writer.h"
#include "shape_builder.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTransform>

#include <optional>
#include <vector>

namespace swftest {

enum class Compression { None, Zlib, Lzma };

struct Place {
    int depth = 1;
    std::optional<int> characterId;
    bool move = false;
    std::optional<QTransform> matrix; // pixels; translation stored as twips
    std::optional<ColorTransformValues> colorTransform;
    std::optional<int> ratio;
    std::optional<QString> name;
    std::optional<int> clipDepth;
    std::optional<int> blendMode;
    std::optional<QByteArray> filterList;   // PlaceObject3 only: a whole FILTERLIST record
    std::optional<bool> visible;            // PlaceObject3 only
    std::optional<QColor> opaqueBackground; // PlaceObject3 only
};

// FILTERLIST records for Place::filterList (sizes in pixels, angle in radians).
QByteArray dropShadowFilters(const QColor& color, double blur, double angle, double distance,
                             double strength = 1, int passes = 1);
QByteArray blurFilters(double blurX, double blurY, int passes = 1);
QByteArray glowFilters(const QColor& color, double blur, double strength = 1, int passes = 1);
// One list of the filters of several lists, in order.
QByteArray joinedFilters(const std::vector<QByteArray>& lists);

struct MorphLine {
    double startWidth = 1, endWidth = 1;
    QColor startColor = Qt::black, endColor = Qt::black;
};

enum class LosslessFormat { ColorMapped8 = 3, Rgb15 = 4, Rgb32 = 5 };

class SwfBuilder {
  public:
    explicit SwfBuilder(int version = 10, QSize stagePixels = QSize(550, 400), double frameRate = 24);

    // Character ids are handed out in order; a sprite's builder shares none (sprites hold
    // no definitions), so define everything on the root builder.
    int nextId() const { return m_nextId; }
    int reserveId() { return m_nextId++; }

    // Header.
    void setHeaderFrameCount(int count) { m_headerFrameCount = count; } // default: frames written
    void setFrameRate(double fps) { m_frameRate = fps; }

    // Control tags.
    void setBackground(const QColor& color);
    void showFrame(int count = 1);
    void frameLabel(const QString& label);
    void place(const Place& place);                                        // PlaceObject2
    void place(int depth, int characterId, const QTransform& matrix = {}); // PlaceObject2
    void placeObject1(int depth, int characterId, const QTransform& matrix,
                      std::optional<ColorTransformValues> cx = std::nullopt);
    void placeObject3(const Place& place);
    void move(int depth, const QTransform& matrix);
    void remove(int depth); // RemoveObject2
    void removeObject1(int depth, int characterId);
    void doAction(const QByteArray& actionBytes);
    void end(); // written by finish() and defineSprite() when missing

    // Definitions; each returns the new character id.
    int defineShape(const ShapeBuilder& shape, int shapeVersion = 3);
    int defineRect(const QRectF& rect, const QColor& color, int shapeVersion = 3);
    int defineSprite(const SwfBuilder& timeline);
    int defineMorphShape(const ShapeBuilder& start, const ShapeBuilder& end,
                         const std::vector<QColor>& startFills, const std::vector<QColor>& endFills,
                         const std::vector<MorphLine>& lines = {}, int morphVersion = 1);
    int defineBitsLossless(const QImage& image, bool withAlpha,
                           LosslessFormat format = LosslessFormat::Rgb32);
    int defineBitsJpeg2(const QImage& image, bool erroneousHeader = false, const char* format = "JPEG");
    int defineBitsJpeg3(const QImage& image); // JPEG colour plus a zlib alpha plane
    void jpegTables(const QByteArray& tables);
    int defineBits(const QByteArray& jpegWithoutTables);
    // A DefineFont with one glyph per shape (each drawn in a 1024-unit em square) and a
    // DefineText that shows glyphs (indices) at height pixels from origin.
    int defineFont(const std::vector<ShapeBuilder>& glyphs);
    int defineText(int fontId, const std::vector<int>& glyphs, double height, QPointF origin,
                   const QColor& color, double advance, int textVersion = 1);

    // DefineFont2 (fontVersion 2) or DefineFont3 (3) with a code per glyph and, when
    // advances are given, a layout (ascent, descent and advances in em units).
    struct FontLayout {
        int ascent = 0, descent = 0;
        std::vector<int> advances;
    };
    int defineFont2(const std::vector<ShapeBuilder>& glyphs, const std::vector<int>& codes,
                    const QString& name, int fontVersion = 2,
                    std::optional<FontLayout> layout = std::nullopt);
    struct EditText {
        QRectF bounds; // pixels
        QString text;
        std::optional<int> fontId;
        double fontHeight = 12; // pixels
        QColor color = Qt::black;
        bool wordWrap = false, multiline = false, border = false, html = false, useOutlines = false;
        int align = 0; // 0 left, 1 right, 2 centre, 3 justify
        QString fontClass;
        QString variable; // the variable the field shows, empty for none
    };
    int defineEditText(const EditText& field);

    // DefineVideoStream; codec as stored (2 Sorenson H.263, 3 screen video, 4 VP6, 5 VP6 with
    // alpha, 6 screen video 2), size in pixels, deblocking 0..7.
    int defineVideoStream(int frameCount, QSize size, int codec, bool smoothing = false, int deblocking = 0);
    // VideoFrame: one coded picture of a stream, as the codec wrote it.
    void videoFrame(int streamId, int frameNumber, const QByteArray& packet);

    // Anything else, as written.
    void rawTag(int code, const QByteArray& body, bool forceLongHeader = false);
    int framesWritten() const { return m_frames; }
    const QByteArray& tagBytes() const { return m_tags; }

    // The whole movie file.
    QByteArray finish(Compression compression = Compression::None) const;

    // Damage helpers.
    static QByteArray truncated(const QByteArray& movie, qsizetype keep) { return movie.left(keep); }
    // Rewrites the file-length field of the signature.
    static QByteArray withDeclaredLength(const QByteArray& movie, quint32 length);
    // Turns a plain movie into a zlib one whose stream breaks (an invalid block) after keep
    // bytes of the body.
    static QByteArray withBrokenZlib(const QByteArray& plainMovie, qsizetype keep);
    // A projector: a stand-in program, the movie, the marker and the movie's length.
    static QByteArray asProjector(const QByteArray& movie);

    // A string as a movie of this version stores it: UTF-8 from version 6, GBK before.
    QByteArray movieText(const QString& text) const;

  private:
    QByteArray uncompressedBody() const;

    int m_version;
    QSize m_stage;
    double m_frameRate;
    int m_nextId = 1;
    int m_frames = 0;
    std::optional<int> m_headerFrameCount;
    QByteArray m_tags;
    bool m_ended = false;
};

// Byte helpers for tests that write records by hand.
QByteArray tagHeader(int code, qsizetype length, bool forceLong = false);

} // namespace swftest

using swftest::SwfBuilder;
