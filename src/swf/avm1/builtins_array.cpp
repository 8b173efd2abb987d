// Array: the constructor, its sort options and its methods.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace swf::avm1 {

namespace {

constexpr std::uint32_t kCaseInsensitive = 1;
constexpr std::uint32_t kDescending = 2;
constexpr std::uint32_t kUniqueSort = 4;
constexpr std::uint32_t kReturnIndexedArray = 8;
constexpr std::uint32_t kNumeric = 16;

using Compare = std::function<int(const Value&, const Value&)>;

// Replaces the elements of an array (or array-like object) with values.
void storeElements(Machine& machine, const Value& target, const std::vector<Value>& values) {
    Object* object = target.asObject();
    if (!object) return;
    if (object->isArray()) {
        machine.setMember(target, QStringLiteral("length"), 0.0);
        for (std::size_t i = 0; i < values.size(); ++i)
            object->setOwn(QString::number(i), values[i]);
        object->setArrayLength(static_cast<std::uint32_t>(values.size()));
        return;
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        machine.setMember(target, QString::number(i), values[i]);
    machine.setMember(target, QStringLiteral("length"), static_cast<double>(values.size()));
}

// A relative position: negative counts from the end; clamped to [0, length].
std::size_t relativeIndex(double position, std::size_t length) {
    if (std::isnan(position)) return 0;
    position = std::trunc(position);
    if (position < 0) position = std::max(0.0, static_cast<double>(length) + position);
    return static_cast<std::size_t>(std::min(position, static_cast<double>(length)));
}

// The player's quicksort, whose order of comparisons (and so what a comparator that traces or
// counts sees, and where equal elements land) scripts can observe: the first element of a
// range is its pivot, compared first with each element; a scan from the left passes the
// elements below it, one from the right those at or above it, and the two elements they stop
// at change places and are looked at again. The left part is sorted before the right.
bool quickSort(std::vector<std::size_t>& order, const std::vector<Value>& values, const Compare& compare,
               Machine& machine, bool* sawEqual) {
    bool stopped = false;
    auto comparePivot = [&](std::size_t pivot, std::size_t other) {
        const int result = compare(values[pivot], values[other]);
        if (!machine.checkBudget() || machine.unwinding()) stopped = true;
        if (result == 0) *sawEqual = true;
        return result;
    };
    // Ranges still to sort; a stack of our own, since a sorted array nests as deep as it is long.
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> ranges{{0, std::ptrdiff_t(order.size()) - 1}};
    while (!ranges.empty()) {
        const auto [low, high] = ranges.back();
        ranges.pop_back();
        if (low >= high) continue;
        const std::size_t pivot = order[std::size_t(low)];
        std::ptrdiff_t i = low + 1, j = high;
        bool swapped = false;
        for (;;) {
            const std::ptrdiff_t fromI = i, fromJ = j;
            while (!stopped && i < j && comparePivot(pivot, order[std::size_t(i)]) > 0)
                ++i;
            while (!stopped && j > low && comparePivot(pivot, order[std::size_t(j)]) <= 0)
                --j;
            if (stopped) return false;
            if (i >= j) break;
            // Elements just exchanged pass their scans; a comparator that contradicts itself
            // could stop both scans on them for ever, so they are stepped past then.
            if (swapped && i == fromI && j == fromJ) {
                ++i;
                --j;
                if (i >= j) break;
            }
            std::swap(order[std::size_t(i)], order[std::size_t(j)]);
            swapped = true;
        }
        std::swap(order[std::size_t(low)], order[std::size_t(j)]);
        ranges.push_back({j + 1, high});
        ranges.push_back({low, j - 1});
    }
    return true;
}

Compare defaultCompare(Machine& machine, std::uint32_t options) {
    if (options & kNumeric) {
        return [&machine](const Value& a, const Value& b) {
            const double x = machine.toNumber(a), y = machine.toNumber(b);
            return x < y ? -1 : x > y ? 1 : 0;
        };
    }
    const Qt::CaseSensitivity sensitivity =
        (options & kCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return [&machine, sensitivity](const Value& a, const Value& b) {
        const int order = QString::compare(machine.toString(a), machine.toString(b), sensitivity);
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    };
}

// byFunction: the script gave the comparator. Its answers do not decide uniqueness then: the
// sorted elements are compared as texts, each with the next, up to the first two that match.
Value sortWith(CallContext& context, std::vector<Value> values, Compare compare, std::uint32_t options,
               bool byFunction = false) {
    Machine& machine = context.machine;
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    bool sawEqual = false;
    if (!quickSort(order, values, compare, machine, &sawEqual)) return Value();
    if ((options & kUniqueSort) && byFunction) {
        const Qt::CaseSensitivity sensitivity =
            (options & kCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        sawEqual = false;
        for (std::size_t i = 1; i < order.size() && !sawEqual; ++i) {
            const QString left = machine.toString(values[order[i - 1]]);
            const QString right = machine.toString(values[order[i]]);
            if (machine.unwinding()) return Value();
            sawEqual = QString::compare(left, right, sensitivity) == 0;
        }
    }
    if ((options & kUniqueSort) && sawEqual) return 0.0;
    // Descending is the ascending order read backwards, equal elements too.
    if (options & kDescending) std::reverse(order.begin(), order.end());
    std::vector<Value> sorted;
    for (std::size_t index : order)
        sorted.push_back((options & kReturnIndexedArray) ? Value(static_cast<double>(index)) : values[index]);
    if (options & kReturnIndexedArray) return machine.newArray(sorted);
    storeElements(machine, context.thisValue, sorted);
    return context.thisValue;
}

Value arraySort(CallContext& context) {
    Machine& machine = context.machine;
    const Value first = context.arg(0);
    Object* function = first.asObject() && first.asObject()->isFunction() ? first.asObject() : nullptr;
    const std::uint32_t options = toUint32(machine.toNumber(function ? context.arg(1) : first));
    Compare compare = defaultCompare(machine, options);
    if (function) {
        compare = [&machine, function](const Value& a, const Value& b) {
            const Value args[] = {a, b};
            const double result = machine.toNumber(machine.call(function, Value(), args));
            return result < 0 ? -1 : result > 0 ? 1 : 0;
        };
    }
    return sortWith(context, arrayElements(machine, context.thisValue), compare, options,
                    function != nullptr);
}

Value arraySortOn(CallContext& context) {
    Machine& machine = context.machine;
    QStringList fields;
    if (context.arg(0).isObject())
        for (const Value& field : arrayElements(machine, context.arg(0)))
            fields.push_back(machine.toString(field));
    else
        fields.push_back(argString(context, 0));
    const std::uint32_t options = toUint32(argNumber(context, 1));
    const Compare inner = defaultCompare(machine, options);
    Compare compare = [&machine, fields, inner](const Value& a, const Value& b) {
        for (const QString& field : fields) {
            const int order = inner(machine.getMember(a, field), machine.getMember(b, field));
            if (order != 0) return order;
        }
        return 0;
    };
    return sortWith(context, arrayElements(machine, context.thisValue), compare, options);
}

Value arrayJoin(CallContext& context, const QString& separator) {
    Machine& machine = context.machine;
    QString text;
    // An object that is no array has no elements to join (its own or its prototype's
    // numbered members are not read), only the length it claims.
    const Object* object = context.thisValue.asObject();
    std::vector<Value> values;
    if (!object || object->isArray()) {
        values = arrayElements(machine, context.thisValue);
    } else {
        const double length =
            machine.toNumber(machine.getMember(context.thisValue, QStringLiteral("length")));
        if (std::isfinite(length) && length > 0)
            values.resize(std::size_t(std::min<double>(length, kMaxArrayLength)));
    }
    for (std::size_t i = 0; i < values.size() && machine.checkBudget() && !machine.unwinding(); ++i) {
        const QString item = machine.toString(values[i]);
        if (!machine.checkStringLength(text.size() + separator.size() + item.size())) return Value();
        if (i > 0) text += separator;
        text += item;
    }
    return text;
}

Value arraySplice(CallContext& context) {
    Machine& machine = context.machine;
    std::vector<Value> values = arrayElements(machine, context.thisValue);
    if (context.args.empty()) return Value();
    const std::size_t start = relativeIndex(argNumber(context, 0), values.size());
    std::size_t count = values.size() - start;
    if (context.args.size() > 1) {
        const double requested = argNumber(context, 1);
        count = std::isnan(requested) || requested < 0
                    ? 0
                    : static_cast<std::size_t>(std::min(requested, static_cast<double>(count)));
    }
    const auto first = values.begin() + static_cast<std::ptrdiff_t>(start);
    std::vector<Value> removed(first, first + static_cast<std::ptrdiff_t>(count));
    values.erase(first, first + static_cast<std::ptrdiff_t>(count));
    if (context.args.size() > 2)
        values.insert(values.begin() + static_cast<std::ptrdiff_t>(start), context.args.begin() + 2,
                      context.args.end());
    storeElements(machine, context.thisValue, values);
    return machine.newArray(removed);
}

Value arrayConstructor(CallContext& context) {
    Machine& machine = context.machine;
    Object* array = context.constructing ? context.thisObject() : machine.newArray();
    array->setKind(ObjectKind::Array);
    if (context.args.size() == 1 && context.args[0].isNumber()) {
        machine.setMember(array, QStringLiteral("length"), context.args[0]);
        return array;
    }
    storeElements(machine, array, std::vector<Value>(context.args.begin(), context.args.end()));
    return array;
}

void installMethods(Machine& machine, Object* prototype) {
    auto method = [&machine, prototype](const char* name, NativeFunction function) {
        machine.defineMethod(prototype, QString::fromLatin1(name), std::move(function));
    };
    method("push", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        values.insert(values.end(), c.args.begin(), c.args.end());
        storeElements(c.machine, c.thisValue, values);
        return Value(static_cast<double>(values.size()));
    });
    method("pop", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        if (values.empty()) return Value();
        const Value last = values.back();
        values.pop_back();
        storeElements(c.machine, c.thisValue, values);
        return last;
    });
    method("shift", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        if (values.empty()) return Value();
        const Value first = values.front();
        values.erase(values.begin());
        storeElements(c.machine, c.thisValue, values);
        return first;
    });
    method("unshift", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        values.insert(values.begin(), c.args.begin(), c.args.end());
        storeElements(c.machine, c.thisValue, values);
        return Value(static_cast<double>(values.size()));
    });
    method("slice", [](CallContext& c) {
        const std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        const std::size_t start = relativeIndex(c.args.empty() ? 0 : argNumber(c, 0), values.size());
        const std::size_t end =
            c.args.size() > 1 ? relativeIndex(argNumber(c, 1), values.size()) : values.size();
        std::vector<Value> part;
        for (std::size_t i = start; i < end; ++i)
            part.push_back(values[i]);
        return Value(c.machine.newArray(part));
    });
    method("splice", arraySplice);
    method("join", [](CallContext& c) {
        return arrayJoin(c, c.arg(0).isUndefined() ? QStringLiteral(",") : argString(c, 0));
    });
    method("toString", [](CallContext& c) { return arrayJoin(c, QStringLiteral(",")); });
    method("concat", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        for (const Value& argument : c.args) {
            if (argument.asObject() && argument.asObject()->isArray()) {
                const std::vector<Value> more = arrayElements(c.machine, argument);
                values.insert(values.end(), more.begin(), more.end());
            } else {
                values.push_back(argument);
            }
            if (values.size() > kMaxArrayLength) {
                c.machine.abort(AbortReason::ArrayLength);
                return Value();
            }
        }
        return Value(c.machine.newArray(values));
    });
    method("reverse", [](CallContext& c) {
        std::vector<Value> values = arrayElements(c.machine, c.thisValue);
        std::reverse(values.begin(), values.end());
        storeElements(c.machine, c.thisValue, values);
        return c.thisValue;
    });
    method("sort", arraySort);
    method("sortOn", arraySortOn);
}

} // namespace

void installArrayClass(Machine& machine) {
    Object* prototype = machine.arrayPrototype();
    Object* array = machine.newConstructor(arrayConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("Array"), array, property_flags::kDontEnum);
    const std::pair<const char*, std::uint32_t> constants[] = {{"CASEINSENSITIVE", kCaseInsensitive},
                                                               {"DESCENDING", kDescending},
                                                               {"UNIQUESORT", kUniqueSort},
                                                               {"RETURNINDEXEDARRAY", kReturnIndexedArray},
                                                               {"NUMERIC", kNumeric}};
    // The sort options are plain members: enumerable, writable and deletable.
    for (const auto& [name, value] : constants)
        array->setOwn(QString::fromLatin1(name), static_cast<double>(value));
    installMethods(machine, prototype);
}

} // namespace swf::avm1
