// The machine's conversions that may run script, its limits and its collector.
#include "swf/avm1/machine.h"

#include "swf/avm1/number_format.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {
constexpr int kBudgetCheckInterval = 1024;
// How many string units a script may copy for the cost of one action.
constexpr qsizetype kStringUnitsPerAction = 256;
} // namespace

Value Machine::toPrimitive(const Value& value) {
    Object* object = value.asObject();
    if (!object) return value;
    if (object->kind() == ObjectKind::Clip) return m_host.targetPath(object);
    if (object->kind() == ObjectKind::Date)
        return toString(value); // dates prefer their text, as in ECMAScript
    if (object->isFunction()) {
        // A function's primitive is what valueOf answers, itself included: it counts as NaN
        // then, and only beside a string is its text asked. Without valueOf (SWF 5) it has none.
        if (!hasProperty(object, QStringLiteral("valueOf"))) return Value();
        return callMethod(value, QStringLiteral("valueOf"), {});
    }
    const Value viaValueOf = callMethod(value, QStringLiteral("valueOf"), {});
    // A clip given back by valueOf stands for its path, as a clip itself does.
    if (viaValueOf.asObject() && viaValueOf.asObject()->kind() == ObjectKind::Clip && !unwinding())
        return m_host.targetPath(viaValueOf.asObject());
    if (!viaValueOf.isObject() && !unwinding() && hasProperty(object, QStringLiteral("valueOf")))
        return viaValueOf;
    return toString(value);
}

double Machine::toNumber(const Value& value) {
    if (!value.isObject()) return primitiveToNumber(value, m_swfVersion);
    // Numbers come from valueOf alone: an object it answers with is NaN, toString is not asked.
    Object* object = value.asObject();
    if (object->kind() == ObjectKind::Clip) return primitiveToNumber(m_host.targetPath(object), m_swfVersion);
    const Value primitive = callMethod(value, QStringLiteral("valueOf"), {});
    if (Object* answer = primitive.asObject())
        return answer->kind() == ObjectKind::Clip ? primitiveToNumber(m_host.targetPath(answer), m_swfVersion)
                                                  : std::nan("");
    return primitiveToNumber(primitive, m_swfVersion);
}

QString Machine::toString(const Value& value) {
    Object* object = value.asObject();
    if (!object) return primitiveToString(value, m_swfVersion);
    if (object->kind() == ObjectKind::Clip) return m_host.targetPath(object);
    // Text from toString is the answer; without a toString, or with any other answer, the
    // object names its type.
    const Value method = getMember(value, QStringLiteral("toString"));
    const bool callable = method.asObject() && method.asObject()->isFunction();
    const Value text = callable ? call(method, value, {}) : Value();
    if (text.isString() && !unwinding()) return text.asString();
    return object->isFunction() ? QStringLiteral("[type Function]") : QStringLiteral("[type Object]");
}

Value Machine::add(const Value& a, const Value& b) {
    // The right side is asked first; a date is asked for its text first, as in ECMAScript.
    const auto first = [this](const Value& v) {
        if (v.asObject() && v.asObject()->kind() == ObjectKind::Date && m_swfVersion >= 6)
            return callMethod(v, QStringLiteral("toString"), {});
        return valueOfPrimitive(v);
    };
    const Value right = first(b);
    const Value left = first(a);
    if (unwinding()) return Value();
    if (left.isString() || right.isString()) {
        // Only beside a string is an object that stayed one asked for its text; a clip
        // answered stands for its path.
        const auto text = [this](const Value& original, const Value& primitive) {
            if (!primitive.isObject()) return primitiveToString(primitive, m_swfVersion);
            // A String object gives its own text without asking toString.
            if (original.asObject()->kind() == ObjectKind::String &&
                original.asObject()->primitive().isString())
                return original.asObject()->primitive().asString();
            return toString(primitive.asObject()->kind() == ObjectKind::Clip ? primitive : original);
        };
        const QString l = text(a, left);
        const QString r = text(b, right);
        if (!checkStringLength(l.size() + r.size())) return Value();
        return l + r;
    }
    // For a number, an object whose answer stayed a plain object is asked once more.
    const auto number = [this](const Value& original, const Value& primitive) {
        if (!primitive.isObject()) return primitiveToNumber(primitive, m_swfVersion);
        if (primitive.asObject()->kind() != ObjectKind::Clip) {
            const Value again = valueOfPrimitive(original);
            if (!again.isObject() && !unwinding()) return primitiveToNumber(again, m_swfVersion);
        }
        return std::nan("");
    };
    const double l = number(a, left);
    return l + number(b, right);
}

Value Machine::boxedNaN() {
    Value value(std::nan(""));
    value.setNumberIdentity(m_nextNumberIdentity++);
    if (m_nextNumberIdentity == 0) m_nextNumberIdentity = 1;
    return value;
}

