#include "swf/stage/video_instance.h"

#include "swf/media/video_decoder.h"

namespace swf::stage {

VideoInstance::VideoInstance(StageContext& context, const movie::VideoCharacter& video,
                             const movie::MovieDefinition& movie)
    : DisplayObject(context, &video, movie), m_video(&video), m_self(std::make_shared<VideoInstance*>(this)) {
}

VideoInstance::~VideoInstance() {
    *m_self = nullptr;
}

void VideoInstance::feed(int index) const {
    const movie::VideoCharacter::Packet& packet = m_video->packets()[size_t(index)];
    m_decodedFrame = packet.frameNumber;
    QString problem;
    // A broken picture is skipped: the decoder shows the one before, and the next key
    // frame puts things right.
    if (!m_decoder->decode(packet.data, packet.keyFrame, problem))
        context().note(
            QStringLiteral("video %1, frame %2: %3").arg(m_video->id).arg(packet.frameNumber).arg(problem));
}

namespace {

// VP6 codes whole macroblocks of 16 pixels. A container of its own would say by how much to
// trim them; embedded streams have only their declared size for that.
QImage trimmed(const QImage& picture, const format::VideoStreamDefinition& stream) {
    const bool vp6 =
        stream.codec == int(format::VideoCodec::Vp6) || stream.codec == int(format::VideoCodec::Vp6Alpha);
    const int extraWidth = picture.width() - stream.width, extraHeight = picture.height() - stream.height;
    if (!vp6 || extraWidth < 0 || extraHeight < 0 || extraWidth >= 16 || extraHeight >= 16 ||
        (extraWidth == 0 && extraHeight == 0))
        return picture;
    return picture.copy(0, 0, stream.width, stream.height);
}

} // namespace

void VideoInstance::clear() {
    m_cleared = true;
    m_clearedAt = m_source ? m_source->pictureCount() : quint64(placement().ratio);
}

QImage VideoInstance::picture() const {
    if (m_source) {
        if (m_cleared && m_source->pictureCount() == m_clearedAt) return {};
        return m_source->currentPicture();
    }
    if (m_cleared && quint64(placement().ratio) == m_clearedAt) return {};
    const auto& packets = m_video->packets();
    const int target = m_video->packetAtOrBefore(placement().ratio);
    if (target < 0) return {};
    if (!m_decoder) {
        m_decoder = std::make_unique<media::VideoDecoder>(m_video->stream.codec);
        if (!m_decoder->isSupported() && !m_notedUnsupported) {
            m_notedUnsupported = true;
            context().note(QStringLiteral("video %1: codec %2 is not decoded")
                               .arg(m_video->id)
                               .arg(m_video->stream.codec));
        }
    }
    if (!m_decoder->isSupported()) return {};
    m_decoder->setDeblocking(deblocking());
    if (packets[size_t(target)].frameNumber == m_decodedFrame)
        return trimmed(m_decoder->picture(), m_video->stream);

    // The latest key frame at or before the target, and where decoding in order would resume.
    int key = target;
    while (key > 0 && !packets[size_t(key)].keyFrame)
        --key;
    const int last = m_decodedFrame < 0 ? -1 : m_video->packetAtOrBefore(m_decodedFrame);
    const bool forward = last >= 0 && last < target && packets[size_t(last)].frameNumber == m_decodedFrame;
    int start = last + 1; // no key frame between: carry on
    if (!forward || last < key) {
        start = key;
        if (m_decodedFrame >= 0) m_decoder->reset();
    }
    if (target - start >= kMaxCatchUpFrames) {
        start = target - kMaxCatchUpFrames + 1;
        context().note(QStringLiteral("video %1, frame %2: too far from a key frame; decoded from frame %3")
                           .arg(m_video->id)
                           .arg(packets[size_t(target)].frameNumber)
                           .arg(packets[size_t(start)].frameNumber));
    }
    for (int i = start; i <= target; ++i)
        feed(i);
    return trimmed(m_decoder->picture(), m_video->stream);
}

} // namespace swf::stage
