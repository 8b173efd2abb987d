// flash.geom.ColorTransform: eight numbers in native state behind accessors that only SWF 8
// movies see, and rgb, which reads and writes the offsets as one colour.
#include "swf/avm1/builtins_geom.h"
#include "swf/avm1/color_transform_data.h"

namespace swf::avm1 {

namespace {

using namespace property_flags;

const char* const kNames[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                              "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};

ColorTransformData* dataOf(const Value& value) {
    Object* object = value.asObject();
    return object ? dynamic_cast<ColorTransformData*>(object->nativeData()) : nullptr;
}

} // namespace

const ColorTransformData* colorTransformData(const Value& value) {
    return dataOf(value);
}

namespace geom {

void installColorTransform(Machine& machine, Object* geom) {
    Object* prototype = machine.newObject();
    // Fewer than all eight arguments leave the identity: none of them is converted.
    Object* constructor = machine.newConstructor(
        [](CallContext& c) {
            Object* self = c.thisObject();
            if (!c.constructing || !self) return Value();
            auto data = std::make_unique<ColorTransformData>();
            if (c.args.size() >= 8)
                for (std::size_t i = 0; i < 8; ++i)
                    data->values[i] = argNumber(c, i);
            self->setNativeData(std::move(data));
            return c.thisValue;
        },
        prototype);
    geom->setOwn(QStringLiteral("ColorTransform"), constructor, kDontEnum);
    for (std::size_t i = 0; i < 8; ++i) {
        defineAccessor(
            machine, prototype, kNames[i],
            [i](CallContext& c) {
                const ColorTransformData* data = dataOf(c.thisValue);
                return data ? Value(data->values[i]) : Value();
            },
            [i](CallContext& c) {
                if (ColorTransformData* data = dataOf(c.thisValue)) data->values[i] = argNumber(c, 0);
                return Value();
            });
    }
    // The offsets as a colour, each truncated to an integer and not masked.
    defineAccessor(
        machine, prototype, "rgb",
        [](CallContext& c) {
            const ColorTransformData* data = dataOf(c.thisValue);
            if (!data) return Value();
            return Value((toInt32(data->values[4]) << 16) | (toInt32(data->values[5]) << 8) |
                         toInt32(data->values[6]));
        },
        [](CallContext& c) {
            ColorTransformData* data = dataOf(c.thisValue);
            if (!data) return Value();
            const std::int32_t rgb = toInt32(argNumber(c, 0));
            data->values[0] = data->values[1] = data->values[2] = 0;
            data->values[4] = (rgb >> 16) & 0xFF;
            data->values[5] = (rgb >> 8) & 0xFF;
            data->values[6] = rgb & 0xFF;
            return Value();
        });
    for (Property& property : prototype->properties())
        if (property.isAccessor()) property.flags |= kVersion8Up;
    machine.defineMethod(prototype, QStringLiteral("toString"), [](CallContext& c) {
        return describe(c, {{"redMultiplier", "redMultiplier"},
                            {"greenMultiplier", "greenMultiplier"},
                            {"blueMultiplier", "blueMultiplier"},
                            {"alphaMultiplier", "alphaMultiplier"},
                            {"redOffset", "redOffset"},
                            {"greenOffset", "greenOffset"},
                            {"blueOffset", "blueOffset"},
                            {"alphaOffset", "alphaOffset"}});
    });
    // This transform applied after the other one.
    machine.defineMethod(prototype, QStringLiteral("concat"), [](CallContext& c) {
        ColorTransformData* self = dataOf(c.thisValue);
        const ColorTransformData* other = dataOf(c.arg(0));
        if (!self || !other) return Value();
        for (std::size_t i = 0; i < 4; ++i) {
            self->values[i + 4] += self->values[i] * other->values[i + 4];
            self->values[i] *= other->values[i];
        }
        return Value();
    });
}

} // namespace geom

} // namespace swf::avm1
