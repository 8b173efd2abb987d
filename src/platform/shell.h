// Opening a document or address with the desktop's default handler. Tests record the
// requests through a handler instead of launching anything.
#pragma once

#include <QString>

#include <functional>

namespace platform {

// A local path or an http, https or mailto address. Returns whether the desktop took it.
bool shellOpen(const QString& pathOrUrl);

using ShellHandler = std::function<bool(const QString&)>;
void setShellHandler(ShellHandler handler);

} // namespace platform
