// Text fields as scripts see them: TextField objects over the stage's fields (placed by the
// timeline or made by createTextField), and the TextFormat class that reads and sets their
// look. Each field keeps one format for all its text.
#include "swf/script/text_fields.h"
#include "swf/script/clip_directory.h"
#include "swf/script/display_properties.h"
#include "swf/script/script_limits.h"

#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/target_path.h"
#include "swf/movie/movie_definition.h"
#include "swf/render/text_layout.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"
#include "swf/stage/text_field.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>

#include <cmath>

namespace swf::script {

namespace {

// Text a field may hold: enough for any real movie, small enough to lay out each frame.
constexpr qsizetype kMaxFieldText = 1 << 20;
// Fields scripts may make, all timelines together.
constexpr std::size_t kMaxScriptFields = 1 << 16;
constexpr int kMaxScriptDepth = 2130690045;
// ASnative(104, 200) is MovieClip.createTextField.
constexpr int kClipNativeFamily = 104;
constexpr int kCreateTextFieldNative = 200;

const char* const kFormatNames[] = {
    "font",  "size",       "color",       "bold",   "italic",  "underline",   "url",    "target",
    "align", "leftMargin", "rightMargin", "indent", "leading", "blockIndent", "bullet", "tabStops"};

QString bounded(QString text) {
    if (text.size() > kMaxFieldText) text.truncate(kMaxFieldText);
    return text;
}

} // namespace

// A field's properties, read from and written to the field the object stands for.
class TextFields::Properties final : public avm1::PropertyDelegate {
  public:
    explicit Properties(TextFields& host) : m_host(host) {}
    std::optional<avm1::Value> getProperty(avm1::Object& object, const QString& name) override;
    bool setProperty(avm1::Object& object, const QString& name, const avm1::Value& value) override;

