// Vantrel: a player for Flash movies. Creating the main window starts the program.
#include "app/main_window.h"
#include "platform/forms.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(VANTREL_VERSION_MAJOR).arg(VANTREL_VERSION_MINOR));
    // The side windows are tool windows; the program ends by its exit command, not when
    // the last window happens to close.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own dialogs (files, message box buttons) speak the interface's language too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    forms::get<Form1>();
    return QApplication::exec();
}
