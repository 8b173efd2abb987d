// BitmapData on the stage: attached surfaces and bitmap fills share the script's pixels, so
// a change a later frame makes shows when that frame is drawn.
#include "action_assembler.h"
#include "render_check.h"

#include <QtTest>

using avm1test::ActionAssembler;
using avm1test::ActionCode;

namespace {

// An argument: a constant, or a variable's value.
struct Arg {
    template <typename T> Arg(T constant) : value(avm1test::PushValue(constant)) {}
    static Arg variable(const QString& name) {
        Arg arg{name};
        arg.isVariable = true;
        return arg;
    }
    avm1test::PushValue value;
    bool isVariable = false;
};

void pushArgs(ActionAssembler& code, std::initializer_list<Arg> args) {
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) {
        code.push({it->value});
        if (it->isVariable) code.op(ActionCode::GetVariable);
    }
}

// object.method(args...), its result dropped.
void invoke(ActionAssembler& code, const QString& object, const QString& method,
            std::initializer_list<Arg> args) {
    pushArgs(code, args);
    code.getVariable(object).callMethod(method, int(args.size())).op(ActionCode::Pop);
}

// name = new flash.<package>.<class>(args...)
void create(ActionAssembler& code, const QString& name, const QString& package, const QString& className,
            std::initializer_list<Arg> args) {
    code.push({name});
    pushArgs(code, args);
    code.push({int(args.size())}).getVariable("flash").push({package}).op(ActionCode::GetMember);
    code.push({className}).op(ActionCode::NewMethod).op(ActionCode::SetVariable);
}

// Frame 1 makes a red 20 by 20 surface and shows it through show; frame 2 fills its left
// half blue.
QByteArray surfaceMovie(const std::function<void(ActionAssembler&)>& show) {
    ActionAssembler first(8);
    create(first, "bmd", "display", "BitmapData", {20, 20, false, double(0xFFFF0000)});
    show(first);
    ActionAssembler second(8);
    create(second, "left", "geom", "Rectangle", {0, 0, 10, 20});
    invoke(second, "bmd", "fillRect", {Arg::variable("left"), 0xFF});
    SwfBuilder builder(8, QSize(100, 100), 12);
    builder.doAction(first.bytes());
    builder.showFrame();
    builder.doAction(second.bytes());
    builder.showFrame();
    return builder.finish();
}

} // namespace

class BitmapStageTest : public QObject {
    Q_OBJECT

  private slots:
    void attachedSurfaceFollowsItsPixels() {
        swf::Player player;
        QVERIFY(player.loadBytes(surfaceMovie([](ActionAssembler& code) {
            invoke(code, "_root", "attachBitmap", {Arg::variable("bmd"), 1});
        })));
        swftest::checkProbes(swftest::render(player), {{5, 5, Qt::red}, {30, 30, swftest::kBackground}});
        player.advance();
        swftest::checkProbes(swftest::render(player), {{5, 5, Qt::blue}, {15, 5, Qt::red}});
    }

    // A fill that does not repeat carries the edge pixels over the rest of the shape.
    void clippedBitmapFillStretchesItsEdges() {
        swf::Player player;
        QVERIFY(player.loadBytes(surfaceMovie([](ActionAssembler& code) {
            invoke(code, "_root", "beginBitmapFill",
                   {Arg::variable("bmd"), avm1test::PushValue::undefined(), false});
            invoke(code, "_root", "moveTo", {0, 0});
            invoke(code, "_root", "lineTo", {60, 0});
            invoke(code, "_root", "lineTo", {60, 60});
            invoke(code, "_root", "lineTo", {0, 60});
            invoke(code, "_root", "lineTo", {0, 0});
            invoke(code, "_root", "endFill", {});
        })));
        player.advance();
        swftest::checkProbes(swftest::render(player),
                             {{5, 50, Qt::blue}, {50, 50, Qt::red}, {80, 80, swftest::kBackground}});
    }
};

QTEST_MAIN(BitmapStageTest)
#include "bitmap_stage_test.moc"
