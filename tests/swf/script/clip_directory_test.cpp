// Clips by name and path, as scripts address them, over a stage built by hand.
#include "fake_host.h"

#include "swf/avm1/machine.h"
#include "swf/movie/movie_definition.h"
#include "swf/script/clip_directory.h"

#include <QTest>

#include <memory>

using namespace swf;

namespace {
// Answers nothing: the directory only hands the delegate to the objects it makes.
class NoProperties : public avm1::PropertyDelegate {
  public:
    std::optional<avm1::Value> getProperty(avm1::Object&, const QString&) override { return std::nullopt; }
    bool setProperty(avm1::Object&, const QString&, const avm1::Value&) override { return false; }
};

// _level0 with a (holding b, a text-less "B2", "x.y" and ":"), c; _level3 with d.
struct Scene {
    movie::MovieDefinition movie;
    stage::StageContext context;
    stage::Stage stage{context};
    avm1test::FakeHost host;
    std::unique_ptr<avm1::Machine> machine;
    NoProperties properties;
    std::unique_ptr<script::ClipDirectory> directory;

    explicit Scene(int version) {
        machine = std::make_unique<avm1::Machine>(host, version);
        stage.setRoot(clip(QString()));
        stage::MovieClip* a = add(*stage.root(), 1, QStringLiteral("a"));
        add(*a, 1, QStringLiteral("b"));
        add(*a, 2, QStringLiteral("B2"));
        add(*a, 3, QStringLiteral("x.y"));
        add(*a, 4, QStringLiteral(":"));
        add(*stage.root(), 2, QStringLiteral("c"));
        stage.setLevel(3, clip(QStringLiteral("_level3")));
        add(*stage.level(3), 1, QStringLiteral("d"));
        directory = std::make_unique<script::ClipDirectory>(stage, *machine, properties);
    }
    ~Scene() { stage.clear(); }
    std::unique_ptr<stage::MovieClip> clip(const QString& name) {
        auto made = std::make_unique<stage::MovieClip>(context, nullptr, movie.root, movie);
        movie::Placement placement;
        placement.name = name;
        made->setPlacement(placement);
        return made;
    }
    stage::MovieClip* add(stage::MovieClip& parent, int depth, const QString& name) {
        return parent.addScripted(depth, clip(name))->asClip();
    }
};
} // namespace

class ClipDirectoryTest : public QObject {
    Q_OBJECT

