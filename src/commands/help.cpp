// Form1's help and tools menu commands, and the maker's addresses.
#include "commands/help.h"

#include "app/main_window.h"
#include "commands/about_window.h"
#include "commands/basic_settings_window.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "platform/shell.h"
#include "resources/string_table.h"
#include "search/search_run.h"
#include "search/search_window.h"

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

namespace {
template <class F> void showForm() {
    F* form = forms::get<F>();
    form->show();
    form->raise();
    form->activateWindow();
}
} // namespace

void Form1::munhelpz_Click() {
    platform::shellOpen(platform::programFile(QStringLiteral("readme.txt")));
}
void Form1::munhelpfaq_Click() {
    platform::shellOpen(commands::makerWebAddress());
}
void Form1::munhelpgoweb_Click() {
    platform::shellOpen(commands::makerWebAddress());
}
void Form1::munhelpmail_Click() {
    platform::shellOpen(commands::makerMailUrl());
}
void Form1::munhelpabout_Click() {
    showForm<frmabout>();
}
void Form1::muntoopc_Click() {
    search::showSearchDialog();
}
void Form1::muninj_Click() {
    showForm<Form8>();
}
