// String: the constructor, String.fromCharCode and the prototype's methods.
#include "swf/avm1/builtins.h"

#include <cmath>

namespace swf::avm1 {

namespace {

constexpr int kSwfVersionSplitCharacters = 6;

qsizetype clampIndex(double position, qsizetype length) {
    if (std::isnan(position) || position < 0) return 0;
    return static_cast<qsizetype>(std::min(std::trunc(position), static_cast<double>(length)));
}

qsizetype fromEnd(double position, qsizetype length) {
    if (std::isnan(position)) return 0;
    position = std::trunc(position);
    if (position < 0) position = std::max(0.0, static_cast<double>(length) + position);
    return static_cast<qsizetype>(std::min(position, static_cast<double>(length)));
}

Value split(CallContext& context) {
    Machine& machine = context.machine;
    const QString text = thisString(context);
    const bool early = machine.swfVersion() < kSwfVersionSplitCharacters;
    const bool hasLimit = context.args.size() > 1;
    const double limitValue = hasLimit ? argNumber(context, 1) : HUGE_VAL;
    const std::size_t limit =
        std::isnan(limitValue) || limitValue < 0
            ? 0
            : static_cast<std::size_t>(std::min(limitValue, static_cast<double>(kMaxArrayLength)));
    // No delimiter gives the whole string whatever the limit; so does an empty one before
    // SWF 6, which also cuts at nothing longer than one character.
    const Value whole[] = {Value(text)};
    if (context.arg(0).isUndefined() && !(early && hasLimit)) return machine.newArray(whole);
    // Before SWF 6 an undefined delimiter beside a limit cuts where Array.join would have put
    // its default separator.
    const QString delimiter = context.arg(0).isUndefined() ? QStringLiteral(",") : argString(context, 0);
    if (early && delimiter.isEmpty()) return machine.newArray(whole);
    // SWF 5 reads a delimiter given with a limit once more, which an object's toString shows.
    if (early && hasLimit && context.arg(0).isObject()) argString(context, 0);
    std::vector<Value> parts;
    if (early && delimiter.size() > 1) {
        parts.push_back(text);
    } else if (delimiter.isEmpty()) {
        for (qsizetype i = 0; i < text.size() && parts.size() < limit; ++i)
            parts.push_back(QString(text[i]));
    } else {
        for (const QString& part : text.split(delimiter)) {
            if (parts.size() >= limit) break;
            parts.push_back(part);
        }
    }
    if (parts.size() > limit) parts.resize(limit);
    // From SWF 6 an empty string cut by a delimiter is one empty part, whatever the limit.
    if (text.isEmpty() && !delimiter.isEmpty() && !early) parts.assign(1, QString());
    return machine.newArray(parts);
}

// substr and substring take their numbers as 32-bit integers: Infinity is 0 to them.
double integerArgument(CallContext& context, int index) {
    return static_cast<double>(toInt32(argNumber(context, index)));
}

Value substr(CallContext& context) {
    const QString text = thisString(context);
    const qsizetype start = fromEnd(integerArgument(context, 0), text.size());
    qsizetype length = text.size() - start;
    if (context.args.size() > 1 && !context.arg(1).isUndefined()) {
        // A negative length counts back from the end of the whole string; a part that
        // would then reach the end is empty.
        double requested = integerArgument(context, 1);
        if (requested < 0) {
            requested = std::max(0.0, requested + static_cast<double>(text.size()));
            if (static_cast<double>(start) + requested >= static_cast<double>(text.size())) requested = 0;
        }
        length = static_cast<qsizetype>(std::min(requested, static_cast<double>(length)));
    }
    return text.mid(start, length);
}

Value substring(CallContext& context) {
    const QString text = thisString(context);
    qsizetype start = clampIndex(integerArgument(context, 0), text.size());
    // A start at or past the end gives nothing, before the ends would be swapped.
    if (start >= text.size()) return QString();
    qsizetype end =
        context.arg(1).isUndefined() ? text.size() : clampIndex(integerArgument(context, 1), text.size());
    if (start > end) std::swap(start, end);
    return text.mid(start, end - start);
}

Value slice(CallContext& context) {
    const QString text = thisString(context);
    const qsizetype start = fromEnd(argNumber(context, 0), text.size());
    const qsizetype end =
        context.arg(1).isUndefined() ? text.size() : fromEnd(argNumber(context, 1), text.size());
    return end > start ? text.mid(start, end - start) : QString();
}

Value indexOf(CallContext& context) {
    const QString text = thisString(context);
    const QString search = argString(context, 0);
    const qsizetype from = context.args.size() > 1 ? clampIndex(argNumber(context, 1), text.size()) : 0;
    return static_cast<double>(text.indexOf(search, from));
}

Value lastIndexOf(CallContext& context) {
    const QString text = thisString(context);
    const QString search = argString(context, 0);
    qsizetype from = text.size();
    if (context.args.size() > 1) {
        const double requested = argNumber(context, 1);
        if (requested < 0) return -1.0;
        if (!std::isnan(requested)) from = clampIndex(requested, text.size());
    }
    return static_cast<double>(text.lastIndexOf(search, from));
}

Value stringConstructor(CallContext& context) {
    const QString text = context.args.empty() ? QString() : argString(context, 0);
    if (!context.constructing) return text;
    Object* wrapper = context.thisObject();
    wrapper->setKind(ObjectKind::String);
    wrapper->setPrimitive(text);
    // The length is the object's own, set once: a script may overwrite it but not delete it.
    wrapper->setOwn(QStringLiteral("length"), static_cast<double>(text.size()),
                    property_flags::kDontEnum | property_flags::kDontDelete);
    return wrapper;
}

Value primitiveText(CallContext& context) {
    Object* object = context.thisObject();
    if (object && object->kind() == ObjectKind::String) return object->primitive();
    return thisString(context);
}

} // namespace

void installStringClass(Machine& machine) {
    Object* prototype = machine.stringPrototype();
    Object* string = machine.newConstructor(stringConstructor, prototype);
    machine.global()->setOwn(QStringLiteral("String"), string, property_flags::kDontEnum);
    machine.defineMethod(string, QStringLiteral("fromCharCode"), [](CallContext& c) {
        QString text;
        for (const Value& code : c.args)
            text += QChar(static_cast<char16_t>(toUint32(c.machine.toNumber(code)) & 0xFFFF));
        return Value(text);
    });
    auto method = [&machine, prototype](const char* name, NativeFunction function) {
        machine.defineMethod(prototype, QString::fromLatin1(name), std::move(function));
    };
    method("toString", primitiveText);
    method("valueOf", primitiveText);
    method("charAt", [](CallContext& c) {
        const QString text = thisString(c);
        const double index = std::trunc(argNumber(c, 0));
        return Value(index >= 0 && index < text.size() ? QString(text[static_cast<qsizetype>(index)])
                                                       : QString());
    });
    method("charCodeAt", [](CallContext& c) {
        const QString text = thisString(c);
        const double index = std::trunc(argNumber(c, 0));
        return Value(index >= 0 && index < text.size()
                         ? static_cast<double>(text[static_cast<qsizetype>(index)].unicode())
                         : std::nan(""));
    });
    method("indexOf", indexOf);
    method("lastIndexOf", lastIndexOf);
    method("substr", substr);
    method("substring", substring);
    method("slice", slice);
    method("split", split);
    method("toUpperCase", [](CallContext& c) { return Value(thisString(c).toUpper()); });
    method("toLowerCase", [](CallContext& c) { return Value(thisString(c).toLower()); });
    method("concat", [](CallContext& c) {
        QString text = thisString(c);
        for (const Value& part : c.args) {
            const QString more = c.machine.toString(part);
            if (!c.machine.checkStringLength(text.size() + more.size())) return Value();
            text += more;
        }
        return Value(text);
    });
}

} // namespace swf::avm1
