#include "swf/media/wav_writer.h"

#include <QFile>
#include <QtEndian>

namespace swf::media {
namespace {
void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}
void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}
} // namespace

QByteArray wavFile(const std::vector<qint16>& samples, int rate) {
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray out;
    out.reserve(int(44 + dataBytes));
    out.append("RIFF");
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 2);
    put32(out, quint32(rate));
    put32(out, quint32(rate) * 4);
    put16(out, 4);
    put16(out, 16);
    out.append("data");
    put32(out, dataBytes);
    for (qint16 sample : samples)
        put16(out, quint16(sample));
    return out;
}

bool writeWav(const QString& path, const std::vector<qint16>& samples, int rate) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(wavFile(samples, rate)) >= 0;
}

} // namespace swf::media
