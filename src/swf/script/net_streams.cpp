#include "swf/script/net_streams.h"

#include "swf/script/display_properties.h"
#include "swf/script/player_port.h"
#include "swf/script/sound_port.h"

#include "swf/avm1/builtins_geom.h"
#include "swf/avm1/machine.h"
#include "swf/format/flv.h"
#include "swf/format/mp4.h"
#include "swf/media/flv_audio.h"
#include "swf/media/video_decoder.h"
#include "swf/movie/character.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/video_instance.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace swf::script {

using avm1::CallContext;
using avm1::Value;
namespace flags = avm1::property_flags;

namespace {
// A NetStream buffers a tenth of a second before it plays, unless the movie asks otherwise.
constexpr double kDefaultBufferSeconds = 0.1;
// Streams a movie may hold open at once; more play as nothing (a hostile loop stays cheap).
constexpr int kMaxStreams = 64;
// Pictures decoded in one tick to catch up with the clock; the rest are skipped to the next
// key frame rather than holding the player back.
constexpr int kMaxPicturesPerTick = 600;
// How far pictures may run ahead of the sound last handed to the device: about two turns.
constexpr double kMaxLeadOfSoundMs = 100;
} // namespace

struct NetStreams::Stream final : stage::VideoSource {
    avm1::Object* object = nullptr; // the script's NetStream; null once collected
    bool pinned = false;
    bool playAsked = false;
    bool open = false; // a file is loaded and has not been closed
    bool playing = false;
    bool paused = false;
    bool ended = false;
    bool flushed = false;
    // The file is still arriving from the movie's site; the stream plays what has come and
    // waits (buffering) when it catches up with the download.
    bool loading = false;
    bool buffering = false;
    std::optional<double> seekAsked; // seconds
    QString url;
    double bufferTime = kDefaultBufferSeconds;
    format::FlvFile file;
    qint64 bytesLoaded = 0, bytesTotal = 0;
    qint64 durationMs = 0;
    size_t nextTag = 0;
    double mediaMs = 0; // the stream's time at hostMs
    double hostMs = 0;
    std::unique_ptr<media::VideoDecoder> decoder;
    int decoderCodec = -1;
    // Video.deblocking of the video it was last attached to: an FLV carries no deblocking flags
    // of its own, so the Video's choice is the only one there is.
    int deblocking = 0;
    // H.264 pictures come out of order: packets are decoded this far ahead of the clock (the
    // largest composition offset seen) so that each picture is ready when it is due.
    qint64 reorderMs = 0;
    int trimRight = 0, trimBottom = 0;
    QImage picture;
    quint64 pictures = 0;
    std::unique_ptr<media::FlvAudioDecoder> audio;
    size_t audioFed = 0; // tags handed to audio
    std::shared_ptr<const media::PcmBuffer> sound;
    int voice = 0;
    double heardMs = -1;     // the voice's position when last looked at
    bool soundMoves = false; // someone drains the mixer: the sound is the clock

    QImage currentPicture() const override { return picture; }
    // The decoder's last picture is the one to show.
    void showPicture() {
        takePicture();
        ++pictures;
    }
    void setDeblocking(int level) {
        deblocking = level;
        if (!decoder) return;
        decoder->setDeblocking(level);
        // The picture showing now is shown again the new way, still counted as the same one.
        if (!picture.isNull()) takePicture();
    }
    void takePicture() {
        picture = decoder->picture();
        const int width = picture.width() - trimRight, height = picture.height() - trimBottom;
        if ((trimRight || trimBottom) && width > 0 && height > 0) picture = picture.copy(0, 0, width, height);
    }
    quint64 pictureCount() const override { return pictures; }

    double timeAt(double nowMs) const {
        if (!playing || paused || ended || buffering) return mediaMs;
        return std::min(mediaMs + std::max(0.0, nowMs - hostMs), double(durationMs));
    }
};

