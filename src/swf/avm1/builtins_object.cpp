// Object, Function, Error, ASSetPropFlags and the timeline methods of MovieClip.
#include "swf/avm1/builtins.h"

#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;

constexpr std::uint16_t kSettableFlags = kDontEnum | kDontDelete | kReadOnly | kVersion6Up | kNotVersion6 |
                                         kVersion7Up | kVersion8Up | kVersion9Up | kVersion10Up;

Value objectConstructor(CallContext& context) {
    const Value value = context.arg(0);
    if (!value.isNullish()) return context.machine.toObject(value);
    // Called as a function on nothing, Object makes a bare object: no prototype, so it
    // converts as undefined does.
    return context.constructing ? context.thisValue
                                : Value(context.machine.newObject(ObjectKind::Plain, nullptr));
}

Value addProperty(CallContext& context) {
    Object* object = context.thisObject();
    const QString name = argString(context, 0);
    Object* getter = context.arg(1).asObject();
    Object* setter = context.arg(2).asObject();
    // The setter must be a function or null (a property that ignores writes); anything else,
    // undefined or a missing argument too, refuses the property.
    const bool setterAllowed = context.arg(2).isNull() || (setter && setter->isFunction());
    if (!object || name.isEmpty() || !getter || !getter->isFunction() || !setterAllowed) return false;
    // A value already there stays beneath the accessor: reads and writes go through the
    // accessor, but __resolve still finds a function stored before. A new member is first
    // written as undefined, which a watcher of that name sees.
    if (!object->findOwn(name)) {
        const std::optional<Value> initial =
            object->watchers().empty() ? Value() : context.machine.applyWatcher(object, name, Value());
        object->setOwn(name, initial.value_or(Value()));
    }
    Property* property = object->findOwn(name);
    property->getter = getter;
    property->setter = setter;
    return true;
}

bool isProtoName(CallContext& context, const QString& name) {
    return name.compare(QLatin1String("__proto__"), context.machine.swfVersion() >= kSwfVersionCaseSensitive
                                                        ? Qt::CaseSensitive
                                                        : Qt::CaseInsensitive) == 0;
}

bool isArrayLength(CallContext& context, const Object& object, const QString& name) {
    return object.isArray() &&
           name.compare(QLatin1String("length"), context.machine.swfVersion() >= kSwfVersionCaseSensitive
                                                     ? Qt::CaseSensitive
                                                     : Qt::CaseInsensitive) == 0;
}

// A primitive answers as the object its class would make of it.
Object* ownerOf(CallContext& context) {
    return context.thisValue.isObject() ? context.thisObject() : context.machine.toObject(context.thisValue);
}

Value hasOwnProperty(CallContext& context) {
    Object* object = ownerOf(context);
    const QString name = argString(context, 0);
    if (object && isProtoName(context, name)) return object->hasProtoSlot();
    if (object && isArrayLength(context, *object, name)) return true;
    return object && object->findOwn(name) != nullptr;
}

Value isPropertyEnumerable(CallContext& context) {
    Object* object = ownerOf(context);
    const QString name = argString(context, 0);
    if (object && isProtoName(context, name))
        return object->hasProtoSlot() && !(object->protoFlags() & kDontEnum);
    if (object && isArrayLength(context, *object, name)) return !(object->lengthFlags() & kDontEnum);
    const Property* property = object ? object->findOwn(name) : nullptr;
    return property && !(property->flags & kDontEnum);
}

Value isPrototypeOf(CallContext& context) {
    Object* self = context.thisObject();
    // A primitive is asked as the object its class would make of it.
    Object* other = context.machine.toObject(context.arg(0));
    int depth = 0;
    for (Object* current = other ? other->proto() : nullptr; current && depth < kMaxPrototypeDepth;
         current = current->proto(), ++depth) {
        if (current == self) return true;
    }
    return false;
}

