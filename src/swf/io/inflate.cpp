// zlib and liblzma behind one incremental interface.
#include "swf/io/inflate.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <array>

namespace swf::io {
namespace {

constexpr qsizetype kChunk = 64 * 1024;

class ZlibInflater final : public StreamInflater {
  public:
    ZlibInflater() { m_initialized = m_ok = inflateInit(&m_stream) == Z_OK; }
    ~ZlibInflater() override {
        if (m_initialized) inflateEnd(&m_stream);
    }

    Status feed(QByteArrayView input, QByteArray& out, qsizetype limit) override {
        if (!m_ok) return Status::Failed;
        if (m_finished) return Status::Finished;
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        m_stream.avail_in = static_cast<uInt>(input.size());
        std::array<char, kChunk> buffer;
        while (true) {
            m_stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            m_stream.avail_out = static_cast<uInt>(buffer.size());
            const int rc = inflate(&m_stream, Z_NO_FLUSH);
            const qsizetype produced = buffer.size() - m_stream.avail_out;
            const qsizetype room = std::max<qsizetype>(0, limit - out.size());
            out.append(buffer.data(), std::min(produced, room));
            if (produced > room) {
                m_finished = true; // everything the caller wants is in
                return Status::Finished;
            }
            if (rc == Z_STREAM_END) {
                m_finished = true;
                return Status::Finished;
            }
            if (rc == Z_BUF_ERROR || (rc == Z_OK && m_stream.avail_in == 0 && m_stream.avail_out != 0))
                return Status::NeedMore;
            if (rc != Z_OK) {
                m_ok = false;
                return Status::Failed;
            }
        }
    }

  private:
    z_stream m_stream{};
    bool m_initialized = false;
    bool m_ok = false;
    bool m_finished = false;
};

class LzmaInflater final : public StreamInflater {
  public:
    explicit LzmaInflater(qint64 outputSize) : m_outputSize(outputSize) {}
    ~LzmaInflater() override {
        if (m_started) lzma_end(&m_stream);
    }

    Status feed(QByteArrayView input, QByteArray& out, qsizetype limit) override {
        if (m_failed) return Status::Failed;
        if (m_finished) return Status::Finished;
        if (!m_started) {
            // The movie stores only the 5 property bytes; the .lzma container the decoder
            // reads wants them followed by a 64-bit size, which we leave "unknown" so data
            // with or without an end marker both decode.
            const qsizetype want = std::min<qsizetype>(5 - m_properties.size(), input.size());
            m_properties.append(input.first(want));
            input = input.sliced(want);
            if (m_properties.size() < 5) return Status::NeedMore;
            capDictionary();
            if (lzma_alone_decoder(&m_stream, kMaxLzmaMemory) != LZMA_OK) return fail();
            m_started = true;
            QByteArray header = m_properties + QByteArray(8, char(0xff));
            if (run(header, out, limit) == Status::Failed) return Status::Failed;
        }
        return run(input, out, limit);
    }

  private:
    Status fail() {
        m_failed = true;
        return Status::Failed;
    }

    // Bytes 1-4 of the properties hold the window size.
    void capDictionary() {
        quint64 size = 0;
        for (int i = 0; i < 4; ++i)
            size |= quint64(quint8(m_properties[1 + i])) << (8 * i);
        const quint64 cap = std::max<qint64>(m_outputSize, 1 << 20);
        if (size <= cap) return;
        for (int i = 0; i < 4; ++i)
            m_properties[1 + i] = static_cast<char>((cap >> (8 * i)) & 0xff);
    }

    Status run(QByteArrayView input, QByteArray& out, qsizetype limit) {
        m_stream.next_in = reinterpret_cast<const uint8_t*>(input.data());
        m_stream.avail_in = static_cast<size_t>(input.size());
        std::array<char, kChunk> buffer;
        while (true) {
            m_stream.next_out = reinterpret_cast<uint8_t*>(buffer.data());
            m_stream.avail_out = buffer.size();
            const lzma_ret rc = lzma_code(&m_stream, LZMA_RUN);
            const qsizetype produced = buffer.size() - m_stream.avail_out;
            const qsizetype room = std::max<qsizetype>(0, limit - out.size());
            out.append(buffer.data(), std::min(produced, room));
            if (produced > room || rc == LZMA_STREAM_END) {
                m_finished = true;
                return Status::Finished;
            }
            if (rc == LZMA_BUF_ERROR) return Status::NeedMore;
            if (rc != LZMA_OK) return fail();
            if (m_stream.avail_in == 0 && m_stream.avail_out != 0) return Status::NeedMore;
        }
    }

    lzma_stream m_stream = LZMA_STREAM_INIT;
    qint64 m_outputSize;
    QByteArray m_properties;
    bool m_started = false;
    bool m_failed = false;
    bool m_finished = false;
};

} // namespace

std::unique_ptr<StreamInflater> StreamInflater::zlib() {
    return std::make_unique<ZlibInflater>();
}
std::unique_ptr<StreamInflater> StreamInflater::lzmaSwf(qint64 outputSize) {
    return std::make_unique<LzmaInflater>(outputSize);
}

bool inflateZlib(QByteArrayView input, QByteArray& out, qsizetype limit) {
    ZlibInflater inflater;
    return inflater.feed(input, out, limit) == StreamInflater::Status::Finished;
}

} // namespace swf::io
