// LoadVars, the loading half of XML, and ASnative for the loader functions the two share.
// Loads finish on a later tick, through the receiver's onData.
#include "swf/avm1/builtins.h"

#include <algorithm>

namespace swf::avm1 {

namespace {

using namespace property_flags;

// The loader's native family: 301,0 load, 301,1 send, 301,2 sendAndLoad.
constexpr int kLoaderFamily = 301;
constexpr int kStageFamily = 666;

// A load under way: nothing has arrived and the size is not known yet.
void startLoad(Object* receiver) {
    receiver->setOwn(QStringLiteral("loaded"), false, kDontEnum);
    receiver->setOwn(QStringLiteral("_bytesLoaded"), 0.0, kDontEnum);
    receiver->setOwn(QStringLiteral("_bytesTotal"), Value(), kDontEnum);
}

Value load(CallContext& context) {
    Object* self = context.thisObject();
    if (!self || context.args.empty()) return false;
    startLoad(self);
    context.machine.host().loadText(self, argString(context, 0));
    return true;
}

Value sendAndLoad(CallContext& context) {
    Object* target = context.arg(1).asObject();
    if (!target || context.args.empty()) return false;
    startLoad(target);
    context.machine.host().loadText(target, argString(context, 0));
    return true;
}

// Nothing leaves the player: a send only says whether it could have gone.
Value send(CallContext& context) {
    return !context.args.empty();
}

QString callGlobal(Machine& machine, const char* function, const QString& text) {
    const Value argument = text;
    return machine.toString(machine.callMethod(machine.global(), QString::fromLatin1(function),
                                               std::span<const Value>(&argument, 1)));
}

Value decode(CallContext& context) {
    Object* self = context.thisObject();
    if (!self || context.args.empty()) return Value();
    const QString text = argString(context, 0);
    for (const QString& pair : text.split(QLatin1Char('&'))) {
        if (!context.machine.checkBudget()) break;
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString name = callGlobal(context.machine, "unescape", equals < 0 ? pair : pair.left(equals));
        const QString value =
            equals < 0 ? QString() : callGlobal(context.machine, "unescape", pair.mid(equals + 1));
        if (!name.isEmpty()) context.machine.setMember(self, name, value);
    }
    return Value();
}

Value variablesText(CallContext& context) {
    Object* self = context.thisObject();
    if (!self) return Value();
    // Newest first, as for-in hands the names out.
    QStringList names = context.machine.enumerate(self);
    std::reverse(names.begin(), names.end());
    QStringList pairs;
    for (const QString& name : names) {
        if (!self->findOwn(name)) continue;
        pairs.push_back(callGlobal(context.machine, "escape", name) + QLatin1Char('=') +
                        callGlobal(context.machine, "escape",
                                   context.machine.toString(context.machine.getMember(self, name))));
    }
    return pairs.join(QLatin1Char('&'));
}

// What arrives: loaded and onLoad(true) after parsing it, or onLoad(false) when nothing came.
Value onDataFor(CallContext& context, const char* parser) {
    if (context.arg(0).isUndefined()) {
        const Value failed = false;
        context.machine.callMethod(context.thisValue, QStringLiteral("onLoad"),
                                   std::span<const Value>(&failed, 1));
        return Value();
    }
    const Value text = context.arg(0);
    context.machine.callMethod(context.thisValue, QString::fromLatin1(parser),
                               std::span<const Value>(&text, 1));
    if (Object* self = context.thisObject()) self->setOwn(QStringLiteral("loaded"), true, kDontEnum);
    const Value succeeded = true;
    context.machine.callMethod(context.thisValue, QStringLiteral("onLoad"),
                               std::span<const Value>(&succeeded, 1));
    return Value();
}

// The host leaves the size of what arrived in these hidden members; nothing until then.
// Headers wait in _customHeaders as name, value, name, value, each pair added through the
// list's own push, so a script that put its own object (or a string) there decides what
// happens. Pairs come as two strings or as one array of them; anything else adds nothing.
Value addRequestHeader(CallContext& context) {
    Object* self = context.thisObject();
    if (!self) return Value();
    Machine& machine = context.machine;
    const QString listName = QStringLiteral("_customHeaders");
    Value list = machine.getMember(self, listName);
    if (list.isNullish()) {
        list = machine.newArray();
        // The player's own scripts keep it from movies before SWF 6.
        self->setOwn(listName, list, kVersion6Up);
    }
    auto add = [&machine, &list](const Value& name, const Value& value) {
        if (!name.isString() || !value.isString()) return;
        const Value pair[] = {name, value};
        machine.callMethod(list, QStringLiteral("push"), pair);
    };
    if (context.args.size() >= 2) {
        add(context.arg(0), context.arg(1));
    } else if (Object* pairs = context.arg(0).asObject(); pairs && pairs->isArray()) {
        const double length = machine.toNumber(machine.getMember(pairs, QStringLiteral("length")));
        for (int i = 0; i + 1 < length && machine.checkBudget(); i += 2)
            add(machine.getMember(pairs, QString::number(i)),
                machine.getMember(pairs, QString::number(i + 1)));
    }
    return Value();
}

Value bytesLoaded(CallContext& context) {
    return context.machine.getMember(context.thisValue, QStringLiteral("_bytesLoaded"));
}
Value bytesTotal(CallContext& context) {
    return context.machine.getMember(context.thisValue, QStringLiteral("_bytesTotal"));
}

void hideAll(Object* object) {
    for (Property& property : object->properties())
        property.flags |= kDontEnum;
}

} // namespace

void installLoadingClasses(Machine& machine) {
    Object* global = machine.global();
    Object* prototype = machine.newObject();
    // Called as a plain function it makes nothing.
    Object* loadVars = machine.newConstructor(
        [](CallContext& c) { return c.constructing ? c.thisValue : Value(); }, prototype);
    // LoadVars came with SWF 6.
    global->setOwn(QStringLiteral("LoadVars"), loadVars, kDontEnum | kVersion6Up);
    Object* loadFunction = machine.newNativeFunction(load);
    Object* sendFunction = machine.newNativeFunction(send);
    Object* sendAndLoadFunction = machine.newNativeFunction(sendAndLoad);
    prototype->setOwn(QStringLiteral("load"), loadFunction);
    prototype->setOwn(QStringLiteral("send"), sendFunction);
    prototype->setOwn(QStringLiteral("sendAndLoad"), sendAndLoadFunction);
    machine.defineMethod(prototype, QStringLiteral("decode"), decode);
    machine.defineMethod(prototype, QStringLiteral("toString"), variablesText);
    machine.defineMethod(prototype, QStringLiteral("onData"),
                         [](CallContext& c) { return onDataFor(c, "decode"); });
    machine.defineMethod(prototype, QStringLiteral("onLoad"), [](CallContext&) { return Value(); });
    machine.defineMethod(prototype, QStringLiteral("addRequestHeader"), addRequestHeader);
    machine.defineMethod(prototype, QStringLiteral("getBytesLoaded"), bytesLoaded);
    machine.defineMethod(prototype, QStringLiteral("getBytesTotal"), bytesTotal);
    prototype->setOwn(QStringLiteral("contentType"), QStringLiteral("application/x-www-form-urlencoded"));
    hideAll(prototype);

    // XML loads the same way and parses what arrives.
    Object* xml = machine.getMember(global, QStringLiteral("XML")).asObject();
    if (Object* xmlPrototype =
            xml ? machine.getMember(xml, QStringLiteral("prototype")).asObject() : nullptr) {
        // Listed, and the ones the player writes in ActionScript carry a prototype.
        xmlPrototype->setOwn(QStringLiteral("load"), loadFunction);
        xmlPrototype->setOwn(QStringLiteral("send"), sendFunction);
        xmlPrototype->setOwn(QStringLiteral("sendAndLoad"), sendAndLoadFunction);
        auto scripted = [&machine, xmlPrototype](const char* name, NativeFunction function) {
            xmlPrototype->setOwn(QString::fromLatin1(name), machine.newConstructor(std::move(function)));
        };
        scripted("onData", [](CallContext& c) { return onDataFor(c, "parseXML"); });
        scripted("onLoad", [](CallContext&) { return Value(); });
        scripted("addRequestHeader", addRequestHeader);
        scripted("getBytesLoaded", bytesLoaded);
        scripted("getBytesTotal", bytesTotal);
    }
}

namespace {

// The native ASnative(family, index) names. Numbers the player does not fill still give a
// function, which does nothing.
NativeFunction nativeOrNothing(CallContext& c) {
    NativeFunction native = c.machine.native(toInt32(argNumber(c, 0)), toInt32(argNumber(c, 1)));
    return native ? native : [](CallContext&) { return Value(); };
}

} // namespace

void installNativeTable(Machine& machine) {
    // ASnative(family, index) hands out the player's native functions by number. Each call
    // makes a new function object around the native, so none is the other or the member it
    // also serves as. The script host adds the natives of its classes to the table later.
    // Members are read as stored: a class the movie's version does not see still has natives.
    auto member = [](Object* holder, const char* name) {
        const Property* property = holder ? holder->findOwn(QString::fromLatin1(name)) : nullptr;
        return property ? property->value.asObject() : nullptr;
    };
    auto addNative = [&machine, &member](int family, int index, Object* holder, const char* name) {
        Object* function = member(holder, name);
        if (function && function->native()) machine.setNative(family, index, function->native());
    };
    Object* mouse = member(machine.global(), "Mouse");
    addNative(5, 0, mouse, "show");
    addNative(5, 1, mouse, "hide");
    addNative(101, 5, machine.objectPrototype(), "hasOwnProperty");
    // Stage.scaleMode's setter; its getter needs the Stage as `this`, so it is not handed out.
    Object* stage = member(machine.global(), "Stage");
    const Property* scaleMode = stage ? stage->findOwn(QStringLiteral("scaleMode")) : nullptr;
    if (scaleMode && scaleMode->setter) machine.setNative(kStageFamily, 2, scaleMode->setter->native());
    Object* loadVarsPrototype = member(member(machine.global(), "LoadVars"), "prototype");
    addNative(kLoaderFamily, 0, loadVarsPrototype, "load");
    addNative(kLoaderFamily, 1, loadVarsPrototype, "send");
    addNative(kLoaderFamily, 2, loadVarsPrototype, "sendAndLoad");
    // The player's lowest functions stand outside Function: no prototype link, no constructor.
    auto bare = [&machine](NativeFunction native) {
        Object* function = machine.newObject(ObjectKind::Function, nullptr);
        function->setNative(std::move(native));
        return function;
    };
    machine.global()->setOwn(QStringLiteral("ASnative"), bare([](CallContext& c) {
                                 return Value(c.machine.newNativeFunction(nativeOrNothing(c)));
                             }),
                             kDontEnum);
    // ASconstructor(family, index): the native as a class, with a prototype of its own.
    machine.global()->setOwn(QStringLiteral("ASconstructor"), bare([](CallContext& c) {
                                 return Value(
                                     c.machine.newConstructor(nativeOrNothing(c), c.machine.newObject()));
                             }),
                             kDontEnum);
    machine.global()->setOwn(QStringLiteral("enableDebugConsole"), bare([](CallContext&) { return Value(); }),
                             kDontEnum);
    // ASSetNative(object, family, "a,b,c"[, first index]) puts natives on an object by name;
    // the accessor form pairs getters and setters, which the table does not hold apart, so
    // it sets nothing.
    machine.global()->setOwn(QStringLiteral("ASSetNative"), machine.newNativeFunction([](CallContext& c) {
        Object* target = c.arg(0).asObject();
        if (!target) return Value();
        const int family = toInt32(argNumber(c, 1));
        int index = c.args.size() > 3 ? toInt32(argNumber(c, 3)) : 0;
        for (QString name : argString(c, 2).split(QLatin1Char(','))) {
            // A leading digit names the first SWF version that sees the member.
            while (!name.isEmpty() && name[0].isDigit())
                name.remove(0, 1);
            if (const NativeFunction native = c.machine.native(family, index++); native && !name.isEmpty())
                target->setOwn(name, c.machine.newNativeFunction(native), kDontEnum);
        }
        return Value();
    }),
                             kDontEnum);
    machine.global()->setOwn(QStringLiteral("ASSetNativeAccessor"),
                             machine.newNativeFunction([](CallContext&) { return Value(); }), kDontEnum);
}

} // namespace swf::avm1
