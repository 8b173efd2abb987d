// The Sound class: sounds exported by the movie, started, stopped and turned up or down by
// scripts. Each object keeps its sound, its last voice and its volume and pan in hidden
// members, so copies and subclasses behave as the object itself.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;

QString hidden(const char* name) { return QString::fromLatin1(name); }

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

// Volume 0..100 (louder is allowed up to a bound) and pan -100..100 to the gains of the two
// channels: panning turns the other side down, never this one up.
void applyGain(CallContext& c) {
    const int voice = int(member(c, "__voice", 0));
    if (voice <= 0) return;
    const double volume = std::clamp(member(c, "__volume", 100), 0.0, 400.0) / 100;
    const double pan = std::clamp(member(c, "__pan", 0), -100.0, 100.0);
    const double left = volume * (pan > 0 ? 1 - pan / 100 : 1);
    const double right = volume * (pan < 0 ? 1 + pan / 100 : 1);
    c.machine.host().soundGain(voice, left, right);
}

Value attachSound(CallContext& c) {
    const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0)));
    setHidden(c, "__sound", id);
    return Value(id != 0);
}

Value start(CallContext& c) {
    const int id = int(member(c, "__sound", 0));
    if (id <= 0) return Value();
    double offset = c.args.empty() ? 0 : c.machine.toNumber(c.arg(0));
    double loops = c.args.size() < 2 ? 1 : c.machine.toNumber(c.arg(1));
    if (!std::isfinite(offset) || offset < 0) offset = 0;
    if (!std::isfinite(loops) || loops < 1) loops = 1;
    const int voice = c.machine.host().soundStart(id, offset, int(std::min(loops, 65535.0)));
    setHidden(c, "__voice", voice);
    applyGain(c);
    return Value();
}

Value stop(CallContext& c) {
    if (!c.args.empty()) {
        // stop("name"): every copy of that sound.
        if (const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0)))) c.machine.host().soundStopAll(id);
        return Value();
    }
    const int id = int(member(c, "__sound", 0));
    if (id > 0)
        c.machine.host().soundStopAll(id);
    else
        c.machine.host().stopSounds();
    return Value();
}

Value setVolume(CallContext& c) {
    setHidden(c, "__volume", c.machine.toNumber(c.arg(0)));
    applyGain(c);
    return Value();
}

Value setPan(CallContext& c) {
    setHidden(c, "__pan", c.machine.toNumber(c.arg(0)));
    applyGain(c);
    return Value();
}

Value getVolume(CallContext& c) { return Value(member(c, "__volume", 100)); }
Value getPan(CallContext& c) { return Value(member(c, "__pan", 0)); }

Value soundConstructor(CallContext& c) {
    Object* self = c.thisObject();
    if (!c.constructing || !self) return Value();
    self->setOwn(QStringLiteral("__target"), c.arg(0), kDontEnum);
    return self;
}

}  // namespace

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
    // Read through getters, as the player computes them: milliseconds.
    prototype->setOwn(QStringLiteral("duration"), Value(), kDontEnum | kDontDelete);
    prototype->findOwn(QStringLiteral("duration"))->getter = machine.newNativeFunction([](CallContext& c) {
        const int id = int(member(c, "__sound", 0));
        return id > 0 ? Value(std::round(c.machine.host().soundDurationMs(id))) : Value();
    });
    prototype->setOwn(QStringLiteral("position"), Value(), kDontEnum | kDontDelete);
    prototype->findOwn(QStringLiteral("position"))->getter = machine.newNativeFunction([](CallContext& c) {
        const int voice = int(member(c, "__voice", 0));
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
    for (const auto& [name, value] : facts) capabilities->setOwn(QString::fromLatin1(name), value, kDontDelete);
    Object* security = machine.newObject();
    system->setOwn(QStringLiteral("security"), security);
    for (const char* name : {"allowDomain", "allowInsecureDomain", "loadPolicyFile"})
        machine.defineMethod(security, QString::fromLatin1(name), [](CallContext&) { return Value(); });
    machine.defineMethod(system, QStringLiteral("showSettings"), [](CallContext&) { return Value(); });
    machine.defineMethod(system, QStringLiteral("setClipboard"), [](CallContext&) { return Value(false); });
}

}  // namespace swf::avm1
