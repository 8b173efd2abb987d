#include "swf/navigator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace swf {

QString localPathOf(const QString& pathOrUrl) {
    if (pathOrUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(pathOrUrl).toLocalFile();
    return pathOrUrl;
}

std::optional<QByteArray> LocalFolderNavigator::fetch(const QString& movieUrl, const QString& relative,
                                                      QString* fullUrl) {
    const QString moviePath = localPathOf(movieUrl);
    if (moviePath.isEmpty() || moviePath.contains(QLatin1String("://"))) return std::nullopt;
    QString name = relative;
    name.truncate(name.indexOf(QLatin1Char('?')) < 0 ? name.size() : name.indexOf(QLatin1Char('?')));
    // A file URL (a movie's own _url, say) is as good as its path, which must still lie in the
    // movie's folder; other schemes and drives are not for this navigator.
    if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        name = localPathOf(name);
    else if (name.contains(QLatin1Char(':')))
        return std::nullopt;
    if (name.isEmpty()) return std::nullopt;
    const QDir folder = QFileInfo(moviePath).absoluteDir();
    const QFileInfo target(folder.filePath(name));
    const QString base = folder.canonicalPath();
    const QString resolved = target.canonicalFilePath();
    if (resolved.isEmpty() || !resolved.startsWith(base + QLatin1Char('/')) || !target.isFile())
        return std::nullopt;
    if (target.size() > kMaxFile) return std::nullopt;
    QFile file(resolved);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    if (fullUrl) *fullUrl = QUrl::fromLocalFile(resolved).toString(QUrl::FullyEncoded);
    return file.readAll();
}

} // namespace swf
