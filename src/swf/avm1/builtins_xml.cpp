// XML and XMLNode: a tree of nodes kept natively, parsed leniently the way the player
// reads a document, and shown to scripts through properties of XMLNode.prototype.
#include "swf/avm1/builtins.h"

#include <algorithm>

namespace swf::avm1 {

namespace {

using namespace property_flags;

constexpr int kElementNode = 1;
constexpr int kTextNode = 3;

// The status codes XML.status reports.
enum ParseStatus {
    kParsed = 0,
    kCdataOpen = -2,
    kDeclarationOpen = -3,
    kDoctypeOpen = -4,
    kCommentOpen = -5,
    kBadElement = -6,
    kAttributeOpen = -8,
    kUnclosedElement = -9,
    kUnopenedElement = -10,
};

struct XmlNode final : NativeData {
    int type = kElementNode;
    std::optional<QString> name;  // elements; none for the document and text
    std::optional<QString> value; // text
    Object* attributes = nullptr;
    Object* parent = nullptr;
    std::vector<Object*> children;
    // A document's own state, read through XmlDocumentProperties.
    Value status = 0, ignoreWhite, xmlDecl, docTypeDecl,
          contentType = QStringLiteral("application/x-www-form-urlencoded");
    void forEachReference(const std::function<void(Object*)>& visit) const override {
        visit(attributes);
        visit(parent);
        for (const Value* value : {&status, &ignoreWhite, &xmlDecl, &docTypeDecl, &contentType})
            visit(value->asObject());
        for (Object* child : children)
            visit(child);
    }
};

XmlNode* nodeOf(const Value& value) {
    Object* object = value.asObject();
    return object ? dynamic_cast<XmlNode*>(object->nativeData()) : nullptr;
}

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

Object* makeNode(Machine& machine, Object* prototype, int type, std::optional<QString> text) {
    Object* object = machine.newObject(ObjectKind::Plain, prototype);
    auto node = std::make_unique<XmlNode>();
    node->type = type;
    if (type == kTextNode)
        node->value = text;
    else
        node->name = text;
    node->attributes = machine.newObject();
    object->setNativeData(std::move(node));
    // Parsed and created nodes name their class, as nodes made with new do.
    if (const Property* constructor = prototype ? prototype->findOwn(QStringLiteral("constructor")) : nullptr)
        object->setOwn(QStringLiteral("constructor"), constructor->value, kDontEnum | kDontDelete);
    return object;
}

// Turns object into a node in place (the XML and XMLNode constructors run on `this`).
XmlNode* initNode(Machine& machine, Object* object, int type, std::optional<QString> text) {
    auto node = std::make_unique<XmlNode>();
    node->type = type;
    if (type == kTextNode)
        node->value = text;
    else
        node->name = text;
    node->attributes = machine.newObject();
    XmlNode* raw = node.get();
    object->setNativeData(std::move(node));
    return raw;
}

void detach(Object* child) {
    XmlNode* node = nodeOf(child);
    if (!node || !node->parent) return;
    if (XmlNode* parent = nodeOf(node->parent)) std::erase(parent->children, child);
    node->parent = nullptr;
}

bool isAncestor(Object* maybeAncestor, Object* object) {
    for (Object* current = object; current; current = nodeOf(current) ? nodeOf(current)->parent : nullptr)
        if (current == maybeAncestor) return true;
    return false;
}

void insertChild(Object* parent, Object* child, std::size_t index) {
    XmlNode* parentNode = nodeOf(parent);
    XmlNode* childNode = nodeOf(child);
    if (!parentNode || !childNode || isAncestor(child, parent)) return;
    detach(child);
    index = std::min(index, parentNode->children.size());
    parentNode->children.insert(parentNode->children.begin() + static_cast<std::ptrdiff_t>(index), child);
    childNode->parent = parent;
}

QString decodeEntities(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i];
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1Char(';'), i);
        if (end < 0 || end - i > 10) {
            out += text[i];
            continue;
        }
        const QStringView entity = text.mid(i + 1, end - i - 1);
        QString replacement;
        if (entity == u"lt")
            replacement = QStringLiteral("<");
        else if (entity == u"gt")
            replacement = QStringLiteral(">");
        else if (entity == u"amp")
            replacement = QStringLiteral("&");
        else if (entity == u"quot")
            replacement = QStringLiteral("\"");
        else if (entity == u"apos")
            replacement = QStringLiteral("'");
        else if (entity.startsWith(u'#')) {
            bool ok = false;
            const uint code = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X')
                                  ? entity.mid(2).toUInt(&ok, 16)
                                  : entity.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        }
        if (replacement.isNull()) {
            out += text[i];
            continue;
        }
        out += replacement;
        i = end;
    }
    return out;
}

