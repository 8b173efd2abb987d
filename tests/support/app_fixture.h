// Shared set-up for tests of the windows: a temporary program folder, answered message
// boxes and dialogs, a recorded end of program, and a clean slate of windows per test.
#pragma once

#include "app/main_window.h"
#include "platform/file_dialog.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "platform/shell.h"
#include "platform/twips.h"
#include "player/play_window.h"
#include "playlist/play_list_window.h"
#include "support/file_bytes.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct AppFixture {
    std::unique_ptr<QTemporaryDir> folder;
    QList<platform::MessageRequest> messages;
    platform::MessageResult answer = platform::MessageResult::No;
    QStringList shellRequests;
    QStringList dialogAnswers; // taken in order; an empty answer cancels
    QList<platform::FileDialogRequest> dialogs;
    int endRequests = 0;

    void setUp() {
        closeAllWindows();
        folder = std::make_unique<QTemporaryDir>();
        platform::setProgramFolderForTesting(folder->path());
        twips::setDpiForTesting(96);
        messages.clear();
        shellRequests.clear();
        dialogAnswers.clear();
        dialogs.clear();
        endRequests = 0;
        answer = platform::MessageResult::No;
        platform::setMessageHandler([this](const platform::MessageRequest& request) {
            messages << request;
            return request.buttons == platform::MessageButtons::Ok ? platform::MessageResult::Ok : answer;
        });
        platform::setShellHandler([this](const QString& target) {
            shellRequests << target;
            return true;
        });
        platform::setFileDialogHandler([this](const platform::FileDialogRequest& request) {
            dialogs << request;
            return dialogAnswers.isEmpty() ? QString() : dialogAnswers.takeFirst();
        });
        Form1::setEndProgramHandler([this] { ++endRequests; });
    }

    void tearDown() {
        closeAllWindows();
        platform::setMessageHandler({});
        platform::setShellHandler({});
        platform::setFileDialogHandler({});
        Form1::setEndProgramHandler({});
        platform::setProgramFolderForTesting(QString());
        folder.reset();
    }

    QString iniPath() const { return folder->filePath(QStringLiteral("Vantrel.ini")); }

    void writeIni(const QByteArray& content) const { writeBytes(iniPath(), content); }
    QByteArray readIni() const { return readBytes(iniPath()); }

    // Destroys every window outright (no unload handling), as between program runs.
    static void closeAllWindows() {
        delete forms::loaded<Form3>();
        delete forms::loaded<Form2>();
        delete forms::loaded<Form1>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Lets queued events (the control's ready-state events, deferred deletes) through.
    static void settle() {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
};
