// Scripts on the stage: frame actions run as timelines play into frames, timeline actions
// from scripts, sprite scripts and paths, fscommand, getURL filtering, script-made clips,
// text fields, masks, focus and sounds. The corpus's trace cases run in swf_corpus_test.
#include "action_assembler.h"
#include "render_check.h"
#include "swf_builder.h"

#include "swf/Player.h"
#include "swf/navigator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <functional>

using avm1test::ActionAssembler;
using swf::format::ActionCode;
using swftest::SwfBuilder;

namespace {

QByteArray gotoLabel(const QString& label) {
    return label.toUtf8() + '\0';
}

struct Run {
    swf::Player player;
    QStringList traces;
    QStringList urls;
    explicit Run(const QByteArray& movie) {
        player.setTraceHandler([this](const QString& line) { traces << line; });
        player.setUrlHandler([this](const QString& url) { urls << url; });
        player.loadBytes(movie);
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i)
            player.advance();
    }
};

// The rows of a data-driven test: the movie's traces, joined by '|', after frames ticks.
void tracesMatch(int frames = 0) {
    QFETCH(QByteArray, movie);
    QFETCH(QString, expected);
    Run run(movie);
    run.frames(frames);
    QCOMPARE(run.traces.join(QLatin1Char('|')), expected);
}

// code.trace(object.member)
ActionAssembler& traceMember(ActionAssembler& code, const QString& object, const QString& member) {
    return code.getVariable(object).push({member}).op(ActionCode::GetMember).op(ActionCode::Trace);
}

// object.method(args...), its result left on the stack.
ActionAssembler& invoke(ActionAssembler& code, const QString& object, const QString& method,
                        std::initializer_list<avm1test::PushValue> args = {}) {
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        code.push({*it});
    return code.getVariable(object).callMethod(method, int(args.size()));
}

// new flash.<package>.<name>(args...), left on the stack.
ActionAssembler& newFlash(ActionAssembler& code, const QString& package, const QString& name,
                          std::initializer_list<avm1test::PushValue> args) {
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        code.push({*it});
    code.push({int(args.size())}).getVariable("flash").push({package}).op(ActionCode::GetMember);
    return code.push({name}).op(ActionCode::NewMethod);
}
ActionAssembler& newGeom(ActionAssembler& code, const QString& name,
                         std::initializer_list<avm1test::PushValue> args) {
    return newFlash(code, "geom", name, args);
}

// b.transform.<member> = new flash.geom.<name>(args...)
ActionAssembler& setTransform(ActionAssembler& code, const QString& member, const QString& name,
                              std::initializer_list<avm1test::PushValue> args) {
    code.getVariable("b").push({"transform"}).op(ActionCode::GetMember).push({member});
    return newGeom(code, name, args).op(ActionCode::SetMember);
}

// trace(b.transform.<member>)
ActionAssembler& traceTransform(ActionAssembler& code, const QString& member) {
    code.getVariable("b").push({"transform"}).op(ActionCode::GetMember).push({member});
    return code.op(ActionCode::GetMember).op(ActionCode::Trace);
}

// A two-frame movie whose first frame loads each file with a LoadVars and traces what arrives.
QByteArray loadVarsMovie(const QStringList& names) {
    ActionAssembler show(8);
    show.getVariable("t").op(ActionCode::Trace);
    ActionAssembler code(8);
    code.defineFunction("show", {"t"}, show);
    for (const QString& name : names) {
        code.push({"v", 0, "LoadVars"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
        code.getVariable("v").push({"onData"}).getVariable("show").op(ActionCode::SetMember);
        invoke(code, "v", "load", {name}).op(ActionCode::Pop);
    }
    SwfBuilder builder(8, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame(2);
    return builder.finish();
}

// A movie whose sprite (a 10 by 10 square, with spriteScript on its frame) is exported as
// "box", and whose first frame runs script.
QByteArray boxMovie(const ActionAssembler& script, const QByteArray& spriteScript = {}, int version = 8) {
    SwfBuilder builder(version, QSize(200, 200), 12);
    SwfBuilder sprite(version, QSize(100, 100), 12);
    sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
    if (!spriteScript.isEmpty()) sprite.doAction(spriteScript);
    sprite.showFrame();
    const int id = builder.defineSprite(sprite);
    QByteArray exports = avm1test::u16(1) + avm1test::u16(id) + QByteArray("box", 4);
    builder.rawTag(56, exports);
    builder.doAction(script.bytes());
    builder.showFrame();
    return builder.finish();
}

// A movie of one script per frame whose first frame places the box sprite as "t" at depth
// 1 (-16383 to scripts) and whose frame removeFrame (-1: none) removes that depth.
QByteArray timelineMovie(const std::vector<ActionAssembler>& scripts, int removeFrame = -1) {
    SwfBuilder builder(8, QSize(200, 200), 12);
    SwfBuilder sprite(8, QSize(100, 100), 12);
    sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
    sprite.showFrame();
    swftest::Place place;
    place.characterId = builder.defineSprite(sprite);
    place.name = QStringLiteral("t");
    builder.place(place);
    for (int frame = 0; frame < int(scripts.size()); ++frame) {
        if (frame == removeFrame) builder.remove(1);
        builder.doAction(scripts[size_t(frame)].bytes());
        builder.showFrame();
    }
    return builder.finish();
}

} // namespace

Q_DECLARE_METATYPE(avm1test::PushValue)

class SwfScriptTest : public QObject {
    Q_OBJECT

  private slots:
    void unnamedInstancesAreNumbered();
    void clipMethodsByVersion_data();
    void clipMethodsByVersion();
    void stopOnTheLastFrameHolds();
    void frameScriptsRunInOrderAndLoop();
    void gotoLabelFromScript();
    void spriteScriptsAndPaths();
    void scriptsTakeOverPlacement();
    void fscommandQuitAndUrls();
    void backwardSeekRunsNoScripts();
    void endlessGotosAreCutOff_data();
    void endlessGotosAreCutOff();
    void aSpentFrameStartsNoMoreScripts();
    void twoPlayersNeverMeet();
    void opaqueBackground_data();
    void opaqueBackground();
    void gradientFillFromScript();
    void setMask_data();
    void setMask();
    void scriptMadeClips_data();
    void scriptMadeClips();
    void childrenByName_data();
    void childrenByName();
    void variablePaths_data();
    void variablePaths();
    void timelineMeetsScriptDepths_data();
    void timelineMeetsScriptDepths();
    void textFields_data();
    void textFields();
    void textFormatTakesObjects_data();
    void textFormatTakesObjects();
    void styleSheets_data();
    void styleSheets();
    void clipPropertiesConvertAsThePlayerDoes_data();
    void clipPropertiesConvertAsThePlayerDoes();
    void gotoMovesThePlayheadAtOnce();
    void clipsRemovedWhileTheirScriptRuns_data();
    void clipsRemovedWhileTheirScriptRuns();
    void loadsStayBesideTheMovie();
    void loadsAskTheNavigator();
    void loadedByteCountsOutliveDelete();
    void rootLoadEventCallsOnLoad_data();
    void rootLoadEventCallsOnLoad();
    void loadedTextEncodings_data();
    void loadedTextEncodings();
    void chosenCodePage_data();
    void chosenCodePage();
    void textFormatValues_data();
    void textFormatValues();
    void textSnapshots_data();
    void textSnapshots();
    void loadingMoviesAndPictures_data();
    void loadingMoviesAndPictures();
};

// Sprites, buttons and fields the timeline places without a name are "instance1",
// "instance2"... in the order they are made; shapes and named instances take no number, a
// move that names nothing keeps the name. The root's frame script runs before the first
// frames of the sprites it placed, which already see the root on its first frame.
void SwfScriptTest::unnamedInstancesAreNumbered() {
    for (const int version : {5, 6, 7, 8}) {
        SwfBuilder builder(version, QSize(200, 200), 12);
        SwfBuilder sprite(version, QSize(100, 100), 12);
        ActionAssembler spriteScript(version);
        spriteScript.getVariable("_root")
            .push({"_currentframe"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        sprite.doAction(spriteScript.bytes());
        sprite.showFrame();
        const int spriteId = builder.defineSprite(sprite);
        const int shapeId = builder.defineRect(QRectF(0, 0, 10, 10), Qt::red);
        builder.place(1, spriteId);
        builder.place(2, shapeId);
        swftest::Place named;
        named.depth = 3;
        named.characterId = spriteId;
        named.name = QStringLiteral("n");
        builder.place(named);
        builder.place(4, spriteId);
        ActionAssembler first(version);
        for (const char* path : {"instance1", "instance2", "n"})
            first.getVariable("_root")
                .push({QString::fromLatin1(path)})
                .op(ActionCode::GetMember)
                .push({"_name"})
                .op(ActionCode::GetMember)
                .op(ActionCode::Trace);
        builder.doAction(first.bytes());
        builder.showFrame();
        swftest::Place moved;
        moved.depth = 1;
        moved.move = true;
        moved.matrix = QTransform::fromTranslate(5, 5);
        builder.place(moved);
        ActionAssembler second(version);
        second.getVariable("_root")
            .push({"instance1"})
            .op(ActionCode::GetMember)
            .push({"_x"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        builder.doAction(second.bytes());
        builder.showFrame();
        Run run(builder.finish());
        run.frames(1);
        QCOMPARE(run.traces.join(QLatin1Char('|')), QStringLiteral("instance1|instance2|n|1|1|1|5"));
    }
}

// MovieClip methods the player added after SWF 5 are not there for older movies; an empty
// clip counts one frame.
void SwfScriptTest::clipMethodsByVersion_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("expected"); // createEmptyMovieClip, getNextHighestDepth, attachMovie
    QTest::newRow("SWF 5") << 5 << "undefined|undefined|function";
    QTest::newRow("SWF 6") << 6 << "function|undefined|function|1|1";
    QTest::newRow("SWF 7") << 7 << "function|function|function|1|1";
}

void SwfScriptTest::clipMethodsByVersion() {
    QFETCH(int, version);
    QFETCH(QString, expected);
    ActionAssembler code(version);
    for (const char* method : {"createEmptyMovieClip", "getNextHighestDepth", "attachMovie"})
        code.getVariable("_root")
            .push({QString::fromLatin1(method)})
            .op(ActionCode::GetMember)
            .op(ActionCode::TypeOf)
            .op(ActionCode::Trace);
    if (version >= 6) {
        invoke(code, "_root", "createEmptyMovieClip", {"e", 5}).op(ActionCode::Pop);
        traceMember(code, "e", "_totalframes");
        traceMember(code, "e", "_framesloaded");
    }
    SwfBuilder builder(version, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame();
    Run run(builder.finish());
    QCOMPARE(run.traces.join(QLatin1Char('|')), expected);
}

void SwfScriptTest::stopOnTheLastFrameHolds() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    builder.showFrame(4);
    builder.doAction(ActionAssembler(6).op(ActionCode::Stop).bytes());
    builder.showFrame();
    Run run(builder.finish());
    run.player.setLoop(true);
    run.frames(10);
    QCOMPARE(run.player.currentFrame(), 4);
    QVERIFY(!run.player.isPlaying());
}

void SwfScriptTest::frameScriptsRunInOrderAndLoop() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    for (int i = 0; i < 3; ++i) {
        builder.doAction(ActionAssembler(6).trace(QStringLiteral("frame %1").arg(i)).bytes());
        builder.showFrame();
    }
    Run run(builder.finish());
    run.player.setLoop(true);
    run.frames(3);
    QCOMPARE(run.traces, (QStringList{"frame 0", "frame 1", "frame 2", "frame 0"}));
}

void SwfScriptTest::gotoLabelFromScript() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    builder.doAction(ActionAssembler(6).action(ActionCode::GotoLabel, gotoLabel("end")).bytes());
    builder.showFrame();
    builder.doAction(ActionAssembler(6).trace("skipped").bytes());
    builder.showFrame();
    builder.frameLabel(QStringLiteral("end"));
    builder.doAction(ActionAssembler(6).trace("at the end").op(ActionCode::Stop).bytes());
    builder.showFrame();
    Run run(builder.finish());
    QCOMPARE(run.player.currentFrame(), 2);
    QCOMPARE(run.traces, QStringList{"at the end"});
    run.frames(3);
    QCOMPARE(run.player.currentFrame(), 2);
}

void SwfScriptTest::spriteScriptsAndPaths() {
    SwfBuilder sprite(6, QSize(100, 100), 12);
    sprite.doAction(ActionAssembler(6)
                        .push({"_currentframe"})
                        .op(ActionCode::GetVariable)
                        .op(ActionCode::Trace)
                        .op(ActionCode::Stop)
                        .bytes());
    sprite.showFrame();
    sprite.doAction(ActionAssembler(6).trace("sprite frame 2").bytes());
    sprite.showFrame();
    SwfBuilder builder(6, QSize(100, 100), 12);
    const int id = builder.defineSprite(sprite);
    swftest::Place place;
    place.depth = 1;
    place.characterId = id;
    place.name = QStringLiteral("kid");
    builder.place(place);
    builder.showFrame();
    // The root sends the stopped sprite on, by path.
    builder.doAction(ActionAssembler(6)
                         .push({"/kid"})
                         .op(ActionCode::SetTarget2)
                         .op(ActionCode::Play)
                         .push({""})
                         .op(ActionCode::SetTarget2)
                         .bytes());
    builder.showFrame();
    Run run(builder.finish());
    QCOMPARE(run.traces, QStringList{"1"});
    run.frames(3);
    QVERIFY(run.traces.contains(QStringLiteral("sprite frame 2")));
}

void SwfScriptTest::scriptsTakeOverPlacement() {
    SwfBuilder builder(6, QSize(200, 200), 12);
    SwfBuilder sprite(6, QSize(100, 100), 12);
    sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
    sprite.showFrame();
    const int id = builder.defineSprite(sprite);
    swftest::Place place;
    place.depth = 1;
    place.characterId = id;
    place.name = QStringLiteral("kid");
    builder.place(place);
    builder.doAction(ActionAssembler(6)
                         .getVariable("kid")
                         .push({"_x", 50})
                         .op(ActionCode::SetMember)
                         .getVariable("kid")
                         .push({"_visible", false})
                         .op(ActionCode::SetMember)
                         .push({"/kid", 1, 30})
                         .op(ActionCode::SetProperty)
                         .bytes());
    builder.showFrame();
    // The timeline moves it on; the script's placement stays.
    builder.move(1, QTransform::fromTranslate(5, 5));
    builder.doAction(ActionAssembler(6)
                         .getVariable("kid")
                         .push({"_x"})
                         .op(ActionCode::GetMember)
                         .op(ActionCode::Trace)
                         .getVariable("kid")
                         .push({"_y"})
                         .op(ActionCode::GetMember)
                         .op(ActionCode::Trace)
                         .getVariable("kid")
                         .push({"_visible"})
                         .op(ActionCode::GetMember)
                         .op(ActionCode::Trace)
                         .op(ActionCode::Stop)
                         .bytes());
    builder.showFrame();
    Run run(builder.finish());
    run.frames(1);
    QCOMPARE(run.traces, (QStringList{"50", "30", "false"}));
}

void SwfScriptTest::fscommandQuitAndUrls() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    builder.doAction(ActionAssembler(6)
                         .action(ActionCode::GetUrl, QByteArray("file:///etc/passwd\0_blank\0", 26))
                         .action(ActionCode::GetUrl, QByteArray("http://example.com/\0_blank\0", 27))
                         .bytes());
    builder.showFrame();
    builder.doAction(
        ActionAssembler(6).action(ActionCode::GetUrl, QByteArray("FSCommand:quit\0\0", 16)).bytes());
    builder.showFrame(3);
    Run run(builder.finish());
    run.frames(5);
    QCOMPARE(run.urls, QStringList{"http://example.com/"});
    QVERIFY(run.player.quitRequested());
    QCOMPARE(run.player.currentFrame(), 1);
}

void SwfScriptTest::backwardSeekRunsNoScripts() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    for (int i = 0; i < 5; ++i) {
        builder.doAction(ActionAssembler(6).trace(QStringLiteral("f%1").arg(i)).bytes());
        builder.showFrame();
    }
    Run run(builder.finish());
    run.frames(4);
    run.traces.clear();
    run.player.gotoFrame(1);
    run.player.gotoFrame(0);
    QVERIFY(run.traces.isEmpty());
}

// Movies the fuzzer found: a script looping over gotos, and frames whose scripts jump to
// each other for ever. Both must end within the frame's budget, without memory growing.
void SwfScriptTest::endlessGotosAreCutOff_data() {
    QTest::addColumn<bool>("pingPong");
    QTest::newRow("one script looping over gotos") << false;
    QTest::newRow("two frames jumping to each other") << true;
}

void SwfScriptTest::endlessGotosAreCutOff() {
    QFETCH(bool, pingPong);
    auto gotoFrame = [](int frame) {
        return ActionAssembler(6).action(ActionCode::GotoFrame, avm1test::u16(frame)).op(ActionCode::Play);
    };
    SwfBuilder builder(6, QSize(100, 100), 12);
    if (pingPong) {
        builder.doAction(gotoFrame(1).bytes());
        builder.showFrame();
        builder.doAction(gotoFrame(0).bytes());
        builder.showFrame();
    } else {
        builder.doAction(ActionAssembler(6)
                             .label("top")
                             .action(ActionCode::GotoFrame, avm1test::u16(1))
                             .jump("top")
                             .bytes());
        builder.showFrame(2);
    }
    swf::Player player;
    player.setScriptTimeBudgetMs(300);
    QVERIFY(player.loadBytes(builder.finish()));
    for (int i = 0; i < 3; ++i)
        player.advance();
    if (!pingPong) QCOMPARE(player.scriptFailure(), swf::avm1::AbortReason::TimeBudget);
}

// Scripts of one frame share its time: once a runaway script has spent it, the scripts still
// waiting in that frame do not start, and the next frame's scripts run as usual.
void SwfScriptTest::aSpentFrameStartsNoMoreScripts() {
    SwfBuilder builder(6, QSize(100, 100), 12);
    builder.doAction(ActionAssembler(6).label("top").jump("top").bytes());
    builder.doAction(ActionAssembler(6).trace("same frame").bytes());
    builder.showFrame();
    builder.doAction(ActionAssembler(6).trace("next frame").op(ActionCode::Stop).bytes());
    builder.showFrame();
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&traces](const QString& line) { traces << line; });
    player.setScriptTimeBudgetMs(200);
    QVERIFY(player.loadBytes(builder.finish()));
    QCOMPARE(player.scriptFailure(), swf::avm1::AbortReason::TimeBudget);
    player.advance();
    QCOMPARE(traces.join(QLatin1Char('|')), QStringLiteral("next frame"));
}

