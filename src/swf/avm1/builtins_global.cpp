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

// Unescaped UTF-8 is read leniently: a stray continuation byte stands for the Latin-1
// character of that code, a sequence whose continuation bytes go wrong becomes U+FFFD with
// all its bytes, and a zero byte, a byte no sequence starts with (F8 to FF) or a sequence cut
// short by the end ends the text.
QString decodeUnescapedUtf8(const QByteArray& bytes) {
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead == 0) break;
        if (lead < 0xC0) {
            text += QChar(lead);
            ++i;
            continue;
        }
        const qsizetype length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 0;
        if (length == 0 || i + length > bytes.size()) break;
        char32_t code = lead & (0x7F >> length);
        bool valid = true;
        for (qsizetype k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        text += QString::fromUcs4(&code, 1);
        i += length;
    }
    return text;
}

QString decodeForUnescape(const QByteArray& bytes, const Machine& machine) {
    if (machine.swfVersion() >= format::kFirstUtf8Version) return decodeUnescapedUtf8(bytes);
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

// A % takes the two characters after it, and makes a byte of them only if both are hex
// digits; + is a space, as in a URL's query.
Value unescape(CallContext& context) {
    const QString text = argString(context, 0);
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%')) {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high >= 0 && low >= 0) bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (text[i] == QLatin1Char('+')) {
            bytes += ' ';
        } else {
            bytes += encodeForEscape(QString(text[i]), context.machine);
        }
    }
    const QString result = decodeForUnescape(bytes, context.machine);
    // SWF 5 movies get undefined rather than an empty string.
    if (result.isEmpty() && context.machine.swfVersion() < format::kFirstUtf8Version) return Value();
    return result;
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
