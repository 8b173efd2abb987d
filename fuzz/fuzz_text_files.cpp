// The settings file and list files as they come from the disk: read, write a key, read
// back (nothing else may change); load a list, save it, load it again (entries survive).
#include "platform/profile.h"
#include "playlist/list_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString ini = dir.filePath(QStringLiteral("Vantrel.ini"));
    {
        QFile file(ini);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    const auto before = platform::readProfileString(QStringLiteral("isloop"), QStringLiteral("other"), QString(), ini);
    if (platform::writeProfileString(QStringLiteral("zoom"), QStringLiteral("how"), QStringLiteral("75"), ini)) {
        if (platform::readProfileString(QStringLiteral("zoom"), QStringLiteral("how"), QString(), ini).value
            != QLatin1String("75"))
            std::abort();
        if (platform::readProfileString(QStringLiteral("isloop"), QStringLiteral("other"), QString(), ini).value
            != before.value)
            std::abort();
    }
    const QString list = dir.filePath(QStringLiteral("l.vtl"));
    {
        QFile file(list);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    const ListResult loaded = LoadList(list);
    if (loaded.ok && SaveList(list, loaded.entries).ok) {
        const ListResult again = LoadList(list);
        // Entries without line breaks or edge spaces come back exactly.
        QStringList expected;
        for (const QString& entry : loaded.entries)
            if (!entry.isEmpty() && !entry.contains(QLatin1Char('\r')) && !entry.contains(QLatin1Char('\n'))
                && entry == entry.trimmed())
                expected << entry;
        QStringList got;
        for (const QString& entry : again.entries)
            if (!entry.isEmpty() && entry == entry.trimmed()) got << entry;
        if (expected.size() == loaded.entries.size() && got != expected) std::abort();
    }
    return 0;
}
