// The headless renderer as its users run it: the movie starts as it does in the player's
// control, so reference runs made with the tool show what a person would see.
#include "action_assembler.h"
#include "swf_builder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using avm1test::ActionAssembler;
using swf::format::ActionCode;

namespace {
struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

// Writes the movie to a temporary folder and runs the tool on it with the given options.
ToolRun runTool(const QByteArray& movieBytes, const QStringList& options) {
    ToolRun run;
    QTemporaryDir dir;
    QFile movie(dir.filePath(QStringLiteral("movie.swf")));
    if (!movie.open(QIODevice::WriteOnly) || movie.write(movieBytes) != movieBytes.size()) return run;
    movie.close();
    QProcess tool;
    tool.start(QStringLiteral(VANTREL_RENDER_TOOL), QStringList{movie.fileName()} + options);
    if (!tool.waitForFinished(30000)) return run;
    run.exitCode = tool.exitCode();
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}
} // namespace

class RenderToolTest : public QObject {
    Q_OBJECT

  private slots:
    void startsTheMovieAsTheControlDoes_data() {
        QTest::addColumn<bool>("stopOnFirstFrame");
        QTest::addColumn<QString>("expected");
        QTest::newRow("stop() on the first frame holds it") << true << QStringLiteral("one");
        QTest::newRow("without stop() it plays and loops") << false << QStringLiteral("one|two|one");
    }

    void startsTheMovieAsTheControlDoes() {
        QFETCH(bool, stopOnFirstFrame);
        swftest::SwfBuilder builder(6, QSize(100, 100), 12);
        ActionAssembler first;
        first.trace("one");
        if (stopOnFirstFrame) first.op(ActionCode::Stop);
        builder.doAction(first.bytes());
        builder.showFrame();
        builder.doAction(ActionAssembler().trace("two").bytes());
        builder.showFrame();
        const ToolRun run = runTool(
            builder.finish(), {QStringLiteral("--frames"), QStringLiteral("3"), QStringLiteral("--trace")});
        QCOMPARE(run.exitCode, 0);
        QTEST(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char('|')), "expected");
    }

    // A movie made for ActionScript 3 is refused: status 1, and stderr names the reason.
    void refusesActionScript3() {
        swftest::SwfBuilder builder(9, QSize(100, 100), 12);
        builder.rawTag(69, QByteArray("\x08\0\0\0", 4));
        builder.showFrame();
        const ToolRun run = runTool(builder.finish(), {});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QLatin1String("ActionScript 3")));
    }
};

QTEST_MAIN(RenderToolTest)
#include "render_tool_test.moc"
