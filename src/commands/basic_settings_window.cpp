#include "commands/basic_settings_window.h"

#include "platform/forms.h"
#include <QCloseEvent>

#include "platform/twips.h"
#include "resources/string_table.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTabBar>

Form8::Form8() {
    setObjectName(QStringLiteral("Form8"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(twips::toPixels(5190), twips::toPixels(3345));
    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QString());
    twips::place(TabStrip1, 60, 60, 5115, 300);
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    twips::place(Frame1, 120, 360, 4995, 2415);
    Command2 = new QPushButton(this);
    Command2->setObjectName(QStringLiteral("Command2"));
    twips::place(Command2, 3060, 2940, 915, 375);
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    twips::place(Command1, 4140, 2940, 915, 375);
}

Form8::~Form8() = default;

void Form8::Form_Load() {
    setWindowTitle(resources::text(118));
    Command2->setText(resources::text(119));
    Command1->setText(resources::text(120));
}

void Form8::closeEvent(QCloseEvent* event) {
    event->accept();
    forms::detach(this);
}
