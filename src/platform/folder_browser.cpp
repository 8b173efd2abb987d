#include "platform/folder_browser.h"

#include <QDir>
#include <QFileDialog>

namespace platform {
namespace {
FolderBrowserHandler& handler() {
    static FolderBrowserHandler instance;
    return instance;
}
} // namespace

QString browseForFolder(QWidget* parent) {
    if (handler()) return handler()();
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, QString(), QString(), QFileDialog::ShowDirsOnly);
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

void setFolderBrowserHandler(FolderBrowserHandler value) {
    handler() = std::move(value);
}

} // namespace platform
