// Settings file: the key-file reader and writer, the leading-number parse and rounding, the
// GB18030 text conversion, and the start-up reads and exit writes of Vantrel.ini.

#include "platform/number_parse.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "platform/settings.h"
#include "platform/text_codec.h"

#include "support/file_bytes.h"
#include <QFile>

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <optional>

using platform::ProfileValue;

namespace {

const QByteArray kNoFile = QByteArray(); // a null array: the row has no file at all

// What a start reads, the defaults where a row leaves them out.
struct Startup {
    bool list = true, play = false;
    int scan = 3, frame = 10;
    StartupSettings::Loop loop = StartupSettings::Loop::Off;
    int quality = 0, zoom = 90;
};
} // namespace

Q_DECLARE_METATYPE(Startup)

class SettingsTest : public QObject {
    Q_OBJECT

    QString iniPath() const { return m_dir.filePath(QStringLiteral("Vantrel.ini")); }
    void prepare(const QByteArray& content) {
        QFile::remove(iniPath());
        if (!content.isNull()) QVERIFY(writeBytes(iniPath(), content));
    }

    QTemporaryDir m_dir;

  private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QFile::remove(iniPath());
    }

    void textCodec_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("C:\\flash\\a.swf") << QByteArray("C:\\flash\\a.swf");
        QTest::newRow("gbk two-byte") << QStringLiteral("中文") << QByteArray("\xD6\xD0\xCE\xC4");
        QTest::newRow("gbk euro is 0x80") << QStringLiteral("\u20AC5") << QByteArray("\x80\x35");
        QTest::newRow("euro beside a char ending in 0x80")
            << QStringLiteral("亐\u20AC") << QByteArray("\x81\x80\x80");
        QTest::newRow("outside gbk: emoji") << QStringLiteral("a😀b") << QByteArray("a\x94\x39\xFC\x36\x62");
        QTest::newRow("outside gbk: ext-b") << QStringLiteral("𠀀") << QByteArray("\x95\x32\x82\x36");
    }

    void textCodec() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(platform::toLocal8(text), bytes);
        QCOMPARE(platform::fromLocal8(bytes), text);
    }

    void malformedBytesDecode() {
        // Broken sequences must neither stop the conversion nor swallow the text after them.
        const QString decoded = platform::fromLocal8(QByteArray("a\xFF\x62\x81", 4));
        QVERIFY(decoded.startsWith(u'a'));
        QVERIFY(decoded.contains(u'b'));
        // A character cut off at the end must show as U+FFFD, not vanish.
        QCOMPARE(platform::fromLocal8(QByteArray("ab\xD6")), QStringLiteral("ab\uFFFD"));
        QCOMPARE(platform::local8PrefixLength(QByteArray("ab\xD6\xD0"), 3), 2);
        QCOMPARE(platform::local8PrefixLength(QByteArray("a\x94\x39\xFC\x36"), 4), 1);
    }

    void profileRead_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("copied");

        const QString s = QStringLiteral("s");
        const QString k = QStringLiteral("k");
        const QString d = QStringLiteral("dflt");
        const auto row = [&](const char* name, const QByteArray& content, const QString& value, int copied) {
            QTest::newRow(name) << content << s << k << d << value << copied;
        };
        row("missing file", kNoFile, d, 4);
        row("empty file", "", d, 4);
        row("missing section", "[t]\r\nk=1\r\n", d, 4);
        row("missing key", "[s]\r\nj=1\r\n", d, 4);
        row("key of the next section", "[s]\r\n[t]\r\nk=1\r\n", d, 4);
        row("key before any section", "k=1\r\n[s]\r\n", d, 4);
        row("empty value", "[s]\r\nk=\r\n", QString(), 0);
        row("blank value", "[s]\r\nk=  \t \r\n", QString(), 0);
        row("names without case", "[S]\r\nK=v\r\n", "v", 1);
        row("blanks around everything", "  [ s ]  \r\n  k  =  a b  \r\n", QStringLiteral("a b"), 3);
        row("first of duplicate sections", "[s]\r\nj=1\r\n[s]\r\nk=2\r\n", d, 4);
        row("first of duplicate keys", "[s]\r\nk=1\r\nk=2\r\n", QStringLiteral("1"), 1);
        row("lf endings", "[s]\nk=v\n", QStringLiteral("v"), 1);
        row("last line without end", "[s]\r\nk=v", QStringLiteral("v"), 1);
        row("value holding =", "[s]\r\nk=a=b\r\n", QStringLiteral("a=b"), 3);
        row("junk lines", "\x01\x02\xFF\xFE\r\nno equals\r\n;k=c\r\n[s]\r\nzz\r\n=x\r\nk=v\r\n",
            QStringLiteral("v"), 1);
        row("nul bytes in the file", QByteArray("[s]\r\nj=\0\0\r\nk=v\r\n", 17), QStringLiteral("v"), 1);
        row("chinese value", gb(QStringLiteral("[s]\r\nk=D:\\影片\\a.swf\r\n")),
            QStringLiteral("D:\\影片\\a.swf"), 13);
        // 0x5D (']') is the second byte of 癩: the section name must be read as text, not bytes.
        QTest::newRow("section name with ] as a second byte")
            << gb(QStringLiteral("[x癩]\r\nk=v\r\n")) << QStringLiteral("x癩") << k << d
            << QStringLiteral("v") << 1;
        QTest::newRow("chinese key name") << gb(QStringLiteral("[s]\r\n路径=v\r\n")) << s
                                          << QStringLiteral("路径") << d << QStringLiteral("v") << 1;
        const QString longAscii(300, u'x');
        row("long value cut at 255 bytes", "[s]\r\nk=" + longAscii.toLatin1() + "\r\n", longAscii.left(255),
            255);
        const QString longChinese(200, u'汉');
        row("chinese cut before a split character", gb("[s]\r\nk=" + longChinese + "\r\n"),
            longChinese.left(127), 254);
        const QString fourByteAtEnd = QString(253, u'a') + QStringLiteral("😀");
        row("four-byte character across the cut", gb("[s]\r\nk=" + fourByteAtEnd + "\r\n"),
            QString(253, u'a'), 253);
        QTest::newRow("long default cut too") << kNoFile << s << k << longAscii << longAscii.left(255) << 255;
        QTest::newRow("default of a chinese path")
            << kNoFile << s << k << QStringLiteral("中") << QStringLiteral("中") << 2;
    }

    void profileRead() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        prepare(content);
        const ProfileValue read = platform::readProfileString(section, key, defaultValue, iniPath());
        QTEST(read.value, "value");
        QTEST(read.copied, "copied");
    }

    void profileWrite_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const QByteArray& before, const QByteArray& after,
                            const QString& value = "v", const QString& key = "k",
                            const QString& section = "s") {
            QTest::newRow(name) << before << section << key << value << after;
        };
        row("creates the file", kNoFile, "[s]\r\nk=v\r\n");
        row("empty file", "", "[s]\r\nk=v\r\n");
        row("replaces in place, other lines untouched",
            "; note\r\n[a]\nx = 1 \r\n[S]\r\n  j=1\r\nK = old \r\n\tz=2\r\n\r\n[b]\r\ny\r\n",
            "; note\r\n[a]\nx = 1 \r\n[S]\r\n  j=1\r\nK =v\r\n\tz=2\r\n\r\n[b]\r\ny\r\n");
        row("appends after the section's last key", "[s]\r\nj=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n",
            "[s]\r\nj=1\r\nk=v\r\n\r\n; about b\r\n[b]\r\ny=2\r\n");
        row("section without keys", "[s]\r\n\r\n[b]\r\n", "[s]\r\nk=v\r\n\r\n[b]\r\n");
        row("new section at the end", "[a]\r\nx=1\r\n\r\n", "[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n");
        row("lf file keeps lf", "[s]\nj=1\n", "[s]\nj=1\nk=v\n");
        row("last line without end", "[s]\r\nj=1", "[s]\r\nj=1\r\nk=v\r\n");
        // Found by fuzzing: a lone CR at the end is no line end, or the key added after it
        // would join that line and never be read back.
        row("last line ends in a lone CR", "[s]\r\nj=1\r", "[s]\r\nj=1\r\r\nk=v\r\n");
        row("first of duplicate sections", "[s]\r\n[s]\r\nk=1\r\n", "[s]\r\nk=v\r\n[s]\r\nk=1\r\n");
        // Found by fuzzing: a name with a control character other than a blank was trimmed of it
        // when written, so it did not read back under the name asked for.
        row("new key ending in a vertical tab", "[s]\r\nj=1\r\n", "[s]\r\nj=1\r\nk\v=v\r\n", "v", "k\v");
        row("new section ending in a form feed", "[a]\r\n", "[a]\r\n[s\f]\r\nk=v\r\n", "v", "k", "s\f");
        row("binary junk kept", "\xFF\xFE\x01\r\n[s]\r\nk=1\r\n", "\xFF\xFE\x01\r\n[s]\r\nk=v\r\n");
        row("empty value", "[s]\r\nk=1\r\n", "[s]\r\nk=\r\n", "");
        row("number text with its blank", "[s]\r\nk=3\r\n", "[s]\r\nk= 2\r\n", " 2");
        row("chinese value in gb18030", "[s]\r\nk=1\r\n", "[s]\r\nk=\xD6\xD0\r\n", "中");
        row("outside gbk in four bytes", kNoFile, "[s]\r\nk=\x94\x39\xFC\x36\r\n", "😀");
        row("blanks around are written, not read back", kNoFile, "[s]\r\nk=  x y\t\r\n", "  x y\t");
    }

    void profileWrite() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        prepare(before);
        QVERIFY(platform::writeProfileString(section, key, value, iniPath()));
        QTEST(readBytes(iniPath()), "after");
        // Blanks around a value are not part of it.
        QCOMPARE(platform::readProfileString(section, key, QStringLiteral("missing"), iniPath()).value,
                 value.trimmed());
    }

    void profileWriteRefused_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("before");

        const QByteArray small("[s]\r\nk=1\r\n");
        const auto row = [](const char* name, const char* section, const char* key, const char* value,
                            const QByteArray& before) {
            QTest::newRow(name) << QString(section) << QString(key) << QString(value) << before;
        };
        // A line break in a value would add lines the next read takes for keys or sections.
        row("value with a line feed", "s", "k", "a\n[x]", small);
        row("value with a carriage return", "s", "k", "a\rb", small);
        row("key holding =", "s", "k=j", "v", small);
        row("empty key", "s", " ", "v", small);
        row("section holding ]", "s]", "k", "v", small);
        QByteArray huge = small;
        huge.append(QByteArray(platform::kMaxProfileFileBytes, 'x'));
        row("file too large to rewrite", "s", "k", "v", huge);
    }

    void profileWriteRefused() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, before);
        prepare(before);
        QVERIFY(!platform::writeProfileString(section, key, value, iniPath()));
        QCOMPARE(readBytes(iniPath()), before);
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("integer") << "2" << 2.0;
        QTest::newRow("decimal") << "1.0" << 1.0;
        QTest::newRow("half") << "2.5" << 2.5;
        QTest::newRow("letters after") << "1x" << 1.0;
        QTest::newRow("digits then letters") << "12abc" << 12.0;
        QTest::newRow("letters only") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks inside") << " 1 2" << 12.0;
        QTest::newRow("tabs and line feeds") << "\t1\n2 .\t5" << 12.5;
        QTest::newRow("carriage return stops") << "1\r2" << 1.0;
        QTest::newRow("sign") << "-3" << -3.0;
        QTest::newRow("plus sign") << "+4" << 4.0;
        QTest::newRow("exponent") << "-3.5e1" << -35.0;
        QTest::newRow("d exponent") << "2D2" << 200.0;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "7e" << 7.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("two signs") << "--1" << 0.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower case") << "&hff" << 255.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("ampersand digits") << "&12" << 0.0;
        QTest::newRow("full-width digits are not digits") << "１" << 0.0;
    }

    void leadingNumber() {
        QFETCH(QString, text);
        QTEST(platform::leadingNumber(text), "number");
    }

    void halfEven_data() {
        QTest::addColumn<double>("number");
        QTest::addColumn<qint64>("int32"); // kNone: out of range
        QTest::addColumn<qint64>("int16");
        constexpr qint64 kNone = std::numeric_limits<qint64>::min();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("2.5") << 2.5 << qint64(2) << qint64(2);
        QTest::newRow("3.5") << 3.5 << qint64(4) << qint64(4);
        QTest::newRow("-2.5") << -2.5 << qint64(-2) << qint64(-2);
        QTest::newRow("-3.5") << -3.5 << qint64(-4) << qint64(-4);
        QTest::newRow("2.51") << 2.51 << qint64(3) << qint64(3);
        QTest::newRow("0.49") << 0.49 << qint64(0) << qint64(0);
        QTest::newRow("int16 top") << 32767.4 << qint64(32767) << qint64(32767);
        QTest::newRow("int16 over") << 32767.5 << qint64(32768) << kNone;
        QTest::newRow("int16 bottom") << -32768.5 << qint64(-32768) << qint64(-32768);
        QTest::newRow("int16 under") << -32769.0 << qint64(-32769) << kNone;
        QTest::newRow("int32 top") << 2147483647.0 << qint64(2147483647) << kNone;
        QTest::newRow("int32 over") << 2147483647.5 << kNone << kNone;
        QTest::newRow("int32 bottom") << -2147483648.5 << qint64(-2147483648LL) << kNone;
        QTest::newRow("infinity") << inf << kNone << kNone;
        QTest::newRow("nan") << std::nan("") << kNone << kNone;
    }

    void halfEven() {
        QFETCH(double, number);
        QFETCH(qint64, int32);
        QFETCH(qint64, int16);
        constexpr qint64 kNone = std::numeric_limits<qint64>::min();
        const std::optional<qint32> as32 = platform::toInt32HalfEven(number);
        const std::optional<qint16> as16 = platform::toInt16HalfEven(number);
        QCOMPARE(as32.has_value(), int32 != kNone);
        if (as32) QCOMPARE(qint64(*as32), int32);
        QCOMPARE(as16.has_value(), int16 != kNone);
        if (as16) QCOMPARE(qint64(*as16), int16);
    }

    void startupSettings_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Startup>("expected");
        using Loop = StartupSettings::Loop;
        const auto row = [](const char* name, const QByteArray& content, Startup expected) {
            QTest::newRow(name) << content << expected;
        };
        row("no file", kNoFile, {});
        row("list show empty", "[filelistwindow]\r\nshow=\r\n", {.list = false});
        row("show 1.0 and 1a", "[filelistwindow]\r\nshow=1.0\r\n[fileplaywindow]\r\nshow=1a\r\n",
            {.play = true});
        row("show 2 and 0", "[filelistwindow]\r\nshow=2\r\n[fileplaywindow]\r\nshow=0\r\n", {.list = false});
        row("frame empty, goframe 2.5", "[gomovie]\r\nframe=\r\ngoframe=2.5\r\n", {.frame = 2});
        row("frame letters, goframe 3.5", "[gomovie]\r\nframe=abc\r\ngoframe=3.5\r\n",
            {.scan = 0, .frame = 4});
        row("frame blanks inside, goframe hex", "[gomovie]\r\nframe= 1 2\r\ngoframe=&H1F\r\n",
            {.scan = 12, .frame = 31});
        row("steps out of 32-bit range", "[gomovie]\r\nframe=3000000000\r\ngoframe=-1e300\r\n", {});
        row("loop 1", "[isloop]\r\nloop=1\r\n", {.loop = Loop::On});
        row("loop 2", "[isloop]\r\nloop=2\r\n", {.loop = Loop::Unchanged});
        row("loop empty", "[isloop]\r\nloop=\r\n", {});
        row("loop letters", "[isloop]\r\nloop=yes\r\n", {});
        row("select as written", "[formquality]\r\nselect= 2\r\n", {.quality = 2});
        row("select 3", "[formquality]\r\nselect=3\r\n", {.quality = 3});
        row("select 7", "[formquality]\r\nselect=7\r\n", {.quality = -1});
        row("select empty", "[formquality]\r\nselect=\r\n", {});
        row("select -1", "[formquality]\r\nselect=-1\r\n", {.quality = -1});
        row("how 150", "[zoom]\r\nhow=150\r\n", {.zoom = 150});
        row("how empty", "[zoom]\r\nhow=\r\n", {});
        row("how 40000", "[zoom]\r\nhow=40000\r\n", {});
        row("how -32768", "[zoom]\r\nhow=-32768\r\n", {.zoom = -32768});
        row("upper-case names",
            "[FileListWindow]\r\nSHOW=0\r\n[GOMOVIE]\r\nFrame=5\r\n[IsLoop]\r\nLoop=1\r\n",
            {.list = false, .scan = 5, .loop = Loop::On});
    }

    void startupSettings() {
        QFETCH(QByteArray, content);
        QFETCH(Startup, expected);
        prepare(content);
        const StartupSettings settings = readStartupSettings(iniPath());
        QCOMPARE(settings.showListWindow, expected.list);
        QCOMPARE(settings.showPlayWindow, expected.play);
        QCOMPARE(int(settings.scanStep), expected.scan);
        QCOMPARE(int(settings.frameStep), expected.frame);
        QCOMPARE(settings.loop, expected.loop);
        QCOMPARE(settings.qualityIndex, expected.quality);
        QCOMPARE(int(settings.zoomPercent), expected.zoom);
    }

    void savedListPath() {
        QCOMPARE(readSavedListPath(iniPath()), QString());
        const QString longPath = QStringLiteral("D:\\") + QString(300, u'列') + QStringLiteral(".vtl");
        prepare(gb("[listfile]\r\nsavepath=" + longPath + "\r\n"));
        // 255 bytes hold the drive part (3 bytes) and 126 two-byte characters.
        QCOMPARE(readSavedListPath(iniPath()), longPath.left(3 + 126));
    }

    void exitSettings_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("listPath");
        QTest::addColumn<bool>("listWindow");
        QTest::addColumn<bool>("playWindow");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<int>("quality");
        QTest::addColumn<QString>("expectedSelect"); // as read back; "missing" when absent

        QTest::newRow("first exit, quality 2")
            << kNoFile << QStringLiteral("D:\\列表.vtl") << true << false << true << 2 << QStringLiteral("2");
        QTest::newRow("no quality checked leaves select")
            << QByteArray("[formquality]\r\nselect=7\r\n") << QString() << false << true << false << -1
            << QStringLiteral("7");
        QTest::newRow("no quality checked, no file")
            << kNoFile << QString() << true << true << false << -1 << QStringLiteral("missing");
        QTest::newRow("overwrites what was there")
            << QByteArray(
                   "[filelistwindow]\r\nshow=0\r\n[fileplaywindow]\r\nshow=1\r\n[listfile]\r\nsavepath=x\r\n"
                   "[isloop]\r\nloop=1\r\n[formquality]\r\nselect= 1\r\n")
            << QString() << true << false << false << 0 << QStringLiteral("0");
    }

    void exitSettings() {
        QFETCH(QByteArray, before);
        QFETCH(QString, listPath);
        QFETCH(bool, listWindow);
        QFETCH(bool, playWindow);
        QFETCH(bool, loop);
        QFETCH(int, quality);
        prepare(before + (before.isNull() ? QByteArray() : QByteArray("[gomovie]\r\nframe=7\r\n")));

        writeExitSettings({listPath, listWindow, playWindow, loop, quality}, iniPath());

        const auto read = [this](const char* section, const char* key) {
            return platform::readProfileString(QLatin1String(section), QLatin1String(key),
                                               QStringLiteral("missing"), iniPath())
                .value;
        };
        QCOMPARE(read("listfile", "savepath"), listPath);
        QCOMPARE(read("filelistwindow", "show"), QLatin1String(listWindow ? "1" : "0"));
        QCOMPARE(read("fileplaywindow", "show"), QLatin1String(playWindow ? "1" : "0"));
        QCOMPARE(read("isloop", "loop"), QLatin1String(loop ? "1" : "0"));
        QTEST(read("formquality", "select"), "expectedSelect");
        const QByteArray written = readBytes(iniPath());
        if (quality >= 0) QVERIFY(written.contains("select= " + QByteArray::number(quality) + "\r\n"));
        if (!before.isNull()) QVERIFY(written.contains("[gomovie]\r\nframe=7\r\n"));

        // What was written reads back as the same start-up state.
        const StartupSettings again = readStartupSettings(iniPath());
        QCOMPARE(again.showListWindow, listWindow);
        QCOMPARE(again.showPlayWindow, playWindow);
        QCOMPARE(again.loop, loop ? StartupSettings::Loop::On : StartupSettings::Loop::Off);
        QCOMPARE(readSavedListPath(iniPath()), listPath);
    }

    void settingsFileBesideProgram() {
        platform::setProgramFolderForTesting(m_dir.path());
        QCOMPARE(settingsFilePath(), iniPath());
        platform::setProgramFolderForTesting(QString());
        QCOMPARE(settingsFilePath(), QCoreApplication::applicationDirPath() + QStringLiteral("/Vantrel.ini"));
    }

    // An installed copy's folder cannot be written: the settings and lists go to the user's
    // configuration folder instead of failing silently. (A folder below a plain file cannot be
    // written by anyone, administrators included.)
    void settingsInUserFolderWhenProgramFolderIsReadOnly() {
        QStandardPaths::setTestModeEnabled(true);
        QFile blocker(m_dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        platform::setProgramFolderForTesting(m_dir.filePath(QStringLiteral("file/program")));
        const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QCOMPARE(settingsFilePath(), user + QStringLiteral("/Vantrel.ini"));
        QVERIFY(QFileInfo(user).isDir());
        writeExitSettings(ExitSettings{}, settingsFilePath());
        QVERIFY(QFile::exists(user + QStringLiteral("/Vantrel.ini")));
        QFile::remove(user + QStringLiteral("/Vantrel.ini"));
        platform::setProgramFolderForTesting(QString());
        QStandardPaths::setTestModeEnabled(false);
    }

    // The player's own section: odd values fall back, the level is kept within 0 to 100, and
    // what is written is what the next start reads (the opposite of each choice, so a writer
    // that leaves a key alone shows).
    void playerSettings_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("volume");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<QByteArray>("codePage");
        const QByteArray gbk("GB18030");
        QTest::newRow("no file") << kNoFile << 100 << false << false << gbk;
        QTest::newRow("set") << QByteArray("[sound]\r\nvolume=35\r\nmute=1\r\n[player]\r\ncontinuous=1\r\n"
                                           "codepage=big5\r\n")
                             << 35 << true << true << QByteArray("Big5");
        QTest::newRow("out of range")
            << QByteArray("[sound]\r\nvolume=250\r\nmute=7\r\n") << 100 << false << false << gbk;
        QTest::newRow("below zero") << QByteArray("[sound]\r\nvolume=-5\r\n") << 0 << false << false << gbk;
        QTest::newRow("empty") << QByteArray("[sound]\r\nvolume=\r\n") << 100 << false << false << gbk;
        QTest::newRow("unknown code page")
            << QByteArray("[player]\r\ncodepage=UTF-7\r\n") << 100 << false << false << gbk;
    }

    void playerSettings() {
        QFETCH(QByteArray, file);
        QFETCH(int, volume);
        QFETCH(bool, muted);
        QFETCH(QByteArray, codePage);
        prepare(file);
        const PlayerSettings read = readPlayerSettings(iniPath());
        QCOMPARE(read.volume, volume);
        QCOMPARE(read.muted, muted);
        QTEST(read.continuousPlay, "continuous");
        QCOMPARE(read.codePage, codePage);
        PlayerSettings changed = read;
        changed.volume = 100 - read.volume;
        changed.muted = !read.muted;
        changed.continuousPlay = !read.continuousPlay;
        changed.codePage = read.codePage == "GB18030" ? QByteArray("Shift_JIS") : QByteArray("GB18030");
        writePlayerSettings(changed, iniPath());
        const PlayerSettings again = readPlayerSettings(iniPath());
        QCOMPARE(again.volume, changed.volume);
        QCOMPARE(again.muted, changed.muted);
        QCOMPARE(again.continuousPlay, changed.continuousPlay);
        QCOMPARE(again.codePage, changed.codePage);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
