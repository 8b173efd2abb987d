// The reference corpus: what the reference player printed and drew for the cases of
// ../shared/corpus/cases, against what our engine prints and draws, and the real-world movies
// played to their end.
//
// The repository keeps a record of the cases that pass (tests/corpus/passing.txt). A recorded
// case that fails is a regression and fails its row; a case that passes but is not recorded is
// listed at the end so the record can be raised in the same commit (tools/corpus.sh --update).
// CTest runs the cases in shards (VANTREL_CORPUS_SHARD="k/N") so both cores work and no
// QtTest function runs for long; VANTREL_CORPUS_CASE picks cases whose names contain it, and
// VANTREL_CORPUS_RESULTS names a file each shard appends its results to, one case a line.
#include "swf/Player.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <map>

namespace {

// The process setting device text needs, made before QTEST_MAIN's application exists.
const bool kProcessPrepared = (swf::Player::prepareProcess(), true);

constexpr int kChannelTolerance = 8;
constexpr double kMaxWrongOfPicture = 0.0025;
constexpr double kMaxWrongOfDrawn = 0.10;
// A case's scripts get less time than a real movie's: a case that needs more than this is a
// runaway in our engine, and the run has 1,700 cases to get through. The heaviest passing case
// needs about 0.7 s here; build machines several times slower than this one must still pass it.
// Sanitized builds run several times slower again.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSlowBuild = 3;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr qint64 kSlowBuild = 3;
#else
constexpr qint64 kSlowBuild = 1;
#endif
#else
constexpr qint64 kSlowBuild = 1;
#endif
constexpr qint64 kCaseScriptBudgetMs = 10000 * kSlowBuild;
constexpr qint64 kCaseDeadlineMs = 40000 * kSlowBuild;
// The reference player recorded the trace cases with its calendar clock held at one moment
// (their dates all read 2002-10-28 21:24:04 UTC), so our runs replay that moment.
constexpr double kRecordedDateMs = 1035840244000.0;
// The reference player ran on a Western system: the text of movies before SWF 6, which
// carry no code page, was read as Latin-1 there (UTF-8 letters show as "Ã¤", and bytes
// 0x80-0x9f stay the control characters they are in Latin-1).
constexpr char kRecordedCodePage[] = "ISO-8859-1";

QString corpusDir() {
    return QStringLiteral(VANTREL_CORPUS_DIR);
}
// The origins whose expected traces hold a carriage return inside a line: their logs keep
// what was traced. Read once from the cases themselves.
const QSet<QString>& keepsReturnsInLines() {
    static const QSet<QString> origins = [] {
        QSet<QString> found;
        const QDir root(corpusDir() + QStringLiteral("/cases"));
        for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile expected(root.filePath(name + QStringLiteral("/expected.txt")));
            QFile json(root.filePath(name + QStringLiteral("/case.json")));
            if (!expected.open(QIODevice::ReadOnly) || !json.open(QIODevice::ReadOnly)) continue;
            static const QRegularExpression returnInLine(QStringLiteral("\r[^\n]"));
            if (QString::fromUtf8(expected.readAll()).contains(returnInLine))
                found.insert(QJsonDocument::fromJson(json.readAll())
                                 .object()
                                 .value(QLatin1String("origin"))
                                 .toString());
        }
        return found;
    }();
    return origins;
}

QString recordPath() {
    return QStringLiteral(VANTREL_SOURCE_DIR "/tests/corpus/passing.txt");
}

struct Case {
    QString name;
    QDir dir;
    QJsonObject info;
    QString category() const { return info.value(QLatin1String("category")).toString(); }
    QString origin() const { return info.value(QLatin1String("origin")).toString(); }
    int version() const { return info.value(QLatin1String("swf_version")).toInt(); }
    int frames() const { return info.value(QLatin1String("frames")).toInt(1); }
    QString movie() const { return dir.filePath(info.value(QLatin1String("movie")).toString()); }
};

