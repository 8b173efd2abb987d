// Reading one registry value. On Windows this is the registry itself; elsewhere a small
// stand-in answers the few values the program asks for from the desktop's own settings.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

enum class RegistryRoot { Users, CurrentUser, LocalMachine };

// The bytes of value `valueName` under `root`\`subKey`, opening (and, as the system call
// does, creating) the key; nothing when the key cannot be opened or the value not read.
// The value's type is not looked at and nothing in it is expanded.
std::optional<QByteArray> readRegistryValue(RegistryRoot root, const QString& subKey,
                                            const QString& valueName);

// The stand-in's answer for the browser cache folder ("Cache" under the default user's
// shell folders): $XDG_CACHE_HOME when it is an absolute path, else ~/.cache; as 8-bit
// file text with its terminating zero. Nothing when no home folder is known.
std::optional<QByteArray> userCacheFolderValue();

} // namespace platform
