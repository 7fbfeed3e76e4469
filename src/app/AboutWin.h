#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The version window: the program's name and version and a close button; Enter
// presses the button and Esc closes the window as the button does.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void Button1Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};
