// Helpers of the search tests: folder trees built in temporary folders, and a clean slate
// of the search windows, their state and their platform stand-ins around every test.
#pragma once

#include "support/app_fixture.h"

#include "platform/drive_list.h"
#include "platform/folder_browser.h"
#include "search/progress_window.h"
#include "search/search_run.h"
#include "search/search_window.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>

// Creates `relativePaths` under `root`: a path ending in "/" is a folder, any other a file.
inline void makeTree(const QString& root, const QStringList& relativePaths) {
    for (const QString& relative : relativePaths) {
        const QString path = QDir(root).filePath(relative);
        if (relative.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }
}

struct SearchFixture : AppFixture {
    void setUp() {
        closeSearchWindows();
        AppFixture::setUp();
        search::state() = search::SearchState{};
    }

    void tearDown() {
        closeSearchWindows();
        search::setYieldHookForTesting({});
        platform::setDriveListForTesting({});
        platform::setFolderBrowserHandler({});
        search::state() = search::SearchState{};
        AppFixture::tearDown();
    }

    static void closeSearchWindows() {
        delete forms::loaded<Form10>();
        delete forms::loaded<Form9>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The search dialog set to the folder mode on `folder`, as a user would choose it.
    static Form9* dialogForFolder(const QString& folder) {
        Form9* dialog = forms::get<Form9>();
        dialog->Combo1->setCurrentIndex(2);
        dialog->Combo1_Click();
        dialog->Text1->setText(folder);
        return dialog;
    }

    static QStringList playList() {
        Form2* list = forms::loaded<Form2>();
        return list ? list->entries() : QStringList();
    }
};
