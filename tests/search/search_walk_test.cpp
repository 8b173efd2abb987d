// The walk without windows: the name test, the walk's order and guards over folder trees
// (real ones in temporary folders, and scripted ones where the order must be exact), the
// drive list from mount tables, and the cache folder stand-in.
#include "platform/drive_list.h"
#include "platform/registry.h"
#include "search/search_run.h"
#include "search/search_walk.h"
#include "search_fixture.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Records what the walk reports; can stop it or turn sub-folders off after some files.
struct Recorder final : search::WalkObserver {
    QStringList events; // "folder:PATH" and "file:PATH" (empty path for a non-match)
    int files = 0;
    int stopAfter = -1;
    int subfoldersOffAfter = -1;

    bool stopRequested() override { return stopAfter >= 0 && files >= stopAfter; }
    bool includeSubfolders() override { return subfoldersOffAfter < 0 || files < subfoldersOffAfter; }
    void folderStarted(const QString& folderPath) override {
        events << QStringLiteral("folder:") + folderPath;
    }
    void fileExamined(const QString& matchPath) override {
        ++files;
        events << QStringLiteral("file:") + matchPath;
    }
    QStringList matches() const {
        QStringList result;
        for (const QString& event : events)
            if (event.startsWith(QStringLiteral("file:")) && event.size() > 5) result << event.mid(5);
        return result;
    }
};

// A scripted tree: folder path -> contents in a fixed order; unlisted paths cannot be read.
struct ScriptedTree {
    QMap<QString, search::FolderContents> folders;

    void add(const QString& path, std::vector<QString> files, std::vector<QString> subfolders,
             const QString& identity = QString(), quint64 device = 1) {
        search::FolderContents contents;
        contents.identity = identity.isEmpty() ? path : identity;
        contents.device = device;
        contents.files = std::move(files);
        contents.folders = std::move(subfolders);
        folders.insert(path, contents);
    }
    search::FolderReader reader() const {
        return [this](const QString& path, bool, search::FolderContents& out) {
            if (!folders.contains(path)) return false;
            out = folders.value(path);
            return true;
        };
    }
};

} // namespace

class SearchWalkTest : public QObject {
    Q_OBJECT

