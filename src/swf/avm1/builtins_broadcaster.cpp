// AsBroadcaster and the player's objects that broadcast to listeners: Stage, Selection,
// Key and Mouse. Nothing here reaches a real keyboard or window; the headless player has
// no focus, no key down and a stage that never changes size on its own.
#include "swf/avm1/builtins.h"

#include <memory>

namespace swf::avm1 {

namespace {

using namespace property_flags;

QString listenersName() {
    return QStringLiteral("_listeners");
}

Value addListener(CallContext& context) {
    const Value listeners = context.machine.getMember(context.thisValue, listenersName());
    Object* list = listeners.asObject();
    if (!list) return false;
    // A listener added twice is called once.
    context.machine.callMethod(context.thisValue, QStringLiteral("removeListener"),
                               context.args.first(std::min<std::size_t>(1, context.args.size())));
    const Value listener = context.arg(0);
    context.machine.callMethod(listeners, QStringLiteral("push"), std::span<const Value>(&listener, 1));
    return true;
}

Value removeListener(CallContext& context) {
    const Value listeners = context.machine.getMember(context.thisValue, listenersName());
    if (!listeners.asObject()) return false;
    const std::vector<Value> elements = arrayElements(context.machine, listeners);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        // Loose equality: an object whose valueOf answers the value given is that listener.
        if (!context.machine.abstractEquals(elements[i], context.arg(0))) continue;
        const Value args[] = {static_cast<double>(i), 1.0};
        context.machine.callMethod(listeners, QStringLiteral("splice"), args);
        return true;
    }
    return false;
}

constexpr int kSwfVersionAnyListenerCounts = 6;

Value broadcastMessage(CallContext& context) {
    if (context.args.empty()) return Value();
    const QString name = argString(context, 0);
    const std::span<const Value> rest = context.args.subspan(1);
    // Listeners added or removed by a handler take effect from the next message.
    const std::vector<Value> listeners =
        arrayElements(context.machine, context.machine.getMember(context.thisValue, listenersName()));
    // The answer is true or undefined. SWF 6 and later say true when the list held anyone
    // (a value that is not undefined or null), whether or not they had the method; SWF 5 only
    // when some handler was called.
    bool delivered = false, anyone = false;
    for (const Value& listener : listeners) {
        if (context.machine.unwinding()) break;
        anyone = anyone || !(listener.isUndefined() || listener.isNull());
        Object* handler = context.machine.getMember(listener, name).asObject();
        if (!handler || !handler->isFunction()) continue;
        context.machine.callMethod(listener, name, rest);
        delivered = true;
    }
    if (context.machine.swfVersion() < kSwfVersionAnyListenerCounts) return delivered ? Value(true) : Value();
    return anyone ? Value(true) : Value();
}

// Stores state in a hidden member without running setters or watchers.
void setHidden(const Value& target, const QString& name, const Value& value) {
    if (Object* object = target.asObject()) object->setOwn(name, value, kDontEnum);
}

void setLocked(Object* object) {
    for (Property& property : object->properties())
        property.flags |= kDontEnum;
}

// The broadcaster methods and an empty listener list on object.
void makeBroadcaster(Machine& machine, Object* broadcaster, Object* object) {
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        object->setOwn(QString::fromLatin1(name), machine.getMember(broadcaster, QString::fromLatin1(name)),
                       kDontEnum);
    object->setOwn(listenersName(), machine.newArray(), kDontEnum);
}

void defineAccessor(Machine& machine, Object* object, const QString& name, NativeFunction getter,
                    NativeFunction setter) {
    object->setOwn(name, Value(), kDontEnum | kDontDelete);
    Property* property = object->findOwn(name);
    property->getter = machine.newNativeFunction(std::move(getter));
    property->setter = setter ? machine.newNativeFunction(std::move(setter)) : nullptr;
}

// The Stage a native works on: `this` when it is one, the global Stage otherwise.
Value stageOf(CallContext& c) {
    if (Object* self = c.thisObject(); self && self->findOwn(QStringLiteral("__scaleMode"))) return self;
    return c.machine.getMember(c.machine.global(), QStringLiteral("Stage"));
}

void installStage(Machine& machine, Object* broadcaster) {
    Object* stage = machine.newObject();
    machine.global()->setOwn(QStringLiteral("Stage"), stage, kDontEnum);
    makeBroadcaster(machine, broadcaster, stage);
    // Stage state lives in hidden members of the object itself, so each movie has its own.
    stage->setOwn(QStringLiteral("__displayState"), QStringLiteral("normal"), kDontEnum);
    stage->setOwn(QStringLiteral("__scaleMode"), QStringLiteral("showAll"), kDontEnum);
    stage->setOwn(QStringLiteral("__align"), QString(), kDontEnum);
    stage->setOwn(QStringLiteral("__showMenu"), true, kDontEnum);
    defineAccessor(
        machine, stage, QStringLiteral("width"),
        [](CallContext& c) { return Value(c.machine.host().stageSize().first); }, nullptr);
    defineAccessor(
        machine, stage, QStringLiteral("height"),
        [](CallContext& c) { return Value(c.machine.host().stageSize().second); }, nullptr);
    defineAccessor(
        machine, stage, QStringLiteral("displayState"),
        [](CallContext& c) { return c.machine.getMember(c.thisValue, QStringLiteral("__displayState")); },
        [](CallContext& c) {
            const QString requested = argString(c, 0);
            QString state;
            if (requested.compare(QLatin1String("fullScreen"), Qt::CaseInsensitive) == 0)
                state = QStringLiteral("fullScreen");
            else if (requested.compare(QLatin1String("normal"), Qt::CaseInsensitive) == 0)
                state = QStringLiteral("normal");
            const Value current = c.machine.getMember(c.thisValue, QStringLiteral("__displayState"));
            if (state.isEmpty() || current.asString() == state) return Value();
            setHidden(c.thisValue, QStringLiteral("__displayState"), state);
            const Value args[] = {QStringLiteral("onFullScreen"), state == QLatin1String("fullScreen")};
            c.machine.callMethod(c.thisValue, QStringLiteral("broadcastMessage"), args);
            return Value();
        });
    for (const char* name : {"scaleMode", "align", "showMenu"}) {
        const QString hidden = QStringLiteral("__") + QString::fromLatin1(name);
        defineAccessor(
            machine, stage, QString::fromLatin1(name),
            [hidden](CallContext& c) { return c.machine.getMember(c.thisValue, hidden); },
            [hidden](CallContext& c) {
                setHidden(c.thisValue, hidden, c.arg(0));
                return Value();
            });
    }
    // scaleMode and align keep only what the player understands, in its own spelling. The
    // setter also serves as a numbered native, called with no Stage as `this` and maybe with
    // nothing to set.
    stage->findOwn(QStringLiteral("scaleMode"))->setter = machine.newNativeFunction([](CallContext& c) {
        if (c.args.empty()) return Value();
        const QString requested = argString(c, 0);
        QString mode = QStringLiteral("showAll");
        for (const char* known : {"noBorder", "exactFit", "noScale"})
            if (requested.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
                mode = QString::fromLatin1(known);
        setHidden(stageOf(c), QStringLiteral("__scaleMode"), mode);
        return Value();
    });
    stage->findOwn(QStringLiteral("align"))->setter = machine.newNativeFunction([](CallContext& c) {
        const QString requested = argString(c, 0).toUpper();
        QString align;
        for (const QChar edge : {u'L', u'T', u'R', u'B'})
            if (requested.contains(edge)) align += edge;
        setHidden(c.thisValue, QStringLiteral("__align"), align);
        return Value();
    });
}

// The player's own broadcasters (Selection, Key, Mouse) hold everything fixed: hidden,
// permanent and read-only, their own constructor included. What they broadcast with came in
// SWF 6, and each has a broadcastMessage of its own.
void makeFixedBroadcaster(Machine& machine, Object* broadcaster, Object* object) {
    constexpr std::uint16_t kFixed = kDontEnum | kDontDelete | kReadOnly;
    for (const char* name : {"addListener", "removeListener"})
        object->setOwn(QString::fromLatin1(name), machine.getMember(broadcaster, QString::fromLatin1(name)),
                       kFixed | kVersion6Up);
    object->setOwn(QStringLiteral("broadcastMessage"), machine.newNativeFunction(broadcastMessage),
                   kFixed | kVersion6Up);
    Object* listeners = machine.newArray();
    listeners->setOwn(QStringLiteral("constructor"),
                      machine.getMember(machine.global(), QStringLiteral("Array")), kDontEnum | kDontDelete);
    object->setOwn(listenersName(), listeners, kFixed | kVersion6Up);
    object->setOwn(QStringLiteral("constructor"),
                   machine.getMember(machine.global(), QStringLiteral("Object")), kFixed);
    object->setProtoFlags(object->protoFlags() | kFixed);
}

void fixMembers(Object* object) {
    for (Property& property : object->properties())
        property.flags |= kDontEnum | kDontDelete | kReadOnly;
}

void installSelection(Machine& machine, Object* broadcaster) {
    Object* selection = machine.newObject();
    machine.global()->setOwn(QStringLiteral("Selection"), selection, kDontEnum);
    makeFixedBroadcaster(machine, broadcaster, selection);
    machine.defineMethod(selection, QStringLiteral("getFocus"), [](CallContext& c) {
        const Target focused = c.machine.host().focus();
        return focused ? Value(c.machine.host().targetPath(focused)) : Value::null();
    });
    machine.defineMethod(selection, QStringLiteral("setFocus"), [](CallContext& c) {
        Target target = nullptr;
        if (Object* object = c.arg(0).asObject())
            target = object->kind() == ObjectKind::Clip ? object : nullptr;
        else if (!c.arg(0).isNullish())
            target = c.machine.host().resolveTarget(c.machine.toString(c.arg(0)), nullptr);
        return Value(c.machine.host().setFocus(target));
    });
    for (const char* name : {"getBeginIndex", "getEndIndex", "getCaretIndex"})
        machine.defineMethod(selection, QString::fromLatin1(name), [](CallContext&) { return Value(-1); });
    machine.defineMethod(selection, QStringLiteral("setSelection"), [](CallContext&) { return Value(); });
    fixMembers(selection);
}

void installKey(Machine& machine, Object* broadcaster) {
    Object* key = machine.newObject();
    machine.global()->setOwn(QStringLiteral("Key"), key, kDontEnum);
    makeBroadcaster(machine, broadcaster, key);
    const std::pair<const char*, int> codes[] = {
        {"ALT", 18},    {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46},
        {"DOWN", 40},   {"END", 35},      {"ENTER", 13},    {"ESCAPE", 27},  {"HOME", 36},
        {"INSERT", 45}, {"LEFT", 37},     {"PGDN", 34},     {"PGUP", 33},    {"RIGHT", 39},
        {"SHIFT", 16},  {"SPACE", 32},    {"TAB", 9},       {"UP", 38}};
    for (const auto& [name, code] : codes)
        key->setOwn(QString::fromLatin1(name), code, kDontEnum | kDontDelete | kReadOnly);
    machine.defineMethod(key, QStringLiteral("isDown"), [](CallContext& c) {
        return Value(c.machine.host().keyIsDown(toInt32(c.machine.toNumber(c.arg(0)))));
    });
    machine.defineMethod(key, QStringLiteral("isToggled"), [](CallContext&) { return Value(false); });
    machine.defineMethod(key, QStringLiteral("getCode"),
                         [](CallContext& c) { return Value(c.machine.host().lastKeyCode()); });
    machine.defineMethod(key, QStringLiteral("getAscii"),
                         [](CallContext& c) { return Value(c.machine.host().lastKeyAscii()); });
}

void installMouse(Machine& machine, Object* broadcaster) {
    Object* mouse = machine.newObject();
    machine.global()->setOwn(QStringLiteral("Mouse"), mouse, kDontEnum);
    makeFixedBroadcaster(machine, broadcaster, mouse);
    // Both answer whether the pointer was shown before the call. The state is the player's,
    // not a member scripts could list or change.
    auto shown = std::make_shared<bool>(true);
    for (const auto& [name, show] : {std::pair{"show", true}, std::pair{"hide", false}}) {
        const bool showing = show;
        machine.defineMethod(mouse, QString::fromLatin1(name), [showing, shown](CallContext& c) {
            const bool before = *shown;
            *shown = showing;
            c.machine.host().showPointer(showing);
            return Value(before);
        });
    }
    fixMembers(mouse);
}

} // namespace

void installBroadcasters(Machine& machine) {
    // AsBroadcaster is a function, though constructing it makes a plain object.
    Object* broadcaster = machine.newConstructor([](CallContext&) { return Value(); });
    machine.global()->setOwn(QStringLiteral("AsBroadcaster"), broadcaster, kDontEnum);
    machine.defineMethod(broadcaster, QStringLiteral("addListener"), addListener);
    machine.defineMethod(broadcaster, QStringLiteral("removeListener"), removeListener);
    machine.defineMethod(broadcaster, QStringLiteral("broadcastMessage"), broadcastMessage);
    machine.defineMethod(broadcaster, QStringLiteral("initialize"), [broadcaster](CallContext& c) {
        if (Object* object = c.arg(0).asObject()) makeBroadcaster(c.machine, broadcaster, object);
        return Value();
    });
    setLocked(broadcaster);
    installStage(machine, broadcaster);
    installSelection(machine, broadcaster);
    installKey(machine, broadcaster);
    installMouse(machine, broadcaster);
}

} // namespace swf::avm1
