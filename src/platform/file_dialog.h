// The open and save dialogs. Callers pass the classic filter text
// ("description|pattern|description|pattern"); it becomes the dialog's own form here.
// Tests answer dialogs through a handler.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

namespace platform {

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString filter;     // classic form
    QString initialDir; // may not exist
    QString fileName;   // proposed name, empty for none
};

// Qt's filter list from the classic form: each description followed by its real patterns
// in brackets (the dialog hides that last group, showing the description as it stands).
QString dialogFilter(const QString& classicFilter);

// The dialog showFileDialog runs, ready to show.
std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, const FileDialogRequest& request);

// The chosen full path, or an empty text when the dialog was cancelled. An open dialog
// accepts a typed name of a file that does not exist; a save dialog does not ask before
// replacing a file.
QString showFileDialog(QWidget* parent, const FileDialogRequest& request);

using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
void setFileDialogHandler(FileDialogHandler handler);

} // namespace platform