QString escapeText(const QString& text) {
    QString out;
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\'':
            out += QStringLiteral("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Elements with an id are found by it: under idMap from SWF 8, on the document itself
// before. The store bypasses setters, as the player's does.
void registerId(Machine& machine, Object* document, const QString& id, Object* element) {
    constexpr int kSwfVersionIdMap = 8;
    Object* map = document;
    if (machine.swfVersion() >= kSwfVersionIdMap) {
        const Value existing = machine.getMember(document, QStringLiteral("idMap"));
        map = existing.asObject();
        if (!map) {
            if (!existing.isUndefined()) return;
            map = machine.newObject();
            document->setOwn(QStringLiteral("idMap"), map);
        }
    }
    Property* property = map->findOwn(id);
    if (property && (property->flags & kReadOnly)) return;
    map->setOwn(id, element);
}

struct ParseResult {
    int status = kParsed;
    QString xmlDecl, docType;
};

// Reads text into the children of document. The tree is built with an explicit stack, so
// nesting costs no recursion.
ParseResult parseInto(Machine& machine, Object* document, Object* prototype, const QString& text,
                      bool ignoreWhite) {
    ParseResult result;
    std::vector<Object*> open{document};
    qsizetype at = 0;
    const qsizetype size = text.size();
    auto addText = [&](const QString& value) {
        if (ignoreWhite && std::all_of(value.begin(), value.end(), isSpace)) return;
        Object* node = makeNode(machine, prototype, kTextNode, value);
        insertChild(open.back(), node, SIZE_MAX);
    };
    while (at < size && machine.checkBudget() && !machine.unwinding()) {
        if (text[at] != u'<') {
            const qsizetype next = text.indexOf(u'<', at);
            const qsizetype end = next < 0 ? size : next;
            addText(decodeEntities(QStringView(text).mid(at, end - at)));
            at = end;
            continue;
        }
        if (text.mid(at, 4) == u"<!--") {
            const qsizetype end = text.indexOf(QStringLiteral("-->"), at + 4);
            if (end < 0) {
                result.status = kCommentOpen;
                break;
            }
            at = end + 3;
        } else if (text.mid(at, 9) == u"<![CDATA[") {
            const qsizetype end = text.indexOf(QStringLiteral("]]>"), at + 9);
            if (end < 0) {
                result.status = kCdataOpen;
                break;
            }
            insertChild(open.back(), makeNode(machine, prototype, kTextNode, text.mid(at + 9, end - at - 9)),
                        SIZE_MAX);
            at = end + 3;
        } else if (text.mid(at, 2) == u"<?") {
            const qsizetype end = text.indexOf(QStringLiteral("?>"), at + 2);
            if (end < 0) {
                result.status = kDeclarationOpen;
                break;
            }
            result.xmlDecl += text.mid(at, end + 2 - at);
            at = end + 2;
        } else if (text.mid(at, 2) == u"<!") {
            const qsizetype end = text.indexOf(u'>', at + 2);
            if (end < 0) {
                result.status = kDoctypeOpen;
                break;
            }
            result.docType = text.mid(at, end + 1 - at);
            at = end + 1;
        } else if (text.mid(at, 2) == u"</") {
            const qsizetype end = text.indexOf(u'>', at + 2);
            if (end < 0) {
                result.status = kBadElement;
                break;
            }
            const QString name = text.mid(at + 2, end - at - 2).trimmed();
            if (open.size() < 2) {
                result.status = kUnopenedElement;
                break;
            }
            if (nodeOf(open.back())->name.value_or(QString()) != name) {
                result.status = kUnclosedElement;
                break;
            }
            open.pop_back();
            at = end + 1;
        } else {
            qsizetype i = at + 1;
            while (i < size && !isSpace(text[i]) && text[i] != u'>' && text[i] != u'/')
                ++i;
            const QString name = text.mid(at + 1, i - at - 1);
            if (name.isEmpty()) {
                result.status = kBadElement;
                break;
            }
            Object* element = makeNode(machine, prototype, kElementNode, name);
            XmlNode* node = nodeOf(element);
            bool closed = false, complete = false;
            while (i < size && result.status == kParsed) {
                while (i < size && isSpace(text[i]))
                    ++i;
                if (i >= size) break;
                if (text[i] == u'>') {
                    complete = true;
                    ++i;
                    break;
                }
                if (text[i] == u'/' && i + 1 < size && text[i + 1] == u'>') {
                    complete = closed = true;
                    i += 2;
                    break;
                }
                const qsizetype nameStart = i;
                while (i < size && !isSpace(text[i]) && text[i] != u'=' && text[i] != u'>' && text[i] != u'/')
                    ++i;
                const QString attribute = text.mid(nameStart, i - nameStart);
                while (i < size && isSpace(text[i]))
                    ++i;
                if (attribute.isEmpty() || i >= size || text[i] != u'=') {
                    result.status = kBadElement;
                    break;
                }
                ++i;
                while (i < size && isSpace(text[i]))
                    ++i;
                if (i >= size || (text[i] != u'"' && text[i] != u'\'')) {
                    result.status = kBadElement;
                    break;
                }
                const QChar quote = text[i];
                const qsizetype valueEnd = text.indexOf(quote, i + 1);
                if (valueEnd < 0) {
                    result.status = kAttributeOpen;
                    break;
                }
                // A repeated attribute keeps its first value.
                if (!node->attributes->findOwn(attribute))
                    node->attributes->setOwn(attribute,
                                             decodeEntities(QStringView(text).mid(i + 1, valueEnd - i - 1)));
                i = valueEnd + 1;
            }
            if (result.status != kParsed) break;
            if (!complete) {
                result.status = kBadElement;
                break;
            }
            insertChild(open.back(), element, SIZE_MAX);
            if (const Property* id = node->attributes->findOwn(QStringLiteral("id")))
                registerId(machine, document, machine.toString(id->value), element);
            if (!closed) open.push_back(element);
            at = i;
        }
    }
    if (result.status == kParsed && open.size() > 1) result.status = kUnclosedElement;
    return result;
}

void writeNode(Machine& machine, Object* object, QString& out, int depth) {
    XmlNode* node = nodeOf(object);
    if (!node || depth > kMaxCallDepth || !machine.checkStringLength(out.size())) return;
    if (node->type == kTextNode) {
        out += escapeText(node->value.value_or(QString()));
        return;
    }
    if (node->name) {
        out += QLatin1Char('<') + *node->name;
        // Only the attributes themselves: nothing a prototype lends them.
        std::vector<std::pair<QString, Value>> attributes;
        for (const Property& attribute : node->attributes->properties())
            if (!(attribute.flags & kDontEnum)) attributes.emplace_back(attribute.name, attribute.value);
        for (const auto& [name, value] : attributes)
            out += QLatin1Char(' ') + name + QStringLiteral("=\"") + escapeText(machine.toString(value)) +
                   QLatin1Char('"');
        if (node->children.empty()) {
            out += QStringLiteral(" />");
            return;
        }
        out += QLatin1Char('>');
    }
    for (Object* child : std::vector<Object*>(node->children))
        writeNode(machine, child, out, depth + 1);
    if (node->name) out += QStringLiteral("</") + *node->name + QLatin1Char('>');
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
            if (n.type == kElementNode) n.name = v.isNullish() ? std::nullopt : std::optional(m.toString(v));
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
        std::vector<Value> values(n.children.begin(), n.children.end());
        return Value(m.newArray(values));
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
        if (!n.name) return Value::null();
        const qsizetype colon = n.name->indexOf(u':');
        return Value(colon < 0 ? QString() : n.name->left(colon));
    });
    defineNodeProperty(machine, prototype, "localName", [](Machine&, Object*, XmlNode& n) {
        if (!n.name) return Value::null();
        return Value(n.name->mid(n.name->indexOf(u':') + 1));
    });
    defineNodeProperty(machine, prototype, "namespaceURI", [](Machine&, Object* o, XmlNode& n) {
        if (!n.name) return Value::null();
        const qsizetype colon = n.name->indexOf(u':');
        const Value found = namespaceFor(o, colon < 0 ? QString() : n.name->left(colon));
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
        if (!nodeOf(c.thisValue) || !nodeOf(c.thisValue)->name) return Value::null();
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

} // namespace

void installXmlClasses(Machine& machine) {
    Object* global = machine.global();
    Object* nodePrototype = machine.newObject();
    Object* xmlNode = machine.newConstructor(
        [](CallContext& c) {
            if (c.constructing && c.thisObject()) {
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
        const bool ignoreWhite = m.toBoolean(node->ignoreWhite);
        const ParseResult result = parseInto(m, document, nodePrototype, text, ignoreWhite);
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
    machine.defineMethod(xmlPrototype, QStringLiteral("createElement"), [nodePrototype](CallContext& c) {
        return Value(makeNode(c.machine, nodePrototype, kElementNode, argString(c, 0)));
    });
    machine.defineMethod(xmlPrototype, QStringLiteral("createTextNode"), [nodePrototype](CallContext& c) {
        return Value(makeNode(c.machine, nodePrototype, kTextNode, argString(c, 0)));
    });
    for (Object* prototype : {nodePrototype, xmlPrototype})
        for (Property& property : prototype->properties())
            if (property.name != u"constructor" && property.name != u"__constructor__") property.flags = 0;
}

} // namespace swf::avm1
