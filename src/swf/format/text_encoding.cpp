// GB18030 (a superset of GBK) for old movies' strings.
#include "swf/format/text_encoding.h"

#include <QStringDecoder>

namespace swf::format {

QString decodeLegacyString(const QByteArray& bytes) {
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QString decodeMovieString(const QByteArray& bytes, int swfVersion) {
    if (swfVersion >= kFirstUtf8Version) return QString::fromUtf8(bytes);
    return decodeLegacyString(bytes);
}

} // namespace swf::format