// The cases of one kind in this shard, in name order.
QList<Case> casesOf(const QString& kind) {
    QList<Case> result;
    const QDir root(corpusDir() + QStringLiteral("/cases"));
    if (!root.exists()) return result;
    int shard = 0, shards = 1;
    const QStringList shardSpec = qEnvironmentVariable("VANTREL_CORPUS_SHARD").split(QLatin1Char('/'));
    if (shardSpec.size() == 2) {
        shard = shardSpec[0].toInt();
        shards = std::max(1, shardSpec[1].toInt());
    }
    const QString only = qEnvironmentVariable("VANTREL_CORPUS_CASE");
    int index = 0;
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile json(root.filePath(name + QStringLiteral("/case.json")));
        if (!json.open(QIODevice::ReadOnly)) continue;
        Case c{name, QDir(root.filePath(name)), QJsonDocument::fromJson(json.readAll()).object()};
        if (c.info.value(QLatin1String("kind")).toString() != kind) continue;
        if (index++ % shards != shard) continue;
        if (!only.isEmpty() && !name.contains(only)) continue;
        result += c;
    }
    return result;
}

QSet<QString> readRecord() {
    QSet<QString> names;
    QFile file(recordPath());
    if (!file.open(QIODevice::ReadOnly)) return names;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) names.insert(QString::fromUtf8(line.trimmed()));
    return names;
}

bool close(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= kChannelTolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= kChannelTolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= kChannelTolerance;
}

struct Comparison {
    qint64 wrong = 0, drawn = 0, total = 0;
    bool passes() const {
        return wrong <= kMaxWrongOfPicture * total && wrong <= kMaxWrongOfDrawn * std::max<qint64>(drawn, 1);
    }
};

// A pixel is wrong when no pixel within one step of it in the other picture is close.
Comparison compare(const QImage& actual, const QImage& expected, QRgb background) {
    Comparison result;
    const int w = expected.width(), h = expected.height();
    result.total = qint64(w) * h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb want = expected.pixel(x, y);
            if (!close(want, background)) ++result.drawn;
            bool ok = false;
            for (int dy = -1; dy <= 1 && !ok; ++dy)
                for (int dx = -1; dx <= 1 && !ok; ++dx) {
                    const int ax = x + dx, ay = y + dy;
                    if (ax >= 0 && ay >= 0 && ax < actual.width() && ay < actual.height())
                        ok = close(actual.pixel(ax, ay), want);
                }
            if (!ok) ++result.wrong;
        }
    }
    return result;
}

// Shows frame 1 and advances until the case's frames have been shown, as the reference runs
// were made: the movie starts as it would in the player, so a stop() on its first frame holds.
void runFrames(swf::Player& player, int frames) {
    QElapsedTimer clock;
    clock.start();
    player.setLoop(true);
    for (int shown = 1; shown < frames && !player.quitRequested() && clock.elapsed() < kCaseDeadlineMs;
         ++shown)
        player.advance();
}

QImage drawStage(const swf::Player& player, double scale, swf::Quality quality) {
    const QSize size(qRound(player.stageSize().width() * scale), qRound(player.stageSize().height() * scale));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    QTransform toDevice;
    toDevice.scale(scale / 20, scale / 20);
    toDevice.translate(-player.stageRect().x(), -player.stageRect().y());
    player.render(painter, toDevice, quality);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

struct Score {
    int passed = 0, total = 0;
};

} // namespace

class SwfCorpusTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        m_record = readRecord();
        const QString results = qEnvironmentVariable("VANTREL_CORPUS_RESULTS");
        if (!results.isEmpty()) {
            m_results.setFileName(results);
            QVERIFY2(m_results.open(QIODevice::Append | QIODevice::Text), qPrintable(results));
        }
    }

    void pictures_data() { addRows(QStringLiteral("image")); }

    void pictures() {
        const Case c = rowCase(QStringLiteral("image"));
        const double scale = c.info.value(QLatin1String("scale")).toDouble(1);
        const swf::Quality quality = c.info.value(QLatin1String("quality")).toString() == QLatin1String("low")
                                         ? swf::Quality::Low
                                         : swf::Quality::High;
        swf::Player player;
        player.setScriptTimeBudgetMs(kCaseScriptBudgetMs);
        player.setCodePage(kRecordedCodePage);
        const QImage expected(c.dir.filePath(QStringLiteral("expected.png")));
        QVERIFY2(!expected.isNull(), qPrintable(c.name));
        if (!playCase(c, player)) return;
        const QImage actual = drawStage(player, scale, quality);
        const Comparison result =
            compare(actual, expected.convertToFormat(QImage::Format_RGB32), player.backgroundColor().rgb());
        const bool sameSize = actual.size() == expected.size();
        if (!qEnvironmentVariableIsEmpty("VANTREL_CORPUS_OUT"))
            actual.save(qEnvironmentVariable("VANTREL_CORPUS_OUT") + QLatin1Char('/') + c.name +
                        QStringLiteral(".png"));
        judge(c, sameSize && result.passes(),
              sameSize ? QStringLiteral("%1 wrong of %2 (%3 drawn)")
                             .arg(result.wrong)
                             .arg(result.total)
                             .arg(result.drawn)
                       : QStringLiteral("size %1x%2, expected %3x%4")
                             .arg(actual.width())
                             .arg(actual.height())
                             .arg(expected.width())
                             .arg(expected.height()));
    }

    void traces_data() { addRows(QStringLiteral("trace")); }

    // The lines our scripts print over the case's frames against the reference's, line for line.
    void traces() {
        const Case c = rowCase(QStringLiteral("trace"));
        QFile expectedFile(c.dir.filePath(QStringLiteral("expected.txt")));
        QVERIFY2(expectedFile.open(QIODevice::ReadOnly), qPrintable(c.name));
        // One suite's logs were written by the player's own trace log, which ends a line at a
        // carriage return as at a line feed (and some of its files end lines with both); the other
        // keeps carriage returns inside a line as they were traced.
        const bool returnsEndLines = !keepsReturnsInLines().contains(c.origin());
        QString expectedText = QString::fromUtf8(expectedFile.readAll());
        if (returnsEndLines) expectedText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QStringList expected = expectedText.split(QLatin1Char('\n'));
        if (!expected.isEmpty() && expected.last().isEmpty()) expected.removeLast();
        swf::Player player;
        player.setScriptTimeBudgetMs(kCaseScriptBudgetMs);
        player.setFixedDateMs(kRecordedDateMs);
        player.setCodePage(kRecordedCodePage);
        QStringList lines;
        const QRegularExpression lineEnd(returnsEndLines ? QStringLiteral("[\r\n]") : QStringLiteral("\n"));
        player.setTraceHandler([&lines, &lineEnd](const QString& line) { lines += line.split(lineEnd); });
        if (!playCase(c, player)) return;
        qsizetype first = 0;
        while (first < lines.size() && first < expected.size() && lines[first] == expected[first])
            ++first;
        const QString detail =
            lines == expected
                ? QStringLiteral("%1 lines").arg(lines.size())
                : QStringLiteral("%1 lines of %2 expected, first difference at line %3: \"%4\" for \"%5\"")
                      .arg(lines.size())
                      .arg(expected.size())
                      .arg(first + 1)
                      .arg(first < lines.size() ? lines[first].left(80) : QStringLiteral("(nothing)"),
                           first < expected.size() ? expected[first].left(80) : QStringLiteral("(nothing)"));
        judge(c, lines == expected, detail);
    }

    void realMoviesPlayToTheEnd_data() {
        QTest::addColumn<QString>("path");
        const QDir real(corpusDir() + QStringLiteral("/real"));
        if (!real.exists()) QSKIP("the corpus is not here (VANTREL_CORPUS_DIR)");
        for (const QString& name : real.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << real.filePath(name);
    }

    void realMoviesPlayToTheEnd() {
        QFETCH(QString, path);
        swf::Player player;
        QVERIFY2(player.loadFile(path), qPrintable(player.errorText()));
        QVERIFY(player.isComplete());
        QCOMPARE(player.framesLoaded(), player.totalFrames());
        player.setLoop(false);
        player.play();
        QImage image(player.stageSize() / 4, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        QTransform toDevice = QTransform::fromScale(0.25 / 20, 0.25 / 20);
        // Draw every tenth frame: enough to walk every object through the renderer.
        for (int frame = 0; frame < player.totalFrames() + 5; ++frame) {
            if (frame % 10 == 0) player.render(painter, toDevice, swf::Quality::Low);
            player.advance();
        }
        // It reaches its last frame, unless its own script stopped it earlier (a game waiting
        // for the player's move); either way it did not run on past the end.
        QVERIFY(player.currentFrame() == player.framesLoaded() - 1 || !player.isPlaying());
        QCOMPARE(player.scriptFailure(), swf::avm1::AbortReason::None);
    }

    void cleanupTestCase() {
        for (const auto* table : {&m_byCategory, &m_byOrigin})
            for (const auto& [key, score] : *table)
                qInfo("%s: %d of %d pass", qPrintable(key), score.passed, score.total);
        if (!m_newlyPassing.isEmpty()) {
            qInfo("%d cases pass that the record lacks; raise it with tools/corpus.sh --update:",
                  int(m_newlyPassing.size()));
            for (const QString& name : m_newlyPassing)
                qInfo("  new pass: %s", qPrintable(name));
        }
    }

  private:
    Case rowCase(const QString& kind) {
        QFETCH(int, index);
        m_caseClock.start();
        return casesOf(kind).at(index);
    }

    // Loads the case's movie and plays its frames; a movie that does not load fails the case.
    bool playCase(const Case& c, swf::Player& player) {
        if (!player.loadFile(c.movie())) {
            judge(c, false, QStringLiteral("not loaded: ") + player.errorText());
            return false;
        }
        runFrames(player, c.frames());
        return true;
    }

    void addRows(const QString& kind) {
        QTest::addColumn<int>("index");
        const QList<Case> cases = casesOf(kind);
        // Without rows the test function would run once with nothing to fetch.
        if (cases.isEmpty())
            QSKIP("no cases: the corpus is not here (VANTREL_CORPUS_DIR), or none is picked");
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(qPrintable(cases[i].name)) << i;
    }

    // Counts a case's result, and fails the row when a recorded case no longer passes.
    void judge(const Case& c, bool passed, const QString& detail) {
        for (Score* score :
             {&m_byCategory[c.info.value(QLatin1String("kind")).toString() + QLatin1Char(' ') + c.category()],
              &m_byOrigin[c.info.value(QLatin1String("kind")).toString() + QLatin1Char(' ') + c.origin()]}) {
            score->total++;
            if (passed) score->passed++;
        }
        const bool recorded = m_record.contains(c.name);
        if (passed && !recorded) m_newlyPassing += c.name;
        if (m_results.isOpen()) {
            const QString line =
                QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8 ms\n")
                    .arg(passed ? QStringLiteral("pass") : QStringLiteral("fail"), c.name,
                         c.info.value(QLatin1String("kind")).toString(), c.category(), c.origin())
                    .arg(c.version())
                    .arg(detail)
                    .arg(m_caseClock.elapsed());
            m_results.write(line.toUtf8());
            m_results.flush();
        }
        if (recorded && !passed)
            QFAIL(qPrintable(QStringLiteral("%1 passed before and fails now: %2").arg(c.name, detail)));
    }

    QSet<QString> m_record;
    std::map<QString, Score> m_byCategory, m_byOrigin;
    QStringList m_newlyPassing;
    QFile m_results;
    QElapsedTimer m_caseClock;
};

QTEST_MAIN(SwfCorpusTest)
#include "corpus_test.moc"
