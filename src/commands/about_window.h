// frmabout, the About box: the program's icon, name and version, and two link labels.
#pragma once

#include "widgets/controls.h"

#include <QWidget>

class frmabout : public QWidget {
    Q_OBJECT

  public:
    frmabout();
    ~frmabout() override;

    void Form_Load();
    void Label4_Click();
    void Label5_Click();

    // "版本：" with the program's major version (a blank before it) and minor version.
    static QString versionLine(int major, int minor);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    PictureBox* Label4 = nullptr;
    PictureBox* Label5 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
};
