// The search run: its state, which outlives the search dialog's window, the run that walks
// the chosen start points and appends the movies found to the play list while the progress
// box reports, and the search command that opens the dialog.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace search {

// The search state named `ding` and `index` on the search dialog: kept for the program's
// life, whatever happens to the dialog's window.
struct SearchState {
    bool ding = false;    // true once a stop was asked for or the run has ended
    qint64 index = 0;     // matches appended by the current run; 64 bits, so it cannot overflow
    bool running = false; // a run is walking (between its start and its end or break-off)
};
SearchState& state();

enum class StartPoint { Cache, AllDrives, Folder };

// The combo box's text picks the start point; any text but the two named ones means a folder.
StartPoint startPointFor(const QString& comboText);

// What the run reads from the search dialog when it starts.
struct SearchRequest {
    QString comboText;
    QString folderText;            // the start folder of the folder mode
    QStringList driveRoots;        // every drive's root, in the drive list's order
    bool includeSubfolders = true; // its starting value; the dialog's box is read again as the walk goes
};

// The run (the dialog's "开始搜索"). Returns when the run has ended, stopped or broken off.
void runSearch(const SearchRequest& request);

// Asks a running walk to stop before its next file, as the progress box's button does; the
// program's end calls it so a walk does not go on unseen after the windows are gone.
void stopSearch();

// The search command of the main window: shows the search dialog, or, while a run is under
// way, brings its progress box forward instead (a second run inside the first would pull
// the state of the first from under it).
void showSearchDialog();

// The browser cache folder from the registry value "Cache" under the default user's shell
// folders; "c:\windows\temporary internet files" when it cannot be read.
QString cacheFolder();

// The folder mode's start folder from the dialog's text: a separator is added unless it is
// there ("d:" walks "d:\", "/movies" walks "/movies/").
QString folderModeRoot(const QString& text);

// The text the folder browser's choice puts into the dialog: a drive root loses its last
// character ("C:\" gives "C:"), any other folder gains one trailing separator; "/" stays "/".
QString browsedFolderText(const QString& path);

// The count line for `count` matches: "已找到的文件：" and the number after a blank.
QString countLine(qint64 count);

// The event yield after every file. Every call runs the hook (tests press buttons there);
// the pending events themselves are processed at most every kYieldIntervalMs, so a walk
// over many small folders is not slowed down by thousands of empty passes.
inline constexpr int kYieldIntervalMs = 8;
void setYieldHookForTesting(std::function<void()> hook);

} // namespace search
