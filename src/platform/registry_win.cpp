// The registry through the system's own calls: RegCreateKeyA opens the key (creating it when
// it does not exist), RegQueryValueExA asks for the size and then the bytes.
#include "platform/registry.h"

#ifdef Q_OS_WIN
#include "platform/text_codec.h"

#include <windows.h>

namespace platform {

std::optional<QByteArray> readRegistryValue(RegistryRoot root, const QString& subKey,
                                            const QString& valueName) {
    HKEY rootKey = HKEY_USERS;
    if (root == RegistryRoot::CurrentUser) rootKey = HKEY_CURRENT_USER;
    if (root == RegistryRoot::LocalMachine) rootKey = HKEY_LOCAL_MACHINE;
    const QByteArray keyPath = toLocal8(subKey);
    const QByteArray name = toLocal8(valueName);
    HKEY key = nullptr;
    if (RegCreateKeyA(rootKey, keyPath.constData(), &key) != ERROR_SUCCESS) return std::nullopt;
    std::optional<QByteArray> result;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.constData(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        QByteArray bytes(qsizetype(size), '\0');
        if (RegQueryValueExA(key, name.constData(), nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()),
                             &size) == ERROR_SUCCESS)
            result = bytes.left(qsizetype(size));
    }
    RegCloseKey(key);
    return result;
}

} // namespace platform
#endif
