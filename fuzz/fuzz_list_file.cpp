// libFuzzer target: a play list file as it comes from the disk, loaded, saved and loaded
// again. Every entry read must come back exactly, in order; only entries that are empty
// (a line of spaces) drop out, since an empty line is skipped.
#include "playlist/list_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

// Saves flush to the disk, which on a real one costs far more than the parsing under test; a
// memory file system makes each input hundreds of times cheaper.
QTemporaryDir& scratchDir() {
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/vantrel-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/vantrel-fuzz-XXXXXX"));
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir& dir = scratchDir();
    const QString path = dir.filePath(QStringLiteral("l.vtl"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    const ListResult loaded = LoadList(path);
    if (!loaded.ok) return 0;
    if (!SaveList(path, loaded.entries).ok) std::abort();
    const ListResult again = LoadList(path);
    if (!again.ok) std::abort();
    QStringList expected;
    for (const QString& entry : loaded.entries)
        if (!entry.isEmpty()) expected << entry;
    if (again.entries != expected) std::abort();
    return 0;
}
