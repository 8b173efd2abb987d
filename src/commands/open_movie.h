// Opening a movie from the disk: the movie file dialog, its filter and start folder.
#pragma once

#include <QString>

class QWidget;

namespace commands {

// The filter of every movie file dialog, in the classic "description|pattern" form.
QString movieFilter();
// The start folder of the movie dialogs: "my flash movie" beside the program.
QString movieFolder();

// Asks for a movie file and hands the chosen path to the movie control; a cancelled
// dialog changes nothing.
void openLocalMovie(QWidget* parent);

} // namespace commands
