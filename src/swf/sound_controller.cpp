#include "swf/sound_controller.h"

#include "swf/format/sounds.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/movie/sound_character.h"

#include <algorithm>
#include <utility>

namespace swf {

using format::TagCode;

namespace {
// Sound ids are 16-bit; stream keys live above them.
constexpr int kStreamKeyBase = 1 << 20;
constexpr int kMaxDiagnostics = 50;
} // namespace

int streamKeyOf(quint64 timelineKey) {
    return kStreamKeyBase + int(timelineKey % (1u << 30));
}

const media::SoundRef& movie::SoundCharacter::decoded() const {
    if (!m_decoded)
        m_decoded = std::make_shared<media::PcmBuffer>(
            media::decodeSound(sound.format, sound.data, sound.sampleCount));
    return m_decoded;
}

SoundController::SoundController(media::Mixer& mixer) : m_mixer(mixer) {}
SoundController::~SoundController() = default;

void SoundController::setMovie(const movie::MovieDefinition* movie) {
    stopAll();
    m_movie = movie;
    m_tick = 0;
    // Half a second of frames ahead, at least four.
    m_lookahead = movie ? std::clamp(int(movie->header.frameRate / 2), 4, 60) : 12;
    m_frameRate = movie && movie->header.frameRate > 0 ? movie->header.frameRate : 12;
}

void SoundController::frameEntered(quint64 key, const movie::Frame& frame, bool) {
    runTags(key, frame, true, true, m_tick);
}

void SoundController::rootEntered(const movie::Timeline& root, int frame, int framesLoaded) {
    if (frame < 0 || frame >= root.frameCount()) return;
    // Anything but the next frame is a jump: the queued sound no longer fits.
    if (frame != m_rootFrame + 1 || m_rootNext < frame) {
        m_mixer.streamStop(streamKeyOf(0));
        m_rootNext = frame;
        if (const auto found = m_streams.find(0); found != m_streams.end() && found->second.decoder) {
            found->second.decoder->restart();
            found->second.fresh = true;
        }
    }
    m_rootFrame = frame;
    runTags(0, root.frame(frame), true, false, m_tick);
    // Frames read ahead are due as many ticks later as they lie ahead, if the root plays on
    // straight; a jump before then stops what was queued.
    const int until = std::min({frame + m_lookahead, framesLoaded - 1, root.frameCount() - 1});
    for (; m_rootNext <= until; ++m_rootNext)
        runTags(0, root.frame(m_rootNext), false, true, m_tick + quint64(m_rootNext - frame));
}

void SoundController::runTags(quint64 key, const movie::Frame& frame, bool events, bool stream,
                              quint64 dueTick) {
    for (const movie::FrameCommand& command : frame.commands) {
        if (const auto* start = std::get_if<format::StartSoundRecord>(&command)) {
            if (events) startSound(*start);
        } else if (const auto* head = std::get_if<format::SoundStreamHeadRecord>(&command)) {
            if (stream) streamHead(key, *head);
        } else if (const auto* block = std::get_if<format::StreamBlock>(&command)) {
            if (stream) streamBlock(key, block->data, dueTick);
        }
    }
}

void SoundController::startSound(const format::StartSoundRecord& record) {
    if (!m_movie) return;
    const movie::Character* character = m_movie->character(record.soundId);
    if (!character || character->kind != movie::CharacterKind::Sound) return;
    const auto* sound = static_cast<const movie::SoundCharacter*>(character);
    if (record.info.stop) {
        m_mixer.stopSound(record.soundId);
        return;
    }
    const media::SoundRef& pcm = sound->decoded();
    if (!pcm->diagnostic.isEmpty() && m_diagnostics.size() < kMaxDiagnostics)
        m_diagnostics << QStringLiteral("sound %1: %2").arg(record.soundId).arg(pcm->diagnostic);
    m_mixer.startEvent(record.soundId, pcm, record.info);
}

void SoundController::streamHead(quint64 key, const format::SoundStreamHeadRecord& head) {
    // The same head met again (a loop back to the first frame) keeps the decoder.
    Stream& stream = m_streams[key];
    const auto& decoder = stream.decoder;
    if (!decoder || decoder->format().codec != head.stream.codec ||
        decoder->format().rate != head.stream.rate || decoder->format().stereo != head.stream.stereo ||
        decoder->format().is16Bit != head.stream.is16Bit) {
        stream.decoder = std::make_unique<media::StreamDecoder>(head.stream);
        stream.fresh = true;
    }
}

// Each block's sound belongs to its frame's time, so frames without blocks (before the
// stream's first block, or a pause in it) are silence on the stream's clock, and blocks that
// hold a little more or less than a frame's worth cannot add up to a drift.
void SoundController::streamBlock(quint64 key, const QByteArray& body, quint64 dueTick) {
    const auto found = m_streams.find(key);
    if (found == m_streams.end() || !found->second.decoder) return;
    Stream& stream = found->second;
    const media::StreamBlockSound block = stream.decoder->decodeBlock(body);
    const bool first = std::exchange(stream.fresh, false);
    const media::PcmBuffer& pcm = block.samples;
    if (!pcm.diagnostic.isEmpty() && m_diagnostics.size() < kMaxDiagnostics) m_diagnostics << pcm.diagnostic;
    if (pcm.samples.empty() || pcm.rate <= 0) return;
    const int mixerKey = streamKeyOf(key);
    // A stream with nothing left to play has let its clock stop: it starts again now, the
    // tick running, and what is read ahead waits behind silence until its frame is due.
    if (m_mixer.streamQueued44(mixerKey) == 0) {
        m_mixer.streamStop(mixerKey);
        stream.startTick = m_tick;
    }
    const double frameSeconds = 1.0 / m_frameRate;
    const double rate = media::exactRate(pcm.rate);
    // A sprite's blocks arrive as its frames are entered, not ahead: after its first, one
    // that finds the queue empty is already late, and its lead-in plays rather than be lost.
    const int leadIn = key == 0 || first ? block.leadIn : 0;
    const double at = double(qint64(dueTick - stream.startTick)) * frameSeconds - leadIn / rate;
    // Blocks may end a little off their frame's time: within half a frame, or one MP3 frame,
    // they follow on unbroken. MP3 blocks hold whole MP3 frames and say by their seek samples
    // where the frame begins; PCM and ADPCM blocks hold a frame's samples, give or take the
    // rounding of a sample count, and are fitted to their frame's time.
    const bool mp3 = stream.decoder->format().codec == media::Codec::Mp3;
    const double mp3Frame = mp3 ? (pcm.rate >= 32000 ? 1152 : 576) / rate : 0.0;
    m_mixer.streamPlace(mixerKey, pcm, at, std::max(frameSeconds / 2, mp3Frame), !mp3);
}

void SoundController::timelineJumped(quint64 key) {
    m_mixer.streamStop(streamKeyOf(key));
    if (key == 0) m_rootFrame = m_rootNext = -1;
}

const movie::SoundCharacter* SoundController::soundOf(int soundId) const {
    const movie::Character* character = m_movie ? m_movie->character(quint16(soundId)) : nullptr;
    return character && character->kind == movie::CharacterKind::Sound
               ? static_cast<const movie::SoundCharacter*>(character)
               : nullptr;
}

int SoundController::startVoice(int soundId, double offsetSeconds, int loops) {
    const movie::SoundCharacter* sound = soundOf(soundId);
    if (!sound) return 0;
    media::SoundInfo info;
    info.loops = loops;
    const double offset44 = std::clamp(offsetSeconds * media::Mixer::kRate, 0.0, 2e9);
    return m_mixer.startEvent(soundId, sound->decoded(), info, int(offset44));
}

int SoundController::startPcmVoice(std::shared_ptr<const media::PcmBuffer> sound, double offsetSeconds) {
    // Above every character id, so stopping a movie's sound by id never stops these.
    constexpr int kExternalSoundKey = 0x10000;
    if (!sound || sound->frames() == 0) return 0;
    const double offset44 = std::clamp(offsetSeconds * media::Mixer::kRate, 0.0, 2e9);
    return m_mixer.startEvent(kExternalSoundKey, std::move(sound), media::SoundInfo{}, int(offset44));
}

double SoundController::soundDurationMs(int soundId) {
    const movie::SoundCharacter* sound = soundOf(soundId);
    if (!sound || !sound->decoded() || sound->decoded()->rate <= 0) return 0.0;
    return double(sound->decoded()->frames()) * 1000.0 / sound->decoded()->rate;
}

void SoundController::stopAll() {
    m_mixer.stopAll();
    m_streams.clear();
    m_rootFrame = m_rootNext = -1;
}

// A stream with nothing queued has ended (or the timeline stopped feeding it): the player
// then goes back to its own clock instead of waiting on silence.
bool SoundController::rootStreamActive() const {
    return m_mixer.streamQueued44(streamKeyOf(0)) > 0;
}

qint64 SoundController::rootStreamPlayed44() const {
    return m_mixer.streamPlayed44(streamKeyOf(0));
}

double SoundController::rootStreamTick() const {
    const auto found = m_streams.find(0);
    const double start = found != m_streams.end() ? double(found->second.startTick) : 0.0;
    return start + double(rootStreamPlayed44()) * m_frameRate / media::Mixer::kRate;
}

QStringList SoundController::takeDiagnostics() {
    QStringList out;
    out.swap(m_diagnostics);
    return out;
}

} // namespace swf
