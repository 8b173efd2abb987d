// Seed inputs for the fuzz targets, written with our own movie writer and action assembler:
// small, valid examples of every kind of input each target takes, so the fuzzers start from
// inputs that reach deep into the decoders instead of being refused at the first byte.
#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace fuzzseeds {

struct Seed {
    QString name;
    QByteArray bytes;
};

// Target name (fuzz_load_render, fuzz_avm1, ...) to its seeds.
using SeedSets = std::map<QString, std::vector<Seed>>;

// MP3 seeds are encoded by the lame program at lamePath; without it there are none.
SeedSets makeSeeds(const QString& lamePath);

} // namespace fuzzseeds
