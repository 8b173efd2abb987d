#pragma once
// Play list files (".vtl"): the header line "paths", then one entry per line, every line
// ended by CR LF, in the 8-bit file text; and `listpath`, the current list file. No widgets:
// the play list window appends what LoadList returns and hands its entries to SaveList.

#include <QString>
#include <QStringList>
#include <QtGlobal>

// A list file larger than this is refused rather than read into memory (100,000 long paths
// take about 26 MiB).
inline constexpr qint64 kMaxListFileBytes = qint64(256) << 20;

struct ListResult {
    bool ok = false;
    QString error;       // when !ok: a Chinese sentence naming the file, ready for a message box
    QStringList entries; // LoadList: the entries read, in file order (also those read before a failure)
};

// Reads the entries of a list file. The first line is discarded whatever it holds; a line
// ends at CR LF, a lone CR or a lone LF; empty lines are skipped; spaces (U+0020 only) around
// an entry are removed after that test, so a line of spaces gives an empty entry.
ListResult LoadList(const QString& path);

// Writes "paths" and then every entry unchanged, each line ended by CR LF, replacing the file.
// The file is replaced whole, so a failed save leaves the old list file as it was.
ListResult SaveList(const QString& path, const QStringList& entries);

// The current list file's full path, empty when there is none. It outlives the play list
// window: the window sets it, the exit command saves it as "savepath".
QString& listpath();
