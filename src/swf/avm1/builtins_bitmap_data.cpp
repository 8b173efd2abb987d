// flash.display.BitmapData: a script-owned surface. Its methods answer numbers the way the
// player's natives do: -1 for a dead surface or too few arguments, other negatives for an
// argument of the wrong kind, 0 (or a result) otherwise.
#include "swf/avm1/bitmap_data.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/builtins_geom.h"
#include "swf/avm1/color_transform_data.h"
#include "swf/raster/pixel_effects.h"
#include "swf/raster/pixel_ops.h"

#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;

BitmapDataState* stateOf(const Value& value) {
    Object* object = value.asObject();
    return object ? dynamic_cast<BitmapDataState*>(object->nativeData()) : nullptr;
}

raster::Pixels* livePixels(CallContext& c) {
    BitmapDataState* state = stateOf(c.thisValue);
    return state && state->pixels ? state->pixels.get() : nullptr;
}

int argInt(CallContext& c, std::size_t index) {
    return toInt32(argNumber(c, index));
}

std::uint32_t argColour(CallContext& c, std::size_t index) {
    return std::uint32_t(toInt32(argNumber(c, index)));
}

// Any object with x, y, width and height will do; one of them missing makes it no rectangle.
std::optional<raster::Rect> rectOf(CallContext& c, const Value& value) {
    if (!value.asObject()) return std::nullopt;
    int fields[4];
    const char* names[] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const Value member = c.machine.getMember(value, QString::fromLatin1(names[i]));
        if (member.isUndefined()) return std::nullopt;
        fields[i] = toInt32(c.machine.toNumber(member));
    }
    return raster::Rect{fields[0], fields[1], fields[2], fields[3]};
}

bool hasMembers(CallContext& c, const Value& value, std::initializer_list<const char*> names) {
    if (!value.asObject()) return false;
    for (const char* name : names)
        if (c.machine.getMember(value, QString::fromLatin1(name)).isUndefined()) return false;
    return true;
}

// A point that is not an object stands for the origin.
std::pair<int, int> pointOf(CallContext& c, const Value& value) {
    if (!value.asObject()) return {0, 0};
    return {toInt32(geom::member(c, value, "x")), toInt32(geom::member(c, value, "y"))};
}

Value geomObject(CallContext& c, const char* className, std::initializer_list<Value> args) {
    const Property* flash = c.machine.global()->findOwn(QStringLiteral("flash"));
    if (!flash) return Value();
    const Value constructor = c.machine.getMember(c.machine.getMember(flash->value, QStringLiteral("geom")),
                                                  QString::fromLatin1(className));
    return c.machine.construct(constructor, std::span<const Value>(args.begin(), args.size()));
}

// A new BitmapData object around pixels, built by the class's own constructor so that its
// prototype chain is the one scripts see.
Value wrapPixels(CallContext& c, raster::Pixels pixels) {
    // The new pixels are counted already: the room must hold them twice to keep them.
    if (!raster::roomFor(pixels.width(), pixels.height())) return Value();
    const Value constructor = c.machine.getMember(c.thisValue, QStringLiteral("constructor"));
    const Value args[] = {1, 1};
    const Value result = c.machine.construct(constructor, args);
    if (BitmapDataState* state = stateOf(result))
        state->pixels = std::make_shared<raster::Pixels>(std::move(pixels));
    return result;
}

using Method = Value (*)(CallContext&, raster::Pixels&);

// Dead surfaces and calls with fewer than `minimum` arguments answer -1 before the method runs.
void defineMethod(Machine& machine, Object* prototype, const char* name, std::size_t minimum, Method method) {
    machine.defineMethod(prototype, QString::fromLatin1(name), [minimum, method](CallContext& c) {
        raster::Pixels* pixels = livePixels(c);
        if (!pixels || c.args.size() < minimum) return Value(-1);
        return method(c, *pixels);
    });
}

Value getPixel(CallContext& c, raster::Pixels& pixels, bool withAlpha) {
    const int x = argInt(c, 0), y = argInt(c, 1);
    if (!pixels.contains(x, y)) return Value(0);
    const std::uint32_t colour = pixels.pixel32(x, y);
    return withAlpha ? Value(std::int32_t(colour)) : Value(std::int32_t(colour & 0xFFFFFF));
}

// The source, rectangle and point most effects start with; nullopt when one is missing.
struct Region {
    raster::PixelsPtr source;
    raster::Rect rect;
    int toX = 0, toY = 0;
};
std::optional<Region> regionOf(CallContext& c) {
    Region region;
    region.source = bitmapPixels(c.arg(0));
    const std::optional<raster::Rect> rect = rectOf(c, c.arg(1));
    if (!region.source || !rect) return std::nullopt;
    region.rect = *rect;
    std::tie(region.toX, region.toY) = pointOf(c, c.arg(2));
    return region;
}

