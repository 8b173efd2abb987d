// The Sound class: sounds exported by the movie, started, stopped and turned up or down by
// scripts. Each object keeps its sound, its last voice and its volume and pan in hidden
// members, so copies and subclasses behave as the object itself.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;

QString hidden(const char* name) {
    return QString::fromLatin1(name);
}

double member(CallContext& c, const char* name, double fallback) {
    Object* self = c.thisObject();
    if (!self) return fallback;
    const Value value = c.machine.getMember(self, hidden(name));
    if (value.isUndefined()) return fallback;
    const double number = c.machine.toNumber(value);
    return std::isfinite(number) ? number : fallback;
}

void setHidden(CallContext& c, const char* name, const Value& value) {
    if (Object* self = c.thisObject()) self->setOwn(hidden(name), value, kDontEnum);
}

// Sounds keep a volume and a transform of four whole percentages, as the player stores
// them (32-bit, wrapping; anything not a number is 0): how much of the left and right input
// go to each speaker. Pan is a view of the transform.
struct Transform {
    qint32 ll = 100, lr = 0, rl = 0, rr = 100;
};

qint32 wrap(qint64 value) {
    return qint32(quint32(quint64(value)));
}

qint32 intMember(CallContext& c, const char* name, qint32 fallback) {
    Object* self = c.thisObject();
    if (!self) return fallback;
    const Value value = c.machine.getMember(self, hidden(name));
    return value.isUndefined() ? fallback : toInt32(c.machine.toNumber(value));
}

Transform transformOf(CallContext& c) {
    return {intMember(c, "__ll", 100), intMember(c, "__lr", 0), intMember(c, "__rl", 0),
            intMember(c, "__rr", 100)};
}

// The gains of the two channels for a sound played as one channel (the mixer's voices take
// two gains): the left speaker gets ll + lr of it, the right rr + rl; negative is silence.
void applyGain(CallContext& c) {
    const int voice = toInt32(member(c, "__voice", 0));
    if (voice <= 0) return;
    const double volume = std::clamp(double(intMember(c, "__volume", 100)), 0.0, 400.0) / 100;
    const Transform t = transformOf(c);
    const double left = std::clamp((double(t.ll) + t.lr) / 100, 0.0, 2.0);
    const double right = std::clamp((double(t.rr) + t.rl) / 100, 0.0, 2.0);
    c.machine.host().soundGain(voice, volume * left, volume * right);
}

void setTransformMembers(CallContext& c, const Transform& t) {
    setHidden(c, "__ll", t.ll);
    setHidden(c, "__lr", t.lr);
    setHidden(c, "__rl", t.rl);
    setHidden(c, "__rr", t.rr);
    applyGain(c);
}

Value attachSound(CallContext& c) {
    const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0)));
    setHidden(c, "__sound", id);
    return Value(id != 0);
}

Value start(CallContext& c) {
    const int id = toInt32(member(c, "__sound", 0));
    if (id <= 0) return Value();
    double offset = c.args.empty() ? 0 : c.machine.toNumber(c.arg(0));
    double loops = c.args.size() < 2 ? 1 : c.machine.toNumber(c.arg(1));
    if (!std::isfinite(offset) || offset < 0) offset = 0;
    if (!std::isfinite(loops) || loops < 1) loops = 1;
    const int voice = c.machine.host().soundStart(id, offset, int(std::min(loops, 65535.0)));
    setHidden(c, "__voice", voice);
    applyGain(c);
    if (voice > 0 && c.thisObject()) c.machine.host().soundWatch(voice, c.thisObject());
    return Value();
}

Value stop(CallContext& c) {
    if (!c.args.empty()) {
        // stop("name"): every copy of that sound.
        if (const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0))))
            c.machine.host().soundStopAll(id);
        return Value();
    }
    const int id = toInt32(member(c, "__sound", 0));
    if (id > 0)
        c.machine.host().soundStopAll(id);
    else
        c.machine.host().stopSounds();
    return Value();
}

Value setVolume(CallContext& c) {
    setHidden(c, "__volume", toInt32(c.machine.toNumber(c.arg(0))));
    applyGain(c);
    return Value();
}

Value getVolume(CallContext& c) {
    return Value(intMember(c, "__volume", 100));
}

// Panning turns the far side down and leaves this one full.
Value setPan(CallContext& c) {
    const qint64 pan = toInt32(c.machine.toNumber(c.arg(0)));
    Transform t;
    if (pan >= 0)
        t.ll = wrap(100 - pan);
    else
        t.rr = wrap(100 + pan);
    setTransformMembers(c, t);
    return Value();
}

Value getPan(CallContext& c) {
    const Transform t = transformOf(c);
    if (t.ll == 100) return Value(double(wrap(std::abs(qint64(t.rr)) - 100)));
    return Value(double(wrap(100 - std::abs(qint64(t.ll)))));
}

