#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TAppData;

// Every dialog of the program appears centred on its screen, not on the main
// window.
void CentreOnScreen(QWidget& Dialog);

// The settings dialog: the history limit, whether history and variables are
// saved, real-time calculation and the transparency level, plus the command
// that clears the settings file, the history and the variables.
//
// Every way of closing it (OK, Cancel, Esc, the close box) goes through
// FormCloseQuery, so a history limit that is not a whole number of at least 0
// keeps the dialog open, even for Cancel.
class TSettingDialog : public QDialog {
    Q_OBJECT

public:
    // Asks the user through a modal message box and returns the button pressed.
    // Tests put their own answer here.
    using TMessageDialog = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon Icon, const QString& Text, QMessageBox::StandardButtons Buttons,
        QMessageBox::StandardButton DefaultButton)>;

    explicit TSettingDialog(QWidget* parent = nullptr);

    // The main window's settings object, lent for the dialog's lifetime.
    void SetAppData(TAppData* Value) { FAppData = Value; }

    // The controls take the values of the settings object.
    void FillControls();
    // The settings object takes the values of the controls; only after the
    // dialog closed with OK, when the history limit is known to be valid.
    void CopyToAppData();

    void ClearBtnClick();
    void FormCloseQuery(QObject* Sender, bool& CanClose);

    TMessageDialog MessageDialog;

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QCheckBox* HistoryCheck = nullptr;
    QCheckBox* VariableCheck = nullptr;
    QCheckBox* RealTimeCheck = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* HistoryEdit = nullptr;
    QPushButton* ClearBtn = nullptr;
    QSlider* OpacityTrack = nullptr;
    QLabel* Label2 = nullptr;

    void done(int r) override;

signals:
    // The settings file, the history and the variables were cleared: the views
    // of the history must forget the removed records now.
    void Cleared();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QMessageBox::StandardButton Ask(QMessageBox::Icon Icon, const QString& Text,
                                    QMessageBox::StandardButtons Buttons,
                                    QMessageBox::StandardButton DefaultButton);
    void PlaceButtons();
    // The history limit in the edit, or false when it is no whole number >= 0.
    bool HistoryLimit(int& Value) const;

    TAppData* FAppData = nullptr;
};
