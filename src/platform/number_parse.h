#pragma once
// How a text from the settings file is read as a number: the classic leading-number parse,
// and the conversion to whole numbers that rounds halves to the even neighbour.

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace platform {

// The longest leading number of `text`. Blanks, tabs and line feeds are skipped wherever
// they stand, even between digits (" 1 2" reads 12). Then: optional sign, digits, optional
// decimal point with digits, optional exponent (E or D, optional sign, digits). "&H" and "&O"
// read the hexadecimal or octal digits that follow. No number gives 0; a number too large
// for a double gives an infinity.
double leadingNumber(QStringView text);

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Empty for NaN,
// infinities and results outside the target type.
std::optional<qint32> toInt32HalfEven(double value);
std::optional<qint16> toInt16HalfEven(double value);

} // namespace platform
