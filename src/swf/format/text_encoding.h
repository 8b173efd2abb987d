// Movie strings: UTF-8 from version 6 on; before that in the author's code page, which for
// the movies this player meets is GBK. The choice lives here alone so it can be swapped.
#pragma once

#include <QByteArray>
#include <QString>

namespace swf::format {

constexpr int kFirstUtf8Version = 6;

QString decodeMovieString(const QByteArray& bytes, int swfVersion);
QString decodeLegacyString(const QByteArray& bytes);

// A text file a movie loads (variables, XML, LoadVars): Unicode as its byte-order mark says;
// without one, the code page when codePage is set (movies before version 6, and later ones
// that set System.useCodepage), UTF-8 otherwise.
QString decodeExternalText(const QByteArray& bytes, bool codePage);

// Markup's character references: &lt; &gt; &amp; &quot; &apos; and numbered ones, and &nbsp;
// where asked (text fields' HTML has it, XML has not). Anything else stays as written.
QString decodeEntities(QStringView text, bool nbsp);

} // namespace swf::format