std::vector<std::uint32_t> tableOf(CallContext& c, const Value& value) {
    std::vector<std::uint32_t> table;
    if (!value.asObject()) return table;
    for (const Value& element : arrayElements(c.machine, value)) {
        table.push_back(std::uint32_t(toInt32(c.machine.toNumber(element))));
        if (table.size() == 256) break;
    }
    return table;
}

void installEffects(Machine& machine, Object* prototype) {
    // threshold(source, rect, point, operation, threshold [, colour, mask, copySource])
    defineMethod(machine, prototype, "threshold", 5, [](CallContext& c, raster::Pixels& p) {
        const std::optional<Region> region = regionOf(c);
        const std::optional<raster::Comparison> comparison =
            raster::comparisonNamed(argString(c, 3).toLatin1().constData());
        if (!region || !comparison) return Value(0);
        raster::ThresholdTest test;
        test.comparison = *comparison;
        test.threshold = argColour(c, 4);
        test.colour = argColour(c, 5);
        test.mask = c.args.size() > 6 ? argColour(c, 6) : 0xFFFFFFFFu;
        test.copySource = c.machine.toBoolean(c.arg(7));
        return Value(raster::threshold(p, *region->source, region->rect, region->toX, region->toY, test));
    });
    defineMethod(machine, prototype, "copyChannel", 5, [](CallContext& c, raster::Pixels& p) {
        if (const std::optional<Region> region = regionOf(c))
            raster::copyChannel(p, *region->source, region->rect, region->toX, region->toY, argInt(c, 3),
                                argInt(c, 4));
        return Value();
    });
    defineMethod(machine, prototype, "merge", 7, [](CallContext& c, raster::Pixels& p) {
        if (const std::optional<Region> region = regionOf(c))
            raster::merge(p, *region->source, region->rect, region->toX, region->toY,
                          {argInt(c, 3), argInt(c, 4), argInt(c, 5), argInt(c, 6)});
        return Value();
    });
    defineMethod(machine, prototype, "paletteMap", 3, [](CallContext& c, raster::Pixels& p) {
        if (const std::optional<Region> region = regionOf(c))
            raster::paletteMap(
                p, *region->source, region->rect, region->toX, region->toY,
                {tableOf(c, c.arg(3)), tableOf(c, c.arg(4)), tableOf(c, c.arg(5)), tableOf(c, c.arg(6))});
        return Value();
    });
    // noise(seed [, low, high, channels, greyscale])
    defineMethod(machine, prototype, "noise", 1, [](CallContext& c, raster::Pixels& p) {
        raster::noise(p, argInt(c, 0), c.args.size() > 1 ? argInt(c, 1) : 0,
                      c.args.size() > 2 ? argInt(c, 2) : 255, c.args.size() > 3 ? argInt(c, 3) : 7,
                      c.machine.toBoolean(c.arg(4)));
        return Value();
    });
    // perlinNoise(baseX, baseY, numOctaves, randomSeed, stitch, fractalNoise [, channelOptions,
    // grayScale, offsets])
    defineMethod(machine, prototype, "perlinNoise", 6, [](CallContext& c, raster::Pixels& p) {
        raster::PerlinOptions options;
        auto finite = [](double d) { return std::isfinite(d) ? d : 0.0; };
        options.baseX = finite(argNumber(c, 0));
        options.baseY = finite(argNumber(c, 1));
        options.octaves = argInt(c, 2);
        options.seed = argInt(c, 3);
        options.stitch = c.machine.toBoolean(c.arg(4));
        options.fractal = c.machine.toBoolean(c.arg(5));
        options.channels = c.args.size() > 6 ? argInt(c, 6) : 7;
        options.grey = c.machine.toBoolean(c.arg(7));
        for (const Value& point : arrayElements(c.machine, c.arg(8)))
            options.offsets.emplace_back(finite(geom::member(c, point, "x")),
                                         finite(geom::member(c, point, "y")));
        raster::perlinNoise(p, options);
        return Value(0);
    });
    defineMethod(machine, prototype, "getColorBoundsRect", 2, [](CallContext& c, raster::Pixels& p) {
        const bool find = c.args.size() < 3 || c.machine.toBoolean(c.arg(2));
        const raster::Rect box = raster::colorBounds(p, argColour(c, 0), argColour(c, 1), find);
        return geomObject(c, "Rectangle", {Value(box.x), Value(box.y), Value(box.width), Value(box.height)});
    });
}

