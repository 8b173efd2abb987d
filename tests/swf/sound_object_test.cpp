// Sound objects: volume and transform belong to the target, so every Sound object of one
// target (or of none: the whole movie) sees the same settings, and a Sound whose target is
// gone answers undefined.
#include "action_assembler.h"
#include "swf/Player.h"
#include "swf_builder.h"

#include <QTest>

using namespace avm1test;

namespace {

enum class Target { None, ClipA, PathA, Nowhere };

// Pushes new Sound(target) onto the stack.
void newSound(ActionAssembler& code, Target target) {
    switch (target) {
    case Target::None:
        code.push({0, "Sound"});
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
};

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

    swftest::SwfBuilder movie(6, QSize(100, 100), 12);
    movie.doAction(code.bytes());
    movie.showFrame();
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&traces](const QString& line) { traces << line; });
    QVERIFY(player.loadBytes(movie.finish()));
    const QStringList expected{QStringLiteral("30"), QStringLiteral("70"),        QStringLiteral("70"),
                               QStringLiteral("30"), QStringLiteral("undefined"), QStringLiteral("undefined"),
                               QStringLiteral("30")};
    QCOMPARE(traces, expected);
}

QTEST_MAIN(SoundObjectTest)
#include "sound_object_test.moc"
