// Vantrel: a player for Flash movies. Creating the main window starts the program; movies and
// lists named on the command line open once it is up, or go to the Vantrel already running.
#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/forms.h"
#include "player/shockwave_flash.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

int main(int argc, char* argv[]) {
    ShockwaveFlash::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(VANTREL_VERSION_MAJOR).arg(VANTREL_VERSION_MINOR));
    const CommandLine line = parseCommandLine(QCoreApplication::arguments(), QDir::currentPath());
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s\n%s", qPrintable(line.error), qPrintable(commandLineHelp()));
        return 2;
    }
    if (line.help) {
        std::fputs(qPrintable(commandLineHelp()), stdout);
        return 0;
    }
    if (line.version) {
        std::fputs(qPrintable(versionText()), stdout);
        return 0;
    }
    // One player: a second start hands its files over and ends.
    SingleInstance instance;
    if (instance.handOver(line.items)) return 0;
    instance.listen();

    // The side windows are tool windows; the program ends by its exit command, not when
    // the last window happens to close.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own dialogs (files, message box buttons) speak the interface's language too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    Form1* main = forms::get<Form1>();
    QObject::connect(&instance, &SingleInstance::itemsReceived, main, [](const QStringList& items) {
        Form1* window = forms::get<Form1>();
        window->bringToFront();
        if (!items.isEmpty()) window->openFiles(items);
    });
    if (!line.items.isEmpty())
        QTimer::singleShot(0, main, [items = line.items] { forms::get<Form1>()->openFiles(items); });
    return QApplication::exec();
}
