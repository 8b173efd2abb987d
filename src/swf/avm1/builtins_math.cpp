// Number, Boolean and Math.
#include "swf/avm1/builtins.h"

#include "swf/avm1/number_format.h"

#include <cmath>
#include <limits>

namespace swf::avm1 {

namespace {

using Unary = double (*)(double);

Value numberConstructor(CallContext& context) {
    const double number = context.args.empty() ? 0.0 : argNumber(context, 0);
    if (!context.constructing) return number;
    Object* wrapper = context.thisObject();
    wrapper->setKind(ObjectKind::Number);
    wrapper->setPrimitive(number);
    return wrapper;
}

Value booleanConstructor(CallContext& context) {
    const bool truth = context.machine.toBoolean(context.arg(0));
    if (!context.constructing) return truth;
    Object* wrapper = context.thisObject();
    wrapper->setKind(ObjectKind::Boolean);
    wrapper->setPrimitive(truth);
    return wrapper;
}

// The primitive behind `this`: a wrapper's value, or the value itself.
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
                             [function](CallContext& c) { return Value(function(argNumber(c, 0))); });
    }
    machine.defineMethod(math, QStringLiteral("atan2"),
                         [](CallContext& c) { return Value(std::atan2(argNumber(c, 0), argNumber(c, 1))); });
    machine.defineMethod(math, QStringLiteral("pow"),
                         [](CallContext& c) { return Value(std::pow(argNumber(c, 0), argNumber(c, 1))); });
    machine.defineMethod(math, QStringLiteral("random"),
                         [](CallContext& c) { return Value(c.machine.host().randomUnit()); });
    for (const bool isMax : {true, false}) {
        machine.defineMethod(math, isMax ? QStringLiteral("max") : QStringLiteral("min"),
                             [isMax](CallContext& c) {
                                 double result = isMax ? -HUGE_VAL : HUGE_VAL;
                                 for (std::size_t i = 0; i < c.args.size(); ++i) {
                                     const double value = argNumber(c, i);
                                     if (std::isnan(value)) return Value(value);
                                     result = isMax ? std::max(result, value) : std::min(result, value);
                                 }
                                 return Value(result);
                             });
    }
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
    number->setOwn(QStringLiteral("NaN"), machine.boxedNaN(), constantFlags);
    number->setOwn(QStringLiteral("POSITIVE_INFINITY"), HUGE_VAL, constantFlags);
    number->setOwn(QStringLiteral("NEGATIVE_INFINITY"), -HUGE_VAL, constantFlags);
    machine.defineMethod(machine.numberPrototype(), QStringLiteral("toString"), [](CallContext& c) {
        const double value = c.machine.toNumber(primitiveOf(c));
        const int radix = c.arg(0).isUndefined() ? 10 : toInt32(argNumber(c, 0)); // NaN and huge radixes too
        return Value(formatNumberRadix(value, radix));
    });
    machine.defineMethod(machine.numberPrototype(), QStringLiteral("valueOf"), primitiveOf);

    Object* boolean = machine.newConstructor(booleanConstructor, machine.booleanPrototype());
    global->setOwn(QStringLiteral("Boolean"), boolean, property_flags::kDontEnum);
    machine.defineMethod(machine.booleanPrototype(), QStringLiteral("toString"),
                         [](CallContext& c) { return Value(c.machine.toString(primitiveOf(c))); });
    machine.defineMethod(machine.booleanPrototype(), QStringLiteral("valueOf"), primitiveOf);
    installMath(machine);
}

} // namespace swf::avm1
