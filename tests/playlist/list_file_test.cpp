// Play list files: reading quirks (header, blank lines, spaces, line ends), writing, the
// 8-bit file text, the memory a load asks for, and failures reported as values.

#include "playlist/list_file.h"

#include "platform/text_codec.h"

#include "support/file_bytes.h"
#include <QDir>
#include <QFile>

#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <fstream>
#include <new>

class ListFileTest : public QObject {
    Q_OBJECT

    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;

  private slots:
    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        const auto row = [](const char* name, const QByteArray& bytes, const QStringList& entries) {
            QTest::newRow(name) << bytes << entries;
        };

        row("two entries", "paths\r\nC:\\flash\\a.swf\r\nD:\\game\\b.swf\r\n",
            {"C:\\flash\\a.swf", "D:\\game\\b.swf"});
        row("header only", "paths\r\n", {});
        row("header without line end", "paths", {});
        row("no header loses the first entry", "a.swf\r\nb.swf\r\n", {"b.swf"});
        row("first line is never compared", "PATHS junk\r\na.swf\r\n", {"a.swf"});
        row("empty first line is the header", "\r\na.swf\r\n", {"a.swf"});
        row("blank lines anywhere", "paths\r\n\r\n\r\na.swf\r\n\r\nb.swf\r\n\r\n", {"a.swf", "b.swf"});
        row("spaces around, tab kept", "paths\r\n  a.swf  \r\n\tb.swf \r\n", {"a.swf", "\tb.swf"});
        row("spaces-only line is an empty entry", "paths\r\n   \r\na.swf\r\n", {"", "a.swf"});
        row("last line without end", "paths\r\na.swf\r\nb.swf", {"a.swf", "b.swf"});
        row("lone cr ends lines", "paths\ra.swf\rb.swf\r", {"a.swf", "b.swf"});
        row("lone lf ends lines", "paths\na.swf\nb.swf\n", {"a.swf", "b.swf"});
        row("mixed ends", "paths\r\na\rb\nc\r\r\nd", {"a", "b", "c", "d"});
        row("chinese paths", gb(QStringLiteral("paths\r\nD:\\动画\\小猫.swf\r\n")),
            {QStringLiteral("D:\\动画\\小猫.swf")});
        row("character outside gbk", gb(QStringLiteral("paths\r\nE:\\😀\\𠀀.swf\r\n")),
            {QStringLiteral("E:\\😀\\𠀀.swf")});
        row("gbk euro byte", "paths\r\n\x80.swf\r\n", {QStringLiteral("\u20AC.swf")});
        row("broken bytes keep the lines apart", "paths\r\na\x81\r\nb\r\n", {QStringLiteral("a\uFFFD"), "b"});
    }

    void load() {
        QFETCH(QByteArray, bytes);
        const QString path = file("load.vtl");
        QVERIFY(writeBytes(path, bytes));
        const ListResult result = LoadList(path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QTEST(result.entries, "entries");
    }

    void save_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty list") << QStringList{} << QByteArray("paths\r\n");
        QTest::newRow("entries unchanged")
            << QStringList{" a.swf ", "", "\tb"} << QByteArray("paths\r\n a.swf \r\n\r\n\tb\r\n");
        QTest::newRow("chinese in gbk bytes")
            << QStringList{"中文"} << QByteArray("paths\r\n\xD6\xD0\xCE\xC4\r\n");
    }

    void save() {
        QFETCH(QStringList, entries);
        const QString path = file("save.vtl");
        // A longer old file must leave nothing behind.
        QVERIFY(writeBytes(path, QByteArray("paths\r\n") + QByteArray(5000, 'x') + "\r\n"));
        const ListResult result = SaveList(path, entries);
        QVERIFY2(result.ok, qPrintable(result.error));
        QTEST(readBytes(path), "bytes");
    }

    void roundTrip_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("readBack"); // empty: as written
        QTest::newRow("paths, in and outside gbk")
            << QStringList{"C:\\a.swf", "C:\\a.swf", "D:\\我的Flash\\b.swf", "/home/用户/🎬.swf"}
            << QStringList{};
        QTest::newRow("empty entries dropped, spaces removed")
            << QStringList{"", "  x  ", "y"} << QStringList{"x", "y"};
    }

    void roundTrip() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, readBack);
        const QString path = file("round.vtl");
        QVERIFY(SaveList(path, entries).ok);
        const ListResult loaded = LoadList(path);
        QVERIFY(loaded.ok);
        QCOMPARE(loaded.entries, readBack.isEmpty() ? entries : readBack);
    }

    // Found by the soak test: every load asked for the whole size limit at once, 256 MiB of
    // address space for a list of a few lines.
    void smallListAsksForLittleMemory() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's own reservations leave no room for an address-space limit");
#endif
        const QString path = file("small.vtl");
        QVERIFY(writeBytes(path, "paths\r\na.swf\r\n"));
        std::ifstream status("/proc/self/status");
        unsigned long long mappedKb = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0) mappedKb = std::stoull(line.substr(7));
        QVERIFY(mappedKb > 0);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_AS, &old), 0);
        rlimit tight = old;
        tight.rlim_cur = rlim_t((mappedKb + 64 * 1024) * 1024);
        QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
        ListResult loaded;
        try {
            loaded = LoadList(path);
        } catch (const std::bad_alloc&) {
        }
        setrlimit(RLIMIT_AS, &old);
        QVERIFY(loaded.ok);
        QCOMPARE(loaded.entries, QStringList{"a.swf"});
    }

    void unreadable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // null: nothing is created under that name
        QTest::newRow("missing file") << "missing.vtl" << QByteArray();
        QTest::newRow("zero bytes") << "empty.vtl" << QByteArray("");
        QTest::newRow("a folder") << "folder.vtl" << QByteArray();
    }

    void unreadable() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(name);
        if (name == QLatin1String("folder.vtl"))
            QVERIFY(QDir(m_dir.path()).mkpath(name));
        else if (!bytes.isNull())
            QVERIFY(writeBytes(path, bytes));
        const ListResult result = LoadList(path);
        QVERIFY(!result.ok);
        QVERIFY(result.entries.isEmpty());
        QVERIFY2(result.error.contains(QDir::toNativeSeparators(path)), qPrintable(result.error));
    }

    void unwritable_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("folder that does not exist") << "no/such/folder/list.vtl";
        QTest::newRow("a folder in the way") << "taken.vtl";
    }

    void unwritable() {
        QFETCH(QString, relativePath);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("taken.vtl")));
        const QString path = m_dir.filePath(relativePath);
        const ListResult result = SaveList(path, {"a.swf"});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QDir::toNativeSeparators(path)), qPrintable(result.error));
        QVERIFY(!QFile::exists(path) || QFileInfo(path).isDir());
    }
};

QTEST_GUILESS_MAIN(ListFileTest)
#include "list_file_test.moc"
