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

QString decodeExternalText(const QByteArray& bytes, bool codePage) {
    // A byte-order mark says what the file is, whatever the movie expects.
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    return codePage ? decodeLegacyString(bytes) : QString::fromUtf8(bytes);
}

} // namespace swf::format