void installMethods(Machine& machine, Object* prototype) {
    defineMethod(machine, prototype, "getPixel", 2,
                 [](CallContext& c, raster::Pixels& p) { return getPixel(c, p, false); });
    defineMethod(machine, prototype, "getPixel32", 2,
                 [](CallContext& c, raster::Pixels& p) { return getPixel(c, p, true); });
    defineMethod(machine, prototype, "setPixel", 3, [](CallContext& c, raster::Pixels& p) {
        const int x = argInt(c, 0), y = argInt(c, 1);
        if (p.contains(x, y)) {
            p.setPixel32(x, y, (p.pixel32(x, y) & 0xFF000000u) | (argColour(c, 2) & 0xFFFFFF));
            p.touch();
        }
        return Value(0);
    });
    defineMethod(machine, prototype, "setPixel32", 3, [](CallContext& c, raster::Pixels& p) {
        const int x = argInt(c, 0), y = argInt(c, 1);
        if (p.contains(x, y)) {
            p.setPixel32(x, y, argColour(c, 2));
            p.touch();
        }
        return Value(0);
    });
    defineMethod(machine, prototype, "fillRect", 2, [](CallContext& c, raster::Pixels& p) {
        const std::optional<raster::Rect> rect = rectOf(c, c.arg(0));
        if (!rect) return Value(-1);
        raster::fillRect(p, *rect, argColour(c, 1));
        return Value(0);
    });
    defineMethod(machine, prototype, "floodFill", 3, [](CallContext& c, raster::Pixels& p) {
        return Value(raster::floodFill(p, argInt(c, 0), argInt(c, 1), argColour(c, 2)) ? 1 : 0);
    });
    defineMethod(machine, prototype, "scroll", 2, [](CallContext& c, raster::Pixels& p) {
        raster::scroll(p, argInt(c, 0), argInt(c, 1));
        return Value(0);
    });
    defineMethod(machine, prototype, "copyPixels", 3, [](CallContext& c, raster::Pixels& p) {
        BitmapDataState* source = stateOf(c.arg(0));
        if (!source) return Value(-2);
        if (!source->pixels) return Value(-3);
        const std::optional<raster::Rect> rect = rectOf(c, c.arg(1));
        if (!rect) return Value(-4);
        const auto [toX, toY] = pointOf(c, c.arg(2));
        raster::CopySource from{source->pixels.get(), *rect};
        // The alpha bitmap counts only with a point to place it.
        if (raster::PixelsPtr alpha = c.args.size() > 4 ? bitmapPixels(c.arg(3)) : nullptr) {
            from.alpha = alpha.get();
            std::tie(from.alphaX, from.alphaY) = pointOf(c, c.arg(4));
        }
        from.mergeAlpha = c.machine.toBoolean(c.arg(5));
        raster::copyPixels(p, from, toX, toY);
        return Value(0);
    });
    // Answers -1 even when it did its work, as the player's native does.
    defineMethod(machine, prototype, "colorTransform", 2, [](CallContext& c, raster::Pixels& p) {
        const std::optional<raster::Rect> rect = rectOf(c, c.arg(0));
        if (!rect) return Value(-2);
        const ColorTransformData* transform = colorTransformData(c.arg(1));
        if (!transform) return Value(-3);
        raster::colorTransform(p, *rect, transform->values);
        return Value(-1);
    });
    defineMethod(machine, prototype, "compare", 1, [](CallContext& c, raster::Pixels& p) {
        const raster::PixelsPtr other = bitmapPixels(c.arg(0));
        if (!other) return Value(-2);
        if (other->width() != p.width()) return Value(-3);
        if (other->height() != p.height()) return Value(-4);
        std::optional<raster::Pixels> difference = raster::compare(p, *other);
        if (!difference) return Value(0);
        return wrapPixels(c, std::move(*difference));
    });
    defineMethod(machine, prototype, "hitTest", 0, [](CallContext& c, raster::Pixels& p) {
        if (!hasMembers(c, c.arg(0), {"x", "y"})) return Value(-2);
        const auto [x, y] = pointOf(c, c.arg(0));
        const int threshold = argInt(c, 1);
        const Value second = c.arg(2);
        if (stateOf(second)) {
            // Against a surface the first point must be a real Point, not any object with x and y.
            const Value pointClass = c.machine.getMember(
                c.machine.getMember(c.machine.getMember(c.machine.global(), QStringLiteral("flash")),
                                    QStringLiteral("geom")),
                QStringLiteral("Point"));
            if (!pointClass.asObject() || !c.machine.instanceOf(c.arg(0), pointClass.asObject()))
                return Value(-2);
            const raster::PixelsPtr other = bitmapPixels(second);
            if (!other) return Value(-3);
            if (!hasMembers(c, c.arg(3), {"x", "y"})) return Value(-4);
            const auto [otherX, otherY] = pointOf(c, c.arg(3));
            return Value(raster::hitsSurface(p, x, y, threshold, *other, otherX, otherY, argInt(c, 4)));
        }
        if (const std::optional<raster::Rect> rect = rectOf(c, second))
            return Value(raster::hitsArea(p, {rect->x - x, rect->y - y, rect->width, rect->height},
                                          std::max(threshold, 0)));
        if (!hasMembers(c, second, {"x", "y"})) return Value(-3);
        const auto [pointX, pointY] = pointOf(c, second);
        // A single point never hits a clear pixel, whatever the threshold; an area may.
        return Value(raster::hitsArea(p, {pointX - x, pointY - y, 1, 1}, std::max(threshold, 1)));
    });
    // pixelDissolve(source, sourceRect, destPoint [, randomSeed, numPixels, fillColor]): answers
    // the seed for the next call. Without a count a thirtieth of the area goes.
    defineMethod(machine, prototype, "pixelDissolve", 3, [](CallContext& c, raster::Pixels& p) {
        const raster::PixelsPtr source = bitmapPixels(c.arg(0));
        if (!source) return Value(-1);
        const std::optional<raster::Rect> rect = rectOf(c, c.arg(1));
        if (!rect) return Value(-4);
        const auto [toX, toY] = pointOf(c, c.arg(2));
        const int count =
            c.args.size() > 4 ? argInt(c, 4) : std::max(0, rect->width) * std::max(0, rect->height) / 30;
        return Value(
            raster::pixelDissolve(p, source.get(), *rect, toX, toY, argInt(c, 3), count, argColour(c, 5)));
    });
    installEffects(machine, prototype);
    defineMethod(machine, prototype, "clone", 0,
                 [](CallContext& c, raster::Pixels& p) { return wrapPixels(c, raster::Pixels(p)); });
    machine.defineMethod(prototype, QStringLiteral("dispose"), [](CallContext& c) {
        BitmapDataState* state = stateOf(c.thisValue);
        if (state && state->pixels) {
            state->pixels->release();
            state->pixels.reset();
        }
        return Value();
    });
}

