// flash.geom: Matrix and Point. Their methods work through members, so they apply to any
// object that has a, b, c, d, tx, ty (or x, y), as the player's own do.
#include "swf/avm1/builtins_geom.h"

#include <cmath>

namespace swf::avm1 {

namespace {

using namespace geom;

const char* const kMatrixFields[] = {"a", "b", "c", "d", "tx", "ty"};

// The square root of the sum, not hypot: an infinite leg with a NaN one gives NaN here.
double distance(double dx, double dy) {
    return std::sqrt(dx * dx + dy * dy);
}

struct Affine {
    double a, b, c, d, tx, ty;
};

Affine affineOf(CallContext& context, const Value& object) {
    return {member(context, object, "a"), member(context, object, "b"),  member(context, object, "c"),
            member(context, object, "d"), member(context, object, "tx"), member(context, object, "ty")};
}

void store(CallContext& context, const Value& object, const Affine& m) {
    const double values[] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
    for (int i = 0; i < 6; ++i)
        setMember(context, object, kMatrixFields[i], values[i]);
}

// this, then other: the matrix that maps as this does and then as other does.
Affine multiply(const Affine& m, const Affine& n) {
    return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d,          m.c * n.a + m.d * n.c,
            m.c * n.b + m.d * n.d, m.tx * n.a + m.ty * n.c + n.tx, m.tx * n.b + m.ty * n.d + n.ty};
}

void installMatrix(Machine& machine, Object* geom) {
    Object* prototype = machine.newObject();
    Object* matrix = machine.newConstructor(
        [](CallContext& c) {
            if (!c.constructing) return Value();
            if (c.args.empty()) {
                c.machine.callMethod(c.thisValue, QStringLiteral("identity"), {});
            } else {
                for (std::size_t i = 0; i < 6; ++i)
                    setMember(c, c.thisValue, kMatrixFields[i], c.arg(i));
            }
            return c.thisValue;
        },
        prototype);
    geom->setOwn(QStringLiteral("Matrix"), matrix, property_flags::kDontEnum);
    // The methods that change a matrix change only a Matrix: another object with the same
    // members is left as it was.
    auto mutator = [&machine, prototype, matrix](const char* name, NativeFunction body) {
        machine.defineMethod(prototype, QString::fromLatin1(name), [matrix, body](CallContext& c) {
            return c.machine.instanceOf(c.thisValue, matrix) ? body(c) : Value();
        });
    };
    machine.defineMethod(prototype, QStringLiteral("identity"), [](CallContext& c) {
        store(c, c.thisValue, {1, 0, 0, 1, 0, 0});
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("clone"), [matrix](CallContext& c) {
        std::vector<Value> args;
        for (const char* name : kMatrixFields)
            args.push_back(c.machine.getMember(c.thisValue, QString::fromLatin1(name)));
        return c.machine.construct(matrix, args);
    });
    machine.defineMethod(prototype, QStringLiteral("toString"), [](CallContext& c) {
        return describe(c, {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"tx", "tx"}, {"ty", "ty"}});
    });
    mutator("concat", [](CallContext& c) {
        if (c.arg(0).isObject())
            store(c, c.thisValue, multiply(affineOf(c, c.thisValue), affineOf(c, c.arg(0))));
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("invert"), [](CallContext& c) {
        const Affine m = affineOf(c, c.thisValue);
        const double determinant = m.a * m.d - m.b * m.c;
        if (determinant == 0) {
            store(c, c.thisValue, {1, 0, 0, 1, 0, 0});
            return Value();
        }
        const Affine inverse{m.d / determinant,
                             -m.b / determinant,
                             -m.c / determinant,
                             m.a / determinant,
                             (m.c * m.ty - m.d * m.tx) / determinant,
                             (m.b * m.tx - m.a * m.ty) / determinant};
        store(c, c.thisValue, inverse);
        return Value();
    });
    mutator("rotate", [](CallContext& c) {
        const double angle = argNumber(c, 0);
        store(c, c.thisValue,
              multiply(affineOf(c, c.thisValue),
                       {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0}));
        return Value();
    });
    mutator("scale", [](CallContext& c) {
        store(c, c.thisValue,
              multiply(affineOf(c, c.thisValue), {argNumber(c, 0), 0, 0, argNumber(c, 1), 0, 0}));
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("translate"), [](CallContext& c) {
        // Added as script adds, so a string member takes the offset on as text.
        setMember(c, c.thisValue, "tx",
                  c.machine.add(c.machine.getMember(c.thisValue, QStringLiteral("tx")), c.arg(0)));
        setMember(c, c.thisValue, "ty",
                  c.machine.add(c.machine.getMember(c.thisValue, QStringLiteral("ty")), c.arg(1)));
        return Value();
    });
    // On an object that is not a Matrix only the offsets are written.
    machine.defineMethod(prototype, QStringLiteral("createBox"), [matrix](CallContext& c) {
        const double sx = argNumber(c, 0), sy = argNumber(c, 1);
        const double angle = c.args.size() > 2 ? argNumber(c, 2) : 0.0;
        // The offsets are kept as given, unconverted.
        const Value tx = c.args.size() > 3 ? c.arg(3) : Value(0),
                    ty = c.args.size() > 4 ? c.arg(4) : Value(0);
        if (!c.machine.instanceOf(c.thisValue, matrix)) {
            setMember(c, c.thisValue, "tx", tx);
            setMember(c, c.thisValue, "ty", ty);
            return Value();
        }
        store(
            c, c.thisValue,
            {sx * std::cos(angle), sy * std::sin(angle), -sx * std::sin(angle), sy * std::cos(angle), 0, 0});
        setMember(c, c.thisValue, "tx", tx);
        setMember(c, c.thisValue, "ty", ty);
        return Value();
    });
    // A gradient's unit square is 1638.4 twips wide: its box in pixels maps onto that.
    mutator("createGradientBox", [](CallContext& c) {
        const double width = argNumber(c, 0) / 1638.4, height = argNumber(c, 1) / 1638.4;
        const double angle = c.args.size() > 2 ? argNumber(c, 2) : 0.0;
        store(c, c.thisValue,
              {width * std::cos(angle), height * std::sin(angle), -width * std::sin(angle),
               height * std::cos(angle), 0, 0});
        // The offsets are added as script adds: a string offset takes the half size as text.
        const Value halfWidth = argNumber(c, 0) / 2, halfHeight = argNumber(c, 1) / 2;
        setMember(c, c.thisValue, "tx", c.args.size() > 3 ? c.machine.add(c.arg(3), halfWidth) : halfWidth);
        setMember(c, c.thisValue, "ty", c.args.size() > 4 ? c.machine.add(c.arg(4), halfHeight) : halfHeight);
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("transformPoint"), [](CallContext& c) {
        const Affine m = affineOf(c, c.thisValue);
        const double x = member(c, c.arg(0), "x"), y = member(c, c.arg(0), "y");
        return newPoint(c, m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty);
    });
    machine.defineMethod(prototype, QStringLiteral("deltaTransformPoint"), [](CallContext& c) {
        const Affine m = affineOf(c, c.thisValue);
        const double x = member(c, c.arg(0), "x"), y = member(c, c.arg(0), "y");
        return newPoint(c, m.a * x + m.c * y, m.b * x + m.d * y);
    });
}

Object* installPoint(Machine& machine, Object* geom) {
    Object* prototype = machine.newObject();
    Object* point = machine.newConstructor(
        [](CallContext& c) {
            if (!c.constructing) return Value();
            setMember(c, c.thisValue, "x", c.args.empty() ? Value(0) : c.arg(0));
            setMember(c, c.thisValue, "y", c.args.empty() ? Value(0) : c.arg(1));
            return c.thisValue;
        },
        prototype);
    geom->setOwn(QStringLiteral("Point"), point, property_flags::kDontEnum);
    defineScriptMethod(machine, prototype, "toString", [](CallContext& c) {
        return describe(c, {{"x", "x"}, {"y", "y"}});
    });
    defineScriptMethod(machine, prototype, "clone", [point](CallContext& c) {
        const Value args[] = {c.machine.getMember(c.thisValue, QStringLiteral("x")),
                              c.machine.getMember(c.thisValue, QStringLiteral("y"))};
        return c.machine.construct(point, args);
    });
    defineScriptMethod(machine, prototype, "add", [](CallContext& c) {
        return newPoint(c, member(c, c.thisValue, "x") + member(c, c.arg(0), "x"),
                        member(c, c.thisValue, "y") + member(c, c.arg(0), "y"));
    });
    defineScriptMethod(machine, prototype, "subtract", [](CallContext& c) {
        return newPoint(c, member(c, c.thisValue, "x") - member(c, c.arg(0), "x"),
                        member(c, c.thisValue, "y") - member(c, c.arg(0), "y"));
    });
    defineScriptMethod(machine, prototype, "equals", [](CallContext& c) {
        if (c.arg(0).asObject() && c.arg(0).asObject() == c.thisObject()) return Value(true);
        return Value(c.arg(0).isObject() && member(c, c.thisValue, "x") == member(c, c.arg(0), "x") &&
                     member(c, c.thisValue, "y") == member(c, c.arg(0), "y"));
    });
    defineScriptMethod(machine, prototype, "offset", [](CallContext& c) {
        setMember(c, c.thisValue, "x", member(c, c.thisValue, "x") + argNumber(c, 0));
        setMember(c, c.thisValue, "y", member(c, c.thisValue, "y") + argNumber(c, 1));
        return Value();
    });
    defineScriptMethod(machine, prototype, "normalize", [](CallContext& c) {
        const double x = member(c, c.thisValue, "x"), y = member(c, c.thisValue, "y");
        const double length = distance(x, y);
        if (length > 0) {
            setMember(c, c.thisValue, "x", x * argNumber(c, 0) / length);
            setMember(c, c.thisValue, "y", y * argNumber(c, 0) / length);
        }
        return Value();
    });
    defineAccessor(machine, prototype, "length", [](CallContext& c) {
        return Value(distance(member(c, c.thisValue, "x"), member(c, c.thisValue, "y")));
    });
    defineScriptMethod(machine, point, "distance", [](CallContext& c) {
        return Value(distance(member(c, c.arg(0), "x") - member(c, c.arg(1), "x"),
                              member(c, c.arg(0), "y") - member(c, c.arg(1), "y")));
    });
    defineScriptMethod(machine, point, "interpolate", [](CallContext& c) {
        const double f = argNumber(c, 2);
        return newPoint(c,
                        member(c, c.arg(1), "x") + f * (member(c, c.arg(0), "x") - member(c, c.arg(1), "x")),
                        member(c, c.arg(1), "y") + f * (member(c, c.arg(0), "y") - member(c, c.arg(1), "y")));
    });
    defineScriptMethod(machine, point, "polar", [](CallContext& c) {
        const double length = argNumber(c, 0), angle = argNumber(c, 1);
        return newPoint(c, length * std::cos(angle), length * std::sin(angle));
    });
    return point;
}

} // namespace

namespace geom {

Value describe(CallContext& context, std::initializer_list<std::pair<const char*, const char*>> fields) {
    Value text = QStringLiteral("(");
    bool first = true;
    for (const auto& [label, name] : fields) {
        text = context.machine.add(text, QString::fromLatin1(first ? "" : ", ") + QString::fromLatin1(label) +
                                             QLatin1Char('='));
        text = context.machine.add(text,
                                   context.machine.getMember(context.thisValue, QString::fromLatin1(name)));
        first = false;
    }
    return context.machine.add(text, QStringLiteral(")"));
}

void defineScriptMethod(Machine& machine, Object* object, const char* name, NativeFunction function) {
    object->setOwn(QString::fromLatin1(name), machine.newConstructor(std::move(function)));
}

void defineAccessor(Machine& machine, Object* object, const char* name, NativeFunction getter,
                    NativeFunction setter) {
    const QString key = QString::fromLatin1(name);
    object->setOwn(key, Value());
    Property* property = object->findOwn(key);
    property->getter = machine.newNativeFunction(std::move(getter));
    property->setter =
        machine.newNativeFunction(setter ? std::move(setter) : [](CallContext&) { return Value(); });
}

// Looked up when called, past the version bits, as the player's own script would find it.
Value newPoint(CallContext& context, double x, double y) {
    const Property* flash = context.machine.global()->findOwn(QStringLiteral("flash"));
    if (!flash) return Value();
    const Value point = context.machine.getMember(
        context.machine.getMember(flash->value, QStringLiteral("geom")), QStringLiteral("Point"));
    const Value args[] = {x, y};
    return context.machine.construct(point, args);
}

} // namespace geom

void installGeometryClasses(Machine& machine) {
    Object* flash = machine.newObject();
    // flash.geom came with SWF 8.
    machine.global()->setOwn(QStringLiteral("flash"), flash,
                             property_flags::kDontEnum | property_flags::kVersion8Up);
    Object* geom = machine.newObject();
    flash->setOwn(QStringLiteral("geom"), geom, property_flags::kDontEnum);
    installPoint(machine, geom);
    installMatrix(machine, geom);
    installRectangle(machine, geom);
    installColorTransform(machine, geom);
}

} // namespace swf::avm1
