// flash.display.BitmapData as scripts see it: sizes refused by version, colours read back
// through premultiplied storage, the answers of methods given bad arguments, and the pixel
// rules of copying, dissolving and hit testing.
#include "script_fixture.h"
#include "swf/raster/pixels.h"

#include <QtTest>

#include <functional>

using namespace avm1test;

namespace {

Value bitmap(Machine& m, int width, int height, bool transparent, double fill) {
    return make(m, "flash.display.BitmapData", {width, height, transparent, fill});
}

QString hex(Machine& m, const Value& surface, int x, int y) {
    const double value = m.toNumber(call(m, surface, "getPixel32", {x, y}));
    return QString::number(quint32(qint64(value)), 16);
}

} // namespace

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
        QTest::newRow("an alpha bitmap scales the source's alpha") << Scenario([](Machine& m) {
            const Value target = bitmap(m, 1, 1, true, 0);
            const Value source = bitmap(m, 1, 1, false, 0x345678);
            const Value mask = bitmap(m, 1, 1, true, 0x12000000);
            const Value origin = make(m, "flash.geom.Point", {0, 0});
            call(m, target, "copyPixels",
                 {source, make(m, "flash.geom.Rectangle", {0, 0, 1, 1}), origin, mask, origin});
            return hex(m, target, 0, 0);
        }) << "112d5a78";
        QTest::newRow("scroll leaves uncovered pixels") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 3, 1, false, 0);
            call(m, surface, "setPixel", {0, 0, 0xFF});
            call(m, surface, "scroll", {1, 0});
            return hex(m, surface, 0, 0) + " " + hex(m, surface, 1, 0) + " " + hex(m, surface, 2, 0);
        }) << "ff0000ff ff0000ff ff000000";
        // The dissolve colour keeps its alpha even on an opaque surface.
        QTest::newRow("dissolve colour keeps its alpha") << Scenario([](Machine& m) {
            const Value surface = bitmap(m, 2, 1, false, 0xFFCCCCCC);
            call(m, surface, "pixelDissolve",
                 {surface, m.getMember(surface, "rectangle"), make(m, "flash.geom.Point", {0, 0}), 0, 2,
                  0x123456});
            return hex(m, surface, 0, 0) + " " + hex(m, surface, 1, 0);
        }) << "0 0";
        // What methods answer when given bad arguments.
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
    void pixels() { scenarioAnswers(); }
    // perlinNoise(baseX, baseY, octaves, seed, stitch, fractal [, channels, grey, offsets]).
    void perlinNoise_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<bool>("holds");
        QTest::newRow("same seed, same picture") << "same" << true;
        QTest::newRow("another seed, another picture") << "reseeded" << false;
        QTest::newRow("stitched noise wraps at the edges") << "stitched" << true;
        QTest::newRow("grey ignores the colour bits, alpha only when asked") << "grey" << true;
        QTest::newRow("fractal sits around mid-grey, turbulence reaches black") << "levels" << true;
        QTest::newRow("an offset shifts the lattice") << "offset" << true;
        QTest::newRow("fewer than six arguments draw nothing") << "short" << true;
    }
    void perlinNoise() {
        QFETCH(QString, property);
        QFETCH(bool, holds);
        ScriptRun run(8);
        Machine& m = *run.machine;
        constexpr int kSide = 64;
        auto noise = [&](std::vector<Value> args, bool transparent = false) {
            const Value surface = bitmap(m, kSide, kSide, transparent, 0);
            const double answer = m.toNumber(call(m, surface, "perlinNoise", args));
            std::vector<quint32> pixels;
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    pixels.push_back(quint32(qint64(m.toNumber(call(m, surface, "getPixel32", {x, y})))));
            return std::make_pair(answer, pixels);
        };
        auto channel = [](quint32 c, int shift) { return int((c >> shift) & 0xFF); };
        auto mean = [&](const std::vector<quint32>& pixels, int shift) {
            double sum = 0;
            for (quint32 c : pixels)
                sum += channel(c, shift);
            return sum / double(pixels.size());
        };
        bool result = false;
        if (property == "same" || property == "reseeded") {
            const auto a = noise({20, 20, 3, 7, false, true});
            const auto b = noise({20, 20, 3, property == "same" ? 7 : 8, false, true});
            result = a.second == b.second;
        } else if (property == "stitched") {
            // With a period of whole lattice cells the column past the right edge is column 0,
            // so neighbours across the seam differ no more than neighbours anywhere.
            const auto [answer, pixels] = noise({16, 16, 2, 5, true, true, 1});
            int seam = 0, inside = 0;
            for (int y = 0; y < kSide; ++y) {
                const quint32* row = pixels.data() + y * kSide;
                seam = std::max(seam, std::abs(channel(row[kSide - 1], 16) - channel(row[0], 16)));
                for (int x = 1; x < kSide; ++x)
                    inside = std::max(inside, std::abs(channel(row[x], 16) - channel(row[x - 1], 16)));
            }
            result = answer == 0 && seam <= inside && inside > 0;
        } else if (property == "grey") {
            const auto opaque = noise({20, 20, 2, 3, false, true, 0, true}).second;
            const auto alpha = noise({20, 20, 2, 3, false, true, 8, true}, true).second;
            bool grey = true, opaqueAlpha = true, someAlpha = false;
            for (quint32 c : opaque) {
                grey = grey && channel(c, 16) == channel(c, 8) && channel(c, 8) == channel(c, 0);
                opaqueAlpha = opaqueAlpha && channel(c, 24) == 255;
            }
            for (quint32 c : alpha)
                someAlpha = someAlpha || channel(c, 24) < 255;
            result = grey && opaqueAlpha && someAlpha && mean(opaque, 0) > 32;
        } else if (property == "levels") {
            // Turbulence folds the noise at zero, so it reaches black where fractal noise
            // passes through mid-grey.
            const auto fractal = noise({20, 20, 4, 11, false, true, 1}).second;
            const auto turbulence = noise({20, 20, 4, 11, false, false, 1}).second;
            auto darkest = [&](const std::vector<quint32>& pixels) {
                int least = 255;
                for (quint32 c : pixels)
                    least = std::min(least, channel(c, 16));
                return least;
            };
            result = std::abs(mean(fractal, 16) - 127.5) < 24 && darkest(turbulence) < 24 &&
                     darkest(fractal) > darkest(turbulence) + 24;
        } else if (property == "offset") {
            // Shifting the lattice by a whole number of pixels shifts the picture by as many.
            const Value shift = make(m, "flash.geom.Point", {5, 0});
            const Value offsets = make(m, "Array", {shift});
            const auto plain = noise({20, 20, 1, 9, false, true, 1}).second;
            const auto moved = noise({20, 20, 1, 9, false, true, 1, false, offsets}).second;
            result = moved[0] == plain[5] && moved[10 * kSide + 20] == plain[10 * kSide + 25] &&
                     moved[0] != plain[0];
        } else if (property == "short") {
            const auto [answer, pixels] = noise({20, 20, 3, 7, false});
            result = answer == -1 && pixels == std::vector<quint32>(pixels.size(), 0xFF000000u);
        }
        QCOMPARE(result, holds);
    }
};

QTEST_GUILESS_MAIN(Avm1BitmapDataTest)
#include "avm1_bitmap_data_test.moc"