  private slots:
    void nameTest_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* name, const QString& file, const char* pattern, bool matches) {
            QTest::newRow(name) << file << QString(pattern) << matches;
        };
        row("upper-case movie", "SHOW.SWF", "*.swf", true);
        row("mixed case", "Intro.SwF", "*.swf", true);
        row("movie with a further extension", "movie.swf.bak", "*.swf", false);
        row("no dot before swf, movie pattern", "adswf", "*.swf", false);
        row("only the extension", ".swf", "*.swf", true);
        row("brackets stand for themselves", "ad[2].swf", "*swf", true);
        row("cache name without dot", "adswf", "*swf", true);
        row("swf at the start only", "swf.txt", "*swf", false);
        row("chinese name", QString::fromUtf8("电影.SWF"), "*.swf", true);
        row("star matches a run twice", "a.swf.swf", "*.swf", true);
        row("several stars, backtracking", "aXbYc", "a*b*c", true);
        row("several stars, no end", "aXbY", "a*b*c", false);
        row("question mark is no wildcard", "a.swf", "?.swf", false);
        row("empty name", "", "*swf", false);
    }
    void nameTest() {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QTEST(search::nameMatches(name, pattern), "matches");
    }

    // Files of a folder before its sub-folders, each sub-folder finished before the next,
    // in the reader's order; folders without files report nothing.
    void depthFirstOrder() {
        ScriptedTree tree;
        tree.add("/r", {"z.swf", "a.txt"}, {"b", "a"});
        tree.add("/r/b", {"1.swf"}, {"deep"});
        tree.add("/r/b/deep", {"2.SWF"}, {});
        tree.add("/r/a", {}, {"x"});
        tree.add("/r/a/x", {"3.swf"}, {});
        Recorder recorder;
        search::FolderWalk walk(recorder, tree.reader());
        QCOMPARE(walk.walk("/r", "*.swf", false), search::WalkEnd::Finished);
        QCOMPARE(recorder.events, QStringList({"folder:/r", "file:/r/z.swf", "file:", "folder:/r/b",
                                               "file:/r/b/1.swf", "folder:/r/b/deep", "file:/r/b/deep/2.SWF",
                                               "folder:/r/a/x", "file:/r/a/x/3.swf"}));
    }

    // The sub-folder choice is read after each folder's files; a stop is seen at the next
    // file or folder; an unreadable sub-folder is left out; another file system, and a
    // folder already walked under another path, are not entered.
    void walkGuards_data() {
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<int>("subfoldersOffAfter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("everything") << -1 << -1 << QStringList({"/r/1.swf", "/r/a/2.swf", "/r/c/4.swf"});
        QTest::newRow("sub-folders off from the start") << -1 << 0 << QStringList({"/r/1.swf"});
        QTest::newRow("sub-folders off inside a sub-folder")
            << -1 << 2 << QStringList({"/r/1.swf", "/r/a/2.swf", "/r/c/4.swf"});
        QTest::newRow("stop after the first file") << 1 << -1 << QStringList({"/r/1.swf"});
        QTest::newRow("stop after the second file") << 2 << -1 << QStringList({"/r/1.swf", "/r/a/2.swf"});
    }
    void walkGuards() {
        QFETCH(int, stopAfter);
        QFETCH(int, subfoldersOffAfter);
        ScriptedTree tree;
        tree.add("/r", {"1.swf"}, {"a", "locked", "mnt", "again", "c"});
        tree.add("/r/a", {"2.swf"}, {"a2"});
        tree.add("/r/a/a2", {"x.txt"}, {});
        tree.add("/r/mnt", {"3.swf"}, {}, QString(), 2); // another file system
        tree.add("/r/again", {"2.swf"}, {"a2"}, "/r/a"); // the same folder as /r/a
        tree.add("/r/c", {"4.swf"}, {});
        Recorder recorder;
        recorder.stopAfter = stopAfter;
        recorder.subfoldersOffAfter = subfoldersOffAfter;
        search::FolderWalk walk(recorder, tree.reader());
        const search::WalkEnd end = walk.walk("/r", "*.swf", true);
        QTEST(recorder.matches(), "expected");
        QCOMPARE(end, stopAfter > 0 ? search::WalkEnd::Stopped : search::WalkEnd::Finished);
        if (stopAfter > 0) QCOMPARE(recorder.files, stopAfter);
    }

    // A start point that cannot be read breaks the run off before anything is reported; two
    // start points of one run that are the same folder (a drive mounted twice) are walked once.
    void startPoints() {
        ScriptedTree tree;
        tree.add("/m1", {"a.swf"}, {});
        tree.add("/m2", {"a.swf"}, {}, "/m1");
        Recorder recorder;
        search::FolderWalk walk(recorder, tree.reader());
        QCOMPARE(walk.walk("/nowhere", "*.swf", false), search::WalkEnd::BrokenOff);
        QVERIFY(recorder.events.isEmpty());
        walk.walk("/m1", "*.swf", true);
        walk.walk("/m2", "*.swf", true);
        QCOMPARE(recorder.matches(), QStringList({"/m1/a.swf"}));
    }

    // Real links: a link back to an ancestor and a link to a sibling folder are not
    // followed (the walk ends, each movie found once); a link to a movie file counts as a
    // file; hidden files and folders are walked.
    void linksOnDisk() {
        QTemporaryDir dir;
        const QString root = dir.path();
        makeTree(root, {"a/m1.swf", "a/.hidden/m2.swf", "b/m3.swf", ".m4.swf"});
        QVERIFY(QFile::link(root, root + "/a/loop"));
        QVERIFY(QFile::link(root + "/b", root + "/a/to_b"));
        QVERIFY(QFile::link(root + "/b/m3.swf", root + "/a/linked.swf"));
        Recorder recorder;
        search::FolderWalk walk(recorder);
        QCOMPARE(walk.walk(root, "*.swf", false), search::WalkEnd::Finished);
        QStringList found = recorder.matches();
        found.sort();
        QCOMPARE(found, QStringList({root + "/.m4.swf", root + "/a/.hidden/m2.swf", root + "/a/linked.swf",
                                     root + "/a/m1.swf", root + "/b/m3.swf"}));
    }

    // A folder that may not be read is passed over; the rest of the tree is still walked.
    void unreadableFolderOnDisk() {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0) QSKIP("permissions do not bind the superuser; the scripted walk covers this");
#endif
        QTemporaryDir dir;
        makeTree(dir.path(), {"a.swf", "locked/b.swf", "open/c.swf"});
        QVERIFY(QFile::setPermissions(dir.path() + "/locked", QFileDevice::Permissions()));
        Recorder recorder;
        search::FolderWalk walk(recorder);
        const search::WalkEnd end = walk.walk(dir.path(), "*.swf", false);
        QFile::setPermissions(dir.path() + "/locked",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(end, search::WalkEnd::Finished);
        QStringList found = recorder.matches();
        found.sort();
        QCOMPARE(found, QStringList({dir.path() + "/a.swf", dir.path() + "/open/c.swf"}));
    }

    void mountTable_data() {
        QTest::addColumn<QByteArray>("mountInfo");
        QTest::addColumn<QStringList>("roots");
        const QByteArray table = "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
                                 "23 22 0:21 / /proc rw shared:5 - proc proc rw\n"
                                 "24 22 0:22 / /sys rw shared:6 - sysfs sysfs rw\n"
                                 "25 22 0:5 / /dev rw shared:2 - devtmpfs udev rw\n"
                                 "26 24 0:26 / /sys/fs/cgroup rw shared:9 - cgroup2 cgroup2 rw\n"
                                 "27 22 8:1 / /boot/efi rw shared:3 - vfat /dev/sda1 rw\n"
                                 "28 22 8:3 / /home rw shared:4 - ext4 /dev/sda3 rw\n"
                                 "29 22 0:30 / /run rw shared:7 - tmpfs tmpfs rw\n"
                                 "30 28 8:17 / /media/my\\040disk rw shared:8 - exfat /dev/sdb1 rw\n"
                                 "31 22 0:40 / /net rw shared:10 - nfs4 server:/x rw\n"
                                 "broken line\n";
        QTest::newRow("desktop") << table << QStringList({"/", "/boot/efi", "/home", "/media/my disk"});
        QTest::newRow("container root")
            << QByteArray("500 400 0:50 / / rw - overlay overlay rw\n") << QStringList({"/"});
        QTest::newRow("empty") << QByteArray() << QStringList();
    }
    void mountTable() {
        QFETCH(QByteArray, mountInfo);
        QStringList found;
        for (const platform::Drive& drive : platform::drivesFromMountInfo(mountInfo))
            found << drive.root;
        QTEST(found, "roots");
    }

    void cacheFolderStandIn_data() {
        QTest::addColumn<QByteArray>("xdgCacheHome");
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("folder");
        QTest::newRow("cache home set")
            << QByteArray("/data/cache") << QByteArray("/home/u") << "/data/cache";
        QTest::newRow("cache home unset") << QByteArray() << QByteArray("/home/u") << "/home/u/.cache";
        QTest::newRow("relative cache home is ignored")
            << QByteArray("rel") << QByteArray("/home/u") << "/home/u/.cache";
        QTest::newRow("no answer: the fixed folder")
            << QByteArray() << QByteArray() << "c:\\windows\\temporary internet files";
    }
    void cacheFolderStandIn() {
        QFETCH(QByteArray, xdgCacheHome);
        QFETCH(QByteArray, home);
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("XDG_CACHE_HOME", xdgCacheHome);
        qputenv("HOME", home);
        const QString found = search::cacheFolder();
        const auto otherValue =
            platform::readRegistryValue(platform::RegistryRoot::Users, "\\.DEFAULT\\Other", "Cache");
        qputenv("XDG_CACHE_HOME", oldCache);
        qputenv("HOME", oldHome);
        QTEST(found, "folder");
        QVERIFY(!otherValue.has_value());
    }

    void folderTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("startFolder");
        QTest::addColumn<QString>("browsed");
        const auto row = [](const char* name, const char* text, const char* start, const char* browsed) {
            QTest::newRow(name) << QString(text) << QString(start) << QString(browsed);
        };
        row("root", "/", "/", "/");
        row("folder", "/data/flash", "/data/flash/", "/data/flash/");
        row("folder with separator", "/data/flash/", "/data/flash/", "/data/flash/");
    }
    void folderTexts() {
        QFETCH(QString, text);
        QTEST(search::folderModeRoot(text), "startFolder");
        QTEST(search::browsedFolderText(text), "browsed");
    }

    void countLineBeyond32Bits() {
        QCOMPARE(search::countLine(qint64(1) << 31), QString::fromUtf8("已找到的文件： 2147483648"));
    }
};

QTEST_GUILESS_MAIN(SearchWalkTest)
#include "search_walk_test.moc"
