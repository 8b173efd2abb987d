// The pointer and keys on the stage: a button's passages (roll over, press, release, release
// outside, roll out) run its condition actions and change its look; keys reach key-press
// conditions; what is hidden under a mask cannot be clicked; hostile buttons do not hang.
#include "action_assembler.h"
#include "buttons.h"
#include "render_check.h"
#include "support/file_bytes.h"
#include "swf_builder.h"

#include "swf/Player.h"
#include "swf/format/buttons.h"

#include <QTemporaryDir>
#include <QTest>

using avm1test::ActionAssembler;
using swftest::SwfBuilder;
using swftest::Writer;

namespace {

QByteArray traceBlock(const QString& text) {
    return ActionAssembler(6).trace(text).bytes();
}

struct Condition {
    quint16 transitions = 0;
    int key = 0;
    QString trace;
};

// A DefineButton2 over 10..40 px: red up, green over, blue down, with a condition per entry.
int defineButton(SwfBuilder& b, const std::vector<Condition>& conditions, int upCharacter = 0) {
    const int up = upCharacter ? upCharacter : b.defineRect(QRectF(10, 10, 30, 30), Qt::red);
    const int over = upCharacter ? upCharacter : b.defineRect(QRectF(10, 10, 30, 30), Qt::green);
    const int down = upCharacter ? upCharacter : b.defineRect(QRectF(10, 10, 30, 30), Qt::blue);
    std::vector<swftest::ButtonCondition> actions;
    for (const Condition& condition : conditions)
        actions.push_back({condition.transitions, condition.key, traceBlock(condition.trace)});
    return swftest::defineButton2(b, {{0x01, up}, {0x02, over}, {0x04, down}, {0x08, up}}, actions);
}

std::vector<Condition> everyPassage() {
    using namespace swf::format;
    return {{IdleToOverUp, 0, "over"},
            {OverUpToIdle, 0, "out"},
            {OverUpToOverDown, 0, "press"},
            {OverDownToOverUp, 0, "release"},
            {OutDownToIdle, 0, "outside"},
            {OverDownToOutDown, 0, "dragOut"},
            {OutDownToOverDown, 0, "dragIn"},
            {0, 'a', "key a"},
            {0, 1, "key left"}};
}

QPointF px(double x, double y) {
    return {x * 20, y * 20};
}

// A sprite of one rectangle, placed under a name.
void placeClip(SwfBuilder& b, int depth, const QString& name, const QRectF& rect, const QColor& color,
               const QTransform& matrix = {}) {
    SwfBuilder inner(8);
    inner.place(1, b.defineRect(rect, color));
    inner.showFrame();
    swftest::Place place;
    place.depth = depth;
    place.characterId = b.defineSprite(inner);
    place.name = name;
    place.matrix = matrix;
    b.place(place);
}

void click(swf::Player& player, QPointF at) {
    player.pointerMoved(at);
    player.pointerPressed();
    player.pointerReleased();
}

} // namespace

class SwfInputTest : public QObject {
    Q_OBJECT

