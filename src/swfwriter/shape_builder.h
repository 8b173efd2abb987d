// Builds the styles and edges of a shape (or one end of a morph) for SwfBuilder.
// Coordinates are pixels; they are stored as twips.
#pragma once

#include "bit_writer.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <optional>
#include <utility>
#include <vector>

namespace swftest {

struct GradientStop {
    int ratio = 0; // 0..255
    QColor color;
};

enum class Spread { Pad = 0, Reflect = 1, Repeat = 2 };
enum class Interpolation { Rgb = 0, LinearRgb = 1 };

struct FillStyle {
    enum class Kind { Solid, Linear, Radial, Focal, Bitmap } kind = Kind::Solid;
    QColor color;
    std::vector<GradientStop> stops;
    QTransform matrix; // gradient square (-16384..16384 twips) or bitmap pixels to shape twips
    Spread spread = Spread::Pad;
    Interpolation interpolation = Interpolation::Rgb;
    double focal = 0;
    int bitmapId = 0;
    bool repeat = true;
    bool smooth = true;
};

struct LineStyle {
    double width = 1; // pixels
    QColor color = Qt::black;
    // Second-generation (DefineShape4) attributes.
    int startCap = 0, endCap = 0; // 0 round, 1 none, 2 square
    int join = 0;                 // 0 round, 1 bevel, 2 miter
    double miterLimit = 3;
    bool noHScale = false, noVScale = false, noClose = false;
    std::optional<FillStyle> fill;
};

class ShapeBuilder {
  public:
    // Style indices count from 1, as edges refer to them; 0 means none.
    int addFill(const FillStyle& fill);
    int addSolidFill(const QColor& color);
    // A gradient spanning from -> to (pixels), as the authoring tool lays linear gradients.
    int addLinearGradient(QPointF from, QPointF to, std::vector<GradientStop> stops,
                          Spread spread = Spread::Pad, Interpolation interpolation = Interpolation::Rgb);
    int addRadialGradient(QPointF center, double radius, std::vector<GradientStop> stops, double focal = 0);
    // Bitmap pixels map to shape pixels through placement (scaled to twips internally).
    int addBitmapFill(int bitmapId, const QTransform& placement, bool repeat = true, bool smooth = true);
    int addLine(const LineStyle& line);
    int addLine(double width, const QColor& color);
    // Starts a fresh style array: later indices refer to it (DefineShape2 and up).
    void newStyles();

    void setStyles(int fill0, int fill1, int line);
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void curveTo(QPointF control, QPointF anchor);

    // Convenience: closed outlines filled with fill1 and stroked with line.
    void rectangle(const QRectF& rect, int fill, int line = 0);
    void polygon(const QPolygonF& points, int fill, int line = 0);
    void ellipse(const QRectF& rect, int fill, int line = 0);

    QRectF bounds() const; // pixels, strokes included
    // The SHAPEWITHSTYLE record (or, with withStyles false, a bare SHAPE, as fonts and morph
    // ends store it) for the given DefineShape version.
    QByteArray encode(int shapeVersion, bool withStyles = true) const;
    // Morphs: only the edges, with the start's style indices.
    QByteArray encodeEdges(int shapeVersion) const { return encode(shapeVersion, false); }
    const std::vector<FillStyle>& fills() const { return m_groups.front().fills; }
    const std::vector<LineStyle>& lines() const { return m_groups.front().lines; }

  private:
    struct Record {
        enum class Kind { Style, Move, Line, Curve, NewStyles } kind;
        int fill0 = 0, fill1 = 0, line = 0;
        QPointF a, b;
    };
    struct StyleGroup {
        std::vector<FillStyle> fills;
        std::vector<LineStyle> lines;
    };
    void writeStyles(Writer& w, const StyleGroup& group, int shapeVersion) const;

    std::vector<StyleGroup> m_groups{StyleGroup{}};
    std::vector<Record> m_records;
    QPointF m_pen;
    double m_maxLine = 0;
    QRectF m_bounds;
    bool m_hasPoints = false;
    void touch(QPointF p);
};

void writeFillStyle(Writer& w, const FillStyle& fill, int shapeVersion);
void writeGradient(Writer& w, const FillStyle& fill, int shapeVersion);
constexpr double kTwips = 20.0;

} // namespace swftest
