// The XML tree: nodes, parsing and writing.
#include "swf/avm1/xml_tree.h"

#include "swf/format/text_encoding.h"

#include <algorithm>

namespace swf::avm1::xml {

using namespace property_flags;

XmlNode* nodeOf(const Value& value) {
    Object* object = value.asObject();
    return object ? dynamic_cast<XmlNode*>(object->nativeData()) : nullptr;
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
// before. The store is an ordinary assignment: a setter there runs in the middle of the parse
// and sees the tree as far as it has been read.
void registerId(Machine& machine, Object* document, const QString& id, Object* element) {
    constexpr int kSwfVersionIdMap = 8;
    Object* map = document;
    if (machine.swfVersion() >= kSwfVersionIdMap) {
        const Value existing = machine.getMember(document, QStringLiteral("idMap"));
        map = existing.asObject();
        if (!map) {
            if (!existing.isUndefined()) return;
            // The map the parser makes is bare: it inherits nothing, not even from Object.
            map = machine.newObject(ObjectKind::Plain, nullptr);
            document->setOwn(QStringLiteral("idMap"), map);
        }
    }
    machine.setMember(Value(map), id, Value(element));
}

// Reads text into the children of document. The tree is built with an explicit stack, so
// nesting costs no recursion.
ParseResult parseInto(Machine& machine, Object* document, Object* prototype, const QString& text) {
    ParseResult result;
    std::vector<Object*> open{document};
    qsizetype at = 0;
    const qsizetype size = text.size();
    // Read once: a setter run by an id that changes it acts on the next parse only.
    const bool ignoreWhite = nodeOf(document) && machine.toBoolean(nodeOf(document)->ignoreWhite);
    auto addText = [&](const QString& value) {
        if (ignoreWhite && std::all_of(value.begin(), value.end(), isSpace)) return;
        Object* node = makeNode(machine, prototype, kTextNode, value);
        insertChild(open.back(), node, SIZE_MAX);
    };
    while (at < size && machine.checkBudget() && !machine.unwinding()) {
        if (text[at] != u'<') {
            const qsizetype next = text.indexOf(u'<', at);
            const qsizetype end = next < 0 ? size : next;
            addText(format::decodeEntities(QStringView(text).mid(at, end - at), false));
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
            // The name ends where a start tag's would, and at a slash too.
            qsizetype nameEnd = at + 2;
            while (nameEnd < end && !isSpace(text[nameEnd]) && text[nameEnd] != u'/')
                ++nameEnd;
            const QString name = text.mid(at + 2, nameEnd - at - 2);
            if (name.isEmpty()) {
                result.status = kBadElement;
                break;
            }
            if (open.size() < 2) {
                result.status = kUnopenedElement;
                break;
            }
            if (nodeOf(open.back())->name.value_or(QString()) != name) {
                // Closing an element further out leaves the inner ones unclosed; closing one
                // that is not open at all is an end without a start.
                const bool outer = std::any_of(open.begin() + 1, open.end(), [&](Object* element) {
                    return nodeOf(element)->name.value_or(QString()) == name;
                });
                result.status = outer ? kUnclosedElement : kUnopenedElement;
                break;
            }
            open.pop_back();
            at = end + 1;
        } else {
            qsizetype i = at + 1;
            // A slash ends the name only where it closes the tag: "<a/ >" is an element "a/".
            while (i < size && !isSpace(text[i]) && text[i] != u'>' &&
                   !(text[i] == u'/' && i + 1 < size && text[i + 1] == u'>'))
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
                // Names have their entities decoded as values do.
                const QString attribute =
                    format::decodeEntities(QStringView(text).mid(nameStart, i - nameStart), false);
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
                    node->attributes->setOwn(
                        attribute,
                        format::decodeEntities(QStringView(text).mid(i + 1, valueEnd - i - 1), false));
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

} // namespace swf::avm1::xml
