// The Sound class: sounds exported by the movie, started, stopped and turned up or down by
// scripts. A Sound object keeps its sound and voice natively; its volume and transform
// belong to its target (a clip or field, or the whole movie when it names none), so every
// Sound object of one target sees the same settings.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace swf::avm1 {

namespace {

using namespace property_flags;

// Volume and a transform of four whole percentages, as the player stores them (32-bit,
// wrapping; anything not a number is 0): how much of the left and right input go to each
// speaker. Pan is a view of the transform.
struct Settings {
    qint32 volume = 100;
    qint32 ll = 100, lr = 0, rl = 0, rr = 100;
};

// A target's settings ride on its script object, so they go when it goes.
class TargetSettings final : public NativeData {
  public:
    void forEachReference(const std::function<void(Object*)>&) const override {}
    Settings settings;
};

class SoundState final : public NativeData {
  public:
    void forEachReference(const std::function<void(Object*)>& visit) const override {
        if (Object* object = target.asObject()) visit(object);
        if (timeline) visit(timeline);
    }
    Value target; // as given to the constructor
    // SWF 5, made with no argument: the timeline it was made in, if the script had one.
    Object* timeline = nullptr;
    Host* host = nullptr;
    // A sound loaded from a file has settings of its own, whatever its target.
    std::optional<Settings> own;
    int soundId = 0;
    int voice = 0;
};

// A target's settings, made on first use; nothing for an object that holds native state of
// another kind (it is no target).
Settings* settingsOn(Object* target) {
    if (auto* settings = dynamic_cast<TargetSettings*>(target->nativeData())) return &settings->settings;
    if (target->nativeData()) return nullptr;
    auto settings = std::make_unique<TargetSettings>();
    Settings* out = &settings->settings;
    target->setNativeData(std::move(settings));
    return out;
}

// The whole movie's settings, for Sound objects without a target, kept on the global object.
Settings& movieSettings(Machine& machine) {
    return *settingsOn(machine.global());
}

SoundState* stateOf(CallContext& c) {
    Object* self = c.thisObject();
    return self ? dynamic_cast<SoundState*>(self->nativeData()) : nullptr;
}

constexpr int kSwfVersionGlobalSound = 6;

// The settings a Sound object reaches now, or nothing when its target is gone or was never
// a target: then its getters answer undefined and its setters do nothing. A path is looked
// up each time, from the timeline of the script asking.
Settings* settingsOf(CallContext& c) {
    SoundState* state = stateOf(c);
    if (!state) return nullptr;
    if (state->own) return &*state->own;
    Object* target = nullptr;
    if (state->target.isUndefined()) {
        // An undefined target, or a script whose tellTarget named no clip, means the movie.
        if (c.machine.swfVersion() >= kSwfVersionGlobalSound || !state->timeline)
            return &movieSettings(c.machine);
        target = state->timeline;
    } else if (state->target.isString()) {
        if (c.machine.swfVersion() < kSwfVersionGlobalSound) return nullptr;
        target = c.machine.host().resolveTarget(state->target.asString(), c.machine.currentTarget());
        if (target && target->kind() != ObjectKind::Clip) return nullptr;
    } else {
        target = state->target.asObject();
    }
    // A clip taken off the stage is no target any more.
    if (!target) return nullptr;
    if (target->kind() == ObjectKind::Clip) {
        Host& host = c.machine.host();
        const QString path = host.targetPath(target);
        if (path.isEmpty() || host.resolveTarget(path, nullptr) != target) return nullptr;
    }
    return settingsOn(target);
}

qint32 wrap(qint64 value) {
    return qint32(quint32(quint64(value)));
}

// The gains of the two channels for a sound played as one channel (the mixer's voices take
// two gains): the left speaker gets ll + lr of it, the right rr + rl; negative is silence.
void applyGain(CallContext& c) {
    SoundState* state = stateOf(c);
    const Settings* settings = settingsOf(c);
    if (!state || state->voice <= 0 || !settings) return;
    double volume = std::clamp(double(settings->volume), 0.0, 400.0) / 100;
    if (const Settings& movie = movieSettings(c.machine); settings != &movie)
        volume *= std::clamp(double(movie.volume), 0.0, 400.0) / 100;
    const double left = std::clamp((double(settings->ll) + settings->lr) / 100, 0.0, 2.0);
    const double right = std::clamp((double(settings->rr) + settings->rl) / 100, 0.0, 2.0);
    c.machine.host().soundGain(state->voice, volume * left, volume * right);
}

Value attachSound(CallContext& c) {
    SoundState* state = stateOf(c);
    const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0)));
    if (state && id) state->soundId = id;
    return Value(id != 0);
}

