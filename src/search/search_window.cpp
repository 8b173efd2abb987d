#include "search/search_window.h"

#include "platform/forms.h"
#include <QCloseEvent>

#include "platform/twips.h"
#include "resources/string_table.h"

Form9::Form9() {
    setObjectName(QStringLiteral("Form9"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(5000), twips::toPixels(2130));
}

Form9::~Form9() = default;

void Form9::Form_Load() { setWindowTitle(resources::text(121)); }

void Form9::closeEvent(QCloseEvent* event) {
    event->accept();
    forms::detach(this);
}
