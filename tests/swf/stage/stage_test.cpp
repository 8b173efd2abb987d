// The stage of one player: its levels, and handles that never name a later clip.
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <QTest>

#include <memory>

using namespace swf;

class StageTest : public QObject {
    Q_OBJECT

  private slots:
    void handleForgetsAClipThatLeft();
    void levelsInOrder();
    void playersDoNotShareSerials();
    void dragAndFocusFollowTheirClip();
};

namespace {
std::unique_ptr<stage::MovieClip> clipOn(stage::StageContext& context, const movie::MovieDefinition& movie) {
    return std::make_unique<stage::MovieClip>(context, nullptr, movie.root, movie);
}
} // namespace

void StageTest::handleForgetsAClipThatLeft() {
    movie::MovieDefinition movie;
    stage::StageContext context;
    auto first = clipOn(context, movie);
    const stage::ClipHandle handle(first.get());
    QCOMPARE(handle.get(context), first.get());
    const void* address = first.get();
    first.reset();
    QVERIFY(!handle.get(context));
    // The allocator hands the freed block out again soon: a handle kept by address would
    // take one of these newcomers for the clip that left.
    std::vector<std::unique_ptr<stage::MovieClip>> later;
    bool reused = false;
    for (int i = 0; i < 64; ++i) {
        later.push_back(clipOn(context, movie));
        reused = reused || later.back().get() == address;
        QVERIFY(!handle.get(context));
    }
    if (!reused) qInfo("no later clip took the freed address; the handle was still checked");
    QVERIFY(!stage::ClipHandle().get(context));
}

void StageTest::levelsInOrder() {
    movie::MovieDefinition movie;
    stage::StageContext context;
    stage::Stage stage(context);
    QVERIFY(stage.all().empty());
    stage.setLevel(7, clipOn(context, movie));
    stage.setLevel(2, clipOn(context, movie));
    stage.setRoot(clipOn(context, movie));
    stage::MovieClip* two = stage.level(2);
    stage::MovieClip* seven = stage.level(7);
    QCOMPARE(stage.all(), (std::vector<stage::MovieClip*>{stage.root(), two, seven}));
    QCOMPARE(stage.levelsAbove(), (std::vector<stage::MovieClip*>{two, seven}));
    QCOMPARE(stage.level(0), stage.root());
    QCOMPARE(stage.levelOf(*seven), 7);
    QCOMPARE(stage.levelOf(*stage.root()), 0);
    auto loose = clipOn(context, movie);
    QCOMPARE(stage.levelOf(*loose), -1);
    // Loading into a level replaces what stood there.
    stage.setLevel(2, clipOn(context, movie));
    QVERIFY(stage.level(2) != nullptr);
    QCOMPARE(stage.levelsAbove().size(), size_t(2));
    QVERIFY(stage.takeLevel(7));
    QVERIFY(!stage.takeLevel(7));
    QCOMPARE(stage.levelsAbove().size(), size_t(1));
    const quint64 rootSerial = stage.root()->serial();
    stage.clear();
    QVERIFY(stage.all().empty());
    QVERIFY(!context.liveClip(rootSerial));
}

void StageTest::playersDoNotShareSerials() {
    movie::MovieDefinition movie;
    stage::StageContext one, two;
    auto a = clipOn(one, movie);
    auto b = clipOn(two, movie);
    // Each player numbers its own objects, and finds only its own by number.
    QCOMPARE(a->serial(), b->serial());
    QCOMPARE(one.liveClip(a->serial()), a.get());
    QCOMPARE(two.liveClip(b->serial()), b.get());
    const quint64 generation = two.childrenGeneration();
    one.childrenChanged();
    QCOMPARE(two.childrenGeneration(), generation);
}

void StageTest::dragAndFocusFollowTheirClip() {
    movie::MovieDefinition movie;
    stage::StageContext context;
    stage::Stage stage(context);
    stage.setRoot(clipOn(context, movie));
    stage.setLevel(1, clipOn(context, movie));
    stage::MovieClip* level = stage.level(1);
    stage.setFocus(level);
    stage.setDrag(stage::Stage::Drag{stage::ClipHandle(level), {}, false, {}});
    stage.setDropTarget(*level, QStringLiteral("/a"));
    QCOMPARE(stage.focus(), level);
    QCOMPARE(stage.dragged(), level);
    QCOMPARE(stage.dropTarget(*level), QStringLiteral("/a"));
    stage.takeLevel(1).reset();
    QVERIFY(!stage.focus());
    QVERIFY(!stage.dragged());
    stage.setLevel(1, clipOn(context, movie));
    QVERIFY(!stage.focus());
    QCOMPARE(stage.dropTarget(*stage.level(1)), QString());
}

QTEST_GUILESS_MAIN(StageTest)
#include "stage_test.moc"
