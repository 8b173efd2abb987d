// The machine: object ownership and collection, member access, calls, conversions, limits.
#include "swf/avm1/machine.h"

#include "swf/avm1/builtins.h"
#include "swf/avm1/interpreter.h"

#include <QDateTime>
#include <QSet>

#include <cmath>
#include <limits>

namespace swf::avm1 {

namespace {

bool isArrayIndex(const QString& name, std::uint32_t* index) {
    if (name.isEmpty() || name.size() > 10 || (name.size() > 1 && name[0] == QLatin1Char('0'))) return false;
    std::uint64_t value = 0;
    for (QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        value = value * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
    }
    if (value >= 0xFFFFFFFFu) return false;
    *index = static_cast<std::uint32_t>(value);
    return true;
}

// Built-in names follow the movie's case rule like every other name.
bool isName(const QString& name, const char* word, int swfVersion) {
    return name.compare(QLatin1String(word),
                        swfVersion >= kSwfVersionCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) ==
           0;
}

} // namespace

Machine::Machine(Host& host, int swfVersion) : m_host(host), m_swfVersion(swfVersion) {
    m_objectPrototype = newObject(ObjectKind::Plain, nullptr);
    // _global stands outside Object: no __proto__, so no toString or valueOf of its own; to
    // operators it is an object with no primitive.
    m_global = newObject(ObjectKind::Plain, nullptr);
    installBuiltins(*this);
}

Machine::~Machine() = default;

void Machine::setCodePage(const QByteArray& codePage) {
    if (codePage == m_codePage) return;
    m_codePage = codePage;
    m_codePageCoding.codePage = codePage;
    m_utf8Coding.codePage = codePage;
    // Literals already decoded were read in the old code page.
    m_literals.clear();
}

double Machine::dateNowMs() const {
    return m_fixedDateMs ? *m_fixedDateMs : double(QDateTime::currentMSecsSinceEpoch());
}

void Machine::setBuiltinPrototypes(Object* function, Object* array, Object* string, Object* number,
                                   Object* boolean, Object* clip, Object* error) {
    m_functionPrototype = function;
    m_arrayPrototype = array;
    m_stringPrototype = string;
    m_numberPrototype = number;
    m_booleanPrototype = boolean;
    m_clipPrototype = clip;
    m_errorPrototype = error;
}

void Machine::beginFrame() {
    m_inFrame = true;
    m_clock.start();
}

void Machine::beginRun() {
    if (m_runDepth++ > 0) return;
    m_aborted = false;
    m_abortReason = AbortReason::None;
    m_thrown.reset();
    m_callDepth = 0;
    m_stackValues = 0;
    if (m_halted) {
        m_aborted = true;
        m_abortReason = AbortReason::CallDepth;
    } else if (!m_inFrame)
        m_clock.start();
    else if (m_clock.elapsed() > m_timeBudgetMs) {
        // The frame's time is spent: the scripts still waiting in it do not start. Without
        // this a movie whose every script is short but which queues thousands of them (frames
        // jumping to frames) would run on far past the budget.
        m_aborted = true;
        m_abortReason = AbortReason::TimeBudget;
    }
}

RunResult Machine::finishRun(Value result) {
    --m_runDepth;
    RunResult run;
    run.value = std::move(result);
    if (m_aborted) {
        run.status = RunStatus::Aborted;
        run.reason = m_abortReason;
    } else if (m_thrown) {
        run.status = RunStatus::Thrown;
        run.value = *m_thrown;
        m_thrown.reset(); // an uncaught throw ends only its own script
    }
    return run;
}

RunResult Machine::runActions(const QByteArray& block, Object* target) {
    Object* const roots[] = {target};
    collectIfGrown(roots);
    beginRun();
    Value result;
    if (!m_aborted) result = runActionBlock(*this, std::make_shared<const QByteArray>(block), target);
    return finishRun(result);
}

RunResult Machine::callFunction(const Value& function, const Value& thisValue, const QVector<Value>& args) {
    std::vector<Object*> roots{function.asObject(), thisValue.asObject()};
    for (const Value& argument : args)
        roots.push_back(argument.asObject());
    collectIfGrown(roots);
    beginRun();
    Value result;
    if (!m_aborted)
        result = call(function, thisValue,
                      std::span<const Value>(args.constData(), static_cast<std::size_t>(args.size())));
    return finishRun(result);
}

Object* Machine::newObject(ObjectKind kind, Object* proto) {
    if (m_objects.size() >= kMaxObjects) abort(AbortReason::ObjectCount);
    m_objects.push_back(std::make_unique<Object>(kind, proto, m_swfVersion >= kSwfVersionCaseSensitive));
    return m_objects.back().get();
}

Object* Machine::newArray(std::span<const Value> values) {
    Object* array = newObject(ObjectKind::Array, m_arrayPrototype);
    for (std::size_t i = 0; i < values.size(); ++i)
        array->setOwn(QString::number(i), values[i]);
    array->setArrayLength(static_cast<std::uint32_t>(values.size()));
    return array;
}

Object* Machine::newNativeFunction(NativeFunction function) {
    Object* object = newObject(ObjectKind::Function, m_functionPrototype);
    object->setProtoFlags(object->protoFlags() | property_flags::kVersion6Up);
    object->setNative(std::move(function));
    giveFunctionConstructor(object);
    return object;
}

// Every function names Function as its constructor, as instances of it do.
void Machine::giveFunctionConstructor(Object* function) {
    if (m_functionConstructor)
        function->setOwn(QStringLiteral("constructor"), m_functionConstructor,
                         property_flags::kDontEnum | property_flags::kDontDelete);
}

void Machine::setFunctionConstructor(Object* constructor) {
    m_functionConstructor = constructor;
    for (const auto& object : m_objects)
        if (object->isFunction() && !object->findOwn(QStringLiteral("constructor")))
            giveFunctionConstructor(object.get());
}

Object* Machine::newConstructor(NativeFunction function, Object* prototype) {
    Object* constructor = newNativeFunction(std::move(function));
    if (!prototype) prototype = newObject();
    constructor->setOwn(QStringLiteral("prototype"), prototype,
                        property_flags::kDontEnum | property_flags::kDontDelete);
    prototype->setOwn(QStringLiteral("constructor"), constructor,
                      property_flags::kDontEnum | property_flags::kDontDelete);
    return constructor;
}

Object* Machine::newScriptFunction(std::shared_ptr<ScriptFunction> function) {
    Object* object = newObject(ObjectKind::Function, m_functionPrototype);
    object->setProtoFlags(object->protoFlags() | property_flags::kVersion6Up);
    object->setScript(std::move(function));
    giveFunctionConstructor(object);
    Object* prototype = newObject();
    prototype->setOwn(QStringLiteral("constructor"), object,
                      property_flags::kDontEnum | property_flags::kDontDelete);
    object->setOwn(QStringLiteral("prototype"), prototype,
                   property_flags::kDontEnum | property_flags::kDontDelete);
    return object;
}

Object* Machine::newClip(PropertyDelegate* delegate) {
    Object* clip = newObject(ObjectKind::Clip, m_clipPrototype);
    clip->setDelegate(delegate);
    return clip;
}

Value Machine::adoptClassPrototype(Object* object, const QString& className) {
    // The class a version cannot name (Function before SWF 6) still makes what it makes.
    const Property* own = m_global->findOwn(className);
    const Value classValue = own && !own->isAccessor() ? own->value : getMember(Value(m_global), className);
    const Value prototype =
        classValue.isObject() ? getMember(classValue, QStringLiteral("prototype")) : Value();
    if (Object* linked = prototype.asObject())
        object->setProto(linked);
    else
        object->setProtoPrimitive(prototype);
    return classValue;
}

void Machine::defineMethod(Object* object, const QString& name, NativeFunction function) {
    // Built-in methods are hidden and permanent: a movie may replace them but not delete them.
    object->setOwn(name, newNativeFunction(std::move(function)),
                   property_flags::kDontEnum | property_flags::kDontDelete);
}

Object* Machine::toObject(const Value& value) {
    switch (value.type()) {
    case ValueType::Object:
        return value.asObject();
    case ValueType::String:
    case ValueType::Number:
    case ValueType::Boolean: {
        const ObjectKind kind = value.isString()   ? ObjectKind::String
                                : value.isNumber() ? ObjectKind::Number
                                                   : ObjectKind::Boolean;
        Object* proto = value.isString()   ? m_stringPrototype
                        : value.isNumber() ? m_numberPrototype
                                           : m_booleanPrototype;
        Object* wrapper = newObject(kind, proto);
        wrapper->setPrimitive(value);
        // Made as its class's constructor would make it.
        if (const Property* constructor = proto ? proto->findOwn(QStringLiteral("constructor")) : nullptr) {
            wrapper->setOwn(QStringLiteral("__constructor__"), constructor->value,
                            property_flags::kDontEnum | property_flags::kVersion6Up);
            if (m_swfVersion < kSwfVersionStrictConversions)
                wrapper->setOwn(QStringLiteral("constructor"), constructor->value, property_flags::kDontEnum);
        }
        return wrapper;
    }
    default:
        return nullptr;
    }
}

Object* Machine::lookup(Object* object, const QString& name, Object** owner, int hops) {
    for (Object* current = object;; current = visibleProto(current), ++hops) {
        if (hops > kMaxPrototypeDepth) {
            abort(AbortReason::ProtoChain);
            return nullptr;
        }
        if (!current) return nullptr;
        const Property* property = current->findOwn(name);
        if (property && property_flags::visibleTo(property->flags, m_swfVersion)) {
            if (owner) *owner = current;
            return current;
        }
    }
}

bool Machine::hasProperty(Object* object, const QString& name) {
    if (!object) return false;
    // __proto__ lives in a slot of its own, not among the properties.
    if (isName(name, "__proto__", m_swfVersion) && object->hasProtoSlot()) return true;
    if (object->delegate() && object->delegate()->getProperty(*object, name)) return true;
    if (object->isArray() && isName(name, "length", m_swfVersion)) return true;
    return lookup(object, name) != nullptr;
}

bool Machine::canResolve(Object* object) {
    const QString resolveName = QStringLiteral("__resolve");
    Object* holder = lookup(object, resolveName);
    if (!holder) return false;
    const Property* property = holder->findOwn(resolveName);
    return !property->isAccessor() && property->value.asObject() && property->value.asObject()->isFunction();
}

bool Machine::hasOwnProperty(Object* object, const QString& name) {
    if (!object) return false;
    if (object->delegate() && object->delegate()->getProperty(*object, name)) return true;
    if (object->isArray() && isName(name, "length", m_swfVersion)) return true;
    return object->findOwn(name) != nullptr;
}

Value Machine::getMember(const Value& value, const QString& name) {
    Object* object = value.asObject();
    if (!object) {
        if (value.isString() && isName(name, "length", m_swfVersion))
            return static_cast<double>(value.asString().size());
        object = value.isString()    ? m_stringPrototype
                 : value.isNumber()  ? m_numberPrototype
                 : value.isBoolean() ? m_booleanPrototype
                                     : nullptr;
        if (!object) return Value();
        // A primitive reads as the object its class would make of it: its __proto__ is the
        // class's prototype, its __constructor__ the class.
        if (isName(name, "__proto__", m_swfVersion)) return Value(object);
        if (m_swfVersion >= 6 && isName(name, "__constructor__", m_swfVersion))
            return getMember(Value(object), QStringLiteral("constructor"));
    }
    if (isName(name, "__proto__", m_swfVersion) && !ownAccessor(object, name)) {
        if (!object->hasProtoSlot() || (object->proto() && !visibleProto(object))) return Value();
        return object->proto() ? Value(object->proto()) : object->protoPrimitive();
    }
    // A clip's own members come before its children and built-in properties, which come
    // before what its prototypes hold.
    if (object->delegate()) {
        const Property* own = object->findOwn(name);
        if (own && property_flags::visibleTo(own->flags, m_swfVersion))
            return own->isAccessor() && !watcherSaturated(object, name) ? call(own->getter, value, {})
                                                                        : own->value;
        if (auto delegated = object->delegate()->getProperty(*object, name)) return *delegated;
    }
    if (object->isArray() && isName(name, "length", m_swfVersion))
        return object->lengthValue().isUndefined() ? Value(static_cast<double>(object->arrayLength()))
                                                   : object->lengthValue();
    if (object->kind() == ObjectKind::String && isName(name, "length", m_swfVersion) &&
        !object->findOwn(name))
        return static_cast<double>(object->primitive().asString().size());
    Object* holder = lookup(object, name);
    if (!holder) return resolveMissing(value, object, name);
    const Property* property = holder->findOwn(name);
    if (property->isAccessor() && !watcherSaturated(holder, name)) return call(property->getter, value, {});
    return property->value;
}

// A name found nowhere is asked of the object's __resolve function. The search down the
// prototypes looks at stored values only (beneath an accessor, what was there before it). In
// SWF 6 the first __resolve found ends it; from SWF 7 one that is no object (undefined, a
// number, an accessor's empty slot) is passed over. Either way a value that is no function
// answers undefined.
Value Machine::resolveMissing(const Value& value, Object* object, const QString& name) {
    constexpr int kSwfVersionSkipsResolveValues = 7;
    const QString resolveName = QStringLiteral("__resolve");
    Object* holder = lookup(object, resolveName);
    for (int levels = 0; holder && levels < kMaxPrototypeDepth; ++levels) {
        Object* next = visibleProto(holder);
        const Property* property = holder->findOwn(resolveName);
        holder = next ? lookup(next, resolveName) : nullptr;
        Object* resolve = property->value.asObject();
        if (!resolve && m_swfVersion >= kSwfVersionSkipsResolveValues) continue;
        if (!resolve || !resolve->isFunction()) return Value();
        const Value argument = name;
        return call(property->value, value, std::span<const Value>(&argument, 1));
    }
    return Value();
}

void Machine::setMember(const Value& target, const QString& name, const Value& value) {
    Object* object = target.asObject();
    if (!object) return; // writes to primitives vanish, as in the player
    if (isName(name, "__proto__", m_swfVersion) && !ownAccessor(object, name)) {
        if (!(object->protoFlags() & property_flags::kReadOnly)) {
            if (value.isObject())
                object->setProto(value.asObject());
            else
                object->setProtoPrimitive(value);
        }
        return;
    }
    if (object->delegate() && object->delegate()->setProperty(*object, name, value)) return;
    if (object->isArray() && setArrayMember(object, name, value)) return;
    Value stored = value;
    if (!object->watchers().empty()) {
        const std::optional<Value> watched = applyWatcher(object, name, value);
        if (!watched) return;
        stored = *watched;
    }
    // The version bits of SWF 8 and later hide a member from writes as well as reads: a write
    // makes a new member in its place. The earlier bits hide it from reads alone, and a write
    // goes on changing the hidden value.
    constexpr std::uint16_t kWriteHiding =
        property_flags::kVersion8Up | property_flags::kVersion9Up | property_flags::kVersion10Up;
    Property* own = object->findOwn(name);
    if (own && property_flags::visibleTo(own->flags & kWriteHiding, m_swfVersion)) {
        if (own->flags & property_flags::kReadOnly) return;
        // The value is kept beneath an accessor too: a watcher is shown it as the old value.
        own->value = stored;
        if (own->isAccessor() && own->setter && !watcherSaturated(object, name)) {
            const Value argument = stored;
            call(own->setter, target, std::span<const Value>(&argument, 1));
        }
        return;
    }
    // A new member is the object's own unless a prototype holds a getter/setter pair of that
    // name; plain values on the way do not end the search.
    int hops = 1;
    for (Object* current = visibleProto(object);; current = visibleProto(current), ++hops) {
        if (hops > kMaxPrototypeDepth) {
            abort(AbortReason::ProtoChain);
            return;
        }
        if (!current) break;
        const Property* inherited = current->findOwn(name);
        if (!inherited || !inherited->isAccessor() ||
            !property_flags::visibleTo(inherited->flags, m_swfVersion))
            continue;
        if (inherited->setter) {
            const Value argument = stored;
            call(inherited->setter, target, std::span<const Value>(&argument, 1));
        }
        return;
    }
    if (Property* hidden = object->findOwn(name))
        *hidden = Property{hidden->name, stored};
    else
        object->setOwn(name, stored);
}

// Array length and index writes; true when the write was the length itself (or refused).
bool Machine::setArrayMember(Object* object, const QString& name, const Value& value) {
    std::uint32_t index = 0;
    if (isName(name, "length", m_swfVersion)) {
        if (object->lengthFlags() & property_flags::kReadOnly) return true;
        const double requested = toNumber(value);
        const std::uint32_t length = std::isfinite(requested) && requested > 0 ? toUint32(requested) : 0;
        if (length > kMaxArrayLength) {
            abort(AbortReason::ArrayLength);
            return true;
        }
        if (length < object->arrayLength()) {
            std::erase_if(object->properties(), [length](const Property& p) {
                std::uint32_t i = 0;
                return isArrayIndex(p.name, &i) && i >= length;
            });
            object->reindex();
        }
        object->setArrayLength(length);
        object->setLengthValue(value);
        return true;
    }
    if (isArrayIndex(name, &index) && index >= object->arrayLength()) {
        if (index >= kMaxArrayLength) {
            abort(AbortReason::ArrayLength);
            return true;
        }
        object->setArrayLength(index + 1);
    }
    return false;
}

// A watcher may run again inside its own callback from SWF 7 on, up to a nesting depth;
// before, a callback's write to its own member goes past it. A member that is not there yet
// is made (undefined) for the callback to see, and one the callback deletes takes the write
// with it. The old value shown is the stored one, beneath an accessor too.
std::optional<Value> Machine::applyWatcher(Object* object, const QString& name, const Value& value) {
    for (std::size_t i = 0; i < object->watchers().size(); ++i) {
        Watcher& watcher = object->watchers()[i];
        if (watcher.depth >= watcherNestingLimit() || !sameName(watcher.name, name)) continue;
        if (!object->findOwn(name) && !inheritedAccessor(object, name)) object->setOwn(name, Value());
        const Property* own = object->findOwn(name);
        const bool hadMember = own != nullptr;
        const Value args[] = {name, own ? own->value : Value(), value, watcher.userData};
        Object* callback = watcher.callback;
        const QString watchedName = watcher.name;
        ++watcher.depth;
        const Value result = call(callback, object, args);
        // The callback may have changed the watchers: find this one again.
        for (Watcher& again : object->watchers())
            if (again.callback == callback && again.name == watchedName && again.depth > 0) --again.depth;
        if (hadMember && !object->findOwn(name)) return std::nullopt;
        return result;
    }
    return value;
}

int Machine::watcherNestingLimit() const {
    constexpr int kSwfVersionNestedWatchers = 7;
    constexpr int kMaxWatcherNesting = 65;
    return m_swfVersion >= kSwfVersionNestedWatchers ? kMaxWatcherNesting : 1;
}

bool Machine::sameName(const QString& a, const QString& b) const {
    return a.compare(b, m_swfVersion >= kSwfVersionCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) ==
           0;
}

// While a member's watcher runs as deep as it may, its getter and setter rest too: reads and
// writes reach the stored value.
bool Machine::watcherSaturated(Object* object, const QString& name) const {
    for (const Watcher& watcher : object->watchers())
        if (watcher.depth >= watcherNestingLimit() && sameName(watcher.name, name)) return true;
    return false;
}

// The prototype holding a getter/setter pair of this name that a write would go through.
Object* Machine::inheritedAccessor(Object* object, const QString& name) {
    int hops = 1;
    for (Object* current = visibleProto(object); current && hops <= kMaxPrototypeDepth;
         current = visibleProto(current), ++hops) {
        const Property* inherited = current->findOwn(name);
        if (inherited && inherited->isAccessor() && property_flags::visibleTo(inherited->flags, m_swfVersion))
            return current;
    }
    return nullptr;
}

void Machine::registerClass(const QString& exportName, Object* constructor) {
    if (constructor)
        m_registeredClasses.insert(exportName, constructor);
    else
        m_registeredClasses.remove(exportName);
}

bool Machine::deleteMember(const Value& target, const QString& name) {
    Object* object = target.asObject();
    if (object && isName(name, "__proto__", m_swfVersion)) {
        if (!object->hasProtoSlot() || (object->protoFlags() & property_flags::kDontDelete)) return false;
        // From SWF 7 the member goes but the object keeps inheriting what it did.
        constexpr int kSwfVersionKeepsDeletedLink = 7;
        if (m_swfVersion >= kSwfVersionKeepsDeletedLink)
            object->deleteProtoMember();
        else
            object->setProto(nullptr);
        return true;
    }
    return object && object->removeOwn(name);
}

QStringList Machine::enumerate(Object* object) {
    std::vector<Object*> chain;
    for (Object* current = object; current && chain.size() < kMaxPrototypeDepth;
         current = visibleProto(current))
        chain.push_back(current);
    QStringList names;
    QSet<QString> seen;
    // Own names first, so the prototype's are handed out before them.
    for (auto it = chain.begin(); it != chain.end(); ++it) {
        QStringList level;
        if ((*it)->hasProtoSlot() && !((*it)->protoFlags() & property_flags::kDontEnum) &&
            !seen.contains(QStringLiteral("__proto__"))) {
            seen.insert(QStringLiteral("__proto__"));
            level.push_back(QStringLiteral("__proto__"));
        }
        if ((*it)->isArray() && !seen.contains(QStringLiteral("length"))) {
            seen.insert(QStringLiteral("length"));
            if (!((*it)->lengthFlags() & property_flags::kDontEnum))
                level.push_back(QStringLiteral("length"));
        }
        for (const Property& property : (*it)->properties()) {
            const QString key =
                m_swfVersion >= kSwfVersionCaseSensitive ? property.name : property.name.toLower();
            if (seen.contains(key)) continue;
            seen.insert(key);
            if (!(property.flags & property_flags::kDontEnum)) level.push_back(property.name);
        }
        names += level;
    }
    return names;
}

Value Machine::call(const Value& functionValue, const Value& thisValue, std::span<const Value> args,
                    Object* home, bool plain) {
    Object* function = functionValue.asObject();
    if (function && function->kind() == ObjectKind::Super && !unwinding()) {
        // Calling super itself runs the constructor the method's class extends (what
        // Extends or new left in __constructor__), on the object it came from.
        Object* superProto = function->superProto();
        Object* home = function->superHome();
        Value constructor = home ? getMember(home, QStringLiteral("__constructor__")) : Value();
        if (!constructor.isObject() && superProto)
            constructor = getMember(superProto, QStringLiteral("constructor"));
        // A built-in class reached this way constructs in place: super() in a class that
        // extends Date or Array makes the object under construction a date or an array.
        Object* native = constructor.asObject();
        if (native && native->isFunction() && !native->script() && native->native() &&
            function->superThis()) {
            if (m_callDepth >= kMaxCallDepth) {
                abort(AbortReason::CallDepth);
                return Value();
            }
            ++m_callDepth;
            CallContext context{*this, function->superThis(), args, native, true};
            const Value result = native->native()(context);
            --m_callDepth;
            return result;
        }
        return call(constructor, function->superThis(), args, superProto);
    }
    if (!function || !function->isFunction() || unwinding()) return Value();
    // A method asked of super runs on the object super came from.
    if (Object* object = thisValue.asObject(); object && object->kind() == ObjectKind::Super)
        return call(functionValue, object->superThis(), args, home, plain);
    if (function->script()) return callScriptFunction(*this, function, thisValue, args, home, !plain);
    if (!function->native()) return Value();
    if (m_callDepth >= kMaxCallDepth) {
        abort(AbortReason::CallDepth);
        return Value();
    }
    ++m_callDepth;
    CallContext context{*this, thisValue, args, function, false};
    const Value result = function->native()(context);
    --m_callDepth;
    return result;
}

Value Machine::callMethod(const Value& object, const QString& name, std::span<const Value> args) {
    return call(getMember(object, name), object, args);
}

Value Machine::construct(const Value& constructorValue, std::span<const Value> args) {
    Object* constructor = constructorValue.asObject();
    if (!constructor || !constructor->isFunction() || unwinding()) return Value();
    // A constructor whose prototype was taken away makes objects that inherit nothing, not
    // even Object's methods.
    const Value prototypeValue = getMember(constructor, QStringLiteral("prototype"));
    Object* prototype = prototypeValue.asObject();
    Object* object = newObject(ObjectKind::Plain, prototype);
    if (!prototype) object->setProtoPrimitive(prototypeValue);
    // Movies before SWF 6 do not see __constructor__, though it is there.
    object->setOwn(QStringLiteral("__constructor__"), constructor,
                   property_flags::kDontEnum | property_flags::kVersion6Up);
    if (m_swfVersion < kSwfVersionStrictConversions)
        object->setOwn(QStringLiteral("constructor"), constructor, property_flags::kDontEnum);
    if (constructor->script()) {
        callScriptFunction(*this, constructor, object, args, prototype, true);
        return object;
    }
    if (m_callDepth >= kMaxCallDepth) {
        abort(AbortReason::CallDepth);
        return Value();
    }
    ++m_callDepth;
    CallContext context{*this, object, args, constructor, true};
    const Value result = constructor->native() ? constructor->native()(context) : Value();
    --m_callDepth;
    if (context.refused) return Value();
    return result.isObject() ? result : Value(object);
}

} // namespace swf::avm1
