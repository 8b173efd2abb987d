// Movie strings: UTF-8 from version 6 on; before that in the author's code page, which for
// the movies this player meets is GBK. The choice lives here alone so it can be swapped.
#pragma once

#include <QByteArray>
#include <QString>

namespace swf::format {

constexpr int kFirstUtf8Version = 6;

QString decodeMovieString(const QByteArray& bytes, int swfVersion);
QString decodeLegacyString(const QByteArray& bytes);

} // namespace swf::format