namespace {

// The NetStream object's hold on its stream: when the collector frees the object, the
// stream forgets it and goes quiet.
class StreamData final : public avm1::NativeData {
  public:
    explicit StreamData(std::shared_ptr<NetStreams::Stream> stream) : stream(std::move(stream)) {}
    ~StreamData() override { stream->object = nullptr; }
    void forEachReference(const std::function<void(avm1::Object*)>&) const override {}
    std::shared_ptr<NetStreams::Stream> stream;
};

Value fromAmf(avm1::Machine& machine, const format::AmfValue& value) {
    using Kind = format::AmfValue::Kind;
    switch (value.kind) {
    case Kind::Number:
    case Kind::Date:
        return Value(value.number);
    case Kind::Boolean:
        return Value(value.boolean);
    case Kind::String:
        return Value(value.string);
    case Kind::Null:
        return Value::null();
    case Kind::Undefined:
        return Value();
    case Kind::Object:
    case Kind::Array: {
        avm1::Object* object = machine.newObject();
        for (const auto& [name, member] : value.members)
            object->setOwn(name, fromAmf(machine, member));
        return Value(object);
    }
    }
    return Value();
}

} // namespace

// Placement properties of a video, read from the stage as clips' are.
class NetStreams::VideoProperties final : public avm1::PropertyDelegate {
  public:
    explicit VideoProperties(NetStreams& owner) : m_owner(owner) {}
    std::optional<Value> getProperty(avm1::Object& object, const QString& name) override {
        stage::VideoInstance* video = m_owner.videoOf(&object);
        if (!video || !name.startsWith(QLatin1Char('_'))) return std::nullopt;
        const auto property = placementProperty(name);
        if (!property) return std::nullopt;
        return readPlacement(*video, *property);
    }
    bool setProperty(avm1::Object& object, const QString& name, const Value& value) override {
        stage::VideoInstance* video = m_owner.videoOf(&object);
        if (!video || !name.startsWith(QLatin1Char('_'))) return false;
        const auto property = placementProperty(name);
        if (!property || *property == PlacementProperty::Name) return false;
        writePlacement(*video, *property, value, m_owner.m_machine);
        return true;
    }

  private:
    NetStreams& m_owner;
};

NetStreams::NetStreams(avm1::Machine& machine, const movie::MovieDefinition& movie, PlayerPort& player,
                       SoundPort& sounds)
    : m_machine(machine), m_movie(movie), m_player(player), m_sounds(sounds),
      m_videoProperties(std::make_unique<VideoProperties>(*this)) {}

NetStreams::~NetStreams() {
    for (const auto& stream : m_streams)
        if (stream->voice) m_sounds.stopVoice(stream->voice);
}

void NetStreams::install() {
    installNetConnection();
    installNetStream();
    installVideo();
}

void NetStreams::installNetConnection() {
    avm1::Machine& machine = m_machine;
    avm1::Object* prototype = machine.newObject();
    avm1::Object* constructor = machine.newConstructor([](CallContext&) { return Value(); }, prototype);
    // These classes came with SWF 6; older movies do not see them.
    machine.global()->setOwn(QStringLiteral("NetConnection"), constructor,
                             flags::kDontEnum | flags::kVersion6Up);
    machine.defineMethod(prototype, QStringLiteral("connect"), [](CallContext& c) {
        avm1::Object* self = c.thisObject();
        if (!self) return Value(false);
        // Only connections to nothing are made: files then play straight from their address.
        const bool local = c.arg(0).isNullish();
        self->setOwn(QStringLiteral("isConnected"), Value(local));
        self->setOwn(QStringLiteral("uri"), local ? Value::null() : c.arg(0));
        if (!local) {
            avm1::Object* info = c.machine.newObject();
            info->setOwn(QStringLiteral("code"), Value(QStringLiteral("NetConnection.Connect.Failed")));
            info->setOwn(QStringLiteral("level"), Value(QStringLiteral("error")));
            const Value handler = c.machine.getMember(Value(self), QStringLiteral("onStatus"));
            if (handler.asObject() && handler.asObject()->isFunction())
                c.machine.callFunction(handler, Value(self), {Value(info)});
        }
        return Value(local);
    });
    for (avm1::Property& property : prototype->properties())
        property.flags |= flags::kDontEnum;
}

