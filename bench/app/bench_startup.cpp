// Time from program start to the main window shown, with the list window and a
// remembered list of 1,000 entries, the way a user starts the player.
#include "app/main_window.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "playlist/list_file.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    QElapsedTimer timer;
    timer.start();
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    platform::setProgramFolderForTesting(folder.path());
    QStringList entries;
    for (int i = 0; i < 1000; ++i)
        entries << QStringLiteral("/movies/%1.swf").arg(i);
    const QString list = folder.filePath(QStringLiteral("l.vtl"));
    SaveList(list, entries);
    QFile ini(folder.filePath(QStringLiteral("Vantrel.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[listfile]\r\nsavepath=" + list.toUtf8() + "\r\n[fileplaywindow]\r\nshow=1\r\n");
    ini.close();
    const double appMs = timer.nsecsElapsed() / 1e6;
    Form1* main = forms::get<Form1>();
    QCoreApplication::processEvents();
    const double shownMs = timer.nsecsElapsed() / 1e6;
    std::printf("startup qapplication_ms=%.1f main_window_shown_ms=%.1f visible=%d\n", appMs, shownMs,
                main->isVisible() ? 1 : 0);
    return 0;
}
