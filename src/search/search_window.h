// Form9, the search dialog.
#pragma once

#include <QWidget>

class Form9 : public QWidget {
    Q_OBJECT

public:
    Form9();
    ~Form9() override;

    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;
};
