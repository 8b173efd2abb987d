// Saves and loads a play list of 100,000 entries through the list file store, and fills
// the play list window with it, printing the times the README quotes.
#include "app/main_window.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "playlist/list_file.h"
#include "playlist/play_list_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir folder;
    platform::setProgramFolderForTesting(folder.path());
    constexpr int kEntries = 100000;
    QStringList entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i)
        entries << QStringLiteral("D:\\动画\\合集%1\\第%2集 - 经典动画.swf").arg(i / 100).arg(i);
    const QString path = folder.filePath(QStringLiteral("big.vtl"));

    QElapsedTimer timer;
    timer.start();
    const ListResult saved = SaveList(path, entries);
    const double saveMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const ListResult loaded = LoadList(path);
    const double loadMs = timer.nsecsElapsed() / 1e6;
    if (!saved.ok || !loaded.ok || loaded.entries != entries) {
        std::fprintf(stderr, "round trip failed\n");
        return 1;
    }
    timer.restart();
    Form2* list = forms::get<Form2>();
    list->List1->addItems(loaded.entries);
    list->show();
    QCoreApplication::processEvents();
    const double showMs = timer.nsecsElapsed() / 1e6;
    std::printf("list entries=%d bytes=%lld save_ms=%.1f load_ms=%.1f window_fill_ms=%.1f\n", kEntries,
                static_cast<long long>(QFileInfo(path).size()), saveMs, loadMs, showMs);
    return 0;
}
