// Form8, the basic settings dialog: a tab strip, an empty frame and two buttons that
// hold no settings yet.
#pragma once

#include <QWidget>

class QGroupBox;
class QPushButton;
class QTabBar;

class Form8 : public QWidget {
    Q_OBJECT

  public:
    Form8();
    ~Form8() override;

    void Form_Load();

    QTabBar* TabStrip1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
};
