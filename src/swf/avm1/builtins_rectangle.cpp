// flash.geom.Rectangle: x, y, width and height as plain members, the edges and corners as
// accessors over them, as the player's script-written class has it.
#include "swf/avm1/builtins_geom.h"

#include <algorithm>

namespace swf::avm1::geom {

namespace {

struct Box {
    double x, y, width, height;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    bool empty() const { return !(width > 0) || !(height > 0); }
};

Box boxOf(CallContext& c, const Value& object) {
    return {member(c, object, "x"), member(c, object, "y"), member(c, object, "width"),
            member(c, object, "height")};
}

void store(CallContext& c, const Value& object, const Box& box) {
    setMember(c, object, "x", box.x);
    setMember(c, object, "y", box.y);
    setMember(c, object, "width", box.width);
    setMember(c, object, "height", box.height);
}

Value newRectangle(CallContext& c, const Box& box) {
    const Value args[] = {box.x, box.y, box.width, box.height};
    return c.machine.construct(c.machine.getMember(c.thisValue, QStringLiteral("constructor")), args);
}

// Sums go through the machine's addition, so members a movie never set read as it reads them.
Value sum(CallContext& c, const char* first, const char* second) {
    return c.machine.add(c.machine.getMember(c.thisValue, QString::fromLatin1(first)),
                         c.machine.getMember(c.thisValue, QString::fromLatin1(second)));
}

void installMethods(Machine& machine, Object* prototype) {
    defineScriptMethod(machine, prototype, "toString", [](CallContext& c) {
        return describe(c, {{"x", "x"}, {"y", "y"}, {"w", "width"}, {"h", "height"}});
    });
    defineScriptMethod(machine, prototype, "clone",
                       [](CallContext& c) { return newRectangle(c, boxOf(c, c.thisValue)); });
    defineScriptMethod(machine, prototype, "isEmpty",
                       [](CallContext& c) { return Value(boxOf(c, c.thisValue).empty()); });
    defineScriptMethod(machine, prototype, "setEmpty", [](CallContext& c) {
        store(c, c.thisValue, {0, 0, 0, 0});
        return Value();
    });
    defineScriptMethod(machine, prototype, "contains", [](CallContext& c) {
        const Box box = boxOf(c, c.thisValue);
        const double x = argNumber(c, 0), y = argNumber(c, 1);
        return Value(x >= box.x && x < box.right() && y >= box.y && y < box.bottom());
    });
    defineScriptMethod(machine, prototype, "containsPoint", [](CallContext& c) {
        const Box box = boxOf(c, c.thisValue);
        const double x = member(c, c.arg(0), "x"), y = member(c, c.arg(0), "y");
        return Value(x >= box.x && x < box.right() && y >= box.y && y < box.bottom());
    });
    defineScriptMethod(machine, prototype, "containsRectangle", [](CallContext& c) {
        const Box box = boxOf(c, c.thisValue), other = boxOf(c, c.arg(0));
        return Value(other.x >= box.x && other.y >= box.y && other.right() <= box.right() &&
                     other.bottom() <= box.bottom());
    });
    defineScriptMethod(machine, prototype, "equals", [](CallContext& c) {
        Object* other = c.arg(0).asObject();
        if (!other || !c.machine.instanceOf(
                          other, c.machine.getMember(c.thisValue, QStringLiteral("constructor")).asObject()))
            return Value(false);
        const Box box = boxOf(c, c.thisValue), that = boxOf(c, c.arg(0));
        return Value(box.x == that.x && box.y == that.y && box.width == that.width &&
                     box.height == that.height);
    });
    defineScriptMethod(machine, prototype, "inflate", [](CallContext& c) {
        Box box = boxOf(c, c.thisValue);
        const double dx = argNumber(c, 0), dy = argNumber(c, 1);
        store(c, c.thisValue, {box.x - dx, box.y - dy, box.width + 2 * dx, box.height + 2 * dy});
        return Value();
    });
    defineScriptMethod(machine, prototype, "inflatePoint", [](CallContext& c) {
        Box box = boxOf(c, c.thisValue);
        const double dx = member(c, c.arg(0), "x"), dy = member(c, c.arg(0), "y");
        store(c, c.thisValue, {box.x - dx, box.y - dy, box.width + 2 * dx, box.height + 2 * dy});
        return Value();
    });
    defineScriptMethod(machine, prototype, "offset", [](CallContext& c) {
        setMember(c, c.thisValue, "x", member(c, c.thisValue, "x") + argNumber(c, 0));
        setMember(c, c.thisValue, "y", member(c, c.thisValue, "y") + argNumber(c, 1));
        return Value();
    });
    defineScriptMethod(machine, prototype, "offsetPoint", [](CallContext& c) {
        setMember(c, c.thisValue, "x", member(c, c.thisValue, "x") + member(c, c.arg(0), "x"));
        setMember(c, c.thisValue, "y", member(c, c.thisValue, "y") + member(c, c.arg(0), "y"));
        return Value();
    });
    defineScriptMethod(machine, prototype, "intersects", [](CallContext& c) {
        const Box a = boxOf(c, c.thisValue), b = boxOf(c, c.arg(0));
        return Value(std::max(a.x, b.x) < std::min(a.right(), b.right()) &&
                     std::max(a.y, b.y) < std::min(a.bottom(), b.bottom()));
    });
    // No overlap gives an empty rectangle at the origin.
    defineScriptMethod(machine, prototype, "intersection", [](CallContext& c) {
        const Box a = boxOf(c, c.thisValue), b = boxOf(c, c.arg(0));
        const double left = std::max(a.x, b.x), top = std::max(a.y, b.y);
        const double right = std::min(a.right(), b.right()), bottom = std::min(a.bottom(), b.bottom());
        if (!(left < right) || !(top < bottom)) return newRectangle(c, {0, 0, 0, 0});
        return newRectangle(c, {left, top, right - left, bottom - top});
    });
    // An empty side adds nothing to the other.
    defineScriptMethod(machine, prototype, "union", [](CallContext& c) {
        const Box a = boxOf(c, c.thisValue), b = boxOf(c, c.arg(0));
        if (a.empty()) return newRectangle(c, b);
        if (b.empty()) return newRectangle(c, a);
        const double left = std::min(a.x, b.x), top = std::min(a.y, b.y);
        return newRectangle(
            c, {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top});
    });
}

// Moving an edge keeps the opposite one where it was.
void installEdges(Machine& machine, Object* prototype) {
    // left and top are plain members of the prototype in the player, not accessors.
    prototype->setOwn(QStringLiteral("left"), Value());
    prototype->setOwn(QStringLiteral("top"), Value());
    defineAccessor(
        machine, prototype, "right", [](CallContext& c) { return sum(c, "x", "width"); },
        [](CallContext& c) {
            setMember(c, c.thisValue, "width", argNumber(c, 0) - member(c, c.thisValue, "x"));
            return Value();
        });
    defineAccessor(
        machine, prototype, "bottom", [](CallContext& c) { return sum(c, "y", "height"); },
        [](CallContext& c) {
            setMember(c, c.thisValue, "height", argNumber(c, 0) - member(c, c.thisValue, "y"));
            return Value();
        });
    defineAccessor(
        machine, prototype, "topLeft",
        [](CallContext& c) { return newPoint(c, member(c, c.thisValue, "x"), member(c, c.thisValue, "y")); },
        [](CallContext& c) {
            const Box box = boxOf(c, c.thisValue);
            const double x = member(c, c.arg(0), "x"), y = member(c, c.arg(0), "y");
            store(c, c.thisValue, {x, y, box.right() - x, box.bottom() - y});
            return Value();
        });
    defineAccessor(
        machine, prototype, "bottomRight",
        [](CallContext& c) {
            const Box box = boxOf(c, c.thisValue);
            return newPoint(c, box.right(), box.bottom());
        },
        [](CallContext& c) {
            const Box box = boxOf(c, c.thisValue);
            setMember(c, c.thisValue, "width", member(c, c.arg(0), "x") - box.x);
            setMember(c, c.thisValue, "height", member(c, c.arg(0), "y") - box.y);
            return Value();
        });
    defineAccessor(
        machine, prototype, "size",
        [](CallContext& c) {
            return newPoint(c, member(c, c.thisValue, "width"), member(c, c.thisValue, "height"));
        },
        [](CallContext& c) {
            setMember(c, c.thisValue, "width", c.machine.getMember(c.arg(0), QStringLiteral("x")));
            setMember(c, c.thisValue, "height", c.machine.getMember(c.arg(0), QStringLiteral("y")));
            return Value();
        });
}

} // namespace

Object* installRectangle(Machine& machine, Object* geom) {
    Object* prototype = machine.newObject();
    Object* rectangle = machine.newConstructor(
        [](CallContext& c) {
            if (!c.constructing) return Value();
            const char* const names[] = {"x", "y", "width", "height"};
            for (std::size_t i = 0; i < 4; ++i)
                setMember(c, c.thisValue, names[i], c.args.empty() ? Value(0) : c.arg(i));
            return c.thisValue;
        },
        prototype);
    geom->setOwn(QStringLiteral("Rectangle"), rectangle, property_flags::kDontEnum);
    installMethods(machine, prototype);
    installEdges(machine, prototype);
    return rectangle;
}

} // namespace swf::avm1::geom
