// flash.geom and flash.filters as scripts use them: argument conversions, clamps, copies
// handed out by accessors, and the text toString gives.
#include "script_fixture.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace avm1test;

namespace {

using Scenario = std::function<QString(Machine&)>;

Value classOf(Machine& m, const QString& path) {
    Value value = m.global();
    for (const QString& part : path.split(QLatin1Char('.')))
        value = m.getMember(value, part);
    return value;
}

Value make(Machine& m, const QString& path, std::vector<Value> args = {}) {
    return m.construct(classOf(m, path), args);
}

Value call(Machine& m, const Value& object, const QString& name, std::vector<Value> args = {}) {
    return m.callMethod(object, name, args);
}

QString text(Machine& m, const Value& value) {
    return m.toString(value);
}

// The named members of an object, as "name=value" joined by spaces.
QString members(Machine& m, const Value& object, const QStringList& names) {
    QStringList parts;
    for (const QString& name : names)
        parts << name + "=" + text(m, m.getMember(object, name));
    return parts.join(' ');
}

} // namespace

Q_DECLARE_METATYPE(Scenario)

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
    void filters() {
        QFETCH(Scenario, scenario);
        QFETCH(QString, expected);
        ScriptRun run(8);
        QCOMPARE(scenario(*run.machine), expected);
    }
};

QTEST_GUILESS_MAIN(Avm1GeometryTest)
#include "avm1_geometry_test.moc"
