// Form2, the play list window: the list of movie paths beside a column of seven framed
// picture buttons (new, open, save, add, remove, move up, move down).
#pragma once

#include "widgets/controls.h"

#include <QWidget>

#include <array>

#include <functional>

class QComboBox;
class QListWidget;

// What the list window tells the main window, which sits above this folder and fills it in.
struct PlayListWindowLinks {
    std::function<void()> unloaded;         // the window is closing
    std::function<void()> playWindowWanted; // an entry was chosen to play: show the play window
};
PlayListWindowLinks& playListWindowLinks();

class Form2 : public QWidget {
    Q_OBJECT

  public:
    Form2();
    ~Form2() override;

    void Form_Load();
    void Form_Unload();
    void Form_MouseMove();
    void Image1_Click(int index);
    void Image1_MouseMove(int index);
    void Image1_MouseDown(int index);
    void List1_Click();

    // The search run's appends: at the end, without looking for duplicates.
    void appendEntry(const QString& path);
    QStringList entries() const;

    // Plays an entry as a click does, and brings the play window up (double click, Enter).
    void playEntry(int row);
    // Movies added as the add button adds them (a duplicate is refused with its message); a
    // list file among them is opened as the list instead.
    void addDroppedFiles(const QStringList& files);
    // Opens a list file as the open command does, without the dialog; false when unreadable.
    bool openListFile(const QString& path);

    QListWidget* List1 = nullptr;
    QComboBox* Combo1 = nullptr;
    std::array<PictureBox*, 7> Image1{};
    std::array<LineShape*, 7> Line1{}; // top
    std::array<LineShape*, 7> Line2{}; // left
    std::array<LineShape*, 7> Line3{}; // bottom
    std::array<LineShape*, 7> Line4{}; // right

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void addUnique(const QString& path);
    void setLook(int index, FrameLook look);
    void newList();
    void openList();
    void saveList();
    void addMovie();
    void removeEntry();
    void moveEntry(int delta);
    // Appends a list file's entries; on failure says why and changes nothing.
    bool loadListFile(const QString& path, bool quiet);

    bool m_keyNavigation = false;
};