Value start(CallContext& c) {
    SoundState* state = stateOf(c);
    if (!state || state->soundId <= 0) return Value();
    double offset = c.args.empty() ? 0 : c.machine.toNumber(c.arg(0));
    double loops = c.args.size() < 2 ? 1 : c.machine.toNumber(c.arg(1));
    if (!std::isfinite(offset) || offset < 0) offset = 0;
    if (!std::isfinite(loops) || loops < 1) loops = 1;
    state->voice = c.machine.host().soundStart(state->soundId, offset, int(std::min(loops, 65535.0)));
    applyGain(c);
    if (state->voice > 0) c.machine.host().soundWatch(state->voice, c.thisObject());
    return Value();
}

Value stop(CallContext& c) {
    if (!c.args.empty()) {
        // stop("name"): every copy of that sound.
        if (const int id = c.machine.host().soundIdOf(c.machine.toString(c.arg(0))))
            c.machine.host().soundStopAll(id);
        return Value();
    }
    SoundState* state = stateOf(c);
    if (state && state->soundId > 0)
        c.machine.host().soundStopAll(state->soundId);
    else
        c.machine.host().stopSounds();
    return Value();
}

Value setVolume(CallContext& c) {
    if (Settings* settings = settingsOf(c)) settings->volume = toInt32(c.machine.toNumber(c.arg(0)));
    applyGain(c);
    return Value();
}

Value getVolume(CallContext& c) {
    const Settings* settings = settingsOf(c);
    return settings ? Value(double(settings->volume)) : Value();
}

// Panning turns the far side down and leaves this one full.
Value setPan(CallContext& c) {
    Settings* settings = settingsOf(c);
    if (!settings) return Value();
    const qint64 pan = toInt32(c.machine.toNumber(c.arg(0)));
    settings->ll = pan >= 0 ? wrap(100 - pan) : 100;
    settings->rr = pan >= 0 ? 100 : wrap(100 + pan);
    settings->lr = settings->rl = 0;
    applyGain(c);
    return Value();
}

Value getPan(CallContext& c) {
    const Settings* t = settingsOf(c);
    if (!t) return Value();
    if (t->ll == 100) return Value(double(wrap(std::abs(qint64(t->rr)) - 100)));
    return Value(double(wrap(100 - std::abs(qint64(t->ll)))));
}

Value setTransform(CallContext& c) {
    Object* from = c.arg(0).asObject();
    Settings* settings = settingsOf(c);
    if (!from || !settings) return Value();
    auto read = [&](const char* name) {
        return toInt32(c.machine.toNumber(c.machine.getMember(from, QString::fromLatin1(name))));
    };
    settings->ll = read("ll");
    settings->lr = read("lr");
    settings->rr = read("rr");
    settings->rl = read("rl");
    applyGain(c);
    return Value();
}

Value getTransform(CallContext& c) {
    const Settings* t = settingsOf(c);
    if (!t) return Value();
    Object* out = c.machine.newObject();
    out->setOwn(QStringLiteral("ll"), Value(double(t->ll)));
    out->setOwn(QStringLiteral("lr"), Value(double(t->lr)));
    out->setOwn(QStringLiteral("rr"), Value(double(t->rr)));
    out->setOwn(QStringLiteral("rl"), Value(double(t->rl)));
    return Value(out);
}