Value Machine::constantNaN() {
    if (!m_constantNaNIdentity) m_constantNaNIdentity = boxedNaN().numberIdentity();
    Value value(std::nan(""));
    value.setNumberIdentity(m_constantNaNIdentity);
    return value;
}

Value Machine::valueOfPrimitive(const Value& value) {
    Object* object = value.asObject();
    if (!object || object->kind() == ObjectKind::Clip) return value;
    // Operators ask valueOf alone, never toString: an object with no valueOf is undefined to
    // them, and an object answered stays an object.
    return callMethod(value, QStringLiteral("valueOf"), {});
}

bool Machine::abstractEquals(const Value& a, const Value& b) {
    // To equality a clip is a kind of its own: it never converts, and equals only itself or
    // an object whose valueOf answers it. An object meets even undefined and null by its
    // primitive, and one whose valueOf answers an object equals no primitive.
    const auto plain = [](const Value& v) {
        return v.isObject() && v.asObject()->kind() != ObjectKind::Clip;
    };
    if (m_swfVersion < 6 && (plain(a) || plain(b))) {
        // SWF 5 converts every object, the right side first, and asks an object once more
        // when its answer is still one; two objects that stay objects are equal only as one.
        Value right = plain(b) ? valueOfPrimitive(b) : b;
        Value left = plain(a) ? valueOfPrimitive(a) : a;
        if (plain(left) && plain(right)) return !unwinding() && a.asObject() == b.asObject();
        if (plain(right))
            right = valueOfPrimitive(b);
        else if (plain(left))
            left = valueOfPrimitive(a);
        if (unwinding() || plain(left) || plain(right)) return false;
        return abstractEquals(left, right);
    }
    if (plain(a) && plain(b)) return a.asObject() == b.asObject();
    if (plain(a) || plain(b)) {
        const Value converted = valueOfPrimitive(plain(a) ? a : b);
        if (unwinding() || plain(converted)) return false;
        return plain(a) ? abstractEquals(converted, b) : abstractEquals(a, converted);
    }
    if (a.isObject() || b.isObject()) return a.asObject() == b.asObject();
    if (a.type() == b.type()) return strictEquals(a, b);
    if (a.isNullish() && b.isNullish()) return true;
    if (a.isNullish() || b.isNullish()) return false;
    if (a.isBoolean() || b.isBoolean()) {
        const Value left = a.isBoolean() ? Value(a.asBoolean() ? 1.0 : 0.0) : a;
        const Value right = b.isBoolean() ? Value(b.asBoolean() ? 1.0 : 0.0) : b;
        return abstractEquals(left, right);
    }
    // number against string
    return primitiveToNumber(a, m_swfVersion) == primitiveToNumber(b, m_swfVersion);
}

Value Machine::lessThan(const Value& a, const Value& b) {
    // A clip, given or answered, is NaN to ordering.
    const auto primitive = [this](const Value& v) {
        const Value answer = valueOfPrimitive(v);
        Object* object = answer.asObject();
        return object && object->kind() == ObjectKind::Clip ? Value(std::nan("")) : answer;
    };
    // A side that stays an object orders against nothing: false, not the undefined of NaN,
    // and the right side is not asked then.
    const Value left = primitive(a);
    if (left.isObject()) return false;
    const Value right = primitive(b);
    if (right.isObject()) return false;
    if (left.isString() && right.isString()) {
        // The empty string orders after every other.
        if (left.asString().isEmpty() || right.asString().isEmpty())
            return right.asString().isEmpty() && !left.asString().isEmpty();
        return QString::compare(left.asString(), right.asString()) < 0;
    }
    const double l = primitiveToNumber(left, m_swfVersion);
    const double r = primitiveToNumber(right, m_swfVersion);
    if (std::isnan(l) || std::isnan(r)) return Value();
    return l < r;
}

bool Machine::instanceOf(const Value& value, Object* constructor) {
    Object* object = value.asObject();
    if (!object || !constructor) return false;
    Object* prototype = getMember(constructor, QStringLiteral("prototype")).asObject();
    int depth = 0;
    for (Object* current = visibleProto(object); current && depth < kMaxPrototypeDepth;
         current = visibleProto(current), ++depth) {
        if (current == prototype) return true;
        for (Object* interface : current->interfaces()) {
            if (interface == constructor) return true;
            Object* interfacePrototype =
                interface->findOwn(QStringLiteral("prototype"))
                    ? interface->findOwn(QStringLiteral("prototype"))->value.asObject()
                    : nullptr;
            for (Object* inherited :
                 interfacePrototype ? interfacePrototype->interfaces() : std::vector<Object*>{}) {
                if (inherited == constructor) return true;
            }
        }
    }
    return false;
}

