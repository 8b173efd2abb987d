// The system's folder chooser. Tests answer it through a handler.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

// The full path of the chosen folder (no trailing separator except on a drive root or "/"),
// or an empty text when the user cancelled or chose nothing of the file system.
QString browseForFolder(QWidget* parent);

using FolderBrowserHandler = std::function<QString()>;
void setFolderBrowserHandler(FolderBrowserHandler handler);

} // namespace platform
