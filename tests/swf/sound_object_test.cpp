// Sound objects: volume and transform belong to the target, so every Sound object of one
// target (or of none: the whole movie) sees the same settings, and a Sound whose target is
// gone answers undefined.
#include "action_assembler.h"
#include "swf/Player.h"
#include "swf_builder.h"

#include <QTest>

using namespace avm1test;

namespace {

// new Sound(target), or new Sound() for an empty target, in the listing notation.
QString sound(const QString& target) {
    return target.isEmpty() ? QStringLiteral(" 0 'Sound' NewObject ")
                            : " " + target + " 1 'Sound' NewObject ";
}

QString setVolume(const QString& target, int volume) {
    return " " + QString::number(volume) + sound(target) + ".setVolume(1) Pop ";
}

QString traceVolume(const QString& target) {
    return sound(target) + ".getVolume(0) Trace ";
}

QStringList tracesOf(int version, const QString& listing) {
    swftest::SwfBuilder movie(version, QSize(100, 100), 12);
    movie.doAction(ActionAssembler(version, listing).bytes());
    movie.showFrame();
    swf::Player player;
    QStringList traces;
    player.setTraceHandler([&traces](const QString& line) { traces << line; });
    if (!player.loadBytes(movie.finish())) return {QStringLiteral("not loaded")};
    return traces;
}

} // namespace

class SoundObjectTest : public QObject {
    Q_OBJECT
  private slots:
    void settingsBelongToTheTarget() {
        // u = new Sound(a) is kept while a goes.
        const QString listing =
            setVolume({}, 30) + traceVolume({}) + "1 'a' createEmptyMovieClip(2) Pop 'u'" + sound("$a") +
            "SetVariable 70 $u .setVolume(1) Pop" + traceVolume("$a") + traceVolume("'a'") + traceVolume({}) +
            traceVolume("'nowhere'") + "$a .removeMovieClip(0) Pop $u .getVolume(0) Trace" + traceVolume({});
        QCOMPARE(tracesOf(6, listing), (QStringList{"30", "70", "70", "30", "undefined", "undefined", "30"}));
    }

    // In SWF 5 new Sound() stands for the timeline it was made in, while an undefined target,
    // like new Sound() after a tellTarget that named no clip, stands for the whole movie.
    void swf5SoundWithoutTarget() {
        const QString listing = setVolume({}, 30) + setVolume("undefined", 70) + traceVolume({}) +
                                traceVolume("undefined") + "tell:nowhere" + traceVolume({}) + "tell:";
        QCOMPARE(tracesOf(5, listing), (QStringList{"30", "70", "70"}));
    }
};

QTEST_MAIN(SoundObjectTest)
#include "sound_object_test.moc"
