// The reference corpus: pictures the reference player drew, compared with ours within the
// corpus's tolerance, and the real-world movies played to their end. The score is reported;
// only crashes, load failures and a drop below the floor fail.
#include "swf/Player.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTest>

#include <functional>
#include <limits>
#include <map>

namespace {

// Cases within tolerance today, less a margin; raise it as drawing improves.
constexpr int kPassFloor = 27;
constexpr int kTracePassFloor = 28;
constexpr int kChannelTolerance = 8;
constexpr double kMaxWrongOfPicture = 0.0025;
constexpr double kMaxWrongOfDrawn = 0.10;

QString corpusDir() { return QStringLiteral(VANTREL_CORPUS_DIR); }

bool close(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= kChannelTolerance && std::abs(qGreen(a) - qGreen(b)) <= kChannelTolerance &&
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

QImage renderCase(swf::Player& player, int frames, double scale, swf::Quality quality) {
    player.setLoop(true);
    player.play();
    for (int shown = 1; shown < frames; ++shown) player.advance();
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

}  // namespace

class SwfCorpusTest : public QObject {
    Q_OBJECT

private slots:
    void pictures();
    void traces();
    void realMoviesPlayToTheEnd_data();
    void realMoviesPlayToTheEnd();
};

namespace {
// One case of the given kind: its name, folder and case.json; returns whether it passed.
using CaseRun = std::function<bool(const QString& name, const QDir& dir, const QJsonObject& info)>;

// Runs every case of a kind (or those VANTREL_CORPUS_CASE names) and reports the score by
// category; the number that passed, or -1 where the corpus is missing.
int runCases(const QString& kind, const char* verb, const CaseRun& run) {
    const QDir cases(corpusDir() + QStringLiteral("/cases"));
    if (!cases.exists()) return -1;
    std::map<QString, std::pair<int, int>> byCategory;  // passed, total
    int passed = 0, total = 0;
    const QString only = qEnvironmentVariable("VANTREL_CORPUS_CASE");
    for (const QString& name : cases.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!only.isEmpty() && !name.contains(only)) continue;
        const QDir dir(cases.filePath(name));
        QFile json(dir.filePath(QStringLiteral("case.json")));
        if (!json.open(QIODevice::ReadOnly)) continue;
        const QJsonObject info = QJsonDocument::fromJson(json.readAll()).object();
        if (info.value(QLatin1String("kind")).toString() != kind) continue;
        const bool ok = run(name, dir, info);
        if (QTest::currentTestFailed()) return passed;
        auto& entry = byCategory[info.value(QLatin1String("category")).toString()];
        entry.second++;
        total++;
        if (ok) {
            entry.first++;
            passed++;
        }
    }
    for (const auto& [category, counts] : byCategory)
        qInfo("category %s: %d of %d %s", qPrintable(category), counts.first, counts.second, verb);
    qInfo("corpus %s: %d of %d %s", qPrintable(kind), passed, total, verb);
    return only.isEmpty() ? passed : std::numeric_limits<int>::max();
}
}  // namespace

void SwfCorpusTest::pictures() {
    const int passed = runCases(QStringLiteral("image"), "within tolerance",
                                [](const QString& name, const QDir& dir, const QJsonObject& info) {
        const int frames = info.value(QLatin1String("frames")).toInt(1);
        const double scale = info.value(QLatin1String("scale")).toDouble(1);
        const swf::Quality quality =
            info.value(QLatin1String("quality")).toString() == QLatin1String("low") ? swf::Quality::Low : swf::Quality::High;
        swf::Player player;
        const QString movie = dir.filePath(info.value(QLatin1String("movie")).toString());
        [&] { QVERIFY2(player.loadFile(movie), qPrintable(name + QStringLiteral(": ") + player.errorText())); }();
        const QImage actual = renderCase(player, frames, scale, quality);
        const QImage expected(dir.filePath(QStringLiteral("expected.png")));
        [&] { QVERIFY2(!expected.isNull(), qPrintable(name)); }();
        const Comparison result = compare(actual, expected.convertToFormat(QImage::Format_RGB32),
                                          player.backgroundColor().rgb());
        const bool ok = actual.size() == expected.size() && result.passes();
        if (!qEnvironmentVariableIsEmpty("VANTREL_CORPUS_OUT"))
            actual.save(qEnvironmentVariable("VANTREL_CORPUS_OUT") + QLatin1Char('/') + name + QStringLiteral(".png"));
        qInfo("%s %s: %lld wrong of %lld (%lld drawn)", ok ? "pass" : "FAIL", qPrintable(name), result.wrong,
              result.total, result.drawn);
        return ok;
    });
    if (passed < 0) QSKIP("the corpus is not here (VANTREL_CORPUS_DIR)");
    QVERIFY2(passed >= kPassFloor, "fewer corpus pictures within tolerance than before");
}

// Trace cases: the lines our scripts print over the case's frames against the reference's,
// line for line. Like the pictures, the score is reported and guarded by a floor.
void SwfCorpusTest::traces() {
    const int passed = runCases(QStringLiteral("trace"), "match",
                                [](const QString& name, const QDir& dir, const QJsonObject& info) {
        const int frames = info.value(QLatin1String("frames")).toInt(1);
        QFile expectedFile(dir.filePath(QStringLiteral("expected.txt")));
        [&] { QVERIFY2(expectedFile.open(QIODevice::ReadOnly), qPrintable(name)); }();
        QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(QLatin1Char('\n'));
        if (!expected.isEmpty() && expected.last().isEmpty()) expected.removeLast();
        swf::Player player;
        QStringList lines;
        player.setTraceHandler([&lines](const QString& line) { lines += line.split(QLatin1Char('\n')); });
        const QString movie = dir.filePath(info.value(QLatin1String("movie")).toString());
        [&] { QVERIFY2(player.loadFile(movie), qPrintable(name + QStringLiteral(": ") + player.errorText())); }();
        player.setLoop(true);
        player.play();
        for (int shown = 1; shown < frames && !player.quitRequested(); ++shown) player.advance();
        const bool ok = lines == expected;
        qInfo("%s %s (%s): %lld lines of %lld expected", ok ? "pass" : "FAIL", qPrintable(name),
              qPrintable(info.value(QLatin1String("category")).toString()), qint64(lines.size()),
              qint64(expected.size()));
        return ok;
    });
    if (passed < 0) QSKIP("the corpus is not here (VANTREL_CORPUS_DIR)");
    QVERIFY2(passed >= kTracePassFloor, "fewer corpus traces match than before");
}

void SwfCorpusTest::realMoviesPlayToTheEnd_data() {
    QTest::addColumn<QString>("path");
    const QDir real(corpusDir() + QStringLiteral("/real"));
    // Without rows the test function would run once with nothing to fetch.
    if (!real.exists()) QSKIP("the corpus is not here (VANTREL_CORPUS_DIR)");
    for (const QString& name : real.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << real.filePath(name);
}

void SwfCorpusTest::realMoviesPlayToTheEnd() {
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
    QVERIFY(player.scriptMessage().isEmpty());
}

QTEST_MAIN(SwfCorpusTest)
#include "swf_corpus_test.moc"
