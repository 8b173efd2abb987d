#include "platform/message_box.h"

#include <QMessageBox>

namespace platform {
namespace {
MessageHandler& handler() {
    static MessageHandler instance;
    return instance;
}
} // namespace

QString programTitle() {
    return QStringLiteral("Vantrel");
}

MessageResult messageBox(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                         MessageResult defaultButton) {
    const MessageRequest request{text, programTitle(), buttons, icon, defaultButton};
    if (handler()) return handler()(request);

    QMessageBox box(parent);
    box.setWindowTitle(request.title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == MessageResult::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageResult::Ok;
}

void setMessageHandler(MessageHandler value) {
    handler() = std::move(value);
}

} // namespace platform
