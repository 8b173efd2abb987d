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

Q_DECLARE_METATYPE(StartupSettings::Loop)

namespace {

const QByteArray kNoFile = QByteArray(); // a null array: the row has no file at all
} // namespace

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
        QTest::newRow("gbk euro is 0x80") << QStringLiteral("\u20AC5")
                                          << QByteArray("\x80"
                                                        "5");
        QTest::newRow("euro beside a char ending in 0x80")
            << QStringLiteral("亐\u20AC") << QByteArray("\x81\x80\x80");
        QTest::newRow("outside gbk: emoji") << QStringLiteral("a😀b")
                                            << QByteArray("a\x94\x39\xFC\x36"
                                                          "b");
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
        const QString decoded = platform::fromLocal8(QByteArray("a\xFF"
                                                                "b\x81",
                                                                4));
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
        QTest::newRow("missing file") << kNoFile << s << k << d << d << 4;
        QTest::newRow("empty file") << QByteArray("") << s << k << d << d << 4;
        QTest::newRow("missing section") << QByteArray("[t]\r\nk=1\r\n") << s << k << d << d << 4;
        QTest::newRow("missing key") << QByteArray("[s]\r\nj=1\r\n") << s << k << d << d << 4;
        QTest::newRow("key of the next section")
            << QByteArray("[s]\r\n[t]\r\nk=1\r\n") << s << k << d << d << 4;
        QTest::newRow("key before any section") << QByteArray("k=1\r\n[s]\r\n") << s << k << d << d << 4;
        QTest::newRow("empty value") << QByteArray("[s]\r\nk=\r\n") << s << k << d << QString() << 0;
        QTest::newRow("blank value") << QByteArray("[s]\r\nk=  \t \r\n") << s << k << d << QString() << 0;
        QTest::newRow("names without case") << QByteArray("[S]\r\nK=v\r\n") << QStringLiteral("s")
                                            << QStringLiteral("k") << d << QStringLiteral("v") << 1;
        QTest::newRow("blanks around everything")
            << QByteArray("  [ s ]  \r\n  k  =  a b  \r\n") << s << k << d << QStringLiteral("a b") << 3;
        QTest::newRow("first of duplicate sections")
            << QByteArray("[s]\r\nj=1\r\n[s]\r\nk=2\r\n") << s << k << d << d << 4;
        QTest::newRow("first of duplicate keys")
            << QByteArray("[s]\r\nk=1\r\nk=2\r\n") << s << k << d << QStringLiteral("1") << 1;
        QTest::newRow("lf endings") << QByteArray("[s]\nk=v\n") << s << k << d << QStringLiteral("v") << 1;
        QTest::newRow("last line without end")
            << QByteArray("[s]\r\nk=v") << s << k << d << QStringLiteral("v") << 1;
        QTest::newRow("value holding =")
            << QByteArray("[s]\r\nk=a=b\r\n") << s << k << d << QStringLiteral("a=b") << 3;
        QTest::newRow("junk lines")
            << QByteArray("\x01\x02\xFF\xFE\r\nno equals\r\n;k=c\r\n[s]\r\nzz\r\n=x\r\nk=v\r\n") << s << k
            << d << QStringLiteral("v") << 1;
        QTest::newRow("nul bytes in the file")
            << QByteArray("[s]\r\nj=\0\0\r\nk=v\r\n", 17) << s << k << d << QStringLiteral("v") << 1;
        QTest::newRow("chinese value") << gb(QStringLiteral("[s]\r\nk=D:\\影片\\a.swf\r\n")) << s << k << d
                                       << QStringLiteral("D:\\影片\\a.swf") << 13;
        // 0x5D (']') is the second byte of 癩: the section name must be read as text, not bytes.
        QTest::newRow("section name with ] as a second byte")
            << gb(QStringLiteral("[x癩]\r\nk=v\r\n")) << QStringLiteral("x癩") << k << d
            << QStringLiteral("v") << 1;
        QTest::newRow("chinese key name") << gb(QStringLiteral("[s]\r\n路径=v\r\n")) << s
                                          << QStringLiteral("路径") << d << QStringLiteral("v") << 1;

        const QString longAscii(300, u'x');
        QTest::newRow("long value cut at 255 bytes")
            << QByteArray("[s]\r\nk=" + longAscii.toLatin1() + "\r\n") << s << k << d << longAscii.left(255)
            << 255;
        const QString longChinese(200, u'汉');
        QTest::newRow("chinese cut before a split character")
            << gb("[s]\r\nk=" + longChinese + "\r\n") << s << k << d << longChinese.left(127) << 254;
        const QString fourByteAtEnd = QString(253, u'a') + QStringLiteral("😀");
        QTest::newRow("four-byte character across the cut")
            << gb("[s]\r\nk=" + fourByteAtEnd + "\r\n") << s << k << d << QString(253, u'a') << 253;
        QTest::newRow("long default cut too") << kNoFile << s << k << longAscii << longAscii.left(255) << 255;
        QTest::newRow("default of a chinese path")
            << kNoFile << s << k << QStringLiteral("中") << QStringLiteral("中") << 2;
    }

    void profileRead() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QFETCH(QString, value);
        QFETCH(int, copied);
        prepare(content);
        const ProfileValue read = platform::readProfileString(section, key, defaultValue, iniPath());
        QCOMPARE(read.value, value);
        QCOMPARE(read.copied, copied);
    }

    void profileWrite_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QString s = QStringLiteral("s");
        const QString k = QStringLiteral("k");
        const QString v = QStringLiteral("v");
        QTest::newRow("creates the file") << kNoFile << s << k << v << QByteArray("[s]\r\nk=v\r\n");
        QTest::newRow("empty file") << QByteArray("") << s << k << v << QByteArray("[s]\r\nk=v\r\n");
        QTest::newRow("replaces in place, other lines untouched")
            << QByteArray("; note\r\n[a]\nx = 1 \r\n[S]\r\n  j=1\r\nK = old \r\n\tz=2\r\n\r\n[b]\r\ny\r\n")
            << s << k << v
            << QByteArray("; note\r\n[a]\nx = 1 \r\n[S]\r\n  j=1\r\nK =v\r\n\tz=2\r\n\r\n[b]\r\ny\r\n");
        QTest::newRow("appends after the section's last key")
            << QByteArray("[s]\r\nj=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n") << s << k << v
            << QByteArray("[s]\r\nj=1\r\nk=v\r\n\r\n; about b\r\n[b]\r\ny=2\r\n");
        QTest::newRow("section without keys")
            << QByteArray("[s]\r\n\r\n[b]\r\n") << s << k << v << QByteArray("[s]\r\nk=v\r\n\r\n[b]\r\n");
        QTest::newRow("new section at the end") << QByteArray("[a]\r\nx=1\r\n\r\n") << s << k << v
                                                << QByteArray("[a]\r\nx=1\r\n\r\n[s]\r\nk=v\r\n");
        QTest::newRow("lf file keeps lf")
            << QByteArray("[s]\nj=1\n") << s << k << v << QByteArray("[s]\nj=1\nk=v\n");
        QTest::newRow("last line without end")
            << QByteArray("[s]\r\nj=1") << s << k << v << QByteArray("[s]\r\nj=1\r\nk=v\r\n");
        // Found by fuzzing: a lone CR at the end is no line end, or the key added after it
        // would join that line and never be read back.
        QTest::newRow("last line ends in a lone CR")
            << QByteArray("[s]\r\nj=1\r") << s << k << v << QByteArray("[s]\r\nj=1\r\r\nk=v\r\n");
        QTest::newRow("first of duplicate sections") << QByteArray("[s]\r\n[s]\r\nk=1\r\n") << s << k << v
                                                     << QByteArray("[s]\r\nk=v\r\n[s]\r\nk=1\r\n");
        // Found by fuzzing: a name with a control character other than a blank was trimmed of it
        // when written, so it did not read back under the name asked for.
        QTest::newRow("new key ending in a vertical tab")
            << QByteArray("[s]\r\nj=1\r\n") << s << QStringLiteral("k\v") << v
            << QByteArray("[s]\r\nj=1\r\nk\v=v\r\n");
        QTest::newRow("new section ending in a form feed") << QByteArray("[a]\r\n") << QStringLiteral("s\f")
                                                           << k << v << QByteArray("[a]\r\n[s\f]\r\nk=v\r\n");
        QTest::newRow("binary junk kept") << QByteArray("\xFF\xFE\x01\r\n[s]\r\nk=1\r\n") << s << k << v
                                          << QByteArray("\xFF\xFE\x01\r\n[s]\r\nk=v\r\n");
        QTest::newRow("empty value") << QByteArray("[s]\r\nk=1\r\n") << s << k << QString()
                                     << QByteArray("[s]\r\nk=\r\n");
        QTest::newRow("number text with its blank") << QByteArray("[s]\r\nk=3\r\n") << s << k
                                                    << QStringLiteral(" 2") << QByteArray("[s]\r\nk= 2\r\n");
        QTest::newRow("chinese value in gb18030")
            << QByteArray("[s]\r\nk=1\r\n") << s << k << QStringLiteral("中")
            << QByteArray("[s]\r\nk=\xD6\xD0\r\n");
        QTest::newRow("outside gbk in four bytes")
            << kNoFile << s << k << QStringLiteral("😀") << QByteArray("[s]\r\nk=\x94\x39\xFC\x36\r\n");
        QTest::newRow("blanks around are written, not read back")
            << kNoFile << s << k << QStringLiteral("  x y\t") << QByteArray("[s]\r\nk=  x y\t\r\n");
    }

    void profileWrite() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        prepare(before);
        QVERIFY(platform::writeProfileString(section, key, value, iniPath()));
        QCOMPARE(readBytes(iniPath()), after);
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
        // A line break in a value would add lines the next read takes for keys or sections.
        QTest::newRow("value with a line feed") << "s"
                                                << "k"
                                                << "a\n[x]" << small;
        QTest::newRow("value with a carriage return") << "s"
                                                      << "k"
                                                      << "a\rb" << small;
        QTest::newRow("key holding =") << "s"
                                       << "k=j"
                                       << "v" << small;
        QTest::newRow("empty key") << "s"
                                   << " "
                                   << "v" << small;
        QTest::newRow("section holding ]") << "s]"
                                           << "k"
                                           << "v" << small;
        QByteArray huge = small;
        huge.append(QByteArray(platform::kMaxProfileFileBytes, 'x'));
        QTest::newRow("file too large to rewrite") << "s"
                                                   << "k"
                                                   << "v" << huge;
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
        QFETCH(double, number);
        QCOMPARE(platform::leadingNumber(text), number);
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
        QTest::addColumn<bool>("showList");
        QTest::addColumn<bool>("showPlay");
        QTest::addColumn<int>("scanStep");
        QTest::addColumn<int>("frameStep");
        QTest::addColumn<StartupSettings::Loop>("loop");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("zoom");
        using Loop = StartupSettings::Loop;

        QTest::newRow("no file") << kNoFile << true << false << 3 << 10 << Loop::Off << 0 << 90;
        QTest::newRow("list show empty") << QByteArray("[filelistwindow]\r\nshow=\r\n") << false << false << 3
                                         << 10 << Loop::Off << 0 << 90;
        QTest::newRow("show 1.0 and 1a")
            << QByteArray("[filelistwindow]\r\nshow=1.0\r\n[fileplaywindow]\r\nshow=1a\r\n") << true << true
            << 3 << 10 << Loop::Off << 0 << 90;
        QTest::newRow("show 2 and 0")
            << QByteArray("[filelistwindow]\r\nshow=2\r\n[fileplaywindow]\r\nshow=0\r\n") << false << false
            << 3 << 10 << Loop::Off << 0 << 90;
        QTest::newRow("frame empty, goframe 2.5") << QByteArray("[gomovie]\r\nframe=\r\ngoframe=2.5\r\n")
                                                  << true << false << 3 << 2 << Loop::Off << 0 << 90;
        QTest::newRow("frame letters, goframe 3.5") << QByteArray("[gomovie]\r\nframe=abc\r\ngoframe=3.5\r\n")
                                                    << true << false << 0 << 4 << Loop::Off << 0 << 90;
        QTest::newRow("frame blanks inside, goframe hex")
            << QByteArray("[gomovie]\r\nframe= 1 2\r\ngoframe=&H1F\r\n") << true << false << 12 << 31
            << Loop::Off << 0 << 90;
        QTest::newRow("steps out of 32-bit range")
            << QByteArray("[gomovie]\r\nframe=3000000000\r\ngoframe=-1e300\r\n") << true << false << 3 << 10
            << Loop::Off << 0 << 90;
        QTest::newRow("loop 1") << QByteArray("[isloop]\r\nloop=1\r\n") << true << false << 3 << 10
                                << Loop::On << 0 << 90;
        QTest::newRow("loop 2") << QByteArray("[isloop]\r\nloop=2\r\n") << true << false << 3 << 10
                                << Loop::Unchanged << 0 << 90;
        QTest::newRow("loop empty") << QByteArray("[isloop]\r\nloop=\r\n") << true << false << 3 << 10
                                    << Loop::Off << 0 << 90;
        QTest::newRow("loop letters")
            << QByteArray("[isloop]\r\nloop=yes\r\n") << true << false << 3 << 10 << Loop::Off << 0 << 90;
        QTest::newRow("select as written") << QByteArray("[formquality]\r\nselect= 2\r\n") << true << false
                                           << 3 << 10 << Loop::Off << 2 << 90;
        QTest::newRow("select 3") << QByteArray("[formquality]\r\nselect=3\r\n") << true << false << 3 << 10
                                  << Loop::Off << 3 << 90;
        QTest::newRow("select 7") << QByteArray("[formquality]\r\nselect=7\r\n") << true << false << 3 << 10
                                  << Loop::Off << -1 << 90;
        QTest::newRow("select empty")
            << QByteArray("[formquality]\r\nselect=\r\n") << true << false << 3 << 10 << Loop::Off << 0 << 90;
        QTest::newRow("select -1") << QByteArray("[formquality]\r\nselect=-1\r\n") << true << false << 3 << 10
                                   << Loop::Off << -1 << 90;
        QTest::newRow("how 150") << QByteArray("[zoom]\r\nhow=150\r\n") << true << false << 3 << 10
                                 << Loop::Off << 0 << 150;
        QTest::newRow("how empty") << QByteArray("[zoom]\r\nhow=\r\n") << true << false << 3 << 10
                                   << Loop::Off << 0 << 90;
        QTest::newRow("how 40000") << QByteArray("[zoom]\r\nhow=40000\r\n") << true << false << 3 << 10
                                   << Loop::Off << 0 << 90;
        QTest::newRow("how -32768") << QByteArray("[zoom]\r\nhow=-32768\r\n") << true << false << 3 << 10
                                    << Loop::Off << 0 << -32768;
        QTest::newRow("upper-case names")
            << QByteArray("[FileListWindow]\r\nSHOW=0\r\n[GOMOVIE]\r\nFrame=5\r\n[IsLoop]\r\nLoop=1\r\n")
            << false << false << 5 << 10 << Loop::On << 0 << 90;
    }

    void startupSettings() {
        QFETCH(QByteArray, content);
        prepare(content);
        const StartupSettings settings = readStartupSettings(iniPath());
        QTEST(settings.showListWindow, "showList");
        QTEST(settings.showPlayWindow, "showPlay");
        QTEST(int(settings.scanStep), "scanStep");
        QTEST(int(settings.frameStep), "frameStep");
        QTEST(settings.loop, "loop");
        QTEST(settings.qualityIndex, "quality");
        QTEST(int(settings.zoomPercent), "zoom");
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
        QFETCH(QString, expectedSelect);
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
        QCOMPARE(read("formquality", "select"), expectedSelect);
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
        QFETCH(bool, continuous);
        QFETCH(QByteArray, codePage);
        prepare(file);
        const PlayerSettings read = readPlayerSettings(iniPath());
        QCOMPARE(read.volume, volume);
        QCOMPARE(read.muted, muted);
        QCOMPARE(read.continuousPlay, continuous);
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