  private:
    TextFields& m_host;
};

std::optional<avm1::Value> TextFields::Properties::getProperty(avm1::Object& object, const QString& name) {
    stage::TextField* text = m_host.fieldOf(&object);
    if (!text) return std::nullopt;
    const format::EditTextDefinition& f = text->field;
    const bool caseSensitive = m_host.m_machine->swfVersion() >= 7;
    const QString key = caseSensitive ? name : name.toLower();
    auto is = [&](const char* property) {
        return caseSensitive ? key == QLatin1String(property)
                             : key == QString::fromLatin1(property).toLower();
    };
    auto color = [](const QColor& c) { return avm1::Value(double(c.rgb() & 0xffffff)); };
    // A clip's variables reach the fields bound to them at once; other objects' at the frame.
    if (is("text") || is("htmlText") || is("length")) m_host.showVariableNow(*text, true);
    if (is("text")) return avm1::Value(text->text());
    if (is("htmlText")) return avm1::Value(f.html ? text->content.html() : text->text());
    if (is("html")) return avm1::Value(f.html);
    if (is("length")) return avm1::Value(double(text->content.size()));
    if (is("variable")) return f.variableName.isEmpty() ? avm1::Value::null() : avm1::Value(f.variableName);
    if (is("autoSize")) {
        switch (text->autoSize) {
        case stage::AutoSize::Left:
            return avm1::Value(QStringLiteral("left"));
        case stage::AutoSize::Center:
            return avm1::Value(QStringLiteral("center"));
        case stage::AutoSize::Right:
            return avm1::Value(QStringLiteral("right"));
        default:
            return avm1::Value(QStringLiteral("none"));
        }
    }
    if (is("border")) return avm1::Value(f.border);
    if (is("borderColor")) return color(f.borderColor);
    if (is("background")) return avm1::Value(f.background);
    if (is("backgroundColor")) return color(f.backgroundColor);
    if (is("textColor")) return color(f.color);
    if (is("multiline")) return avm1::Value(f.multiline);
    if (is("condenseWhite")) return avm1::Value(text->condenseWhite);
    if (is("wordWrap")) return avm1::Value(f.wordWrap);
    if (is("selectable")) return avm1::Value(!f.noSelect);
    if (is("embedFonts")) return avm1::Value(f.useOutlines);
    if (is("password")) return avm1::Value(f.password);
    if (is("maxChars")) return f.maxLength > 0 ? avm1::Value(f.maxLength) : avm1::Value::null();
    if (is("restrict")) return text->restrict ? avm1::Value(*text->restrict) : avm1::Value::null();
    if (is("type")) return avm1::Value(f.readOnly ? QStringLiteral("dynamic") : QStringLiteral("input"));
    if (is("scroll") || is("maxscroll") || is("bottomScroll") || is("hscroll") || is("maxhscroll")) {
        const render::TextLines lines = render::measureLines(f, m_host.fontOf(f), &text->content);
        const QSizeF room = render::textRoom(f);
        const int maxScroll = lines.maxScroll(room.height());
        const int maxHScroll = std::max(0, int(std::ceil(lines.width - room.width())));
        const int scroll = std::clamp(text->scroll, 1, maxScroll);
        if (is("scroll")) return avm1::Value(scroll);
        if (is("maxscroll")) return avm1::Value(maxScroll);
        if (is("bottomScroll")) return avm1::Value(lines.bottomScroll(scroll, room.height()));
        if (is("hscroll")) return avm1::Value(std::clamp(text->hscroll, 0, maxHScroll));
        return avm1::Value(maxHScroll);
    }
    if (is("textWidth") || is("textHeight")) {
        const auto* font = f.hasFont
                               ? dynamic_cast<const movie::FontCharacter*>(m_host.m_movie.character(f.fontId))
                               : nullptr;
        const QSizeF size = render::measureEditText(f, font ? &font->font : nullptr);
        return avm1::Value(std::round((is("textWidth") ? size.width() : size.height()) / kTwips));
    }
    if (const auto property = placementProperty(name)) return readPlacement(*text, *property);
    const movie::Placement& placement = text->placement();
    const QString lower = name.toLower();
    if (lower == QLatin1String("_parent") || lower == QLatin1String("_target")) {
        stage::MovieClip* parent = m_host.parentOfField(*text);
        if (!parent) return avm1::Value();
        if (lower == QLatin1String("_parent")) return avm1::Value(m_host.m_directory.objectOf(*parent));
        const QString base = m_host.m_directory.slashPath(*parent);
        return avm1::Value((base == QLatin1String("/") ? base : base + QLatin1Char('/')) + placement.name);
    }
    return std::nullopt;
}

bool TextFields::Properties::setProperty(avm1::Object& object, const QString& name,
                                         const avm1::Value& value) {
    stage::TextField* text = m_host.fieldOf(&object);
    if (!text) return false;
    avm1::Machine& machine = *m_host.m_machine;
    format::EditTextDefinition& f = text->field;
    const bool caseSensitive = machine.swfVersion() >= 7;
    const QString key = caseSensitive ? name : name.toLower();
    auto is = [&](const char* property) {
        return caseSensitive ? key == QLatin1String(property)
                             : key == QString::fromLatin1(property).toLower();
    };
    auto rgb = [&](QColor& target) {
        target = QColor::fromRgb(0xff000000u | (avm1::toUint32(machine.toNumber(value)) & 0xffffff));
    };
    bool relayout = true;
    if (is("text") || is("htmlText")) {
        const QString given = bounded(machine.toString(value));
        if (is("text"))
            text->setText(given);
        else
            text->setHtmlText(given);
        if (!m_host.storeInVariable(*text)) text->ownText = given;
    } else if (is("html")) {
        f.html = machine.toBoolean(value);
        text->contentChanged();
    } else if (is("variable")) {
        f.variableName = value.isNullish() ? QString() : bounded(machine.toString(value));
        text->boundShown.reset();
        m_host.showVariableNow(*text, false);
    } else if (is("autoSize")) {
        stage::AutoSize mode = stage::AutoSize::None;
        if (value.isBoolean()) {
            mode = value.asBoolean() ? stage::AutoSize::Left : stage::AutoSize::None;
        } else {
            const QString word = machine.toString(value).toLower();
            if (word == QLatin1String("left")) mode = stage::AutoSize::Left;
            if (word == QLatin1String("center")) mode = stage::AutoSize::Center;
            if (word == QLatin1String("right")) mode = stage::AutoSize::Right;
        }
        text->autoSize = mode;
    } else if (is("border")) {
        f.border = machine.toBoolean(value);
    } else if (is("borderColor")) {
        rgb(f.borderColor);
    } else if (is("background")) {
        f.background = machine.toBoolean(value);
    } else if (is("backgroundColor")) {
        rgb(f.backgroundColor);
    } else if (is("textColor")) {
        rgb(f.color);
    } else if (is("condenseWhite")) {
        text->condenseWhite = machine.toBoolean(value);
    } else if (is("multiline")) {
        f.multiline = machine.toBoolean(value);
    } else if (is("wordWrap")) {
        f.wordWrap = machine.toBoolean(value);
    } else if (is("selectable")) {
        f.noSelect = !machine.toBoolean(value);
    } else if (is("embedFonts")) {
        f.useOutlines = machine.toBoolean(value);
    } else if (is("password")) {
        f.password = machine.toBoolean(value);
    } else if (is("maxChars")) {
        const double chars = machine.toNumber(value);
        f.maxLength = std::isfinite(chars) && chars > 0 ? int(std::min(chars, 65535.0)) : 0;
    } else if (is("restrict")) {
        if (value.isNullish())
            text->restrict.reset();
        else
            text->restrict = bounded(machine.toString(value));
    } else if (is("type")) {
        f.readOnly = machine.toString(value) != QLatin1String("input");
    } else if (is("scroll") || is("hscroll")) {
        // Kept as asked; reading and drawing hold it to what the text's lines allow then.
        const int line = avm1::toInt32(machine.toNumber(value));
        (is("scroll") ? text->scroll : text->hscroll) = is("scroll") ? std::max(1, line) : std::max(0, line);
        return true;
    } else if (is("textWidth") || is("textHeight") || is("length") || is("maxscroll") || is("bottomScroll") ||
               is("maxhscroll")) {
        return true; // read only
    } else if (const auto property = placementProperty(name)) {
        writePlacement(*text, *property, value, machine);
        return true;
    } else {
        return false;
    }
    if (relayout) m_host.autoSizeField(*text);
    return true;
}

avm1::Object* TextFields::objectOf(stage::TextField& field) {
    const auto found = m_objects.find(field.serial());
    if (found != m_objects.end()) return found->second;
    giveFieldNatives();
    avm1::Object* object = m_machine->newObject(avm1::ObjectKind::Plain, m_textFieldPrototype);
    object->setDelegate(m_properties.get());
    object->pin();
    m_objects.emplace(field.serial(), object);
    m_serials.insert(object, field.serial());
    // A field broadcasts its changes (onChanged, onScroller...) and is the first of its own
    // listeners, as AsBroadcaster makes it.
    constexpr int kSwfVersionFieldBroadcasts = 6;
    if (m_machine->swfVersion() >= kSwfVersionFieldBroadcasts) {
        using avm1::property_flags::kDontEnum;
        const avm1::Value broadcaster =
            m_machine->getMember(avm1::Value(m_machine->global()), QStringLiteral("AsBroadcaster"));
        for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
            if (broadcaster.asObject())
                object->setOwn(QString::fromLatin1(name),
                               m_machine->getMember(broadcaster, QString::fromLatin1(name)), kDontEnum);
        const avm1::Value self(object);
        object->setOwn(QStringLiteral("_listeners"), avm1::Value(m_machine->newArray(std::span(&self, 1))),
                       kDontEnum);
    }
    return object;
}

stage::TextField* TextFields::fieldOf(avm1::Object* object) const {
    const auto found = m_serials.constFind(object);
    return found == m_serials.constEnd() ? nullptr : stageContext().liveField(*found);
}

stage::TextField* TextFields::fieldNamed(stage::MovieClip& parent, const QString& name) const {
    if (!stageContext().anyLiveField()) return nullptr;
    const bool caseSensitive = m_machine->swfVersion() >= 7;
    const quint64 generation = stageContext().childrenGeneration();
    if (generation != m_fieldIndexGeneration) {
        m_fieldIndex.clear();
        m_fieldIndexGeneration = generation;
    }
    auto found = m_fieldIndex.find(&parent);
    if (found == m_fieldIndex.end()) {
        QHash<QString, quint64> index;
        // Children come by depth: of equal names the lowest depth wins.
        for (const auto& [depth, child] : parent.children())
            if (const stage::TextField* field = child->asTextField()) {
                const QString& own = field->placement().name;
                const QString key = caseSensitive ? own : own.toCaseFolded();
                if (!index.contains(key)) index.insert(key, field->serial());
            }
        found = m_fieldIndex.emplace(&parent, std::move(index)).first;
    }
    const auto serial = found->second.constFind(caseSensitive ? name : name.toCaseFolded());
    return serial == found->second.constEnd() ? nullptr : stageContext().liveField(*serial);
}

const format::FontDefinition* TextFields::embeddedFontNamed(const QString& name, bool bold,
                                                            bool italic) const {
    const format::FontDefinition* byName = nullptr;
    for (int id = 0; id <= 0xffff; ++id) {
        const auto* font = dynamic_cast<const movie::FontCharacter*>(m_movie.character(quint16(id)));
        if (!font || !font->font.hasLayout || font->font.advances.empty() ||
            font->font.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (font->font.bold == bold && font->font.italic == italic) return &font->font;
        if (!byName) byName = &font->font;
    }
    return byName;
}

const format::FontDefinition* TextFields::fontOf(const format::EditTextDefinition& field) const {
    const auto* font =
        field.hasFont ? dynamic_cast<const movie::FontCharacter*>(m_movie.character(field.fontId)) : nullptr;
    return font ? &font->font : nullptr;
}

stage::MovieClip* TextFields::parentOfField(const stage::TextField& field) const {
    if (!m_stage.root()) return nullptr;
    std::vector<stage::MovieClip*> pending{m_stage.root()};
    // Bounded like the stage itself; a field is found long before this in any real movie.
    for (std::size_t visited = 0; !pending.empty() && visited < 1000000; ++visited) {
        stage::MovieClip* clip = pending.back();
        pending.pop_back();
        for (const auto& [depth, child] : clip->children()) {
            if (child.get() == &field) return clip;
            if (stage::MovieClip* inner = child->asClip()) pending.push_back(inner);
        }
    }
    return nullptr;
}

void TextFields::removeField(stage::TextField& text) {
    stage::MovieClip* parent = parentOfField(text);
    if (!parent) return;
    const int depth = parent->depthOf(&text) - kTimelineDepthOffset;
    if (depth < 0 || depth > 1048575) return;
    if (auto taken = parent->takeChild(&text)) m_editor.retire(std::move(taken));
}

void TextFields::autoSizeField(stage::TextField& text) const {
    if (text.autoSize == stage::AutoSize::None) return;
    format::EditTextDefinition& f = text.field;
    const auto* font =
        f.hasFont ? dynamic_cast<const movie::FontCharacter*>(m_movie.character(f.fontId)) : nullptr;
    const QSizeF size = render::measureEditText(f, font ? &font->font : nullptr);
    // The box takes the text and the 2-pixel gutter on each side.
    const qint32 height = qint32(std::ceil(size.height() / kTwips) * kTwips) + 80;
    f.bounds.yMax = f.bounds.yMin + height;
    if (f.wordWrap) return;
    const qint32 width = qint32(std::ceil(size.width() / kTwips) * kTwips) + 80;
    const qint32 old = f.bounds.xMax - f.bounds.xMin;
    if (text.autoSize == stage::AutoSize::Center) f.bounds.xMin += (old - width) / 2;
    if (text.autoSize == stage::AutoSize::Right) f.bounds.xMin += old - width;
    f.bounds.xMax = f.bounds.xMin + width;
}

stage::TextField* TextFields::createTextField(stage::MovieClip& parent, const QString& name, int depth,
                                              const QRectF& box) {
    if (m_objects.size() >= kMaxScriptFields) return nullptr;
    format::EditTextDefinition definition;
    auto twips = [](double pixels) {
        return qint32(std::isfinite(pixels) ? std::clamp(pixels * kTwips, -1e8, 1e8) : 0.0);
    };
    definition.bounds = {0, twips(std::abs(box.width())), 0, twips(std::abs(box.height()))};
    definition.fontClass = QStringLiteral("Times New Roman");
    definition.fontHeight = 240;
    auto instance = std::make_unique<stage::TextField>(parent.context(), nullptr, definition, m_movie);
    stage::TextField* field = instance.get();
    if (stage::DisplayObject* there = parent.childAt(depth)) {
        if (there->asClip()) {
            m_editor.removeClip(*there->asClip());
        } else if (auto taken = parent.takeChild(there)) {
            m_editor.retire(std::move(taken));
        }
    }
    movie::Placement placement;
    placement.name = name;
    placement.matrix.tx = twips(box.x());
    placement.matrix.ty = twips(box.y());
    placement.birth = m_editor.nextScriptBirth();
    field->setPlacement(placement);
    parent.addScripted(depth, std::move(instance));
    return field;
}

void TextFields::syncBoundFields() {
    if (!m_stage.root() || !stageContext().anyLiveField()) return;
    std::vector<stage::MovieClip*> pending{m_stage.root()};
    for (std::size_t visited = 0; !pending.empty() && visited < 1000000; ++visited) {
        stage::MovieClip* clip = pending.back();
        pending.pop_back();
        for (const auto& [depth, child] : clip->children()) {
            if (stage::MovieClip* inner = child->asClip()) {
                pending.push_back(inner);
            } else if (stage::TextField* text = child->asTextField()) {
                showBoundVariable(*text, *clip);
            } else if (const stage::ButtonInstance* button = child->asButton()) {
                // A button's fields belong to the timeline the button is on, as its scripts do.
                for (const auto& [layer, part] : button->children()) {
                    if (stage::MovieClip* inner = part->asClip())
                        pending.push_back(inner);
                    else if (stage::TextField* text = part->asTextField())
                        showBoundVariable(*text, *clip);
                }
            }
        }
    }
}

std::pair<avm1::Object*, QString> TextFields::boundVariable(const stage::TextField& text,
                                                            stage::MovieClip& timeline) const {
    // "path:name", "path.name" or a plain name, all from the field's timeline.
    const QString& path = text.field.variableName;
    const qsizetype split = avm1::variablePathSplit(path);
    if (split < 0) return {m_directory.objectOf(timeline), path};
    // The path may pass through objects, as "o.value" names an object's.
    avm1::Object* target = m_directory.walk(path.left(split), m_directory.objectOf(timeline));
    return {target, target ? path.mid(split + 1) : QString()};
}

void TextFields::showBoundVariable(stage::TextField& text, stage::MovieClip& timeline) {
    if (text.field.variableName.isEmpty()) return;
    const auto [scope, name] = boundVariable(text, timeline);
    if (!scope || name.isEmpty()) return;
    const avm1::Value value = m_machine->getMember(avm1::Value(scope), name);
    if (value.isUndefined()) {
        // An unset variable takes the field's own text, which the field shows again.
        if (text.ownText.isEmpty()) return;
        m_machine->setMember(avm1::Value(scope), name, avm1::Value(text.ownText));
        text.boundShown = text.ownText;
        text.setHtmlText(text.ownText);
        autoSizeField(text);
        return;
    }
    const QString shown = bounded(m_machine->toString(value));
    if (text.boundShown && shown == *text.boundShown) return;
    text.boundShown = shown;
    text.setHtmlText(shown);
    autoSizeField(text);
}

void TextFields::showVariableNow(stage::TextField& field, bool onlyClips) {
    if (field.field.variableName.isEmpty()) return;
    stage::MovieClip* timeline = parentOfField(field);
    if (!timeline) return;
    if (onlyClips) {
        const auto [scope, name] = boundVariable(field, *timeline);
        if (!scope || scope->kind() != avm1::ObjectKind::Clip) return;
    }
    showBoundVariable(field, *timeline);
}

bool TextFields::storeInVariable(stage::TextField& field) {
    stage::MovieClip* timeline = parentOfField(field);
    if (!timeline || field.field.variableName.isEmpty()) return false;
    const auto [scope, name] = boundVariable(field, *timeline);
    if (!scope || name.isEmpty()) return false;
    const QString shown = field.field.html ? field.content.html() : field.text();
    m_machine->setMember(avm1::Value(scope), name, avm1::Value(shown));
    field.boundShown = shown;
    return true;
}

void TextFields::edited(stage::TextField& field) {
    autoSizeField(field);
    if (!storeInVariable(field)) field.ownText = field.field.html ? field.content.html() : field.text();
    avm1::Object* object = objectOf(field);
    const avm1::Value self(object);
    // The field and the listeners added to it hear of the change; a movie too old for field
    // listeners has only the field's own handler.
    const avm1::Value broadcast = m_machine->getMember(self, QStringLiteral("broadcastMessage"));
    if (broadcast.asObject() && object->findOwn(QStringLiteral("_listeners"))) {
        const avm1::Value args[] = {avm1::Value(QStringLiteral("onChanged")), self};
        m_machine->callMethod(self, QStringLiteral("broadcastMessage"), args);
        return;
    }
    const avm1::Value handler = m_machine->getMember(self, QStringLiteral("onChanged"));
    if (handler.isObject()) m_machine->callMethod(self, QStringLiteral("onChanged"), std::span(&self, 1));
}

void TextFields::forgetGoneFields() {
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        if (stageContext().liveField(it->first)) {
            ++it;
            continue;
        }
        it->second->unpin();
        m_serials.remove(it->second);
        it = m_objects.erase(it);
    }
}

// TextFormat's own properties take what scripts give them in the reference's forms: numbers
// whole (or the largest negative for what is not a finite number, from SWF 8), margins and
// spacing never below zero before SWF 8, colours unsigned, switches true or false, names as
// text; undefined and null leave a property unset (null).
class TextFields::FormatProperties final : public avm1::PropertyDelegate {
  public:
    explicit FormatProperties(avm1::Machine& machine) : m_machine(machine) {}

