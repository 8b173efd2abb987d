// TextField.StyleSheet: CSS text parsed into style objects, and each style turned into the
// TextFormat a field shows it with. Styles live in two hidden members of the sheet: the
// style objects as given (_css) and their formats (_styles).
#include "swf/avm1/builtins.h"

#include <QRegularExpression>

namespace swf::avm1 {

using namespace property_flags;

namespace {

constexpr std::uint16_t kHidden = kDontEnum | kDontDelete;
// A sheet holds no more rules than this; the rest of the text is not read.
constexpr int kMaxRules = 4096;

QString css() {
    return QStringLiteral("_css");
}
QString styles() {
    return QStringLiteral("_styles");
}

// "font-size" is fontSize to scripts.
QString camelCase(const QString& name) {
    QString result;
    bool upper = false;
    for (const QChar c : name) {
        if (c == u'-') {
            upper = true;
            continue;
        }
        result += upper ? c.toUpper() : c;
        upper = false;
    }
    return result;
}

// Rules of the form "selector[, selector] { name: value; ... }"; null when a rule is broken.
Value parseRules(Machine& machine, const QString& text) {
    Object* result = machine.newObject();
    qsizetype at = 0;
    for (int rules = 0; rules < kMaxRules; ++rules) {
        const qsizetype open = text.indexOf(u'{', at);
        if (open < 0) {
            if (!text.mid(at).trimmed().isEmpty()) return Value::null();
            break;
        }
        const qsizetype close = text.indexOf(u'}', open);
        if (close < 0) return Value::null();
        const QStringList selectors = text.mid(at, open - at).split(u',');
        Object* style = machine.newObject();
        for (const QString& declaration : text.mid(open + 1, close - open - 1).split(u';')) {
            const qsizetype colon = declaration.indexOf(u':');
            if (colon < 0) continue;
            const QString name = camelCase(declaration.left(colon).trimmed());
            if (!name.isEmpty()) style->setOwn(name, declaration.mid(colon + 1).trimmed());
        }
        for (const QString& selector : selectors) {
            const QString name = selector.trimmed().toLower();
            if (name.isEmpty()) return Value::null();
            result->setOwn(name, style);
        }
        at = close + 1;
    }
    return result;
}

// "#rrggbb" as a number; anything else is no colour.
Value parseColor(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("^#([0-9a-fA-F]{6})$"));
    const auto match = hex.match(text.trimmed());
    if (!match.hasMatch()) return Value::null();
    return Value(double(match.captured(1).toUInt(nullptr, 16)));
}

// The first family named, the generic ones as the player's device-font names.
QString fontFamily(const QString& text) {
    const QString first = text.split(u',').value(0).trimmed().remove(u'"').remove(u'\'');
    if (first == QLatin1String("sans-serif")) return QStringLiteral("_sans");
    if (first == QLatin1String("serif")) return QStringLiteral("_serif");
    if (first == QLatin1String("mono") || first == QLatin1String("monospace"))
        return QStringLiteral("_typewriter");
    return first;
}

Value transform(CallContext& c) {
    Machine& machine = c.machine;
    const Value style = c.arg(0);
    // Any value but none makes a format; what it does not say stays unset.
    if (style.isNullish()) return Value::null();
    const Value format =
        machine.construct(machine.getMember(Value(machine.global()), QStringLiteral("TextFormat")), {});
    auto given = [&](const char* name) {
        const Value value = machine.getMember(style, QString::fromLatin1(name));
        return value.isNullish() ? std::optional<QString>() : std::optional<QString>(machine.toString(value));
    };
    auto set = [&](const char* name, const Value& value) {
        machine.setMember(format, QString::fromLatin1(name), value);
    };
    auto pixels = [](const QString& text) {
        return Value(double(text.trimmed().remove(QStringLiteral("px")).toInt()));
    };
    if (const auto v = given("color")) set("color", parseColor(*v));
    if (const auto v = given("display")) set("display", *v);
    if (const auto v = given("fontFamily")) set("font", fontFamily(*v));
    if (const auto v = given("fontSize")) set("size", pixels(*v));
    if (const auto v = given("fontStyle")) set("italic", *v == QLatin1String("italic"));
    if (const auto v = given("fontWeight")) set("bold", *v == QLatin1String("bold"));
    // Kerning is the one a style always sets: off unless it asks for it.
    set("kerning", given("kerning") == QStringLiteral("true"));
    if (const auto v = given("leading")) set("leading", pixels(*v));
    if (const auto v = given("letterSpacing")) set("letterSpacing", pixels(*v));
    if (const auto v = given("marginLeft")) set("leftMargin", pixels(*v));
    if (const auto v = given("marginRight")) set("rightMargin", pixels(*v));
    if (const auto v = given("textAlign")) set("align", *v);
    if (const auto v = given("textDecoration")) set("underline", *v == QLatin1String("underline"));
    if (const auto v = given("textIndent")) set("indent", pixels(*v));
    return format;
}

// A plain copy of an object's own visible members.
Value copyOf(Machine& machine, const Value& source) {
    Object* object = source.asObject();
    if (!object) return Value::null();
    Object* copy = machine.newObject();
    for (const QString& name : machine.enumerate(object))
        copy->setOwn(name, machine.getMember(source, name));
    return copy;
}

// The sheet's hidden member of that name, made on first use.
Value table(CallContext& c, const QString& name) {
    Value held = c.machine.getMember(c.thisValue, name);
    if (!held.isObject()) {
        held = c.machine.newObject();
        if (Object* self = c.thisObject()) self->setOwn(name, held, kHidden);
    }
    return held;
}

Value setStyle(CallContext& c) {
    if (!c.thisObject() || c.args.empty()) return Value();
    const QString name = c.machine.toString(c.arg(0)).toLower();
    const Value rules = table(c, css());
    const Value formats = table(c, styles());
    if (!c.arg(1).isObject()) {
        c.machine.deleteMember(rules, name);
        c.machine.deleteMember(formats, name);
        return Value();
    }
    const Value copy = copyOf(c.machine, c.arg(1));
    c.machine.setMember(rules, name, copy);
    const Value args[] = {copy};
    c.machine.setMember(formats, name, c.machine.callMethod(c.thisValue, QStringLiteral("transform"), args));
    return Value();
}

} // namespace