// Flags of several properties at once; names as a comma list, an array, or null for all.
Value setPropertyFlags(CallContext& context) {
    Object* object = context.arg(0).asObject();
    if (!object) return Value();
    // The flags are read before the names.
    const auto set = static_cast<std::uint16_t>(toUint32(argNumber(context, 2)) & kSettableFlags);
    const auto clear = static_cast<std::uint16_t>(
        context.args.size() > 3 ? toUint32(argNumber(context, 3)) & kSettableFlags : 0);
    const Value names = context.arg(1);
    QStringList list;
    bool all = names.isNull();
    if (names.isString())
        list = names.asString().split(QLatin1Char(','));
    else if (names.isObject() && names.asObject()->isArray())
        for (const Value& name : arrayElements(context.machine, names))
            list.push_back(context.machine.toString(name));
    else if (!all) // a number names one member, any other object its text
        list = context.machine.toString(names).split(QLatin1Char(','));
    for (Property& property : object->properties()) {
        if (all || list.contains(property.name, Qt::CaseInsensitive))
            property.flags = static_cast<std::uint16_t>((property.flags & ~clear) | set);
    }
    if (all || list.contains(QStringLiteral("__proto__"), Qt::CaseInsensitive))
        object->setProtoFlags(static_cast<std::uint16_t>((object->protoFlags() & ~clear) | set));
    if (object->isArray() && (all || list.contains(QStringLiteral("length"), Qt::CaseInsensitive)))
        object->setLengthFlags(static_cast<std::uint16_t>((object->lengthFlags() & ~clear) | set));
    return Value();
}

Value watch(CallContext& context) {
    Object* object = context.thisObject();
    Object* callback = context.arg(1).asObject();
    if (!object || !callback || !callback->isFunction() || context.args.empty()) return false;
    const QString name = argString(context, 0);
    std::erase_if(object->watchers(), [&name](const Watcher& w) { return w.name == name; });
    object->watchers().push_back(Watcher{name, callback, context.arg(2), 0});
    return true;
}

Value unwatch(CallContext& context) {
    Object* object = context.thisObject();
    if (!object) return false;
    const QString name = argString(context, 0);
    // A member with a getter and setter keeps its watcher.
    if (const Property* own = object->findOwn(name); own && own->isAccessor()) return false;
    return std::erase_if(object->watchers(), [&name](const Watcher& w) { return w.name == name; }) > 0;
}

Value registerClass(CallContext& context) {
    Object* constructor = context.arg(1).asObject();
    if (context.args.size() < 2 || (constructor && !constructor->isFunction())) return false;
    context.machine.registerClass(argString(context, 0), constructor);
    return true;
}

// call and apply always give the function an object as `this`: a primitive arrives wrapped
// (so members set on it last for the call), and undefined or null as a bare object with no
// prototype.
Value callThis(CallContext& context) {
    const Value given = context.arg(0);
    if (given.isObject()) return given;
    Object* self = context.machine.toObject(given);
    return self ? self : context.machine.newObject(ObjectKind::Plain, nullptr);
}

Value functionCall(CallContext& context) {
    const std::span<const Value> rest = context.args.empty() ? context.args : context.args.subspan(1);
    return context.machine.call(context.thisValue, callThis(context), rest);
}

Value functionApply(CallContext& context) {
    const std::vector<Value> args =
        context.arg(1).isObject() ? arrayElements(context.machine, context.arg(1)) : std::vector<Value>{};
    return context.machine.call(context.thisValue, callThis(context), args);
}

Value errorConstructor(CallContext& context) {
    Object* error = context.constructing
                        ? context.thisObject()
                        : context.machine.newObject(ObjectKind::Error, context.machine.errorPrototype());
    if (error && !context.arg(0).isUndefined())
        context.machine.setMember(error, QStringLiteral("message"), context.arg(0));
    return error;
}

// gotoAndPlay / gotoAndStop: a number is a frame from 1, text is a label.
void clipGoto(CallContext& context, bool play) {
    Object* clip = context.thisObject();
    if (!clip || clip->kind() != ObjectKind::Clip) return;
    const Value frame = context.arg(0);
    Host& host = context.machine.host();
    if (frame.isString()) {
        host.gotoLabel(clip, frame.asString(), play);
        return;
    }
    const double number = context.machine.toNumber(frame);
    if (std::isfinite(number) && number >= 1)
        host.gotoFrame(clip, static_cast<int>(std::min(number, 1e9)) - 1, play);
}

