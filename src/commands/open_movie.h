// Opening a movie from the disk through the movie file dialog.
#pragma once

class QWidget;

namespace commands {

// Asks for a movie file and hands the chosen path to the movie control; a cancelled
// dialog changes nothing.
void openLocalMovie(QWidget* parent);

} // namespace commands
