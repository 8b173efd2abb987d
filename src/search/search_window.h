// Form9, the search dialog: where to look for movies (all drives, the browser cache folder
// or one folder), whether to walk sub-folders, and the result options of its detailed view.
// Its search state (`ding`, `index`) lives in search::state(), beyond the window's life.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Form9 : public QWidget {
    Q_OBJECT

  public:
    Form9();
    ~Form9() override;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Combo1_Click();
    void Text1_Change();
    void Text2_Change();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command4 = nullptr;
    QComboBox* Drive1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command5 = nullptr;
    QCheckBox* Check5 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QCheckBox* Check6 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text4 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildSearchOptions();
    void buildResultHandling();
};
