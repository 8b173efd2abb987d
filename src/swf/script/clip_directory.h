// Which script object stands for which clip, and clips by name, by parent and by path: the
// stage as scripts address it.
#pragma once

#include "swf/stage/stage.h"

#include <QHash>
#include <QString>

#include <optional>
#include <unordered_map>

namespace swf::avm1 {
class Machine;
class Object;
class PropertyDelegate;
} // namespace swf::avm1

namespace swf::script {

class ClipDirectory {
  public:
    // Names match with case from SWF 7 on, without it before.
    ClipDirectory(stage::Stage& stage, avm1::Machine& machine, avm1::PropertyDelegate& clipProperties);
    ~ClipDirectory();
    ClipDirectory(const ClipDirectory&) = delete;
    ClipDirectory& operator=(const ClipDirectory&) = delete;

    // The clip's script object, made (and kept alive) on first use.
    avm1::Object* objectOf(stage::MovieClip& clip);
    stage::MovieClip* clipOf(const avm1::Object* object) const {
        return object ? m_clips.value(object) : nullptr;
    }
    // Scripts know a clip from the first time they see it until it is forgotten: removed by a
    // script or gone from the stage.
    bool knows(const stage::MovieClip* clip) const { return m_objects.count(clip) > 0; }
    stage::MovieClip* known(const stage::ClipHandle& handle) const {
        stage::MovieClip* clip = handle.get(m_stage.context());
        return knows(clip) ? clip : nullptr;
    }
    // Lets the clip's object go; false when scripts did not know the clip.
    bool forget(const stage::MovieClip& clip);
    // The clip was made again in its place: references scripts hold find it by the name it had
    // when they were made, so once it was renamed they no longer reach it, and it starts over
    // as a new object.
    void remade(stage::MovieClip& clip);

    // The first child clip of that instance name, by depth.
    stage::MovieClip* childNamed(stage::MovieClip& parent, const QString& name) const;
    stage::MovieClip* parentOf(const stage::MovieClip& clip) const;
    // For a level name ("_level2", "_flash0"), the level, or nullptr when none is loaded
    // there; nullopt for any other name.
    std::optional<stage::MovieClip*> levelNamed(const QString& name) const;
    // The clip a slash or dot path ("/a/b", "_parent.c", "_level2") names from base (the
    // root when null).
    stage::MovieClip* resolve(const QString& path, stage::MovieClip* base);
    // The object a target path reaches from base, a clip or any object: a step that names no
    // child or level takes the variable of that name when it holds an object.
    avm1::Object* walk(const QString& path, avm1::Object* base);
    // "_level0.a.b", or from a level above the root "_level2.c".
    QString targetPath(const stage::MovieClip* clip) const;
    // "/a/b", and "/" for the root.
    QString slashPath(const stage::MovieClip& clip) const;

  private:
    // _parent, _root, _levelN, this, or a child by instance name.
    stage::MovieClip* namedStep(stage::MovieClip& clip, const QString& name) const;

    stage::Stage& m_stage;
    avm1::Machine& m_machine;
    avm1::PropertyDelegate& m_clipProperties;
    bool m_caseSensitive;
    std::unordered_map<const stage::MovieClip*, avm1::Object*> m_objects;
    QHash<const avm1::Object*, stage::MovieClip*> m_clips;
    QHash<const avm1::Object*, QString> m_namesMadeWith;
    // Scripts look children up by name far more often than children change: parents with
    // many children keep an index of them (the first by depth for each name) until any
    // clip's children change (stage::StageContext::childrenGeneration).
    mutable std::unordered_map<const stage::MovieClip*, QHash<QString, stage::MovieClip*>> m_childIndex;
    mutable quint64 m_childIndexGeneration = 0;
    // Every clip's parent, from one walk of the stage, kept the same way: `_parent`, paths
    // and _target ask for parents often, and a walk per question grows with the stage.
    mutable std::unordered_map<const stage::MovieClip*, stage::MovieClip*> m_parents;
    mutable quint64 m_parentsGeneration = 0;
    mutable const stage::MovieClip* m_parentsRoot = nullptr;
};

} // namespace swf::script
