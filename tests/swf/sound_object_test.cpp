// Sound objects: volume and transform belong to the target, so every Sound object of one
// target (or of none: the whole movie) sees the same settings, and a Sound whose target is
// gone answers undefined.
#include "action_assembler.h"
#include "swf/Player.h"
#include "swf_builder.h"

#include <QTest>

using namespace avm1test;

namespace {

enum class Target { None, Undefined, ClipA, PathA, Nowhere };

// Pushes new Sound(target) onto the stack.
void newSound(ActionAssembler& code, Target target) {
    switch (target) {
    case Target::None:
        code.push({0, "Sound"});
        break;
    case Target::Undefined:
        code.push({PushValue::undefined(), 1, "Sound"});
        break;
    case Target::ClipA:
        code.push({"a"}).op(ActionCode::GetVariable).push({1, "Sound"});
        break;
    case Target::PathA:
        code.push({"a", 1, "Sound"});
        break;
    case Target::Nowhere:
        code.push({"nowhere", 1, "Sound"});
        break;
    }
    code.op(ActionCode::NewObject);
}

void traceVolume(ActionAssembler& code, Target target) {
    newSound(code, target);
    code.callMethod(QStringLiteral("getVolume"), 0).op(ActionCode::Trace);
}

void setVolume(ActionAssembler& code, Target target, int volume) {
    code.push({volume});
    newSound(code, target);
    code.callMethod(QStringLiteral("setVolume"), 1).op(ActionCode::Pop);
}

} // namespace

class SoundObjectTest : public QObject {
    Q_OBJECT
  private slots:
    void settingsBelongToTheTarget();
    void swf5SoundWithoutTarget();
};

namespace {

QStringList tracesOf(int version, const ActionAssembler& code) {
    swftest::SwfBuilder movie(version, QSize(100, 100), 12);
    movie.doAction(code.bytes());
    movie.showFrame();
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&traces](const QString& line) { traces << line; });
    if (!player.loadBytes(movie.finish())) return {QStringLiteral("not loaded")};
    return traces;
}

} // namespace

// In SWF 5 new Sound() stands for the timeline it was made in, while an undefined target,
// like new Sound() after a tellTarget that named no clip, stands for the whole movie.
void SoundObjectTest::swf5SoundWithoutTarget() {
    ActionAssembler code(5);
    setVolume(code, Target::None, 30);
    setVolume(code, Target::Undefined, 70);
    traceVolume(code, Target::None);
    traceVolume(code, Target::Undefined);
    code.action(ActionCode::SetTarget, QByteArray("nowhere", 8));
    traceVolume(code, Target::None);
    code.action(ActionCode::SetTarget, QByteArray(1, '\0'));
    QCOMPARE(tracesOf(5, code), (QStringList{"30", "70", "70"}));
}

void SoundObjectTest::settingsBelongToTheTarget() {
    ActionAssembler code(6);
    setVolume(code, Target::None, 30);
    traceVolume(code, Target::None);
    code.push({1, "a"}).callFunction(QStringLiteral("createEmptyMovieClip"), 2).op(ActionCode::Pop);
    // u = new Sound(a), kept while a goes.
    code.push({"u"});
    newSound(code, Target::ClipA);
    code.op(ActionCode::SetVariable);
    code.push({70, "u"})
        .op(ActionCode::GetVariable)
        .callMethod(QStringLiteral("setVolume"), 1)
        .op(ActionCode::Pop);
    traceVolume(code, Target::ClipA);
    traceVolume(code, Target::PathA);
    traceVolume(code, Target::None);
    traceVolume(code, Target::Nowhere);
    code.push({"a"})
        .op(ActionCode::GetVariable)
        .callMethod(QStringLiteral("removeMovieClip"), 0)
        .op(ActionCode::Pop);
    code.push({"u"})
        .op(ActionCode::GetVariable)
        .callMethod(QStringLiteral("getVolume"), 0)
        .op(ActionCode::Trace);
    traceVolume(code, Target::None);

    const QStringList traces = tracesOf(6, code);
    const QStringList expected{QStringLiteral("30"), QStringLiteral("70"),        QStringLiteral("70"),
                               QStringLiteral("30"), QStringLiteral("undefined"), QStringLiteral("undefined"),
                               QStringLiteral("30")};
    QCOMPARE(traces, expected);
}

QTEST_MAIN(SoundObjectTest)
#include "sound_object_test.moc"
