#include "swf/sound_controller.h"

#include "swf/format/sounds.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/movie/sound_character.h"

#include <algorithm>

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
    // Half a second of frames ahead, at least four.
    m_lookahead = movie ? std::clamp(int(movie->header.frameRate / 2), 4, 60) : 12;
}

void SoundController::frameEntered(quint64 key, const movie::Frame& frame, bool) {
    runTags(key, frame, true, true);
}

void SoundController::rootEntered(const movie::Timeline& root, int frame, int framesLoaded) {
    if (frame < 0 || frame >= root.frameCount()) return;
    // Anything but the next frame is a jump: the queued sound no longer fits.
    if (frame != m_rootFrame + 1 || m_rootNext < frame) {
        m_mixer.streamStop(streamKeyOf(0));
        m_rootNext = frame;
        if (const auto found = m_streams.find(0); found != m_streams.end()) found->second->restart();
    }
    m_rootFrame = frame;
    runTags(0, root.frame(frame), true, false);
    const int until = std::min({frame + m_lookahead, framesLoaded - 1, root.frameCount() - 1});
    for (; m_rootNext <= until; ++m_rootNext)
        runTags(0, root.frame(m_rootNext), false, true);
}

void SoundController::runTags(quint64 key, const movie::Frame& frame, bool events, bool stream) {
    for (const movie::FrameCommand& command : frame.commands) {
        if (const auto* start = std::get_if<format::StartSoundRecord>(&command)) {
            if (events) startSound(*start);
        } else if (const auto* head = std::get_if<format::SoundStreamHeadRecord>(&command)) {
            if (stream) streamHead(key, *head);
        } else if (const auto* block = std::get_if<format::StreamBlock>(&command)) {
            if (stream) streamBlock(key, block->data);
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
    auto& decoder = m_streams[key];
    if (!decoder || decoder->format().codec != head.stream.codec ||
        decoder->format().rate != head.stream.rate || decoder->format().stereo != head.stream.stereo ||
        decoder->format().is16Bit != head.stream.is16Bit)
        decoder = std::make_unique<media::StreamDecoder>(head.stream);
}

void SoundController::streamBlock(quint64 key, const QByteArray& body) {
    const auto found = m_streams.find(key);
    if (found == m_streams.end()) return;
    const media::PcmBuffer pcm = found->second->decodeBlock(body);
    if (!pcm.diagnostic.isEmpty() && m_diagnostics.size() < kMaxDiagnostics) m_diagnostics << pcm.diagnostic;
    m_mixer.streamAppend(streamKeyOf(key), pcm);
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

QStringList SoundController::takeDiagnostics() {
    QStringList out;
    out.swap(m_diagnostics);
    return out;
}

} // namespace swf
