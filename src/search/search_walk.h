// The search walk without windows: the name test, reading one folder, and the depth-first
// walk over a folder tree with its guards against folder links and folders met twice.
#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

namespace search {

// The movie patterns: the cache folder holds names such as "banner[1]swf".
inline constexpr char kCachePattern[] = "*swf";
inline constexpr char kMoviePattern[] = "*.swf";

// Name and pattern compared in upper case; "*" in the pattern stands for any run of
// characters (also none), every other character for itself.
bool nameMatches(QStringView name, QStringView pattern);

// What one folder holds, in the order the file system gives it. Links to folders are in
// neither list: the walk never follows them.
struct FolderContents {
    QString identity;   // the same folder reached by two paths gives the same identity
    quint64 device = 0; // the file system the folder lives on
    std::vector<QString> files;
    std::vector<QString> folders;
};

// Reads `path` into `out`; false when it is no folder or cannot be read. `followLink`
// allows `path` itself to be a link (a start folder the user named).
using FolderReader = std::function<bool(const QString& path, bool followLink, FolderContents& out)>;
bool readFolder(const QString& path, bool followLink, FolderContents& out);

// Whether `path` names a folder (the test before a walk starts there).
bool folderExists(const QString& path);

// What the walk asks and tells while it runs.
class WalkObserver {
  public:
    virtual ~WalkObserver() = default;
    // Whether the user asked the run to stop; read before every file and sub-folder.
    virtual bool stopRequested() = 0;
    // Read anew after the files of each folder.
    virtual bool includeSubfolders() = 0;
    // The files of `folderPath` (native separators, a root with its trailing one) begin.
    virtual void folderStarted(const QString& folderPath) = 0;
    // One file examined; `matchPath` is its full path when its name matched, else empty.
    virtual void fileExamined(const QString& matchPath) = 0;
};

enum class WalkEnd { Finished, Stopped, BrokenOff };

// One run's walk: the folders entered are remembered across the start points of the run,
// so no folder is walked twice.
class FolderWalk {
  public:
    explicit FolderWalk(WalkObserver& observer, FolderReader reader = readFolder);

    // Depth-first from `root`: a folder's files first, then its sub-folders, each walked
    // completely before the next. BrokenOff when `root` cannot be read; a sub-folder that
    // cannot be read is left out. With `stayOnDevice` no other file system is entered.
    WalkEnd walk(const QString& root, const QString& pattern, bool stayOnDevice);

  private:
    bool examineFiles(const QString& folderPath, const FolderContents& contents, const QString& pattern);

    WalkObserver& m_observer;
    FolderReader m_reader;
    QSet<QString> m_visited;
};

// The folder's path as the walk shows it: native separators, no trailing separator except
// on a root, made absolute.
QString folderDisplayPath(const QString& path);

} // namespace search
