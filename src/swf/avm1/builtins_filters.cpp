// flash.filters: the filter classes as script objects. Each keeps its parameters in native
// state behind accessors on its prototype, so a write is converted and clamped on the way in
// and a read of a list (colours, a matrix) hands out a fresh array.
#include "swf/avm1/builtins.h"
#include "swf/avm1/filter_data.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

using namespace property_flags;
using Kind = FilterField::Kind;

// One parameter as a class declares it: its conversion, range and default. The order is
// the constructor's argument order.
struct FieldSpec {
    const char* name;
    Kind kind;
    double minimum, maximum;
    double number = 0;
    const char* text = nullptr;
};

struct ClassSpec {
    const char* name;
    FilterType type;
    std::vector<FieldSpec> fields;
};

constexpr double kBig = 1e300;

FieldSpec blur(const char* name, double value) {
    return {name, Kind::Number, 0, 255, value};
}
FieldSpec quality() {
    return {"quality", Kind::Integer, 0, 15, 1};
}
FieldSpec strength(double value) {
    return {"strength", Kind::Number, 0, 255, value};
}
FieldSpec alpha(const char* name, double value) {
    return {name, Kind::Number, 0, 1, value};
}
FieldSpec color(const char* name, double value) {
    return {name, Kind::Color, 0, 0, value};
}
FieldSpec flag(const char* name, bool value) {
    return {name, Kind::Boolean, 0, 0, value ? 1.0 : 0.0};
}
FieldSpec number(const char* name, double value) {
    return {name, Kind::Number, -kBig, kBig, value};
}
FieldSpec choice(const char* name, const char* value) {
    return {name, Kind::Choice, 0, 0, 0, value};
}
FieldSpec list(const char* name) {
    return {name, Kind::List, 0, 0};
}

const std::vector<ClassSpec>& classSpecs() {
    static const std::vector<ClassSpec> specs = {
        {"BlurFilter", FilterType::Blur, {blur("blurX", 4), blur("blurY", 4), quality()}},
        {"DropShadowFilter",
         FilterType::DropShadow,
         {number("distance", 4), number("angle", 45), color("color", 0), alpha("alpha", 1), blur("blurX", 4),
          blur("blurY", 4), strength(1), quality(), flag("inner", false), flag("knockout", false),
          flag("hideObject", false)}},
        {"GlowFilter",
         FilterType::Glow,
         {color("color", 0xFF0000), alpha("alpha", 1), blur("blurX", 6), blur("blurY", 6), strength(2),
          quality(), flag("inner", false), flag("knockout", false)}},
        {"BevelFilter",
         FilterType::Bevel,
         {number("distance", 4), number("angle", 45), color("highlightColor", 0xFFFFFF),
          alpha("highlightAlpha", 1), color("shadowColor", 0), alpha("shadowAlpha", 1), blur("blurX", 4),
          blur("blurY", 4), strength(1), quality(), choice("type", "inner"), flag("knockout", false)}},
        {"GradientGlowFilter",
         FilterType::GradientGlow,
         {number("distance", 4), number("angle", 45), list("colors"), list("alphas"), list("ratios"),
          blur("blurX", 4), blur("blurY", 4), strength(1), quality(), choice("type", "inner"),
          flag("knockout", false)}},
        {"GradientBevelFilter",
         FilterType::GradientBevel,
         {number("distance", 4), number("angle", 45), list("colors"), list("alphas"), list("ratios"),
          blur("blurX", 4), blur("blurY", 4), strength(1), quality(), choice("type", "inner"),
          flag("knockout", false)}},
        {"ColorMatrixFilter", FilterType::ColorMatrix, {list("matrix")}},
        {"ConvolutionFilter",
         FilterType::Convolution,
         {{"matrixX", Kind::Integer, 0, 15, 0},
          {"matrixY", Kind::Integer, 0, 15, 0},
          list("matrix"),
          number("divisor", 1),
          number("bias", 0),
          flag("preserveAlpha", true),
          flag("clamp", true),
          color("color", 0),
          alpha("alpha", 0)}},
        {"DisplacementMapFilter",
         FilterType::DisplacementMap,
         {{"mapBitmap", Kind::Object, 0, 0},
          {"mapPoint", Kind::Point, 0, 0},
          {"componentX", Kind::Integer, 0, 8, 0},
          {"componentY", Kind::Integer, 0, 8, 0},
          {"scaleX", Kind::Number, -65535, 65535, 0},
          {"scaleY", Kind::Number, -65535, 65535, 0},
          choice("mode", "wrap"),
          color("color", 0),
          alpha("alpha", 0)}},
    };
    return specs;
}

