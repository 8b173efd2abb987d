// PrintJob. The player has no printer to offer, so a job is the one a user cancelled:
// start() answers false and pages are refused. The page sizes read 0 on a job, as they do
// before a real job starts.
#include "swf/avm1/builtins.h"

namespace swf::avm1 {

namespace {

using namespace property_flags;

class PrintJobState final : public NativeData {
  public:
    void forEachReference(const std::function<void(Object*)>&) const override {}
};

bool isJob(const Value& value) {
    Object* object = value.asObject();
    return object && dynamic_cast<PrintJobState*>(object->nativeData());
}

// The sizes are native accessors the constructor puts on the prototype the first time a job
// is made from it, so a prototype no job came from has none.
void addSizeAccessors(Machine& machine, Object* prototype) {
    // Listed in this order when a job is enumerated: each new property comes first.
    for (const char* name : {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"}) {
        const QString key = QString::fromLatin1(name);
        if (prototype->findOwn(key)) continue;
        prototype->setOwn(key, Value());
        Property* property = prototype->findOwn(key);
        property->getter =
            machine.newNativeFunction([](CallContext& c) { return isJob(c.thisValue) ? Value(0) : Value(); });
    }
}

} // namespace

void installPrintJob(Machine& machine) {
    Object* prototype = machine.newObject();
    Object* constructor = machine.newConstructor(
        [](CallContext& c) {
            Object* self = c.thisObject();
            if (!c.constructing || !self) return Value();
            self->setNativeData(std::make_unique<PrintJobState>());
            if (Object* proto = self->proto()) addSizeAccessors(c.machine, proto);
            return Value();
        },
        prototype);
    machine.global()->setOwn(QStringLiteral("PrintJob"), constructor, kDontEnum);
    const std::uint16_t method = kDontEnum | kDontDelete | kVersion7Up;
    machine.defineMethod(prototype, QStringLiteral("start"),
                         [](CallContext& c) { return Value(isJob(c.thisValue) ? Value(false) : Value()); });
    machine.defineMethod(prototype, QStringLiteral("addPage"),
                         [](CallContext& c) { return Value(isJob(c.thisValue) ? Value(false) : Value()); });
    machine.defineMethod(prototype, QStringLiteral("send"), [](CallContext&) { return Value(); });
    for (const char* name : {"start", "addPage", "send"})
        prototype->findOwn(QString::fromLatin1(name))->flags = method;
    // Before SWF 7 the class stands alone: its prototype does not reach Object's.
    prototype->setProtoFlags(prototype->protoFlags() | kVersion7Up);
}

} // namespace swf::avm1
