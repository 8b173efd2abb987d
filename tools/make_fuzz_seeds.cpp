// vantrel-make-fuzz-seeds OUT_DIR: writes the seed inputs of every fuzz target, one folder
// per target (OUT_DIR/fuzz_sound/...). MP3 seeds need the lame encoder; without it they are
// left out, and the count printed for fuzz_sound says so.
#include "seeds.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel-make-fuzz-seeds OUT_DIR\n");
        return 2;
    }
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) std::fprintf(stderr, "lame is not installed: no MP3 seeds\n");
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const auto& [target, seeds] : fuzzseeds::makeSeeds(lame)) {
        if (!out.mkpath(target)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(out.filePath(target)));
            return 1;
        }
        for (const fuzzseeds::Seed& seed : seeds) {
            QFile file(out.filePath(target + QLatin1Char('/') + seed.name));
            if (!file.open(QIODevice::WriteOnly) || file.write(seed.bytes) != seed.bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
        std::printf("%s: %zu seeds\n", qPrintable(target), seeds.size());
    }
    return 0;
}
