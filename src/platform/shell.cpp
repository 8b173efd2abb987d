#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {
namespace {
ShellHandler& handler() {
    static ShellHandler instance;
    return instance;
}
} // namespace

bool shellOpen(const QString& pathOrUrl) {
    if (handler()) return handler()(pathOrUrl);
    const QUrl url = QUrl::fromUserInput(pathOrUrl);
    const QString scheme = url.scheme().toLower();
    // Only documents and web or mail addresses are handed on: nothing here ever runs a program.
    if (scheme == QLatin1String("file")) {
        const QFileInfo info(url.toLocalFile());
        if (info.isFile() && info.isExecutable()) return false;
    } else if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
               scheme != QLatin1String("mailto")) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

void setShellHandler(ShellHandler value) {
    handler() = std::move(value);
}

} // namespace platform
