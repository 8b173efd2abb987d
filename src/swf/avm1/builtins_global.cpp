// Global functions: escape, unescape, parseInt, parseFloat, isNaN, isFinite, NaN, Infinity.
// The Flash 4 style functions (int, chr, ord, length, substring, random, getTimer, trace)
// are compiled to actions and live in the interpreter.
#include "swf/avm1/builtins.h"

#include "swf/format/actions.h"

#include <cmath>

namespace swf::avm1 {

namespace {

bool isUnreserved(char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Movies before SWF 6 escape in the author's code page, the same one their strings use.
QByteArray encodeForEscape(const QString& text, const Machine& machine) {
    if (machine.swfVersion() >= format::kFirstUtf8Version) return text.toUtf8();
    return format::encodeCodePage(text, machine.codePage());
}

QString decodeForUnescape(const QByteArray& bytes, const Machine& machine) {
    return format::decodeActionString(bytes, {machine.swfVersion(), machine.codePage()});
}

// Everything but letters and digits becomes %XX, in the movie's byte encoding.
Value escape(CallContext& context) {
    const QByteArray bytes = encodeForEscape(argString(context, 0), context.machine);
    QString result;
    static const char kHex[] = "0123456789ABCDEF";
    for (const char byte : bytes) {
        const auto u = static_cast<unsigned char>(byte);
        if (isUnreserved(u)) {
            result += QLatin1Char(byte);
        } else {
            result += QLatin1Char('%');
            result += QLatin1Char(kHex[u >> 4]);
            result += QLatin1Char(kHex[u & 15]);
        }
    }
    if (!context.machine.checkStringLength(result.size())) return Value();
    return result;
}

Value unescape(CallContext& context) {
    const QString text = argString(context, 0);
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += encodeForEscape(QString(text[i]), context.machine);
        }
    }
    return decodeForUnescape(bytes, context.machine);
}

} // namespace

void installGlobalFunctions(Machine& machine) {
    Object* global = machine.global();
    auto function = [&machine, global](const char* name, NativeFunction native) {
        global->setOwn(QString::fromLatin1(name), machine.newNativeFunction(std::move(native)),
                       property_flags::kDontEnum);
    };
    function("escape", escape);
    function("unescape", unescape);
    function("parseInt", [](CallContext& c) {
        const int radix = c.arg(1).isUndefined() ? 0 : toInt32(argNumber(c, 1));
        return Value(parseIntPrefix(argString(c, 0), radix));
    });
    function("parseFloat", [](CallContext& c) { return Value(parseFloatPrefix(argString(c, 0))); });
    function("isNaN", [](CallContext& c) { return Value(std::isnan(argNumber(c, 0))); });
    function("isFinite", [](CallContext& c) { return Value(std::isfinite(argNumber(c, 0))); });
    // Calls that reach the player's debugger and drawing: this player has neither to reach.
    // Compiled trace() is an action of its own; the function is only for movies that look.
    function("trace", [](CallContext&) { return Value(); });
    function("updateAfterEvent", [](CallContext&) { return Value(); });
    function("showRedrawRegions", [](CallContext&) { return Value(); });
    global->setOwn(QStringLiteral("AsSetupError"),
                   machine.newConstructor([](CallContext&) { return Value(); }, machine.newObject()),
                   property_flags::kDontEnum);
    global->setOwn(QStringLiteral("NaN"), machine.constantNaN(), property_flags::kDontEnum);
    global->setOwn(QStringLiteral("Infinity"), HUGE_VAL, property_flags::kDontEnum);
}

} // namespace swf::avm1
