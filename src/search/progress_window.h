// Form10, the search progress box: where the run is looking, how many movies it found,
// and one button that first stops the run and then closes the box.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

class Form10 : public QWidget {
    Q_OBJECT

  public:
    Form10();
    ~Form10() override;

    void Form_Load();
    void Command1_Click();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr; // status line
    QLabel* Label2 = nullptr; // count line
    QPushButton* Command1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
};
