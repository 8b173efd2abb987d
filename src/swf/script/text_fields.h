// Text fields as scripts see them: TextField objects over the stage's fields (placed by the
// timeline or made by createTextField), the TextFormat class, fields bound to variables.
#pragma once

#include "swf/format/edit_text.h"
#include "swf/format/fonts.h"

#include <QHash>
#include <QRectF>
#include <QString>

#include <initializer_list>
#include <memory>
#include <unordered_map>

namespace swf::avm1 {
class Machine;
class Object;
class PropertyDelegate;
} // namespace swf::avm1
namespace swf::movie {
class MovieDefinition;
}
namespace swf::stage {
class DisplayObject;
class MovieClip;
class Stage;
class StageContext;
class TextField;
struct StyleChange;
} // namespace swf::stage

namespace swf::script {

class ClipDirectory;

// What the text-field class asks of the rest of the script layer when a field takes a
// depth another object holds.
class StageEditor {
  public:
    virtual ~StageEditor() = default;
    // A script removes a clip: its unload runs, scripts forget it.
    virtual void removeClip(stage::MovieClip& clip) = 0;
    // An object off the stage that running scripts may still be inside: freed after the tick.
    virtual void retire(std::unique_ptr<stage::DisplayObject> object) = 0;
    // Script-made objects count down, apart from the timeline's.
    virtual qint64 nextScriptBirth() = 0;
};

class TextFields {
  public:
    TextFields(stage::Stage& stage, avm1::Machine& machine, const movie::MovieDefinition& movie,
               ClipDirectory& directory, StageEditor& editor);
    ~TextFields();
    TextFields(const TextFields&) = delete;
    TextFields& operator=(const TextFields&) = delete;

    // TextField, TextFormat and MovieClip.createTextField.
    void install();
    avm1::Object* objectOf(stage::TextField& field);
    stage::TextField* fieldOf(avm1::Object* object) const;
    // The first field of that instance name under parent, by depth.
    stage::TextField* fieldNamed(stage::MovieClip& parent, const QString& name) const;
    // Once a tick: fields bound to a variable show its value as scripts left it, and the
    // script objects of fields the stage no longer holds are let go.
    void tickEnded();
    // The user typed into the field: its variable takes the new text, then its onChanged runs.
    void edited(stage::TextField& field);
    // The field shows its variable's value now (of a clip's variable only, if asked), and its
    // text goes to its variable.
    void showVariableNow(stage::TextField& field, bool onlyClips);
    void fieldPlaced(stage::MovieClip& parent, stage::TextField& field) {
        giveFieldNatives();
        showBoundVariable(field, parent);
    }
    bool storeInVariable(stage::TextField& field);
    // removeTextField, and removeMovieClip called on a field: only from the depths scripts use.
    void removeField(stage::TextField& field);

  private:
    class Properties;
    class FormatProperties;
    stage::StageContext& stageContext() const;
    stage::MovieClip* parentOfField(const stage::TextField& field) const;
    stage::TextField* createTextField(stage::MovieClip& parent, const QString& name, int depth,
                                      const QRectF& box);
    void autoSizeField(stage::TextField& field) const;
    // The movie's font a field's definition names, when it has one.
    const format::FontDefinition* fontOf(const format::EditTextDefinition& field) const;
    // The movie's font of that name that carries its layout, in that style if it has one.
    const format::FontDefinition* embeddedFontNamed(const QString& name, bool bold, bool italic) const;
    // A TextFormat object holding the items given (null for the others), and the items a
    // TextFormat object gives.
    avm1::Object* formatObject(const stage::StyleChange& style);
    void giveNatives(const char* className, std::initializer_list<const char*> names);
    void giveFormatNatives();
    void giveFieldNatives();
    stage::StyleChange changeOf(avm1::Object& source);
    void forgetGoneFields();
    void syncBoundFields();
    void showBoundVariable(stage::TextField& text, stage::MovieClip& timeline);
    // The object and member a field's variable names, seen from its timeline.
    std::pair<avm1::Object*, QString> boundVariable(const stage::TextField& text,
                                                    stage::MovieClip& timeline) const;

    stage::Stage& m_stage;
    avm1::Machine* m_machine;
    const movie::MovieDefinition& m_movie;
    ClipDirectory& m_directory;
    StageEditor& m_editor;
    std::unique_ptr<avm1::PropertyDelegate> m_properties;
    std::unique_ptr<avm1::PropertyDelegate> m_formatProperties;
    avm1::Object* m_textFieldPrototype = nullptr;
    avm1::Object* m_textFormatPrototype = nullptr;
    // Fields by name under each parent, built on first lookup and kept until any clip's
    // children change: lookups that find no clip of a name come here, which must not scan
    // every child.
    mutable std::unordered_map<const stage::MovieClip*, QHash<QString, quint64>> m_fieldIndex;
    mutable quint64 m_fieldIndexGeneration = 0;
    std::unordered_map<quint64, avm1::Object*> m_objects; // by the field's serial
    QHash<avm1::Object*, quint64> m_serials;
};

} // namespace swf::script
