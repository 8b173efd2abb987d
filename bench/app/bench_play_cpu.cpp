// The share of one core the player takes to play a movie at its own frame rate in a play
// window: the real control, its clock, drawing into the window, for a fixed time.
//   bench_play_cpu [MOVIE] [SECONDS]   (default: the corpus's airport.swf for 20 s)
#include "player/shockwave_flash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char* argv[]) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString movie =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VANTREL_CORPUS_DIR "/real/airport.swf");
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    if (!QFileInfo::exists(movie)) {
        std::printf("play_cpu skipped: %s is missing\n", qPrintable(movie));
        return 0;
    }
    ShockwaveFlash control;
    control.resize(500, 300);
    control.show();
    control.setMovie(movie);
    // Loading and the first frames are not what is measured: a second to settle first.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        app.processEvents(QEventLoop::AllEvents, 50);
    const int firstFrame = control.FrameNum();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    std::printf(
        "play_cpu movie=%s seconds=%.1f frames_advanced=%d cpu_seconds=%.2f share_of_one_core=%.1f%%\n",
        qPrintable(QFileInfo(movie).fileName()), elapsed, control.FrameNum() - firstFrame, cpu,
        100.0 * cpu / elapsed);
    return 0;
}
