// The small value records shared by many tags: rectangles, matrices, colour transforms.
#pragma once

#include "swf/io/reader.h"

#include <QColor>
#include <QRectF>
#include <QTransform>

namespace swf::format {

// Twips: 20 per pixel.
constexpr double kTwipsPerPixel = 20.0;

struct Rect {
    qint32 xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    QRectF toRectF() const { return QRectF(xMin, yMin, double(xMax) - xMin, double(yMax) - yMin); }
};

// Maps x' = a*x + c*y + tx, y' = b*x + d*y + ty (twips).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1;
    double tx = 0, ty = 0;
    QTransform toTransform() const { return QTransform(a, b, c, d, tx, ty); }
    bool operator==(const Matrix&) const = default;
};

// result = clamp(channel * mult / 256 + add), per channel; alpha included.
struct ColorTransform {
    qint16 redMult = 256, greenMult = 256, blueMult = 256, alphaMult = 256;
    qint16 redAdd = 0, greenAdd = 0, blueAdd = 0, alphaAdd = 0;

    bool isIdentity() const {
        return redMult == 256 && greenMult == 256 && blueMult == 256 && alphaMult == 256 && redAdd == 0 &&
               greenAdd == 0 && blueAdd == 0 && alphaAdd == 0;
    }
    QColor apply(const QColor& color) const;
    QRgb applyPremultiplied(QRgb pixel) const;
    // The transform of a child seen through its parent: parent applied after this.
    ColorTransform concatenated(const ColorTransform& parent) const;
    bool operator==(const ColorTransform&) const = default;
};

Rect readRect(io::Reader& reader);
Matrix readMatrix(io::Reader& reader);
ColorTransform readColorTransform(io::Reader& reader, bool withAlpha);
QColor readRgb(io::Reader& reader);
QColor readRgba(io::Reader& reader);
QColor readArgb(io::Reader& reader);

} // namespace swf::format
