// Number to text the way the player writes numbers: 15 significant digits, no trailing
// zeros, exponent without leading zeros ("1e+21", "1e-7").
#pragma once

#include <QString>

namespace swf::avm1 {

QString formatNumber(double number);
QString formatNumberRadix(double number, int radix);

} // namespace swf::avm1
