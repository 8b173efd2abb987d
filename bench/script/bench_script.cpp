// bench_script: speed of the ActionScript machine on the stage. Part one runs frame scripts
// of loops (arithmetic, strings, object and array properties, function calls) through
// swf::Player and prints actions per second; the actions are counted from the assembled
// code (loop body × iterations), not by the machine. Part two plays 500 attached clips
// whose onEnterFrame handlers move, bounce and turn them, at 30 fps for 300 frames, with
// scripts alone and with drawing at scale 1. Arguments (actions, clips) run only those parts;
// "--write-clips PATH" only writes the clips movie, for vantrel-render --bench and profilers.
#include "support/action_assembler.h"
#include "swf/Player.h"
#include "swf_builder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <tuple>

using avm1test::ActionAssembler;
using avm1test::PushValue;
using swf::format::ActionCode;
using swftest::SwfBuilder;

namespace {

constexpr int kVersion = 8;

// Action records in an assembled body (one without nested function bodies).
int countActions(const QByteArray& code) {
    int count = 0;
    for (qsizetype pc = 0; pc < code.size();) {
        const auto op = static_cast<quint8>(code[pc++]);
        if (op >= 0x80) {
            const int length = static_cast<quint8>(code[pc]) | static_cast<quint8>(code[pc + 1]) << 8;
            pc += 2 + length;
        }
        ++count;
    }
    return count;
}

// object.member = <value left on the stack by pushValue>
ActionAssembler& setMember(ActionAssembler& code, const QString& object, const QString& member,
                           const std::function<void(ActionAssembler&)>& pushValue) {
    code.getVariable(object).push({member});
    pushValue(code);
    return code.op(ActionCode::SetMember);
}

ActionAssembler& getMember(ActionAssembler& code, const QString& object, const QString& member) {
    return code.getVariable(object).push({member}).op(ActionCode::GetMember);
}

struct Kind {
    const char* name = "";
    ActionAssembler setup{kVersion};   // runs once, before the loop
    ActionAssembler body{kVersion};    // one iteration, without the loop's own counting
    int calleeActionsPerIteration = 0; // actions run inside called script functions
    QString result{};                  // the variable traced at the end
    QString expected{};                // its value, as computed here
};

Kind arithmeticKind(int iterations) {
    Kind kind;
    kind.name = "arithmetic";
    kind.setup.setVariable("x", 0).setVariable("y", 1).setVariable("z", 0);
    // x = (x + i * 3) % 1000; y = (y * 7 + i) % 65521; z = z + (i & 15) - 1;
    kind.body.push({"x"})
        .getVariable("x")
        .getVariable("i")
        .push({3})
        .op(ActionCode::Multiply)
        .op(ActionCode::Add2)
        .push({1000})
        .op(ActionCode::Modulo)
        .op(ActionCode::SetVariable);
    kind.body.push({"y"})
        .getVariable("y")
        .push({7})
        .op(ActionCode::Multiply)
        .getVariable("i")
        .op(ActionCode::Add2)
        .push({65521})
        .op(ActionCode::Modulo)
        .op(ActionCode::SetVariable);
    kind.body.push({"z"})
        .getVariable("z")
        .getVariable("i")
        .push({15})
        .op(ActionCode::BitAnd)
        .op(ActionCode::Add2)
        .push({1})
        .op(ActionCode::Subtract)
        .op(ActionCode::SetVariable);
    kind.setup.setVariable("r", "");
    kind.body.push({"r"})
        .getVariable("x")
        .push({"/"})
        .op(ActionCode::Add2)
        .getVariable("y")
        .op(ActionCode::Add2)
        .push({"/"})
        .op(ActionCode::Add2)
        .getVariable("z")
        .op(ActionCode::Add2)
        .op(ActionCode::SetVariable);
    long long x = 0, y = 1, z = 0;
    for (long long i = 0; i < iterations; ++i) {
        x = (x + i * 3) % 1000;
        y = (y * 7 + i) % 65521;
        z = z + (i & 15) - 1;
    }
    kind.result = "r";
    kind.expected = QStringLiteral("%1/%2/%3").arg(x).arg(y).arg(z);
    return kind;
}

Kind stringKind(int iterations) {
    Kind kind;
    kind.name = "strings";
    kind.setup.setVariable("s", "start").setVariable("n", 0);
    // s = (s + "ab" + i).substring(1, 24); t = substring(s, 2, 5) (the action); n += t.length;
    kind.body.push({"s"});
    kind.body.push({24, 1})
        .getVariable("s")
        .push({"ab"})
        .op(ActionCode::Add2)
        .getVariable("i")
        .op(ActionCode::Add2)
        .callMethod("substring", 2)
        .op(ActionCode::SetVariable);
    kind.body.push({"t"})
        .getVariable("s")
        .push({2, 5})
        .op(ActionCode::StringExtract)
        .push({"-"})
        .op(ActionCode::StringAdd)
        .op(ActionCode::SetVariable);
    kind.body.push({"n"})
        .getVariable("n")
        .getVariable("t")
        .push({"length"})
        .op(ActionCode::GetMember)
        .op(ActionCode::Add2)
        .op(ActionCode::SetVariable);
    kind.setup.setVariable("r", "");
    kind.body.push({"r"})
        .getVariable("s")
        .push({"|"})
        .op(ActionCode::Add2)
        .getVariable("n")
        .op(ActionCode::Add2)
        .op(ActionCode::SetVariable);
    QString s = "start";
    long long n = 0;
    for (int i = 0; i < iterations; ++i) {
        s = (s + "ab" + QString::number(i)).mid(1, 23);
        const QString t = s.mid(1, 5) + "-";
        n += t.size();
    }
    kind.result = "r";
    kind.expected = s + "|" + QString::number(n);
    return kind;
}

Kind objectKind(int iterations) {
    Kind kind;
    kind.name = "objects";
    // o = {a: 0, b: 1}; arr = [0 × 16]
    kind.setup.push({"o", "a", 0, "b", 1, 2}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
    kind.setup.push({"arr"});
    for (int i = 0; i < 16; ++i)
        kind.setup.push({0});
    kind.setup.push({16}).op(ActionCode::InitArray).op(ActionCode::SetVariable);
    // o.a = o.a + i; arr[i % 16] = o.a % 97; o.b = (arr[(i + 3) % 16] + o.b) % 10007;
    setMember(kind.body, "o", "a",
              [](ActionAssembler& c) { getMember(c, "o", "a").getVariable("i").op(ActionCode::Add2); });
    kind.body.getVariable("arr").getVariable("i").push({16}).op(ActionCode::Modulo);
    getMember(kind.body, "o", "a").push({97}).op(ActionCode::Modulo).op(ActionCode::SetMember);
    setMember(kind.body, "o", "b", [](ActionAssembler& c) {
        c.getVariable("arr")
            .getVariable("i")
            .push({3})
            .op(ActionCode::Add2)
            .push({16})
            .op(ActionCode::Modulo)
            .op(ActionCode::GetMember);
        getMember(c, "o", "b").op(ActionCode::Add2).push({10007}).op(ActionCode::Modulo);
    });
    kind.setup.setVariable("r", "");
    kind.body.push({"r"});
    getMember(kind.body, "o", "a").push({"/"}).op(ActionCode::Add2);
    getMember(kind.body, "o", "b").op(ActionCode::Add2).op(ActionCode::SetVariable);
    long long a = 0, b = 1, arr[16] = {};
    for (long long i = 0; i < iterations; ++i) {
        a += i;
        arr[i % 16] = a % 97;
        b = (arr[(i + 3) % 16] + b) % 10007;
    }
    kind.result = "r";
    kind.expected = QStringLiteral("%1/%2").arg(a).arg(b);
    return kind;
}

Kind callKind(int iterations) {
    Kind kind;
    kind.name = "calls";
    // function add(a, b) { return a + b; }  (DefineFunction: arguments as variables)
    ActionAssembler add(kVersion);
    add.getVariable("a").getVariable("b").op(ActionCode::Add2).op(ActionCode::Return);
    kind.setup.defineFunction("add", {"a", "b"}, add);
    // function mul(a, b) { return a * b % 1009; }  (DefineFunction2: arguments in registers,
    // no this, arguments or super, as compilers write small functions)
    ActionAssembler mul(kVersion);
    mul.push({PushValue::reg(1), PushValue::reg(2)})
        .op(ActionCode::Multiply)
        .push({1009})
        .op(ActionCode::Modulo)
        .op(ActionCode::Return);
    kind.setup.defineFunction2("mul", 3, 0x2A, {{1, "a"}, {2, "b"}}, mul);
    kind.setup.setVariable("sum", 0).setVariable("p", 1);
    // sum = add(sum, i % 100); p = mul(p + 1, 3);
    kind.body.push({"sum"})
        .getVariable("i")
        .push({100})
        .op(ActionCode::Modulo)
        .getVariable("sum")
        .callFunction("add", 2)
        .op(ActionCode::SetVariable);
    kind.body.push({"p"})
        .push({3})
        .getVariable("p")
        .push({1})
        .op(ActionCode::Add2)
        .callFunction("mul", 2)
        .op(ActionCode::SetVariable);
    kind.calleeActionsPerIteration = countActions(add.body()) + countActions(mul.body());
    kind.setup.setVariable("r", "");
    kind.body.push({"r"})
        .getVariable("sum")
        .push({"/"})
        .op(ActionCode::Add2)
        .getVariable("p")
        .op(ActionCode::Add2)
        .op(ActionCode::SetVariable);
    long long sum = 0, p = 1;
    for (long long i = 0; i < iterations; ++i) {
        sum += i % 100;
        p = (p + 1) * 3 % 1009;
    }
    kind.result = "r";
    kind.expected = QStringLiteral("%1/%2").arg(sum).arg(p);
    return kind;
}

struct ActionRun {
    bool ok = false;
    double seconds = 0;
    long long actions = 0;
};

// The loop runs in the movie's second frame, entered by one advance().
ActionRun runKind(const Kind& kind, int iterations) {
    ActionAssembler loop(kVersion);
    loop.label("top");
    loop.raw(kind.body.body());
    loop.push({"i"}).getVariable("i").op(ActionCode::Increment).op(ActionCode::SetVariable);
    loop.getVariable("i").push({iterations}).op(ActionCode::Less2).branchIf("top");
    const long long perIteration = countActions(loop.body()) + kind.calleeActionsPerIteration;

    ActionAssembler script(kVersion);
    script.raw(kind.setup.body());
    script.setVariable("i", 0);
    script.raw(loop.body());
    script.getVariable(kind.result).op(ActionCode::Trace).op(ActionCode::Stop);

    SwfBuilder builder(kVersion, QSize(100, 100), 30);
    builder.showFrame();
    builder.doAction(script.bytes());
    builder.showFrame();
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&](const QString& line) { traces << line; });
    player.setScriptTimeBudgetMs(600000);
    ActionRun run;
    if (!player.loadBytes(builder.finish())) return run;
    player.play();
    QElapsedTimer timer;
    timer.start();
    player.advance();
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.actions = perIteration * iterations;
    run.ok = traces == QStringList{kind.expected} && player.scriptFailure() == swf::avm1::AbortReason::None;
    if (!run.ok)
        std::printf("%s: wrong result: got \"%s\", expected \"%s\" %s\n", kind.name,
                    qPrintable(traces.join('|')), qPrintable(kind.expected),
                    qPrintable(swf::avm1::describe(player.scriptFailure())));
    return run;
}

