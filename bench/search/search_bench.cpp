// Times a search run of the folder mode over a generated tree (200,000 files in 10,000
// folders, one in ten a movie) against `find DIR -name '*.swf'` on the same tree, and
// watches how often the progress box repaints while the run walks.
//
//   search_bench [folders-per-top] — run with QT_QPA_PLATFORM=offscreen or on a display.
// Prints the figures and "search_bench: PASS" when the run takes at most 3 times as long
// as find and the box repaints at least 10 times a second; exits non-zero otherwise.
#include "platform/forms.h"
#include "playlist/play_list_window.h"
#include "search/progress_window.h"
#include "search/search_run.h"
#include "search/search_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int kTopFolders = 100;
constexpr int kFoldersPerTop = 100; // the top folder and 99 below it
constexpr int kFilesPerFolder = 20;

// Writes the tree; returns the number of movies in it.
int makeTree(const QString& root) {
    int movies = 0;
    // Two movies in every twenty files, in both letter cases, among near misses.
    const char* const kExtensions[kFilesPerFolder] = {
        ".txt", ".jpg", ".swf.bak", ".html", ".SWF", ".dat", ".png", ".js",  ".css", "swf",
        ".gif", ".xml", ".ini",     ".swf",  ".mp3", ".fla", ".bmp", ".exe", ".doc", ".zip"};
    for (int top = 0; top < kTopFolders; ++top) {
        const QString topPath = root + QStringLiteral("/t%1").arg(top);
        for (int sub = 0; sub < kFoldersPerTop; ++sub) {
            const QString folder = sub == 0 ? topPath : topPath + QStringLiteral("/s%1").arg(sub);
            QDir().mkpath(folder);
            for (int file = 0; file < kFilesPerFolder; ++file) {
                const char* extension = kExtensions[file];
                if (file == 4 || file == 13) ++movies;
                QFile out(folder + QStringLiteral("/f%1").arg(file) + QLatin1String(extension));
                out.open(QIODevice::WriteOnly);
            }
        }
    }
    return movies;
}

double timeFind(const QString& root) {
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-name"), QStringLiteral("*.swf")});
    find.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

// Records when any part of the progress box paints.
class PaintWatch : public QObject {
  public:
    std::vector<qint64> times;
    QElapsedTimer clock;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window()->objectName() == QLatin1String("Form10"))
                times.push_back(clock.nsecsElapsed());
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString root = dir.path();
    std::printf("generating %d files in %d folders under %s ...\n",
                kTopFolders * kFoldersPerTop * kFilesPerFolder, kTopFolders * kFoldersPerTop,
                qPrintable(root));
    const int movies = makeTree(root);
    // find "-name '*.swf'" is case-sensitive; the run's test is not: count both.
    timeFind(root); // warms the cache for both contenders
    const double findSeconds = timeFind(root);

    PaintWatch watch;
    app.installEventFilter(&watch);
    Form9* dialog = forms::get<Form9>();
    dialog->Combo1->setCurrentIndex(2);
    dialog->Combo1_Click();
    dialog->Text1->setText(root);
    watch.clock.start();
    dialog->Command1_Click();
    const double runSeconds = watch.clock.nsecsElapsed() / 1e9;
    app.removeEventFilter(&watch);

    const qint64 found = search::state().index;
    const int files = kTopFolders * kFoldersPerTop * kFilesPerFolder;
    qint64 longestGap = 0;
    qint64 previous = 0;
    for (qint64 time : watch.times) {
        longestGap = std::max(longestGap, time - previous);
        previous = time;
    }
    longestGap = std::max(longestGap, qint64(runSeconds * 1e9) - previous);
    const double ratio = runSeconds / findSeconds;
    const double paintsPerSecond = watch.times.size() / runSeconds;
    std::printf("find:        %.3f s (%.0f files/s)\n", findSeconds, files / findSeconds);
    std::printf("search run:  %.3f s (%.0f files/s), %lld of %d movies appended\n", runSeconds,
                files / runSeconds, static_cast<long long>(found), movies);
    std::printf("ratio:       %.2f (limit 3)\n", ratio);
    std::printf("repaints:    %zu (%.0f a second), longest gap %.1f ms (limit 100)\n", watch.times.size(),
                paintsPerSecond, longestGap / 1e6);
    const bool pass = ratio <= 3.0 && longestGap <= 100'000'000 && found == movies;
    std::printf("search_bench: %s\n", pass ? "PASS" : "FAIL");
    forms::unload<Form10>();
    return pass ? 0 : 1;
}
