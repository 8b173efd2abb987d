#include "commands/open_movie.h"

#include "app/main_window.h"
#include "platform/file_dialog.h"
#include "platform/program_folder.h"
#include "player/shockwave_flash.h"

#include <QDir>

namespace commands {

QString movieFilter() {
    return QStringLiteral(
        "Flash Player movie (*.swf)|*.swf|Flash Movie (* .fla)|*.fla|Flash exe Movie(*.exe)|*.exe");
}

QString movieFolder() {
    return QDir(platform::programFolder()).filePath(QStringLiteral("my flash movie"));
}

void openLocalMovie(QWidget* parent) {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.filter = movieFilter();
    request.initialDir = movieFolder();
    const QString path = platform::showFileDialog(parent, request);
    if (path.isEmpty()) return;
    Form1::sw()->setMovie(path);
}

} // namespace commands
