#include "search/search_run.h"

#include "platform/forms.h"
#include "platform/number_text.h"
#include "platform/registry.h"
#include "platform/text_codec.h"
#include "playlist/play_list_window.h"
#include "resources/string_table.h"
#include "search/progress_window.h"
#include "search/search_walk.h"
#include "search/search_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

namespace search {
namespace {

const QString& cacheStatusLine() {
    static const QString text = QStringLiteral("正在查找c:\\windows\\temporary internet files...");
    return text;
}

std::function<void()>& yieldHook() {
    static std::function<void()> hook;
    return hook;
}

// The hourglass over all windows for the length of one walk, restored however it ends.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void setStatusLine(const QString& text) {
    if (Form10* box = forms::loaded<Form10>()) box->Label1->setText(text);
}

// Writes the walk's progress into the progress box and the matches into the play list. The
// box and the list are reached by name each time: either may be closed during a yield.
class RunReporter final : public WalkObserver {
  public:
    explicit RunReporter(bool includeSubfolders) : m_includeSubfolders(includeSubfolders) {}

    bool stopRequested() override { return state().ding; }

    bool includeSubfolders() override {
        if (Form9* dialog = forms::loaded<Form9>()) m_includeSubfolders = dialog->Check1->isChecked();
        return m_includeSubfolders;
    }

    void folderStarted(const QString& folderPath) override {
        m_statusLine = QStringLiteral("请稍后，正在查找") + folderPath + QStringLiteral("...");
    }

    void fileExamined(const QString& matchPath) override {
        if (!matchPath.isEmpty()) {
            forms::get<Form2>()->appendEntry(matchPath);
            ++state().index;
            m_countLine.clear();
        }
        if (m_countLine.isEmpty()) m_countLine = countLine(state().index);
        // The texts are set for every file; QLabel ignores a text equal to the one shown,
        // so only a new folder or a new match costs a repaint.
        if (Form10* box = forms::loaded<Form10>()) {
            box->Label1->setText(m_statusLine);
            box->Label2->setText(m_countLine);
        }
        eventYield();
    }

  private:
    // One yield per file, as the run promises; the pending events are let through only when
    // kYieldIntervalMs have passed since the last pass (always at the first file), so a
    // press of "停止" is seen within a few milliseconds and the box repaints over a hundred
    // times a second, while most files cost a clock read instead of a full event pass.
    void eventYield() {
        if (yieldHook()) yieldHook()();
        if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kYieldIntervalMs) return;
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }

    bool m_includeSubfolders;
    QString m_statusLine;
    QString m_countLine;
    QElapsedTimer m_sinceEvents;
};

enum class RunEnd { Walked, BrokenOff };

RunEnd walkCache(FolderWalk& walk) {
    const QString folder = cacheFolder();
    if (!folderExists(folder)) return RunEnd::BrokenOff;
    setStatusLine(cacheStatusLine());
    WaitCursor wait;
    return walk.walk(folder, QString::fromLatin1(kCachePattern), false) == WalkEnd::BrokenOff
               ? RunEnd::BrokenOff
               : RunEnd::Walked;
}

// Every drive in list order. A drive that is not ready (no medium) or cannot be read is
// passed over: the search goes on with the next one.
RunEnd walkDrives(FolderWalk& walk, const SearchRequest& request) {
    for (const QString& root : request.driveRoots) {
        if (state().ding) break;
        if (!folderExists(root)) continue;
        setStatusLine(QStringLiteral("正在查找") + request.comboText + QStringLiteral("..."));
        WaitCursor wait;
        walk.walk(root, QString::fromLatin1(kMoviePattern), true);
    }
    return RunEnd::Walked;
}

RunEnd walkFolder(FolderWalk& walk, const SearchRequest& request) {
    const QString root = folderModeRoot(request.folderText);
    if (!folderExists(root)) return RunEnd::BrokenOff;
    setStatusLine(QStringLiteral("正在查找") + request.comboText + QStringLiteral("..."));
    WaitCursor wait;
    return walk.walk(root, QString::fromLatin1(kMoviePattern), false) == WalkEnd::BrokenOff
               ? RunEnd::BrokenOff
               : RunEnd::Walked;
}

void showProgressBox() {
    Form10* box = forms::get<Form10>();
    box->Command1->setText(resources::text(143));
    box->Label2->clear();
    box->show();
    box->raise();
}

void completeRun() {
    Form10* box = forms::loaded<Form10>();
    if (box) box->Command1->setText(resources::text(144));
    if (!state().ding) {
        if (box) box->Label1->setText(resources::text(146));
        state().ding = true;
    } else if (box) {
        box->Label1->setText(resources::text(145));
    }
    forms::unload<Form9>();
}

} // namespace

SearchState& state() {
    static SearchState instance;
    return instance;
}

StartPoint startPointFor(const QString& comboText) {
    if (comboText == QStringLiteral("IE临时文件夹")) return StartPoint::Cache;
    if (comboText == QStringLiteral("所有驱动器")) return StartPoint::AllDrives;
    return StartPoint::Folder;
}

void runSearch(const SearchRequest& request) {
    if (state().running) return;
    state().ding = false;
    state().index = 0;
    state().running = true;
    if (Form9* dialog = forms::loaded<Form9>()) dialog->hide();
    showProgressBox();

    RunReporter reporter(request.includeSubfolders);
    FolderWalk walk(reporter);
    RunEnd end = RunEnd::Walked;
    switch (startPointFor(request.comboText)) {
    case StartPoint::Cache:
        end = walkCache(walk);
        break;
    case StartPoint::AllDrives:
        end = walkDrives(walk, request);
        break;
    case StartPoint::Folder:
        end = walkFolder(walk, request);
        break;
    }
    state().running = false;
    // A broken-off run leaves the box and the hidden dialog as they are: the box's button
    // then marks it stopped and closes it, the search command shows the dialog again.
    if (end == RunEnd::Walked) completeRun();
}

void stopSearch() {
    if (state().running) state().ding = true;
}

void showSearchDialog() {
    QWidget* window = nullptr;
    if (state().running)
        window = forms::get<Form10>();
    else
        window = forms::get<Form9>();
    window->show();
    window->raise();
    window->activateWindow();
}

QString cacheFolder() {
    const std::optional<QByteArray> value = platform::readRegistryValue(
        platform::RegistryRoot::Users,
        QStringLiteral(
            "\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"),
        QStringLiteral("Cache"));
    if (!value) return QStringLiteral("c:\\windows\\temporary internet files");
    const qsizetype end = value->indexOf('\0');
    return platform::fromLocal8(end < 0 ? QByteArrayView(*value) : QByteArrayView(*value).first(end));
}

QString folderModeRoot(const QString& text) {
#ifdef Q_OS_WIN
    return text.size() >= 3 && text[2] == QLatin1Char('\\') ? text : text + QLatin1Char('\\');
#else
    return text.endsWith(QLatin1Char('/')) ? text : text + QLatin1Char('/');
#endif
}

QString browsedFolderText(const QString& path) {
#ifdef Q_OS_WIN
    return path.endsWith(QStringLiteral(":\\")) ? path.chopped(1) : path + QLatin1Char('\\');
#else
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
#endif
}

QString countLine(qint64 count) {
    return resources::text(142) + numberText(count);
}

void setYieldHookForTesting(std::function<void()> hook) {
    yieldHook() = std::move(hook);
}

} // namespace search
