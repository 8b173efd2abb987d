// 44.1 kHz 16-bit stereo WAV files of mixed sound, for the headless renderer and tests.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace swf::media {

QByteArray wavFile(const std::vector<qint16>& interleavedStereo, int rate = 44100);
bool writeWav(const QString& path, const std::vector<qint16>& interleavedStereo, int rate = 44100);

} // namespace swf::media
