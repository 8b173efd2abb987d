// flash.display.BitmapData as scripts see it: sizes refused by version, colours read back
// through premultiplied storage, the answers of methods given bad arguments, and the pixel
// rules of copying, dissolving and hit testing.
#include "script_fixture.h"
#include "swf/raster/pixels.h"

#include <QtTest>

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

Value bitmap(Machine& m, int width, int height, bool transparent, double fill) {
    return make(m, "flash.display.BitmapData", {width, height, transparent, fill});
}

Value call(Machine& m, const Value& object, const QString& name, std::vector<Value> args = {}) {
    return m.callMethod(object, name, args);
}

QString hex(Machine& m, const Value& surface, int x, int y) {
    const double value = m.toNumber(call(m, surface, "getPixel32", {x, y}));
    return QString::number(quint32(qint64(value)), 16);
}

} // namespace

Q_DECLARE_METATYPE(Scenario)

class Avm1BitmapDataTest : public QObject {
    Q_OBJECT

  private slots:
    void sizes_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("made");
        QTest::newRow("SWF 8 side limit") << 8 << 2880 << 2880 << true;
        QTest::newRow("SWF 8 one past") << 8 << 2881 << 1 << false;
        QTest::newRow("SWF 10 long side") << 10 << 8191 << 1 << true;
        QTest::newRow("SWF 10 side past") << 10 << 1 << 8192 << false;
        QTest::newRow("SWF 10 pixel count") << 10 << 4096 << 4096 << false;
        QTest::newRow("empty") << 8 << 0 << 5 << false;
    }
    // Every surface's pixels count against one limit for all, copies included, until they go.
    void liveSurfacesAreCounted() {
        const std::int64_t before = swf::raster::livePixels();
        {
            swf::raster::Pixels a(1000, 1000, true, 0);
            QCOMPARE(swf::raster::livePixels(), before + 1000000);
            swf::raster::Pixels b = a;
            QCOMPARE(swf::raster::livePixels(), before + 2000000);
            b.release();
            QCOMPARE(swf::raster::livePixels(), before + 1000000);
        }
        QCOMPARE(swf::raster::livePixels(), before);
        QVERIFY(swf::raster::roomFor(2880, 2880));
        QVERIFY(!swf::raster::roomFor(1 << 15, 1 << 14));
    }

    // A size out of range makes `new` give undefined rather than an object.
    void sizes() {
        QFETCH(int, version);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, made);
        ScriptRun run(version);
        Machine& m = *run.machine;
        QCOMPARE(make(m, "flash.display.BitmapData", {width, height}).isObject(), made);
    }

    void pixels_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("partial alpha reads back rounded, halves down") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 2, 1, true, 0xAABBCCDD);
            call(m, surface, "setPixel32", {1, 0, 0x12345678});
            return hex(m, surface, 0, 0) + " " + hex(m, surface, 1, 0);
        }) << "aabbccdc 12395571";
        QTest::newRow("opaque surfaces drop the alpha they are given") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 1, 1, false, 0);
            call(m, surface, "setPixel32", {0, 0, 0x12345678});
            return hex(m, surface, 0, 0);
        }) << "ff345678";
        QTest::newRow("setPixel keeps the alpha there") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 1, 1, true, 0xAABBCCDD);
            call(m, surface, "setPixel", {0, 0, 0x345678});
            return hex(m, surface, 0, 0);
        }) << "aa345578";
        QTest::newRow("copy over an opaque surface composites") << Scenario([](Machine& m) {
            const Value target = bitmap(m, 1, 1, false, 0xFFBBCCDD);
            const Value source = bitmap(m, 1, 1, true, 0x12345678);
            call(
                m, target, "copyPixels",
                {source, make(m, "flash.geom.Rectangle", {0, 0, 1, 1}), make(m, "flash.geom.Point", {0, 0})});
            return hex(m, target, 0, 0);
        }) << "ffb1c3d5";
        QTest::newRow("an alpha bitmap scales the source's alpha") << Scenario([](Machine& m) {
            const Value target = bitmap(m, 1, 1, true, 0);
            const Value source = bitmap(m, 1, 1, false, 0x345678);
            const Value mask = bitmap(m, 1, 1, true, 0x12000000);
            const Value origin = make(m, "flash.geom.Point", {0, 0});
            call(m, target, "copyPixels",
                 {source, make(m, "flash.geom.Rectangle", {0, 0, 1, 1}), origin, mask, origin});
            return hex(m, target, 0, 0);
        }) << "112d5a78";
        QTest::newRow("flood fill stops at other colours") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 3, 1, false, 0);
            call(m, surface, "setPixel", {1, 0, 0xFF});
            const QString answer = m.toString(call(m, surface, "floodFill", {0, 0, 0xFF0000}));
            return answer + " " + hex(m, surface, 0, 0) + " " + hex(m, surface, 2, 0);
        }) << "1 ffff0000 ff000000";
        QTest::newRow("scroll leaves uncovered pixels") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 3, 1, false, 0);
            call(m, surface, "setPixel", {0, 0, 0xFF});
            call(m, surface, "scroll", {1, 0});
            return hex(m, surface, 0, 0) + " " + hex(m, surface, 1, 0) + " " + hex(m, surface, 2, 0);
        }) << "ff0000ff ff0000ff ff000000";
    }
    void pixels() {
        QFETCH(Scenario, scenario);
        QFETCH(QString, expected);
        ScriptRun run(8);
        QCOMPARE(scenario(*run.machine), expected);
    }

    void answers_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("too few arguments") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 2, 2, true, 0);
            return m.toString(call(m, surface, "getPixel", {1})) + " " +
                   m.toString(call(m, surface, "setPixel32", {1, 1}));
        }) << "-1 -1";
        QTest::newRow("a disposed surface answers -1 and has no size") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 2, 2, true, 0);
            call(m, surface, "dispose");
            return m.toString(call(m, surface, "getPixel", {0, 0})) + " " +
                   m.toString(m.getMember(surface, "width"));
        }) << "-1 -1";
        QTest::newRow("copyPixels: no surface, a dead one, no rectangle") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 2, 2, true, 0);
            const Value dead = bitmap(m, 2, 2, true, 0);
            call(m, dead, "dispose");
            const Value point = make(m, "flash.geom.Point", {0, 0});
            const Value rect = make(m, "flash.geom.Rectangle", {0, 0, 1, 1});
            return m.toString(call(m, surface, "copyPixels", {Value(), rect, point})) + " " +
                   m.toString(call(m, surface, "copyPixels", {dead, rect, point})) + " " +
                   m.toString(call(m, surface, "copyPixels", {surface, m.newObject(), point}));
        }) << "-2 -3 -4";
        QTest::newRow("compare: equal surfaces, other sizes") << Scenario([](Machine& m) {
            const Value a = bitmap(m, 2, 2, true, 0x11223344);
            return m.toString(call(m, a, "compare", {bitmap(m, 2, 2, true, 0x11223344)})) + " " +
                   m.toString(call(m, a, "compare", {bitmap(m, 3, 2, true, 0)})) + " " +
                   m.toString(call(m, a, "compare", {bitmap(m, 2, 3, true, 0)}));
        }) << "0 -3 -4";
        QTest::newRow("hitTest: a clear pixel never hits, threshold is inclusive")
            << Scenario([](Machine& m) {
                   const Value surface = bitmap(m, 2, 1, true, 0);
                   call(m, surface, "setPixel32", {1, 0, double(0xA0FFFFFF)});
                   const Value origin = make(m, "flash.geom.Point", {0, 0});
                   return m.toString(
                              call(m, surface, "hitTest", {origin, 0, make(m, "flash.geom.Point", {0, 0})})) +
                          " " +
                          m.toString(call(m, surface, "hitTest",
                                          {origin, 160, make(m, "flash.geom.Point", {1, 0})}));
               })
            << "false true";
    }
    // The dissolve colour keeps its alpha even on an opaque surface.
    void dissolveColourKeepsItsAlpha() {
        ScriptRun run(8);
        Machine& m = *run.machine;
        const Value surface = bitmap(m, 2, 1, false, 0xFFCCCCCC);
        call(m, surface, "pixelDissolve",
             {surface, m.getMember(surface, "rectangle"), make(m, "flash.geom.Point", {0, 0}), 0, 2,
              0x123456});
        QCOMPARE(hex(m, surface, 0, 0) + " " + hex(m, surface, 1, 0), QStringLiteral("0 0"));
    }
    void answers() {
        QFETCH(Scenario, scenario);
        QFETCH(QString, expected);
        ScriptRun run(8);
        QCOMPARE(scenario(*run.machine), expected);
    }

    // Each call dissolves its count of pixels plus the one the last call ended on, so a
    // series visits every pixel of the area once and then stays.
    void dissolveVisitsEachPixelOnce() {
        ScriptRun run(8);
        Machine& m = *run.machine;
        const Value surface = bitmap(m, 5, 3, false, 0xFFFFFF);
        const Value rect = m.getMember(surface, "rectangle");
        const Value origin = make(m, "flash.geom.Point", {0, 0});
        Value seed = 0;
        for (int round = 1; round <= 16; ++round) {
            seed = call(m, surface, "pixelDissolve", {surface, rect, origin, seed, 1, double(0xFF000000)});
            int changed = 0;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    changed += m.toNumber(call(m, surface, "getPixel", {x, y})) == 0 ? 1 : 0;
            QCOMPARE(changed, std::min(round + 1, 15));
        }
    }
};

QTEST_GUILESS_MAIN(Avm1BitmapDataTest)
#include "avm1_bitmap_data_test.moc"
