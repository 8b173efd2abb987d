// The program's folder, with a replacement point for tests.

#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

namespace {

QString& folderOverride() {
    static QString folder;
    return folder;
}

} // namespace

QString programFolder() {
    const QString& folder = folderOverride();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

QString programFile(const QString& name) {
    return QDir(programFolder()).filePath(name);
}

void setProgramFolderForTesting(const QString& folder) {
    folderOverride() = folder;
}

} // namespace platform
