// Number, Boolean and Math.
#include "swf/avm1/builtins.h"

#include "swf/avm1/number_format.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace swf::avm1 {

namespace {

using Unary = double (*)(double);

constexpr int kMathNativeFamily = 200;

// Every Math function reads its first two arguments as numbers, in order, whatever it needs;
// the rest are never converted, and an argument not given is NaN, not undefined.
struct MathArguments {
    double first;
    double second;
};

MathArguments mathArguments(CallContext& context) {
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    const double first = context.args.empty() ? kMissing : argNumber(context, 0);
    if (context.machine.unwinding()) return {first, kMissing};
    const double second = context.args.size() < 2 ? kMissing : argNumber(context, 1);
    return {first, second};
}

Value numberConstructor(CallContext& context) {
    const double number = context.args.empty() ? 0.0 : argNumber(context, 0);
    if (!context.constructing) return number;
    Object* wrapper = context.thisObject();
    wrapper->setKind(ObjectKind::Number);
    wrapper->setPrimitive(number);
    return wrapper;
}

Value booleanConstructor(CallContext& context) {
    // Called with nothing to convert, Boolean answers nothing.
    if (!context.constructing && context.args.empty()) return Value();
    const bool truth = context.machine.toBoolean(context.arg(0));
    if (!context.constructing) return truth;
    Object* wrapper = context.thisObject();
    wrapper->setKind(ObjectKind::Boolean);
    wrapper->setPrimitive(truth);
    return wrapper;
}

// The primitive behind `this`: a wrapper's value, or the value itself.
// The value a Number or Boolean method works on: the primitive it was called on, or the one
// its object holds; nothing for an object of another kind.
Value primitiveOf(CallContext& context) {
    if (Object* object = context.thisObject()) return object->primitive();
    return context.thisValue;
}

void installMath(Machine& machine) {
    Object* math = machine.newObject();
    machine.global()->setOwn(QStringLiteral("Math"), math, property_flags::kDontEnum);
    const std::pair<const char*, double> constants[] = {
        {"E", M_E},         {"LN10", M_LN10}, {"LN2", M_LN2},         {"LOG10E", M_LOG10E},
        {"LOG2E", M_LOG2E}, {"PI", M_PI},     {"SQRT1_2", M_SQRT1_2}, {"SQRT2", M_SQRT2}};
    for (const auto& [name, value] : constants)
        math->setOwn(QString::fromLatin1(name), value,
                     property_flags::kDontEnum | property_flags::kReadOnly | property_flags::kDontDelete);
    const std::pair<const char*, Unary> unary[] = {{"abs", [](double x) { return std::fabs(x); }},
                                                   {"acos", [](double x) { return std::acos(x); }},
                                                   {"asin", [](double x) { return std::asin(x); }},
                                                   {"atan", [](double x) { return std::atan(x); }},
                                                   {"ceil", [](double x) { return std::ceil(x); }},
                                                   {"cos", [](double x) { return std::cos(x); }},
                                                   {"exp", [](double x) { return std::exp(x); }},
                                                   {"floor", [](double x) { return std::floor(x); }},
                                                   {"log", [](double x) { return std::log(x); }},
                                                   {"sin", [](double x) { return std::sin(x); }},
                                                   {"sqrt", [](double x) { return std::sqrt(x); }},
                                                   {"tan", [](double x) { return std::tan(x); }},
                                                   {"round", [](double x) { return std::floor(x + 0.5); }}};
    for (const auto& entry : unary) {
        const Unary function = entry.second;
        machine.defineMethod(math, QString::fromLatin1(entry.first),
                             [function](CallContext& c) { return Value(function(mathArguments(c).first)); });
    }
    machine.defineMethod(math, QStringLiteral("atan2"), [](CallContext& c) {
        const MathArguments a = mathArguments(c);
        return Value(std::atan2(a.first, a.second));
    });
    machine.defineMethod(math, QStringLiteral("pow"), [](CallContext& c) {
        const MathArguments a = mathArguments(c);
        return Value(std::pow(a.first, a.second));
    });
    machine.defineMethod(math, QStringLiteral("random"), [](CallContext& c) {
        mathArguments(c);
        return Value(c.machine.host().randomUnit());
    });
    for (const bool isMax : {true, false}) {
        machine.defineMethod(
            math, isMax ? QStringLiteral("max") : QStringLiteral("min"), [isMax](CallContext& c) {
                // Of two: with nothing given the answer is the empty bound,
                // with one the missing second makes it NaN.
                if (c.args.empty()) return Value(isMax ? -HUGE_VAL : HUGE_VAL);
                const MathArguments a = mathArguments(c);
                if (std::isnan(a.first) || std::isnan(a.second)) return Value(std::nan(""));
                return Value(isMax ? std::max(a.first, a.second) : std::min(a.first, a.second));
            });
    }
    // The player's Math natives by number; an index it does not know still reads two numbers
    // and answers NaN.
    const char* const byIndex[] = {"abs",   "min",  "max",  "sin",  "cos",   "atan2",
                                   "tan",   "exp",  "log",  "sqrt", "round", "random",
                                   "floor", "ceil", "atan", "asin", "acos",  "pow"};
    for (int index = 0; index < static_cast<int>(std::size(byIndex)); ++index)
        machine.setNative(kMathNativeFamily, index,
                          math->findOwn(QString::fromLatin1(byIndex[index]))->value.asObject()->native());
    machine.setNative(kMathNativeFamily, kAnyNativeIndex, [](CallContext& c) {
        mathArguments(c);
        return Value(std::nan(""));
    });
}

} // namespace

