// XML and XMLNode: a tree of nodes kept natively, parsed leniently the way the player
// reads a document, and shown to scripts through properties of XMLNode.prototype.
#include "swf/avm1/builtins.h"
#include "swf/avm1/xml_tree.h"

#include <algorithm>

namespace swf::avm1 {

namespace {

using namespace property_flags;
using namespace xml;

// status, ignoreWhite and the declarations belong to a document without being properties
// a script can list.
class XmlDocumentProperties final : public PropertyDelegate {
  public:
    std::optional<Value> getProperty(Object& object, const QString& name) override {
        Value* slot = slotOf(object, name);
        return slot ? std::optional<Value>(*slot) : std::nullopt;
    }
    bool setProperty(Object& object, const QString& name, const Value& value) override {
        Value* slot = slotOf(object, name);
        if (slot) *slot = value;
        return slot != nullptr;
    }

  private:
    static Value* slotOf(Object& object, const QString& name) {
        XmlNode* node = dynamic_cast<XmlNode*>(object.nativeData());
        if (!node) return nullptr;
        if (name == u"status") return &node->status;
        if (name == u"ignoreWhite") return &node->ignoreWhite;
        if (name == u"xmlDecl") return &node->xmlDecl;
        if (name == u"docTypeDecl") return &node->docTypeDecl;
        if (name == u"contentType") return &node->contentType;
        return nullptr;
    }
};

XmlDocumentProperties& documentProperties() {
    static XmlDocumentProperties properties; // stateless: every machine may share it
    return properties;
}

// A node's namespace declarations: every attribute named xmlns..., its prefix what follows
// "xmlns:" (empty for any other spelling), searched from the node up.
template <typename Match> Value findDeclaration(Object* object, Match match) {
    for (Object* current = object; current; current = nodeOf(current)->parent) {
        XmlNode* node = nodeOf(current);
        if (!node) break;
        for (const Property& attribute : node->attributes->properties()) {
            if (!attribute.name.startsWith(QLatin1String("xmlns"))) continue;
            const QString prefix =
                attribute.name.size() > 5 && attribute.name[5] == u':' ? attribute.name.mid(6) : QString();
            if (auto found = match(prefix, attribute.value)) return *found;
        }
    }
    return Value::null();
}

// A name's prefix and local name, split at its first colon; a colon with nothing after it
// splits nothing, the whole name is local.
std::pair<QString, QString> splitName(const QString& name) {
    const qsizetype colon = name.indexOf(u':');
    if (colon < 0 || colon == name.size() - 1) return {QString(), name};
    return {name.left(colon), name.mid(colon + 1)};
}

Value namespaceFor(Object* object, const QString& prefix) {
    return findDeclaration(object,
                           [&prefix](const QString& declared, const Value& value) -> std::optional<Value> {
                               if (declared == prefix) return value;
                               return std::nullopt;
                           });
}

void defineNodeProperty(Machine& machine, Object* prototype, const char* name,
                        std::function<Value(Machine&, Object*, XmlNode&)> get,
                        std::function<void(Machine&, XmlNode&, const Value&)> set = nullptr) {
    // Listed like any member, as the player's own are.
    prototype->setOwn(QString::fromLatin1(name), Value());
    Property* property = prototype->findOwn(QString::fromLatin1(name));
    property->getter = machine.newNativeFunction([get](CallContext& c) {
        XmlNode* node = nodeOf(c.thisValue);
        return node ? get(c.machine, c.thisObject(), *node) : Value();
    });
    if (set) {
        property->setter = machine.newNativeFunction([set](CallContext& c) {
            if (XmlNode* node = nodeOf(c.thisValue)) set(c.machine, *node, c.arg(0));
            return Value();
        });
    }
}

Value sibling(Object* object, XmlNode& node, int step) {
    XmlNode* parent = nodeOf(node.parent);
    if (!parent) return Value::null();
    const auto at = std::find(parent->children.begin(), parent->children.end(), object);
    if (at == parent->children.end()) return Value::null();
    const std::ptrdiff_t index = (at - parent->children.begin()) + step;
    if (index < 0 || index >= std::ptrdiff_t(parent->children.size())) return Value::null();
    return parent->children[std::size_t(index)];
}

void installNodeProperties(Machine& machine, Object* prototype) {
    auto optional = [](const std::optional<QString>& text) { return text ? Value(*text) : Value::null(); };
    defineNodeProperty(machine, prototype, "nodeType",
                       [](Machine&, Object*, XmlNode& n) { return Value(n.type); });
    defineNodeProperty(
        machine, prototype, "nodeName",
        [optional](Machine&, Object*, XmlNode& n) { return optional(n.name); },
        [](Machine& m, XmlNode& n, const Value& v) {
            // undefined leaves the name alone; null takes it away.
            if (n.type == kElementNode && !v.isUndefined())
                n.name = v.isNull() ? std::nullopt : std::optional(m.toString(v));
        });
    defineNodeProperty(
        machine, prototype, "nodeValue",
        [optional](Machine&, Object*, XmlNode& n) { return optional(n.value); },
        [](Machine& m, XmlNode& n, const Value& v) {
            if (n.type == kTextNode) n.value = v.isNullish() ? std::nullopt : std::optional(m.toString(v));
        });
    defineNodeProperty(machine, prototype, "attributes",
                       [](Machine&, Object*, XmlNode& n) { return Value(n.attributes); });
    defineNodeProperty(machine, prototype, "parentNode", [](Machine&, Object*, XmlNode& n) {
        return n.parent ? Value(n.parent) : Value::null();
    });
    defineNodeProperty(machine, prototype, "childNodes", [](Machine& m, Object*, XmlNode& n) {
        if (!n.childArray || n.childArrayOf != n.children) {
            std::vector<Value> values(n.children.begin(), n.children.end());
            n.childArray = m.newArray(values);
            n.childArrayOf = n.children;
        }
        return Value(n.childArray);
    });
    defineNodeProperty(machine, prototype, "firstChild", [](Machine&, Object*, XmlNode& n) {
        return n.children.empty() ? Value::null() : Value(n.children.front());
    });
    defineNodeProperty(machine, prototype, "lastChild", [](Machine&, Object*, XmlNode& n) {
        return n.children.empty() ? Value::null() : Value(n.children.back());
    });
    defineNodeProperty(machine, prototype, "nextSibling",
                       [](Machine&, Object* o, XmlNode& n) { return sibling(o, n, 1); });
    defineNodeProperty(machine, prototype, "previousSibling",
                       [](Machine&, Object* o, XmlNode& n) { return sibling(o, n, -1); });
    defineNodeProperty(machine, prototype, "prefix", [](Machine&, Object*, XmlNode& n) {
        return n.name ? Value(splitName(*n.name).first) : Value::null();
    });
    defineNodeProperty(machine, prototype, "localName", [](Machine&, Object*, XmlNode& n) {
        return n.name ? Value(splitName(*n.name).second) : Value::null();
    });
    defineNodeProperty(machine, prototype, "namespaceURI", [](Machine&, Object* o, XmlNode& n) {
        if (!n.name) return Value::null();
        const Value found = namespaceFor(o, splitName(*n.name).first);
        return found.isNull() ? Value(QString()) : found;
    });
}

void installNodeMethods(Machine& machine, Object* prototype) {
    machine.defineMethod(prototype, QStringLiteral("toString"), [](CallContext& c) {
        QString out;
        XmlNode* node = nodeOf(c.thisValue);
        if (!node) return Value(out);
        if (!node->name && node->type == kElementNode) {
            // A document starts with the declarations it was parsed with.
            for (const Value* declaration : {&node->xmlDecl, &node->docTypeDecl})
                if (!declaration->isNullish()) out += c.machine.toString(*declaration);
        }
        writeNode(c.machine, c.thisObject(), out, 0);
        return Value(out);
    });
    machine.defineMethod(prototype, QStringLiteral("appendChild"), [](CallContext& c) {
        insertChild(c.thisObject(), c.arg(0).asObject(), SIZE_MAX);
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("insertBefore"), [](CallContext& c) {
        XmlNode* node = nodeOf(c.thisValue);
        Object* before = c.arg(1).asObject();
        if (!node || !before) return Value();
        // A node already among the children stays where it is.
        const XmlNode* inserted = nodeOf(c.arg(0));
        if (inserted && inserted->parent == c.thisObject()) return Value();
        const auto at = std::find(node->children.begin(), node->children.end(), before);
        if (at != node->children.end())
            insertChild(c.thisObject(), c.arg(0).asObject(), std::size_t(at - node->children.begin()));
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("removeNode"), [](CallContext& c) {
        detach(c.thisObject());
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("hasChildNodes"), [](CallContext& c) {
        XmlNode* node = nodeOf(c.thisValue);
        return Value(node && !node->children.empty());
    });
    machine.defineMethod(prototype, QStringLiteral("cloneNode"), [](CallContext& c) {
        // Copies iteratively: pairs of (copy's parent, original) still to do.
        Object* root = c.thisObject();
        if (!nodeOf(root)) return Value();
        const bool deep = c.machine.toBoolean(c.arg(0));
        Object* result = nullptr;
        std::vector<std::pair<Object*, Object*>> work{{nullptr, root}};
        while (!work.empty() && !c.machine.unwinding()) {
            auto [parent, original] = work.back();
            work.pop_back();
            XmlNode* from = nodeOf(original);
            Object* copy = makeNode(c.machine, original->proto(), from->type,
                                    from->type == kTextNode ? from->value : from->name);
            for (const Property& attribute : from->attributes->properties())
                nodeOf(copy)->attributes->setOwn(attribute.name, attribute.value, attribute.flags);
            if (parent)
                insertChild(parent, copy, SIZE_MAX);
            else
                result = copy;
            if (deep || !parent)
                for (auto child = from->children.rbegin(); child != from->children.rend() && (deep); ++child)
                    work.emplace_back(copy, *child);
        }
        return Value(result);
    });
    machine.defineMethod(prototype, QStringLiteral("getNamespaceForPrefix"), [](CallContext& c) {
        if (!nodeOf(c.thisValue) || !nodeOf(c.thisValue)->name || c.arg(0).isUndefined())
            return Value::null();
        return namespaceFor(c.thisObject(), argString(c, 0));
    });
    machine.defineMethod(prototype, QStringLiteral("getPrefixForNamespace"), [](CallContext& c) {
        if (!nodeOf(c.thisValue) || !nodeOf(c.thisValue)->name) return Value::null();
        const Value uri = c.arg(0);
        Machine& machine = c.machine;
        return findDeclaration(c.thisObject(),
                               [&](const QString& prefix, const Value& value) -> std::optional<Value> {
                                   if (machine.toString(value) == machine.toString(uri)) return Value(prefix);
                                   return std::nullopt;
                               });
    });
}

// The node properties live on XMLNode.prototype; a script that replaces the prototype gets
// them back on its own object once a node is made through the class (new XMLNode with both
// arguments, createElement, createTextNode), never by parsing.
Object* currentNodePrototype(Machine& machine, Object* xmlNode) {
    Object* prototype = machine.getMember(Value(xmlNode), QStringLiteral("prototype")).asObject();
    if (prototype && !prototype->findOwn(QStringLiteral("nodeType")))
        installNodeProperties(machine, prototype);
    return prototype;
}

} // namespace

void installXmlClasses(Machine& machine) {
    Object* global = machine.global();
    Object* nodePrototype = machine.newObject();
    Object* xmlNode = machine.newConstructor(
        [](CallContext& c) {
            if (c.constructing && c.thisObject()) {
                if (!c.arg(0).isUndefined() && !c.arg(1).isUndefined())
                    currentNodePrototype(c.machine, c.callee);
                const int type = toInt32(argNumber(c, 0)) == kTextNode ? kTextNode : kElementNode;
                initNode(c.machine, c.thisObject(), type,
                         c.arg(1).isUndefined() ? std::nullopt : std::optional(argString(c, 1)));
            }
            return c.thisValue;
        },
        nodePrototype);
    global->setOwn(QStringLiteral("XMLNode"), xmlNode, kDontEnum);
    installNodeProperties(machine, nodePrototype);
    installNodeMethods(machine, nodePrototype);

    Object* xmlPrototype = machine.newObject(ObjectKind::Plain, nodePrototype);
    auto parse = [nodePrototype](Machine& m, Object* document, const QString& text) {
        XmlNode* node = nodeOf(document);
        if (!node) return;
        for (Object* child : std::vector<Object*>(node->children))
            detach(child);
        const ParseResult result = parseInto(m, document, nodePrototype, text);
        node->status = result.status;
        if (!result.xmlDecl.isEmpty()) node->xmlDecl = result.xmlDecl;
        if (!result.docType.isEmpty()) node->docTypeDecl = result.docType;
    };
    Object* xml = machine.newConstructor(
        [parse](CallContext& c) {
            Object* self = c.thisObject();
            if (!c.constructing || !self) return Value();
            initNode(c.machine, self, kElementNode, std::nullopt);
            self->setDelegate(&documentProperties());
            if (!c.arg(0).isUndefined()) parse(c.machine, self, argString(c, 0));
            return Value(self);
        },
        xmlPrototype);
    global->setOwn(QStringLiteral("XML"), xml, kDontEnum);
    // XML.prototype is an XMLNode made by XMLNode: it names that constructor, not XML.
    xmlPrototype->properties().clear();
    xmlPrototype->reindex();
    xmlPrototype->setOwn(QStringLiteral("__constructor__"), xmlNode, kDontEnum | kVersion6Up);
    machine.defineMethod(xmlPrototype, QStringLiteral("parseXML"), [parse](CallContext& c) {
        if (c.thisObject()) parse(c.machine, c.thisObject(), argString(c, 0));
        return Value();
    });
    machine.defineMethod(xmlPrototype, QStringLiteral("createElement"), [xmlNode](CallContext& c) {
        return Value(
            makeNode(c.machine, currentNodePrototype(c.machine, xmlNode), kElementNode, argString(c, 0)));
    });
    machine.defineMethod(xmlPrototype, QStringLiteral("createTextNode"), [xmlNode](CallContext& c) {
        return Value(
            makeNode(c.machine, currentNodePrototype(c.machine, xmlNode), kTextNode, argString(c, 0)));
    });
    for (Object* prototype : {nodePrototype, xmlPrototype})
        for (Property& property : prototype->properties())
            if (property.name != u"constructor" && property.name != u"__constructor__") property.flags = 0;
}

} // namespace swf::avm1
