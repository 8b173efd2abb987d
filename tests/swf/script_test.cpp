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

#include <functional>
#include <tuple>

using avm1test::ActionAssembler;
using swf::format::ActionCode;
using swftest::SwfBuilder;

namespace {

struct Run {
    swf::Player player;
    QStringList traces;
    QStringList urls;
    // setUp prepares the player before the movie loads.
    explicit Run(const QByteArray& movie, const std::function<void(swf::Player&)>& setUp = {}) {
        player.setTraceHandler([this](const QString& line) { traces << line; });
        player.setUrlHandler([this](const QString& url) { urls << url; });
        if (setUp) setUp(player);
        loaded = player.loadBytes(movie);
    }
    bool loaded = false;
    void frames(int count) {
        for (int i = 0; i < count; ++i)
            player.advance();
    }
    QString traced() const { return traces.join(QLatin1Char('|')); }
};

// The rows of a data-driven test: the movie's traces, joined by '|', after frames ticks.
void tracesMatch(int frames = 0) {
    QFETCH(QByteArray, movie);
    QFETCH(QString, expected);
    Run run(movie);
    run.frames(frames);
    QCOMPARE(run.traced(), expected);
}

QByteArray actions(int version, const QString& listing) {
    return ActionAssembler(version, listing).bytes();
}

// A movie of one frame per listing.
QByteArray framesMovie(int version, const QStringList& listings) {
    SwfBuilder builder(version, QSize(100, 100), 12);
    for (const QString& listing : listings) {
        if (!listing.isEmpty()) builder.doAction(actions(version, listing));
        builder.showFrame();
    }
    return builder.finish();
}

// A two-frame movie whose first frame loads each file with a LoadVars and traces what arrives.
QByteArray loadVarsMovie(const QStringList& names) {
    QString listing = "fn:show(t) { $t Trace } ";
    for (const QString& name : names)
        listing += "'v' 0 'LoadVars' NewObject SetVariable $v 'onData' $show SetMember '" + name +
                   "' $v .load(1) Pop ";
    return framesMovie(8, {listing, {}});
}

// A movie whose sprite (a 10 by 10 square, with spriteListing on its frame) is exported as
// "box", and whose first frame runs listing.
QByteArray boxMovie(const QString& listing, const QString& spriteListing = {}, int version = 8) {
    SwfBuilder builder(version, QSize(200, 200), 12);
    SwfBuilder sprite(version, QSize(100, 100), 12);
    sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
    if (!spriteListing.isEmpty()) sprite.doAction(actions(version, spriteListing));
    sprite.showFrame();
    const int id = builder.defineSprite(sprite);
    builder.rawTag(56, avm1test::u16(1) + avm1test::u16(id) + QByteArray("box", 4));
    builder.doAction(actions(version, listing));
    builder.showFrame();
    return builder.finish();
}

struct BoxRow {
    const char* name;
    QString listing;
    const char* expected;
    int version = 8;
};

void addBoxRows(std::initializer_list<BoxRow> rows) {
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<QString>("expected");
    for (const BoxRow& row : rows)
        QTest::newRow(row.name) << boxMovie(row.listing, {}, row.version) << QString::fromUtf8(row.expected);
}

// A movie of one listing per frame whose first frame places the box sprite as "t" at depth
// 1 (-16383 to scripts) and whose frame removeFrame (-1: none) removes that depth.
QByteArray timelineMovie(const QStringList& listings, int removeFrame = -1) {
    SwfBuilder builder(8, QSize(200, 200), 12);
    SwfBuilder sprite(8, QSize(100, 100), 12);
    sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
    sprite.showFrame();
    swftest::Place place;
    place.characterId = builder.defineSprite(sprite);
    place.name = QStringLiteral("t");
    builder.place(place);
    for (int frame = 0; frame < listings.size(); ++frame) {
        if (frame == removeFrame) builder.remove(1);
        builder.doAction(actions(8, listings[frame]));
        builder.showFrame();
    }
    return builder.finish();
}

// A character placed by the timeline under a name.
void placeNamed(SwfBuilder& builder, int characterId, const QString& name, int depth = 1) {
    swftest::Place place;
    place.depth = depth;
    place.characterId = characterId;
    place.name = name;
    builder.place(place);
}

// Twenty boxes, c0 to c19 at depths 1 to 20.
QString twentyBoxes() {
    QString listing;
    for (int i = 0; i < 20; ++i)
        listing += QStringLiteral("%1 'c%2' 'box' $_root .attachMovie(3) Pop ").arg(i + 1).arg(i);
    return listing;
}

const QString kAttachB = "5 'b' 'box' $_root .attachMovie(3) Pop ";
const QString kField = "50 100 20 10 1 't' $_root .createTextField(6) Trace ";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A navigator answering loads with fixed bytes (only those of one address, if given), noting
// the addresses it is asked for.
struct Fixed final : swf::Navigator {
    explicit Fixed(QByteArray bytes, QString only = {}) : bytes(std::move(bytes)), only(std::move(only)) {}
    std::optional<QByteArray> fetch(const QString&, const QString& relative, QString* fullUrl) override {
        asked << relative;
        if (only.isEmpty()) return bytes;
        if (relative != only) return std::nullopt;
        if (fullUrl) *fullUrl = "test:" + relative;
        return bytes;
    }
    QByteArray bytes;
    QString only;
    QStringList asked;
};

// getURL(url, window): loadMovieNum and unloadMovieNum compile to it.
QString getUrl(const QByteArray& url, const QByteArray& window) {
    return "GetUrl:" + QString::fromLatin1((url + '\0' + window + '\0').toHex());
}

// A main movie: frame 1 runs first; loads finish as the second frame's tick ends, so frame
// 3 runs second, then the movie holds.
QByteArray threeFrameMovie(const QString& first, const QString& second = {},
                           const std::function<void(SwfBuilder&)>& extra = {}) {
    SwfBuilder builder(8, QSize(200, 100), 12);
    if (extra) extra(builder);
    builder.doAction(actions(8, first));
    builder.showFrame(2);
    builder.doAction(actions(8, second + " Stop"));
    builder.showFrame();
    return builder.finish();
}

} // namespace

class SwfScriptTest : public QObject {
    Q_OBJECT

  private slots:
    // Sprites, buttons and fields the timeline places without a name are "instance1",
    // "instance2"... in the order they are made; shapes and named instances take no number, a
    // move that names nothing keeps the name. The root's frame script runs before the first
    // frames of the sprites it placed, which already see the root on its first frame.
    void unnamedInstancesAreNumbered() {
        for (const int version : {5, 6, 7, 8}) {
            SwfBuilder builder(version, QSize(200, 200), 12);
            SwfBuilder sprite(version, QSize(100, 100), 12);
            sprite.doAction(actions(version, "$_root ._currentframe Trace"));
            sprite.showFrame();
            const int spriteId = builder.defineSprite(sprite);
            builder.place(1, spriteId);
            builder.place(2, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
            placeNamed(builder, spriteId, "n", 3);
            builder.place(4, spriteId);
            builder.doAction(actions(
                version,
                "$_root .instance1 ._name Trace $_root .instance2 ._name Trace $_root .n ._name Trace"));
            builder.showFrame();
            builder.move(1, QTransform::fromTranslate(5, 5));
            builder.doAction(actions(version, "$_root .instance1 ._x Trace"));
            builder.showFrame();
            Run run(builder.finish());
            run.frames(1);
            QCOMPARE(run.traced(), QStringLiteral("instance1|instance2|n|1|1|1|5"));
        }
    }

    // MovieClip methods the player added after SWF 5 are not there for older movies; an empty
    // clip counts one frame.
    void clipMethodsByVersion_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("expected"); // createEmptyMovieClip, getNextHighestDepth, attachMovie
        const QString types =
            "$_root .createEmptyMovieClip TypeOf Trace $_root .getNextHighestDepth TypeOf Trace "
            "$_root .attachMovie TypeOf Trace ";
        const QString empty =
            "5 'e' $_root .createEmptyMovieClip(2) Pop $e ._totalframes Trace $e ._framesloaded Trace";
        QTest::newRow("SWF 5") << framesMovie(5, {types}) << "undefined|undefined|function";
        QTest::newRow("SWF 6") << framesMovie(6, {types + empty}) << "function|undefined|function|1|1";
        QTest::newRow("SWF 7") << framesMovie(7, {types + empty}) << "function|function|function|1|1";
    }
    void clipMethodsByVersion() { tracesMatch(); }

