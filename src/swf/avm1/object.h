// Script objects: an ordered property map with flags, a prototype link, and what makes an
// object a function, an array, a primitive wrapper or a host clip. Objects are owned by
// their Machine; pointers to them never own.
#pragma once

#include "swf/avm1/value.h"
#include "swf/format/actions.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace swf::avm1 {

class Machine;
class Object;

namespace property_flags {
constexpr std::uint16_t kDontEnum = 0x01;
constexpr std::uint16_t kDontDelete = 0x02;
constexpr std::uint16_t kReadOnly = 0x04;
// Invisible to movies before SWF 6, 7 and 8: names the player added in those versions.
// ASSetPropFlags may clear them, as test movies do to reach a newer class.
constexpr std::uint16_t kVersion6Up = 0x80;
constexpr std::uint16_t kVersion7Up = 0x400;
constexpr std::uint16_t kVersion8Up = 0x1000;
// More a movie can set: hidden from SWF 6 movies alone, and from every version up to 8 or 9.
constexpr std::uint16_t kNotVersion6 = 0x100;
constexpr std::uint16_t kVersion9Up = 0x2000;
constexpr std::uint16_t kVersion10Up = 0x4000;

inline bool visibleTo(std::uint16_t flags, int swfVersion) {
    return !((flags & kVersion6Up) && swfVersion < 6) && !((flags & kVersion7Up) && swfVersion < 7) &&
           !((flags & kVersion8Up) && swfVersion < 8) && !((flags & kNotVersion6) && swfVersion == 6) &&
           !((flags & kVersion9Up) && swfVersion < 9) && !((flags & kVersion10Up) && swfVersion < 10);
}
} // namespace property_flags

struct Property {
    QString name;
    Value value;
    Object* getter = nullptr; // set by addProperty: reads and writes go through these
    Object* setter = nullptr;
    std::uint16_t flags = 0;
    bool isAccessor() const { return getter != nullptr; }
};

// Object.watch: a callback that sees, and may replace, each value written to a property.
struct Watcher {
    QString name;
    Object* callback = nullptr;
    Value userData;
    int depth = 0; // callbacks of this watcher running now, one inside another
};

enum class ScopeKind { With, Activation, Timeline, Global };

// One link of a scope chain, innermost first. Chains are shared by the closures that
// captured them.
struct Scope {
    Object* object = nullptr;
    ScopeKind kind = ScopeKind::With;
    std::shared_ptr<const Scope> parent;
};
using ScopePtr = std::shared_ptr<const Scope>;

struct CallContext {
    Machine& machine;
    Value thisValue;
    std::span<const Value> args;
    Object* callee = nullptr;
    bool constructing = false;
    bool refused = false; // set by a native constructor to make `new` answer undefined
    Value arg(std::size_t i) const { return i < args.size() ? args[i] : Value(); }
    Object* thisObject() const { return thisValue.asObject(); }
};

using NativeFunction = std::function<Value(CallContext&)>;

struct ScriptFunction {
    std::shared_ptr<const QByteArray> code; // the whole action block the body lives in
    int start = 0;
    int size = 0;
    format::FunctionHeader header;
    std::shared_ptr<const QVector<QString>> constants;
    ScopePtr scope;
    Object* target = nullptr; // the timeline the function was defined on
    int swfVersion = 0;
};

enum class ObjectKind { Plain, Function, Array, String, Number, Boolean, Clip, Super, Error, Date };

// Native state a built-in class keeps beside an object's properties (an XML node's tree).
class NativeData {
  public:
    virtual ~NativeData() = default;
    virtual void forEachReference(const std::function<void(Object*)>& visit) const = 0;
};

// Virtual properties a host supplies for its clips (_x, _currentframe, child instances...).
class PropertyDelegate {
  public:
    virtual ~PropertyDelegate() = default;
    virtual std::optional<Value> getProperty(Object& object, const QString& name) = 0;
    // True when the delegate took the write.
    virtual bool setProperty(Object& object, const QString& name, const Value& value) = 0;
};

class Object {
  public:
    Object(ObjectKind kind, Object* proto, bool caseSensitive)
        : m_kind(kind), m_proto(proto), m_caseSensitive(caseSensitive) {}

    ObjectKind kind() const { return m_kind; }
    void setKind(ObjectKind kind) { m_kind = kind; }
    bool isFunction() const { return m_kind == ObjectKind::Function; }
    bool isArray() const { return m_kind == ObjectKind::Array; }
    Object* proto() const { return m_proto; }
    void setProto(Object* proto) {
        m_proto = proto;
        m_protoPrimitive = Value();
        m_protoMemberDeleted = false;
    }
    // A script may store any value in __proto__; only an object links the chain.
    const Value& protoPrimitive() const { return m_protoPrimitive; }
    void setProtoPrimitive(const Value& value) {
        m_proto = nullptr;
        m_protoPrimitive = value;
        m_protoMemberDeleted = false;
    }
    // The __proto__ member is gone but the object still inherits through the link.
    void deleteProtoMember() { m_protoMemberDeleted = true; }
    bool hasProtoSlot() const {
        return !m_protoMemberDeleted && (m_proto || !m_protoPrimitive.isUndefined());
    }
    // __proto__ behaves as an own property with flags of its own: hidden and permanent
    // unless ASSetPropFlags says otherwise.
    std::uint16_t protoFlags() const { return m_protoFlags; }
    void setProtoFlags(std::uint16_t flags) { m_protoFlags = flags; }

