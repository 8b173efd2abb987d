// How the program writes whole numbers into texts and rounds to them.
#pragma once

#include <QString>

#include <cmath>
#include <limits>

// A blank before a number of 0 or more, a minus sign before a negative one; never padded.
inline QString numberText(qint64 value) {
    return value >= 0 ? QLatin1Char(' ') + QString::number(value) : QString::number(value);
}

// Halves go to the even neighbour; the result saturates at the 32-bit range.
inline qint32 roundHalfEven32(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::nearbyint(value);
    if (rounded >= std::numeric_limits<qint32>::max()) return std::numeric_limits<qint32>::max();
    if (rounded <= std::numeric_limits<qint32>::min()) return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(rounded);
}

// Frame arithmetic in 64 bits, brought back into the control's 32-bit range.
inline qint32 clampFrame(qint64 value) {
    if (value > std::numeric_limits<qint32>::max()) return std::numeric_limits<qint32>::max();
    if (value < std::numeric_limits<qint32>::min()) return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(value);
}