    void stopOnTheLastFrameHolds() {
        Run run(framesMovie(6, {{}, {}, {}, {}, "Stop"}));
        run.player.setLoop(true);
        run.frames(10);
        QCOMPARE(run.player.currentFrame(), 4);
        QVERIFY(!run.player.isPlaying());
    }

    void frameScriptsRunInOrderAndLoop() {
        Run run(framesMovie(6, {"'frame 0' Trace", "'frame 1' Trace", "'frame 2' Trace"}));
        run.player.setLoop(true);
        run.frames(3);
        QCOMPARE(run.traced(), QStringLiteral("frame 0|frame 1|frame 2|frame 0"));
    }

    void gotoLabelFromScript() {
        SwfBuilder builder(6, QSize(100, 100), 12);
        builder.doAction(ActionAssembler(6).action(ActionCode::GotoLabel, QByteArray("end", 4)).bytes());
        builder.showFrame();
        builder.doAction(actions(6, "'skipped' Trace"));
        builder.showFrame();
        builder.frameLabel(QStringLiteral("end"));
        builder.doAction(actions(6, "'at the end' Trace Stop"));
        builder.showFrame();
        Run run(builder.finish());
        QCOMPARE(run.player.currentFrame(), 2);
        QCOMPARE(run.traces, QStringList{"at the end"});
        run.frames(3);
        QCOMPARE(run.player.currentFrame(), 2);
    }

    void spriteScriptsAndPaths() {
        SwfBuilder sprite(6, QSize(100, 100), 12);
        sprite.doAction(actions(6, "$_currentframe Trace Stop"));
        sprite.showFrame();
        sprite.doAction(actions(6, "'sprite frame 2' Trace"));
        sprite.showFrame();
        SwfBuilder builder(6, QSize(100, 100), 12);
        placeNamed(builder, builder.defineSprite(sprite), "kid");
        builder.showFrame();
        // The root sends the stopped sprite on, by path.
        builder.doAction(actions(6, "'/kid' SetTarget2 Play '' SetTarget2"));
        builder.showFrame();
        Run run(builder.finish());
        QCOMPARE(run.traces, QStringList{"1"});
        run.frames(3);
        QVERIFY(run.traces.contains(QStringLiteral("sprite frame 2")));
    }

    void scriptsTakeOverPlacement() {
        SwfBuilder builder(6, QSize(200, 200), 12);
        SwfBuilder sprite(6, QSize(100, 100), 12);
        sprite.place(1, builder.defineRect(QRectF(0, 0, 10, 10), Qt::red));
        sprite.showFrame();
        placeNamed(builder, builder.defineSprite(sprite), "kid");
        builder.doAction(
            actions(6, "$kid '_x' 50 SetMember $kid '_visible' false SetMember '/kid' 1 30 SetProperty"));
        builder.showFrame();
        // The timeline moves it on; the script's placement stays.
        builder.move(1, QTransform::fromTranslate(5, 5));
        builder.doAction(actions(6, "$kid ._x Trace $kid ._y Trace $kid ._visible Trace Stop"));
        builder.showFrame();
        Run run(builder.finish());
        run.frames(1);
        QCOMPARE(run.traced(), QStringLiteral("50|30|false"));
    }

    void fscommandQuitAndUrls() {
        SwfBuilder builder(6, QSize(100, 100), 12);
        builder.doAction(actions(6, getUrl("file:///etc/passwd", "_blank") + " " +
                                        getUrl("http://example.com/", "_blank")));
        builder.showFrame();
        builder.doAction(actions(6, getUrl("FSCommand:quit", "")));
        builder.showFrame(3);
        Run run(builder.finish());
        run.frames(5);
        QCOMPARE(run.urls, QStringList{"http://example.com/"});
        QVERIFY(run.player.quitRequested());
        QCOMPARE(run.player.currentFrame(), 1);
    }

    void backwardSeekRunsNoScripts() {
        Run run(framesMovie(6, {"'f0' Trace", "'f1' Trace", "'f2' Trace", "'f3' Trace", "'f4' Trace"}));
        run.frames(4);
        run.traces.clear();
        run.player.gotoFrame(1);
        run.player.gotoFrame(0);
        QVERIFY(run.traces.isEmpty());
    }

