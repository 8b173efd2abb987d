#include "swf/stage/text_field.h"

#include "swf/movie/character.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/stage_context.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace swf::stage {

TextField::TextField(StageContext& context, const movie::Character* character,
                     const format::EditTextDefinition& definition, const movie::MovieDefinition& movie)
    : DisplayObject(context, character, movie), field(definition) {
    if (field.autoSize) autoSize = AutoSize::Left;
    const format::FontDefinition* font = nullptr;
    if (field.hasFont)
        if (const auto* found = dynamic_cast<const movie::FontCharacter*>(movie.character(field.fontId)))
            font = &found->font;
    if (font) m_embeddedFontName = font->name;
    m_swfVersion = movie.header.version;
    newStyle = definedStyle(field, font ? font->name : QString(), font && font->bold, font && font->italic);
    ownText = field.initialText;
    markupBase = newStyle;
    markupBase.align = format::TextAlign::Left;
    if (field.html)
        setHtmlText(field.initialText);
    else
        content.setPlain(field.initialText, newStyle);
    contentChanged();
    context.fieldCreated();
}

TextStyle TextField::definedStyle(const format::EditTextDefinition& field, const QString& fontName,
                                  bool fontBold, bool fontItalic) {
    TextStyle style;
    style.font = !fontName.isEmpty()          ? fontName
                 : !field.fontClass.isEmpty() ? field.fontClass
                                              : QStringLiteral("Times New Roman");
    style.size = std::round(field.fontHeight / 20);
    style.color = field.color.rgb() & 0xffffff;
    style.bold = field.bold || fontBold;
    style.italic = field.italic || fontItalic;
    style.underline = field.underline;
    style.align = field.align;
    style.leftMargin = std::round(field.leftMargin / 20);
    style.rightMargin = std::round(field.rightMargin / 20);
    style.indent = std::round(field.indent / 20);
    style.leading = std::round(field.leading / 20);
    return style;
}

void TextField::setText(const QString& plain) {
    content.setPlain(plain, newStyle);
    caret = std::min(caret, content.size());
    anchor = std::min(anchor, content.size());
    contentChanged();
}

void TextField::setHtmlText(const QString& markup) {
    if (!field.html) return setText(markup);
    // Markup starts from the field's own look, left aligned unless it says otherwise; text set
    // later takes the look in force where the markup ended.
    newStyle = content.setHtml(markup, markupBase, field.multiline, condenseWhite, m_swfVersion);
    caret = std::min(caret, content.size());
    anchor = std::min(anchor, content.size());
    contentChanged();
}

void TextField::contentChanged() {
    // The renderer draws the definition: markup for a field of markup, else the text in the
    // look of its first character.
    const TextStyle& look = content.isEmpty() ? newStyle : content.styleAt(0);
    field.initialText = field.html ? content.html() : content.text();
    // The field's own font draws while the look names it; another name is a device font.
    field.hasFont = !m_embeddedFontName.isEmpty() && look.font == m_embeddedFontName;
    if (!field.hasFont) field.fontClass = look.font;
    field.fontHeight = std::max(1.0, look.size) * 20;
    field.color = QColor::fromRgb(0xff000000u | look.color);
    field.bold = look.bold;
    field.italic = look.italic;
    field.underline = look.underline;
    field.align = look.align;
    field.leftMargin = look.leftMargin * 20;
    field.rightMargin = look.rightMargin * 20;
    field.indent = look.indent * 20;
    field.leading = look.leading * 20;
}

TextField::~TextField() {
    context().fieldDestroyed();
}

namespace {
bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
} // namespace

// The field's markup reduced to its characters, paragraphs ended by \r as scripts read them.
QString plainOfHtml(const QString& html) {
    QString text = html;
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br\\s*/?|/p|/li)\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    text.replace(breaks, QStringLiteral("\r"));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    text.remove(tags);
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&nbsp;"), QString(QChar(0xa0)));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    return text;
}

QString fieldText(const format::EditTextDefinition& field) {
    if (field.html) return plainOfHtml(field.initialText);
    QString text = field.initialText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return text;
}