    std::optional<avm1::Value> getProperty(avm1::Object&, const QString&) override { return std::nullopt; }

    bool setProperty(avm1::Object& object, const QString& name, const avm1::Value& value) override {
        const QString k = key(name);
        const bool late = m_machine.swfVersion() >= 8;
        const bool isLetterSpacing = k == QLatin1String("letterspacing");
        const bool isKerning = k == QLatin1String("kerning");
        if ((isLetterSpacing || isKerning) && !late) return false; // plain properties before SWF 8
        const bool known =
            isLetterSpacing || isKerning || kNames.contains(k) || k == QLatin1String("display");
        if (!known) return false;
        return setNative(object, name, k, primitiveOf(value));
    }

  private:
    // An object given to a native property is asked valueOf twice and toString once before
    // the property reads anything of it; numbers then come from the first answer, text from
    // the last, switches from the object itself.
    struct Given {
        avm1::Value value;
        std::optional<avm1::Value> number;
        std::optional<QString> text;
    };
    Given primitiveOf(const avm1::Value& value) {
        Given given{value, std::nullopt, std::nullopt};
        avm1::Object* object = value.asObject();
        if (!object || object->kind() == avm1::ObjectKind::Clip) return given;
        const avm1::Value first = m_machine.callMethod(value, QStringLiteral("valueOf"), {});
        m_machine.callMethod(value, QStringLiteral("valueOf"), {});
        given.text = m_machine.toString(value);
        if (avm1::Object* answer = first.asObject())
            given.number = answer->kind() == avm1::ObjectKind::Clip ? avm1::Value(m_machine.toString(first))
                                                                    : avm1::Value(std::nan(""));
        else
            given.number = first;
        return given;
    }

