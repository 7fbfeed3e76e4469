#pragma once

#include <QDialog>
#include <QIcon>

class QLabel;
class QPushButton;

// The program's icon: the installed one of the icon theme, else the one built
// into the program (a build that was never installed).
QIcon KorvexIcon();

// The version window: the program's icon, its name and version and a close button; Enter
// presses the button and Esc closes the window as the button does.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void Button1Click();

    QLabel* Image1 = nullptr; // the icon, in the space left of the name
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};