void benchActions() {
    constexpr int kIterations = 200000;
    long long totalActions = 0;
    double totalSeconds = 0;
    for (const Kind& kind : {arithmeticKind(kIterations), stringKind(kIterations), objectKind(kIterations),
                             callKind(kIterations)}) {
        const ActionRun run = runKind(kind, kIterations);
        if (!run.ok) continue;
        totalActions += run.actions;
        totalSeconds += run.seconds;
        std::printf("actions, %s: %.2f M actions/s (%lld actions in %.3f s)\n", kind.name,
                    run.actions / run.seconds / 1e6, run.actions, run.seconds);
    }
    if (totalSeconds > 0)
        std::printf("actions, overall: %.2f M actions/s (%lld actions in %.3f s)\n",
                    totalActions / totalSeconds / 1e6, totalActions, totalSeconds);
}

constexpr int kClips = 500;
constexpr int kStageWidth = 550, kStageHeight = 400;

// Frame 1 attaches the clips, gives each a velocity and the shared onEnterFrame handler,
// and stops the root; the handlers then run every tick.
QByteArray clipsMovie() {
    SwfBuilder builder(kVersion, QSize(kStageWidth, kStageHeight), 30);
    builder.setBackground(Qt::white);
    swftest::ShapeBuilder ball;
    const int fill = ball.addSolidFill(QColor(40, 120, 220));
    const int line = ball.addLine(1, Qt::black);
    ball.rectangle(QRectF(-8, -8, 16, 16), fill, line);
    const int shape = builder.defineShape(ball, 3);
    SwfBuilder sprite(kVersion, QSize(kStageWidth, kStageHeight), 30);
    sprite.place(1, shape);
    sprite.showFrame();
    const int id = builder.defineSprite(sprite);
    builder.rawTag(56, avm1test::u16(1) + avm1test::u16(id) + QByteArray("ball", 5));

    // function move() with this in register 1:
    //   this._x += this.vx; if (this._x < 0 || this._x > _root.right) this.vx = -this.vx;  (and y)
    //   this._rotation += 5; this.seen = this._alpha + this._width;
    ActionAssembler move(kVersion);
    const PushValue self = PushValue::reg(1);
    for (const auto& [axis, speed, limit] :
         {std::tuple{"_x", "vx", "right"}, std::tuple{"_y", "vy", "bottom"}}) {
        const QString flip = QStringLiteral("flip%1").arg(axis), done = QStringLiteral("done%1").arg(axis);
        move.push({self, axis, self, axis})
            .op(ActionCode::GetMember)
            .push({self, speed})
            .op(ActionCode::GetMember)
            .op(ActionCode::Add2)
            .op(ActionCode::SetMember);
        move.push({self, axis}).op(ActionCode::GetMember).push({0}).op(ActionCode::Less2).branchIf(flip);
        move.push({self, axis})
            .op(ActionCode::GetMember)
            .getVariable("_root")
            .push({limit})
            .op(ActionCode::GetMember)
            .op(ActionCode::Greater)
            .branchIf(flip);
        move.jump(done).label(flip);
        move.push({self, speed, 0, self, speed})
            .op(ActionCode::GetMember)
            .op(ActionCode::Subtract)
            .op(ActionCode::SetMember);
        move.label(done);
    }
    move.push({self, "_rotation", self, "_rotation"})
        .op(ActionCode::GetMember)
        .push({5})
        .op(ActionCode::Add2)
        .op(ActionCode::SetMember);
    move.push({self, "seen", self, "_alpha"})
        .op(ActionCode::GetMember)
        .push({self, "_width"})
        .op(ActionCode::GetMember)
        .op(ActionCode::Add2)
        .op(ActionCode::SetMember);

    ActionAssembler script(kVersion);
    script.setVariable("right", kStageWidth).setVariable("bottom", kStageHeight);
    script.defineFunction2("move", 2, 0x29 /* this preloaded; no arguments or super */, {}, move);
    script.setVariable("i", 0);
    script.label("top");
    // c = _root.attachMovie("ball", "b" + i, i + 1)
    script.push({"c"})
        .getVariable("i")
        .push({1})
        .op(ActionCode::Add2)
        .push({"b"})
        .getVariable("i")
        .op(ActionCode::Add2)
        .push({"ball"}); // arguments, last first: depth, name, symbol
    script.getVariable("_root").callMethod("attachMovie", 3).op(ActionCode::SetVariable);
    auto setOnC = [&](const QString& member, const std::function<void()>& value) {
        script.getVariable("c").push({member});
        value();
        script.op(ActionCode::SetMember);
    };
    setOnC("_x", [&] {
        script.getVariable("i")
            .push({37})
            .op(ActionCode::Multiply)
            .push({kStageWidth})
            .op(ActionCode::Modulo);
    });
    setOnC("_y", [&] {
        script.getVariable("i")
            .push({53})
            .op(ActionCode::Multiply)
            .push({kStageHeight})
            .op(ActionCode::Modulo);
    });
    setOnC("vx", [&] {
        script.getVariable("i").push({7}).op(ActionCode::Modulo).push({3.5}).op(ActionCode::Subtract);
    });
    setOnC("vy", [&] {
        script.getVariable("i").push({5}).op(ActionCode::Modulo).push({2.5}).op(ActionCode::Subtract);
    });
    setOnC("onEnterFrame", [&] { script.getVariable("move"); });
    script.push({"i"}).getVariable("i").op(ActionCode::Increment).op(ActionCode::SetVariable);
    script.getVariable("i").push({kClips}).op(ActionCode::Less2).branchIf("top");
    script.getVariable(QStringLiteral("b%1").arg(kClips - 1))
        .push({"_name"})
        .op(ActionCode::GetMember)
        .op(ActionCode::Trace);
    script.op(ActionCode::Stop);
    builder.doAction(script.bytes());
    builder.showFrame();
    return builder.finish();
}