void installStyleSheetClass(Machine& machine, Object* textField) {
    Object* prototype = machine.newObject();
    Object* sheet = machine.newConstructor([](CallContext&) { return Value(); }, prototype);
    // Style sheets came with SWF 7.
    textField->setOwn(QStringLiteral("StyleSheet"), sheet, kHidden | kVersion7Up);
    // Methods written in script carry a prototype of their own; the player's natives do not.
    auto scripted = [&](const char* name, NativeFunction function) {
        prototype->setOwn(QString::fromLatin1(name), machine.newConstructor(std::move(function)), kHidden);
    };
    auto native = [&](const char* name, NativeFunction function) {
        prototype->setOwn(QString::fromLatin1(name), machine.newNativeFunction(std::move(function)), kHidden);
    };
    scripted("_copy", [](CallContext& c) { return copyOf(c.machine, c.arg(0)); });
    scripted("clear", [](CallContext& c) {
        if (Object* self = c.thisObject()) {
            self->setOwn(css(), c.machine.newObject(), kHidden);
            self->setOwn(styles(), c.machine.newObject(), kHidden);
        }
        return Value();
    });
    scripted("doTransform", [](CallContext& c) {
        const Value formats = c.machine.getMember(c.thisValue, styles());
        return c.machine.getMember(formats, c.machine.toString(c.arg(0)).toLower());
    });
    scripted("getStyle", [](CallContext& c) {
        const Value rules = c.machine.getMember(c.thisValue, css());
        return copyOf(c.machine, c.machine.getMember(rules, c.machine.toString(c.arg(0)).toLower()));
    });
    scripted("getStyleNames", [](CallContext& c) {
        Object* rules = c.machine.getMember(c.thisValue, css()).asObject();
        std::vector<Value> names;
        if (rules)
            for (const QString& name : c.machine.enumerate(rules))
                names.push_back(name);
        return Value(c.machine.newArray(names));
    });
    native("load", [](CallContext&) { return Value(false); });
    scripted("onData", [](CallContext& c) {
        const bool parsed =
            !c.arg(0).isNullish() &&
            c.machine.toBoolean(c.machine.callMethod(c.thisValue, QStringLiteral("parse"), c.args));
        const Value args[] = {parsed};
        c.machine.callMethod(c.thisValue, QStringLiteral("onLoad"), args);
        return Value();
    });
    scripted("onLoad", [](CallContext&) { return Value(); });
    scripted("parse", [](CallContext& c) {
        const Value args[] = {c.arg(0)};
        const Value rules = c.machine.callMethod(c.thisValue, QStringLiteral("parseCSSInternal"), args);
        Object* parsed = rules.asObject();
        if (!parsed) return Value(false);
        for (const QString& name : c.machine.enumerate(parsed)) {
            const Value pair[] = {name, c.machine.getMember(rules, name)};
            c.machine.callMethod(c.thisValue, QStringLiteral("setStyle"), pair);
        }
        c.machine.callMethod(c.thisValue, QStringLiteral("update"), {});
        return Value(true);
    });
    prototype->setOwn(QStringLiteral("parseCSS"), machine.getMember(prototype, QStringLiteral("parse")),
                      kHidden);
    native("parseCSSFontFamily",
           [](CallContext& c) { return Value(fontFamily(c.machine.toString(c.arg(0)))); });
    native("parseCSSInternal",
           [](CallContext& c) { return parseRules(c.machine, c.machine.toString(c.arg(0))); });
    native("parseColor", [](CallContext& c) { return parseColor(c.machine.toString(c.arg(0))); });
    scripted("setStyle", setStyle);
    scripted("transform", transform);
    native("update", [](CallContext&) { return Value(); });
}

} // namespace swf::avm1