    // Movies the fuzzer found: a script looping over gotos, and frames whose scripts jump to
    // each other for ever. Both must end within the frame's budget, without memory growing.
    void endlessGotosAreCutOff_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<bool>("aborts");
        QTest::newRow("one script looping over gotos")
            << framesMovie(6, {"label:top goto:1 jump:top", {}}) << true;
        QTest::newRow("two frames jumping to each other")
            << framesMovie(6, {"goto:1 Play", "goto:0 Play"}) << false;
    }
    void endlessGotosAreCutOff() {
        QFETCH(QByteArray, movie);
        QFETCH(bool, aborts);
        Run run(movie, [](swf::Player& player) { player.setScriptTimeBudgetMs(300); });
        QVERIFY(run.loaded);
        run.frames(3);
        if (aborts) QCOMPARE(run.player.scriptFailure(), swf::avm1::AbortReason::TimeBudget);
    }

    // Scripts of one frame share its time: once a runaway script has spent it, the scripts still
    // waiting in that frame do not start, and the next frame's scripts run as usual.
    void aSpentFrameStartsNoMoreScripts() {
        SwfBuilder builder(6, QSize(100, 100), 12);
        builder.doAction(actions(6, "label:top jump:top"));
        builder.doAction(actions(6, "'same frame' Trace"));
        builder.showFrame();
        builder.doAction(actions(6, "'next frame' Trace Stop"));
        builder.showFrame();
        Run run(builder.finish(), [](swf::Player& player) { player.setScriptTimeBudgetMs(200); });
        QVERIFY(run.loaded);
        QCOMPARE(run.player.scriptFailure(), swf::avm1::AbortReason::TimeBudget);
        run.frames(1);
        QCOMPARE(run.traced(), QStringLiteral("next frame"));
    }

    // Everything the display objects of a movie share (serials, the text-field index, the
    // instance budget, the frame observer) belongs to its player: two players advanced in turn
    // print what each prints alone.
    void twoPlayersNeverMeet() {
        auto movie = [](const char* word) {
            return boxMovie(
                QStringLiteral("20 100 0 0 1 't' $_root .createTextField(6) Pop $t 'text' '%1' SetMember ")
                    .arg(word) +
                kAttachB + "$t .text Trace $b ._target Trace $t Trace");
        };
        const QByteArray first = movie("first"), second = movie("second");
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

    void scriptMadeClips_data() {
        const QString drawing = "1 'd' $_root .createEmptyMovieClip(2) Pop 16711680 $d .beginFill(1) Pop "
                                "10 10 $d .moveTo(2) Pop ";
        // b is a 10 by 10 box at (50, 20), c one at (55, 25).
        const QString twoBoxes =
            "1 'b' 'box' $_root .attachMovie(3) Pop 2 'c' 'box' $_root .attachMovie(3) Pop "
            "$b '_x' 50 SetMember $b '_y' 20 SetMember $c '_x' 55 SetMember $c '_y' 25 SetMember ";
        addBoxRows({
            {"attach by export name",
             kAttachB + "$b ._name Trace $b .getDepth(0) Trace $_root .getNextHighestDepth(0) Trace $b "
                        "._width Trace "
                        "1 'n' 'no such symbol' $_root .attachMovie(3) Trace",
             "b|5|6|10|undefined"},
            // A matrix set through transform moves the clip; scale and rotation read as before.
            {"transform.matrix",
             kAttachB + "$b .transform 'matrix' 20 10 0 1 1 0 6 $flash .geom 'Matrix' NewMethod SetMember "
                        "$b ._x Trace $b ._rotation Trace $b .transform .matrix Trace",
             "10|0|(a=0, b=1, c=1, d=0, tx=10, ty=20)"},
            {"transform.matrix from an object without its members",
             kAttachB + "$b .transform 'matrix' 20 10 2 $flash .geom 'Point' NewMethod SetMember "
                        "$b .transform .matrix Trace",
             "(a=1, b=0, c=0, d=1, tx=0, ty=0)"},
            // The filters go in as copies and come out as new objects; what the renderer cannot
            // draw is not kept.
            {"filters",
             kAttachB + "$b 'filters' 0 $flash .filters 'ConvolutionFilter' NewMethod "
                        "2 2 4 8 0.2 65280 6 $flash .filters 'GlowFilter' NewMethod "
                        "3 5 10 3 $flash .filters 'BlurFilter' NewMethod 3 InitArray SetMember "
                        "$b .filters .length Trace $b .filters .0 .blurY Trace $b .filters .0 .quality Trace "
                        "$b .filters .1 .color Trace $b .filters .1 .alpha Trace $b .filters .1 .blurX Trace",
             "2|5|3|65280|0.2|8"},
            {"transform.colorTransform",
             kAttachB +
                 "$b .transform 'colorTransform' 0 0 0 10 0.25 1 1 0.5 8 $flash .geom 'ColorTransform' "
                 "NewMethod SetMember $b .transform .colorTransform Trace $b ._alpha Trace",
             "(redMultiplier=0.5, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=0.25, redOffset=10, "
             "greenOffset=0, blueOffset=0, alphaOffset=0)|25"},
            {"swapDepths trades places",
             "1 'a' 'box' $_root .attachMovie(3) Pop 2 'b' 'box' $_root .attachMovie(3) Pop $b $a "
             ".swapDepths(1) Pop "
             "$a .getDepth(0) Trace $b .getDepth(0) Trace",
             "2|1"},
            // A sibling by its path, a name that is no clip as depth NaN (so 0); undefined and
            // depths past the range change nothing; a depth wraps to 32 bits. A level's top has
            // no siblings but keeps the depth it is given.
            {"swapDepths arguments",
             "1 'a' $_root .createEmptyMovieClip(2) Pop 2 'b' $_root .createEmptyMovieClip(2) Pop "
             "'../b' $a .swapDepths(1) Pop $a .getDepth(0) Trace 'nothing' $a .swapDepths(1) Pop $a "
             ".getDepth(0) Trace "
             "undefined $a .swapDepths(1) Pop 2130690045 $a .swapDepths(1) Pop -16385 $a .swapDepths(1) Pop "
             "$a .getDepth(0) Trace 4294967297 $a .swapDepths(1) Pop $a .getDepth(0) Trace "
             "7 $_root .swapDepths(1) Pop $_root .getDepth(0) Trace",
             "2|0|0|1|7"},
            // Depths below the timeline's stay as given; removal takes only 0 to 1048575.
            {"depths under the timeline's",
             "-20000 'low' $_root .createEmptyMovieClip(2) Pop $low .getDepth(0) Trace $low "
             ".removeMovieClip(0) Pop "
             "$low TypeOf Trace",
             "-20000|movieclip"},
            // removeMovieClip takes any display object; removeTextField only fields.
            {"removeMovieClip on a field",
             "10 10 0 0 4 't' $_root .createTextField(6) Pop "
             "$t 'removeMovieClip' $MovieClip .prototype .removeMovieClip SetMember $t .removeMovieClip(0) "
             "Pop "
             "$t TypeOf Trace",
             "undefined"},
            {"a removed clip's name is gone", kAttachB + "$b .removeMovieClip(0) Pop $b TypeOf Trace",
             "undefined"},
            // A clip with onUnload leaves once the running script is done, below every depth
            // until then; a second removal, or one of a clip inside it, does nothing.
            {"onUnload",
             "3 'b' 'box' $_root .attachMovie(3) Pop $b 'onUnload' fn() { 'gone' Trace } SetMember 2 'inner' "
             "'box' $b .attachMovie(3) Pop "
             "$b .removeMovieClip(0) Pop $b .removeMovieClip(0) Pop 0 $b .inner 'removeMovieClip' "
             "CallMethod Pop $b .getDepth(0) Trace $b .inner Trace",
             "-32772|_level0.b.inner|gone"},
            {"drawing measures, and a duplicate keeps it",
             drawing + "10 30 $d .lineTo(2) Pop 50 30 $d .lineTo(2) Pop $d .endFill(0) Pop $d ._width Trace "
                       "$d ._height Trace 2 'e' $d .duplicateMovieClip(2) Pop $e ._width Trace",
             "20|40|20"},
            // A drawn fill takes the pointer by its shape; the corner it starts from does not.
            {"hitTest on a drawing",
             drawing + "50 10 $d .lineTo(2) Pop 50 50 $d .lineTo(2) Pop 10 50 $d .lineTo(2) Pop "
                       "10 10 $d .lineTo(2) Pop $d .endFill(0) Pop true 15 15 $d .hitTest(3) Trace "
                       "true 10 10 $d .hitTest(3) Trace true 5 5 $d .hitTest(3) Trace",
             "true|false|false"},
            {"points between clip and stage, hit tests, getBounds in another clip's space",
             twoBoxes + "'p' 'x' 1 'y' 2 2 InitObject SetVariable $p $b .localToGlobal(1) Pop $p .x Trace "
                        "$p .y Trace $p $b .globalToLocal(1) Pop $p .x Trace true 25 55 $b .hitTest(3) Trace "
                        "false 5 5 $b .hitTest(3) Trace $c $b .hitTest(1) Trace "
                        "'r' $c $b .getBounds(1) SetVariable $r .xMin Trace $r .yMax Trace",
             "51|22|1|true|false|true|-5|5"},
            {"_parent and _root as members",
             "1 'b' 'box' $_root .attachMovie(3) Pop $b ._parent ._target Trace $b ._root ._target Trace "
             "$_parent Trace",
             "/|/|undefined"},
            {"focus follows the clip, and leaves with it",
             "$Selection .getFocus(0) Trace 1 'b' 'box' $_root .attachMovie(3) Pop $b $Selection "
             ".setFocus(1) Trace "
             "$Selection .getFocus(0) Trace $b .removeMovieClip(0) Pop $Selection .getFocus(0) Trace",
             "null|true|_level0.b|null"},
            {"System says what the player is",
             "$System .capabilities .language Trace $System .security .allowDomain TypeOf Trace",
             "zh-CN|function"},
        });
    }
    void scriptMadeClips() { tracesMatch(); }

    // t.property = 1, then = value, on a clip the timeline placed: what the script reads back.
    void clipPropertiesConvertAsThePlayerDoes_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("expected");
        auto set = [](const char* property, const char* value) {
            return timelineMovie({QStringLiteral("$t '%1' 1 SetMember $t '%1' %2 SetMember $t .%1 Trace")
                                      .arg(property, value)});
        };
        QTest::newRow("negative scale reads back signed") << set("_xscale", "-5") << "-5";
        QTest::newRow("rotation turns into the half circle") << set("_rotation", "190") << "-170";
        QTest::newRow("infinite position wraps like 32-bit twips") << set("_x", "Infinity") << "-107374182.4";
        QTest::newRow("NaN leaves a position alone") << set("_x", "'abc'") << "1";
        QTest::newRow("alpha is 8.8 fixed point") << set("_alpha", "10") << "9.765625";
        QTest::newRow("visibility from a number, not text") << set("_visible", "'true'") << "true";
        QTest::newRow("quality by name only") << set("_quality", "'fast'") << "HIGH";
    }
    void clipPropertiesConvertAsThePlayerDoes() { tracesMatch(); }

    // A timeline of many clips, looked up by name while scripts add, rename, remove and reorder
    // them: every lookup answers from the stage as it is at that moment.
    void childrenByName_data() {
        const QString many = twentyBoxes();
        addBoxRows({
            {"renamed",
             many + "$c5 ._name Trace $c5 '_name' 'renamed' SetMember $c5 TypeOf Trace $renamed ._name Trace",
             "c5|undefined|renamed"},
            {"removed", many + "$c7 ._name Trace $c7 .removeMovieClip(0) Pop $c7 TypeOf Trace",
             "c7|undefined"},
            {"attached after a lookup",
             many + "$c3 ._name Trace 30 'late' 'box' $_root .attachMovie(3) Pop $late ._name Trace",
             "c3|late"},
            {"equal names: the lowest depth",
             many +
                 "40 'twin' 'box' $_root .attachMovie(3) Pop $twin .getDepth(0) Trace "
                 "35 'twin' 'box' $_root .attachMovie(3) Pop $twin .getDepth(0) Trace "
                 "'second' 45 'twin' 'box' $_root .attachMovie(3) SetVariable 30 $second .swapDepths(1) Pop "
                 "$twin .getDepth(0) Trace",
             "40|35|30"},
            {"case ignored before SWF 7",
             many + "$C5 ._name Trace 50 'Mixed' 'box' $_root .attachMovie(3) Pop $mIXED ._name Trace",
             "c5|Mixed", 6},
            {"case kept from SWF 7", many + "$C5 ._name Trace", "undefined"},
            // _target walks up through the parents, which are looked up again once clips change.
            {"parents of replaced clips",
             many + "1 'inner' 'box' $c2 .attachMovie(3) Pop $c2 .inner ._target Trace $c2 "
                    ".removeMovieClip(0) Pop "
                    "1 'inner' 'box' $c9 .attachMovie(3) Pop $c9 .inner ._target Trace",
             "/c2/inner|/c9/inner"},
        });
    }
    void childrenByName() { tracesMatch(); }

    void variablePaths_data() {
        addBoxRows({
            // Each scope is tried in turn: "a.b" leads to a string on the root, so "a.b.c" goes on
            // to _global's.
            {"a path from each scope",
             "$_global 'a' 'b' 'c' 'global' 1 InitObject 1 InitObject SetMember "
             "'a' 'b' 'root' 1 InitObject SetVariable $a.b.c Trace $a.b Trace",
             "global|root"},
            // o.a is a clip; ".." leaves it for its parent, the root.
            {"a path through an object",
             "'v' 'hi' SetVariable 'o' 0 InitObject SetVariable "
             "$o 'a' 1 'foo' $_root .createEmptyMovieClip(2) SetMember $o/a/..:v Trace",
             "hi"},
            {"a dot after a slash",
             "1 'a' $_root .createEmptyMovieClip(2) Pop 1 'b.c' $a .createEmptyMovieClip(2) Pop "
             "$a .b.c 'd' 42 SetMember $a/b.c:d Trace $a.b.c:d Trace $:a Trace",
             "42|undefined|undefined"},
            // A told clip hides the root's variables; a path that names no clip leaves the root's
            // variables and no clip to act on.
            {"told targets",
             "'n' 'root' SetVariable 1 'mc' $_root .createEmptyMovieClip(2) Pop $mc 'm' 'mc' SetMember "
             "tell:mc $m Trace $n Trace tell: tell:nowhere $n Trace '' 13 GetProperty Trace tell:",
             "mc|undefined|root|undefined"},
            {"an object told by its text",
             "1 'mc' $_root .createEmptyMovieClip(2) Pop 'toString' fn() { 'mc' Return } 1 InitObject "
             "SetTarget2 "
             "'' 13 GetProperty Trace",
             "mc"},
            {"DefineLocal2 by path, a clip's _global",
             "'g' 'G' SetVariable '/:g' DefineLocal2 $g Trace '/:h' DefineLocal2 'h' $_root "
             ".hasOwnProperty(1) Trace "
             "$_root ._global $_global StrictEquals Trace",
             "G|true|true"},
            // A clip is told by its path: of two of one name, the first by depth answers. A slash
            // path that names no clip is a variable's name.
            {"clips told by path, slash names",
             "'first' 1 'twin' $_root .createEmptyMovieClip(2) SetVariable "
             "'second' 2 'twin' $_root .createEmptyMovieClip(2) SetVariable $first 'x' 'first' SetMember "
             "$second SetTarget2 $x Trace tell: '/no/clip' 5 SetVariable $/no/clip Trace",
             "first|5"},
            // f keeps mc's timeline in its scope chain; once mc is gone the root stands there.
            {"a timeline gone from the stage",
             "'v' 'root' SetVariable 1 'mc' $_root .createEmptyMovieClip(2) Pop $mc 'v' 'mc' SetMember "
             "tell:mc $_global 'f' fn() { $v Trace } SetMember tell: f(0) Pop $mc .removeMovieClip(0) Pop "
             "f(0) Pop",
             "mc|root"},
        });
    }
    void variablePaths() { tracesMatch(); }

    // What a timeline does to the clips scripts made or moved, as it plays on and as it loops.
    void timelineMeetsScriptDepths_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("expected");
        // Its removal takes whoever stands at the depth; the clip moved away stays moved.
        QTest::newRow("removal takes a script's clip")
            << timelineMovie({"5 's' $_root .createEmptyMovieClip(2) Pop $t $s .swapDepths(1) Pop",
                              "$s TypeOf Trace $t .getDepth(0) Trace"},
                             1)
            << "undefined|5|undefined|5";
        // Going back, what scripts made in the timeline's depths (-16384 to -1) goes.
        QTest::newRow("going back") << timelineMovie(
                                           {"$low TypeOf Trace $zero TypeOf Trace $under TypeOf Trace "
                                            "-1 'low' $_root .createEmptyMovieClip(2) Pop "
                                            "0 'zero' $_root .createEmptyMovieClip(2) Pop "
                                            "-16385 'under' $_root .createEmptyMovieClip(2) Pop",
                                            ""})
                                    << "undefined|undefined|undefined|undefined|movieclip|movieclip";
        // A timeline clip a script moved is not placed again, until the timeline goes back.
        const QString atDepth = "-16383 $_root .getInstanceAtDepth(1) Trace";
        QTest::newRow("moved away") << timelineMovie({atDepth, "10 $t .swapDepths(1) Pop", atDepth})
                                    << "_level0.t|undefined|_level0.t";
        // An empty address unloads a tick after a load would arrive, variables and all.
        QTest::newRow("loadMovie of nothing")
            << timelineMovie(
                   {"1 'a' $_root .createEmptyMovieClip(2) Pop $a 'x' 42 SetMember '' $a .loadMovie(1) Pop "
                    "'onEnterFrame' fn() { $a .x Trace } SetVariable"})
            << "42|undefined|undefined";
    }
    void timelineMeetsScriptDepths() { tracesMatch(3); }

    void textFields_data() {
        // replaceText came with SWF 7; an empty replacement removes text only from SWF 8; the
        // new text takes the size of the character after it, and the field's new-text size
        // follows its first character afterwards.
        const QString replace =
            kField +
            "$t 'text' 'hello\nworld' SetMember 'f' 0 'TextFormat' NewObject DefineLocal $f 'size' 30 "
            "SetMember "
            "$f 11 3 $t .setTextFormat(3) Pop 'EY' 3 1 $t .replaceText(3) Pop 'no' 2 -1 $t .replaceText(3) "
            "Pop "
            "1 4 $t .replaceText(2) Pop '' 1 0 $t .replaceText(3) Pop $t .text Trace $t .length Trace "
            "1 $t .getTextFormat(1) .size Trace $t ._name Trace";
        addBoxRows({
            {"an empty autosized field is a 4-pixel box",
             kField + "$t 'autoSize' 'center' SetMember $t ._x Trace $t ._width Trace $t ._height Trace "
                      "$t .autoSize Trace $t .text Trace $t 'autoSize' true SetMember $t .autoSize Trace",
             "_level0.t|10|4|4|center||left"},
            {"replaceText in SWF 6", replace, "undefined|hello\rworld|11|12|t", 6},
            {"replaceText in SWF 7", replace, "undefined|hEYlo\rworld|11|30|t", 7},
            {"replaceText in SWF 8", replace, "_level0.t|EYlo\rworld|10|30|t", 8},
            // SWF 5 movies may make fields, but a field's name stands for the clip that holds it.
            {"a field in SWF 5",
             kField + "$t TypeOf Trace $t 'text' 'set' SetMember $_root .text Trace $t Trace",
             "undefined|movieclip|set|_level0", 5},
            // A carriage return in markup or in replaceText's text ends a paragraph scripts do not
            // read, though the length counts it; a line feed ends one they read as \r.
            {"paragraph ends scripts do not read",
             kField +
                 "$t 'html' true SetMember $t 'htmlText' 'a\rb' SetMember $t .text Trace $t .length Trace "
                 "'\nc\rd' 1 1 $t .replaceText(3) Pop $t .text Trace $t .length Trace "
                 "$t 'text' 'e\rf' SetMember $t .text Trace",
             "_level0.t|ab|3|a\rcdb|7|e\rf"},
            // Ten lines in a box of fewer: scrolling past the end holds at maxscroll, where the
            // last line is the bottom one; a scroll before the first line reads 1, and text
            // narrower than the box does not scroll sideways.
            {"scrolling held to the lines",
             kField +
                 "$t 'text' '1\n2\n3\n4\n5\n6\n7\n8\n9\n10' SetMember $t .scroll Trace $t .maxscroll 1 "
                 "Greater Trace "
                 "$t 'scroll' 100 SetMember $t .scroll $t .maxscroll Equals2 Trace $t .bottomScroll Trace "
                 "$t 'scroll' -3 SetMember $t .scroll Trace $t 'hscroll' 50 SetMember $t .hscroll Trace "
                 "$t .maxhscroll Trace",
             "_level0.t|1|true|true|10|1|0|0"},
            // A bound field shows a clip's variable at once and writes its text through; an
            // object's variable reaches it when it is bound; an unset variable takes the field's
            // own text.
            {"bound variables",
             kField + "$_root 'v' 1 SetMember $t 'variable' '_root.v' SetMember $t .text Trace $_root 'v' 2 "
                      "SetMember "
                      "$t .text Trace $t 'text' 'three' SetMember $_root .v Trace 'o' 0 'Object' NewObject "
                      "SetVariable "
                      "$o 'w' 4 SetMember $t 'variable' 'o.w' SetMember $t .text Trace "
                      "$t 'variable' 'o.unset' SetMember $o .unset Trace",
             "_level0.t|1|2|three|4|undefined"},
            {"TextFormat in and out",
             kField +
                 "$t 'text' 'hi' SetMember true 16711680 20 'Arial' 4 'TextFormat' NewObject "
                 "$t .setTextFormat(1) Pop $t .getTextFormat(0) store:0 Pop r:0 .font Trace r:0 .size Trace "
                 "r:0 .color Trace r:0 .bold Trace r:0 .italic Trace r:0 .align Trace r:0 .url Trace "
                 "0 'TextFormat' NewObject .size Trace",
             "_level0.t|Arial|20|16711680|true|false|left||null"},
            {"html text, then removed",
             kField + "$t 'html' true SetMember $t 'multiline' true SetMember "
                      "$t 'htmlText' '<b>a&amp;</b><br>b' SetMember $t .text Trace $t .htmlText Trace "
                      "$t .removeTextField(0) Pop $t TypeOf Trace",
             "_level0.t|a&\rb|<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" "
             "LETTERSPACING=\"0\" KERNING=\"0\"><B>a&amp;</B></FONT></P><P ALIGN=\"LEFT\"><FONT FACE=\"Times "
             "New "
             "Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
             "KERNING=\"0\">b</FONT></P>|undefined"},
        });
    }
    void textFields() { tracesMatch(2); }

    // An object given to a native TextFormat property is asked valueOf twice and toString
    // once, whatever the property's type; numbers come from valueOf, text from toString.
    // Before SWF 8 kerning is a plain property that keeps the object (traced, it is asked
    // for its text).
    void textFormatTakesObjects_data() {
        auto listing = [](const char* property) {
            return QStringLiteral(
                       "'o' 0 'Object' NewObject DefineLocal $o 'valueOf' fn() { 'v' Trace 7 Return } "
                       "SetMember $o 'toString' fn() { 's' Trace 'center' Return } SetMember "
                       "'f' 0 'TextFormat' NewObject DefineLocal $f '%1' $o SetMember $f .%1 Trace")
                .arg(property);
        };
        addBoxRows({
            {"align in SWF 7", listing("align"), "v|v|s|center", 7},
            {"size in SWF 7", listing("size"), "v|v|s|7", 7},
            {"bold in SWF 6", listing("bold"), "v|v|s|true", 6},
            {"font in SWF 8", listing("font"), "v|v|s|center", 8},
            {"display in SWF 7", listing("display"), "v|v|s|s|block", 7},
            {"kerning in SWF 7", listing("kerning"), "s|center", 7},
            {"kerning in SWF 8", listing("kerning"), "v|v|s|true", 8},
        });
    }
    void textFormatTakesObjects() { tracesMatch(); }

    // parse answers whether the text was whole; a style's properties are its declarations in
    // camel case, and transform makes the TextFormat they stand for. No sheets before SWF 7.
    void styleSheets_data() {
        const QString sheet =
            "$TextField .StyleSheet TypeOf Trace 's' 0 $TextField 'StyleSheet' NewMethod DefineLocal "
            "'%1' $s .parse(1) Trace $s .getStyleNames(0) 'n' StackSwap DefineLocal $n .sort(0) Pop "
            "$n Trace ";
        addBoxRows({
            {"a rule, read back and transformed",
             sheet.arg("P, .Note { font-size: 14px; color: #ff0000; font-weight: bold }") +
                 "'p' $s .getStyle(1) 'style' StackSwap DefineLocal $style .fontSize Trace "
                 "'f' $style 1 $s 'transform' CallMethod DefineLocal $f .size Trace $f .color Trace $f .bold "
                 "Trace",
             "function|true|.note,p|14px|14|16711680|true", 7},
            {"an unclosed rule", sheet.arg(".a { color: #00ff00"), "function|false|"},
            {"none in SWF 6", "$TextField .StyleSheet TypeOf Trace", "undefined", 6},
        });
    }
    void styleSheets() { tracesMatch(); }

    void gotoMovesThePlayheadAtOnce() {
        Run run(framesMovie(8, {"goto:2 Stop $_currentframe Trace", "'frame 2' Trace", "'frame 3' Trace"}));
        run.frames(2);
        QCOMPARE(run.traced(), QStringLiteral("3|frame 3"));
    }

    // A script may take away the clip it runs in: by removing it, or by sending the timeline
    // that placed it to a frame without it. The script finishes; nothing is used after free.
    void clipsRemovedWhileTheirScriptRuns_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::newRow("removeMovieClip on itself") << boxMovie(
            "1 'b' 'box' $_root .attachMovie(3) Pop", "$this .removeMovieClip(0) Pop 'still running' Trace");
        SwfBuilder sprite(8, QSize(100, 100), 12);
        sprite.doAction(actions(8, "1 $_root .gotoAndStop(1) Pop 'still running' Trace"));
        sprite.showFrame();
        SwfBuilder builder(8, QSize(100, 100), 12);
        const int id = builder.defineSprite(sprite);
        builder.showFrame();
        builder.place(1, id);
        builder.showFrame();
        QTest::newRow("the parent jumps back past its placement") << builder.finish();
    }
    void clipsRemovedWhileTheirScriptRuns() {
        QFETCH(QByteArray, movie);
        Run run(movie);
        run.frames(3);
        QVERIFY(run.traces.contains(QStringLiteral("still running")));
    }

    void loadsStayBesideTheMovie() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("movie")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("secret.txt")), "not for movies"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("movie/data.txt")), "a=1"));
        const QString path = dir.filePath(QStringLiteral("movie/m.swf"));
        // A file address (what _url gives) counts as its path.
        auto fileUrl = [&dir](const char* name) {
            return QUrl::fromLocalFile(dir.filePath(name)).toString();
        };
        QVERIFY(writeFile(path, loadVarsMovie({"data.txt", "../secret.txt", "/etc/hostname",
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
    void loadsAskTheNavigator() {
        auto navigator = std::make_unique<Fixed>("a=from the navigator", "data.txt");
        Fixed* recording = navigator.get();
        Run run(loadVarsMovie({"data.txt", "other/file.txt"}),
                [&navigator](swf::Player& player) { player.setNavigator(std::move(navigator)); });
        run.frames(1);
        QCOMPARE(recording->asked, (QStringList{"data.txt", "other/file.txt"}));
        QCOMPARE(run.traced(), QStringLiteral("a=from the navigator|undefined"));
    }

    // The counts a finished load leaves on its object stay when onData deletes them.
    void loadedByteCountsOutliveDelete() {
        Run run(
            framesMovie(
                8,
                {"fn:show() { $this '_bytesLoaded' Delete Pop $this ._bytesLoaded Trace $this '_bytesTotal' "
                 "Delete Pop "
                 "$this ._bytesTotal Trace } 'v' 0 'XML' NewObject SetVariable $v 'onData' $show SetMember "
                 "'data.xml' $v .load(1) Pop",
                 {}}),
            [](swf::Player& player) { player.setNavigator(std::make_unique<Fixed>("a=1")); });
        QCOMPARE(run.traced(), QStringLiteral("3|3"));
    }

    // The root's load event follows its first frame's actions; from SWF 6 it calls the onLoad
    // method that frame set.
    void rootLoadEventCallsOnLoad_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("expected");
        const QString listing = "'start' Trace $_root 'onLoad' fn() { 'onLoad' Trace } SetMember";
        QTest::newRow("SWF 5 has no event methods") << framesMovie(5, {listing, {}, {}}) << "start";
        QTest::newRow("SWF 6") << framesMovie(6, {listing, {}, {}}) << "start|onLoad";
        QTest::newRow("SWF 8") << framesMovie(8, {listing, {}, {}}) << "start|onLoad";
    }
    void rootLoadEventCallsOnLoad() { tracesMatch(2); }

    // Text files a movie loads: UTF-8 for movies from version 6, the code page (GBK) for older
    // ones and for those that set System.useCodepage; a byte-order mark decides over both.
    void loadedTextEncodings_data() {
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
    void loadedTextEncodings() {
        QFETCH(int, version);
        QFETCH(bool, useCodepage);
        QFETCH(QByteArray, file);
        Run run(
            framesMovie(
                version,
                {QString(useCodepage ? "$System 'useCodepage' true SetMember " : "") +
                     "fn:show(t) { $t Trace } 'x' 0 'XML' NewObject SetVariable $x 'onData' $show SetMember "
                     "'data.txt' $x .load(1) Pop",
                 {}}),
            [&file](swf::Player& player) { player.setNavigator(std::make_unique<Fixed>(file)); });
        run.frames(1);
        QCOMPARE(run.traced(), QStringLiteral("中文"));
    }

    // The player's chosen code page reads an old movie's strings and is what escape() writes;
    // a name it does not know keeps GBK, and movies from version 6 are UTF-8 whatever the choice.
    void chosenCodePage_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray gbk("\xD6\xD0\xCE\xC4", 4);
        // Then ord, mbord, and chr and mbchr of those: bytes of the code page before version 6.
        QTest::newRow("GBK") << 5 << QByteArray("GB18030") << gbk
                             << "中文|%D6%D0%CE%C4|true|214|54992|false|true";
        QTest::newRow("Big5") << 5 << QByteArray("Big5") << QByteArray("\xA4\xA4\xA4\xE5", 4)
                              << "中文|%A4%A4%A4%E5|true|164|42148|false|true";
        QTest::newRow("Shift-JIS") << 5 << QByteArray("Shift_JIS") << QByteArray("\x93\xFA\x96\x7B", 4)
                                   << "日本|%93%FA%96%7B|true|147|37882|false|true";
        QTest::newRow("Latin-1") << 5 << QByteArray("ISO-8859-1") << QByteArray("\xE4\xF6", 2)
                                 << "äö|%E4%F6|true|228|228|true|true";
        QTest::newRow("unknown name keeps GBK")
            << 5 << QByteArray("no-such-page") << gbk << "中文|%D6%D0%CE%C4|true|214|54992|false|true";
        QTest::newRow("version 6 is UTF-8") << 6 << QByteArray("Big5") << QStringLiteral("中文").toUtf8()
                                            << "中文|%E4%B8%AD%E6%96%87|true|20013|20013|true|true";
    }
    void chosenCodePage() {
        QFETCH(int, version);
        QFETCH(QByteArray, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        ActionAssembler code(version);
        code.push({"s"})
            .action(ActionCode::Push, QByteArray(1, '\0') + bytes + '\0')
            .op(ActionCode::SetVariable);
        code.script(
            "$s Trace $s escape(1) Trace $s escape(1) unescape(1) $s Equals2 Trace $s CharToAscii Trace "
            "$s MBCharToAscii Trace $s CharToAscii AsciiToChar $s 1 1 MBStringExtract StringEquals Trace "
            "$s MBCharToAscii MBAsciiToChar $s 1 1 MBStringExtract StringEquals Trace");
        SwfBuilder builder(version, QSize(100, 100), 12);
        builder.doAction(code.bytes());
        builder.showFrame();
        Run run(builder.finish(), [&codePage](swf::Player& player) { player.setCodePage(codePage); });
        run.frames(1);
        QCOMPARE(run.traced(), expected);
    }

    // What TextFormat's properties make of the values scripts give them, per version: whole
    // numbers (the smallest 32-bit one for what is no finite number from SWF 8), margins never
    // negative, colours unsigned, switches, text, a known alignment or nothing.
    void textFormatValues_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QString>("expected");
        auto set = [](int version, const char* property, const char* value) { // value as a listing writes it
            return framesMovie(
                version, {QStringLiteral("'f' 0 'TextFormat' NewObject SetVariable $f '%1' %2 SetMember "
                                         "$f .%1 Trace")
                              .arg(property, value)});
        };
        QTest::newRow("size truncates") << set(7, "size", "-52.5") << "-52";
        QTest::newRow("size of text") << set(7, "size", "'12'") << "12";
        QTest::newRow("size not finite, SWF 7") << set(7, "size", "Infinity") << "0";
        QTest::newRow("size not finite, SWF 8") << set(8, "size", "Infinity") << "-2147483648";
        QTest::newRow("size out of range, SWF 8") << set(8, "size", "2147483650") << "-2147483648";
        QTest::newRow("leading negative, SWF 7") << set(7, "leading", "-1") << "0";
        QTest::newRow("leading negative, SWF 8") << set(8, "leading", "-1") << "-1";
        QTest::newRow("leading wraps, SWF 7") << set(7, "leading", "-2147483650") << "2147483646";
        QTest::newRow("margin negative, SWF 8") << set(8, "leftMargin", "-1") << "0";
        QTest::newRow("margin not a number, SWF 8") << set(8, "leftMargin", "NaN") << "0";
        QTest::newRow("colour unsigned") << set(7, "color", "-1") << "4294967295";
        QTest::newRow("bold from text") << set(7, "bold", "''") << "false";
        QTest::newRow("font from a number") << set(7, "font", "0.5") << "0.5";
        QTest::newRow("align known") << set(7, "align", "'CENTER'") << "center";
        QTest::newRow("align unknown") << set(7, "align", "'middle'") << "null";
        QTest::newRow("undefined unsets") << set(7, "size", "undefined") << "null";
        QTest::newRow("display") << set(7, "display", "'inline'") << "inline";
        QTest::newRow("display unknown") << set(7, "display", "'x'") << "block";
        QTest::newRow("letterSpacing, SWF 8") << set(8, "letterSpacing", "'1.5'") << "1.5";
        QTest::newRow("letterSpacing plain, SWF 7") << set(7, "letterSpacing", "'1.5'") << "1.5";
        QTest::newRow("kerning, SWF 8") << set(8, "kerning", "0") << "false";
        QTest::newRow("tab stops from text") << set(7, "tabStops", "'ab'") << "0,0";
        QTest::newRow("tab stops from a number") << set(7, "tabStops", "3") << "null";
    }
    void textFormatValues() { tracesMatch(); }

    // A snapshot's glyphs run over the clip's static texts in depth order ("Bc" stands above
    // "aBc", but its depth comes first). Ranges hold their start to the glyphs and end at least
    // one past it; a method given the wrong number of arguments answers undefined.
    void textSnapshotSelectsAndHits() {
        SwfBuilder builder(8, QSize(200, 200), 12);
        swftest::ShapeBuilder square;
        square.rectangle(QRectF(0, -25.6, 25.6, 25.6), 1);
        const int font =
            builder.defineFont2({square, square, square}, {'a', 'B', 'c'}, QStringLiteral("Boxes"));
        builder.place(2, builder.defineText(font, {0, 1, 2}, 20, QPointF(10, 100), Qt::black, 20, 2));
        builder.place(1, builder.defineText(font, {1, 2}, 20, QPointF(10, 40), Qt::black, 20));
        // The third glyph of "aBc" spans x 50..70 on the line at y 100.
        builder.doAction(
            actions(8, "'s' $_root .getTextSnapshot(0) DefineLocal true 4 1 $s .setSelected(3) Trace "
                       "true $s .getSelectedText(1) Trace 1 0 $s .getSelected(2) Trace "
                       "2 0 $s .getSelected(2) Trace 95 55 $s .hitTestTextNearPos(2) Trace "
                       "150 55 $s .hitTestTextNearPos(2) Trace 60 150 55 $s .hitTestTextNearPos(3) Trace"));
        builder.showFrame();
        Run run(builder.finish());
        run.frames(1);
        QCOMPARE(run.traced(), QStringLiteral("undefined|c\naB|false|true|4|-1|4"));
    }

    // What scripts make the stage show. A clip's opaque background fills its bounds behind its
    // content: set by PlaceObject3, or by the script property, which also takes it away again.
    // beginGradientFill with a box runs red at the box's left edge to blue at its right.
    // setMask shows the clip only under the mask, which is not drawn itself; null takes it away.
    void pictures_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<QList<QColor>>("colors");
        QTest::addColumn<int>("tolerance");
        auto opaque = [](bool fromTimeline, const QString& listing) {
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
            if (!listing.isEmpty()) builder.doAction(actions(8, listing));
            builder.showFrame();
            return builder.finish();
        };
        const QList<QPoint> between{{30, 30}, {5, 5}, {15, 15}}; // between the clip's two shapes first
        const QColor white(Qt::white), red(Qt::red), black(Qt::black);
        QTest::newRow("opaque background from the timeline")
            << opaque(true, "") << between << QList<QColor>{Qt::green, white, red} << 6;
        QTest::newRow("opaque background set by a script")
            << opaque(false, "$kid 'opaqueBackground' 255 SetMember") << between
            << QList<QColor>{Qt::blue, white, red} << 6;
        QTest::newRow("opaque background taken away by a script")
            << opaque(true, "$kid 'opaqueBackground' null SetMember") << between
            << QList<QColor>{white, white, red} << 6;
        QTest::newRow("no opaque background")
            << opaque(false, "") << between << QList<QColor>{white, white, red} << 6;
        SwfBuilder gradient = swftest::stage(8);
        gradient.doAction(
            actions(8, "1 'd' $_root .createEmptyMovieClip(2) Pop "
                       "'matrixType' 'box' 'x' 0 'y' 0 'w' 100 'h' 20 'r' 0 6 InitObject "
                       "255 0 2 InitArray 100 100 2 InitArray 255 16711680 2 InitArray 'linear' "
                       "$d .beginGradientFill(5) Pop 0 0 $d .moveTo(2) Pop 0 100 $d .lineTo(2) Pop "
                       "20 100 $d .lineTo(2) Pop 20 0 $d .lineTo(2) Pop $d .endFill(0) Pop"));
        gradient.showFrame();
        QTest::newRow("gradient fill from a script")
            << gradient.finish() << QList<QPoint>{{1, 10}, {98, 10}, {50, 30}}
            << QList<QColor>{red, Qt::blue, white} << 12;
        auto masked = [](const QString& listing) {
            SwfBuilder builder = swftest::stage(7);
            for (const auto& [rect, color, name, depth] :
                 {std::tuple{QRectF(0, 0, 50, 50), QColor(Qt::red), "a", 1},
                  {QRectF(20, 20, 60, 10), Qt::black, "m", 2}}) {
                SwfBuilder inner(7);
                inner.place(1, builder.defineRect(rect, color));
                inner.showFrame();
                placeNamed(builder, builder.defineSprite(inner), name, depth);
            }
            builder.doAction(actions(7, listing));
            builder.showFrame();
            return builder.finish();
        };
        const QList<QPoint> mask{{25, 25}, {5, 5}, {70, 25}};
        QTest::newRow("masked") << masked("$m $a .setMask(1) Pop") << mask << QList<QColor>{red, white, white}
                                << 6;
        QTest::newRow("mask taken away") << masked("$m $a .setMask(1) Pop null $a .setMask(1) Pop") << mask
                                         << QList<QColor>{black, red, black} << 6;
    }
    void pictures() {
        QFETCH(QByteArray, movie);
        QFETCH(QList<QPoint>, points);
        QFETCH(QList<QColor>, colors);
        QFETCH(int, tolerance);
        swf::Player player;
        QVERIFY(player.loadBytes(movie));
        const QImage image = swftest::render(player);
        for (qsizetype i = 0; i < points.size(); ++i)
            QVERIFY2(swftest::near(image.pixel(points[i]), colors[i], tolerance),
                     qPrintable(QStringLiteral("at %1,%2: %3")
                                    .arg(points[i].x())
                                    .arg(points[i].y())
                                    .arg(swftest::describe(image.pixel(points[i])))));
    }

    // What scripts load shows where they asked: a movie or a picture in a clip (which keeps its
    // place but loses its variables), a movie in a level above the root, a library's symbol by
    // ImportAssets; MovieClipLoader tells its listeners; a missing file changes nothing.
    void loadingMoviesAndPictures_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QString>("expected"); // traces joined by '|'
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QColor>("color");
        const QString holder = "1 'holder' $_root .createEmptyMovieClip(2) Pop $holder '_x' 100 SetMember "
                               "$holder 'onClipEvent' 'kept' SetMember ";
        const QString loadChild = holder + "'child.swf' $holder .loadMovie(1) Pop";
        QTest::newRow("movie into a clip")
            << threeFrameMovie(loadChild, "$holder ._x Trace $holder .onClipEvent Trace") << 2
            << "child|100|undefined" << QPoint(105, 5) << QColor(Qt::blue);
        QTest::newRow("picture into a clip")
            << threeFrameMovie(holder + "'pic.png' $holder .loadMovie(1) Pop", "$holder ._width Trace") << 2
            << "30" << QPoint(128, 18) << QColor(Qt::green);
        QTest::newRow("unloaded again")
            << threeFrameMovie(loadChild, "$holder .unloadMovie(0) Pop $holder ._x Trace") << 2 << "child|100"
            << QPoint(105, 5) << QColor(Qt::white);
        QTest::newRow("movie into a level")
            << threeFrameMovie(getUrl("child.swf", "_level1"), "$_level1 ._x Trace") << 2 << "child|0"
            << QPoint(5, 5) << QColor(Qt::blue);
        QTest::newRow("level unloaded")
            << threeFrameMovie(getUrl("child.swf", "_level1"), getUrl("", "_level1")) << 2 << "child"
            << QPoint(5, 5) << QColor(Qt::white);
        QTest::newRow("unloaded before it came")
            << threeFrameMovie(getUrl("child.swf", "_level1") + " " + getUrl("", "_level1")) << 2 << ""
            << QPoint(5, 5) << QColor(Qt::white);
        QString loader = holder + "'l' 0 'MovieClipLoader' NewObject SetVariable ";
        for (const char* event : {"onLoadStart", "onLoadComplete", "onLoadInit", "onLoadError"})
            loader += QStringLiteral("$l '%1' fn() { '%1' Trace } SetMember ").arg(event);
        QTest::newRow("MovieClipLoader")
            << threeFrameMovie(
                   loader + "$holder 'pic.png' $l .loadClip(2) Pop $holder 'missing.png' $l .loadClip(2) Pop")
            << 2 << "onLoadStart|onLoadComplete|onLoadInit|onLoadError" << QPoint(110, 10)
            << QColor(Qt::green);
        auto imported = [](SwfBuilder& builder) {
            builder.rawTag(57, QByteArray("lib.swf", 8) + avm1test::u16(1) + avm1test::u16(50) +
                                   QByteArray("libbox", 7));
            builder.place(1, 50, QTransform::fromTranslate(40, 40));
        };
        QTest::newRow("imported from a library")
            << threeFrameMovie("2 'copy' 'libbox' $_root .attachMovie(3) Pop", {}, imported) << 1 << ""
            << QPoint(45, 45) << QColor(Qt::yellow);
        QTest::newRow("variables into a clip")
            << threeFrameMovie(holder + "'vars.txt' $holder .loadVariables(1) Pop",
                               "$holder .b Trace $holder .onClipEvent Trace")
            << 2 << "two|kept" << QPoint(105, 5) << QColor(Qt::white);
        auto square = [](SwfBuilder& builder) {
            builder.place(1, builder.defineRect(QRectF(0, 0, 50, 50), Qt::red));
        };
        QTest::newRow("the root unloaded") << threeFrameMovie("$_root .unloadMovie(0) Pop", {}, square) << 3
                                           << "" << QPoint(5, 5) << QColor(Qt::white);
        QTest::newRow("outside the folder")
            << threeFrameMovie(holder + "'../outside.swf' $holder .loadMovie(1) Pop",
                               "$holder .onClipEvent Trace")
            << 2 << "kept" << QPoint(105, 5) << QColor(Qt::white);
    }
    void loadingMoviesAndPictures() {
        QFETCH(QByteArray, movie);
        QFETCH(int, frames);
        QFETCH(QString, expected);
        QFETCH(QPoint, pixel);
        QFETCH(QColor, color);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("movie")));
        SwfBuilder child(8, QSize(50, 50), 12);
        child.place(1, child.defineRect(QRectF(0, 0, 20, 20), Qt::blue));
        child.doAction(actions(8, "'child' Trace Stop"));
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
};

QTEST_MAIN(SwfScriptTest)
#include "script_test.moc"
