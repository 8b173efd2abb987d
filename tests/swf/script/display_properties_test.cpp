// The placement properties scripts read and write: a clip and a text field given the same
// value end up the same.
#include "fake_host.h"

#include "swf/avm1/machine.h"
#include "swf/movie/movie_definition.h"
#include "swf/script/display_properties.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/text_field.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace swf;

Q_DECLARE_METATYPE(swf::avm1::Value)

namespace {
// A machine, and a text field 100 by 20 pixels on a stage of its own.
struct Scene {
    avm1test::FakeHost host;
    avm1::Machine machine{host, 8};
    movie::MovieDefinition movie;
    stage::StageContext context;
    format::EditTextDefinition definition = [] {
        format::EditTextDefinition field;
        field.bounds = {0, 2000, 0, 400};
        return field;
    }();
    stage::TextField field{context, nullptr, definition, movie};
};
} // namespace

class DisplayPropertiesTest : public QObject {
    Q_OBJECT

  private slots:
    void sameOnClipsAndFields_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<avm1::Value>("value");
        QTest::addColumn<QString>("expected"); // read back, as a script prints it
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("_x") << "_x" << avm1::Value(12.5) << "12.5";
        // Twips are 32-bit integers: an infinite position wraps to the lowest one.
        QTest::newRow("_x infinite") << "_x" << avm1::Value(inf) << "-107374182.4";
        QTest::newRow("_y NaN leaves it") << "_y" << avm1::Value(std::nan("")) << "5";
        QTest::newRow("_y from a string") << "_y" << avm1::Value(QStringLiteral("7")) << "7";
        QTest::newRow("_alpha") << "_alpha" << avm1::Value(50) << "50";
        // 8.8 fixed point in 16 bits: larger values wrap.
        QTest::newRow("_alpha past 16 bits") << "_alpha" << avm1::Value(200000) << "-4800";
        QTest::newRow("_alpha infinite") << "_alpha" << avm1::Value(inf) << "0";
        QTest::newRow("_visible 0") << "_visible" << avm1::Value(0) << "false";
        QTest::newRow("_visible string") << "_visible" << avm1::Value(QStringLiteral("false")) << "true";
        QTest::newRow("_rotation wraps") << "_rotation" << avm1::Value(450) << "90";
        QTest::newRow("_xscale negative") << "_xscale" << avm1::Value(-50) << "-50";
        QTest::newRow("_yscale") << "_yscale" << avm1::Value(250) << "250";
        QTest::newRow("_name NaN") << "_name" << avm1::Value(std::nan("")) << "0";
        QTest::newRow("_name") << "_name" << avm1::Value(QStringLiteral("box")) << "box";
    }

    void sameOnClipsAndFields() {
        QFETCH(QString, name);
        QFETCH(avm1::Value, value);
        Scene scene;
        stage::MovieClip clip(scene.context, nullptr, scene.movie.root, scene.movie);
        for (stage::DisplayObject* object :
             std::initializer_list<stage::DisplayObject*>{&clip, &scene.field}) {
            movie::Placement placement = object->placement();
            placement.matrix.tx = 100;
            placement.matrix.ty = 100;
            object->setPlacement(placement);
            const auto property = script::placementProperty(name);
            QVERIFY(property);
            script::writePlacement(*object, *property, value, scene.machine);
            QTEST(scene.machine.toString(script::readPlacement(*object, *property)), "expected");
        }
    }

    void namesInAnyCase_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("known");
        QTest::newRow("lower") << "_alpha" << true;
        QTest::newRow("upper") << "_ALPHA" << true;
        QTest::newRow("mixed") << "_xScale" << true;
        QTest::newRow("without underscore") << "alpha" << false;
        QTest::newRow("other property") << "_currentframe" << false;
        QTest::newRow("prefix only") << "_x2" << false;
        QTest::newRow("empty") << "" << false;
    }

    void namesInAnyCase() {
        QFETCH(QString, name);
        QTEST(script::placementProperty(name).has_value(), "known");
    }

    // A field's _width and _height give its box that size, where a clip's scale to it.
    void fieldSizeIsItsBox() {
        Scene scene;
        stage::TextField& field = scene.field;
        avm1::Machine& machine = scene.machine;
        script::writePlacement(field, script::PlacementProperty::Width, avm1::Value(300), machine);
        QCOMPARE(field.field.bounds.xMax - field.field.bounds.xMin, 6000);
        QCOMPARE(machine.toString(script::readPlacement(field, script::PlacementProperty::XScale)),
                 QStringLiteral("100"));
        QCOMPARE(machine.toString(script::readPlacement(field, script::PlacementProperty::Width)),
                 QStringLiteral("300"));
        script::writePlacement(field, script::PlacementProperty::Height, avm1::Value(-5), machine);
        QCOMPARE(field.field.bounds.yMax - field.field.bounds.yMin, 0);
    }
};

QTEST_GUILESS_MAIN(DisplayPropertiesTest)
#include "display_properties_test.moc"