// Everything the display objects of a movie share (serials, the text-field index, the
// instance budget, the frame observer) belongs to its player: two players advanced in turn
// print what each prints alone.
void SwfScriptTest::twoPlayersNeverMeet() {
    auto movie = [](const QString& word) {
        ActionAssembler code(8);
        invoke(code, "_root", "createTextField", {"t", 1, 0, 0, 100, 20}).op(ActionCode::Pop);
        code.getVariable("t").push({"text", word}).op(ActionCode::SetMember);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        traceMember(code, "t", "text");
        traceMember(code, "b", "_target");
        code.getVariable("t").op(ActionCode::Trace);
        return boxMovie(code);
    };
    const QByteArray first = movie(QStringLiteral("first")), second = movie(QStringLiteral("second"));
    auto alone = [](const QByteArray& bytes) {
        Run run(bytes);
        run.frames(3);
        return run.traces;
    };
    const QStringList firstAlone = alone(first), secondAlone = alone(second);
    QCOMPARE(firstAlone.value(0), QStringLiteral("first"));
    Run a(first);
    Run b(second);
    for (int i = 0; i < 3; ++i) {
        a.frames(1);
        b.frames(1);
    }
    QCOMPARE(a.traces, firstAlone);
    QCOMPARE(b.traces, secondAlone);
}

