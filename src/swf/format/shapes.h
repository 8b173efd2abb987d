// Shape definitions (DefineShape 1-4) and the shape records fonts and morphs share: fill
// and line styles, and edges resolved to absolute twips with style indices into one list.
#pragma once

#include "swf/format/records.h"
#include "swf/io/reader.h"

#include <QColor>
#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

namespace swf::format {

// More edges than any real shape holds; guards against a record stream that never ends.
constexpr int kMaxShapeRecords = 2'000'000;

struct GradientRecord {
    quint8 ratio = 0;
    QColor color;
};

enum class SpreadMode { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode { Rgb = 0, LinearRgb = 1 };

struct Gradient {
    Matrix matrix;
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Rgb;
    std::vector<GradientRecord> records;
    double focalPoint = 0; // -1..1 along the x axis, focal gradients only
};

struct FillStyle {
    enum class Kind { Solid, LinearGradient, RadialGradient, FocalGradient, Bitmap };
    Kind kind = Kind::Solid;
    QColor color;
    Gradient gradient;
    quint16 bitmapId = 0;
    Matrix bitmapMatrix;
    bool bitmapRepeat = true;
    bool bitmapSmooth = true;
};

enum class CapStyle { Round = 0, None = 1, Square = 2 };
enum class JoinStyle { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
    quint16 width = 0; // twips
    QColor color;
    CapStyle startCap = CapStyle::Round, endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    std::optional<FillStyle> fill;
};

// One edge in twips; fill0 is the style on the left going from -> to, fill1 on the right.
// Indices count from 1 into the shape's style lists; 0 means none.
struct ShapeEdge {
    QPoint from, control, to;
    bool curved = false;
    int fill0 = 0, fill1 = 0, line = 0;
};

// Where a new set of styles begins (indices from 0 into fills and lines). Each set draws
// its fills, then its lines, above the sets before it.
struct StyleLayer {
    int firstFill = 0, firstLine = 0;
};

struct ShapeDefinition {
    Rect bounds;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<ShapeEdge> edges;
    bool windingRule = false;
    std::vector<StyleLayer> layers; // sets after the first; empty for a shape with one set
};

// Reads a DefineShape body after the character id.
bool readShapeDefinition(io::Reader& reader, int shapeVersion, ShapeDefinition& out, QString& problem);
// Reads a bare SHAPE (fonts, morph ends): bit counts then records, styles kept elsewhere.
bool readShapeRecords(io::Reader& reader, int shapeVersion, ShapeDefinition& out, QString& problem);

bool readFillStyle(io::Reader& reader, int shapeVersion, FillStyle& out);
Gradient readGradient(io::Reader& reader, int shapeVersion, bool focal);

} // namespace swf::format