  private slots:
    void passages_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("masked"); // a mask over x 0..20 covers the button's left half
        QTest::addColumn<QStringList>("traces");
        const auto row = [](const char* name, const char* steps, bool masked, const QStringList& traces) {
            QTest::newRow(name) << QString(steps) << masked << traces;
        };
        row("click", "move 20 20, press, release", false, {"over", "press", "release"});
        row("roll over and out", "move 20 20, move 80 80", false, {"over", "out"});
        row("released outside", "move 20 20, press, move 80 80, release", false,
            {"over", "press", "dragOut", "outside"});
        row("dragged out and back", "move 20 20, press, move 80 80, move 25 25, release", false,
            {"over", "press", "dragOut", "dragIn", "release"});
        row("pressed elsewhere, released over it", "move 80 80, press, move 20 20, release", false, {});
        row("keys", "key 65 97, key 37 0, key 66 98", false, {"key a", "key left"});
        row("outside the hit area", "move 45 45, press, release", false, {});
        row("hidden by a mask", "move 30 30, press, release", true, {});
        row("shown through a mask", "move 30 30, press, release, move 15 30, press", true, {"over", "press"});
    }

    void passages() {
        QFETCH(QString, steps);
        QFETCH(bool, masked);
        SwfBuilder b = swftest::stage(6);
        if (masked) {
            swftest::Place mask;
            mask.characterId = b.defineRect(QRectF(0, 0, 20, 100), Qt::black);
            mask.clipDepth = 5;
            b.place(mask);
        }
        b.place(2, defineButton(b, everyPassage()));
        b.showFrame();
        swf::Player player;
        QStringList seen;
        player.setTraceHandler([&seen](const QString& line) { seen << line; });
        QVERIFY(player.loadBytes(b.finish()));
        for (const QString& step : steps.split(QStringLiteral(", "))) {
            const QStringList words = step.split(' ');
            if (words[0] == "move") player.pointerMoved(px(words[1].toDouble(), words[2].toDouble()));
            if (words[0] == "press") player.pointerPressed();
            if (words[0] == "release") player.pointerReleased();
            if (words[0] == "key") {
                player.keyPressed(words[1].toInt(), words[2].toInt());
                player.keyReleased(words[1].toInt(), words[2].toInt());
            }
        }
        QTEST(seen, "traces");
    }

    void lookFollowsThePointer() {
        SwfBuilder b = swftest::stage(6);
        b.place(1, defineButton(b, {}));
        b.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(b.finish()));
        auto colourAtButton = [&player] { return swftest::render(player).pixel(25, 25); };
        QVERIFY(swftest::near(colourAtButton(), Qt::red));
        QVERIFY(!player.pointerOverActive());
        player.pointerMoved(px(20, 20));
        QVERIFY(player.pointerOverActive()); // the hand cursor
        QVERIFY(swftest::near(colourAtButton(), Qt::green));
        player.pointerPressed();
        QVERIFY(swftest::near(colourAtButton(), Qt::blue));
        player.pointerMoved(px(80, 80)); // still held, outside: the button lets go of its look
        QVERIFY(swftest::near(colourAtButton(), Qt::red));
        player.pointerReleased();
        QVERIFY(!player.pointerOverActive());
        QVERIFY(swftest::near(colourAtButton(), Qt::red));
    }

    void brokenConditionsKeepTheGoodOnes() {
        // The second condition claims more bytes than the tag holds.
        swf::format::ButtonDefinition button;
        Writer w;
        w.u8(0);
        w.u16(3); // conditions follow the empty record list
        w.u8(0);  // no records
        const QByteArray first = traceBlock("first");
        w.u16(first.size() + 4);
        w.u8(swf::format::OverDownToOverUp);
        w.u8(0);
        w.bytes(first);
        w.u16(500);
        w.u8(swf::format::OverDownToOverUp);
        w.u8(0);
        w.bytes(traceBlock("second"));
        swf::io::Reader reader(w.data(), 0);
        QString problem;
        QVERIFY(swf::format::readButton(reader, 2, button, problem));
        QCOMPARE(int(button.actions.size()), 1);
        QCOMPARE(button.actions[0].actions, first);
        QVERIFY(!problem.isEmpty());
    }

    // startDrag: the clip keeps its distance from the pointer, or centres on it, within the
    // rectangle given; _xmouse reads the pointer in the clip's own coordinates; stopDrag lets go;
    // _droptarget names the clip under the pointer, and after the drag, where it was let go.
    void dragFollowsThePointer_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QPointF>("expected"); // the clip's _x, _y with the pointer at (60, 70)
        QTest::newRow("keeps its distance") << "free" << QPointF(80, 90);
        QTest::newRow("centred on the pointer") << "lock" << QPointF(60, 70);
        QTest::newRow("kept in a rectangle") << "box" << QPointF(40, 45);
    }

    void dragFollowsThePointer() {
        QFETCH(QString, how);
        QFETCH(QPointF, expected);
        using swf::format::ActionCode;
        SwfBuilder b = swftest::stage(6);
        placeClip(b, 1, "dot", QRectF(0, 0, 5, 5), Qt::red, QTransform::fromTranslate(20, 20));
        placeClip(b, 2, "pad", QRectF(50, 60, 20, 20), Qt::blue);
        // Frame 1 grabs the clip (the pointer is at 0, 0), frame 2 reads where it went and lets
        // go, frame 3 reads it again after the pointer moved on.
        ActionAssembler grab(6);
        if (how == "lock") grab.push({true});
        if (how == "box") grab.push({45, 40, 0, 0, false}); // bottom, right, top, left, lock
        const int count = how == "free" ? 0 : how == "lock" ? 1 : 5;
        b.doAction(grab.getVariable("dot").callMethod("startDrag", count).op(ActionCode::Pop).bytes());
        b.showFrame();
        ActionAssembler read(6);
        for (const char* property : {"_x", "_y", "_xmouse", "_droptarget"})
            read.getVariable("dot").push({property}).op(ActionCode::GetMember).op(ActionCode::Trace);
        b.doAction(read.getVariable("dot").callMethod("stopDrag", 0).op(ActionCode::Pop).bytes());
        b.showFrame();
        ActionAssembler after(6);
        for (const char* property : {"_x", "_droptarget"})
            after.getVariable("dot").push({property}).op(ActionCode::GetMember).op(ActionCode::Trace);
        b.doAction(after.bytes());
        b.showFrame();
        swf::Player player;
        QStringList seen;
        player.setTraceHandler([&seen](const QString& line) { seen << line; });
        QVERIFY(player.loadBytes(b.finish()));
        player.pointerMoved(px(60, 70));
        player.advance();
        player.pointerMoved(px(90, 90));
        player.advance();
        QCOMPARE(seen.size(), 6);
        QCOMPARE(seen[0].toDouble(), expected.x());
        QCOMPARE(seen[1].toDouble(), expected.y());
        QCOMPARE(seen[2].toDouble(), 60 - expected.x());
        QCOMPARE(seen[3], QStringLiteral("/pad"));
        QCOMPARE(seen[4].toDouble(), expected.x());
        QCOMPARE(seen[5], QStringLiteral("/pad"));
    }

    // A movie loaded into a level above the root gets the press where it covers the root's clip.
    void levelsTakeThePointerFirst() {
        using swf::format::ActionCode;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto clipWithPress = [](SwfBuilder& movie, const char* message) {
            placeClip(movie, 1, "b", QRectF(0, 0, 40, 40), Qt::red);
            ActionAssembler say(8);
            say.trace(message);
            ActionAssembler code(8);
            code.getVariable("b").push({"onPress"}).defineFunction("", {}, say).op(ActionCode::SetMember);
            movie.doAction(code.bytes());
        };
        SwfBuilder level(8, QSize(100, 100), 12);
        clipWithPress(level, "level");
        level.doAction(ActionAssembler(8).op(ActionCode::Stop).bytes());
        level.showFrame();
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("level.swf")), level.finish()));
        SwfBuilder root(8, QSize(100, 100), 12);
        clipWithPress(root, "root");
        root.showFrame();
        // Asked for on the second frame, so the first frame's press finds only the root.
        ActionAssembler load(8);
        root.doAction(load.action(ActionCode::GetUrl, QByteArray("level.swf\0_level1\0", 19))
                          .op(ActionCode::Stop)
                          .bytes());
        root.showFrame();
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("root.swf")), root.finish()));
        swf::Player player;
        QStringList seen;
        player.setTraceHandler([&seen](const QString& line) { seen << line; });
        QVERIFY(player.loadFile(dir.filePath(QStringLiteral("root.swf"))));
        click(player, px(10, 10));
        player.advance();
        player.advance();
        click(player, px(12, 12));
        QCOMPARE(seen, (QStringList{"root", "level"}));
    }

    // A field inside a button shows the variable it is bound to, on the button's timeline, as any
    // field does: once a script sets it, the authored text gives way.
    void buttonFieldShowsItsVariable() {
        auto movie = [](const QString& text, const QString& variable, const QString& scriptValue) {
            SwfBuilder b(6, QSize(120, 40), 12);
            SwfBuilder::EditText field;
            field.bounds = QRectF(0, 0, 120, 40);
            field.text = text;
            field.variable = variable;
            field.fontClass = QStringLiteral("_sans");
            field.fontHeight = 24;
            b.place(1, defineButton(b, {}, b.defineEditText(field)));
            if (!scriptValue.isNull())
                b.doAction(ActionAssembler(6).setVariable(variable, scriptValue).bytes());
            b.showFrame(2);
            swf::Player player;
            player.loadBytes(b.finish());
            player.advance();
            return swftest::render(player);
        };
        const QImage bound =
            movie(QStringLiteral("authored"), QStringLiteral("label"), QStringLiteral("WWW"));
        QCOMPARE(bound, movie(QStringLiteral("WWW"), QString(), QString()));
        QVERIFY(bound != movie(QStringLiteral("authored"), QString(), QString()));
    }

    // A click gives an input field the focus; typed text, editing keys and Tab go to the fields,
    // the bound variable follows, and a click elsewhere takes the focus away.
    void typingIntoAnInputField() {
        using swf::format::ActionCode;
        SwfBuilder b(6, QSize(200, 100), 12);
        for (auto [depth, variable, name] : {std::tuple(1, "who", "a"), std::tuple(2, "where", "b")}) {
            SwfBuilder::EditText text;
            text.bounds = QRectF(10, depth == 1 ? 10 : 50, 100, 20);
            text.text = QStringLiteral(""); // empty, not absent
            text.variable = variable;
            text.fontClass = QStringLiteral("_sans");
            swftest::Place place;
            place.depth = depth;
            place.characterId = b.defineEditText(text);
            place.name = name;
            b.place(place);
        }
        b.showFrame();
        ActionAssembler show(6);
        show.push({QStringLiteral("who=")}).getVariable("who").op(ActionCode::Add2).op(ActionCode::Trace);
        show.push({QStringLiteral("where=")}).getVariable("where").op(ActionCode::Add2).op(ActionCode::Trace);
        b.doAction(show.bytes());
        b.showFrame();
        swf::Player player;
        QStringList traces;
        player.setTraceHandler([&traces](const QString& line) { traces << line; });
        QVERIFY(player.loadBytes(b.finish()));
        player.stop();
        QVERIFY(!player.hasTextFocus());
        click(player, px(20, 15));
        QVERIFY(player.hasTextFocus());
        player.textInput(QStringLiteral("abc"));
        player.editKey(swf::Player::EditKey::Backspace);
        player.textInput(QStringLiteral("你好"));
        player.editKey(swf::Player::EditKey::Left, true);
        player.editKey(swf::Player::EditKey::Left, true);
        QCOMPARE(player.selectedText(), QStringLiteral("你好"));
        player.textInput(QStringLiteral("X"));
        player.editKey(swf::Player::EditKey::Tab);
        player.textInput(QStringLiteral("here"));
        player.play();
        player.advance();
        QCOMPARE(traces, (QStringList{"who=abX", "where=here"}));
        player.pointerMoved(QPointF(180 * 20, 90 * 20));
        player.pointerPressed();
        QVERIFY(!player.hasTextFocus());
        player.textInput(QStringLiteral("lost"));
        traces.clear();
        player.advance();
        player.advance();
        QCOMPARE(traces, (QStringList{"who=abX", "where=here"}));
    }
};

QTEST_MAIN(SwfInputTest)
#include "input_test.moc"