    Property* findOwn(const QString& name);
    const Property* findOwn(const QString& name) const;
    // Plain store: creates the property with flags, or replaces the value of an existing one.
    void setOwn(const QString& name, const Value& value, std::uint16_t flags = 0);
    bool removeOwn(const QString& name); // false when absent or DontDelete
    const std::vector<Property>& properties() const { return m_properties; }
    std::vector<Property>& properties() { return m_properties; }
    void reindex();

    // Arrays keep length apart from their index properties.
    std::uint32_t arrayLength() const { return m_arrayLength; }
    void setArrayLength(std::uint32_t length) {
        m_arrayLength = length;
        m_lengthValue = Value();
    }
    // A length a script wrote reads back as written (a word, a fraction) until the elements
    // change it; undefined when the length is the count itself.
    const Value& lengthValue() const { return m_lengthValue; }
    void setLengthValue(const Value& value) { m_lengthValue = value; }
    // An array's length is an own member of its own flags, hidden and permanent at first;
    // ASSetPropFlags may reveal it to for..in.
    std::uint16_t lengthFlags() const { return m_lengthFlags; }
    void setLengthFlags(std::uint16_t flags) { m_lengthFlags = flags; }

    // Functions.
    const NativeFunction& native() const { return m_native; }
    void setNative(NativeFunction function) { m_native = std::move(function); }
    const std::shared_ptr<ScriptFunction>& script() const { return m_script; }
    void setScript(std::shared_ptr<ScriptFunction> function) { m_script = std::move(function); }

    // Primitive wrappers (new String, new Number, new Boolean).
    const Value& primitive() const { return m_primitive; }
    void setPrimitive(const Value& value) { m_primitive = value; }

    // super: the object that called, the prototype the lookup starts from and the one the
    // running method was found on, whose __constructor__ super() calls.
    Object* superThis() const { return m_superThis; }
    Object* superProto() const { return m_superProto; }
    Object* superHome() const { return m_superHome; }
    void setSuper(Object* thisObject, Object* proto, Object* home) {
        m_superThis = thisObject;
        m_superProto = proto;
        m_superHome = home;
    }

    std::vector<Object*>& interfaces() { return m_interfaces; }
    std::vector<Watcher>& watchers() { return m_watchers; }
    const std::vector<Watcher>& watchers() const { return m_watchers; }
    NativeData* nativeData() const { return m_nativeData.get(); }
    void setNativeData(std::unique_ptr<NativeData> data) { m_nativeData = std::move(data); }
    PropertyDelegate* delegate() const { return m_delegate; }
    void setDelegate(PropertyDelegate* delegate) { m_delegate = delegate; }

    // Collector state.
    bool marked() const { return m_marked; }
    void setMarked(bool marked) { m_marked = marked; }
    int pins() const { return m_pins; }
    void pin() { ++m_pins; }
    void unpin() {
        if (m_pins > 0) --m_pins;
    }
    template <typename Visit> void forEachReference(Visit&& visit) const;

  private:
    QString key(const QString& name) const { return m_caseSensitive ? name : name.toLower(); }
    // Most objects (activations, arguments, small records) hold a few properties: a scan of
    // those beats a hash, which would cost each object an allocation. Names that ignore case
    // always go through the hash, whose lower-case keys define their matching.
    static constexpr std::size_t kIndexedFrom = 9;
    bool indexed() const { return !m_caseSensitive || m_properties.size() >= kIndexedFrom; }
    std::ptrdiff_t position(const QString& name) const;

    ObjectKind m_kind;
    Object* m_proto;
    std::uint16_t m_protoFlags = property_flags::kDontEnum | property_flags::kDontDelete;
    bool m_protoMemberDeleted = false;
    Value m_protoPrimitive;
    bool m_caseSensitive;
    std::vector<Property> m_properties;
    QHash<QString, int> m_index;
    std::uint32_t m_arrayLength = 0;
    std::uint16_t m_lengthFlags = property_flags::kDontEnum | property_flags::kDontDelete;
    Value m_lengthValue;
    NativeFunction m_native;
    std::shared_ptr<ScriptFunction> m_script;
    Value m_primitive;
    Object* m_superThis = nullptr;
    Object* m_superProto = nullptr;
    Object* m_superHome = nullptr;
    std::vector<Object*> m_interfaces;
    std::vector<Watcher> m_watchers;
    PropertyDelegate* m_delegate = nullptr;
    std::unique_ptr<NativeData> m_nativeData;
    bool m_marked = false;
    int m_pins = 0;
};

template <typename Visit> void Object::forEachReference(Visit&& visit) const {
    visit(m_proto);
    for (const Property& property : m_properties) {
        visit(property.value.asObject());
        visit(property.getter);
        visit(property.setter);
    }
    visit(m_primitive.asObject());
    visit(m_lengthValue.asObject());
    visit(m_superThis);
    visit(m_superProto);
    visit(m_superHome);
    for (Object* object : m_interfaces)
        visit(object);
    for (const Watcher& watcher : m_watchers) {
        visit(watcher.callback);
        visit(watcher.userData.asObject());
    }
    if (m_nativeData) m_nativeData->forEachReference([&visit](Object* object) { visit(object); });
    if (m_script) {
        visit(m_script->target);
        for (const Scope* scope = m_script->scope.get(); scope; scope = scope->parent.get())
            visit(scope->object);
    }
}

} // namespace swf::avm1
