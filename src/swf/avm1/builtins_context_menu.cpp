// ContextMenu and ContextMenuItem: plain records a movie fills in for its right-click menu.
// Vantrel shows no menu of its own making, so they only hold what scripts put there.
#include "swf/avm1/builtins.h"

namespace swf::avm1 {

namespace {

using namespace property_flags;

// The player lists its own entries in this order; for-in walks them backwards.
constexpr const char* kBuiltInItems[] = {"print", "forward_back", "rewind", "loop",
                                         "play",  "quality",      "zoom",   "save"};

// The methods serve movies of SWF 7 and later, even when an older movie uncovers them.
bool methodsServe(const CallContext& context) {
    return context.machine.swfVersion() >= 7;
}

// Arrays made as the player's script makes them, with `new Array`.
Value newArray(Machine& machine, std::span<const Value> items = {}) {
    const Value array = machine.construct(machine.getMember(machine.global(), QStringLiteral("Array")), {});
    machine.setMember(array, QStringLiteral("length"), static_cast<double>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i)
        machine.setMember(array, QString::number(i), items[i]);
    return array;
}

Value setMenu(Object* self, const Value& onSelect, const Value& builtInItems, const Value& customItems) {
    self->setOwn(QStringLiteral("onSelect"), onSelect);
    self->setOwn(QStringLiteral("builtInItems"), builtInItems);
    self->setOwn(QStringLiteral("customItems"), customItems);
    return self;
}

// An object literal of the player's own script: it names Object as its maker.
Object* builtInItems(Machine& machine, bool shown) {
    Object* items = machine.newObject();
    items->setOwn(QStringLiteral("constructor"),
                  machine.getMember(machine.global(), QStringLiteral("Object")), kDontEnum | kDontDelete);
    for (const char* name : kBuiltInItems)
        items->setOwn(QString::fromLatin1(name), shown);
    return items;
}

Value menuConstructor(CallContext& context) {
    Object* self = context.thisObject();
    if (!context.constructing || !self) return Value();
    return setMenu(self, context.arg(0), builtInItems(context.machine, true), newArray(context.machine));
}

// A copy shares the built-in entries' object but holds copies of the custom items, made by
// each item's own copy method (anything without one becomes undefined).
Value menuCopy(CallContext& context, Object* constructor) {
    Object* self = context.thisObject();
    if (!self || !methodsServe(context)) return Value();
    Machine& machine = context.machine;
    Object* copy = machine.construct(constructor, {}).asObject();
    if (!copy) return Value();
    std::vector<Value> items;
    for (const Value& item : arrayElements(machine, machine.getMember(self, QStringLiteral("customItems")))) {
        const Value method = machine.getMember(item, QStringLiteral("copy"));
        const RunResult result = method.asObject() ? machine.callFunction(method, item, {}) : RunResult{};
        items.push_back(result.status == RunStatus::Completed ? result.value : Value());
    }
    return setMenu(copy, machine.getMember(self, QStringLiteral("onSelect")),
                   machine.getMember(self, QStringLiteral("builtInItems")), newArray(machine, items));
}

// A fresh object of entries, each false, in place of whatever was there.
Value hideBuiltInItems(CallContext& context) {
    Object* self = context.thisObject();
    if (!self || !methodsServe(context)) return Value();
    context.machine.setMember(self, QStringLiteral("builtInItems"), builtInItems(context.machine, false));
    return Value();
}

constexpr const char* kItemFields[] = {"caption", "onSelect", "separatorBefore", "enabled", "visible"};

Value setItem(Object* self, std::span<const Value> values) {
    for (std::size_t i = 0; i < std::size(kItemFields); ++i)
        self->setOwn(QString::fromLatin1(kItemFields[i]), values[i]);
    return self;
}

// Missing flags take the menu's defaults; anything passed is kept as it is, checked or not.
Value itemConstructor(CallContext& context) {
    Object* self = context.thisObject();
    if (!context.constructing || !self) return Value();
    const Value defaults[] = {Value(), Value(), false, true, true};
    Value values[std::size(kItemFields)];
    for (std::size_t i = 0; i < std::size(kItemFields); ++i)
        values[i] = i < context.args.size() ? context.args[i] : defaults[i];
    return setItem(self, values);
}

Value itemCopy(CallContext& context, Object* constructor) {
    Object* self = context.thisObject();
    if (!self || !methodsServe(context)) return Value();
    Object* copy = context.machine.construct(constructor, {}).asObject();
    if (!copy) return Value();
    Value values[std::size(kItemFields)];
    for (std::size_t i = 0; i < std::size(kItemFields); ++i)
        values[i] = context.machine.getMember(self, QString::fromLatin1(kItemFields[i]));
    return setItem(copy, values);
}

// Movies before SWF 7 see neither the methods nor the prototype's own links.
void hideBeforeVersion7(Object* prototype) {
    for (Property& property : prototype->properties())
        property.flags |= kVersion7Up;
    prototype->setProtoFlags(prototype->protoFlags() | kVersion7Up);
}

// The player writes these classes in its own script, so each method is an ordinary function
// with a prototype of its own.
void defineScriptMethod(Machine& machine, Object* prototype, const QString& name, NativeFunction function) {
    prototype->setOwn(name, machine.newConstructor(std::move(function)), kDontEnum | kDontDelete);
}

} // namespace

void installContextMenuClasses(Machine& machine) {
    Object* menuPrototype = machine.newObject();
    Object* menu = machine.newConstructor(menuConstructor, menuPrototype);
    machine.global()->setOwn(QStringLiteral("ContextMenu"), menu, kDontEnum);
    defineScriptMethod(machine, menuPrototype, QStringLiteral("copy"),
                       [menu](CallContext& context) { return menuCopy(context, menu); });
    defineScriptMethod(machine, menuPrototype, QStringLiteral("hideBuiltInItems"), hideBuiltInItems);
    hideBeforeVersion7(menuPrototype);

    Object* itemPrototype = machine.newObject();
    Object* item = machine.newConstructor(itemConstructor, itemPrototype);
    machine.global()->setOwn(QStringLiteral("ContextMenuItem"), item, kDontEnum);
    defineScriptMethod(machine, itemPrototype, QStringLiteral("copy"),
                       [item](CallContext& context) { return itemCopy(context, item); });
    hideBeforeVersion7(itemPrototype);
}

} // namespace swf::avm1