void installClipMethods(Machine& machine, Object* prototype) {
    using Action = void (Host::*)(Target);
    const std::pair<const char*, Action> actions[] = {{"play", &Host::play},
                                                      {"stop", &Host::stop},
                                                      {"nextFrame", &Host::nextFrame},
                                                      {"prevFrame", &Host::previousFrame}};
    for (const auto& entry : actions) {
        const Action action = entry.second;
        machine.defineMethod(prototype, QString::fromLatin1(entry.first), [action](CallContext& context) {
            Object* clip = context.thisObject();
            if (clip && clip->kind() == ObjectKind::Clip) (context.machine.host().*action)(clip);
            return Value();
        });
    }
    machine.defineMethod(prototype, QStringLiteral("gotoAndPlay"), [](CallContext& c) {
        clipGoto(c, true);
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("gotoAndStop"), [](CallContext& c) {
        clipGoto(c, false);
        return Value();
    });
}

} // namespace

std::vector<Value> arrayElements(Machine& machine, const Value& array) {
    std::vector<Value> values;
    const double length = machine.toNumber(machine.getMember(array, QStringLiteral("length")));
    const auto count = std::isfinite(length) && length > 0 ? std::min<double>(length, kMaxArrayLength) : 0;
    // Natives loop without the interpreter, so they watch the time budget themselves.
    for (std::uint32_t i = 0; i < count && machine.checkBudget() && !machine.unwinding(); ++i)
        values.push_back(machine.getMember(array, QString::number(i)));
    return values;
}

void installBuiltins(Machine& machine) {
    Object* objectPrototype = machine.objectPrototype();
    auto plain = [&machine, objectPrototype](ObjectKind kind) {
        return machine.newObject(kind, objectPrototype);
    };
    // Function.prototype is a plain object: no function itself, with no toString of its own.
    // Array.prototype is no array: it has no length of its own.
    // Number's and Boolean's prototypes are plain objects, not a number or a boolean: their
    // own methods find no value in them.
    machine.setBuiltinPrototypes(plain(ObjectKind::Plain), plain(ObjectKind::Plain),
                                 plain(ObjectKind::String), plain(ObjectKind::Plain),
                                 plain(ObjectKind::Plain), plain(ObjectKind::Plain),
                                 plain(ObjectKind::Plain));
    machine.stringPrototype()->setPrimitive(QString());
    installObjectClasses(machine);
    installArrayClass(machine);
    installStringClass(machine);
    installNumberClasses(machine);
    installGlobalFunctions(machine);
    installTimerFunctions(machine);
    installColorClass(machine);
    installSoundClass(machine);
    installCaptureClasses(machine);
    installPrintJob(machine);
    installSystem(machine);
    installDateClass(machine);
    installGeometryClasses(machine);
    installFilterClasses(machine);
    installBitmapDataClass(machine);
    installXmlClasses(machine);
    installContextMenuClasses(machine);
    installLoadingClasses(machine);
    installBroadcasters(machine);
    installNativeTable(machine);
    // The player locks these classes' own members once it has built them: hidden, permanent
    // and read-only, where other classes' members stay writable.
    for (const char* name : {"Object", "Number", "Date"})
        if (Object* constructor = machine.global()->findOwn(QString::fromLatin1(name))->value.asObject())
            lockMembers(*constructor);
    // An SWF 5 movie finds Object.prototype.hasOwnProperty there, holding undefined: the
    // player filled it in from SWF 6 on. Its native stays reachable through ASnative.
    constexpr int kSwfVersionHasOwnProperty = 6;
    if (machine.swfVersion() < kSwfVersionHasOwnProperty)
        machine.objectPrototype()->findOwn(QStringLiteral("hasOwnProperty"))->value = Value();
}

void lockMembers(Object& object) {
    constexpr std::uint16_t kLocked = kDontEnum | kDontDelete | property_flags::kReadOnly;
    for (Property& property : object.properties())
        property.flags |= kLocked;
    object.setProtoFlags(object.protoFlags() | kLocked);
}