void SwfScriptTest::scriptMadeClips_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        traceMember(code, "b", "_name");
        invoke(code, "b", "getDepth").op(ActionCode::Trace);
        invoke(code, "_root", "getNextHighestDepth").op(ActionCode::Trace);
        traceMember(code, "b", "_width");
        invoke(code, "_root", "attachMovie", {"no such symbol", "n", 1}).op(ActionCode::Trace);
        QTest::newRow("attach by export name") << boxMovie(code) << "b|5|6|10|undefined";
    }
    {
        // A matrix set through transform moves the clip; scale and rotation read as before.
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        setTransform(code, "matrix", "Matrix", {0, 1, 1, 0, 10, 20});
        traceMember(code, "b", "_x");
        traceMember(code, "b", "_rotation");
        traceTransform(code, "matrix");
        QTest::newRow("transform.matrix") << boxMovie(code) << "10|0|(a=0, b=1, c=1, d=0, tx=10, ty=20)";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        setTransform(code, "matrix", "Point", {10, 20});
        traceTransform(code, "matrix");
        QTest::newRow("transform.matrix from an object without its members")
            << boxMovie(code) << "(a=1, b=0, c=0, d=1, tx=0, ty=0)";
    }
    {
        // The filters go in as copies and come out as new objects; what the renderer cannot
        // draw is not kept.
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        code.getVariable("b").push({"filters"});
        newFlash(code, "filters", "ConvolutionFilter", {});
        newFlash(code, "filters", "GlowFilter", {0x00ff00, 0.2, 8, 4, 2, 2});
        newFlash(code, "filters", "BlurFilter", {10, 5, 3});
        code.push({3}).op(ActionCode::InitArray).op(ActionCode::SetMember);
        code.getVariable("b").push({"filters"}).op(ActionCode::GetMember).push({"length"});
        code.op(ActionCode::GetMember).op(ActionCode::Trace);
        for (const char* path : {"0.blurY", "0.quality", "1.color", "1.alpha", "1.blurX"}) {
            const QStringList parts = QString::fromLatin1(path).split('.');
            code.getVariable("b").push({"filters"}).op(ActionCode::GetMember).push({parts[0]});
            code.op(ActionCode::GetMember).push({parts[1]}).op(ActionCode::GetMember).op(ActionCode::Trace);
        }
        QTest::newRow("filters") << boxMovie(code) << "2|5|3|65280|0.2|8";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 5}).op(ActionCode::Pop);
        setTransform(code, "colorTransform", "ColorTransform", {0.5, 1, 1, 0.25, 10, 0, 0, 0});
        traceTransform(code, "colorTransform");
        traceMember(code, "b", "_alpha");
        QTest::newRow("transform.colorTransform")
            << boxMovie(code)
            << "(redMultiplier=0.5, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=0.25, redOffset=10, "
               "greenOffset=0, blueOffset=0, alphaOffset=0)|25";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "a", 1}).op(ActionCode::Pop);
        invoke(code, "_root", "attachMovie", {"box", "b", 2}).op(ActionCode::Pop);
        code.getVariable("b").getVariable("a").callMethod("swapDepths", 1).op(ActionCode::Pop);
        invoke(code, "a", "getDepth").op(ActionCode::Trace);
        invoke(code, "b", "getDepth").op(ActionCode::Trace);
        QTest::newRow("swapDepths trades places") << boxMovie(code) << "2|1";
    }
    {
        // A sibling by its path, a name that is no clip as depth NaN (so 0); undefined and
        // depths past the range change nothing; a depth wraps to 32 bits. A level's top has
        // no siblings but keeps the depth it is given.
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"a", 1}).op(ActionCode::Pop);
        invoke(code, "_root", "createEmptyMovieClip", {"b", 2}).op(ActionCode::Pop);
        invoke(code, "a", "swapDepths", {"../b"}).op(ActionCode::Pop);
        invoke(code, "a", "getDepth").op(ActionCode::Trace);
        invoke(code, "a", "swapDepths", {"nothing"}).op(ActionCode::Pop);
        invoke(code, "a", "getDepth").op(ActionCode::Trace);
        invoke(code, "a", "swapDepths", {avm1test::PushValue::undefined()}).op(ActionCode::Pop);
        invoke(code, "a", "swapDepths", {2130690045}).op(ActionCode::Pop);
        invoke(code, "a", "swapDepths", {-16385}).op(ActionCode::Pop);
        invoke(code, "a", "getDepth").op(ActionCode::Trace);
        invoke(code, "a", "swapDepths", {4294967297.0}).op(ActionCode::Pop);
        invoke(code, "a", "getDepth").op(ActionCode::Trace);
        invoke(code, "_root", "swapDepths", {7}).op(ActionCode::Pop);
        invoke(code, "_root", "getDepth").op(ActionCode::Trace);
        QTest::newRow("swapDepths arguments") << boxMovie(code) << "2|0|0|1|7";
    }
    {
        // Depths below the timeline's stay as given; removal takes only 0 to 1048575.
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"low", -20000}).op(ActionCode::Pop);
        invoke(code, "low", "getDepth").op(ActionCode::Trace);
        invoke(code, "low", "removeMovieClip").op(ActionCode::Pop);
        code.getVariable("low").op(ActionCode::TypeOf).op(ActionCode::Trace);
        QTest::newRow("depths under the timeline's") << boxMovie(code) << "-20000|movieclip";
    }
    {
        // removeMovieClip takes any display object; removeTextField only fields.
        ActionAssembler code(8);
        invoke(code, "_root", "createTextField", {"t", 4, 0, 0, 10, 10}).op(ActionCode::Pop);
        code.getVariable("t").push({"removeMovieClip"}).getVariable("MovieClip");
        code.push({"prototype"}).op(ActionCode::GetMember).push({"removeMovieClip"});
        code.op(ActionCode::GetMember).op(ActionCode::SetMember);
        invoke(code, "t", "removeMovieClip").op(ActionCode::Pop);
        code.getVariable("t").op(ActionCode::TypeOf).op(ActionCode::Trace);
        QTest::newRow("removeMovieClip on a field") << boxMovie(code) << "undefined";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 3}).op(ActionCode::Pop);
        invoke(code, "b", "removeMovieClip").op(ActionCode::Pop);
        code.getVariable("b").op(ActionCode::TypeOf).op(ActionCode::Trace);
        QTest::newRow("a removed clip's name is gone") << boxMovie(code) << "undefined";
    }
    {
        // A clip with onUnload leaves once the running script is done, below every depth
        // until then; a second removal, or one of a clip inside it, does nothing.
        ActionAssembler gone(8);
        gone.trace("gone");
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 3}).op(ActionCode::Pop);
        code.getVariable("b").push({"onUnload"});
        code.defineFunction("", {}, gone);
        code.op(ActionCode::SetMember);
        invoke(code, "b", "attachMovie", {"box", "inner", 2}).op(ActionCode::Pop);
        invoke(code, "b", "removeMovieClip").op(ActionCode::Pop);
        invoke(code, "b", "removeMovieClip").op(ActionCode::Pop);
        code.push({0}).getVariable("b").push({"inner"}).op(ActionCode::GetMember);
        code.push({"removeMovieClip"}).op(ActionCode::CallMethod).op(ActionCode::Pop);
        invoke(code, "b", "getDepth").op(ActionCode::Trace);
        code.getVariable("b").push({"inner"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        QTest::newRow("onUnload") << boxMovie(code) << "-32772|_level0.b.inner|gone";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"d", 1}).op(ActionCode::Pop);
        invoke(code, "d", "beginFill", {0xff0000}).op(ActionCode::Pop);
        invoke(code, "d", "moveTo", {10, 10}).op(ActionCode::Pop);
        invoke(code, "d", "lineTo", {30, 10}).op(ActionCode::Pop);
        invoke(code, "d", "lineTo", {30, 50}).op(ActionCode::Pop);
        invoke(code, "d", "endFill").op(ActionCode::Pop);
        traceMember(code, "d", "_width");
        traceMember(code, "d", "_height");
        invoke(code, "d", "duplicateMovieClip", {"e", 2}).op(ActionCode::Pop);
        traceMember(code, "e", "_width");
        QTest::newRow("drawing measures, and a duplicate keeps it") << boxMovie(code) << "20|40|20";
    }
    {
        // A drawn fill takes the pointer by its shape; the corner it starts from does not.
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"d", 1}).op(ActionCode::Pop);
        invoke(code, "d", "beginFill", {0xff0000}).op(ActionCode::Pop);
        invoke(code, "d", "moveTo", {10, 10}).op(ActionCode::Pop);
        for (const auto& [x, y] :
             std::initializer_list<std::pair<int, int>>{{10, 50}, {50, 50}, {50, 10}, {10, 10}})
            invoke(code, "d", "lineTo", {x, y}).op(ActionCode::Pop);
        invoke(code, "d", "endFill").op(ActionCode::Pop);
        for (const int at : {15, 10, 5})
            invoke(code, "d", "hitTest", {at, at, true}).op(ActionCode::Trace);
        QTest::newRow("hitTest on a drawing") << boxMovie(code) << "true|false|false";
    }
    {
        // b is a 10 by 10 box at (50, 20), c one at (55, 25).
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 1}).op(ActionCode::Pop);
        invoke(code, "_root", "attachMovie", {"box", "c", 2}).op(ActionCode::Pop);
        code.getVariable("b").push({"_x", 50}).op(ActionCode::SetMember);
        code.getVariable("b").push({"_y", 20}).op(ActionCode::SetMember);
        code.getVariable("c").push({"_x", 55}).op(ActionCode::SetMember);
        code.getVariable("c").push({"_y", 25}).op(ActionCode::SetMember);
        code.push({"p", "x", 1, "y", 2, 2}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("p").getVariable("b").callMethod("localToGlobal", 1).op(ActionCode::Pop);
        traceMember(code, "p", "x");
        traceMember(code, "p", "y");
        code.getVariable("p").getVariable("b").callMethod("globalToLocal", 1).op(ActionCode::Pop);
        traceMember(code, "p", "x");
        invoke(code, "b", "hitTest", {55, 25, true}).op(ActionCode::Trace);
        invoke(code, "b", "hitTest", {5, 5, false}).op(ActionCode::Trace);
        code.getVariable("c").getVariable("b").callMethod("hitTest", 1).op(ActionCode::Trace);
        QTest::newRow("points between clip and stage, and hit tests")
            << boxMovie(code) << "51|22|1|true|false|true";
        code.push({"r"})
            .getVariable("c")
            .getVariable("b")
            .callMethod("getBounds", 1)
            .op(ActionCode::SetVariable);
        traceMember(code, "r", "xMin");
        traceMember(code, "r", "yMax");
        QTest::newRow("getBounds in another clip's space")
            << boxMovie(code) << "51|22|1|true|false|true|-5|5";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "attachMovie", {"box", "b", 1}).op(ActionCode::Pop);
        for (const char* member : {"_parent", "_root"})
            code.getVariable("b")
                .push({member})
                .op(ActionCode::GetMember)
                .push({"_target"})
                .op(ActionCode::GetMember)
                .op(ActionCode::Trace);
        code.push({"_parent"}).op(ActionCode::GetVariable).op(ActionCode::Trace);
        QTest::newRow("_parent and _root as members") << boxMovie(code) << "/|/|undefined";
    }
    {
        ActionAssembler code(8);
        invoke(code, "Selection", "getFocus").op(ActionCode::Trace);
        invoke(code, "_root", "attachMovie", {"box", "b", 1}).op(ActionCode::Pop);
        code.getVariable("b").getVariable("Selection").callMethod("setFocus", 1).op(ActionCode::Trace);
        invoke(code, "Selection", "getFocus").op(ActionCode::Trace);
        invoke(code, "b", "removeMovieClip").op(ActionCode::Pop);
        invoke(code, "Selection", "getFocus").op(ActionCode::Trace);
        QTest::newRow("focus follows the clip, and leaves with it")
            << boxMovie(code) << "null|true|_level0.b|null";
    }
    {
        ActionAssembler code(8);
        code.getVariable("System")
            .push({"capabilities"})
            .op(ActionCode::GetMember)
            .push({"language"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        code.getVariable("System")
            .push({"security"})
            .op(ActionCode::GetMember)
            .push({"allowDomain"})
            .op(ActionCode::GetMember)
            .op(ActionCode::TypeOf)
            .op(ActionCode::Trace);
        QTest::newRow("System says what the player is") << boxMovie(code) << "zh-CN|function";
    }
}

void SwfScriptTest::scriptMadeClips() {
    tracesMatch();
}

void SwfScriptTest::clipPropertiesConvertAsThePlayerDoes_data() {
    QTest::addColumn<QString>("property");
    QTest::addColumn<avm1test::PushValue>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("negative scale reads back signed") << "_xscale" << avm1test::PushValue(-5) << "-5";
    QTest::newRow("rotation turns into the half circle") << "_rotation" << avm1test::PushValue(190) << "-170";
    QTest::newRow("infinite position wraps like 32-bit twips")
        << "_x" << avm1test::PushValue(HUGE_VAL) << "-107374182.4";
    QTest::newRow("NaN leaves a position alone") << "_x" << avm1test::PushValue("abc") << "1";
    QTest::newRow("alpha is 8.8 fixed point") << "_alpha" << avm1test::PushValue(10) << "9.765625";
    QTest::newRow("visibility from a number, not text")
        << "_visible" << avm1test::PushValue("true") << "true";
    QTest::newRow("quality by name only") << "_quality" << avm1test::PushValue("fast") << "HIGH";
}

// kid.property = 1, then = value: what the script reads back.
void SwfScriptTest::clipPropertiesConvertAsThePlayerDoes() {
    QFETCH(QString, property);
    QFETCH(avm1test::PushValue, value);
    QFETCH(QString, expected);
    SwfBuilder builder(8, QSize(100, 100), 12);
    SwfBuilder sprite(8, QSize(100, 100), 12);
    sprite.showFrame();
    swftest::Place place;
    place.characterId = builder.defineSprite(sprite);
    place.name = QStringLiteral("kid");
    builder.place(place);
    ActionAssembler code(8);
    code.getVariable("kid").push({property, 1}).op(ActionCode::SetMember);
    code.getVariable("kid").push({property, value}).op(ActionCode::SetMember);
    traceMember(code, "kid", property);
    builder.doAction(code.bytes());
    builder.showFrame();
    Run run(builder.finish());
    QCOMPARE(run.traces, QStringList{expected});
}

// A timeline of many clips, looked up by name while scripts add, rename, remove and reorder
// them: every lookup answers from the stage as it is at that moment.
void SwfScriptTest::childrenByName_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    auto many = [](int version) {
        ActionAssembler code(version);
        for (int i = 0; i < 20; ++i)
            invoke(code, "_root", "attachMovie", {"box", QStringLiteral("c%1").arg(i), i + 1})
                .op(ActionCode::Pop);
        return code;
    };
    {
        ActionAssembler code = many(8);
        traceMember(code, "c5", "_name");
        code.getVariable("c5").push({"_name", "renamed"}).op(ActionCode::SetMember);
        code.getVariable("c5").op(ActionCode::TypeOf).op(ActionCode::Trace);
        traceMember(code, "renamed", "_name");
        QTest::newRow("renamed") << boxMovie(code) << "c5|undefined|renamed";
    }
    {
        ActionAssembler code = many(8);
        traceMember(code, "c7", "_name");
        invoke(code, "c7", "removeMovieClip").op(ActionCode::Pop);
        code.getVariable("c7").op(ActionCode::TypeOf).op(ActionCode::Trace);
        QTest::newRow("removed") << boxMovie(code) << "c7|undefined";
    }
    {
        ActionAssembler code = many(8);
        traceMember(code, "c3", "_name");
        invoke(code, "_root", "attachMovie", {"box", "late", 30}).op(ActionCode::Pop);
        traceMember(code, "late", "_name");
        QTest::newRow("attached after a lookup") << boxMovie(code) << "c3|late";
    }
    {
        ActionAssembler code = many(8);
        invoke(code, "_root", "attachMovie", {"box", "twin", 40}).op(ActionCode::Pop);
        invoke(code, "twin", "getDepth").op(ActionCode::Trace);
        invoke(code, "_root", "attachMovie", {"box", "twin", 35}).op(ActionCode::Pop);
        invoke(code, "twin", "getDepth").op(ActionCode::Trace);
        code.push({"second"});
        invoke(code, "_root", "attachMovie", {"box", "twin", 45}).op(ActionCode::SetVariable);
        invoke(code, "second", "swapDepths", {30}).op(ActionCode::Pop);
        invoke(code, "twin", "getDepth").op(ActionCode::Trace);
        QTest::newRow("equal names: the lowest depth") << boxMovie(code) << "40|35|30";
    }
    {
        ActionAssembler code = many(6);
        traceMember(code, "C5", "_name");
        invoke(code, "_root", "attachMovie", {"box", "Mixed", 50}).op(ActionCode::Pop);
        traceMember(code, "mIXED", "_name");
        QTest::newRow("case ignored before SWF 7") << boxMovie(code, {}, 6) << "c5|Mixed";
    }
    {
        ActionAssembler code = many(8);
        traceMember(code, "C5", "_name");
        QTest::newRow("case kept from SWF 7") << boxMovie(code) << "undefined";
    }
    {
        // _target walks up through the parents, which are looked up again once clips change.
        ActionAssembler code = many(8);
        invoke(code, "c2", "attachMovie", {"box", "inner", 1}).op(ActionCode::Pop);
        code.getVariable("c2")
            .push({"inner"})
            .op(ActionCode::GetMember)
            .push({"_target"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        invoke(code, "c2", "removeMovieClip").op(ActionCode::Pop);
        invoke(code, "c9", "attachMovie", {"box", "inner", 1}).op(ActionCode::Pop);
        code.getVariable("c9")
            .push({"inner"})
            .op(ActionCode::GetMember)
            .push({"_target"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        QTest::newRow("parents of replaced clips") << boxMovie(code) << "/c2/inner|/c9/inner";
    }
}

void SwfScriptTest::childrenByName() {
    tracesMatch();
}

void SwfScriptTest::variablePaths_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    auto told = [](ActionAssembler& code, const char* path) -> ActionAssembler& {
        return code.action(ActionCode::SetTarget, QByteArray(path) + '\0');
    };
    {
        // Each scope is tried in turn: "a.b" leads to a string on the root, so "a.b.c" goes on
        // to _global's.
        ActionAssembler code(8);
        code.getVariable("_global").push({"a", "b", "c", "global", 1}).op(ActionCode::InitObject);
        code.push({1}).op(ActionCode::InitObject).op(ActionCode::SetMember);
        code.push({"a", "b", "root", 1}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("a.b.c").op(ActionCode::Trace).getVariable("a.b").op(ActionCode::Trace);
        QTest::newRow("a path from each scope") << boxMovie(code) << "global|root";
    }
    {
        // o.a is a clip; ".." leaves it for its parent, the root.
        ActionAssembler code(8);
        code.setVariable("v", "hi").push({"o", 0}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("o").push({"a"});
        invoke(code, "_root", "createEmptyMovieClip", {"foo", 1}).op(ActionCode::SetMember);
        code.getVariable("o/a/..:v").op(ActionCode::Trace);
        QTest::newRow("a path through an object") << boxMovie(code) << "hi";
    }
    {
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"a", 1}).op(ActionCode::Pop);
        invoke(code, "a", "createEmptyMovieClip", {"b.c", 1}).op(ActionCode::Pop);
        code.getVariable("a")
            .push({"b.c"})
            .op(ActionCode::GetMember)
            .push({"d", 42})
            .op(ActionCode::SetMember);
        code.getVariable("a/b.c:d").op(ActionCode::Trace).getVariable("a.b.c:d").op(ActionCode::Trace);
        code.getVariable(":a").op(ActionCode::Trace);
        QTest::newRow("a dot after a slash") << boxMovie(code) << "42|undefined|undefined";
    }
    {
        // A told clip hides the root's variables; a path that names no clip leaves the root's
        // variables and no clip to act on.
        ActionAssembler code(8);
        code.setVariable("n", "root");
        invoke(code, "_root", "createEmptyMovieClip", {"mc", 1}).op(ActionCode::Pop);
        code.getVariable("mc").push({"m", "mc"}).op(ActionCode::SetMember);
        told(code, "mc").getVariable("m").op(ActionCode::Trace).getVariable("n").op(ActionCode::Trace);
        told(told(code, ""), "nowhere").getVariable("n").op(ActionCode::Trace);
        code.push({"", 13}).op(ActionCode::GetProperty).op(ActionCode::Trace);
        told(code, "");
        QTest::newRow("told targets") << boxMovie(code) << "mc|undefined|root|undefined";
    }
    {
        ActionAssembler toString(8);
        toString.push({"mc"}).op(ActionCode::Return);
        ActionAssembler code(8);
        invoke(code, "_root", "createEmptyMovieClip", {"mc", 1}).op(ActionCode::Pop);
        code.push({"toString"}).defineFunction("", {}, toString).push({1}).op(ActionCode::InitObject);
        code.op(ActionCode::SetTarget2).push({"", 13}).op(ActionCode::GetProperty).op(ActionCode::Trace);
        QTest::newRow("an object told by its text") << boxMovie(code) << "mc";
    }
    {
        ActionAssembler code(8);
        code.setVariable("g", "G")
            .push({"/:g"})
            .op(ActionCode::DefineLocal2)
            .getVariable("g")
            .op(ActionCode::Trace);
        code.push({"/:h"}).op(ActionCode::DefineLocal2);
        invoke(code, "_root", "hasOwnProperty", {"h"}).op(ActionCode::Trace);
        code.getVariable("_root").push({"_global"}).op(ActionCode::GetMember).getVariable("_global");
        code.op(ActionCode::StrictEquals).op(ActionCode::Trace);
        QTest::newRow("DefineLocal2 by path, a clip's _global") << boxMovie(code) << "G|true|true";
    }
    {
        // A clip is told by its path: of two of one name, the first by depth answers.
        ActionAssembler code(8);
        code.push({"first"});
        invoke(code, "_root", "createEmptyMovieClip", {"twin", 1}).op(ActionCode::SetVariable);
        code.push({"second"});
        invoke(code, "_root", "createEmptyMovieClip", {"twin", 2}).op(ActionCode::SetVariable);
        code.getVariable("first").push({"x", "first"}).op(ActionCode::SetMember);
        code.getVariable("second").op(ActionCode::SetTarget2).getVariable("x").op(ActionCode::Trace);
        told(code, "");
        // A slash path that names no clip is a variable's name.
        code.setVariable("/no/clip", 5).getVariable("/no/clip").op(ActionCode::Trace);
        QTest::newRow("clips told by path, slash names") << boxMovie(code) << "first|5";
    }
    {
        // f keeps mc's timeline in its scope chain; once mc is gone the root stands there.
        ActionAssembler body(8);
        body.getVariable("v").op(ActionCode::Trace);
        ActionAssembler code(8);
        code.setVariable("v", "root");
        invoke(code, "_root", "createEmptyMovieClip", {"mc", 1}).op(ActionCode::Pop);
        code.getVariable("mc").push({"v", "mc"}).op(ActionCode::SetMember);
        told(code, "mc").getVariable("_global").push({"f"}).defineFunction("", {}, body);
        told(code.op(ActionCode::SetMember), "").callFunction("f", 0).op(ActionCode::Pop);
        invoke(code, "mc", "removeMovieClip").op(ActionCode::Pop).callFunction("f", 0).op(ActionCode::Pop);
        QTest::newRow("a timeline gone from the stage") << boxMovie(code) << "mc|root";
    }
}

void SwfScriptTest::variablePaths() {
    tracesMatch();
}

// What a timeline does to the clips scripts made or moved, as it plays on and as it loops.
void SwfScriptTest::timelineMeetsScriptDepths_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    {
        // Its removal takes whoever stands at the depth; the clip moved away stays moved.
        ActionAssembler first(8), second(8);
        invoke(first, "_root", "createEmptyMovieClip", {"s", 5}).op(ActionCode::Pop);
        first.getVariable("t").getVariable("s").callMethod("swapDepths", 1).op(ActionCode::Pop);
        second.getVariable("s").op(ActionCode::TypeOf).op(ActionCode::Trace);
        invoke(second, "t", "getDepth").op(ActionCode::Trace);
        QTest::newRow("removal takes a script's clip")
            << timelineMovie({first, second}, 1) << "undefined|5|undefined|5";
    }
    {
        // Going back, what scripts made in the timeline's depths (-16384 to -1) goes.
        ActionAssembler first(8), second(8);
        for (const char* name : {"low", "zero", "under"})
            first.getVariable(name).op(ActionCode::TypeOf).op(ActionCode::Trace);
        invoke(first, "_root", "createEmptyMovieClip", {"low", -1}).op(ActionCode::Pop);
        invoke(first, "_root", "createEmptyMovieClip", {"zero", 0}).op(ActionCode::Pop);
        invoke(first, "_root", "createEmptyMovieClip", {"under", -16385}).op(ActionCode::Pop);
        QTest::newRow("going back") << timelineMovie({first, second})
                                    << "undefined|undefined|undefined|undefined|movieclip|movieclip";
    }
    {
        // A timeline clip a script moved is not placed again, until the timeline goes back.
        ActionAssembler first(8), second(8), third(8);
        invoke(first, "_root", "getInstanceAtDepth", {-16383}).op(ActionCode::Trace);
        invoke(second, "t", "swapDepths", {10}).op(ActionCode::Pop);
        invoke(third, "_root", "getInstanceAtDepth", {-16383}).op(ActionCode::Trace);
        QTest::newRow("moved away") << timelineMovie({first, second, third})
                                    << "_level0.t|undefined|_level0.t";
    }
    {
        // An empty address unloads a tick after a load would arrive, variables and all.
        ActionAssembler first(8), show(8);
        invoke(first, "_root", "createEmptyMovieClip", {"a", 1}).op(ActionCode::Pop);
        first.getVariable("a").push({"x", 42}).op(ActionCode::SetMember);
        invoke(first, "a", "loadMovie", {""}).op(ActionCode::Pop);
        traceMember(show, "a", "x");
        first.push({"onEnterFrame"}).defineFunction("", {}, show).op(ActionCode::SetVariable);
        QTest::newRow("loadMovie of nothing") << timelineMovie({first}) << "42|undefined|undefined";
    }
}

void SwfScriptTest::timelineMeetsScriptDepths() {
    tracesMatch(3);
}

void SwfScriptTest::textFields_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    auto field = [](int version) {
        ActionAssembler code(version);
        invoke(code, "_root", "createTextField", {"t", 1, 10, 20, 100, 50}).op(ActionCode::Trace);
        return code;
    };
    {
        ActionAssembler code = field(8);
        code.getVariable("t").push({"autoSize", "center"}).op(ActionCode::SetMember);
        for (const char* member : {"_x", "_width", "_height", "autoSize", "text"})
            traceMember(code, "t", member);
        code.getVariable("t").push({"autoSize", true}).op(ActionCode::SetMember);
        traceMember(code, "t", "autoSize");
        QTest::newRow("an empty autosized field is a 4-pixel box")
            << boxMovie(code) << "_level0.t|10|4|4|center||left";
    }
    // replaceText came with SWF 7; an empty replacement removes text only from SWF 8; the
    // new text takes the size of the character after it, and the field's new-text size
    // follows its first character afterwards.
    const struct {
        int version;
        const char* expected;
    } replaceRows[] = {{6, "undefined|hello\rworld|11|12|t"},
                       {7, "undefined|hEYlo\rworld|11|30|t"},
                       {8, "_level0.t|EYlo\rworld|10|30|t"}};
    for (const auto& row : replaceRows) {
        ActionAssembler code = field(row.version);
        code.getVariable("t").push({"text", "hello\nworld"}).op(ActionCode::SetMember);
        code.push({"f", 0, "TextFormat"}).op(ActionCode::NewObject).op(ActionCode::DefineLocal);
        code.getVariable("f").push({"size", 30}).op(ActionCode::SetMember);
        code.getVariable("f")
            .push({11, 3})
            .getVariable("t")
            .callMethod("setTextFormat", 3)
            .op(ActionCode::Pop);
        invoke(code, "t", "replaceText", {1, 3, "EY"}).op(ActionCode::Pop);
        invoke(code, "t", "replaceText", {-1, 2, "no"}).op(ActionCode::Pop);
        invoke(code, "t", "replaceText", {4, 1}).op(ActionCode::Pop);
        invoke(code, "t", "replaceText", {0, 1, ""}).op(ActionCode::Pop);
        traceMember(code, "t", "text");
        traceMember(code, "t", "length");
        invoke(code, "t", "getTextFormat", {1})
            .push({"size"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        traceMember(code, "t", "_name");
        QTest::addRow("replaceText in SWF %d", row.version)
            << boxMovie(code, {}, row.version) << row.expected;
    }
    {
        // SWF 5 movies may make fields, but a field's name stands for the clip that holds it.
        ActionAssembler code = field(5);
        code.getVariable("t").op(ActionCode::TypeOf).op(ActionCode::Trace);
        code.getVariable("t").push({"text", "set"}).op(ActionCode::SetMember);
        traceMember(code, "_root", "text");
        code.getVariable("t").op(ActionCode::Trace);
        QTest::newRow("a field in SWF 5") << boxMovie(code, {}, 5) << "undefined|movieclip|set|_level0";
    }
    {
        // A carriage return in markup or in replaceText's text ends a paragraph scripts do not
        // read, though the length counts it; a line feed ends one they read as \r.
        ActionAssembler code = field(8);
        code.getVariable("t").push({"html", true}).op(ActionCode::SetMember);
        code.getVariable("t").push({"htmlText", "a\rb"}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        traceMember(code, "t", "length");
        invoke(code, "t", "replaceText", {1, 1, "\nc\rd"}).op(ActionCode::Pop);
        traceMember(code, "t", "text");
        traceMember(code, "t", "length");
        code.getVariable("t").push({"text", "e\rf"}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        QTest::newRow("paragraph ends scripts do not read")
            << boxMovie(code) << "_level0.t|ab|3|a\rcdb|7|e\rf";
    }
    {
        // Ten lines in a box of fewer: scrolling past the end holds at maxscroll, where the
        // last line is the bottom one; a scroll before the first line reads 1, and text narrower
        // than the box does not scroll sideways.
        ActionAssembler code = field(8);
        code.getVariable("t").push({"text", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10"}).op(ActionCode::SetMember);
        traceMember(code, "t", "scroll");
        code.getVariable("t")
            .push({"maxscroll"})
            .op(ActionCode::GetMember)
            .push({1})
            .op(ActionCode::Greater)
            .op(ActionCode::Trace);
        code.getVariable("t").push({"scroll", 100}).op(ActionCode::SetMember);
        code.getVariable("t")
            .push({"scroll"})
            .op(ActionCode::GetMember)
            .getVariable("t")
            .push({"maxscroll"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Equals2)
            .op(ActionCode::Trace);
        traceMember(code, "t", "bottomScroll");
        code.getVariable("t").push({"scroll", -3}).op(ActionCode::SetMember);
        traceMember(code, "t", "scroll");
        code.getVariable("t").push({"hscroll", 50}).op(ActionCode::SetMember);
        traceMember(code, "t", "hscroll");
        traceMember(code, "t", "maxhscroll");
        QTest::newRow("scrolling held to the lines") << boxMovie(code) << "_level0.t|1|true|true|10|1|0|0";
    }
    {
        // A bound field shows a clip's variable at once and writes its text through; an
        // object's variable reaches it when it is bound; an unset variable takes the field's
        // own text.
        ActionAssembler code = field(8);
        code.getVariable("_root").push({"v", 1}).op(ActionCode::SetMember);
        code.getVariable("t").push({"variable", "_root.v"}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        code.getVariable("_root").push({"v", 2}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        code.getVariable("t").push({"text", "three"}).op(ActionCode::SetMember);
        traceMember(code, "_root", "v");
        code.push({"o", 0, "Object"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
        code.getVariable("o").push({"w", 4}).op(ActionCode::SetMember);
        code.getVariable("t").push({"variable", "o.w"}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        code.getVariable("t").push({"variable", "o.unset"}).op(ActionCode::SetMember);
        traceMember(code, "o", "unset");
        QTest::newRow("bound variables") << boxMovie(code) << "_level0.t|1|2|three|4|undefined";
    }
    {
        ActionAssembler code = field(8);
        code.getVariable("t").push({"text", "hi"}).op(ActionCode::SetMember);
        code.push({true, 0xff0000, 20, "Arial", 4, "TextFormat"}).op(ActionCode::NewObject);
        code.getVariable("t").callMethod("setTextFormat", 1).op(ActionCode::Pop);
        invoke(code, "t", "getTextFormat").storeRegister(0).op(ActionCode::Pop);
        for (const char* member : {"font", "size", "color", "bold", "italic", "align", "url"})
            code.push({avm1test::PushValue::reg(0), member}).op(ActionCode::GetMember).op(ActionCode::Trace);
        code.push({0, "TextFormat"})
            .op(ActionCode::NewObject)
            .push({"size"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Trace);
        QTest::newRow("TextFormat in and out")
            << boxMovie(code) << "_level0.t|Arial|20|16711680|true|false|left||null";
    }
    {
        ActionAssembler code = field(8);
        code.getVariable("t").push({"html", true}).op(ActionCode::SetMember);
        code.getVariable("t").push({"multiline", true}).op(ActionCode::SetMember);
        code.getVariable("t").push({"htmlText", "<b>a&amp;</b><br>b"}).op(ActionCode::SetMember);
        traceMember(code, "t", "text");
        traceMember(code, "t", "htmlText");
        invoke(code, "t", "removeTextField").op(ActionCode::Pop);
        code.getVariable("t").op(ActionCode::TypeOf).op(ActionCode::Trace);
        QTest::newRow("html text, then removed")
            << boxMovie(code)
            << "_level0.t|a&\rb|<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
               "COLOR=\"#000000\" "
               "LETTERSPACING=\"0\" KERNING=\"0\"><B>a&amp;</B></FONT></P><P ALIGN=\"LEFT\"><FONT "
               "FACE=\"Times New "
               "Roman\" "
               "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">b</FONT></P>|undefined";
    }
}

void SwfScriptTest::textFields() {
    tracesMatch(2);
}

void SwfScriptTest::textFormatTakesObjects_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    // An object given to a native TextFormat property is asked valueOf twice and toString
    // once, whatever the property's type; numbers come from valueOf, text from toString.
    // Before SWF 8 kerning is a plain property that keeps the object (traced, it is asked
    // for its text).
    const struct {
        const char* property;
        int version;
        const char* expected;
    } rows[] = {{"align", 7, "v|v|s|center"}, {"size", 7, "v|v|s|7"},          {"bold", 6, "v|v|s|true"},
                {"font", 8, "v|v|s|center"},  {"display", 7, "v|v|s|s|block"}, {"kerning", 7, "s|center"},
                {"kerning", 8, "v|v|s|true"}};
    for (const auto& row : rows) {
        ActionAssembler code(row.version);
        code.push({"o", 0, "Object"}).op(ActionCode::NewObject).op(ActionCode::DefineLocal);
        for (const auto& [method, mark, answer] :
             {std::tuple{"valueOf", "v", avm1test::PushValue(7)},
              std::tuple{"toString", "s", avm1test::PushValue("center")}}) {
            ActionAssembler body(row.version);
            body.trace(QString::fromLatin1(mark)).push({answer}).op(ActionCode::Return);
            code.getVariable("o").push({QString::fromLatin1(method)});
            code.defineFunction("", {}, body);
            code.op(ActionCode::SetMember);
        }
        code.push({"f", 0, "TextFormat"}).op(ActionCode::NewObject).op(ActionCode::DefineLocal);
        code.getVariable("f").push({row.property}).getVariable("o").op(ActionCode::SetMember);
        traceMember(code, "f", row.property);
        QTest::addRow("%s in SWF %d", row.property, row.version)
            << boxMovie(code, {}, row.version) << row.expected;
    }
}

void SwfScriptTest::textFormatTakesObjects() {
    tracesMatch();
}

void SwfScriptTest::styleSheets_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    // parse answers whether the text was whole; a style's properties are its declarations in
    // camel case, and transform makes the TextFormat they stand for. No sheets before SWF 7.
    const struct {
        const char* name;
        int version;
        const char* css;
        const char* expected;
    } rows[] = {
        {"a rule, read back and transformed", 7,
         "P, .Note { font-size: 14px; color: #ff0000; font-weight: bold }",
         "function|true|.note,p|14px|14|16711680|true"},
        {"an unclosed rule", 8, ".a { color: #00ff00", "function|false|"},
        {"none in SWF 6", 6, ".a { color: #00ff00 }", "undefined"},
    };
    for (const auto& row : rows) {
        ActionAssembler code(row.version);
        code.getVariable("TextField").push({"StyleSheet"}).op(ActionCode::GetMember).op(ActionCode::TypeOf);
        code.op(ActionCode::Trace);
        if (row.version >= 7) {
            code.push({"s", 0}).getVariable("TextField").push({"StyleSheet"}).op(ActionCode::NewMethod);
            code.op(ActionCode::DefineLocal);
            invoke(code, "s", "parse", {row.css}).op(ActionCode::Trace);
            invoke(code, "s", "getStyleNames")
                .push({"n"})
                .op(ActionCode::StackSwap)
                .op(ActionCode::DefineLocal);
            invoke(code, "n", "sort").op(ActionCode::Pop);
            code.getVariable("n").op(ActionCode::Trace);
            if (QByteArray(row.expected).endsWith("true")) {
                invoke(code, "s", "getStyle", {"p"}).push({"style"}).op(ActionCode::StackSwap);
                code.op(ActionCode::DefineLocal);
                traceMember(code, "style", "fontSize");
                code.push({"f"}).getVariable("style").push({1}).getVariable("s").push({"transform"});
                code.op(ActionCode::CallMethod).op(ActionCode::DefineLocal);
                for (const char* member : {"size", "color", "bold"})
                    traceMember(code, "f", member);
            }
        }
        QTest::newRow(row.name) << boxMovie(code, {}, row.version) << row.expected;
    }
}

void SwfScriptTest::styleSheets() {
    tracesMatch();
}

void SwfScriptTest::gotoMovesThePlayheadAtOnce() {
    SwfBuilder builder(8, QSize(100, 100), 12);
    builder.doAction(ActionAssembler(8)
                         .action(ActionCode::GotoFrame, avm1test::u16(2))
                         .op(ActionCode::Stop)
                         .getVariable("_currentframe")
                         .op(ActionCode::Trace)
                         .bytes());
    builder.showFrame();
    builder.doAction(ActionAssembler(8).trace("frame 2").bytes());
    builder.showFrame();
    builder.doAction(ActionAssembler(8).trace("frame 3").bytes());
    builder.showFrame();
    Run run(builder.finish());
    run.frames(2);
    QCOMPARE(run.traces, (QStringList{"3", "frame 3"}));
}

// A script may take away the clip it runs in: by removing it, or by sending the timeline
// that placed it to a frame without it. The script finishes; nothing is used after free.
void SwfScriptTest::clipsRemovedWhileTheirScriptRuns_data() {
    QTest::addColumn<QByteArray>("movie");
    ActionAssembler removeSelf(8);
    invoke(removeSelf, "this", "removeMovieClip").op(ActionCode::Pop);
    removeSelf.trace("still running");
    ActionAssembler attach(8);
    invoke(attach, "_root", "attachMovie", {"box", "b", 1}).op(ActionCode::Pop);
    QTest::newRow("removeMovieClip on itself") << boxMovie(attach, removeSelf.bytes());

    SwfBuilder sprite(8, QSize(100, 100), 12);
    ActionAssembler sendBack(8);
    invoke(sendBack, "_root", "gotoAndStop", {1}).op(ActionCode::Pop);
    sendBack.trace("still running");
    sprite.doAction(sendBack.bytes());
    sprite.showFrame();
    SwfBuilder builder(8, QSize(100, 100), 12);
    const int id = builder.defineSprite(sprite);
    builder.showFrame();
    builder.place(1, id);
    builder.showFrame();
    QTest::newRow("the parent jumps back past its placement") << builder.finish();
}

void SwfScriptTest::clipsRemovedWhileTheirScriptRuns() {
    QFETCH(QByteArray, movie);
    Run run(movie);
    run.frames(3);
    QVERIFY(run.traces.contains(QStringLiteral("still running")));
}

void SwfScriptTest::loadsStayBesideTheMovie() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("movie")));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write(dir.filePath(QStringLiteral("secret.txt")), "not for movies"));
    QVERIFY(write(dir.filePath(QStringLiteral("movie/data.txt")), "a=1"));
    const QString path = dir.filePath(QStringLiteral("movie/m.swf"));
    // A file address (what _url gives) counts as its path.
    auto fileUrl = [&dir](const char* name) { return QUrl::fromLocalFile(dir.filePath(name)).toString(); };
    QVERIFY(write(path, loadVarsMovie({"data.txt", "../secret.txt", "/etc/hostname",
                                       fileUrl("movie/data.txt"), fileUrl("secret.txt")})));
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    QVERIFY(player.loadFile(path));
    // What the first frame asks for arrives at that frame's end, like any other frame's.
    QCOMPARE(traces, (QStringList{"a=1", "undefined", "undefined", "a=1", "undefined"}));
    player.advance();
    QCOMPARE(traces.size(), 5);
}

// Every load a movie makes goes through the player's navigator, with the address as the movie
// wrote it; what the navigator answers is what the movie gets.
void SwfScriptTest::loadsAskTheNavigator() {
    struct Recording final : swf::Navigator {
        QStringList asked;
        std::optional<QByteArray> fetch(const QString&, const QString& relative, QString* fullUrl) override {
            asked << relative;
            if (relative != QLatin1String("data.txt")) return std::nullopt;
            if (fullUrl) *fullUrl = QStringLiteral("test:data.txt");
            return QByteArray("a=from the navigator");
        }
    };
    swf::Player player;
    auto navigator = std::make_unique<Recording>();
    Recording* recording = navigator.get();
    player.setNavigator(std::move(navigator));
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    QVERIFY(player.loadBytes(loadVarsMovie({"data.txt", "other/file.txt"})));
    player.advance();
    QCOMPARE(recording->asked, (QStringList{"data.txt", "other/file.txt"}));
    QCOMPARE(traces, (QStringList{"a=from the navigator", "undefined"}));
}

// The counts a finished load leaves on its object stay when onData deletes them.
void SwfScriptTest::loadedByteCountsOutliveDelete() {
    struct Fixed final : swf::Navigator {
        std::optional<QByteArray> fetch(const QString&, const QString&, QString*) override {
            return QByteArray("a=1");
        }
    };
    ActionAssembler onData(8);
    for (const char* name : {"_bytesLoaded", "_bytesTotal"}) {
        onData.getVariable("this").push({name}).op(ActionCode::Delete).op(ActionCode::Pop);
        onData.getVariable("this").push({name}).op(ActionCode::GetMember).op(ActionCode::Trace);
    }
    ActionAssembler code(8);
    code.defineFunction("show", {}, onData);
    code.push({"v", 0, "XML"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    code.getVariable("v").push({"onData"}).getVariable("show").op(ActionCode::SetMember);
    invoke(code, "v", "load", {"data.xml"}).op(ActionCode::Pop);
    SwfBuilder builder(8, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame(2);
    swf::Player player;
    player.setNavigator(std::make_unique<Fixed>());
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    QVERIFY(player.loadBytes(builder.finish()));
    QCOMPARE(traces, (QStringList{"3", "3"}));
}

// The root's load event follows its first frame's actions; from SWF 6 it calls the onLoad
// method that frame set.
void SwfScriptTest::rootLoadEventCallsOnLoad_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("traces");
    QTest::newRow("SWF 5 has no event methods") << 5 << QStringList{"start"};
    QTest::newRow("SWF 6") << 6 << QStringList{"start", "onLoad"};
    QTest::newRow("SWF 8") << 8 << QStringList{"start", "onLoad"};
}

void SwfScriptTest::rootLoadEventCallsOnLoad() {
    QFETCH(int, version);
    QFETCH(QStringList, traces);
    ActionAssembler say(version);
    say.trace("onLoad");
    ActionAssembler code(version);
    code.trace("start");
    code.getVariable("_root").push({"onLoad"});
    code.defineFunction("", {}, say);
    code.op(ActionCode::SetMember);
    SwfBuilder builder(version, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame(3);
    swf::Player player;
    QStringList seen;
    player.setTraceHandler([&](const QString& line) { seen << line; });
    QVERIFY(player.loadBytes(builder.finish()));
    player.advance();
    player.advance();
    QCOMPARE(seen, traces);
}

// Text files a movie loads: UTF-8 for movies from version 6, the code page (GBK) for older
// ones and for those that set System.useCodepage; a byte-order mark decides over both.
void SwfScriptTest::loadedTextEncodings_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("useCodepage");
    QTest::addColumn<QByteArray>("file");
    const QByteArray gbk("\xD6\xD0\xCE\xC4", 4);
    const QByteArray utf8 = QStringLiteral("中文").toUtf8();
    QTest::newRow("version 8, UTF-8") << 8 << false << utf8;
    QTest::newRow("version 8, code page asked for") << 8 << true << gbk;
    QTest::newRow("version 6, UTF-8") << 6 << false << utf8;
    QTest::newRow("version 5, GBK") << 5 << false << gbk;
    QTest::newRow("version 5, UTF-8 with its mark") << 5 << false << QByteArray("\xEF\xBB\xBF") + utf8;
    QTest::newRow("version 8, UTF-16 with its mark")
        << 8 << true << QByteArray("\xFF\xFE\x2D\x4E\x87\x65", 6);
}

void SwfScriptTest::loadedTextEncodings() {
    QFETCH(int, version);
    QFETCH(bool, useCodepage);
    QFETCH(QByteArray, file);
    struct Fixed final : swf::Navigator {
        QByteArray bytes;
        std::optional<QByteArray> fetch(const QString&, const QString&, QString*) override { return bytes; }
    };
    auto navigator = std::make_unique<Fixed>();
    navigator->bytes = file;
    ActionAssembler show(version);
    show.getVariable("t").op(ActionCode::Trace);
    ActionAssembler code(version);
    if (useCodepage) code.getVariable("System").push({"useCodepage", true}).op(ActionCode::SetMember);
    code.defineFunction("show", {"t"}, show);
    code.push({"x", 0, "XML"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    code.getVariable("x").push({"onData"}).getVariable("show").op(ActionCode::SetMember);
    invoke(code, "x", "load", {"data.txt"}).op(ActionCode::Pop);
    SwfBuilder builder(version, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame(2);
    swf::Player player;
    player.setNavigator(std::move(navigator));
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    QVERIFY(player.loadBytes(builder.finish()));
    player.advance();
    QCOMPARE(traces, QStringList{QStringLiteral("中文")});
}

// The player's chosen code page reads an old movie's strings and is what escape() writes;
// a name it does not know keeps GBK, and movies from version 6 are UTF-8 whatever the choice.
void SwfScriptTest::chosenCodePage_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("traces");
    const QByteArray gbk("\xD6\xD0\xCE\xC4", 4);
    // Then ord, mbord, and chr and mbchr of those: bytes of the code page before version 6.
    QTest::newRow("GBK") << 5 << QByteArray("GB18030") << gbk
                         << QStringList{"中文", "%D6%D0%CE%C4", "true", "214", "54992", "false", "true"};
    QTest::newRow("Big5") << 5 << QByteArray("Big5") << QByteArray("\xA4\xA4\xA4\xE5", 4)
                          << QStringList{"中文", "%A4%A4%A4%E5", "true", "164", "42148", "false", "true"};
    QTest::newRow("Shift-JIS") << 5 << QByteArray("Shift_JIS") << QByteArray("\x93\xFA\x96\x7B", 4)
                               << QStringList{"日本",  "%93%FA%96%7B", "true", "147",
                                              "37882", "false",        "true"};
    QTest::newRow("Latin-1") << 5 << QByteArray("ISO-8859-1") << QByteArray("\xE4\xF6", 2)
                             << QStringList{"äö", "%E4%F6", "true", "228", "228", "true", "true"};
    QTest::newRow("unknown name keeps GBK")
        << 5 << QByteArray("no-such-page") << gbk
        << QStringList{"中文", "%D6%D0%CE%C4", "true", "214", "54992", "false", "true"};
    QTest::newRow("version 6 is UTF-8")
        << 6 << QByteArray("Big5") << QStringLiteral("中文").toUtf8()
        << QStringList{"中文", "%E4%B8%AD%E6%96%87", "true", "20013", "20013", "true", "true"};
}

void SwfScriptTest::chosenCodePage() {
    QFETCH(int, version);
    QFETCH(QByteArray, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, traces);
    ActionAssembler code(version);
    code.push({"s"}).action(ActionCode::Push, QByteArray(1, '\0') + bytes + '\0').op(ActionCode::SetVariable);
    code.getVariable("s").op(ActionCode::Trace);
    code.getVariable("s").push({1, "escape"}).op(ActionCode::CallFunction).op(ActionCode::Trace);
    code.getVariable("s").push({1, "escape"}).op(ActionCode::CallFunction);
    code.push({1, "unescape"}).op(ActionCode::CallFunction).getVariable("s").op(ActionCode::Equals2);
    code.op(ActionCode::Trace);
    code.getVariable("s").op(ActionCode::CharToAscii).op(ActionCode::Trace);
    code.getVariable("s").op(ActionCode::MBCharToAscii).op(ActionCode::Trace);
    code.getVariable("s").op(ActionCode::CharToAscii).op(ActionCode::AsciiToChar);
    code.getVariable("s")
        .push({1, 1})
        .op(ActionCode::MBStringExtract)
        .op(ActionCode::StringEquals)
        .op(ActionCode::Trace);
    code.getVariable("s").op(ActionCode::MBCharToAscii).op(ActionCode::MBAsciiToChar);
    code.getVariable("s")
        .push({1, 1})
        .op(ActionCode::MBStringExtract)
        .op(ActionCode::StringEquals)
        .op(ActionCode::Trace);
    SwfBuilder builder(version, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame();
    swf::Player player;
    player.setCodePage(codePage);
    QStringList seen;
    player.setTraceHandler([&](const QString& line) { seen << line; });
    QVERIFY(player.loadBytes(builder.finish()));
    player.advance();
    QCOMPARE(seen, traces);
}

// What TextFormat's properties make of the values scripts give them, per version: whole
// numbers (the smallest 32-bit one for what is no finite number from SWF 8), margins never
// negative, colours unsigned, switches, text, a known alignment or nothing.
void SwfScriptTest::textFormatValues_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("size truncates") << 7 << "size" << QVariant(-52.5) << "-52";
    QTest::newRow("size of text") << 7 << "size" << QVariant("12") << "12";
    QTest::newRow("size not finite, SWF 7") << 7 << "size" << QVariant(qInf()) << "0";
    QTest::newRow("size not finite, SWF 8") << 8 << "size" << QVariant(qInf()) << "-2147483648";
    QTest::newRow("size out of range, SWF 8") << 8 << "size" << QVariant(2147483650.0) << "-2147483648";
    QTest::newRow("leading negative, SWF 7") << 7 << "leading" << QVariant(-1) << "0";
    QTest::newRow("leading negative, SWF 8") << 8 << "leading" << QVariant(-1) << "-1";
    QTest::newRow("leading wraps, SWF 7") << 7 << "leading" << QVariant(-2147483650.0) << "2147483646";
    QTest::newRow("margin negative, SWF 8") << 8 << "leftMargin" << QVariant(-1) << "0";
    QTest::newRow("margin not a number, SWF 8") << 8 << "leftMargin" << QVariant(qQNaN()) << "0";
    QTest::newRow("colour unsigned") << 7 << "color" << QVariant(-1) << "4294967295";
    QTest::newRow("bold from text") << 7 << "bold" << QVariant("") << "false";
    QTest::newRow("font from a number") << 7 << "font" << QVariant(0.5) << "0.5";
    QTest::newRow("align known") << 7 << "align" << QVariant("CENTER") << "center";
    QTest::newRow("align unknown") << 7 << "align" << QVariant("middle") << "null";
    QTest::newRow("undefined unsets") << 7 << "size" << QVariant() << "null";
    QTest::newRow("display") << 7 << "display" << QVariant("inline") << "inline";
    QTest::newRow("display unknown") << 7 << "display" << QVariant("x") << "block";
    QTest::newRow("letterSpacing, SWF 8") << 8 << "letterSpacing" << QVariant("1.5") << "1.5";
    QTest::newRow("letterSpacing plain, SWF 7") << 7 << "letterSpacing" << QVariant("1.5") << "1.5";
    QTest::newRow("kerning, SWF 8") << 8 << "kerning" << QVariant(0) << "false";
    QTest::newRow("tab stops from text") << 7 << "tabStops" << QVariant("ab") << "0,0";
    QTest::newRow("tab stops from a number") << 7 << "tabStops" << QVariant(3) << "null";
}

void SwfScriptTest::textFormatValues() {
    QFETCH(int, version);
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    ActionAssembler code(version);
    code.push({"f", 0, "TextFormat"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    code.getVariable("f").push({property});
    if (!value.isValid())
        code.push({avm1test::PushValue::undefined()});
    else if (value.typeId() == QMetaType::QString)
        code.push({value.toString()});
    else
        code.push({value.toDouble()});
    code.op(ActionCode::SetMember);
    traceMember(code, "f", property);
    SwfBuilder builder(version, QSize(100, 100), 12);
    builder.doAction(code.bytes());
    builder.showFrame();
    Run run(builder.finish());
    QCOMPARE(run.traces, QStringList{expected});
}

// A clip's opaque background fills its bounds behind its content: set by PlaceObject3, or by
// the script property, which also takes it away again.
// A snapshot reads the clip's static texts in depth order, each glyph by its font's code;
// a line ending marks where one text object gives way to the next. Ranges hold their
// start to the glyphs and end at least one past it; a method given the wrong number of
// arguments, or a snapshot of no clip, answers undefined.
void SwfScriptTest::textSnapshots_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    const auto movie = [](const std::function<void(ActionAssembler&)>& script) {
        SwfBuilder builder(8, QSize(200, 200), 12);
        swftest::ShapeBuilder square;
        square.rectangle(QRectF(0, -25.6, 25.6, 25.6), 1);
        const int font =
            builder.defineFont2({square, square, square}, {'a', 'B', 'c'}, QStringLiteral("Boxes"));
        // "Bc" stands above "aBc", but its depth comes first.
        builder.place(2, builder.defineText(font, {0, 1, 2}, 20, QPointF(10, 100), Qt::black, 20, 2));
        builder.place(1, builder.defineText(font, {1, 2}, 20, QPointF(10, 40), Qt::black, 20));
        ActionAssembler code(8);
        code.push({"s"}).getVariable("_root").callMethod("getTextSnapshot", 0).op(ActionCode::DefineLocal);
        script(code);
        builder.doAction(code.bytes());
        builder.showFrame();
        return builder.finish();
    };
    QTest::newRow("reading") << movie([](ActionAssembler& code) {
        invoke(code, "s", "getCount").op(ActionCode::Trace);
        invoke(code, "s", "getText", {0, 100}).op(ActionCode::Trace);
        invoke(code, "s", "getText", {0, 100, true}).op(ActionCode::Trace);
        invoke(code, "s", "getText", {-3, -1}).op(ActionCode::Trace);
        invoke(code, "s", "getText", {50, 2}).op(ActionCode::Trace);
        invoke(code, "s", "getText", {1}).op(ActionCode::Trace);
    }) << "5|BcaBc|Bc\naBc|B|c|undefined";
    QTest::newRow("finding") << movie([](ActionAssembler& code) {
        invoke(code, "s", "findText", {0, "bc", true}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {0, "bc", false}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {1, "Bc", true}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {0, "cB", true}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {-1, "B", true}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {0, "", true}).op(ActionCode::Trace);
        invoke(code, "s", "findText", {0, "B"}).op(ActionCode::Trace);
    }) << "-1|0|3|-1|-1|-1|undefined";
    QTest::newRow("selecting and hitting") << movie([](ActionAssembler& code) {
        invoke(code, "s", "setSelected", {1, 4, true}).op(ActionCode::Trace);
        invoke(code, "s", "getSelectedText", {true}).op(ActionCode::Trace);
        invoke(code, "s", "getSelected", {0, 1}).op(ActionCode::Trace);
        invoke(code, "s", "getSelected", {0, 2}).op(ActionCode::Trace);
        // The third glyph of "aBc" spans x 50..70 on the line at y 100.
        invoke(code, "s", "hitTestTextNearPos", {55, 95}).op(ActionCode::Trace);
        invoke(code, "s", "hitTestTextNearPos", {55, 150}).op(ActionCode::Trace);
        invoke(code, "s", "hitTestTextNearPos", {55, 150, 60}).op(ActionCode::Trace);
    }) << "undefined|c\naB|false|true|4|-1|4";
    QTest::newRow("a snapshot of no clip") << movie([](ActionAssembler& code) {
        code.push({"o", "text", 1, "TextSnapshot"}).op(ActionCode::NewObject).op(ActionCode::DefineLocal);
        invoke(code, "o", "getCount").op(ActionCode::Trace);
        code.getVariable("o").push({"TextSnapshot"}).op(ActionCode::GetVariable).op(ActionCode::InstanceOf);
        code.op(ActionCode::Trace);
    }) << "undefined|true";
}

void SwfScriptTest::textSnapshots() {
    tracesMatch(1);
}

void SwfScriptTest::opaqueBackground_data() {
    QTest::addColumn<bool>("fromTimeline");
    QTest::addColumn<QString>("script"); // "", "blue" or "clear"
    QTest::addColumn<QColor>("between"); // between the clip's two shapes
    QTest::newRow("from the timeline") << true << "" << QColor(Qt::green);
    QTest::newRow("set by a script") << false << "blue" << QColor(Qt::blue);
    QTest::newRow("taken away by a script") << true << "clear" << QColor(Qt::white);
    QTest::newRow("none") << false << "" << QColor(Qt::white);
}

void SwfScriptTest::opaqueBackground() {
    QFETCH(bool, fromTimeline);
    QFETCH(QString, script);
    QFETCH(QColor, between);
    SwfBuilder builder = swftest::stage(8);
    SwfBuilder inner(8);
    inner.place(1, builder.defineRect(QRectF(10, 10, 10, 10), Qt::red));
    inner.place(2, builder.defineRect(QRectF(40, 40, 10, 10), Qt::red));
    inner.showFrame();
    swftest::Place place;
    place.depth = 1;
    place.characterId = builder.defineSprite(inner);
    place.name = QStringLiteral("kid");
    if (fromTimeline) place.opaqueBackground = QColor(Qt::green);
    builder.placeObject3(place);
    if (!script.isEmpty()) {
        ActionAssembler set(8);
        set.getVariable("kid").push({"opaqueBackground"});
        if (script == "blue")
            set.push({0x0000ff});
        else
            set.push({avm1test::PushValue::null()});
        builder.doAction(set.op(ActionCode::SetMember).bytes());
    }
    builder.showFrame();
    swf::Player player;
    QVERIFY(player.loadBytes(builder.finish()));
    const QImage image = swftest::render(player);
    QVERIFY2(swftest::near(image.pixel(30, 30), between), qPrintable(swftest::describe(image.pixel(30, 30))));
    QVERIFY(swftest::near(image.pixel(5, 5), Qt::white));
    QVERIFY(swftest::near(image.pixel(15, 15), Qt::red));
}

// beginGradientFill with a box: red at the box's left edge, blue at its right.
void SwfScriptTest::gradientFillFromScript() {
    ActionAssembler code(8);
    invoke(code, "_root", "createEmptyMovieClip", {"d", 1}).op(ActionCode::Pop);
    code.push({"matrixType", "box", "x", 0, "y", 0, "w", 100, "h", 20, "r", 0, 6}).op(ActionCode::InitObject);
    code.push({255, 0, 2}).op(ActionCode::InitArray);
    code.push({100, 100, 2}).op(ActionCode::InitArray);
    code.push({0x0000ff, 0xff0000, 2}).op(ActionCode::InitArray);
    code.push({"linear"});
    code.getVariable("d").callMethod("beginGradientFill", 5).op(ActionCode::Pop);
    invoke(code, "d", "moveTo", {0, 0}).op(ActionCode::Pop);
    invoke(code, "d", "lineTo", {100, 0}).op(ActionCode::Pop);
    invoke(code, "d", "lineTo", {100, 20}).op(ActionCode::Pop);
    invoke(code, "d", "lineTo", {0, 20}).op(ActionCode::Pop);
    invoke(code, "d", "endFill").op(ActionCode::Pop);
    SwfBuilder builder = swftest::stage(8);
    builder.doAction(code.bytes());
    builder.showFrame();
    swf::Player player;
    QVERIFY(player.loadBytes(builder.finish()));
    const QImage image = swftest::render(player);
    QVERIFY2(swftest::near(image.pixel(1, 10), Qt::red, 12),
             qPrintable(swftest::describe(image.pixel(1, 10))));
    QVERIFY2(swftest::near(image.pixel(98, 10), Qt::blue, 12),
             qPrintable(swftest::describe(image.pixel(98, 10))));
    QVERIFY(swftest::near(image.pixel(50, 30), Qt::white));
}

// setMask: the clip shows only under the mask, and the mask itself is not drawn; null
// takes the mask away.
void SwfScriptTest::setMask_data() {
    QTest::addColumn<bool>("takenAway");
    QTest::newRow("masked") << false;
    QTest::newRow("mask taken away") << true;
}

void SwfScriptTest::setMask() {
    QFETCH(bool, takenAway);
    SwfBuilder builder = swftest::stage(7);
    auto sprite = [&builder](const QRectF& rect, const QColor& color, const QString& name, int depth) {
        SwfBuilder inner(7);
        inner.place(1, builder.defineRect(rect, color));
        inner.showFrame();
        swftest::Place place;
        place.depth = depth;
        place.characterId = builder.defineSprite(inner);
        place.name = name;
        builder.place(place);
    };
    sprite(QRectF(0, 0, 50, 50), Qt::red, QStringLiteral("a"), 1);
    sprite(QRectF(20, 20, 60, 10), Qt::black, QStringLiteral("m"), 2);
    ActionAssembler code(7);
    code.getVariable("m").getVariable("a").callMethod("setMask", 1).op(ActionCode::Pop);
    if (takenAway)
        code.push({avm1test::PushValue::null()})
            .getVariable("a")
            .callMethod("setMask", 1)
            .op(ActionCode::Pop);
    builder.doAction(code.bytes());
    builder.showFrame();
    swf::Player player;
    QVERIFY(player.loadBytes(builder.finish()));
    const QImage image = swftest::render(player);
    QVERIFY(swftest::near(image.pixel(25, 25), takenAway ? Qt::black : Qt::red));
    QVERIFY(swftest::near(image.pixel(5, 5), takenAway ? Qt::red : Qt::white));
    QVERIFY(swftest::near(image.pixel(70, 25), takenAway ? Qt::black : Qt::white));
}

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// getURL(url, window): loadMovieNum and unloadMovieNum compile to it.
ActionAssembler& getUrl(ActionAssembler& code, const QByteArray& url, const QByteArray& window) {
    return code.action(ActionCode::GetUrl, url + '\0' + window + '\0');
}

// A main movie: frame 1 runs first; loads finish as the second frame's tick ends, so frame
// 3 runs second, then the movie holds.
QByteArray threeFrameMovie(const ActionAssembler& first, const ActionAssembler& second = ActionAssembler(8),
                           const std::function<void(SwfBuilder&)>& extra = {}) {
    SwfBuilder builder(8, QSize(200, 100), 12);
    if (extra) extra(builder);
    builder.doAction(first.bytes());
    builder.showFrame(2);
    if (!second.bytes().isEmpty()) builder.doAction(second.bytes());
    builder.doAction(ActionAssembler(8).op(ActionCode::Stop).bytes());
    builder.showFrame();
    return builder.finish();
}

ActionAssembler holderAt100() {
    ActionAssembler code(8);
    code.push({1, "holder"}).getVariable("_root").callMethod("createEmptyMovieClip", 2).op(ActionCode::Pop);
    code.getVariable("holder").push({"_x", 100}).op(ActionCode::SetMember);
    code.getVariable("holder").push({"onClipEvent", "kept"}).op(ActionCode::SetMember);
    return code;
}

} // namespace

// What scripts load shows where they asked: a movie or a picture in a clip (which keeps its
// place but loses its variables), a movie in a level above the root, a library's symbol by
// ImportAssets; MovieClipLoader tells its listeners; a missing file changes nothing.
void SwfScriptTest::loadingMoviesAndPictures_data() {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("expected"); // traces joined by '|'
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QColor>("color");

    {
        ActionAssembler first = holderAt100();
        invoke(first, "holder", "loadMovie", {"child.swf"}).op(ActionCode::Pop);
        ActionAssembler second(8);
        traceMember(second, "holder", "_x");
        traceMember(second, "holder", "onClipEvent");
        QTest::newRow("movie into a clip") << threeFrameMovie(first, second) << 2 << "child|100|undefined"
                                           << QPoint(105, 5) << QColor(Qt::blue);
    }
    {
        ActionAssembler first = holderAt100();
        invoke(first, "holder", "loadMovie", {"pic.png"}).op(ActionCode::Pop);
        ActionAssembler second(8);
        traceMember(second, "holder", "_width");
        QTest::newRow("picture into a clip")
            << threeFrameMovie(first, second) << 2 << "30" << QPoint(128, 18) << QColor(Qt::green);
    }
    {
        ActionAssembler first = holderAt100();
        invoke(first, "holder", "loadMovie", {"child.swf"}).op(ActionCode::Pop);
        ActionAssembler second(8);
        invoke(second, "holder", "unloadMovie").op(ActionCode::Pop);
        traceMember(second, "holder", "_x");
        QTest::newRow("unloaded again")
            << threeFrameMovie(first, second) << 2 << "child|100" << QPoint(105, 5) << QColor(Qt::white);
    }
    {
        ActionAssembler first(8);
        getUrl(first, "child.swf", "_level1");
        ActionAssembler second(8);
        traceMember(second, "_level1", "_x");
        QTest::newRow("movie into a level")
            << threeFrameMovie(first, second) << 2 << "child|0" << QPoint(5, 5) << QColor(Qt::blue);
    }
    {
        ActionAssembler first(8);
        getUrl(first, "child.swf", "_level1");
        ActionAssembler second(8);
        getUrl(second, "", "_level1");
        QTest::newRow("level unloaded")
            << threeFrameMovie(first, second) << 2 << "child" << QPoint(5, 5) << QColor(Qt::white);
        ActionAssembler both(8);
        getUrl(both, "child.swf", "_level1");
        getUrl(both, "", "_level1");
        QTest::newRow("unloaded before it came")
            << threeFrameMovie(both) << 2 << "" << QPoint(5, 5) << QColor(Qt::white);
    }
    {
        ActionAssembler first = holderAt100();
        first.push({"l", 0, "MovieClipLoader"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
        for (const char* event : {"onLoadStart", "onLoadComplete", "onLoadInit", "onLoadError"}) {
            ActionAssembler body(8);
            body.trace(event);
            first.getVariable("l").push({event});
            first.defineFunction("", {}, body);
            first.op(ActionCode::SetMember);
        }
        first.getVariable("holder")
            .push({"pic.png"})
            .getVariable("l")
            .callMethod("loadClip", 2)
            .op(ActionCode::Pop);
        first.getVariable("holder")
            .push({"missing.png"})
            .getVariable("l")
            .callMethod("loadClip", 2)
            .op(ActionCode::Pop);
        QTest::newRow("MovieClipLoader")
            << threeFrameMovie(first) << 2 << "onLoadStart|onLoadComplete|onLoadInit|onLoadError"
            << QPoint(110, 10) << QColor(Qt::green);
    }
    {
        ActionAssembler first(8);
        QByteArray importTag =
            QByteArray("lib.swf", 8) + avm1test::u16(1) + avm1test::u16(50) + QByteArray("libbox", 7);
        auto extra = [importTag](SwfBuilder& builder) {
            builder.rawTag(57, importTag);
            builder.place(1, 50, QTransform::fromTranslate(40, 40));
        };
        first.push({2, "copy", "libbox"})
            .getVariable("_root")
            .callMethod("attachMovie", 3)
            .op(ActionCode::Pop);
        QTest::newRow("imported from a library") << threeFrameMovie(first, ActionAssembler(8), extra) << 1
                                                 << "" << QPoint(45, 45) << QColor(Qt::yellow);
    }
    {
        ActionAssembler first = holderAt100();
        invoke(first, "holder", "loadVariables", {"vars.txt"}).op(ActionCode::Pop);
        ActionAssembler second(8);
        traceMember(second, "holder", "b");
        traceMember(second, "holder", "onClipEvent");
        QTest::newRow("variables into a clip")
            << threeFrameMovie(first, second) << 2 << "two|kept" << QPoint(105, 5) << QColor(Qt::white);
    }
    {
        ActionAssembler first(8);
        invoke(first, "_root", "unloadMovie").op(ActionCode::Pop);
        auto square = [](SwfBuilder& builder) {
            builder.place(1, builder.defineRect(QRectF(0, 0, 50, 50), Qt::red));
        };
        QTest::newRow("the root unloaded") << threeFrameMovie(first, ActionAssembler(8), square) << 3 << ""
                                           << QPoint(5, 5) << QColor(Qt::white);
    }
    {
        ActionAssembler first = holderAt100();
        invoke(first, "holder", "loadMovie", {"../outside.swf"}).op(ActionCode::Pop);
        ActionAssembler second(8);
        traceMember(second, "holder", "onClipEvent");
        QTest::newRow("outside the folder")
            << threeFrameMovie(first, second) << 2 << "kept" << QPoint(105, 5) << QColor(Qt::white);
    }
}

void SwfScriptTest::loadingMoviesAndPictures() {
    QFETCH(QByteArray, movie);
    QFETCH(int, frames);
    QFETCH(QString, expected);
    QFETCH(QPoint, pixel);
    QFETCH(QColor, color);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("movie")));
    {
        SwfBuilder child(8, QSize(50, 50), 12);
        child.place(1, child.defineRect(QRectF(0, 0, 20, 20), Qt::blue));
        child.doAction(ActionAssembler(8).trace("child").op(ActionCode::Stop).bytes());
        child.showFrame();
        QVERIFY(writeFile(dir.filePath(QStringLiteral("movie/child.swf")), child.finish()));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("outside.swf")), child.finish()));
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(dir.filePath(QStringLiteral("movie/pic.png"))));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("movie/vars.txt")), "a=1&b=two"));
        SwfBuilder library(8, QSize(50, 50), 12);
        SwfBuilder box(8);
        box.place(1, library.defineRect(QRectF(0, 0, 10, 10), Qt::yellow));
        box.showFrame();
        const int id = library.defineSprite(box);
        library.rawTag(56, avm1test::u16(1) + avm1test::u16(id) + QByteArray("libbox", 7));
        library.showFrame();
        QVERIFY(writeFile(dir.filePath(QStringLiteral("movie/lib.swf")), library.finish()));
    }
    const QString path = dir.filePath(QStringLiteral("movie/main.swf"));
    QVERIFY(writeFile(path, movie));
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    QVERIFY(player.loadFile(path));
    for (int i = 0; i < frames; ++i)
        player.advance();
    player.gotoFrame(0);
    QVERIFY(player.currentFrame() >= 0);
    QCOMPARE(traces.join(QLatin1Char('|')), expected);
    QCOMPARE(swftest::render(player).pixelColor(pixel), color);
}

QTEST_MAIN(SwfScriptTest)
#include "script_test.moc"
