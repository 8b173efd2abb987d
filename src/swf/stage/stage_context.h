// What the display objects of one player share: serial numbers, the generation of every
// clip's children, the instance budget, the frame observer and the index of live text
// fields. Each player owns one, so two players in one process never meet.
#pragma once

#include "swf/io/diagnostic.h"

#include <QString>
#include <QtGlobal>

#include <unordered_map>
#include <vector>

namespace swf::stage {

class DisplayObject;
class FrameObserver;
class MovieClip;
class TextField;

class StageContext {
  public:
    // A sprite may place itself (directly or through others); instances stop nesting here.
    // Nesting alone does not bound the work: a button or sprite holding several copies of
    // itself grows exponentially, so one placement may create only so many instances, and
    // the stage may hold only so many live ones.
    static constexpr int kMaxInstanceNesting = 32;
    static constexpr int kMaxInstancesPerPlacement = 20000;
    static constexpr qint64 kMaxLiveInstances = 500000;
    // Problems met while playing (a video picture that would not decode...), kept for the
    // player's diagnostics up to this many.
    static constexpr int kMaxNotes = 200;

    StageContext() = default;
    StageContext(const StageContext&) = delete;
    StageContext& operator=(const StageContext&) = delete;

    // Serials increase with each instance created: they tell objects that arrived during a
    // tick (which do not advance in it) from those that were there before.
    quint64 nextSerial() const { return m_nextSerial; }
    quint64 takeSerial() { return m_nextSerial++; }

    // Moves on whenever any clip's children change: one added, removed, moved to another
    // depth or renamed. Lookups of children by name may keep their answers until then.
    quint64 childrenGeneration() const { return m_childrenGeneration; }
    void childrenChanged() { ++m_childrenGeneration; }

    // The name a timeline's sprite, button or edit field gets when its placement gives none:
    // "instance1", "instance2"... counted across the whole player, levels included.
    QString nextInstanceName() { return QStringLiteral("instance%1").arg(++m_instanceNames); }

    // The observer of the tick running now (sound and scripts); null between ticks.
    FrameObserver* frameObserver() const { return m_frameObserver; }
    void setFrameObserver(FrameObserver* observer) { m_frameObserver = observer; }

    // The instance budget, kept while one placement creates instances (nested placements
    // included).
    class Placement {
      public:
        explicit Placement(StageContext& context) : m_context(context) {
            if (m_context.m_nesting++ == 0) m_context.m_createdInPlacement = 0;
        }
        ~Placement() { --m_context.m_nesting; }
        Placement(const Placement&) = delete;
        Placement& operator=(const Placement&) = delete;
        // Counts one more instance; false when the budget is spent and an empty one is due.
        bool mayCreate() {
            return m_context.m_nesting <= kMaxInstanceNesting &&
                   ++m_context.m_createdInPlacement <= kMaxInstancesPerPlacement &&
                   qint64(m_context.m_live.size()) <= kMaxLiveInstances;
        }

      private:
        StageContext& m_context;
    };

    // Live display objects by serial: scripts and input keep objects by their serial, which
    // no other object will ever have, and find them here while they live.
    DisplayObject* liveObject(quint64 serial) const {
        const auto found = m_live.find(serial);
        return found == m_live.end() ? nullptr : found->second;
    }
    MovieClip* liveClip(quint64 serial) const;
    TextField* liveField(quint64 serial) const;
    bool anyLiveField() const { return m_liveFields > 0; }
    void objectCreated(quint64 serial, DisplayObject* object) { m_live.emplace(serial, object); }
    void objectDestroyed(quint64 serial) { m_live.erase(serial); }
    void fieldCreated() { ++m_liveFields; }
    void fieldDestroyed() { --m_liveFields; }

    void note(const QString& message) {
        if (int(m_notes.size()) < kMaxNotes) m_notes.push_back(Diagnostic{message});
    }
    const std::vector<Diagnostic>& notes() const { return m_notes; }
    void clearNotes() { m_notes.clear(); }

  private:
    std::vector<Diagnostic> m_notes;
    quint64 m_nextSerial = 1;
    quint64 m_childrenGeneration = 0;
    quint64 m_instanceNames = 0;
    FrameObserver* m_frameObserver = nullptr;
    int m_nesting = 0;
    int m_createdInPlacement = 0;
    std::unordered_map<quint64, DisplayObject*> m_live;
    int m_liveFields = 0;
};

} // namespace swf::stage
