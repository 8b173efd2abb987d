// The headless renderer as its users run it: the movie starts as it does in the player's
// control, so reference runs made with the tool show what a person would see.
#include "action_assembler.h"
#include "swf_builder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using avm1test::ActionAssembler;
using swf::format::ActionCode;

class RenderToolTest : public QObject {
    Q_OBJECT

  private slots:
    void startsTheMovieAsTheControlDoes_data();
    void startsTheMovieAsTheControlDoes();
    void refusesActionScript3();
};

void RenderToolTest::startsTheMovieAsTheControlDoes_data() {
    QTest::addColumn<bool>("stopOnFirstFrame");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stop() on the first frame holds it") << true << QStringLiteral("one");
    QTest::newRow("without stop() it plays and loops") << false << QStringLiteral("one|two|one");
}

void RenderToolTest::startsTheMovieAsTheControlDoes() {
    QFETCH(bool, stopOnFirstFrame);
    QFETCH(QString, expected);
    swftest::SwfBuilder builder(6, QSize(100, 100), 12);
    ActionAssembler first;
    first.trace("one");
    if (stopOnFirstFrame) first.op(ActionCode::Stop);
    builder.doAction(first.bytes());
    builder.showFrame();
    builder.doAction(ActionAssembler().trace("two").bytes());
    builder.showFrame();
    QTemporaryDir dir;
    QFile movie(dir.filePath(QStringLiteral("movie.swf")));
    QVERIFY(movie.open(QIODevice::WriteOnly));
    movie.write(builder.finish());
    movie.close();

    QProcess tool;
    tool.start(QStringLiteral(VANTREL_RENDER_TOOL), {movie.fileName(), QStringLiteral("--frames"),
                                                     QStringLiteral("3"), QStringLiteral("--trace")});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.join(QLatin1Char('|')), expected);
}

// A movie made for ActionScript 3 is refused: status 1, and stderr names the reason.
void RenderToolTest::refusesActionScript3() {
    swftest::SwfBuilder builder(9, QSize(100, 100), 12);
    builder.rawTag(69, QByteArray("\x08\0\0\0", 4));
    builder.showFrame();
    QTemporaryDir dir;
    QFile movie(dir.filePath(QStringLiteral("as3.swf")));
    QVERIFY(movie.open(QIODevice::WriteOnly));
    movie.write(builder.finish());
    movie.close();
    QProcess tool;
    tool.start(QStringLiteral(VANTREL_RENDER_TOOL), {movie.fileName()});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QLatin1String("ActionScript 3")));
}

QTEST_MAIN(RenderToolTest)
#include "render_tool_test.moc"
