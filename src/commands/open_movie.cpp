#include "commands/open_movie.h"

#include "platform/file_dialog.h"
#include "player/movie_files.h"
#include "player/play_window.h"
#include "player/shockwave_flash.h"

namespace commands {

void openLocalMovie(QWidget* parent) {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.filter = movieFileFilter();
    request.initialDir = movieFolder();
    const QString path = platform::showFileDialog(parent, request);
    if (path.isEmpty()) return;
    Form3::control()->setMovie(path);
}

} // namespace commands
