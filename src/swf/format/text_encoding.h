// Movie strings: UTF-8 from version 6 on; before that in the author's code page. Nothing in
// the file names that code page, so the player's user chooses it; GBK suits the movies this
// player meets, and GB18030 reads every GBK byte the same.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace swf::format {

constexpr int kFirstUtf8Version = 6;
constexpr char kDefaultCodePage[] = "GB18030";

// How one movie's strings are stored. codePage is a name QStringDecoder knows.
struct StringCoding {
    int swfVersion = kFirstUtf8Version;
    QByteArray codePage = kDefaultCodePage;
    bool isUtf8() const { return swfVersion >= kFirstUtf8Version; }
};

// A name the player can decode with; an unknown one falls back to the default rather than
// turning every old movie's text into nothing.
bool isKnownCodePage(const QByteArray& codePage);

QString decodeMovieString(QByteArrayView bytes, const StringCoding& coding);
QString decodeCodePage(QByteArrayView bytes, const QByteArray& codePage);
QByteArray encodeCodePage(QStringView text, const QByteArray& codePage);

// A text file a movie loads (variables, XML, LoadVars): Unicode as its byte-order mark says;
// without one, the code page when inCodePage is set (movies before version 6, and later ones
// that set System.useCodepage), UTF-8 otherwise.
QString decodeExternalText(const QByteArray& bytes, bool inCodePage, const QByteArray& codePage);

// Markup's character references: &lt; &gt; &amp; &quot; &apos; and numbered ones, and &nbsp;
// where asked (text fields' HTML has it, XML has not). Anything else stays as written.
QString decodeEntities(QStringView text, bool nbsp);

} // namespace swf::format
