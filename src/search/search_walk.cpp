#include "search/search_walk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QDirIterator>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace search {

bool nameMatches(QStringView name, QStringView pattern) {
    // Greedy match with one remembered star: linear for the patterns in use, never
    // exponential for any pattern.
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p].toUpper() == name[n].toUpper()) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

#ifdef Q_OS_WIN

bool readFolder(const QString& path, bool followLink, FolderContents& out) {
    const QFileInfo info(path);
    if (!info.isDir() || (!followLink && (info.isSymLink() || info.isJunction()))) return false;
    QDir dir(path);
    if (!dir.isReadable()) return false;
    out.identity = info.canonicalFilePath().toLower();
    out.device = 0; // mounted volumes are reparse points, never entered below
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo entry = it.fileInfo();
        if (entry.isSymLink() || entry.isJunction()) {
            if (!entry.isDir()) out.files.push_back(entry.fileName());
        } else if (entry.isDir()) {
            out.folders.push_back(entry.fileName());
        } else {
            out.files.push_back(entry.fileName());
        }
    }
    return true;
}

#else

namespace {

// The kind of one entry; links are resolved only to tell a link to a folder (left out)
// from a link to anything else (examined as a file, like the file it stands for).
enum class EntryKind { File, Folder, FolderLink };

EntryKind entryKind(int folderFd, const dirent* entry) {
    unsigned char type = entry->d_type;
    struct stat status {};
    if (type == DT_UNKNOWN) {
        if (fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::File;
        if (S_ISDIR(status.st_mode)) return EntryKind::Folder;
        if (!S_ISLNK(status.st_mode)) return EntryKind::File;
        type = DT_LNK;
    }
    if (type == DT_DIR) return EntryKind::Folder;
    if (type == DT_LNK) {
        const bool toFolder = fstatat(folderFd, entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        return toFolder ? EntryKind::FolderLink : EntryKind::File;
    }
    return EntryKind::File;
}

} // namespace

bool readFolder(const QString& path, bool followLink, FolderContents& out) {
    const QByteArray nativePath = QFile::encodeName(path);
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::open(nativePath.constData(), flags);
    if (fd < 0) return false;
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        ::close(fd);
        return false;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    out.device = quint64(status.st_dev);
    out.identity =
        QString::number(quint64(status.st_dev)) + QLatin1Char(':') + QString::number(quint64(status.st_ino));
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        switch (entryKind(fd, entry)) {
        case EntryKind::File:
            out.files.push_back(QFile::decodeName(name));
            break;
        case EntryKind::Folder:
            out.folders.push_back(QFile::decodeName(name));
            break;
        case EntryKind::FolderLink:
            break;
        }
    }
    closedir(dir);
    return true;
}

#endif

bool folderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString folderDisplayPath(const QString& path) {
    return QDir::toNativeSeparators(
        QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath()));
}

namespace {

QString childPath(const QString& folder, const QString& name) {
    const QChar separator = QDir::separator();
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

} // namespace

FolderWalk::FolderWalk(WalkObserver& observer, FolderReader reader)
    : m_observer(observer), m_reader(std::move(reader)) {}

bool FolderWalk::examineFiles(const QString& folderPath, const FolderContents& contents,
                              const QString& pattern) {
    if (contents.files.empty()) return true;
    m_observer.folderStarted(folderPath);
    for (const QString& name : contents.files) {
        if (m_observer.stopRequested()) return false;
        m_observer.fileExamined(nameMatches(name, pattern) ? childPath(folderPath, name) : QString());
    }
    return true;
}

WalkEnd FolderWalk::walk(const QString& root, const QString& pattern, bool stayOnDevice) {
    struct Level {
        QString path;
        std::vector<QString> folders;
        std::size_t next = 0;
    };
    const QString rootPath = folderDisplayPath(root);
    FolderContents contents;
    if (!m_reader(rootPath, true, contents)) return WalkEnd::BrokenOff;
    // The same folder as a start point twice (a drive mounted at two places) is walked once.
    if (m_visited.contains(contents.identity)) return WalkEnd::Finished;
    m_visited.insert(contents.identity);
    const quint64 device = contents.device;
    if (!examineFiles(rootPath, contents, pattern)) return WalkEnd::Stopped;
    if (!m_observer.includeSubfolders()) return WalkEnd::Finished;

    // An explicit stack instead of recursion: a deep tree cannot exhaust the call stack.
    std::vector<Level> stack;
    stack.push_back({rootPath, std::move(contents.folders)});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.folders.size()) {
            stack.pop_back();
            continue;
        }
        if (m_observer.stopRequested()) return WalkEnd::Stopped;
        const QString path = childPath(level.path, level.folders[level.next++]);
        FolderContents child;
        // A folder that cannot be read (no permission, gone meanwhile) is left out rather
        // than ending the whole search: every system has such folders.
        if (!m_reader(path, false, child)) continue;
        if (stayOnDevice && child.device != device) continue;
        if (m_visited.contains(child.identity)) continue;
        m_visited.insert(child.identity);
        if (!examineFiles(path, child, pattern)) return WalkEnd::Stopped;
        if (m_observer.includeSubfolders()) stack.push_back({path, std::move(child.folders)});
    }
    return WalkEnd::Finished;
}

} // namespace search
