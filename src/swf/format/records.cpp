// Readers for the shared records.
#include "swf/format/records.h"

#include <algorithm>

namespace swf::format {
namespace {

int transformChannel(int value, int mult, int add) {
    return std::clamp(value * mult / 256 + add, 0, 255);
}

} // namespace

QColor ColorTransform::apply(const QColor& color) const {
    if (isIdentity()) return color;
    return QColor(transformChannel(color.red(), redMult, redAdd),
                  transformChannel(color.green(), greenMult, greenAdd),
                  transformChannel(color.blue(), blueMult, blueAdd),
                  transformChannel(color.alpha(), alphaMult, alphaAdd));
}

QRgb ColorTransform::applyPremultiplied(QRgb pixel) const {
    // Runs once per pixel of every tinted bitmap: integer arithmetic only.
    const int alpha = qAlpha(pixel);
    const int newAlpha = transformChannel(alpha, alphaMult, alphaAdd);
    if (newAlpha == 0) return 0;
    auto channel = [&](int premultiplied, int mult, int add) {
        const int straight = alpha ? premultiplied * 255 / alpha : 0;
        return transformChannel(straight, mult, add) * newAlpha / 255;
    };
    return qRgba(channel(qRed(pixel), redMult, redAdd), channel(qGreen(pixel), greenMult, greenAdd),
                 channel(qBlue(pixel), blueMult, blueAdd), newAlpha);
}

ColorTransform ColorTransform::concatenated(const ColorTransform& parent) const {
    if (parent.isIdentity()) return *this;
    if (isIdentity()) return parent;
    auto mult = [](int inner, int outer) {
        return static_cast<qint16>(std::clamp(inner * outer / 256, -32768, 32767));
    };
    auto add = [](int innerAdd, int outerMult, int outerAdd) {
        return static_cast<qint16>(std::clamp(innerAdd * outerMult / 256 + outerAdd, -32768, 32767));
    };
    ColorTransform result;
    result.redMult = mult(redMult, parent.redMult);
    result.greenMult = mult(greenMult, parent.greenMult);
    result.blueMult = mult(blueMult, parent.blueMult);
    result.alphaMult = mult(alphaMult, parent.alphaMult);
    result.redAdd = add(redAdd, parent.redMult, parent.redAdd);
    result.greenAdd = add(greenAdd, parent.greenMult, parent.greenAdd);
    result.blueAdd = add(blueAdd, parent.blueMult, parent.blueAdd);
    result.alphaAdd = add(alphaAdd, parent.alphaMult, parent.alphaAdd);
    return result;
}

Rect readRect(io::Reader& reader) {
    reader.align();
    const int bits = static_cast<int>(reader.ubits(5));
    Rect rect;
    rect.xMin = reader.sbits(bits);
    rect.xMax = reader.sbits(bits);
    rect.yMin = reader.sbits(bits);
    rect.yMax = reader.sbits(bits);
    reader.align();
    return rect;
}

Matrix readMatrix(io::Reader& reader) {
    reader.align();
    Matrix matrix;
    if (reader.flag()) {
        const int bits = static_cast<int>(reader.ubits(5));
        matrix.a = reader.fbits(bits);
        matrix.d = reader.fbits(bits);
    }
    if (reader.flag()) {
        const int bits = static_cast<int>(reader.ubits(5));
        matrix.b = reader.fbits(bits);
        matrix.c = reader.fbits(bits);
    }
    const int bits = static_cast<int>(reader.ubits(5));
    matrix.tx = reader.sbits(bits);
    matrix.ty = reader.sbits(bits);
    reader.align();
    return matrix;
}

ColorTransform readColorTransform(io::Reader& reader, bool withAlpha) {
    reader.align();
    ColorTransform cx;
    const bool hasAdd = reader.flag();
    const bool hasMult = reader.flag();
    const int bits = static_cast<int>(reader.ubits(4));
    if (hasMult) {
        cx.redMult = static_cast<qint16>(reader.sbits(bits));
        cx.greenMult = static_cast<qint16>(reader.sbits(bits));
        cx.blueMult = static_cast<qint16>(reader.sbits(bits));
        if (withAlpha) cx.alphaMult = static_cast<qint16>(reader.sbits(bits));
    }
    if (hasAdd) {
        cx.redAdd = static_cast<qint16>(reader.sbits(bits));
        cx.greenAdd = static_cast<qint16>(reader.sbits(bits));
        cx.blueAdd = static_cast<qint16>(reader.sbits(bits));
        if (withAlpha) cx.alphaAdd = static_cast<qint16>(reader.sbits(bits));
    }
    reader.align();
    return cx;
}

QColor readRgb(io::Reader& reader) {
    const int r = reader.u8(), g = reader.u8(), b = reader.u8();
    return QColor(r, g, b);
}

QColor readRgba(io::Reader& reader) {
    const int r = reader.u8(), g = reader.u8(), b = reader.u8(), a = reader.u8();
    return QColor(r, g, b, a);
}

QColor readArgb(io::Reader& reader) {
    const int a = reader.u8(), r = reader.u8(), g = reader.u8(), b = reader.u8();
    return QColor(r, g, b, a);
}

} // namespace swf::format
