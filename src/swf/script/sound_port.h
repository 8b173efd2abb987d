// The player's sound as scripts reach it: Sound objects play the movie's sounds (by
// character id) as voices of the player's mixer.
#pragma once

#include "swf/media/pcm_buffer.h"

#include <memory>

namespace swf::script {

class SoundPort {
  public:
    virtual ~SoundPort() = default;
    // The voice playing, or 0 when the id names no sound.
    virtual int startVoice(int soundId, double offsetSeconds, int loops) = 0;
    virtual void stopVoice(int voice) = 0;
    virtual void stopVoicesOf(int soundId) = 0;
    // stopAllSounds: every voice, the timelines' stream sounds with them.
    virtual void stopEverySound() = 0;
    virtual void setVoiceGain(int voice, double left, double right) = 0;
    virtual double voicePositionMs(int voice) = 0;
    virtual double soundDurationMs(int soundId) = 0;
    virtual bool voicePlaying(int voice) = 0;
    // Sound from outside the movie (a NetStream's), from offsetSeconds in: the voice, or 0.
    virtual int startPcmVoice(std::shared_ptr<const media::PcmBuffer> sound, double offsetSeconds) {
        (void)sound;
        (void)offsetSeconds;
        return 0;
    }
    // That voice goes on into longer, more of the same sound; false when it cannot (it ended).
    virtual bool extendPcmVoice(int voice, std::shared_ptr<const media::PcmBuffer> longer) {
        (void)voice;
        (void)longer;
        return false;
    }
};

} // namespace swf::script
