// Message boxes with the program's title. Tests answer them through a handler instead
// of a modal dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageResult { Ok, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageResult defaultButton = MessageResult::Ok;
};

// The program's name, the caption of every message box.
QString programTitle();

MessageResult messageBox(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                         MessageResult defaultButton);

// Replaces the dialog with a function (tests); an empty function restores the dialog.
using MessageHandler = std::function<MessageResult(const MessageRequest&)>;
void setMessageHandler(MessageHandler handler);

} // namespace platform
