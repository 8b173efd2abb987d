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
        const QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last bracketed group; keep the description as
        // written and add the real patterns only when the description does not end in them.
        if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

QString showFileDialog(QWidget* parent, const FileDialogRequest& request) {
    if (handler()) return handler()(request);
    const QString title =
        request.kind == FileDialogKind::Save ? QStringLiteral("保存") : QStringLiteral("打开");
    QFileDialog dialog(parent, title, request.initialDir, dialogFilter(request.filter));
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

void setFileDialogHandler(FileDialogHandler value) {
    handler() = std::move(value);
}

} // namespace platform