bool restrictAllows(const QString& restrict, QChar c) {
    // Listed characters are let in; after a "^" the listed ones are kept out; a list that
    // starts with "^" lets in everything it does not name. Later entries win.
    bool allowed = restrict.startsWith(QLatin1Char('^'));
    bool refusing = false;
    for (qsizetype i = 0; i < restrict.size(); ++i) {
        QChar from = restrict[i];
        if (from == QLatin1Char('^')) {
            refusing = !refusing;
            continue;
        }
        if (from == QLatin1Char('\\') && i + 1 < restrict.size()) from = restrict[++i];
        QChar to = from;
        if (i + 2 < restrict.size()&& restrict[i + 1] == QLatin1Char('-')) {
            i += 2;
            to = restrict[i];
            if (to == QLatin1Char('\\') && i + 1 < restrict.size()) to = restrict[++i];
        }
        if (c >= from && c <= to) allowed = !refusing;
    }
    return allowed;
}

TextEditor::TextEditor(TextField& field) : m_field(field), m_text(field.text()) {
    m_field.caret = std::clamp(m_field.caret, 0, int(m_text.size()));
    m_field.anchor = std::clamp(m_field.anchor, 0, int(m_text.size()));
}

QString TextEditor::selectedText() const {
    const int from = std::min(m_field.caret, m_field.anchor);
    const int to = std::max(m_field.caret, m_field.anchor);
    return m_text.mid(from, to - from);
}

bool TextEditor::insert(const QString& typed) {
    QString accepted;
    for (QChar c : typed) {
        if (c == QLatin1Char('\n')) c = QLatin1Char('\r');
        if (c == QLatin1Char('\r') ? !m_field.field.multiline : (c.category() == QChar::Other_Control))
            continue;
        if (c != QLatin1Char('\r') && m_field.restrict && !restrictAllows(*m_field.restrict, c)) continue;
        accepted += c;
    }
    const int selected = std::abs(m_field.caret - m_field.anchor);
    if (m_field.field.maxLength > 0) {
        const int room = std::max(0, m_field.field.maxLength - int(m_text.size()) + selected);
        accepted.truncate(room);
    }
    if (accepted.isEmpty() && selected == 0) return false;
    return replaceSelection(accepted);
}

bool TextEditor::backspace() {
    if (m_field.caret == m_field.anchor) {
        if (m_field.caret == 0) return false;
        m_field.anchor = m_field.caret - 1;
    }
    return replaceSelection(QString());
}

bool TextEditor::deleteForward() {
    if (m_field.caret == m_field.anchor) {
        if (m_field.caret >= m_text.size()) return false;
        m_field.anchor = m_field.caret + 1;
    }
    return replaceSelection(QString());
}

void TextEditor::move(Move where, bool extendSelection) {
    const int size = int(m_text.size());
    int caret = m_field.caret;
    const bool hadSelection = m_field.caret != m_field.anchor;
    switch (where) {
    case Move::Left:
        // A selection collapses to its start rather than the caret stepping past it.
        caret = hadSelection && !extendSelection ? std::min(m_field.caret, m_field.anchor) : caret - 1;
        break;
    case Move::Right:
        caret = hadSelection && !extendSelection ? std::max(m_field.caret, m_field.anchor) : caret + 1;
        break;
    case Move::WordLeft:
        while (caret > 0 && !isWordCharacter(m_text[caret - 1]))
            --caret;
        while (caret > 0 && isWordCharacter(m_text[caret - 1]))
            --caret;
        break;
    case Move::WordRight:
        while (caret < size && isWordCharacter(m_text[caret]))
            ++caret;
        while (caret < size && !isWordCharacter(m_text[caret]))
            ++caret;
        break;
    case Move::Home:
        while (caret > 0 && m_text[caret - 1] != QLatin1Char('\r'))
            --caret;
        break;
    case Move::End:
        while (caret < size && m_text[caret] != QLatin1Char('\r'))
            ++caret;
        break;
    case Move::DocumentStart:
        caret = 0;
        break;
    case Move::DocumentEnd:
        caret = size;
        break;
    }
    m_field.caret = std::clamp(caret, 0, size);
    if (!extendSelection) m_field.anchor = m_field.caret;
}

void TextEditor::selectAll() {
    m_field.anchor = 0;
    m_field.caret = int(m_text.size());
}

bool TextEditor::replaceSelection(const QString& with) {
    const int from = std::min(m_field.caret, m_field.anchor);
    const int to = std::max(m_field.caret, m_field.anchor);
    // Typed text takes the look of the character before it, as in any editor; at the start,
    // the look new text has.
    const TextStyle look = from > 0 ? m_field.content.styleAt(from - 1) : m_field.newStyle;
    m_field.content.replace(from, to, with, look);
    m_text = m_field.content.text();
    m_field.caret = m_field.anchor = std::min(from + int(with.size()), int(m_text.size()));
    m_field.contentChanged();
    return true;
}

} // namespace swf::stage