    bool setNative(avm1::Object& object, const QString& name, const QString& k, const Given& given) {
        const avm1::Value& value = given.value;
        const bool late = m_machine.swfVersion() >= 8;
        const bool isLetterSpacing = k == QLatin1String("letterspacing");
        const bool isKerning = k == QLatin1String("kerning");
        auto store = [&](const avm1::Value& converted) {
            object.setOwn(name, converted);
            return true;
        };
        auto toString = [&](const avm1::Value& v) {
            return given.text ? *given.text : m_machine.toString(v);
        };
        auto toNumber = [&](const avm1::Value& v) {
            return m_machine.toNumber(given.number ? *given.number : v);
        };
        if (k == QLatin1String("display")) {
            // Display asks for the text once more of its own.
            const QString display = value.isNullish() ? QString() : m_machine.toString(value);
            // Anything but the two other kinds makes it a block again.
            for (const char* known : {"inline", "none"})
                if (display == QLatin1String(known)) return store(avm1::Value(display));
            return store(avm1::Value(QStringLiteral("block")));
        }
        if (k == QLatin1String("align")) {
            // Only a known alignment is taken; anything else, even undefined, leaves it as it was.
            const QString align = value.isNullish() ? QString() : toString(value).toLower();
            for (const char* known : {"left", "center", "right", "justify"})
                if (align == QLatin1String(known)) return store(avm1::Value(align));
            return true;
        }
        if (value.isNullish()) return store(avm1::Value::null());
        if (k == QLatin1String("font") || k == QLatin1String("url") || k == QLatin1String("target"))
            return store(avm1::Value(toString(value)));
        if (isKerning || k == QLatin1String("bold") || k == QLatin1String("italic") ||
            k == QLatin1String("underline") || k == QLatin1String("bullet"))
            return store(avm1::Value(m_machine.toBoolean(value)));
        if (isLetterSpacing) return store(avm1::Value(toNumber(value)));
        if (k == QLatin1String("tabstops")) {
            if (value.isString() && value.asString().isEmpty()) return store(avm1::Value::null());
            // What gives no stops (a number, a switch, an empty list) empties the list in
            // place but leaves an unset one unset.
            const auto [stops, count] = tabStops(value);
            const avm1::Property* current = object.findOwn(name);
            if (count == 0 && (!current || current->value.isNullish())) return true;
            return store(stops);
        }
        double number = toNumber(value);
        const bool margin = k == QLatin1String("leftmargin") || k == QLatin1String("rightmargin");
        // SWF 8 keeps margins off the negative side before converting (so not-a-number is 0).
        if (late && margin) number = std::max(0.0, number);
        if (k == QLatin1String("color"))
            return store(avm1::Value(std::isfinite(number) ? double(avm1::toUint32(number)) : 0.0));
        // From SWF 8 a number out of the 32-bit range (or not a number) comes out as the
        // smallest one, as the processor's conversion gives it; before, it wraps round.
        double converted = whole(number);
        if (k != QLatin1String("size") && !late) converted = std::max(0.0, converted);
        return store(avm1::Value(converted));
    }

