// A text field on the stage: it starts as its DefineEditText (or as a field a script made)
// and keeps its own copy, which scripts change and the renderer draws.
#pragma once

#include "swf/format/edit_text.h"
#include "swf/stage/display_object.h"
#include "swf/stage/text_model.h"

#include <QString>

#include <optional>

namespace swf::stage {

enum class AutoSize { None, Left, Center, Right };

class TextField final : public DisplayObject {
  public:
    // character may be null for a field a script created.
    TextField(StageContext& context, const movie::Character* character,
              const format::EditTextDefinition& field, const movie::MovieDefinition& movie);
    ~TextField() override;

    TextField* asTextField() override { return this; }
    const TextField* asTextField() const override { return this; }

    // The definition as the renderer draws it: its text and look follow content.
    format::EditTextDefinition field;
    // The text and the look of each character, as scripts and typing leave them.
    TextModel content;
    // The look text set from scripts or typed takes (TextField.setNewTextFormat).
    TextStyle newStyle;
    // The look markup starts from.
    TextStyle markupBase;
    AutoSize autoSize = AutoSize::None;
    // The characters typing may enter (TextField.restrict); none set lets every one in.
    std::optional<QString> restrict;
    // Where typing goes: the caret and the other end of the selection, in the field's text.
    int caret = 0;
    int anchor = 0;
    // The line at the top of the box (from 1) and the pixels scrolled off its left, as scripts
    // set them; held to what the text allows when read and drawn.
    int scroll = 1;
    int hscroll = 0;
    // Markup read into the field has its runs of white space made one space.
    bool condenseWhite = false;
    // The text the field keeps as its own while it shows a variable: what a variable it is
    // bound to later takes when that has no value.
    QString ownText;
    // The value of the bound variable the field last showed.
    std::optional<QString> boundShown;

    // As scripts read it (see TextModel::scriptText).
    QString text() const { return content.scriptText(); }
    // Scripts set the text: all of it in the new-text look.
    void setText(const QString& plain);
    // Scripts set the markup: read as HTML in a field that takes it, as text in one that does not.
    void setHtmlText(const QString& markup);
    // The content changed: the drawn definition follows.
    void contentChanged();
    // The look the field's definition gives its text.
    static TextStyle definedStyle(const format::EditTextDefinition& field, const QString& fontName,
                                  bool fontBold, bool fontItalic);

  private:
    QString m_embeddedFontName;
    int m_swfVersion = 0;
};

// The field's markup reduced to its characters, paragraphs ended by \r as scripts read them.
QString plainOfHtml(const QString& html);
// The text a field holds, as scripts read it: HTML markup taken out, paragraphs ended by
// carriage returns.
QString fieldText(const format::EditTextDefinition& field);
// Whether TextField.restrict lets a typed character in: listed characters and ranges
// ("A-Z0-9"), "^" switching to the characters that are refused, "\\" taking the next
// character as it is.
bool restrictAllows(const QString& restrict, QChar c);

// Typing into a field: the caret and selection move, and the field's rules (maximum length,
// allowed characters, one line or many) hold. Each edit says whether the text changed.
class TextEditor {
  public:
    explicit TextEditor(TextField& field);

    QString text() const { return m_text; }
    QString selectedText() const;
    bool insert(const QString& typed);
    bool backspace();
    bool deleteForward();
    enum class Move { Left, Right, WordLeft, WordRight, Home, End, DocumentStart, DocumentEnd };
    void move(Move where, bool extendSelection);
    void selectAll();

  private:
    bool replaceSelection(const QString& with);

    TextField& m_field;
    QString m_text;
};

} // namespace swf::stage