bool allowedChoice(const QString& name, const QString& value) {
    if (name == u"mode")
        return value == u"wrap" || value == u"clamp" || value == u"ignore" || value == u"color";
    return value == u"inner" || value == u"outer" || value == u"full";
}

// Out-of-range and non-finite values land on an end of the range, NaN on the lower one.
double clamp(double value, double minimum, double maximum) {
    if (std::isnan(value)) return std::max(minimum, std::min(0.0, maximum));
    return std::clamp(value, minimum, maximum);
}

// A point's members become integers the way the player's own conversion does: anything it
// cannot hold becomes the lowest integer.
std::int32_t pointCoordinate(double value) {
    if (!std::isfinite(value) || value >= 2147483648.0 || value < -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void assign(Machine& machine, FilterField& field, const FieldSpec& spec, const Value& value) {
    switch (spec.kind) {
    case Kind::Number:
        field.number = clamp(machine.toNumber(value), spec.minimum, spec.maximum);
        break;
    case Kind::Integer:
        field.number = clamp(std::trunc(machine.toNumber(value)), spec.minimum, spec.maximum);
        break;
    case Kind::Color:
        field.number = toUint32(machine.toNumber(value)) & 0xFFFFFF;
        break;
    case Kind::Boolean:
        field.number = machine.toBoolean(value) ? 1 : 0;
        break;
    case Kind::Choice: {
        const QString text = machine.toString(value);
        if (allowedChoice(QString::fromLatin1(spec.name), text)) field.text = text;
        break;
    }
    case Kind::List:
        field.list.clear();
        if (value.isObject())
            for (const Value& element : arrayElements(machine, value))
                field.list.push_back(machine.toNumber(element));
        break;
    case Kind::Object:
        field.object = value.asObject();
        break;
    case Kind::Point: {
        // Each member is stored as soon as it is read, so a getter that throws leaves the
        // ones before it changed.
        if (!value.isObject()) {
            field.x = field.y = 0;
            break;
        }
        const double x = machine.toNumber(machine.getMember(value, QStringLiteral("x")));
        if (machine.unwinding()) return;
        field.x = pointCoordinate(x);
        const double y = machine.toNumber(machine.getMember(value, QStringLiteral("y")));
        if (machine.unwinding()) return;
        field.y = pointCoordinate(y);
        break;
    }
    }
}

Value read(CallContext& context, const FilterField& field, const FieldSpec& spec) {
    switch (spec.kind) {
    case Kind::Number:
    case Kind::Integer:
    case Kind::Color:
        return field.number;
    case Kind::Boolean:
        return field.number != 0;
    case Kind::Choice:
        return field.text;
    case Kind::List: {
        std::vector<Value> values(field.list.begin(), field.list.end());
        return context.machine.newArray(values);
    }
    case Kind::Object:
        return field.object ? Value(field.object) : Value();
    case Kind::Point: {
        const Value flash = context.machine.getMember(context.machine.global(), QStringLiteral("flash"));
        const Value point = context.machine.getMember(
            context.machine.getMember(flash, QStringLiteral("geom")), QStringLiteral("Point"));
        const Value args[] = {field.x, field.y};
        return context.machine.construct(point, args);
    }
    }
    return Value();
}

FilterData defaults(const ClassSpec& spec) {
    FilterData data;
    data.type = spec.type;
    for (const FieldSpec& field : spec.fields) {
        FilterField value;
        value.name = QString::fromLatin1(field.name);
        value.number = field.number;
        if (field.text) value.text = QString::fromLatin1(field.text);
        data.fields.push_back(value);
    }
    if (spec.type == FilterType::ColorMatrix) {
        data.fields[0].list.assign(20, 0.0);
        for (int i = 0; i < 4; ++i)
            data.fields[0].list[static_cast<std::size_t>(i * 6)] = 1;
    }
    return data;
}

FilterData* filterOf(const Value& value, FilterType type) {
    Object* object = value.asObject();
    auto* data = object ? dynamic_cast<FilterData*>(object->nativeData()) : nullptr;
    return data && data->type == type ? data : nullptr;
}

void installClass(Machine& machine, Object* filters, Object* base, const ClassSpec& spec) {
    // The prototype is an instance of BitmapFilter, as a subclass's would be.
    Object* prototype = machine.construct(base, {}).asObject();
    prototype->removeOwn(QStringLiteral("constructor"));
    Object* constructor = machine.newNativeFunction([&spec](CallContext& c) {
        Object* self = c.thisObject();
        if (!c.constructing || !self) return Value();
        auto data = std::make_unique<FilterData>(defaults(spec));
        for (std::size_t i = 0; i < spec.fields.size() && i < c.args.size(); ++i)
            assign(c.machine, data->fields[i], spec.fields[i], c.args[i]);
        self->setNativeData(std::move(data));
        // The player's filter instances show the link to their class.
        if (Property* link = self->findOwn(QStringLiteral("__constructor__"))) link->flags &= ~kDontEnum;
        return Value(self);
    });
    constructor->setOwn(QStringLiteral("prototype"), prototype, kDontEnum | kDontDelete);
    filters->setOwn(QString::fromLatin1(spec.name), constructor, kDontEnum);
    for (std::size_t i = 0; i < spec.fields.size(); ++i) {
        const FieldSpec& field = spec.fields[i];
        const QString name = QString::fromLatin1(field.name);
        prototype->setOwn(name, Value());
        Property* property = prototype->findOwn(name);
        property->getter = machine.newNativeFunction([&spec, i](CallContext& c) {
            const FilterData* data = filterOf(c.thisValue, spec.type);
            return data ? read(c, data->fields[i], spec.fields[i]) : Value();
        });
        property->setter = machine.newNativeFunction([&spec, i](CallContext& c) {
            if (FilterData* data = filterOf(c.thisValue, spec.type))
                assign(c.machine, data->fields[i], spec.fields[i], c.arg(0));
            return Value();
        });
    }
}

} // namespace

void installFilterClasses(Machine& machine) {
    // Read past the version bits: older movies may unhide flash later.
    const Property* flashProperty = machine.global()->findOwn(QStringLiteral("flash"));
    Object* flash = flashProperty ? flashProperty->value.asObject() : nullptr;
    if (!flash) return;
    Object* filters = machine.newObject();
    flash->setOwn(QStringLiteral("filters"), filters, kDontEnum);
    Object* basePrototype = machine.newObject();
    Object* base = machine.newConstructor(
        [](CallContext& c) { return c.constructing ? c.thisValue : Value(); }, basePrototype);
    filters->setOwn(QStringLiteral("BitmapFilter"), base, kDontEnum);
    // clone makes an instance of the same class with the same parameters.
    machine.defineMethod(basePrototype, QStringLiteral("clone"), [](CallContext& c) {
        Object* self = c.thisObject();
        const auto* data = self ? dynamic_cast<const FilterData*>(self->nativeData()) : nullptr;
        if (!data) return Value();
        const Value copy =
            c.machine.construct(c.machine.getMember(self, QStringLiteral("__constructor__")), {});
        if (Object* object = copy.asObject()) object->setNativeData(std::make_unique<FilterData>(*data));
        return copy;
    });
    // Older movies see clone only once the version bits are cleared.
    basePrototype->findOwn(QStringLiteral("clone"))->flags = kVersion8Up;
    for (const ClassSpec& spec : classSpecs())
        installClass(machine, filters, base, spec);
}

std::optional<Value> newFilterObject(Machine& machine, const FilterData& data) {
    for (const ClassSpec& spec : classSpecs()) {
        if (spec.type != data.type) continue;
        const Value flash = machine.getMember(machine.global(), QStringLiteral("flash"));
        const Value constructor = machine.getMember(machine.getMember(flash, QStringLiteral("filters")),
                                                    QString::fromLatin1(spec.name));
        const Value object = machine.construct(constructor, {});
        if (Object* instance = object.asObject()) {
            instance->setNativeData(std::make_unique<FilterData>(data));
            return object;
        }
    }
    return std::nullopt;
}

std::optional<FilterData> filterDefaults(FilterType type) {
    for (const ClassSpec& spec : classSpecs())
        if (spec.type == type) return defaults(spec);
    return std::nullopt;
}

const FilterData* filterData(const Value& value) {
    Object* object = value.asObject();
    return object ? dynamic_cast<const FilterData*>(object->nativeData()) : nullptr;
}

} // namespace swf::avm1