// Milliseconds into the sound playing; undefined before a sound is attached.
Value positionOf(const SoundState& state) {
    if (state.soundId <= 0 || !state.host) return Value();
    return Value(state.voice > 0 ? std::round(state.host->soundPositionMs(state.voice)) : 0.0);
}

// duration and position: milliseconds, read natively (no property a listing shows).
class SoundProperties final : public PropertyDelegate {
  public:
    std::optional<Value> getProperty(Object& object, const QString& name) override {
        auto* state = dynamic_cast<SoundState*>(object.nativeData());
        if (!state || !state->host) return std::nullopt;
        if (name == QLatin1String("duration"))
            return state->soundId > 0 ? Value(std::round(state->host->soundDurationMs(state->soundId)))
                                      : Value();
        if (name == QLatin1String("position")) return positionOf(*state);
        return std::nullopt;
    }
    bool setProperty(Object&, const QString&, const Value&) override { return false; }
};

Value soundConstructor(CallContext& c) {
    Object* self = c.thisObject();
    if (!c.constructing || !self) return Value();
    auto state = std::make_unique<SoundState>();
    state->target = c.arg(0);
    if (c.args.empty()) state->timeline = c.machine.currentTarget();
    state->host = &c.machine.host();
    self->setNativeData(std::move(state));
    static SoundProperties properties;
    self->setDelegate(&properties);
    return self;
}

} // namespace

void installSoundClass(Machine& machine) {
    Object* prototype = machine.newObject();
    Object* sound = machine.newConstructor(soundConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("Sound"), sound, kDontEnum);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"attachSound", attachSound},
        {"start", start},
        {"stop", stop},
        {"setVolume", setVolume},
        {"getVolume", getVolume},
        {"setPan", setPan},
        {"getPan", getPan},
        {"setTransform", setTransform},
        {"getTransform", getTransform},
    };
    for (const auto& [name, function] : methods)
        machine.defineMethod(prototype, QString::fromLatin1(name), function);
    // Came with SWF 6: loading MP3 files and the byte and time readers.
    const std::pair<const char*, NativeFunction> later[] = {
        {"getBytesLoaded",
         [](CallContext& c) { return stateOf(c) && stateOf(c)->soundId > 0 ? Value(0.0) : Value(); }},
        {"getBytesTotal",
         [](CallContext& c) { return stateOf(c) && stateOf(c)->soundId > 0 ? Value(0.0) : Value(); }},
        {"getDuration",
         [](CallContext& c) {
             SoundState* state = stateOf(c);
             return state && state->soundId > 0
                        ? Value(std::round(c.machine.host().soundDurationMs(state->soundId)))
                        : Value();
         }},
        {"getPosition",
         [](CallContext& c) {
             SoundState* state = stateOf(c);
             return state ? positionOf(*state) : Value();
         }},
        {"loadSound",
         [](CallContext& c) {
             SoundState* state = stateOf(c);
             if (!state) return Value();
             const Settings* now = settingsOf(c);
             state->own = now ? *now : Settings{};
             return Value();
         }},
        {"setDuration", [](CallContext&) { return Value(); }},
        {"setPosition", [](CallContext&) { return Value(); }},
    };
    for (const auto& [name, function] : later) {
        machine.defineMethod(prototype, QString::fromLatin1(name), function);
        prototype->findOwn(QString::fromLatin1(name))->flags |= kVersion6Up;
    }
    machine.defineMethod(prototype, QStringLiteral("areSoundsInaccessible"),
                         [](CallContext&) { return Value(false); });
    prototype->findOwn(QStringLiteral("areSoundsInaccessible"))->flags |= kVersion9Up;
    prototype->setOwn(QStringLiteral("checkPolicyFile"), Value());
    Property* policy = prototype->findOwn(QStringLiteral("checkPolicyFile"));
    policy->getter =
        machine.newNativeFunction([](CallContext& c) { return stateOf(c) ? Value(false) : Value(); });
    policy->setter = machine.newNativeFunction([](CallContext&) { return Value(); });
    lockMembers(*prototype);
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