void benchClips() {
    const QByteArray movie = clipsMovie();
    constexpr int kFrames = 300;
    for (bool draw : {false, true}) {
        swf::Player player;
        QStringList traces;
        player.setTraceHandler([&](const QString& line) { traces << line; });
        if (!player.loadBytes(movie) || traces != QStringList{QStringLiteral("b%1").arg(kClips - 1)}) {
            std::printf("%d clips: the movie did not make its clips (%s)\n", kClips,
                        qPrintable(traces.join('|')));
            return;
        }
        QImage image(player.stageSize(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        const QTransform toDevice = QTransform::fromScale(1.0 / 20, 1.0 / 20);
        player.render(painter, toDevice, swf::Quality::High);
        const QImage first = image.copy();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kFrames; ++i) {
            player.advance();
            if (draw) player.render(painter, toDevice, swf::Quality::High);
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!draw) player.render(painter, toDevice, swf::Quality::High);
        const bool moved = image != first;
        std::printf("%d clips with onEnterFrame, %s: %.1f fps over %d frames (goal 30)%s\n", kClips,
                    draw ? "scripts and drawing at scale 1" : "scripts alone", kFrames / seconds, kFrames,
                    moved ? "" : " -- NOTHING MOVED");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (const qsizetype at = parts.indexOf(QLatin1String("--write-clips"));
        at >= 0 && at + 1 < parts.size()) {
        QFile out(parts[at + 1]);
        return out.open(QIODevice::WriteOnly) && out.write(clipsMovie()) > 0 ? 0 : 1;
    }
    auto wanted = [&](const char* part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };
    if (wanted("actions")) benchActions();
    if (wanted("clips")) benchClips();
    return 0;
}
