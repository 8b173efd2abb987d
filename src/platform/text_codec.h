#pragma once
// The 8-bit text of files (settings file, list files, registry values): GB18030, a superset
// of the GBK code page the program's files were always written in. Kept in one place so a
// build without ICU can swap the conversion.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

// Unicode text to 8-bit file text. Every GBK character gives its GBK bytes; characters GBK
// cannot hold get their four-byte GB18030 form, so nothing is lost.
QByteArray toLocal8(const QString& text);

// 8-bit file text to Unicode. Malformed bytes become U+FFFD; they never stop the conversion.
QString fromLocal8(QByteArrayView bytes);

// The length of the longest start of `bytes` that is at most `maxBytes` long and does not end
// inside a multi-byte character (for fixed-size reads that must not split a character).
qsizetype local8PrefixLength(QByteArrayView bytes, qsizetype maxBytes);

} // namespace platform
