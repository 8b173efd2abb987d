// Stream sound for test and benchmark movies: a SoundStreamHead2 and one SoundStreamBlock
// per frame that carries sound, cut the way authoring tools cut them, in PCM, ADPCM or MP3
// (MP3 is encoded by the lame program, when it is installed).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace swftest {

enum class SoundCoding { Adpcm = 1, Mp3 = 2, Pcm = 3 }; // as the format byte stores them

struct StreamTrack {
    SoundCoding coding = SoundCoding::Pcm;
    int rate = 22050; // 5512 (5.5 kHz, 5512.5 exactly), 11025, 22050 or 44100
    bool stereo = false;
    // The sound of the whole timeline from frame 0 (interleaved when stereo). A frame's
    // part is at blockStart(frame); frames that carry no block must be silent here.
    std::vector<qint16> samples;
    std::vector<bool> hasBlock; // per frame
    // Every block holds the same whole number of samples (the frame's share rounded down),
    // as some tools wrote them, so blocks add up to less than the frames' time.
    bool roundedBlocks = false;

    int channels() const { return stereo ? 2 : 1; }
    // The first sample of frame's block, per channel.
    qint64 blockStart(int frame, double frameRate) const;
};

struct StreamTags {
    QByteArray head;                               // SoundStreamHead2 (tag 45) body
    std::vector<std::optional<QByteArray>> blocks; // SoundStreamBlock (tag 19) bodies per frame
    int mp3Delay = 0;                              // samples the MP3 encoder put before the sound
};

// The movie's frame rate as the header stores it (8.8 fixed point).
double storedFrameRate(double frameRate);

// Empty when the coding needs lame and lame is not installed; why in *error.
std::optional<StreamTags> streamTags(const StreamTrack& track, double frameRate, QString* error = nullptr);

// A small movie (version 6, 64 x 48) of nothing but the stream: a head on the first frame
// and a frame per entry of track.hasBlock.
std::optional<QByteArray> streamMovie(const StreamTrack& track, double frameRate, QString* error = nullptr);

// The format's ADPCM (4096-sample packets), for DefineSound data and stream blocks.
QByteArray encodeAdpcm(const std::vector<qint16>& interleaved, int channels, int bits = 4);

// For timing checks: a track with a quiet tone wherever a frame carries a block and a loud
// one (kMarkerLevel) from the exact start of each marked frame for two frames.
constexpr int kMarkerLevel = 16000;
StreamTrack markedTrack(SoundCoding coding, int rate, bool stereo, double frameRate,
                        const std::vector<bool>& hasBlock, const std::vector<int>& markedFrames,
                        bool roundedBlocks = false);
// The first sample at or after from (44.1 kHz stereo frames) louder than half a marker,
// searching up to to; -1 when there is none.
qint64 markerOnset(const std::vector<qint16>& interleavedStereo, qint64 from, qint64 to);

} // namespace swftest
