// Incremental, bounded decompression of the zlib and LZMA bodies of compressed movies, and
// one-shot zlib inflate for bitmap data. Output never grows past the caller's limit.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

namespace swf::io {

// The LZMA decoder allocates its whole window up front, sized by the stream's header;
// a hostile header could ask for gigabytes.
constexpr quint64 kMaxLzmaMemory = 320ull * 1024 * 1024;

class StreamInflater {
  public:
    enum class Status { NeedMore, Finished, Failed };

    virtual ~StreamInflater() = default;
    // Appends what the input decompresses to into out, never making out longer than limit.
    virtual Status feed(QByteArrayView input, QByteArray& out, qsizetype limit) = 0;

    static std::unique_ptr<StreamInflater> zlib();
    // The body of a "ZWS" movie: 5 property bytes followed by raw LZMA data. The decoder's
    // window never needs to exceed what it will produce, so it is capped at outputSize.
    static std::unique_ptr<StreamInflater> lzmaSwf(qint64 outputSize);
};

// Inflates a whole zlib stream, keeping at most limit bytes. Returns false on corrupt or
// unfinished data; out then holds what could be recovered.
bool inflateZlib(QByteArrayView input, QByteArray& out, qsizetype limit);

} // namespace swf::io
