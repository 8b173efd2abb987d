// Camera and Microphone. The player captures nothing, so each class hands out one device
// that is there but muted, as the reference reports a device the user has not allowed: no
// picture (sizes and rates -1), no activity, and settings that keep what scripts give them.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace swf::avm1 {

namespace {

using namespace property_flags;

Value settingOf(CallContext& c, int index, double fallback) {
    if (index >= int(c.args.size()) || c.arg(size_t(index)).isUndefined()) return Value(fallback);
    const double number = c.machine.toNumber(c.arg(size_t(index)));
    return Value(std::isfinite(number) ? number : fallback);
}

double numberOn(Machine& machine, Object* object, const char* name) {
    return machine.toNumber(machine.getMember(Value(object), QString::fromLatin1(name)));
}

// A capture class: a constructor whose prototype carries the setters from SWF 6 on, and a
// get() that makes the one device on first use and fills the prototype with its state.
Object* installDevice(Machine& machine, const char* className,
                      const std::vector<std::pair<const char*, NativeFunction>>& setters,
                      std::vector<std::pair<const char*, Value>> state) {
    Object* prototype = machine.newObject();
    Object* constructor = machine.newConstructor([](CallContext&) { return Value(); }, prototype);
    machine.global()->setOwn(QString::fromLatin1(className), constructor, kDontEnum);
    for (const auto& [name, function] : setters) {
        machine.defineMethod(prototype, QString::fromLatin1(name), function);
        prototype->findOwn(QString::fromLatin1(name))->flags |= kVersion6Up;
    }
    auto device = std::make_shared<Object*>(nullptr);
    Object* get = machine.newConstructor(
        [prototype, device, state](CallContext& c) {
            if (!*device) {
                for (const auto& [name, value] : state)
                    prototype->setOwn(QString::fromLatin1(name), value, kDontEnum | kDontDelete);
                *device = c.machine.newObject(ObjectKind::Plain, prototype);
                (*device)->pin(); // the device lives as long as the movie
            }
            return Value(*device);
        },
        machine.newObject());
    constructor->setOwn(QStringLiteral("get"), Value(get));
    constructor->setOwn(QStringLiteral("names"), Value(machine.newArray()), kDontEnum | kDontDelete);
    return prototype;
}

} // namespace

void installCaptureClasses(Machine& machine) {
    // A setter writing its arguments to the device, each kept when not given.
    auto assign = [](std::vector<std::pair<const char*, double>> defaults) {
        return [defaults = std::move(defaults)](CallContext& c) {
            Object* self = c.thisObject();
            if (!self) return Value();
            int index = 0;
            for (const auto& [name, fallback] : defaults) {
                const double kept = numberOn(c.machine, self, name);
                Value value = settingOf(c, index++, std::isfinite(kept) ? kept : fallback);
                // Levels and qualities are percentages.
                if (QByteArrayView(name).endsWith("Level") || qstrcmp(name, "quality") == 0 ||
                    qstrcmp(name, "gain") == 0)
                    value = Value(std::clamp(value.asNumber(), 0.0, 100.0));
                self->setOwn(QString::fromLatin1(name), value);
            }
            return Value();
        };
    };
    installDevice(machine, "Camera",
                  {{"setCursor", [](CallContext&) { return Value(); }},
                   {"setKeyFrameInterval", [](CallContext&) { return Value(); }},
                   {"setLoopback", [](CallContext&) { return Value(); }},
                   // The mode asks for a size and rate this device cannot give: they stay -1.
                   {"setMode", [](CallContext&) { return Value(); }},
                   {"setMotionLevel", assign({{"motionLevel", 50}, {"motionTimeout", 2000}})},
                   {"setQuality", assign({{"bandwidth", 16384}, {"quality", 0}})}},
                  {{"activityLevel", Value(-1.0)},
                   {"bandwidth", Value(16384.0)},
                   {"currentFps", Value(0.0)},
                   {"fps", Value(-1.0)},
                   {"height", Value(-1.0)},
                   {"index", Value(QStringLiteral("0"))},
                   {"motionLevel", Value(50.0)},
                   {"motionTimeout", Value(2000.0)},
                   {"muted", Value(true)},
                   {"name", Value(QString())},
                   {"quality", Value(0.0)},
                   {"width", Value(-1.0)}});
    installDevice(machine, "Microphone",
                  {{"setGain", assign({{"gain", 50}})},
                   {"setRate", assign({{"rate", 8}})},
                   {"setSilenceLevel", assign({{"silenceLevel", 10}, {"silenceTimeout", 2000}})},
                   {"setUseEchoSuppression",
                    [](CallContext& c) {
                        if (Object* self = c.thisObject())
                            self->setOwn(QStringLiteral("useEchoSuppression"),
                                         Value(c.machine.toBoolean(c.arg(0))));
                        return Value();
                    }}},
                  {{"activityLevel", Value(-1.0)},
                   {"gain", Value(50.0)},
                   {"index", Value(0.0)},
                   {"muted", Value(true)},
                   {"name", Value(QString())},
                   {"rate", Value(8.0)},
                   {"silenceLevel", Value(10.0)},
                   {"silenceTimeout", Value(2000.0)},
                   {"useEchoSuppression", Value(0.0)}});
}

} // namespace swf::avm1
