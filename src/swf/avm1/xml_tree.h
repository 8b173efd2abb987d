// The XML classes' tree: nodes kept natively on their script objects, a lenient parser
// that reads a document the way the player does, and the writer that prints one back.
#pragma once

#include "swf/avm1/builtins.h"

#include <optional>
#include <vector>

namespace swf::avm1::xml {

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
    // The childNodes array handed out, and the children it was made from: scripts may change
    // the array, and see their changes until the tree itself changes.
    Object* childArray = nullptr;
    std::vector<Object*> childArrayOf;
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
        visit(childArray);
    }
};

XmlNode* nodeOf(const Value& value);
Object* makeNode(Machine& machine, Object* prototype, int type, std::optional<QString> text);
// Turns object into a node in place (the XML and XMLNode constructors run on `this`).
XmlNode* initNode(Machine& machine, Object* object, int type, std::optional<QString> text);
void detach(Object* child);
// Adds child at index (at the end past it); nothing when child holds parent.
void insertChild(Object* parent, Object* child, std::size_t index);

struct ParseResult {
    int status = kParsed;
    QString xmlDecl, docType;
};
// Reads text into the children of document, nodes made with prototype.
// Whitespace-only text is dropped when the document's ignoreWhite is true as the parse starts.
ParseResult parseInto(Machine& machine, Object* document, Object* prototype, const QString& text);
// Appends object and what it holds, as markup.
void writeNode(Machine& machine, Object* object, QString& out, int depth);

} // namespace swf::avm1::xml
