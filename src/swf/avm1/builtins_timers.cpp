// setInterval, setTimeout and their clearing functions, over the machine's timers.
#include "swf/avm1/builtins.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

// (function, interval, args...) or (object, methodName, interval, args...). Anything else,
// or a missing interval, makes no timer and answers undefined.
Value addTimer(CallContext& context, bool repeat) {
    Object* first = context.arg(0).asObject();
    if (!first) return Value();
    IntervalTimer timer;
    timer.repeat = repeat;
    std::size_t intervalIndex = 1;
    timer.callee = first;
    if (!first->isFunction()) {
        timer.onObject = true;
        timer.method = argString(context, 1);
        intervalIndex = 2;
    }
    if (context.args.size() <= intervalIndex || context.args[intervalIndex].isUndefined()) return Value();
    const double interval = context.machine.toNumber(context.args[intervalIndex]);
    timer.interval = std::isfinite(interval) ? std::max(interval, 0.0) : 0.0;
    timer.args.assign(context.args.begin() + static_cast<std::ptrdiff_t>(intervalIndex) + 1,
                      context.args.end());
    timer.due = context.machine.host().getTimer() + timer.interval;
    const int id = context.machine.addTimer(std::move(timer));
    return id > 0 ? Value(id) : Value();
}

Value clearTimer(CallContext& context) {
    const double id = argNumber(context, 0);
    if (std::isfinite(id)) context.machine.removeTimer(static_cast<int>(std::clamp(id, -1.0, 2147483647.0)));
    return Value();
}

} // namespace

void installTimerFunctions(Machine& machine) {
    Object* global = machine.global();
    auto function = [&machine, global](const char* name, NativeFunction native) {
        global->setOwn(QString::fromLatin1(name), machine.newNativeFunction(std::move(native)),
                       property_flags::kDontEnum);
    };
    function("setInterval", [](CallContext& c) { return addTimer(c, true); });
    function("setTimeout", [](CallContext& c) { return addTimer(c, false); });
    function("clearInterval", clearTimer);
    // From SWF 6 on the two names hold one function; SWF 5 movies get a function of their own.
    if (machine.swfVersion() >= 6) {
        global->setOwn(QStringLiteral("clearTimeout"),
                       global->findOwn(QStringLiteral("clearInterval"))->value, property_flags::kDontEnum);
    } else {
        function("clearTimeout", clearTimer);
        Object* clearTimeout = global->findOwn(QStringLiteral("clearTimeout"))->value.asObject();
        clearTimeout->setProtoFlags(clearTimeout->protoFlags() & ~property_flags::kVersion6Up);
    }
}

} // namespace swf::avm1
