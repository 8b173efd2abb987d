// flash.geom and flash.filters as scripts use them: argument conversions, clamps, copies
// handed out by accessors, and the text toString gives.
#include "script_fixture.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace avm1test;

namespace {

// The named members of an object, as "name=value" joined by spaces.
QString members(Machine& m, const Value& object, const QStringList& names) {
    QStringList parts;
    for (const QString& name : names)
        parts << name + "=" + text(m, m.getMember(object, name));
    return parts.join(' ');
}

} // namespace

class Avm1GeometryTest : public QObject {
    Q_OBJECT

  private slots:
    void filters_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blur defaults") << Scenario([](Machine& m) {
            return members(m, make(m, "flash.filters.BlurFilter"), {"blurX", "blurY", "quality"});
        }) << "blurX=4 blurY=4 quality=1";
        QTest::newRow("blur sizes and quality clamp, quality truncates") << Scenario([](Machine& m) {
            return members(m, make(m, "flash.filters.BlurFilter", {300, -5, 7.9}),
                           {"blurX", "blurY", "quality"});
        }) << "blurX=255 blurY=0 quality=7";
        QTest::newRow("colour wraps to 24 bits, alpha clamps") << Scenario([](Machine& m) {
            return members(m, make(m, "flash.filters.GlowFilter", {-1, 2}), {"color", "alpha"});
        }) << "color=16777215 alpha=1";
        QTest::newRow("a type outside the choices keeps the old one") << Scenario([](Machine& m) {
            const Value bevel = make(m, "flash.filters.BevelFilter");
            m.setMember(bevel, "type", QStringLiteral("outer"));
            m.setMember(bevel, "type", QStringLiteral("sideways"));
            return text(m, m.getMember(bevel, "type"));
        }) << "outer";
        QTest::newRow("a written value is converted") << Scenario([](Machine& m) {
            const Value shadow = make(m, "flash.filters.DropShadowFilter");
            m.setMember(shadow, "inner", QStringLiteral("yes"));
            m.setMember(shadow, "strength", QStringLiteral("1000"));
            return members(m, shadow, {"inner", "strength"});
        }) << "inner=true strength=255";
        QTest::newRow("lists are copied in and out") << Scenario([](Machine& m) {
            const Value values = m.newArray(std::vector<Value>(20, Value(0.5)));
            const Value filter = make(m, "flash.filters.ColorMatrixFilter", {values});
            m.setMember(values, "0", 9);
            const Value out = m.getMember(filter, "matrix");
            m.setMember(out, "1", 9);
            return text(m, m.getMember(m.getMember(filter, "matrix"), "0")) + " " +
                   text(m, m.getMember(m.getMember(filter, "matrix"), "1"));
        }) << "0.5 0.5";
        QTest::newRow("clone is a separate instance of the same class") << Scenario([](Machine& m) {
            const Value blur = make(m, "flash.filters.BlurFilter", {10, 20});
            const Value copy = call(m, blur, "clone");
            m.setMember(copy, "blurX", 1);
            return members(m, blur, {"blurX"}) + " " + members(m, copy, {"blurX", "blurY"}) + " " +
                   text(m, m.instanceOf(copy, classOf(m, "flash.filters.BlurFilter").asObject()));
        }) << "blurX=10 blurX=1 blurY=20 true";
        QTest::newRow("accessors of another class's instance read nothing") << Scenario([](Machine& m) {
            const Value glow = make(m, "flash.filters.GlowFilter");
            const Value prototype = m.getMember(classOf(m, "flash.filters.BlurFilter"), "prototype");
            return text(m, m.getMember(prototype, "blurX")) + " " + text(m, m.getMember(glow, "blurX"));
        }) << "undefined 6";
        QTest::newRow("map point members become integers, NaN the lowest") << Scenario([](Machine& m) {
            const Value filter = make(m, "flash.filters.DisplacementMapFilter");
            m.setMember(filter, "mapPoint", make(m, "flash.geom.Point", {3.7, std::nan("")}));
            return text(m, m.getMember(filter, "mapPoint"));
        }) << "(x=3, y=-2147483648)";
    }
    void geometry_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("point equals itself even with NaN members") << Scenario([](Machine& m) {
            const Value point = make(m, "flash.geom.Point", {1, std::nan("")});
            return text(m, call(m, point, "equals", {point})) + " " +
                   text(m, call(m, point, "equals", {call(m, point, "clone")}));
        }) << "true false";
        QTest::newRow("point distance with an infinite and a NaN leg") << Scenario([](Machine& m) {
            const Value a = make(m, "flash.geom.Point", {0, std::nan("")});
            const Value b = make(m, "flash.geom.Point", {INFINITY, 0});
            return text(m, call(m, classOf(m, "flash.geom.Point"), "distance", {a, b}));
        }) << "NaN";
        QTest::newRow("scale changes only a Matrix, translate any object") << Scenario([](Machine& m) {
            Object* lookalike = m.newObject();
            for (const char* name : {"a", "b", "c", "d", "tx", "ty"})
                lookalike->setOwn(QString::fromLatin1(name), 1);
            const Value prototype = m.getMember(classOf(m, "flash.geom.Matrix"), "prototype");
            m.call(m.getMember(prototype, "scale"), lookalike, std::vector<Value>{Value(4), Value(5)});
            m.call(m.getMember(prototype, "translate"), lookalike, std::vector<Value>{Value(4), Value(5)});
            return members(m, lookalike, {"a", "d", "tx", "ty"});
        }) << "a=1 d=1 tx=5 ty=6";
        QTest::newRow("box offsets: createBox keeps them, createGradientBox adds as script does")
            << Scenario([](Machine& m) {
                   const Value box = make(m, "flash.geom.Matrix");
                   call(m, box, "createBox", {1, 1, 0, QStringLiteral("left"), 3});
                   const Value gradient = make(m, "flash.geom.Matrix");
                   call(m, gradient, "createGradientBox", {40, 20, 0, QStringLiteral("s"), 5});
                   return members(m, box, {"tx", "ty"}) + " " + members(m, gradient, {"tx", "ty"});
               })
            << "tx=left ty=3 tx=s20 ty=15";
        QTest::newRow("rectangle edges move one side only") << Scenario([](Machine& m) {
            const Value box = make(m, "flash.geom.Rectangle", {10, 20, 30, 40});
            m.setMember(box, "right", 100);
            m.setMember(box, "topLeft", make(m, "flash.geom.Point", {0, 0}));
            return text(m, box) + " " + text(m, m.getMember(box, "bottomRight"));
        }) << "(x=0, y=0, w=100, h=60) (x=100, y=60)";
        QTest::newRow("rectangles apart intersect in an empty one at the origin") << Scenario([](Machine& m) {
            const Value a = make(m, "flash.geom.Rectangle", {0, 0, 10, 10});
            const Value b = make(m, "flash.geom.Rectangle", {20, 20, 5, 5});
            return text(m, call(m, a, "intersection", {b})) + " " + text(m, call(m, a, "union", {b}));
        }) << "(x=0, y=0, w=0, h=0) (x=0, y=0, w=25, h=25)";
        QTest::newRow("rectangle equals wants a rectangle") << Scenario([](Machine& m) {
            const Value box = make(m, "flash.geom.Rectangle", {1, 2, 3, 4});
            Object* lookalike = m.newObject();
            for (const char* name : {"x", "y", "width", "height"})
                lookalike->setOwn(QString::fromLatin1(name), m.getMember(box, QString::fromLatin1(name)));
            return text(m, call(m, box, "equals", {call(m, box, "clone")})) + " " +
                   text(m, call(m, box, "equals", {lookalike}));
        }) << "true false";
        QTest::newRow("colour transform with fewer than eight arguments is the identity")
            << Scenario([](Machine& m) {
                   return text(m, make(m, "flash.geom.ColorTransform", {2, 2, 2, 2, 5, 5, 5}));
               })
            << "(redMultiplier=1, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=1, redOffset=0, "
               "greenOffset=0, blueOffset=0, alphaOffset=0)";
        QTest::newRow("rgb packs truncated offsets without masking") << Scenario([](Machine& m) {
            const Value cx = make(m, "flash.geom.ColorTransform", {1, 1, 1, 1, -5000.5, 5.5, 6.5, 0});
            return text(m, m.getMember(cx, "rgb"));
        }) << "-327678714";
        QTest::newRow("writing rgb clears the colour multipliers and keeps alpha")
            << Scenario([](Machine& m) {
                   const Value cx = make(m, "flash.geom.ColorTransform", {2, 2, 2, 2, 0, 0, 0, 9});
                   m.setMember(cx, "rgb", -1099511627775.0);
                   return text(m, cx);
               })
            << "(redMultiplier=0, greenMultiplier=0, blueMultiplier=0, alphaMultiplier=2, redOffset=0, "
               "greenOffset=0, blueOffset=1, alphaOffset=9)";
        QTest::newRow("concat applies the argument first") << Scenario([](Machine& m) {
            const Value a = make(m, "flash.geom.ColorTransform", {2, 1, 1, 1, 10, 0, 0, 0});
            const Value b = make(m, "flash.geom.ColorTransform", {3, 1, 1, 1, 5, 0, 0, 0});
            call(m, a, "concat", {b});
            return text(m, m.getMember(a, "redMultiplier")) + " " + text(m, m.getMember(a, "redOffset"));
        }) << "6 20";
    }
    void geometry() { scenarioAnswers(); }

    // Before SWF 8 a ColorTransform's members are out of sight, though the class is there.
    void colorTransformMembersFromSwf8() {
        for (const int version : {7, 8}) {
            ScriptRun run(version);
            Machine& m = *run.machine;
            m.global()->findOwn(QStringLiteral("flash"))->flags &= ~property_flags::kVersion8Up;
            const Value cx = make(m, "flash.geom.ColorTransform");
            QCOMPARE(text(m, m.getMember(cx, "redMultiplier")),
                     version < 8 ? QStringLiteral("undefined") : QStringLiteral("1"));
        }
    }

    void filters() { scenarioAnswers(); }
};

QTEST_GUILESS_MAIN(Avm1GeometryTest)
#include "avm1_geometry_test.moc"
