#include "platform/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {
namespace {
FileDialogHandler& handler() {
    static FileDialogHandler instance;
    return instance;
}
} // namespace

QString dialogFilter(const QString& classicFilter) {
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the last bracketed group, and the dialog hides that group
        // (HideNameFilterDetails), so the user sees each description exactly as written while
        // the filter matches only its real patterns, whatever brackets the description holds.
        filters << parts[i] + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, const FileDialogRequest& request) {
    const QString title =
        request.kind == FileDialogKind::Save ? QStringLiteral("保存") : QStringLiteral("打开");
    auto dialog = std::make_unique<QFileDialog>(parent, title, request.initialDir);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setNameFilter(dialogFilter(request.filter));
    if (!request.fileName.isEmpty()) dialog->selectFile(request.fileName);
    if (request.kind == FileDialogKind::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog->setFileMode(QFileDialog::AnyFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::AnyFile);
    }
    return dialog;
}

QString showFileDialog(QWidget* parent, const FileDialogRequest& request) {
    if (handler()) return handler()(request);
    const std::unique_ptr<QFileDialog> dialog = makeFileDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
    return dialog->selectedFiles().constFirst();
}

void setFileDialogHandler(FileDialogHandler value) {
    handler() = std::move(value);
}

} // namespace platform
