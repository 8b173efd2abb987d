// Reading and writing play list files.

#include "playlist/list_file.h"

#include "platform/text_codec.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr char kHeader[] = "paths";
constexpr char kLineEnd[] = "\r\n";
constexpr qint64 kReadPieceBytes = qint64(1) << 20;

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

ListResult failure(const QString& message, const QString& path, QStringList entries = {}) {
    return {false, message.arg(shownPath(path)), std::move(entries)};
}

// Only U+0020: tabs and other blanks are part of the entry.
QString trimSpaces(const QString& line) {
    qsizetype first = 0;
    qsizetype last = line.size();
    while (first < last && line[first] == u' ')
        ++first;
    while (last > first && line[last - 1] == u' ')
        --last;
    return line.sliced(first, last - first);
}

// Splits at CR LF, a lone CR or a lone LF; these bytes never occur inside a multi-byte
// character, so the split is safe before decoding. A last line without an end counts.
QList<QByteArrayView> splitLines(QByteArrayView bytes) {
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype pos = 0; pos < bytes.size(); ++pos) {
        const char c = bytes[pos];
        if (c != '\r' && c != '\n') continue;
        lines.append(bytes.sliced(start, pos - start));
        if (c == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ++pos;
        start = pos + 1;
    }
    if (start < bytes.size()) lines.append(bytes.sliced(start));
    return lines;
}

} // namespace

ListResult LoadList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failure(QStringLiteral("无法打开播放列表文件“%1”。"), path);
    if (file.size() > kMaxListFileBytes)
        return failure(QStringLiteral("播放列表文件“%1”太大，无法载入。"), path);
    // Read in pieces, to one byte past the limit: one read of the whole limit would reserve
    // all of it for every list, however small.
    QByteArray bytes;
    while (bytes.size() <= kMaxListFileBytes) {
        const QByteArray piece =
            file.read(std::min<qint64>(kReadPieceBytes, kMaxListFileBytes + 1 - bytes.size()));
        if (piece.isEmpty()) break;
        bytes += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("读取播放列表文件“%1”时出错。"), path);
    if (bytes.size() > kMaxListFileBytes) // a file that grew, or a device without a size
        return failure(QStringLiteral("播放列表文件“%1”太大，无法载入。"), path);
    if (bytes.isEmpty()) return failure(QStringLiteral("播放列表文件“%1”是空的，不是有效的播放列表。"), path);

    const QList<QByteArrayView> lines = splitLines(bytes);
    ListResult result{true, QString(), {}};
    result.entries.reserve(lines.size());
    // The first line is the header; it is not compared with "paths".
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        result.entries.append(trimSpaces(platform::fromLocal8(lines[i])));
    }
    return result;
}

ListResult SaveList(const QString& path, const QStringList& entries) {
    QString text = QLatin1String(kHeader) + QLatin1String(kLineEnd);
    if (!entries.isEmpty()) text += entries.join(QLatin1String(kLineEnd)) + QLatin1String(kLineEnd);
    const QByteArray bytes = platform::toLocal8(text);

    QSaveFile file(path);
    // Where no temporary file can be made beside the list (a folder we may not create files
    // in), write in place as the format always did.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return failure(QStringLiteral("无法写入播放列表文件“%1”。"), path);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return failure(QStringLiteral("无法写入播放列表文件“%1”。"), path);
    }
    if (!file.commit()) return failure(QStringLiteral("无法写入播放列表文件“%1”。"), path);
    return {true, QString(), {}};
}

QString& listpath() {
    static QString path;
    return path;
}