// The size members of a dead surface read -1.
void installAccessors(Machine& machine, Object* prototype) {
    geom::defineAccessor(machine, prototype, "width", [](CallContext& c) {
        raster::Pixels* p = livePixels(c);
        return Value(p ? p->width() : -1);
    });
    geom::defineAccessor(machine, prototype, "height", [](CallContext& c) {
        raster::Pixels* p = livePixels(c);
        return Value(p ? p->height() : -1);
    });
    geom::defineAccessor(machine, prototype, "transparent", [](CallContext& c) {
        raster::Pixels* p = livePixels(c);
        return p ? Value(p->transparent()) : Value(-1);
    });
    geom::defineAccessor(machine, prototype, "rectangle", [](CallContext& c) {
        raster::Pixels* p = livePixels(c);
        if (!p) return Value(-1);
        return geomObject(c, "Rectangle", {Value(0), Value(0), Value(p->width()), Value(p->height())});
    });
}

} // namespace

raster::PixelsPtr bitmapPixels(const Value& value) {
    BitmapDataState* state = stateOf(value);
    return state ? state->pixels : nullptr;
}

void installBitmapDataClass(Machine& machine) {
    const Value flash = machine.global()->findOwn(QStringLiteral("flash"))->value;
    Object* display = machine.newObject();
    flash.asObject()->setOwn(QStringLiteral("display"), display, kDontEnum);
    Object* prototype = machine.newObject();
    // A size out of range makes `new` answer undefined, not a dead surface.
    Object* constructor = machine.newConstructor(
        [](CallContext& c) {
            Object* self = c.thisObject();
            if (!c.constructing || !self) return Value();
            const int width = argInt(c, 0), height = argInt(c, 1);
            if (!raster::validSize(width, height, c.machine.swfVersion()) ||
                !raster::roomFor(width, height)) {
                c.refused = true;
                return Value();
            }
            const bool transparent = c.args.size() < 3 || c.machine.toBoolean(c.arg(2));
            const std::uint32_t fill = c.args.size() < 4 ? 0xFFFFFFFFu : argColour(c, 3);
            auto state = std::make_unique<BitmapDataState>();
            state->pixels = std::make_shared<raster::Pixels>(width, height, transparent, fill);
            self->setNativeData(std::move(state));
            return c.thisValue;
        },
        prototype);
    display->setOwn(QStringLiteral("BitmapData"), constructor, kDontEnum);
    installAccessors(machine, prototype);
    installMethods(machine, prototype);
}

} // namespace swf::avm1
