// The program's folder, with a replacement point for tests.

#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

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

QString dataFolder() {
    const QString program = programFolder();
    // Trying is the only sure test: permissions, read-only mounts and administrators differ.
    QTemporaryFile probe(QDir(program).filePath(QStringLiteral(".vantrel-write-test-XXXXXX")));
    if (probe.open()) return program;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (user.isEmpty()) return program;
    QDir().mkpath(user);
    return user;
}

QString dataFile(const QString& name) {
    return QDir(dataFolder()).filePath(name);
}

void setProgramFolderForTesting(const QString& folder) {
    folderOverride() = folder;
}

} // namespace platform