NetStreams::Stream* NetStreams::streamOf(avm1::Object* object) const {
    auto* data = object ? dynamic_cast<StreamData*>(object->nativeData()) : nullptr;
    return data ? data->stream.get() : nullptr;
}

void NetStreams::installNetStream() {
    avm1::Machine& machine = m_machine;
    avm1::Object* prototype = machine.newObject();
    avm1::Object* constructor = machine.newConstructor(
        [this](CallContext& c) {
            avm1::Object* self = c.thisObject();
            if (!self || int(m_streams.size()) >= kMaxStreams) return Value();
            auto stream = std::make_shared<Stream>();
            stream->object = self;
            m_streams.push_back(stream);
            self->setNativeData(std::make_unique<StreamData>(stream));
            return Value();
        },
        prototype);
    machine.global()->setOwn(QStringLiteral("NetStream"), constructor, flags::kDontEnum | flags::kVersion6Up);

    machine.defineMethod(prototype, QStringLiteral("play"), [this](CallContext& c) {
        Stream* stream = streamOf(c.thisObject());
        if (!stream) return Value();
        stopSound(*stream);
        stream->url = c.machine.toString(c.arg(0));
        stream->playAsked = true;
        stream->seekAsked.reset();
        if (!stream->pinned) {
            stream->object->pin();
            stream->pinned = true;
        }
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("pause"), [this](CallContext& c) {
        Stream* stream = streamOf(c.thisObject());
        if (!stream || !stream->playing || stream->ended) return Value();
        const bool pause =
            c.args.empty() || c.arg(0).isUndefined() ? !stream->paused : c.machine.toBoolean(c.arg(0));
        if (pause == stream->paused) return Value();
        if (pause) {
            stream->mediaMs = stream->timeAt(m_nowMs);
            stream->paused = true;
            stopSound(*stream);
        } else {
            stream->paused = false;
            stream->hostMs = m_nowMs;
            startSound(*stream);
        }
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("seek"), [this](CallContext& c) {
        Stream* stream = streamOf(c.thisObject());
        if (!stream) return Value();
        const double seconds = c.machine.toNumber(c.arg(0));
        stream->seekAsked = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("close"), [this](CallContext& c) {
        Stream* stream = streamOf(c.thisObject());
        if (!stream) return Value();
        stopSound(*stream);
        stream->playAsked = stream->open = stream->playing = stream->paused = false;
        stream->loading = stream->buffering = false;
        stream->seekAsked.reset();
        stream->file = {};
        stream->audio.reset();
        stream->audioFed = 0;
        stream->sound.reset();
        stream->nextTag = 0;
        stream->mediaMs = 0;
        if (stream->pinned && stream->object) stream->object->unpin();
        stream->pinned = false;
        return Value();
    });
    machine.defineMethod(prototype, QStringLiteral("setBufferTime"), [this](CallContext& c) {
        Stream* stream = streamOf(c.thisObject());
        const double seconds = c.machine.toNumber(c.arg(0));
        if (stream && std::isfinite(seconds)) stream->bufferTime = std::max(0.0, seconds);
        return Value();
    });
    auto number = [this](const char* name, std::function<double(const Stream&)> read) {
        return std::pair{name, [this, read](CallContext& c) {
                             const Stream* stream = streamOf(c.thisObject());
                             return stream ? Value(read(*stream)) : Value();
                         }};
    };
    const std::pair<const char*, avm1::NativeFunction> readers[] = {
        number("time", [this](const Stream& s) { return s.timeAt(m_nowMs) / 1000.0; }),
        number("bufferTime", [](const Stream& s) { return s.bufferTime; }),
        number("bufferLength",
               [this](const Stream& s) {
                   return s.open ? std::max(0.0, double(s.durationMs) - s.timeAt(m_nowMs)) / 1000.0 : 0.0;
               }),
        number("bytesLoaded", [](const Stream& s) { return double(s.open ? s.bytesLoaded : 0); }),
        number("bytesTotal", [](const Stream& s) { return double(s.open ? s.bytesTotal : 0); }),
        number("currentFps",
               [this](const Stream& s) {
                   // Pictures of the second up to now, as the file times them.
                   if (!s.playing || s.paused || s.ended) return 0.0;
                   const double now = s.timeAt(m_nowMs);
                   int count = 0;
                   for (const format::FlvTag& tag : s.file.tags)
                       if (tag.type == format::FlvTagType::Video && tag.timeMs > now - 1000 &&
                           tag.timeMs <= now)
                           ++count;
                   return double(count);
               }),
        number("decodedFrames", [](const Stream& s) { return double(s.pictures); }),
        number("liveDelay", [](const Stream&) { return 0.0; }),
    };
    for (const auto& [name, read] : readers)
        avm1::geom::defineAccessor(machine, prototype, name, read);
    for (avm1::Property& property : prototype->properties())
        property.flags |= flags::kDontEnum;
}

stage::VideoInstance* NetStreams::videoOf(avm1::Object* object) const {
    const auto found = m_videos.constFind(object);
    if (found == m_videos.constEnd()) return nullptr;
    const auto alive = found->lock();
    return alive ? *alive : nullptr;
}

void NetStreams::installVideo() {
    avm1::Machine& machine = m_machine;
    m_videoPrototype = machine.newObject();
    avm1::Object* constructor =
        machine.newConstructor([](CallContext&) { return Value(); }, m_videoPrototype);
    machine.global()->setOwn(QStringLiteral("Video"), constructor, flags::kDontEnum | flags::kVersion6Up);
    machine.defineMethod(m_videoPrototype, QStringLiteral("attachVideo"), [this](CallContext& c) {
        stage::VideoInstance* video = videoOf(c.thisObject());
        if (!video) return Value();
        Stream* stream = streamOf(c.arg(0).asObject());
        std::shared_ptr<Stream> source;
        if (stream)
            for (const auto& each : m_streams)
                if (each.get() == stream) source = each;
        if (source) source->setDeblocking(video->deblocking());
        video->attach(source);
        return Value();
    });
    machine.defineMethod(m_videoPrototype, QStringLiteral("clear"), [this](CallContext& c) {
        if (stage::VideoInstance* video = videoOf(c.thisObject())) video->clear();
        return Value();
    });
    for (avm1::Property& property : m_videoPrototype->properties())
        property.flags |= flags::kDontEnum;
}

avm1::Object* NetStreams::objectOf(stage::VideoInstance& video) {
    for (auto it = m_videos.begin(); it != m_videos.end();) {
        const auto alive = it.value().lock();
        if (alive && *alive == &video) return it.key();
        if (!alive || !*alive) {
            it.key()->unpin();
            it = m_videos.erase(it);
        } else {
            ++it;
        }
    }
    avm1::Object* object = m_machine.newObject(avm1::ObjectKind::Plain, m_videoPrototype);
    object->setDelegate(m_videoProperties.get());
    object->pin();
    m_videos.insert(object, video.handle());
    // The video's own properties, listed when a script enumerates it.
    auto size = [this](bool width) {
        return [this, width](CallContext& c) {
            stage::VideoInstance* instance = videoOf(c.thisObject());
            if (!instance) return Value();
            const QImage picture = instance->picture();
            return Value(double(picture.isNull() ? 0 : width ? picture.width() : picture.height()));
        };
    };
    avm1::geom::defineAccessor(m_machine, object, "width", size(true));
    avm1::geom::defineAccessor(m_machine, object, "height", size(false));
    avm1::geom::defineAccessor(
        m_machine, object, "smoothing",
        [this](CallContext& c) {
            stage::VideoInstance* instance = videoOf(c.thisObject());
            return instance ? Value(instance->smoothing()) : Value();
        },
        [this](CallContext& c) {
            if (stage::VideoInstance* instance = videoOf(c.thisObject()))
                instance->setSmoothing(c.machine.toBoolean(c.arg(0)));
            return Value();
        });
    avm1::geom::defineAccessor(
        m_machine, object, "deblocking",
        [this](CallContext& c) {
            stage::VideoInstance* instance = videoOf(c.thisObject());
            return instance ? Value(double(instance->deblocking())) : Value();
        },
        [this](CallContext& c) {
            const double value = c.machine.toNumber(c.arg(0));
            stage::VideoInstance* instance = videoOf(c.thisObject());
            if (!instance || !std::isfinite(value)) return Value();
            instance->setDeblocking(int(std::clamp(value, 0.0, 255.0)));
            for (const auto& stream : m_streams)
                if (stream.get() == instance->source()) stream->setDeblocking(instance->deblocking());
            return Value();
        });
    return object;
}

stage::VideoInstance* NetStreams::videoNamed(stage::MovieClip& parent, const QString& name) const {
    if (m_anyVideo < 0) {
        m_anyVideo = 0;
        for (int id = 0; id <= 0xffff && !m_anyVideo; ++id)
            if (dynamic_cast<const movie::VideoCharacter*>(m_movie.character(quint16(id)))) m_anyVideo = 1;
    }
    if (!m_anyVideo) return nullptr;
    const Qt::CaseSensitivity matching =
        m_machine.swfVersion() >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const auto& [depth, child] : parent.children())
        if (auto* video = dynamic_cast<stage::VideoInstance*>(child.get()))
            if (video->placement().name.compare(name, matching) == 0) return video;
    return nullptr;
}

void NetStreams::status(Stream& stream, const char* code, const char* level) {
    if (!stream.object) return;
    avm1::Object* self = stream.object;
    avm1::Object* info = m_machine.newObject();
    info->setOwn(QStringLiteral("code"), Value(QString::fromLatin1(code)));
    info->setOwn(QStringLiteral("level"), Value(QString::fromLatin1(level)));
    const Value handler = m_machine.getMember(Value(self), QStringLiteral("onStatus"));
    if (handler.asObject() && handler.asObject()->isFunction()) {
        m_machine.callFunction(handler, Value(self), {Value(info)});
        return;
    }
    // Errors no stream listens for go to System.onStatus.
    if (qstrcmp(level, "error") != 0) return;
    const Value system = m_machine.getMember(Value(m_machine.global()), QStringLiteral("System"));
    const Value fallback = m_machine.getMember(system, QStringLiteral("onStatus"));
    if (fallback.asObject() && fallback.asObject()->isFunction())
        m_machine.callFunction(fallback, system, {Value(info)});
}

void NetStreams::startSound(Stream& stream) {
    stopSound(stream);
    if (stream.sound && stream.playing && !stream.paused && !stream.ended && !stream.buffering) {
        stream.voice = m_sounds.startPcmVoice(stream.sound, stream.mediaMs / 1000.0);
        stream.heardMs = m_sounds.voicePositionMs(stream.voice);
        stream.soundMoves = false;
    }
}

void NetStreams::stopSound(Stream& stream) {
    if (stream.voice) m_sounds.stopVoice(stream.voice);
    stream.voice = 0;
}

void NetStreams::start(Stream& stream, double nowMs) {
    // A file from the movie's site plays once its header and first tags have come.
    std::optional<QByteArray> bytes;
    qint64 announced = -1;
    const bool loading = m_player.stillLoading(stream.url);
    if (loading) {
        bytes = m_player.arrivedBesideMovie(stream.url, &announced);
        if (!bytes) return;
        const std::optional<format::FlvFile> probe = format::readStreamFile(*bytes, false);
        if (!probe || !format::canStartPlaying(*probe)) return;
    } else {
        QString fullUrl;
        bytes = m_player.readBesideMovie(stream.url, &fullUrl);
    }
    stream.playAsked = false;
    stream.open = stream.playing = stream.paused = stream.ended = stream.flushed = false;
    stream.loading = stream.buffering = false;
    stream.file = {};
    stream.audio.reset();
    stream.audioFed = 0;
    stream.sound.reset();
    stream.decoder.reset();
    stream.decoderCodec = -1;
    stream.reorderMs = 0;
    stream.nextTag = 0;
    stream.mediaMs = 0;
    std::optional<format::FlvFile> file = bytes ? format::readStreamFile(*bytes, !loading) : std::nullopt;
    if (!file || !format::canStartPlaying(*file)) {
        status(stream, "NetStream.Play.StreamNotFound", "error");
        return;
    }
    stream.file = std::move(*file);
    stream.bytesLoaded = bytes->size();
    stream.bytesTotal = std::max(announced, stream.bytesLoaded);
    bytes.reset(); // the download goes on appending to it
    stream.loading = loading;
    stream.open = true;
    stream.durationMs = 0;
    for (const format::FlvTag& tag : stream.file.tags)
        stream.durationMs = std::max(stream.durationMs, format::flvShownAtMs(tag));
    stream.audio = std::make_unique<media::FlvAudioDecoder>();
    status(stream, "NetStream.Play.Start", "status");
    if (!stream.open || stream.playAsked) return; // the handler closed it or played again
    stream.playing = true;
    stream.hostMs = nowMs;
    if (loading) {
        // It plays once bufferTime of it has come.
        stream.buffering = true;
        takeSound(stream, nowMs);
        return;
    }
    // The whole file is here at once: the buffer fills unless the file is shorter than it.
    if (double(stream.durationMs) >= stream.bufferTime * 1000.0) {
        status(stream, "NetStream.Buffer.Full", "status");
    } else {
        stream.flushed = true;
        status(stream, "NetStream.Buffer.Flush", "status");
    }
    if (!stream.open || stream.playAsked) return;
    takeSound(stream, nowMs);
    stream.hostMs = nowMs;
    startSound(stream);
}

void NetStreams::takeArrived(Stream& stream, double nowMs) {
    if (m_player.stillLoading(stream.url)) {
        qint64 announced = -1;
        const std::optional<QByteArray> bytes = m_player.arrivedBesideMovie(stream.url, &announced);
        if (!bytes || bytes->size() <= stream.bytesLoaded) return;
        format::readMoreStreamFile(*bytes, stream.file, false);
        stream.bytesLoaded = bytes->size();
        stream.bytesTotal = std::max(announced, stream.bytesLoaded);
    } else {
        QString fullUrl;
        if (const std::optional<QByteArray> bytes = m_player.readBesideMovie(stream.url, &fullUrl)) {
            format::readMoreStreamFile(*bytes, stream.file, true);
            stream.bytesLoaded = bytes->size();
        }
        // A download that broke off leaves the file ending where it stands.
        stream.bytesTotal = stream.bytesLoaded;
        stream.loading = false;
    }
    for (size_t i = stream.audioFed; i < stream.file.tags.size(); ++i)
        stream.durationMs = std::max(stream.durationMs, format::flvShownAtMs(stream.file.tags[i]));
    takeSound(stream, nowMs);
}

void NetStreams::takeSound(Stream& stream, double nowMs) {
    if (!stream.audio) return;
    const auto& tags = stream.file.tags;
    for (; stream.audioFed < tags.size(); ++stream.audioFed)
        stream.audio->feed(tags[stream.audioFed]);
    if (!stream.loading) stream.audio->finish();
    const media::PcmBuffer& decoded = stream.audio->sound();
    const qint64 had = stream.sound ? stream.sound->frames() : 0;
    if (decoded.frames() <= had || decoded.rate <= 0) return;
    // Handing the mixer a longer copy costs the whole sound, so a file still loading hands
    // it over in half seconds, or sooner when the voice is about to run out.
    const double hadMs = double(had) * 1000.0 / decoded.rate;
    if (stream.loading && decoded.frames() - had < decoded.rate / 2 && hadMs - stream.timeAt(nowMs) > 1000.0)
        return;
    stream.sound = std::make_shared<const media::PcmBuffer>(decoded);
    if (stream.voice && m_sounds.extendPcmVoice(stream.voice, stream.sound)) return;
    // The voice ran out before more came (or there was none yet): on from where the stream is.
    if (stream.playing && !stream.paused && !stream.buffering && !stream.ended) {
        stream.mediaMs = stream.timeAt(nowMs);
        stream.hostMs = nowMs;
        startSound(stream);
    }
}

void NetStreams::refill(Stream& stream, double nowMs) {
    const bool more = stream.nextTag < stream.file.tags.size();
    const double ahead = double(stream.durationMs) - stream.mediaMs;
    if (stream.loading && !(more && ahead >= stream.bufferTime * 1000.0)) return;
    stream.buffering = false;
    stream.hostMs = nowMs;
    if (!stream.loading && ahead < stream.bufferTime * 1000.0) {
        stream.flushed = true;
        status(stream, "NetStream.Buffer.Flush", "status");
    } else {
        status(stream, "NetStream.Buffer.Full", "status");
    }
    if (!stream.open || stream.playAsked || stream.buffering) return;
    startSound(stream);
}

void NetStreams::seek(Stream& stream, double nowMs) {
    const double target = *stream.seekAsked * 1000.0;
    stream.seekAsked.reset();
    if (!stream.open) return;
    // Pictures can only start again at a key frame: the last one at or before the time.
    const auto& tags = stream.file.tags;
    size_t from = 0;
    bool anyVideo = false;
    for (size_t i = 0; i < tags.size() && double(tags[i].timeMs) <= target; ++i) {
        if (tags[i].type == format::FlvTagType::Video) {
            const auto packet = format::readFlvVideo(tags[i].body);
            if (packet && packet->frameType == 1) from = i;
            anyVideo = true;
        } else if (!anyVideo) {
            from = i;
        }
    }
    stream.nextTag = from;
    stream.mediaMs = from < tags.size() ? double(tags[from].timeMs) : 0.0;
    stream.hostMs = nowMs;
    stream.ended = false;
    if (stream.decoder) stream.decoder->reset();
    status(stream, "NetStream.Seek.Notify", "status");
    startSound(stream);
}

void NetStreams::scriptTag(Stream& stream, const QByteArray& body) {
    const std::vector<format::AmfValue> values = format::readAmf0(body);
    if (values.empty() || values[0].kind != format::AmfValue::Kind::String || !stream.object) return;
    const Value handler = m_machine.getMember(Value(stream.object), values[0].string);
    if (!handler.asObject() || !handler.asObject()->isFunction()) return;
    QVector<Value> args;
    for (size_t i = 1; i < values.size(); ++i)
        args.push_back(fromAmf(m_machine, values[i]));
    m_machine.callFunction(handler, Value(stream.object), args);
}

void NetStreams::advance(Stream& stream, double nowMs) {
    if (!stream.open || !stream.playing || stream.ended) return;
    // While its sound is being played out, the sound is the stream's clock: pictures keep to
    // what is heard even when the movie's frames run late or the device's clock drifts. A
    // mixer nobody drains (drawing frames alone) leaves the movie's time in charge.
    double heard = -1;
    if (stream.voice && !stream.paused) {
        heard = m_sounds.voicePositionMs(stream.voice);
        if (heard >= 0 && heard != stream.heardMs) {
            stream.soundMoves = stream.heardMs >= 0;
            stream.heardMs = heard;
            stream.mediaMs = std::min(heard, double(stream.durationMs));
            stream.hostMs = nowMs;
        }
    }
    double target = stream.paused ? stream.mediaMs : stream.timeAt(nowMs);
    // Between two turns of the device the movie's clock carries the pictures on, but frames
    // run in a burst to catch up after a stall must not run ahead of the sound.
    if (stream.soundMoves && heard >= 0) target = std::min(target, heard + kMaxLeadOfSoundMs);
    const auto& tags = stream.file.tags;
    int decoded = 0;
    while (stream.nextTag < tags.size()) {
        const format::FlvTag& tag = tags[stream.nextTag];
        // Beyond the clock only pictures are decoded, and only as far as they reorder.
        if (double(tag.timeMs) > target && (tag.type == format::FlvTagType::Script ||
                                            double(tag.timeMs) > target + double(stream.reorderMs)))
            break;
        ++stream.nextTag;
        if (tag.type == format::FlvTagType::Script) {
            scriptTag(stream, tag.body);
            if (!stream.open || stream.playAsked || stream.seekAsked) return;
            continue;
        }
        if (tag.type != format::FlvTagType::Video || decoded >= kMaxPicturesPerTick) continue;
        const auto packet = format::readFlvVideo(tag.body);
        if (!packet || packet->frameType == 5) continue;
        if (!stream.decoder || stream.decoderCodec != packet->codec) {
            stream.decoder = std::make_unique<media::VideoDecoder>(packet->codec);
            stream.decoder->setDeblocking(stream.deblocking);
            stream.decoderCodec = packet->codec;
        }
        if (packet->avcPacketType == 0) {
            stream.decoder->configure(packet->packet);
            continue;
        }
        if (packet->avcPacketType == 2) continue;
        const bool reordered = packet->avcPacketType == 1;
        if (reordered) stream.reorderMs = std::clamp<qint64>(packet->compositionMs, stream.reorderMs, 2000);
        QString problem;
        const qint64 shownAt = reordered ? tag.timeMs + std::max(0, packet->compositionMs) : -1;
        if (!stream.decoder->decode(packet->packet, packet->frameType == 1, problem, shownAt)) continue;
        ++decoded;
        stream.trimRight = packet->trimRight;
        stream.trimBottom = packet->trimBottom;
        if (!reordered) stream.showPicture();
    }
    if (stream.decoder && stream.decoderCodec == 7) {
        // The last pictures stay in the decoder until it hears that no more will come.
        if (stream.nextTag >= tags.size() && !stream.loading) stream.decoder->finish();
        if (stream.decoder->present(qint64(target))) stream.showPicture();
    }
    if (!stream.paused) {
        stream.mediaMs = target;
        stream.hostMs = nowMs;
    }
    if (stream.loading && !stream.paused && !stream.buffering && stream.nextTag >= tags.size() &&
        target >= double(stream.durationMs)) {
        // Caught up with the download: the stream waits for more.
        stream.buffering = true;
        stopSound(stream);
        status(stream, "NetStream.Buffer.Empty", "status");
        return;
    }
    if (stream.nextTag >= tags.size() && target >= double(stream.durationMs) && !stream.paused &&
        !stream.loading) {
        stream.ended = true;
        stopSound(stream);
        if (!stream.flushed) {
            stream.flushed = true;
            status(stream, "NetStream.Buffer.Flush", "status");
        }
        status(stream, "NetStream.Play.Stop", "status");
    }
}

void NetStreams::tick(double nowMs) {
    m_nowMs = nowMs;
    // Copies: handlers may make new streams while these run.
    const std::vector<std::shared_ptr<Stream>> streams = m_streams;
    for (const auto& stream : streams) {
        if (stream->playAsked) start(*stream, nowMs);
        if (stream->open && stream->loading) takeArrived(*stream, nowMs);
        if (stream->open && stream->buffering && !stream->playAsked) refill(*stream, nowMs);
        if (stream->seekAsked) seek(*stream, nowMs);
        advance(*stream, nowMs);
        if ((!stream->open || stream->ended) && !stream->playAsked && stream->pinned) {
            if (stream->object) stream->object->unpin();
            stream->pinned = false;
        }
    }
    // Streams whose objects the collector freed are let go.
    std::erase_if(m_streams, [](const std::shared_ptr<Stream>& stream) {
        if (stream->object) return false;
        return true;
    });
}

} // namespace swf::script