void installObjectClasses(Machine& machine) {
    Object* global = machine.global();
    Object* objectPrototype = machine.objectPrototype();
    Object* object = machine.newConstructor(objectConstructor, objectPrototype);
    global->setOwn(QStringLiteral("Object"), object, kDontEnum);
    // Functions take their text from here too; an object that merely inherits from a function
    // is none.
    machine.defineMethod(objectPrototype, QStringLiteral("toString"), [](CallContext& c) {
        const Object* self = c.thisObject();
        return Value(self && self->isFunction() ? "[type Function]" : "[object Object]");
    });
    machine.defineMethod(objectPrototype, QStringLiteral("toLocaleString"),
                         [](CallContext&) { return Value("[object Object]"); });
    // Unlike the other built-in methods, toLocaleString comes with a prototype of its own, as
    // functions a movie defines do.
    if (Object* toLocale = objectPrototype->findOwn(QStringLiteral("toLocaleString"))->value.asObject()) {
        Object* ownPrototype = machine.newObject();
        ownPrototype->setOwn(QStringLiteral("constructor"), toLocale, kDontEnum | kDontDelete);
        toLocale->setOwn(QStringLiteral("prototype"), ownPrototype, kDontEnum | kDontDelete);
    }
    machine.defineMethod(objectPrototype, QStringLiteral("valueOf"),
                         [](CallContext& c) { return c.thisValue; });
    machine.defineMethod(objectPrototype, QStringLiteral("addProperty"), addProperty);
    machine.defineMethod(objectPrototype, QStringLiteral("hasOwnProperty"), hasOwnProperty);
    machine.defineMethod(objectPrototype, QStringLiteral("isPropertyEnumerable"), isPropertyEnumerable);
    machine.defineMethod(objectPrototype, QStringLiteral("isPrototypeOf"), isPrototypeOf);
    machine.defineMethod(objectPrototype, QStringLiteral("watch"), watch);
    machine.defineMethod(objectPrototype, QStringLiteral("unwatch"), unwatch);
    // What the player added to Object.prototype in SWF 6.
    for (const char* name : {"addProperty", "isPropertyEnumerable", "isPrototypeOf", "watch", "unwatch"})
        objectPrototype->findOwn(QString::fromLatin1(name))->flags |= kVersion6Up;
    machine.defineMethod(object, QStringLiteral("registerClass"), registerClass);
    global->setOwn(QStringLiteral("ASSetPropFlags"), machine.newNativeFunction(setPropertyFlags), kDontEnum);

    Object* functionPrototype = machine.functionPrototype();
    Object* function = machine.newConstructor([](CallContext& c) { return c.arg(0); }, functionPrototype);
    // Movies before SWF 6 have no Function class to name.
    global->setOwn(QStringLiteral("Function"), function, kDontEnum | kVersion6Up);
    machine.setFunctionConstructor(function);
    machine.defineMethod(functionPrototype, QStringLiteral("call"), functionCall);
    machine.defineMethod(functionPrototype, QStringLiteral("apply"), functionApply);

    Object* errorPrototype = machine.errorPrototype();
    Object* error = machine.newConstructor(errorConstructor, errorPrototype);
    global->setOwn(QStringLiteral("Error"), error, kDontEnum);
    errorPrototype->setOwn(QStringLiteral("name"), "Error", kDontEnum);
    errorPrototype->setOwn(QStringLiteral("message"), "Error", kDontEnum);
    machine.defineMethod(errorPrototype, QStringLiteral("toString"), [](CallContext& c) {
        return Value(c.machine.toString(c.machine.getMember(c.thisValue, QStringLiteral("message"))));
    });

    Object* clipPrototype = machine.clipPrototype();
    Object* clip = machine.newConstructor([](CallContext& c) { return c.thisValue; }, clipPrototype);
    global->setOwn(QStringLiteral("MovieClip"), clip, kDontEnum);
    installClipMethods(machine, clipPrototype);
}

} // namespace swf::avm1
