// The Color class: a clip's colour transform read and written through its target.
#include "swf/avm1/builtins.h"

#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;
constexpr std::uint8_t kLocked = kDontEnum | kDontDelete | kReadOnly;

// The target is looked up on each call: a path names whatever clip has it now.
Target colorTarget(CallContext& context) {
    Object* self = context.thisObject();
    if (!self) return nullptr;
    const Value target = context.machine.getMember(self, QStringLiteral("target"));
    if (Object* object = target.asObject()) return object->kind() == ObjectKind::Clip ? object : nullptr;
    if (target.isNullish()) return nullptr;
    return context.machine.host().resolveTarget(context.machine.toString(target), nullptr);
}

int channel(double offset) {
    return toInt32(offset) & 0xFF;
}

Value getRgb(CallContext& context) {
    const auto color = context.machine.host().clipColor(colorTarget(context));
    if (!color) return Value();
    return (channel(color->redOffset) << 16) | (channel(color->greenOffset) << 8) |
           channel(color->blueOffset);
}

Value setRgb(CallContext& context) {
    const Target target = colorTarget(context);
    auto color = context.machine.host().clipColor(target);
    if (!color || context.args.empty()) return Value();
    const std::uint32_t rgb = toUint32(argNumber(context, 0));
    color->redMultiplier = color->greenMultiplier = color->blueMultiplier = 0;
    color->redOffset = (rgb >> 16) & 0xFF;
    color->greenOffset = (rgb >> 8) & 0xFF;
    color->blueOffset = rgb & 0xFF;
    context.machine.host().setClipColor(target, *color);
    return Value();
}

struct Field {
    const char* name;
    double ClipColor::*member;
};
constexpr Field kFields[] = {{"ra", &ClipColor::redMultiplier},   {"rb", &ClipColor::redOffset},
                             {"ga", &ClipColor::greenMultiplier}, {"gb", &ClipColor::greenOffset},
                             {"ba", &ClipColor::blueMultiplier},  {"bb", &ClipColor::blueOffset},
                             {"aa", &ClipColor::alphaMultiplier}, {"ab", &ClipColor::alphaOffset}};

Value getTransform(CallContext& context) {
    const auto color = context.machine.host().clipColor(colorTarget(context));
    if (!color) return Value();
    Object* result = context.machine.newObject();
    for (const Field& field : kFields)
        result->setOwn(QString::fromLatin1(field.name), (*color).*field.member);
    return result;
}

// Only the members the object has change; the others keep their value.
Value setTransform(CallContext& context) {
    const Target target = colorTarget(context);
    auto color = context.machine.host().clipColor(target);
    Object* source = context.arg(0).asObject();
    if (!color || !source) return Value();
    for (const Field& field : kFields) {
        const QString name = QString::fromLatin1(field.name);
        if (!context.machine.hasProperty(source, name)) continue;
        const double value = context.machine.toNumber(context.machine.getMember(source, name));
        (*color).*field.member = std::isfinite(value) ? value : 0;
    }
    context.machine.host().setClipColor(target, *color);
    return Value();
}

Value colorConstructor(CallContext& context) {
    Object* self = context.thisObject();
    if (!context.constructing || !self) return Value();
    self->setOwn(QStringLiteral("target"), context.arg(0));
    for (Property& property : self->properties())
        property.flags |= kLocked;
    self->setProtoFlags(self->protoFlags() | kLocked);
    return self;
}

} // namespace

void installColorClass(Machine& machine) {
    Object* prototype = machine.newObject();
    Object* color = machine.newConstructor(colorConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("Color"), color, kDontEnum);
    machine.defineMethod(prototype, QStringLiteral("getRGB"), getRgb);
    machine.defineMethod(prototype, QStringLiteral("getTransform"), getTransform);
    machine.defineMethod(prototype, QStringLiteral("setRGB"), setRgb);
    machine.defineMethod(prototype, QStringLiteral("setTransform"), setTransform);
    for (Property& property : prototype->properties())
        property.flags |= kLocked;
    prototype->setProtoFlags(prototype->protoFlags() | kLocked);
}

} // namespace swf::avm1
