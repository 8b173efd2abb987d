#include "swf/format/text_encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace swf::format {

bool isKnownCodePage(const QByteArray& codePage) {
    return !codePage.isEmpty() && QStringDecoder(codePage.constData()).isValid();
}

QString decodeCodePage(QByteArrayView bytes, const QByteArray& codePage) {
    QStringDecoder decoder(isKnownCodePage(codePage) ? codePage.constData() : kDefaultCodePage);
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encodeCodePage(QStringView text, const QByteArray& codePage) {
    QStringEncoder encoder(isKnownCodePage(codePage) ? codePage.constData() : kDefaultCodePage);
    if (!encoder.isValid()) return text.toLatin1();
    return encoder.encode(text);
}

QString decodeMovieString(QByteArrayView bytes, const StringCoding& coding) {
    if (coding.isUtf8()) return QString::fromUtf8(bytes);
    return decodeCodePage(bytes, coding.codePage);
}

QString decodeExternalText(const QByteArray& bytes, bool inCodePage, const QByteArray& codePage) {
    // A byte-order mark says what the file is, whatever the movie expects.
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    return inCodePage ? decodeCodePage(bytes, codePage) : QString::fromUtf8(bytes);
}

QString decodeEntities(QStringView text, bool nbsp) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i];
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1Char(';'), i);
        if (end < 0 || end - i > 10) {
            out += text[i];
            continue;
        }
        const QStringView entity = text.mid(i + 1, end - i - 1);
        QString replacement;
        if (entity == u"lt")
            replacement = QStringLiteral("<");
        else if (entity == u"gt")
            replacement = QStringLiteral(">");
        else if (entity == u"amp")
            replacement = QStringLiteral("&");
        else if (entity == u"quot")
            replacement = QStringLiteral("\"");
        else if (entity == u"apos")
            replacement = QStringLiteral("'");
        else if (nbsp && entity == u"nbsp")
            replacement = QString(QChar(0xa0));
        else if (entity.startsWith(u'#')) {
            bool ok = false;
            const uint code = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X')
                                  ? entity.mid(2).toUInt(&ok, 16)
                                  : entity.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        }
        if (replacement.isNull()) {
            out += text[i];
            continue;
        }
        out += replacement;
        i = end;
    }
    return out;
}

} // namespace swf::format
