#include "platform/registry.h"

#include "platform/text_codec.h"

#include <QDir>

namespace platform {

std::optional<QByteArray> userCacheFolderValue() {
    // The base directory rules: a relative $XDG_CACHE_HOME is invalid and is ignored.
    QString folder = qEnvironmentVariable("XDG_CACHE_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) return std::nullopt;
        folder = QDir(home).filePath(QStringLiteral(".cache"));
    }
    QByteArray value = toLocal8(QDir::toNativeSeparators(folder));
    value.append('\0');
    return value;
}

#ifndef Q_OS_WIN
std::optional<QByteArray> readRegistryValue(RegistryRoot root, const QString& subKey,
                                            const QString& valueName) {
    const QString shellFolders = QStringLiteral(
        "\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
    if (root == RegistryRoot::Users && subKey == shellFolders && valueName == QStringLiteral("Cache"))
        return userCacheFolderValue();
    return std::nullopt;
}
#endif

} // namespace platform
