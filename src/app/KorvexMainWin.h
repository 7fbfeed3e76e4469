#pragma once

#include "Calculator.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class TCalcResultViewerWidget;
class TExpressionRecordFrame;
class THistoryListFrame;
class TMainForm;

// Where the window goes at start, from its design placement, the stored one and
// the rectangle spanning all screens. Nothing is taken unless a size was stored
// (Width and Height above 0). Each coordinate is taken only while the window
// would at least touch the desktop: Left from Desktop.Left - Width to
// Desktop.Right, Top from Desktop.Top to Desktop.Bottom (Right and Bottom lie
// just outside the desktop). The size always is, but never beyond the desktop's,
// so a damaged file cannot ask for a window of gigapixels.
TWindowPlacement RestoredPlacement(const TWindowPlacement& Design, const TWindowPlacement& Stored,
                                   const QRect& Desktop);

// The rectangle spanning all screens.
QRect DesktopRect();

// The toolkit's own texts in the window (the input line's context menu, the
// buttons of message boxes) in the window's language, Japanese, from the
// toolkit's translations; English where they are not installed.
void InstallToolkitTranslation();

// The input line. Typed characters, committed input-method text and the caret
// keys of a just-calculated line go to the calculator; every other edit
// (Backspace, Delete, selecting, pasting) is the line edit's own and is then
// handed to the calculator as the new state of the line.
class TExpressionEdit : public QLineEdit {
    Q_OBJECT

public:
    TExpressionEdit(TMainForm& Form, QWidget* parent);

    // Buttons embedded at the right end; they never take the focus.
    void AddEmbeddedButton(QToolButton* Button);
    // Lays the embedded buttons out again (one was shown or hidden).
    void LayoutButtons();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TMainForm& FForm;
    QList<QToolButton*> FButtons;
    QStyle* FCachedLook = nullptr; // draws the frame and the buttons from pictures, where the style allows
};

// The menu bar: a double-click on it toggles the transparency.
class TMenuPanel : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// The calculator's window. It keeps no calculator state of its own: it draws
// the state of the TCalculator it is given and hands every key, click and action
// to it.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    // The window of Calculator, which outlives it.
    explicit TMainForm(TCalculator& Calculator, QWidget* parent = nullptr);
    ~TMainForm() override;

    TCalculator& Calculator() { return FCalculator; }

    // Closes the window as the user does, for a signal (logout, a service manager):
    // no one may be there to answer a dialog, so a failed final save is reported
    // on standard error and the program goes on ending.
    void CloseUnattended();
    // A later start asked for this window: it comes back from a minimized state,
    // to the front, and takes the focus.
    void BringToFront();
    // The final save at close failed.
    bool SaveFailedAtClose() const { return FSaveFailedAtClose; }

    // The first show restores the saved state before the window appears.
    void setVisible(bool visible) override;

    // A level of 0 makes the window opaque with its border; above 0 the window
    // goes borderless and its controls take the calculator's ControlOpacity.
    void ApplyTransparencyValue(int Value);
    // The opacity the window's controls are drawn with.
    double ControlOpacity() const { return FCalculator.ControlOpacity(); }
    // The window's controls that take the opacity.
    QList<QWidget*> VisualControls() const;

    // --- controls, named by role ---
    TMenuPanel* MenuPanel = nullptr;
    QToolButton* AngleModeBtn = nullptr;
    QToolButton* ResultModeBtn = nullptr;
    QToolButton* MBtn = nullptr;
    QToolButton* CopyBtn = nullptr;
    QToolButton* MenuBtn = nullptr;
    TExpressionEdit* ExpressionEdit = nullptr;
    QToolButton* HistoryBtn = nullptr;
    QToolButton* AcBtn = nullptr;
    QToolButton* CustomBtn = nullptr;
    QWidget* CalcResultPanel = nullptr;
    TCalcResultViewerWidget* CalcResultViewer = nullptr;
    QLabel* CalcModeLabel = nullptr;
    QWidget* HistoryPanel = nullptr;
    QSplitter* HistorySplitter = nullptr;
    TExpressionRecordFrame* ExpressionRecordFrame = nullptr;
    THistoryListFrame* HistoryListFrame = nullptr;

    QMenu* MainPopup = nullptr;
    QMenu* AnglePopup = nullptr;
    QMenu* ResultPopup = nullptr;
    QMenu* HistoryPopup = nullptr;
    QMenu* VariablePopup = nullptr;

    // --- actions ---
    QAction* UpKeyAction = nullptr;
    QAction* DownKeyAction = nullptr;
    QAction* AboutAction = nullptr;
    QAction* DegAction = nullptr;
    QAction* RadAction = nullptr;
    QAction* GradAction = nullptr;
    QAction* NormalAction = nullptr;
    std::array<QAction*, 10> FixActions{}; // Fix0Action ... Fix9Action
    std::array<QAction*, 8> SciActions{};  // Sci2Action ... Sci9Action
    QAction* TopMostAction = nullptr;
    QAction* AcAction = nullptr;
    QAction* CalcAction = nullptr;
    QAction* CustomBtnAction = nullptr;
    QAction* HistoryBtnAction = nullptr;
    QAction* CopyAction = nullptr;
    QAction* DigitGroupingSeparatorAction = nullptr;
    QAction* MAction = nullptr;
    QAction* MPlusAction = nullptr;
    QAction* MMinusAction = nullptr;
    QAction* MCLAction = nullptr;
    QAction* HomePageAction = nullptr;
    QAction* CalcCheckScriptAction = nullptr;
    QAction* SettingAction = nullptr;
    QAction* WindowPosBottomAction = nullptr;
    QAction* RecordExpressionAction = nullptr;
    QAction* DelRecordExpressionAction = nullptr;
    QAction* VariableListAction = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TExpressionEdit;

    void CreateControls();
    void CreateActions();
    void CreatePopups();
    QAction* NewAction(const char* Name, const QString& Category, const QString& Text,
                       const QKeySequence& Shortcut = {});

    // draws the calculator's state
    void Render();
    void RenderInputLine();
    void RenderRecordFrame();
    void ApplyTopMost();
    // Gives the window its border or takes it away, the client area staying put.
    void SetBorderless(bool On);
    void MenuPanelDblClick();
    void RestorePlacement();
    // the input line's own edits, handed to the calculator
    void SyncInputLine();

    // handlers
    bool FormKeyDown(QKeyEvent* e);
    bool ExpressionEditKeyDown(QKeyEvent* e);
    void ExpressionEditInputMethod(const QString& Commit);
    void ExpressionEditMouseDown();
    void AngleModeBtnClick();
    void ResultModeBtnClick();
    void MenuBtnClick();
    void AnglePopupPopup();
    void ResultPopupPopup();
    void MainPopupPopup();
    void HistoryBtnActionExecute();
    void VariableListActionExecute();
    void CopyActionExecute();
    void WindowPosBottomActionExecute();
    void HomePageActionExecute();
    void SettingActionExecute();
    void AboutActionExecute();
    void FormSaveState();
    void StorePlacement();
    void StoreRecordFrameHeight();
    void ShowSaveFailure(const QString& Reason, bool Closing);
    void PopupBelow(QMenu* Menu, QWidget* Anchor);

    TCalculator& FCalculator;
    bool FShown = false;
    bool FSaved = false;
    bool FUnattended = false;
    bool FSaveFailedAtClose = false;
    bool FRendering = false; // the window is writing the calculator's state into its controls
    bool FRecordFrameWasVisible = false;
    QPointer<QMessageBox> FSaveFailureBox;
};