    QString key(const QString& name) const { return name.toLower(); }

    // From SWF 8 a number out of the 32-bit range (or not a number) comes out as the smallest
    // one, as the processor's conversion gives it; before, it wraps round and is 0 when not
    // finite.
    double whole(double number) const {
        const bool late = m_machine.swfVersion() >= 8;
        if (!std::isfinite(number)) return late ? -2147483648.0 : 0.0;
        if (late && (number >= 2147483648.0 || number <= -2147483649.0)) return -2147483648.0;
        return double(avm1::toInt32(number));
    }

    // An array of whole numbers from any object with a length (a text gives as many zeros as
    // it has characters), and how many.
    std::pair<avm1::Value, int> tabStops(const avm1::Value& value) {
        const bool text = value.isString();
        const double length =
            text
                ? double(value.asString().size())
                : (value.isObject() ? m_machine.toNumber(m_machine.getMember(value, QStringLiteral("length")))
                                    : 0.0);
        avm1::Object* array = m_machine.newArray();
        const int count = std::isfinite(length) && length > 0 ? int(std::min(length, 4096.0)) : 0;
        for (int i = 0; i < count; ++i) {
            const double stop =
                text ? std::nan("") : m_machine.toNumber(m_machine.getMember(value, QString::number(i)));
            m_machine.setMember(avm1::Value(array), QString::number(i), avm1::Value(whole(stop)));
        }
        return {avm1::Value(array), count};
    }

    static inline const QSet<QString> kNames = {
        QStringLiteral("font"),       QStringLiteral("size"),        QStringLiteral("color"),
        QStringLiteral("bold"),       QStringLiteral("italic"),      QStringLiteral("underline"),
        QStringLiteral("url"),        QStringLiteral("target"),      QStringLiteral("align"),
        QStringLiteral("leftmargin"), QStringLiteral("rightmargin"), QStringLiteral("indent"),
        QStringLiteral("leading"),    QStringLiteral("blockindent"), QStringLiteral("bullet"),
        QStringLiteral("tabstops")};

