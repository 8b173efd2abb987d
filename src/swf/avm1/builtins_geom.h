// Helpers the flash.geom classes share. The player writes these classes in ActionScript, so
// they read and write their fields as members (any object with the right members will do)
// and their methods look like script functions: enumerable, each with a prototype.
#pragma once

#include "swf/avm1/builtins.h"

namespace swf::avm1::geom {

inline double member(CallContext& context, const Value& object, const char* name) {
    return context.machine.toNumber(context.machine.getMember(object, QString::fromLatin1(name)));
}

inline void setMember(CallContext& context, const Value& object, const char* name, const Value& value) {
    context.machine.setMember(object, QString::fromLatin1(name), value);
}

// "(a=1, b=0, ...)", each member converted as string concatenation converts it.
Value describe(CallContext& context, std::initializer_list<std::pair<const char*, const char*>> fields);

// A method as the player's script-written classes have them.
void defineScriptMethod(Machine& machine, Object* object, const char* name, NativeFunction function);

// A member read through a getter (and written through a setter, when one is given).
void defineAccessor(Machine& machine, Object* object, const char* name, NativeFunction getter,
                    NativeFunction setter = nullptr);

// flash.geom.Point, for methods that hand out points.
Value newPoint(CallContext& context, double x, double y);

Object* installRectangle(Machine& machine, Object* geom);
void installColorTransform(Machine& machine, Object* geom);

} // namespace swf::avm1::geom