  private slots:
    void paths_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("base"); // a dot path from _level0, empty for the root
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("found"); // its target path, empty for none
        const auto row = [](const char* name, int version, const char* base, const char* path,
                            const char* found) {
            QTest::newRow(name) << version << QString(base) << QString(path) << QString(found);
        };
        row("root", 6, "", "", "_level0");
        row("child", 6, "", "a", "_level0.a");
        row("dots", 6, "", "a.b", "_level0.a.b");
        row("slashes", 6, "", "/a/b", "_level0.a.b");
        row("parent by name", 6, "a.b", "_parent", "_level0.a");
        row("parent by dots", 6, "a.b", "../../c", "_level0.c");
        row("from base", 6, "a", "b", "_level0.a.b");
        row("root from deep", 6, "a.b", "_root.c", "_level0.c");
        row("absolute from deep", 6, "a.b", "/c", "_level0.c");
        row("a level", 6, "", "_level3.d", "_level3.d");
        row("level zero", 6, "a", "_level0.a", "_level0.a");
        row("missing level", 6, "", "_level4", "");
        row("this", 6, "a", "this.b", "_level0.a.b");
        row("missing", 6, "", "a.x", "");
        row("above the root", 6, "", "_parent", "");
        // Names ignore case before SWF 7 and keep it from then on; keywords always ignore it.
        row("case before 7", 6, "", "A.b2", "_level0.a.B2");
        row("case from 7", 7, "", "A.b2", "");
        row("exact case from 7", 7, "", "a.B2", "_level0.a.B2");
        row("keywords in any case", 7, "a.b", "_PARENT._Root.c", "_level0.c");
        // After a slash a dot is part of a name, and so are leading dots and a dot before a dot.
        row("dot after a slash", 6, "", "a/x.y", "_level0.a.x.y");
        row("dot before a slash", 6, "", "a.x.y", "");
        row("dots after .. are names", 6, "a", "..:a.b", "");
        row("a leading dot is part of a name", 6, "", ".a", "");
        row("three dots name a child", 6, "", "a...b", "");
        row("colons as dots", 6, "", "a:b", "_level0.a.b");
        row("leading colons skipped", 6, "", ":::a:b", "_level0.a.b");
        row("one separator may end a path", 6, "", "a/b:", "_level0.a.b");
        row("two may not", 6, "", "a/b::", "");
        row("empty step", 6, "", "a//b", "");
        // Level names read their number as C does.
        row("level number up to a letter", 6, "a", "_flash3x.d", "_level3.d");
        row("level number in 32 bits", 6, "", "_level4294967299", "_level3");
        row("negative level", 6, "", "_level-3", "");
        QTest::newRow("colon before a slash is a name") << 6 << ""
                                                        << "a/:/"
                                                        << "_level0.a.:";
    }

    void paths() {
        QFETCH(int, version);
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, found);
        Scene scene(version);
        stage::MovieClip* from = base.isEmpty() ? nullptr : scene.directory->resolve(base, nullptr);
        QVERIFY(base.isEmpty() || from);
        stage::MovieClip* clip = scene.directory->resolve(path, from);
        QCOMPARE(clip ? scene.directory->targetPath(clip) : QString(), found);
        if (clip && found.startsWith(QLatin1String("_level0"))) {
            QString slash = found.mid(7).replace(QLatin1Char('.'), QLatin1Char('/'));
            QCOMPARE(scene.directory->slashPath(*clip), slash.isEmpty() ? QStringLiteral("/") : slash);
        }
    }

    // Past a handful of children a parent's names are indexed; the index must follow renames
    // and removals, and keep the first by depth of equal names.
    void manyChildrenFoundByIndex() {
        Scene scene(6);
        stage::MovieClip& root = *scene.stage.root();
        for (int depth = 10; depth < 60; ++depth)
            scene.add(root, depth, QStringLiteral("n%1").arg(depth % 25));
        QCOMPARE(scene.directory->childNamed(root, QStringLiteral("N3")), root.childAt(28)->asClip());
        stage::MovieClip* first = root.childAt(28)->asClip();
        root.takeChild(first).reset();
        QCOMPARE(scene.directory->childNamed(root, QStringLiteral("n3")), root.childAt(53)->asClip());
        stage::MovieClip* later = root.childAt(53)->asClip();
        movie::Placement renamed = later->placement();
        renamed.name = QStringLiteral("moved");
        later->setPlacement(renamed);
        scene.context.childrenChanged();
        QVERIFY(!scene.directory->childNamed(root, QStringLiteral("n3")));
        QCOMPARE(scene.directory->childNamed(root, QStringLiteral("MOVED")), later);
        QCOMPARE(scene.directory->parentOf(*later), &root);
    }

    void objectsFollowTheirClip() {
        Scene scene(6);
        stage::MovieClip* a = scene.directory->resolve(QStringLiteral("a"), nullptr);
        avm1::Object* object = scene.directory->objectOf(*a);
        QCOMPARE(scene.directory->objectOf(*a), object);
        QCOMPARE(scene.directory->clipOf(object), a);
        const stage::ClipHandle handle(a);
        QCOMPARE(scene.directory->known(handle), a);
        QVERIFY(scene.directory->forget(*a));
        QVERIFY(!scene.directory->forget(*a));
        QVERIFY(!scene.directory->clipOf(object));
        // Still on the stage, but scripts no longer know it: a handle does not bring it back.
        QVERIFY(!scene.directory->known(handle));
    }
};

QTEST_GUILESS_MAIN(ClipDirectoryTest)
#include "clip_directory_test.moc"
