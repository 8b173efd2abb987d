// The maker's addresses that the help menu and the About box open.
#include "commands/help.h"

#include "resources/string_table.h"

namespace commands {

QString makerWebAddress() {
    return resources::text(152);
}
QString makerMailAddress() {
    return resources::text(151);
}
QString makerMailUrl() {
    return QStringLiteral("mailto:") + makerMailAddress();
}

} // namespace commands