Value setTransform(CallContext& c) {
    Object* from = c.arg(0).asObject();
    if (!from) return Value();
    auto read = [&](const char* name) {
        return toInt32(c.machine.toNumber(c.machine.getMember(from, QString::fromLatin1(name))));
    };
    setTransformMembers(c, {read("ll"), read("lr"), read("rl"), read("rr")});
    return Value();
}

Value getTransform(CallContext& c) {
    const Transform t = transformOf(c);
    Object* out = c.machine.newObject();
    out->setOwn(QStringLiteral("ll"), Value(double(t.ll)));
    out->setOwn(QStringLiteral("lr"), Value(double(t.lr)));
    out->setOwn(QStringLiteral("rl"), Value(double(t.rl)));
    out->setOwn(QStringLiteral("rr"), Value(double(t.rr)));
    return Value(out);
}

Value soundConstructor(CallContext& c) {
    Object* self = c.thisObject();
    if (!c.constructing || !self) return Value();
    self->setOwn(QStringLiteral("__target"), c.arg(0), kDontEnum);
    return self;
}

} // namespace

void installSoundClass(Machine& machine) {
    Object* prototype = machine.newObject();
    Object* sound = machine.newConstructor(soundConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("Sound"), sound, kDontEnum);
    machine.defineMethod(prototype, QStringLiteral("attachSound"), attachSound);
    machine.defineMethod(prototype, QStringLiteral("start"), start);
    machine.defineMethod(prototype, QStringLiteral("stop"), stop);
    machine.defineMethod(prototype, QStringLiteral("setVolume"), setVolume);
    machine.defineMethod(prototype, QStringLiteral("getVolume"), getVolume);
    machine.defineMethod(prototype, QStringLiteral("setPan"), setPan);
    machine.defineMethod(prototype, QStringLiteral("getPan"), getPan);
    machine.defineMethod(prototype, QStringLiteral("setTransform"), setTransform);
    machine.defineMethod(prototype, QStringLiteral("getTransform"), getTransform);
    // Read through getters, as the player computes them: milliseconds.
    prototype->setOwn(QStringLiteral("duration"), Value(), kDontEnum | kDontDelete);
    prototype->findOwn(QStringLiteral("duration"))->getter = machine.newNativeFunction([](CallContext& c) {
        const int id = toInt32(member(c, "__sound", 0));
        return id > 0 ? Value(std::round(c.machine.host().soundDurationMs(id))) : Value();
    });
    prototype->setOwn(QStringLiteral("position"), Value(), kDontEnum | kDontDelete);
    prototype->findOwn(QStringLiteral("position"))->getter = machine.newNativeFunction([](CallContext& c) {
        const int voice = toInt32(member(c, "__voice", 0));
        return voice > 0 ? Value(std::round(c.machine.host().soundPositionMs(voice))) : Value(0);
    });
}

// System: what the player is and allows. A desktop player of local files: no camera or
// microphone, Chinese by default, any domain allowed (loads are kept to the movie's folder
// by the host anyway), and text files read as Unicode unless useCodepage says otherwise.
void installSystem(Machine& machine) {
    Object* system = machine.newObject();
    machine.global()->setOwn(QStringLiteral("System"), system, kDontEnum);
    system->setOwn(QStringLiteral("useCodepage"), false);
    Object* capabilities = machine.newObject();
    system->setOwn(QStringLiteral("capabilities"), capabilities);
    const std::pair<const char*, Value> facts[] = {
        {"language", Value(QStringLiteral("zh-CN"))},
        {"os", Value(QStringLiteral("Linux"))},
        {"manufacturer", Value(QStringLiteral("Vantrel"))},
        {"playerType", Value(QStringLiteral("StandAlone"))},
        {"version", Value(QStringLiteral("LNX 8,0,0,0"))},
        {"hasAudio", Value(true)},
        {"hasMP3", Value(true)},
        {"hasVideoEncoder", Value(false)},
        {"hasAudioEncoder", Value(false)},
        {"isDebugger", Value(false)},
        {"localFileReadDisable", Value(false)},
        {"screenResolutionX", Value(1920)},
        {"screenResolutionY", Value(1080)},
        {"pixelAspectRatio", Value(1)},
        {"screenColor", Value(QStringLiteral("color"))},
    };
    for (const auto& [name, value] : facts)
        capabilities->setOwn(QString::fromLatin1(name), value, kDontDelete);
    Object* security = machine.newObject();
    system->setOwn(QStringLiteral("security"), security);
    for (const char* name : {"allowDomain", "allowInsecureDomain", "loadPolicyFile"})
        machine.defineMethod(security, QString::fromLatin1(name), [](CallContext&) { return Value(); });
    machine.defineMethod(system, QStringLiteral("showSettings"), [](CallContext&) { return Value(); });
    machine.defineMethod(system, QStringLiteral("setClipboard"), [](CallContext&) { return Value(false); });
}

} // namespace swf::avm1
