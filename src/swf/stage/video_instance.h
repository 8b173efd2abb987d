// An embedded video on the stage: its placement's ratio names the stream's frame to show.
// Pictures are decoded when asked for, in order from the last one decoded while the ratio
// moves forward, else from the key frame at or before the one wanted.
#pragma once

#include "swf/stage/display_object.h"

#include <QImage>

#include <memory>

namespace swf::media {
class VideoDecoder;
}

namespace swf::stage {

class VideoInstance final : public DisplayObject {
  public:
    // Inter frames decoded to reach one picture at most: a stream whose key frames are
    // further apart than this shows that picture built on a partial history instead of
    // stalling the player.
    static constexpr int kMaxCatchUpFrames = 3000;

    VideoInstance(StageContext& context, const movie::VideoCharacter& video,
                  const movie::MovieDefinition& movie);
    ~VideoInstance() override;

    const movie::VideoCharacter& video() const { return *m_video; }
    // The picture of the frame the ratio names, or of the last frame before it the stream
    // has; null when none could be decoded. Decoding is a cache of the stream, so drawing
    // (which holds the stage const) may ask.
    QImage picture() const;
    // The frame number picture() showed last; -1 before any.
    int decodedFrame() const { return m_decodedFrame; }

  private:
    void feed(int index) const;

    const movie::VideoCharacter* m_video;
    mutable std::unique_ptr<media::VideoDecoder> m_decoder;
    mutable int m_decodedFrame = -1; // frame number of the last packet fed
    mutable bool m_notedUnsupported = false;
};

} // namespace swf::stage
