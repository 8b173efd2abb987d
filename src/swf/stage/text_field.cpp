#include "swf/stage/text_field.h"

#include "swf/stage/stage_context.h"

#include <QRegularExpression>

#include <algorithm>

namespace swf::stage {

TextField::TextField(StageContext& context, const movie::Character* character,
                     const format::EditTextDefinition& definition, const movie::MovieDefinition& movie)
    : DisplayObject(context, character, movie), field(definition) {
    if (field.autoSize) autoSize = AutoSize::Left;
    context.fieldCreated();
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

TextEditor::TextEditor(TextField& field) : m_field(field), m_text(fieldText(field.field)) {
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
    m_text.replace(from, to - from, with);
    m_field.caret = m_field.anchor = from + int(with.size());
    store();
    return true;
}

void TextEditor::store() {
    // Typing works on the plain text: a field edited by hand keeps its text, not its markup.
    m_field.field.html = false;
    m_field.field.initialText = m_text;
}

} // namespace swf::stage