void installNumberClasses(Machine& machine) {
    Object* global = machine.global();
    const std::uint16_t constantFlags =
        property_flags::kDontEnum | property_flags::kReadOnly | property_flags::kDontDelete;
    Object* number = machine.newConstructor(numberConstructor, machine.numberPrototype());
    global->setOwn(QStringLiteral("Number"), number, property_flags::kDontEnum);
    number->setOwn(QStringLiteral("MAX_VALUE"), std::numeric_limits<double>::max(), constantFlags);
    number->setOwn(QStringLiteral("MIN_VALUE"), std::numeric_limits<double>::denorm_min(), constantFlags);
    number->setOwn(QStringLiteral("NaN"), machine.constantNaN(), constantFlags);
    number->setOwn(QStringLiteral("POSITIVE_INFINITY"), HUGE_VAL, constantFlags);
    number->setOwn(QStringLiteral("NEGATIVE_INFINITY"), -HUGE_VAL, constantFlags);
    machine.defineMethod(machine.numberPrototype(), QStringLiteral("toString"), [](CallContext& c) {
        const Value primitive = primitiveOf(c);
        if (primitive.isUndefined()) return Value();
        const double value = c.machine.toNumber(primitive);
        const int radix = c.arg(0).isUndefined() ? 10 : toInt32(argNumber(c, 0)); // NaN and huge radixes too
        return Value(formatNumberRadix(value, radix));
    });
    machine.defineMethod(machine.numberPrototype(), QStringLiteral("valueOf"), primitiveOf);

    Object* boolean = machine.newConstructor(booleanConstructor, machine.booleanPrototype());
    global->setOwn(QStringLiteral("Boolean"), boolean, property_flags::kDontEnum);
    machine.defineMethod(machine.booleanPrototype(), QStringLiteral("toString"), [](CallContext& c) {
        const Value primitive = primitiveOf(c);
        return primitive.isUndefined() ? primitive : Value(c.machine.toString(primitive));
    });
    machine.defineMethod(machine.booleanPrototype(), QStringLiteral("valueOf"), primitiveOf);
    installMath(machine);
}

} // namespace swf::avm1