void Machine::throwValue(const Value& value) {
    if (!m_aborted) m_thrown = value;
}

void Machine::abort(AbortReason reason) {
    if (m_aborted) return;
    m_aborted = true;
    m_thrown.reset();
    m_abortReason = reason;
    // Runaway recursion stops the movie's scripting for good, not just the script that
    // recursed: no frame script, event or timer of the movie runs after it.
    if (reason == AbortReason::CallDepth) m_halted = true;
    m_host.scriptAborted(reason);
}

std::optional<Value> Machine::takeThrown() {
    std::optional<Value> thrown = std::move(m_thrown);
    m_thrown.reset();
    return thrown;
}

bool Machine::checkStringLength(qsizetype length) {
    // Building a long string costs in proportion to its length, so it counts against the
    // time budget like that many actions would: a loop of concatenations of megabyte strings
    // is stopped in time, not after a thousand of them.
    m_budgetTick += int(std::min<qsizetype>(length, kMaxStringLength) / kStringUnitsPerAction);
    if (m_budgetTick >= kBudgetCheckInterval) checkBudget();
    if (m_aborted) return false;
    if (length <= kMaxStringLength) return true;
    abort(AbortReason::StringLength);
    return false;
}

bool Machine::checkBudget() {
    if (++m_budgetTick >= kBudgetCheckInterval) {
        m_budgetTick = 0;
        if (m_clock.isValid() && m_clock.elapsed() > m_timeBudgetMs) abort(AbortReason::TimeBudget);
    }
    return !m_aborted;
}

int Machine::addTimer(IntervalTimer timer) {
    if (m_timers.size() >= kMaxTimers) return 0;
    const int id = m_nextTimerId++;
    m_timers.emplace(id, std::move(timer));
    return id;
}

bool Machine::removeTimer(int id) {
    return m_timers.erase(id) > 0;
}

void Machine::runTimers(double nowMs) {
    std::vector<std::pair<double, int>> due;
    for (const auto& [id, timer] : m_timers)
        if (timer.due <= nowMs) due.emplace_back(timer.due, id);
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        const auto found = m_timers.find(id);
        if (found == m_timers.end()) continue; // an earlier callback cleared it
        const IntervalTimer timer = found->second;
        if (timer.repeat)
            // A timer shorter than a frame still fires once per frame, never in a burst.
            found->second.due = std::max(timer.due + std::max(timer.interval, 0.0), nowMs + 1e-6);
        else
            m_timers.erase(found);
        std::vector<Object*> roots{timer.callee.asObject()};
        for (const Value& argument : timer.args)
            roots.push_back(argument.asObject());
        collectIfGrown(roots);
        beginRun();
        if (!m_aborted) {
            const Value function = timer.onObject ? getMember(timer.callee, timer.method) : timer.callee;
            call(function, timer.onObject ? timer.callee : Value(), timer.args);
        }
        finishRun(Value());
    }
}

void Machine::collectIfGrown(std::span<Object* const> extraRoots) {
    constexpr std::size_t kCollectionSlack = 10000;
    if (m_runDepth == 0 && m_objects.size() > 2 * m_liveAfterCollect + kCollectionSlack) collect(extraRoots);
}

void Machine::collect(std::span<Object* const> extraRoots) {
    if (m_runDepth > 0) return; // values on script stacks are not roots
    std::vector<Object*> pending(extraRoots.begin(), extraRoots.end());
    pending.insert(pending.end(),
                   {m_global, m_objectPrototype, m_functionPrototype, m_arrayPrototype, m_stringPrototype,
                    m_numberPrototype, m_booleanPrototype, m_clipPrototype, m_errorPrototype});
    for (const Value& value : m_globalRegisters)
        pending.push_back(value.asObject());
    for (Object* constructor : std::as_const(m_registeredClasses))
        pending.push_back(constructor);
    for (const auto& [id, timer] : m_timers) {
        pending.push_back(timer.callee.asObject());
        for (const Value& argument : timer.args)
            pending.push_back(argument.asObject());
    }
    for (const auto& object : m_objects) {
        object->setMarked(false);
        if (object->pins() > 0) pending.push_back(object.get());
    }
    while (!pending.empty()) {
        Object* object = pending.back();
        pending.pop_back();
        if (!object || object->marked()) continue;
        object->setMarked(true);
        object->forEachReference([&pending](Object* reference) {
            if (reference && !reference->marked()) pending.push_back(reference);
        });
    }
    std::erase_if(m_objects, [](const std::unique_ptr<Object>& object) { return !object->marked(); });
    m_liveAfterCollect = m_objects.size();
}

} // namespace swf::avm1
