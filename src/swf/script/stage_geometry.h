// The stage against the pointer, as scripts measure it: coordinates from the stage to a
// clip, exact shape tests, dragging a clip and what it was dropped on.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <memory>
#include <optional>

namespace swf::avm1 {
class Machine;
}
namespace swf::input {
class PointerTracker;
}
namespace swf::stage {
class MovieClip;
class Stage;
} // namespace swf::stage

namespace swf::script {

class ClipDirectory;

class StageGeometry {
  public:
    StageGeometry(stage::Stage& stage, ClipDirectory& directory, avm1::Machine& machine);
    ~StageGeometry();
    StageGeometry(const StageGeometry&) = delete;
    StageGeometry& operator=(const StageGeometry&) = delete;

    // From the stage to a clip's own coordinates; nullopt where a scale of 0 loses them.
    std::optional<QTransform> stageToClip(const stage::MovieClip& clip) const;
    // The clip's box on the stage (twips).
    std::optional<QRectF> stageBox(const stage::MovieClip& clip) const;
    // Whether the clip's own shapes cover a stage point (twips), not merely its box.
    bool covers(stage::MovieClip& clip, QPointF stagePoint);

    // startDrag: the rectangle in the parent's pixels, used when constrain.
    void startDrag(stage::MovieClip& clip, bool lockCenter, bool constrain, double left, double top,
                   double right, double bottom);
    // The pointer moved: the dragged clip follows it.
    void dragToPointer();
    // stopDrag: the clip keeps what it was dropped on.
    void endDrag();
    // _droptarget: while dragged, the slash path of the clip under the pointer (the dragged
    // clip and what it holds left out); afterwards where it was let go.
    QString dropTarget(stage::MovieClip& clip);

  private:
    QString under(stage::MovieClip& dragged);

    stage::Stage& m_stage;
    ClipDirectory& m_directory;
    avm1::Machine& m_machine;
    // Exact shape tests; made on first use.
    std::unique_ptr<input::PointerTracker> m_hitTester;
};

} // namespace swf::script
