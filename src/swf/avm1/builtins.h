// The built-in classes and global functions, installed into each new machine.
#pragma once

#include "swf/avm1/machine.h"

namespace swf::avm1 {

void installBuiltins(Machine& machine);

// One per family, called by installBuiltins in this order.
void installObjectClasses(Machine& machine); // Object, Function, Error, MovieClip basics
void installArrayClass(Machine& machine);
void installStringClass(Machine& machine);
void installNumberClasses(Machine& machine); // Number, Boolean, Math
void installGlobalFunctions(Machine& machine);
void installTimerFunctions(Machine& machine);
void installColorClass(Machine& machine);
void installSoundClass(Machine& machine);
void installCaptureClasses(Machine& machine); // Camera, Microphone
void installPrintJob(Machine& machine);
void installSystem(Machine& machine);
void installDateClass(Machine& machine);
void installGeometryClasses(Machine& machine); // flash.geom
void installFilterClasses(Machine& machine);   // flash.filters; after flash.geom
void installBitmapDataClass(Machine& machine); // flash.display; after flash.geom
void installXmlClasses(Machine& machine);
void installContextMenuClasses(Machine& machine);
void installLoadingClasses(Machine& machine); // LoadVars, XML.load, ASnative; after XML
// TextField.StyleSheet, on the TextField class the host makes; TextFormat must exist.
void installStyleSheetClass(Machine& machine, Object* textField);
// Marks every own member of object (and its __proto__) hidden, permanent and read-only.
void lockMembers(Object& object);
void installNativeTable(Machine& machine); // ASnative; after every class it hands out
void installBroadcasters(
    Machine& machine); // AsBroadcaster, Stage, Selection, Key, Mouse  // setInterval, setTimeout

// Argument helpers for native functions.
inline double argNumber(CallContext& context, std::size_t index) {
    return context.machine.toNumber(context.arg(index));
}
inline QString argString(CallContext& context, std::size_t index) {
    return context.machine.toString(context.arg(index));
}
inline QString thisString(CallContext& context) {
    return context.machine.toString(context.thisValue);
}
// Reads an array-like object's elements through its length and index members.
std::vector<Value> arrayElements(Machine& machine, const Value& array);

} // namespace swf::avm1