    avm1::Machine& m_machine;
};

// The player gives a class's prototype its native properties when the first object of the
// class is made, and again on a prototype a script put in place of the old one.
void TextFields::giveNatives(const char* className, std::initializer_list<const char*> names) {
    avm1::Machine& machine = *m_machine;
    const avm1::Value holder =
        machine.getMember(avm1::Value(machine.global()), QString::fromLatin1(className));
    avm1::Object* prototype = machine.getMember(holder, QStringLiteral("prototype")).asObject();
    if (!prototype || prototype->findOwn(QString::fromLatin1(*names.begin()))) return;
    for (const char* name : names)
        prototype->setOwn(QString::fromLatin1(name), avm1::Value(), avm1::property_flags::kDontEnum);
}

void TextFields::giveFormatNatives() {
    giveNatives("TextFormat", {"size", "font", "color", "bold", "italic", "underline", "url", "target",
                               "align", "leftMargin", "rightMargin", "indent", "leading", "blockIndent",
                               "bullet", "tabStops", "display"});
}

void TextFields::giveFieldNatives() {
    giveNatives("TextField",
                {"text",     "htmlText",    "html",       "length",          "variable",  "autoSize",
                 "border",   "borderColor", "background", "backgroundColor", "textColor", "multiline",
                 "wordWrap", "selectable",  "embedFonts", "password",        "maxChars",  "restrict",
                 "type",     "textWidth",   "textHeight", "condenseWhite"});
}

avm1::Object* TextFields::formatObject(const stage::StyleChange& style) {
    giveFormatNatives();
    avm1::Machine& machine = *m_machine;
    avm1::Object* result = machine.newObject(avm1::ObjectKind::Plain, m_textFormatPrototype);
    result->setDelegate(m_formatProperties.get());
    auto number = [](const std::optional<double>& v) { return v ? avm1::Value(*v) : avm1::Value::null(); };
    auto flag = [](const std::optional<bool>& v) { return v ? avm1::Value(*v) : avm1::Value::null(); };
    auto text = [](const std::optional<QString>& v) { return v ? avm1::Value(*v) : avm1::Value::null(); };
    avm1::Value stops = avm1::Value::null();
    if (style.tabStops) {
        avm1::Object* array = machine.newArray();
        for (int i = 0; i < style.tabStops->size(); ++i)
            machine.setMember(avm1::Value(array), QString::number(i), avm1::Value(style.tabStops->at(i)));
        stops = avm1::Value(array);
    }
    const avm1::Value values[] = {text(style.font),
                                  number(style.size),
                                  style.color ? avm1::Value(double(*style.color)) : avm1::Value::null(),
                                  flag(style.bold),
                                  flag(style.italic),
                                  flag(style.underline),
                                  text(style.url),
                                  text(style.target),
                                  style.align ? avm1::Value(stage::alignName(*style.align))
                                              : avm1::Value::null(),
                                  number(style.leftMargin),
                                  number(style.rightMargin),
                                  number(style.indent),
                                  number(style.leading),
                                  number(style.blockIndent),
                                  flag(style.bullet),
                                  stops};
    for (std::size_t i = 0; i < std::size(kFormatNames); ++i)
        result->setOwn(QString::fromLatin1(kFormatNames[i]), values[i]);
    if (machine.swfVersion() >= 8) {
        result->setOwn(QStringLiteral("letterSpacing"), number(style.letterSpacing));
        result->setOwn(QStringLiteral("kerning"), flag(style.kerning));
    }
    result->setOwn(QStringLiteral("display"), avm1::Value(QStringLiteral("block")));
    return result;
}

stage::StyleChange TextFields::changeOf(avm1::Object& source) {
    avm1::Machine& machine = *m_machine;
    stage::StyleChange change;
    auto given = [&](const char* name) {
        const avm1::Value value = machine.getMember(avm1::Value(&source), QString::fromLatin1(name));
        return value.isNullish() ? std::optional<avm1::Value>() : std::optional<avm1::Value>(value);
    };
    auto pixels = [&](const avm1::Value& value, double low) {
        const double number = machine.toNumber(value);
        return std::isfinite(number) ? std::clamp(std::round(number), low, 65535.0) : 0.0;
    };
    if (const auto v = given("font")) change.font = bounded(machine.toString(*v)).left(256);
    if (const auto v = given("size")) change.size = pixels(*v, 0);
    if (const auto v = given("color")) change.color = avm1::toUint32(machine.toNumber(*v)) & 0xffffff;
    if (const auto v = given("bold")) change.bold = machine.toBoolean(*v);
    if (const auto v = given("italic")) change.italic = machine.toBoolean(*v);
    if (const auto v = given("underline")) change.underline = machine.toBoolean(*v);
    if (const auto v = given("url")) change.url = bounded(machine.toString(*v));
    if (const auto v = given("target")) change.target = bounded(machine.toString(*v));
    if (const auto v = given("align")) change.align = stage::alignNamed(machine.toString(*v));
    if (const auto v = given("leftMargin")) change.leftMargin = pixels(*v, 0);
    if (const auto v = given("rightMargin")) change.rightMargin = pixels(*v, 0);
    if (const auto v = given("indent")) change.indent = pixels(*v, -65535);
    if (const auto v = given("leading")) change.leading = pixels(*v, -65535);
    if (const auto v = given("blockIndent")) change.blockIndent = pixels(*v, 0);
    if (const auto v = given("bullet")) change.bullet = machine.toBoolean(*v);
    if (const auto v = given("letterSpacing")) {
        const double spacing = machine.toNumber(*v);
        if (std::isfinite(spacing)) change.letterSpacing = spacing;
    }
    if (const auto v = given("kerning")) change.kerning = machine.toBoolean(*v);
    if (const auto v = given("tabStops")) {
        QList<double> stops;
        const double length = machine.toNumber(machine.getMember(*v, QStringLiteral("length")));
        const int count = std::isfinite(length) && length > 0 ? int(std::min(length, 4096.0)) : 0;
        for (int i = 0; i < count; ++i) {
            const double stop = machine.toNumber(machine.getMember(*v, QString::number(i)));
            stops.append(std::isfinite(stop) ? std::trunc(stop) : 0.0);
        }
        change.tabStops = stops;
    }
    return change;
}

void TextFields::install() {
    m_properties = std::make_unique<Properties>(*this);
    avm1::Machine& machine = *m_machine;
    m_textFieldPrototype = machine.newObject();
    m_textFieldPrototype->pin();
    avm1::Object* textField =
        machine.newConstructor([](avm1::CallContext&) { return avm1::Value(); }, m_textFieldPrototype);
    machine.global()->setOwn(QStringLiteral("TextField"), textField, avm1::property_flags::kDontEnum);
    m_textFormatPrototype = machine.newObject();
    m_textFormatPrototype->pin();
    m_formatProperties = std::make_unique<FormatProperties>(machine);
    // Every property null until given; the constructor takes them in this order: font, size,
    // color, bold, italic, underline, url, target, align, leftMargin, rightMargin, indent,
    // leading.
    avm1::Object* textFormat = machine.newConstructor(
        [this](avm1::CallContext& c) {
            avm1::Object* self = c.thisObject();
            if (!self) return avm1::Value();
            giveFormatNatives();
            self->setDelegate(m_formatProperties.get());
            for (const char* name : kFormatNames)
                self->setOwn(QString::fromLatin1(name), avm1::Value::null());
            if (c.machine.swfVersion() >= 8)
                for (const char* name : {"letterSpacing", "kerning"})
                    self->setOwn(QString::fromLatin1(name), avm1::Value::null());
            self->setOwn(QStringLiteral("display"), avm1::Value(QStringLiteral("block")));
            for (std::size_t i = 0; i < std::min<std::size_t>(c.args.size(), 13); ++i)
                c.machine.setMember(avm1::Value(self), QString::fromLatin1(kFormatNames[i]), c.arg(i));
            return avm1::Value(self);
        },
        m_textFormatPrototype);
    machine.global()->setOwn(QStringLiteral("TextFormat"), textFormat, avm1::property_flags::kDontEnum);
    avm1::installStyleSheetClass(machine, textField);
    // The size text takes in the format's font, drawn by the system: no text has no size.
    machine.defineMethod(
        m_textFormatPrototype, QStringLiteral("getTextExtent"), [this](avm1::CallContext& c) {
            avm1::Machine& m = *m_machine;
            const avm1::Value self(c.thisObject());
            const avm1::Value face = m.getMember(self, QStringLiteral("font"));
            const avm1::Value size = m.getMember(self, QStringLiteral("size"));
            QFont font(render::systemFamilyFor(face.isNullish() ? QStringLiteral("Times New Roman")
                                                                : m.toString(face)));
            const double pixels = size.isNullish() ? 12.0 : m.toNumber(size);
            font.setPixelSize(std::isfinite(pixels) ? int(std::clamp(pixels, 1.0, 1000.0)) : 12);
            font.setBold(m.toBoolean(m.getMember(self, QStringLiteral("bold"))));
            font.setItalic(m.toBoolean(m.getMember(self, QStringLiteral("italic"))));
            font.setHintingPreference(QFont::PreferNoHinting);
            const QFontMetricsF metrics(font);
            const QString text = c.args.empty() ? QString() : bounded(avm1::argString(c, 0));
            double ascent = std::round(metrics.ascent()), descent = std::round(metrics.descent());
            double width = 0;
            // A font the movie carries, with its layout, measures as the movie's author saw it.
            const format::FontDefinition* own =
                face.isNullish() ? nullptr : embeddedFontNamed(m.toString(face), font.bold(), font.italic());
            if (own) {
                const double scale = font.pixelSize() / own->emSize;
                ascent = std::round(own->ascent * scale);
                descent = std::round(own->descent * scale);
            }
            for (const QString& line : text.split(QLatin1Char('\r'))) {
                double lineWidth = 0;
                if (own) {
                    // Each glyph advances a whole number of pixels; a character the font lacks
                    // takes the system font's.
                    const double scale = font.pixelSize() / own->emSize;
                    for (const QChar ch : line) {
                        const auto at = std::find(own->codes.begin(), own->codes.end(), ch.unicode());
                        const auto index = std::size_t(at - own->codes.begin());
                        lineWidth += std::round(at != own->codes.end() && index < own->advances.size()
                                                    ? own->advances[index] * scale
                                                    : metrics.horizontalAdvance(ch));
                    }
                } else {
                    lineWidth = metrics.horizontalAdvance(line);
                }
                width = std::max(width, std::round(lineWidth));
            }
            const double height = text.isEmpty() ? 0 : ascent + descent;
            avm1::Object* extent = m.newObject();
            const std::pair<const char*, double> items[] = {{"ascent", ascent},
                                                            {"descent", descent},
                                                            {"width", width},
                                                            {"height", height},
                                                            {"textFieldHeight", height + 4},
                                                            {"textFieldWidth", width + 4}};
            for (const auto& [name, value] : items)
                extent->setOwn(QString::fromLatin1(name), avm1::Value(value));
            return avm1::Value(extent);
        });

    auto method = [&](const char* name,
                      std::function<avm1::Value(stage::TextField&, avm1::CallContext&)> body) {
        machine.defineMethod(m_textFieldPrototype, QString::fromLatin1(name),
                             [this, body](avm1::CallContext& context) {
                                 stage::TextField* field = fieldOf(context.thisObject());
                                 return field ? body(*field, context) : avm1::Value();
                             });
    };
    // (), (index) or (begin, end): the characters a format call is about.
    auto range = [](stage::TextField& text, avm1::CallContext& c, std::size_t count) {
        const int size = text.content.size();
        auto index = [&](std::size_t i) {
            const double n = avm1::argNumber(c, i);
            return std::isfinite(n) ? int(std::clamp(std::trunc(n), 0.0, double(size))) : 0;
        };
        if (count == 0) return std::pair{0, size};
        if (count == 1) {
            // One index names one character; an index outside the text names none.
            const double n = avm1::argNumber(c, 0);
            if (!(n >= 0 && n < size)) return std::pair{0, 0};
            const int at = int(n);
            return std::pair{at, at + 1};
        }
        const int begin = index(0);
        return std::pair{begin, std::max(begin, index(1))};
    };
    auto getFormat = [this, range](stage::TextField& text, avm1::CallContext& c) {
        const auto [begin, end] = range(text, c, std::min<std::size_t>(c.args.size(), 2));
        const auto shared = text.content.commonStyle(begin, end);
        return avm1::Value(formatObject(shared ? *shared : stage::StyleChange::of(text.newStyle)));
    };
    auto setFormat = [this, range](stage::TextField& text, avm1::CallContext& c) {
        // (format), (index, format) or (begin, end, format).
        if (c.args.empty()) return avm1::Value();
        const std::size_t last = std::min<std::size_t>(c.args.size(), 3) - 1;
        avm1::Object* source = c.args[last].asObject();
        if (!source) return avm1::Value();
        const auto [begin, end] = range(text, c, last);
        text.content.applyStyle(begin, end, changeOf(*source));
        text.contentChanged();
        autoSizeField(text);
        return avm1::Value();
    };
    method("getTextFormat", getFormat);
    method("getNewTextFormat", [this](stage::TextField& text, avm1::CallContext&) {
        return avm1::Value(formatObject(stage::StyleChange::of(text.newStyle)));
    });
    method("setTextFormat", setFormat);
    method("setNewTextFormat", [this](stage::TextField& text, avm1::CallContext& c) {
        if (avm1::Object* source = c.args.empty() ? nullptr : c.args[0].asObject()) {
            const stage::StyleChange change = changeOf(*source);
            change.applyTo(text.newStyle);
            change.applyTo(text.markupBase);
        }
        return avm1::Value();
    });
    method("replaceText", [this](stage::TextField& text, avm1::CallContext& c) {
        if (c.args.size() < 3 || c.machine.swfVersion() < 7) return avm1::Value();
        const int size = text.content.size();
        const double begin = avm1::argNumber(c, 0), end = avm1::argNumber(c, 1);
        if (!(begin >= 0) || !(end >= begin)) return avm1::Value();
        const int from = int(std::min(begin, double(size)));
        const int to = int(std::min(end, double(size)));
        const QString given = bounded(avm1::argString(c, 2));
        // The new text takes the look of the character that follows it; at the end, the
        // field's look for new text. Before SWF 8, nothing given changes no text.
        if (!given.isEmpty() || c.machine.swfVersion() >= 8) {
            const stage::TextStyle look = to < size ? text.content.styleAt(to) : text.newStyle;
            text.content.replace(from, to, given, look, true);
        }
        // The field's look for new text becomes its first character's again.
        if (text.content.size() > 0) text.newStyle = text.content.styleAt(0);
        text.contentChanged();
        autoSizeField(text);
        return avm1::Value();
    });
    method("removeTextField", [this](stage::TextField& text, avm1::CallContext&) {
        removeField(text);
        return avm1::Value();
    });
    // Traced, a field names itself by its path, as clips do.
    method("toString", [this](stage::TextField& text, avm1::CallContext&) {
        stage::MovieClip* parent = parentOfField(text);
        if (!parent) return avm1::Value();
        return avm1::Value(m_directory.targetPath(parent) + QLatin1Char('.') + text.placement().name);
    });
    method("getDepth", [this](stage::TextField& text, avm1::CallContext&) {
        stage::MovieClip* parent = parentOfField(text);
        return parent ? avm1::Value(parent->depthOf(&text) - kTimelineDepthOffset) : avm1::Value();
    });

    const avm1::NativeFunction createField = [this](avm1::CallContext& c) {
        stage::MovieClip* clip = m_directory.clipOf(c.thisObject());
        if (!clip || c.args.size() < 6) return avm1::Value();
        const double rawDepth = avm1::argNumber(c, 1);
        const double depth = std::isfinite(rawDepth) ? std::trunc(rawDepth) : 0.0;
        const int key = int(std::clamp(depth, double(-kTimelineDepthOffset), double(kMaxScriptDepth))) +
                        kTimelineDepthOffset;
        // The box is made of whole pixels: fractions are cut off.
        auto whole = [&c](std::size_t i) {
            const double value = avm1::argNumber(c, i);
            return std::isfinite(value) ? std::trunc(value) : value;
        };
        const QRectF box(whole(2), whole(3), whole(4), whole(5));
        stage::TextField* field = createTextField(*clip, bounded(avm1::argString(c, 0)), key, box);
        if (!field || m_machine->swfVersion() < 8) return avm1::Value();
        return avm1::Value(objectOf(*field));
    };
    machine.defineMethod(machine.clipPrototype(), QStringLiteral("createTextField"), createField);
    machine.setNative(kClipNativeFamily, kCreateTextFieldNative, createField);
}

TextFields::TextFields(stage::Stage& stage, avm1::Machine& machine, const movie::MovieDefinition& movie,
                       ClipDirectory& directory, StageEditor& editor)
    : m_stage(stage), m_machine(&machine), m_movie(movie), m_directory(directory), m_editor(editor) {}

TextFields::~TextFields() = default;

stage::StageContext& TextFields::stageContext() const {
    return m_stage.context();
}

void TextFields::tickEnded() {
    syncBoundFields();
    forgetGoneFields();
}

} // namespace swf::script
