// Variables, paths, targets, calls and activations.
#include "swf/avm1/interpreter.h"

#include "swf/avm1/target_path.h"
#include "swf/format/action_codes.h"

namespace swf::avm1 {

using format::ActionCode;
namespace ff = format::function_flags;

namespace {

constexpr int kSwfVersionFunctionScopes = 6; // SWF 5 functions see the caller's timeline
constexpr int kSwfVersionGlobal = 6;
constexpr int kSwfVersionThisPath = 6;
// Function bodies seldom stack more values than this: one allocation holds them all.
constexpr std::size_t kCallStackReserve = 16;

bool isTimelinePathName(const QString& name) {
    return name.compare(QLatin1String("_root"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("_parent"), Qt::CaseInsensitive) == 0 ||
           name.startsWith(QLatin1String("_level"), Qt::CaseInsensitive);
}

constexpr int kSwfVersionCaseSensitive = 7;
constexpr int kSwfVersionSuperFollowsMethod = 7;

// Keywords are names like any other: from SWF 7 they keep their case.
bool is(const QString& name, const char* word, int swfVersion) {
    // Case folding keeps lengths: most names are settled by theirs.
    const QLatin1String latin(word);
    return name.size() == latin.size() &&
           name.compare(latin, swfVersion >= kSwfVersionCaseSensitive ? Qt::CaseSensitive
                                                                      : Qt::CaseInsensitive) == 0;
}

std::vector<Value> popArguments(std::vector<Value>& stack, Machine& machine, double requested) {
    std::vector<Value> args;
    const double available = static_cast<double>(stack.size());
    const auto count = static_cast<std::size_t>(requested > 0 ? std::min(requested, available) : 0);
    args.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        args.push_back(std::move(stack.back()));
        stack.pop_back();
    }
    machine.stackValues() -= static_cast<int>(count);
    return args;
}

// The chain with the told timeline standing where the innermost timeline stood: the script
// no longer sees the variables of the timeline it left.
ScopePtr replaceTimeline(const ScopePtr& chain, Object* timeline) {
    if (!chain || chain->kind == ScopeKind::Global)
        return std::make_shared<const Scope>(Scope{timeline, ScopeKind::Timeline, chain});
    if (chain->kind == ScopeKind::Timeline)
        return std::make_shared<const Scope>(Scope{timeline, ScopeKind::Timeline, chain->parent});
    return std::make_shared<const Scope>(
        Scope{chain->object, chain->kind, replaceTimeline(chain->parent, timeline)});
}

} // namespace

Object* Interpreter::timeline() const {
    return m_frame.target ? m_frame.target : m_frame.originalTarget;
}

// A timeline that has left the stage stands for the root in its scope chain.
Object* Interpreter::scopeObject(const Scope& scope) {
    if (scope.kind != ScopeKind::Timeline || scope.object->kind() != ObjectKind::Clip) return scope.object;
    Host& host = m_machine.host();
    if (host.onStage(scope.object)) return scope.object;
    Object* root = host.resolveTarget(QString(), nullptr);
    return root ? root : scope.object;
}

Object* Interpreter::resolvePath(const QString& path) {
    return m_machine.host().resolveTarget(path, timeline());
}

template <typename Accept> Object* Interpreter::pathTarget(const QString& path, Accept accept) {
    Host& host = m_machine.host();
    // `this` and `_global` lead a path from themselves rather than from a scope.
    qsizetype headEnd = 0;
    while (headEnd < path.size() && path[headEnd] != QLatin1Char('.') && path[headEnd] != QLatin1Char(':') &&
           path[headEnd] != QLatin1Char('/'))
        ++headEnd;
    const QString head = path.left(headEnd);
    Object* from = nullptr;
    if (is(head, "this", m_frame.swfVersion) && m_frame.thisVariable)
        from = m_frame.thisValue.asObject();
    else if (is(head, "_global", m_frame.swfVersion) && m_frame.swfVersion >= kSwfVersionGlobal)
        from = m_machine.global();
    if (from) {
        Object* target = headEnd < path.size() ? host.resolveTarget(path.mid(headEnd + 1), from) : from;
        return target && accept(target) ? target : nullptr;
    }
    // Any other path is tried from each object of the scope chain, innermost first, until
    // one leads where the caller wants.
    for (const Scope* scope = m_frame.scope.get(); scope; scope = scope->parent.get()) {
        Object* target = host.resolveTarget(path, scopeObject(*scope));
        if (target && accept(target)) return target;
    }
    return nullptr;
}

Value Interpreter::getVariable(const QString& name, Object** holder) {
    if (name.isEmpty()) return Value();
    if (isVariablePath(name)) {
        // "path:x" and "path.x" read x where the path leads; a path alone names a clip.
        // An empty path (":x", ".x") leads nowhere.
        const qsizetype split = variablePathSplit(name);
        if (split == 0) return Value();
        // A path that leads somewhere without the variable is tried from the next scope.
        if (split > 0) {
            const QString variable = name.mid(split + 1);
            Value value;
            pathTarget(name.left(split), [&](Object* target) {
                value = m_machine.getMember(target, variable);
                return !value.isUndefined();
            });
            return value;
        }
        // A slash path that names no clip is the name of a variable, as SetVariable leaves it.
        if (Object* clip =
                pathTarget(name, [](Object* target) { return target->kind() == ObjectKind::Clip; }))
            return clip;
    }
    if (is(name, "this", m_frame.swfVersion) && m_frame.thisVariable) return m_frame.thisValue;
    if (is(name, "_global", m_frame.swfVersion) && m_frame.swfVersion >= kSwfVersionGlobal)
        return m_machine.global();
    if (is(name, "super", m_frame.swfVersion) && m_frame.superVariable && m_frame.hasSuper)
        return makeSuper();
    for (const Scope* scope = m_frame.scope.get(); scope; scope = scope->parent.get()) {
        // A with object that can resolve any name answers every name.
        Object* object = scopeObject(*scope);
        if (!m_machine.hasProperty(object, name) &&
            !(scope->kind == ScopeKind::With && m_machine.canResolve(object)))
            continue;
        if (holder && (scope->kind == ScopeKind::With || scope->kind == ScopeKind::Activation))
            *holder = object;
        return m_machine.getMember(object, name);
    }
    // Names a path can hold answer last; from SWF 6 `this` among them, when a function took
    // it away.
    if (isTimelinePathName(name) ||
        (m_frame.swfVersion >= kSwfVersionThisPath && is(name, "this", m_frame.swfVersion))) {
        Object* target = resolvePath(name);
        return target ? Value(target) : Value();
    }
    return Value();
}

// Where a variable path stores: the object its path leads to and the variable's name.
std::pair<Object*, QString> Interpreter::variableSlot(const QString& name) {
    const qsizetype split = variablePathSplit(name);
    if (split <= 0) return {nullptr, QString()};
    return {pathTarget(name.left(split), [](Object*) { return true; }), name.mid(split + 1)};
}

void Interpreter::setVariable(const QString& name, const Value& value) {
    // `this` is the running script's own: a write changes it for the rest of this script.
    if (is(name, "this", m_frame.swfVersion) && m_frame.thisVariable) {
        m_frame.thisValue = value;
        return;
    }
    // A slash path without a variable is a name like any other here.
    if (variablePathSplit(name) >= 0) {
        const auto [target, variable] = variableSlot(name);
        if (target) m_machine.setMember(target, variable, value);
        return;
    }
    for (const Scope* scope = m_frame.scope.get(); scope; scope = scope->parent.get()) {
        if (scope->kind == ScopeKind::Timeline || scope->kind == ScopeKind::Global) {
            m_machine.setMember(scopeObject(*scope), name, value);
            return;
        }
        // An assignment lands on a with object only when the object itself holds the name:
        // one it merely inherits is shadowed further out, on the timeline.
        if (scope->kind == ScopeKind::With ? m_machine.hasOwnProperty(scope->object, name)
                                           : m_machine.hasProperty(scope->object, name)) {
            m_machine.setMember(scope->object, name, value);
            return;
        }
    }
    m_machine.setMember(timeline(), name, value);
}

// In a function a local takes its name as it is, path or not; elsewhere it is a variable
// of the timeline or of where its path leads.
void Interpreter::defineLocal(const QString& name, const Value& value) {
    if (m_frame.activation)
        m_frame.activation->setOwn(name, value);
    else
        setVariable(name, value);
}

void Interpreter::declareLocal(const QString& name) {
    if (m_frame.activation) {
        if (!m_frame.activation->findOwn(name)) m_frame.activation->setOwn(name, Value());
        return;
    }
    // One the timeline inherits counts as there.
    if (variablePathSplit(name) < 0) {
        if (!m_machine.hasProperty(timeline(), name)) setVariable(name, Value());
        return;
    }
    const auto [target, variable] = variableSlot(name);
    if (target && !m_machine.hasProperty(target, variable)) m_machine.setMember(target, variable, Value());
}

bool Interpreter::deleteVariable(const QString& name) {
    for (const Scope* scope = m_frame.scope.get(); scope; scope = scope->parent.get()) {
        if (scope->object->findOwn(name)) return m_machine.deleteMember(scope->object, name);
    }
    return false;
}

Object* Interpreter::makeSuper() {
    Object* thisObject = m_frame.thisValue.asObject();
    if (!thisObject) return nullptr;
    Object* home = m_frame.home ? m_frame.home : thisObject->proto();
    Object* superProto = home ? home->proto() : nullptr;
    Object* super = m_machine.newObject(ObjectKind::Super, superProto);
    super->setSuper(thisObject, superProto, home);
    return super;
}

void Interpreter::setTarget(const QString& path) {
    if (path.isEmpty()) {
        m_frame.target = m_frame.originalTarget;
        m_frame.targetLost = false;
        m_frame.scope = m_frame.baseScope;
        return;
    }
    Object* target = resolvePath(path);
    if (target && target->kind() == ObjectKind::Clip) {
        tellTarget(target);
        return;
    }
    // A target that names no clip leaves the script nowhere: its variables are the root's,
    // while the clip actions and properties of the current target reach nothing.
    Object* root = m_machine.host().resolveTarget(QStringLiteral("/"), m_frame.originalTarget);
    if (!root) {
        setTarget(QString());
        return;
    }
    tellTarget(root);
    m_frame.targetLost = true;
}

void Interpreter::tellTarget(Object* clip) {
    m_frame.target = clip;
    m_frame.targetLost = false;
    m_frame.scope = replaceTimeline(m_frame.scope, clip);
}

void Interpreter::actionCall(std::uint8_t code) {
    const bool method = code == static_cast<std::uint8_t>(ActionCode::CallMethod);
    const Value nameValue = pop();
    const Value object = method ? pop() : Value();
    const std::vector<Value> args = popArguments(m_frame.stack, m_machine, m_machine.toNumber(pop()));
    if (!method) {
        // A plain call runs with `this` the with object or activation that held the name,
        // or else the caller's timeline.
        Object* holder = nullptr;
        const Value function = getVariable(m_machine.toString(nameValue), &holder);
        push(m_machine.call(function, holder ? Value(holder) : Value(timeline()), args, nullptr, true));
        return;
    }
    const QString name = nameValue.isUndefined() ? QString() : m_machine.toString(nameValue);
    Object* target = object.asObject();
    if (target && target->kind() == ObjectKind::Super) {
        Object* superProto = target->superProto();
        if (name.isEmpty()) {
            push(m_machine.call(target, Value(), args));
            return;
        }
        const Value function = superProto ? m_machine.getMember(superProto, name) : Value();
        push(m_machine.call(function, target->superThis(), args, superCallHome(superProto, name)));
        return;
    }
    if (name.isEmpty()) {
        push(m_machine.call(object, Value(), args));
        return;
    }
    const Value function = m_machine.getMember(object, name);
    push(m_machine.call(function, object, args, methodHome(target, name)));
}

Object* Interpreter::methodHome(Object* object, const QString& name) {
    // Before SWF 7 super in a method is the object's prototype's prototype, wherever the method
    // was found: the player assumes a method of the object's class. Later it is the prototype
    // above the one holding the method; one the object holds itself still counts from its class.
    if (!object || m_frame.swfVersion < kSwfVersionSuperFollowsMethod ||
        m_machine.hasOwnProperty(object, name))
        return nullptr;
    for (Object* prototype = object->proto(); prototype; prototype = prototype->proto()) {
        if (m_machine.hasOwnProperty(prototype, name)) return prototype;
    }
    return nullptr;
}

Object* Interpreter::superCallHome(Object* superProto, const QString& name) {
    // Before SWF 7 a method called through super runs one class up from the caller, wherever
    // up the chain it was found, so its own super goes up one more. Later the player keeps the
    // last prototype it passed on the way to the method: a method found further up runs once
    // more through its own super before super goes past it.
    if (!superProto || m_frame.swfVersion < kSwfVersionSuperFollowsMethod) return superProto;
    Object* passed = superProto;
    for (Object* prototype = superProto; prototype; prototype = prototype->proto()) {
        if (m_machine.hasOwnProperty(prototype, name)) return passed;
        passed = prototype;
    }
    return superProto;
}

void Interpreter::actionNew(std::uint8_t code) {
    const bool method = code == static_cast<std::uint8_t>(ActionCode::NewMethod);
    const Value nameValue = pop();
    const Value object = method ? pop() : Value();
    const std::vector<Value> args = popArguments(m_frame.stack, m_machine, m_machine.toNumber(pop()));
    Value constructor;
    if (!method)
        constructor = getVariable(m_machine.toString(nameValue));
    else if (nameValue.isUndefined() || m_machine.toString(nameValue).isEmpty())
        constructor = object;
    else
        constructor = m_machine.getMember(object, m_machine.toString(nameValue));
    push(m_machine.construct(constructor, args));
}

namespace {

void preloadRegisters(Machine& machine, Frame& frame, const ScriptFunction& function, Object* arguments,
                      Object* super) {
    const std::uint16_t flags = function.header.flags;
    int next = 1;
    // Each value asked for takes its register. A suppressed `this` or `super` leaves it
    // undefined; the arguments array is preloaded even when suppressed as a variable.
    auto preload = [&](std::uint16_t flag, const Value& value, std::uint16_t suppress = 0) {
        if ((flags & flag) && next < frame.registerCount)
            frame.registers[next++] = flags & suppress ? Value() : value;
    };
    preload(ff::kPreloadThis, frame.thisValue, ff::kSuppressThis);
    preload(ff::kPreloadArguments, arguments);
    preload(ff::kPreloadSuper, super, ff::kSuppressSuper);
    if (flags & (ff::kPreloadRoot | ff::kPreloadParent)) {
        Host& host = machine.host();
        preload(ff::kPreloadRoot, host.resolveTarget(QStringLiteral("_root"), frame.target));
        // A clip with no parent (a level's root) gives none, and the register goes to the next.
        if (Object* parent = host.resolveTarget(QStringLiteral("_parent"), frame.target))
            preload(ff::kPreloadParent, parent);
    }
    preload(ff::kPreloadGlobal, machine.global());
}

Object* makeArguments(Machine& machine, Frame& frame) {
    Object* arguments = machine.newArray(frame.args);
    arguments->setOwn(QStringLiteral("callee"), frame.callee,
                      property_flags::kDontEnum | property_flags::kDontDelete);
    // The script function running when this one was called, through any natives between;
    // null when a frame script or the player called it.
    Object* caller = machine.runningFunction();
    arguments->setOwn(QStringLiteral("caller"), caller ? Value(caller) : Value::null(),
                      property_flags::kDontEnum | property_flags::kDontDelete);
    // Made as an array literal is, so it names Array as its maker the same way.
    if (const Property* maker = machine.arrayPrototype()->findOwn(QStringLiteral("constructor")))
        arguments->setOwn(QStringLiteral("constructor"), maker->value,
                          property_flags::kDontEnum | property_flags::kDontDelete);
    return arguments;
}

// The scope chain and timeline of a call: SWF 6 functions keep the chain they were defined
// in; SWF 5 functions see the global object and the timeline they are called on.
void bindFunctionScope(Machine& machine, Frame& frame, const ScriptFunction& script) {
    frame.activation = machine.newObject(ObjectKind::Plain, nullptr);
    ScopePtr outer = script.scope;
    frame.target = script.target;
    if (script.swfVersion < kSwfVersionFunctionScopes) {
        Object* thisObject = frame.thisValue.asObject();
        if (thisObject && thisObject->kind() == ObjectKind::Clip) frame.target = thisObject;
        auto global = std::make_shared<const Scope>(Scope{machine.global(), ScopeKind::Global, nullptr});
        outer = std::make_shared<const Scope>(Scope{frame.target, ScopeKind::Timeline, global});
    }
    frame.originalTarget = frame.target;
    frame.scope = std::make_shared<const Scope>(Scope{frame.activation, ScopeKind::Activation, outer});
    frame.baseScope = frame.scope;
}

// Registers, `arguments`, `super` and the parameters.
void bindParameters(Machine& machine, Frame& frame, const ScriptFunction& script) {
    const format::FunctionHeader& header = script.header;
    const std::uint16_t flags = header.flags;
    // A DefineFunction2 that asks for no registers gets the four every function has.
    const int registerCount = header.isFunction2 && header.registerCount > 0
                                  ? std::min(header.registerCount, kMaxFunctionRegisters)
                                  : kGlobalRegisterCount;
    frame.localRegisters.resize(static_cast<std::size_t>(registerCount));
    frame.registers = frame.localRegisters.data();
    frame.registerCount = registerCount;

    // A preloaded or suppressed value of DefineFunction2 is not a variable.
    auto isVariable = [&header, flags](std::uint16_t preload, std::uint16_t suppress) {
        return !header.isFunction2 || !(flags & (preload | suppress));
    };
    frame.thisVariable = isVariable(ff::kPreloadThis, ff::kSuppressThis);
    frame.superVariable = isVariable(ff::kPreloadSuper, ff::kSuppressSuper);
    // Compilers suppress `arguments` in most functions: nothing can reach it then, so it is
    // not made, sparing each call an array.
    Object* arguments =
        header.isFunction2 && (flags & ff::kSuppressArguments) && !(flags & ff::kPreloadArguments)
            ? nullptr
            : makeArguments(machine, frame);
    if (isVariable(ff::kPreloadArguments, ff::kSuppressArguments))
        frame.activation->setOwn(QStringLiteral("arguments"), arguments);
    Object* thisObject = frame.thisValue.asObject();
    Object* super = nullptr;
    if (header.isFunction2 && (flags & ff::kPreloadSuper) && thisObject && frame.hasSuper) {
        Object* base = frame.home ? frame.home : thisObject->proto();
        Object* superProto = base ? base->proto() : nullptr;
        super = machine.newObject(ObjectKind::Super, superProto);
        super->setSuper(thisObject, superProto, base);
    }
    if (header.isFunction2) preloadRegisters(machine, frame, script, arguments, super);
    for (int i = 0; i < header.params.size(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        const Value value = index < frame.args.size() ? frame.args[index] : Value();
        const format::FunctionParameter& param = header.params[i];
        if (header.isFunction2 && param.reg > 0 && param.reg < frame.registerCount) {
            frame.registers[param.reg] = value;
        } else {
            frame.activation->setOwn(param.name, value);
            // A parameter named `this` takes its place, as one named arguments or super does.
            if (frame.thisVariable && is(param.name, "this", script.swfVersion)) frame.thisValue = value;
        }
    }
}

} // namespace

Value callScriptFunction(Machine& machine, Object* function, const Value& thisValue,
                         std::span<const Value> args, Object* home, bool hasSuper) {
    if (machine.callDepth() >= kMaxCallDepth) {
        machine.abort(AbortReason::CallDepth);
        return Value();
    }
    const ScriptFunction& script = *function->script();
    Frame frame;
    frame.code = script.code;
    frame.start = script.start;
    frame.end = script.start + script.size;
    frame.pc = frame.start;
    frame.thisValue = thisValue;
    frame.callee = function;
    frame.home = home;
    frame.hasSuper = hasSuper && script.swfVersion >= kSwfVersionGlobal;
    frame.args.assign(args.begin(), args.end());
    frame.constants = script.constants;
    frame.swfVersion = script.swfVersion;
    frame.stack.reserve(kCallStackReserve);
    bindFunctionScope(machine, frame, script);
    bindParameters(machine, frame, script);
    ++machine.callDepth();
    Object* const outerFunction = machine.runningFunction();
    const Frame* const outerFrame = machine.runningFrame();
    machine.setRunningFunction(function);
    machine.setRunningFrame(&frame);
    const Value result = Interpreter(machine, frame).run();
    machine.setRunningFunction(outerFunction);
    machine.setRunningFrame(outerFrame);
    --machine.callDepth();
    return result;
}

Value runActionBlock(Machine& machine, std::shared_ptr<const QByteArray> code, Object* target) {
    Frame frame;
    frame.end = static_cast<int>(code->size());
    frame.code = std::move(code);
    frame.target = target;
    frame.originalTarget = target;
    frame.thisValue = target;
    frame.swfVersion = machine.swfVersion();
    auto global = std::make_shared<const Scope>(Scope{machine.global(), ScopeKind::Global, nullptr});
    frame.scope = target ? std::make_shared<const Scope>(Scope{target, ScopeKind::Timeline, global}) : global;
    frame.baseScope = frame.scope;
    frame.registers = machine.globalRegisters();
    frame.registerCount = kGlobalRegisterCount;
    Object* const outerFunction = machine.runningFunction();
    const Frame* const outerFrame = machine.runningFrame();
    machine.setRunningFunction(nullptr);
    machine.setRunningFrame(&frame);
    const Value result = Interpreter(machine, frame).run();
    machine.setRunningFunction(outerFunction);
    machine.setRunningFrame(outerFrame);
    return result;
}

Object* Machine::currentTarget() const {
    if (!m_runningFrame || m_runningFrame->targetLost) return nullptr;
    return m_runningFrame->target ? m_runningFrame->target : m_runningFrame->originalTarget;
}

} // namespace swf::avm1
