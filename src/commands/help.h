// The maker's addresses that the help menu and the About box open.
#pragma once

#include <QString>

namespace commands {

QString makerWebAddress();
QString makerMailAddress();
QString makerMailUrl(); // "mailto:" and the address

} // namespace commands
