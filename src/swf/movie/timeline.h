// A timeline: frames of control tags, frame labels, and the placement state each frame leaves
// (what sits at each depth), with snapshots so a seek anywhere replays at most a few frames.
#pragma once

#include "swf/format/control_tags.h"
#include "swf/format/sounds.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <variant>
#include <vector>

namespace swf::movie {

struct ActionBlock {
    QByteArray bytes;
};

// What a frame does, in tag order, each tag decoded once when the movie is read.
using FrameCommand =
    std::variant<format::PlaceObject, format::RemoveObject, ActionBlock, format::InitActions, format::Exports,
                 format::StartSoundRecord, format::SoundStreamHeadRecord, format::StreamBlock>;

struct Frame {
    std::vector<FrameCommand> commands;
    QString label;
};

// What one depth holds after a frame's tags ran.
struct Placement {
    quint16 characterId = 0;
    format::Matrix matrix;
    format::ColorTransform colorTransform;
    quint16 ratio = 0;
    QString name;
    quint16 clipDepth = 0;
    format::BlendMode blendMode = format::BlendMode::Normal;
    std::vector<format::Filter> filters;
    bool visible = true;
    std::optional<QRgb> opaqueBackground;
    // Where the instance was created (frame << 16 | command index): an object keeps its
    // identity, and a sprite its own playhead, only while this stays the same.
    qint64 birth = 0;
    QList<format::ClipActionRecord> clipActions;
};

using PlacementState = std::map<int, Placement>;

class Timeline {
  public:
    static constexpr int kSnapshotInterval = 32;

    int frameCount() const { return static_cast<int>(m_frames.size()); }
    const Frame& frame(int index) const { return m_frames[static_cast<size_t>(index)]; }
    void appendFrame(Frame frame);
    // -1 when no frame has that label (labels compare case-insensitively).
    int frameOfLabel(const QString& label) const;

    // The state after frames 0..frame ran; frame is clamped to the frames present.
    PlacementState stateAt(int frame) const;
    // False when the frame holds a placement that names no character and moves nothing: the
    // timeline stops there, with what the frame did before it.
    static bool applyFrame(PlacementState& state, const Frame& frame, int frameIndex);

  private:
    std::vector<Frame> m_frames;
    QHash<QString, int> m_labels;
    // m_snapshots[k] is the state after frame k * kSnapshotInterval.
    mutable std::vector<PlacementState> m_snapshots;
};

} // namespace swf::movie
