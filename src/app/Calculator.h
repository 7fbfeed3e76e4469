#pragma once

#include "AppData.h"
#include "CalcResultViewer.h"
#include "EvaluateText.h"
#include "ExpressionHistory.h"
#include "VariableDictionary.h"

#include <QEvent>
#include <QObject>
#include <QRunnable>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <atomic>

// The input line as the window shows it: its text, the selection and the caret.
struct TInputLine {
    QString Text;
    int SelStart = 0;  // first selected code unit
    int SelLength = 0; // 0: nothing selected
    int Caret = 0;     // 0: before the first character
};

// A window's place on the screen: the frame's top-left corner and the client
// area's size, as the settings file keeps them.
struct TWindowPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Which items of the result popup carry a check mark.
struct TResultPopupChecks {
    bool Normal = false;
    int Fix = -1; // the checked Fix digit count, -1 for none
    int Sci = -1; // the checked Sci digit count, -1 for none
    bool Grouping = false;
};

// The variable prompt of "@CALC:formula": it asks for each variable of the
// formula in turn, then shows the formula with its value; Enter there asks for
// the variables again. Its phases, and the only combinations it takes:
// - off: IsVarCalcMode false; the other fields then mean nothing;
// - asking the first time: IsVarCalcMode, VarCalcing and IsVarCalcModeSubstitute
//   true; the line holds "NAME = " for the name before CalcModeVarIndex;
// - formula and value shown: IsVarCalcMode true, VarCalcing and
//   IsVarCalcModeSubstitute false, CalcModeVarIndex 0; the line cannot be typed in;
// - asking again: IsVarCalcMode and IsVarCalcModeSubstitute true, VarCalcing
//   false; unlike the first time, each answer's value is shown and added to GT.
// VarSubstituting is true only while an answer's right-hand side is evaluated,
// so that this evaluation is not taken for the next answer.
struct TVarCalcPrompt {
    bool IsVarCalcMode = false;
    QStringList CalcModeVariableList;     // the formula's variables, each once, in order
    int CalcModeVarIndex = 0;             // the next name to ask for
    QString CalcModeExpressionText;       // the formula after "@CALC:", as Enter read it
    bool VarCalcing = false;              // the first round of questions
    bool IsVarCalcModeSubstitute = false; // the line holds a question
    bool VarSubstituting = false;

    // The formula and its value are on display: typing leaves the line alone.
    bool FormulaShown() const { return IsVarCalcMode && !VarCalcing && !IsVarCalcModeSubstitute; }
    // Ends the prompt (All Clear); the names and the formula stay until the next one.
    void Stop() {
        IsVarCalcMode = false;
        VarCalcing = false;
        CalcModeVarIndex = 0;
        IsVarCalcModeSubstitute = false;
    }
};

// The whole calculator: every value, mode and list of the main window and every
// command on them, without a window. The window renders this state and forwards
// keys, clicks and actions; `korvex --eval` drives it from a terminal. The state
// changes only on the thread that owns the object; the live preview evaluates a
// snapshot on a worker pool and hands its value back through the event loop.
class TCalculator : public QObject {
    Q_OBJECT

public:
    explicit TCalculator(QObject* parent = nullptr);
    ~TCalculator() override;

    // --- state the window renders -------------------------------------------------
    const TInputLine& InputLine() const { return FInput; }
    // The result viewer; painting it (DisplayText) may change it, as drawing the
    // value in Eng or DMS mode does.
    TCalcResultViewer& CalcResultViewer() { return FViewer; }
    const TCalcResultViewer& CalcResultViewer() const { return FViewer; }
    // What the result area shows when painted now: a message, or the value in the
    // current mode ("Error" when it cannot be formatted; FormatError tells).
    QString ResultText(bool* FormatError = nullptr);
    // The result area holds something that is not the answer to the line on
    // display: the live preview could not evaluate the line, or a line restored
    // at start came back without proof of its value. The window dims it; Copy
    // refuses it. It ends when the line evaluates or Enter is pressed.
    bool IsResultStale() const { return FResultStale; }
    bool MButtonVisible() const { return FMVisible; }
    const QString& MButtonCaption() const { return FMCaption; }
    bool CustomButtonVisible() const { return FCustomVisible; }
    const QString& CustomButtonCaption() const { return FCustomCaption; }
    bool CalcModeLabelVisible() const { return FCalcModeLabelVisible; }
    const QString& AngleModeCaption() const { return FAngleModeCaption; }
    const QString& ResultModeCaption() const { return FResultModeCaption; }
    // The history popup's items, newest first.
    const QStringList& HistoryPopupItems() const { return FHistoryPopup; }
    // The history list: as many rows as the history limit, row 0 the newest record.
    // A limit in the millions would only add empty rows no one scrolls to, at a
    // cost in memory and time: the empty rows stop at MaxEmptyHistoryRows, while
    // every record always has its row.
    static constexpr int MaxEmptyHistoryRows = 10000;
    int HistoryListRowCount() const {
        return std::min(FHistoryListRows, std::max(MaxEmptyHistoryRows, int(FExpressionHistorys.size())));
    }
    int HistoryListSelectedRow() const { return FHistoryListSelected; }
    const TExpressionHistoryList& ExpressionHistorys() const { return FExpressionHistorys; }
    // The recorded expressions, in the user's order.
    const QStringList& RecordExpressions() const { return FRecordExpressions; }
    int RecordExpressionSelected() const { return FRecordSelected; }
    bool RecordExpressionFrameVisible() const { return FRecordFrameVisible; }
    float RecordExpressionFrameHeight() const { return FRecordFrameHeight; }
    void SetRecordExpressionFrameHeight(float Height) { FRecordFrameHeight = Height; }
    TAngleType AnglePopupCheck() const { return CalcValues.AngleMode; }
    // An entry of the variables popup: what it reads and the name it inserts.
    struct TVariableItem {
        QString Caption; // NAME = value, the value in the current display mode
        QString Name;
    };
    // Every user variable in the order of its first assignment, then M while the
    // memory holds a value.
    QList<TVariableItem> VariablePopupItems() const;
    // Whether the popup has an entry at all; its menu item is disabled without.
    bool HasVariablePopupItems() const { return VariableDictionary.Count() > 0 || FMVisible; }
    // Where the line failed on the last Enter, in the input line's text: the
    // characters selected for the user to type over. Empty when the line
    // evaluated or its failure has no place (an empty line, a command).
    const TTextRange& ErrorPlace() const { return FErrorPlace; }
    TResultPopupChecks ResultPopupChecks() const;
    bool IsTopMost() const { return FIsTopMost; }
    bool Transparency() const { return FTransparency; }

    // --- calculator values ------------------------------------------------------
    double GetAns() const { return CalcValues.Ans; }
    double GetPreAns() const { return CalcValues.PreAns; }
    double GetVarM() const { return CalcValues.VarM; }
    double GetVarX() const { return CalcValues.VarX; }
    double GetVarY() const { return CalcValues.VarY; }
    double GetVarGT() const { return CalcValues.VarGT; }
    int GetVarMCount() const { return CalcValues.VarMCount; }
    int GetVarGTCount() const { return CalcValues.VarGTCount; }
    bool GetIsCalc() const { return IsCalc; }
    TAngleType GetAngleMode() const { return CalcValues.AngleMode; }
    TResultViewType GetDigitDisplayMode() const { return DigitDisplayMode; }
    int GetRoundDecimal() const { return RoundDecimal; }
    int GetEng() const { return Eng; }
    bool GetIsDigitGroupingSeparator() const { return IsDigitGroupingSeparator; }
    int GetHistoryCount() const { return HistoryCount; }
    int GetExpressionHistoryIndex() const { return ExpressionHistoryIndex; }
    bool GetIsVarCalcMode() const { return VarCalc.IsVarCalcMode; }
    bool GetVarCalcing() const { return VarCalc.VarCalcing; }
    bool GetIsVarCalcModeSubstitute() const { return VarCalc.IsVarCalcModeSubstitute; }
    const QString& GetCustomBtnTitle() const { return CustomBtnTitle; }
    const QString& GetCustomBtnExpression() const { return CustomBtnExpression; }
    const TVariableDictionary& Variables() const { return VariableDictionary; }
    // The settings object: read-only, but for the settings dialog, which edits it
    // directly and then calls ApplySettings (or SettingsCleared). The tests that
    // stand in for the dialog take the same way.
    const TAppData& GetAppData() const { return AppData; }
    TAppData& SettingDialogAppData() { return AppData; }
    bool GetIsRealTimeCalc() const { return IsRealTimeCalc; }
    void SetIsRealTimeCalc(bool On) { IsRealTimeCalc = On; }

    // --- the input line -------------------------------------------------------------
    // The longest line the user can type, paste or build with the custom button:
    // a formula is evaluated up to 1,024 code units, and everything the line can
    // become (a history record, a recorded expression, the button's template) is
    // saved, so a longer text is refused (InputRefused) and the line stays as it was.
    static constexpr int MaxInputLength = 4096;
    // A typed character or a committed input-method string, with the rules for
    // continuing from ANS after a calculation.
    void TypeText(const QString& Text);
    // Text inserted as it is (paste): replaces the selection.
    void PasteText(const QString& Text);
    // End, Home, Left, Right right after a calculation; true when the key was used.
    enum TCaretKey { ckEnd, ckHome, ckLeft, ckRight };
    bool CaretKey(TCaretKey Key);
    // Editing the window did itself (Backspace, Delete, selecting with the mouse).
    // A text over MaxInputLength is refused and the window shows the line as it was.
    void SetInputState(const TInputLine& Line);
    // A mouse press in the input line.
    void ExpressionEditMouseDown();
    // The name of the variables popup's entry at Position (as the entries are
    // now) goes in at the caret, as typed text does.
    void VariablePopupItemClick(int Position);
    // Replaces the text, caret at its end, nothing selected.
    void SetInputText(const QString& Text);
    // Puts the caret at Position; SelectAll selects the whole line as well.
    void PlaceCaret(bool SelectAll, int Position);

    // --- Enter and what goes through it -------------------------------------------
    // Enter: a running variable prompt takes the line as its answer first; a line
    // starting with "@" is a command, one with "=" an assignment, and any other
    // line's value becomes Ans (the old Ans PreAns), is added to GT and, with
    // IsRecord, recorded; a failure shows its message and selects where the line
    // failed. True when the line gave a value.
    bool CalcExpression(bool IsRecord);
    // A line typed whole and confirmed with Enter, as `korvex --eval` enters its
    // lines: it replaces the input line; in the variable prompts an answer goes
    // after the prompt ("A = "), and while a formula's value is shown the text is
    // discarded and Enter asks again. Returns what CalcExpression returns.
    bool EnterLine(const QString& Line);
    // Runs the "@" command on the line; a mode command shows the newest record
    // again in the new mode. An unknown command of seven characters or more
    // passes silently; a shorter one, a wrong digit or a formula that does not
    // convert clears the line and shows "Mode Error".
    bool ExecuteCommand();
    // "@BUTTON=title:expression" gives the custom button its caption and template;
    // without "=" or with an empty template the button is hidden.
    void SetCustomButton(const QString& Command);
    // The template goes in the line, each "[]" replaced by the line as it was,
    // and is calculated and recorded as Enter would; a result longer than
    // MaxInputLength is refused.
    void CustomBtnActionExecute();
    // "NAME = expression": the value goes into NAME ("M" is the memory, "M = 0"
    // clears it) and the history keeps the whole line; false for a name that is
    // a function word or reads back as something else, and for a right-hand side
    // that does not convert.
    bool AssignVariable(bool IsRecord);
    // "@CALC:formula" starts the variable prompt at the formula's first variable;
    // a formula without variables starts nothing, and one that does not convert
    // gives false.
    bool StartVarCalcMode(const QString& Text);
    // Empties the line and the result, sets GT and its count to 0 and ends the
    // variable prompt; Ans, the memory and the variables stay.
    void AllClear();

    // --- display and angle modes ------------------------------------------------------
    // The result area takes the display mode, and the line shows the newest
    // record again; with Recalculate its recorded value is shown and the line is
    // selected as after Enter, without evaluating it again.
    void ApplyDisplayMode(bool Recalculate);
    // The angle unit of the coming calculations; the value shown stays as it is.
    void DegActionExecute() { SetAngle(atDeg); }
    void RadActionExecute() { SetAngle(atRad); }
    void GradActionExecute() { SetAngle(atGrad); }
    // The display modes: each shows the newest record again in the new mode. Fix
    // takes 0 to 9 digits, Sci 2 to 9; a count beyond is taken as the nearest end.
    void NormalActionExecute();
    void FixActionExecute(int Digits);
    void SciActionExecute(int Digits);
    // Turns digit grouping on or off, the newest record shown again.
    void DigitGroupingSeparatorActionExecute();
    // The shown value, formatted, for the clipboard. False while the result area
    // shows a message or a stale value, or when the value cannot be formatted;
    // then Text is left alone and nothing else happens.
    bool CopyActionExecute(QString& Text);

    // --- memory ------------------------------------------------------------------------
    // The memory takes Value and the M button shows it.
    void SetMemoryValue(double Value);
    // The memory and its count go to 0 and the M button is hidden.
    void ClearMemory();
    // "M" goes at the end of the line, or replaces a line just calculated.
    void MActionExecute();
    // M+ adds Ans to the memory and M- takes it away; a line not yet calculated
    // is first calculated and recorded as Enter would, and when that fails the
    // previous Ans is used.
    void MPlusActionExecute() { MemoryAdd(+1); }
    void MMinusActionExecute() { MemoryAdd(-1); }
    void MCLActionExecute() { ClearMemory(); }

    // --- history and recorded expressions -----------------------------------------------
    // Takes the history limit from the settings: the oldest records beyond it go
    // and the list has as many rows.
    void ApplyHistoryCount();
    // Down and Up recall the next older and newer record, stopping at the ends:
    // its line, selected, and its recorded value in its display mode, the angle
    // caption naming its unit; nothing is evaluated and the calculator's own
    // modes stay.
    void UpKeyActionExecute();
    void DownKeyActionExecute();
    // The popup's line at Position is evaluated again with today's values and
    // modes, and not recorded again.
    void HistoryMenuItemClick(int Position);
    // The record at Index (0 the oldest) lends its angle unit to the calculator,
    // for the calculations after it too, and its display mode to the result
    // area; then its line is evaluated again without being recorded.
    void HistoryListClick(int Index);
    // The line goes to the top of the recorded expressions (one already there
    // moves up) and the list is shown.
    void RecordExpressionActionExecute();
    // Removes the selected recorded expression; the list hides with the last one.
    void DelRecordExpressionActionExecute();
    // An index beyond the list selects none.
    void SelectRecordExpression(int Index);
    void MoveRecordExpression(int Delta); // Alt+Up (-1) and Alt+Down (+1)
    // An All Clear, then the selected expression goes in the line, unevaluated:
    // with a ";" in it, only what follows the label before the first ";" (up to a
    // further ";"), leading blanks dropped.
    void ExpressionRecordFrameListBoxDblClick();

    // --- window options kept as state -------------------------------------------------------
    // Keeps the window above the others or stops doing so; the window follows
    // TopMostChanged.
    void TopMostActionExecute();
    void SetTopMost(bool On);
    // The double-click on the menu bar and "@TRANSPARENCY": on keeps the level,
    // off forgets it.
    void ToggleTransparency();
    // The transparency level, 0 to MaxTransparencyValue: above 0 transparency is
    // on and the controls take the opacity 1 - level / 100, so none can vanish;
    // 0 turns it off. A level beyond the range (a damaged file) is taken as the
    // nearest end.
    static constexpr int MaxTransparencyValue = 50;
    int TransparencyValue() const { return AppData.TransparencyValue; }
    void SetTransparencyValue(int Value);
    // The opacity the window's controls are drawn with.
    double ControlOpacity() const { return FTransparency ? 1 - TransparencyValue() / 100.0 : 1; }
    // Where the window was last put; the file keeps it.
    TWindowPlacement Placement() const;
    void SetPlacement(const TWindowPlacement& Placement);

    // --- the settings file ------------------------------------------------------------------
    // What the window does when it is first shown: restore the saved state, take
    // the live-preview switch, apply the history limit.
    void FormShow();
    // Reads the settings file and applies it (placement is the window's).
    void RestoreAppData();
    // Copies the state into the settings object and writes the file.
    void FormSaveState();
    // A calculator with the defaults of a fresh start and no settings file.
    void StartWithDefaults();
    // The settings dialog's OK: its values are in SettingDialogAppData(); the live-preview
    // switch and the history limit take effect (the window applies transparency).
    void ApplySettings();
    // The settings dialog has cleared the file, the history and the variables:
    // no view may show or lead to a removed record.
    void SettingsCleared();
    // Saves the state about a second after the last change the file keeps, so a
    // crash or power cut loses at most that second. Off unless switched on (the
    // window does; `--eval` never writes a file).
    void SetAutoSave(bool On);
    // A change the settings file keeps was made outside the calculator (a setting,
    // the window's placement).
    void NoteStateChanged();

    // Waits until no live preview is running (tests, shutdown).
    void WaitForPreview();

signals:
    // Something the window shows has changed.
    void Changed();
    // The history records changed: the list must be redrawn.
    void HistoryChanged();
    // The input line should take the focus.
    void FocusInputRequested();
    // An edit would have made the line longer than MaxInputLength: the window beeps.
    void InputRefused();
    // The window should toggle its transparency (moving by its border offsets).
    void TransparencyToggled();
    void TopMostChanged();
    // An automatic save failed (the folder or file cannot be written).
    void SaveFailed(const QString& Message);

private:
    // A preview's outcome on its way back to the calculator's thread.
    struct TPreviewValueEvent : QEvent {
        TPreviewValueEvent(quint64 AGeneration, bool AEvaluated, double AValue)
            : QEvent(Kind()), Generation(AGeneration), Evaluated(AEvaluated), Value(AValue) {}
        static QEvent::Type Kind() {
            static const QEvent::Type kind = QEvent::Type(QEvent::registerEventType());
            return kind;
        }
        quint64 Generation;
        bool Evaluated; // false: the text has no value, and the shown one is not its own
        double Value;
    };

    void customEvent(QEvent* Event) override;

    // One live-preview evaluation: a snapshot of the text and the values,
    // evaluated on the pool and handed back through the event loop.
    class TPreviewTask : public QRunnable {
    public:
        TPreviewTask(TCalculator* Owner, quint64 Generation, const QString& Text,
                     const TVariableDictionary& Variables, const TCalcValues& Values);
        void run() override;

    private:
        TCalculator* FOwner;
        quint64 FGeneration;
        QString FText;
        TVariableDictionary FVariables;
        TCalcValues FValues;
    };

    // A value or message that answers the line on display.
    void ShowValue(double Value);
    void ShowMessage(const QString& Message);
    void SetAngle(TAngleType Mode);
    void UpdateAngleModeCaption(TAngleType Mode);
    void UpdateResultModeCaption();
    void UpdateMemoryButton();
    void MemoryAdd(int Sign);
    void AddHistory(const QString& Expression, double Value, double EvalAns, double EvalPreAns, double EvalM,
                    double EvalGT);
    void ShowHistory(const TExpressionHistory& Record);
    void ShowPrompt(const QString& Name);
    bool StepVarCalcMode(bool IsRecord, bool& Prompted);
    void SetFixMode(const QString& S);
    void SetSciMode(const QString& S);
    void SetEngMode(const QString& S);
    void SelectHistoryRow(int Row);
    bool NewestRecordAnswers(const QString& Line, double Value) const;
    void InsertText(const QString& Text);
    // Selects the place in the input line where it failed; an empty place keeps
    // the caret where it is.
    void SelectErrorPlace(TTextRange Place);
    // A place in the line's folded text Folded, found in the line as typed.
    TTextRange TypedPlace(TTextRange Place, const QString& Folded) const;
    QString VariableItemName(int Position) const;
    void ExpressionEditChangeTracking();
    void CancelPreview();
    // Changed() once per command: the steps of a command only note that the
    // window has something new to show, and the outermost command tells it at
    // its end, so one Enter renders the window once.
    void NoteChanged();
    class TChangeBatch {
    public:
        explicit TChangeBatch(TCalculator& Calculator);
        ~TChangeBatch();
        TChangeBatch(const TChangeBatch&) = delete;
        TChangeBatch& operator=(const TChangeBatch&) = delete;

    private:
        TCalculator& FCalculator;
    };
    int FChangeDepth = 0;
    bool FChangePending = false;
    // Enter's converter, key list and expression, kept from one line to the next
    TTextEvaluator FEvaluator;

    // the settings object and the containers it borrows
    TAppData AppData;
    TExpressionHistoryList FExpressionHistorys;
    int ExpressionHistoryIndex = 0;
    TCalcResultViewer FViewer;
    int HistoryCount = 0;
    bool IsRealTimeCalc = false;
    // Ans, PreAns, the memory, X, Y, the grand total, their counts and the angle
    // unit, as an evaluation reads them
    TCalcValues CalcValues;
    TVariableDictionary VariableDictionary;
    bool IsCalc = false;
    bool IsDigitGroupingSeparator = false;
    TResultViewType DigitDisplayMode = vtNormal;
    int RoundDecimal = 0;
    int Eng = 0;
    QString CustomBtnTitle;
    QString CustomBtnExpression;
    TVarCalcPrompt VarCalc;

    // what the window shows
    TInputLine FInput;
    TTextRange FErrorPlace;
    bool FMVisible = false;
    QString FMCaption = QStringLiteral("M");
    bool FCustomVisible = false;
    QString FCustomCaption;
    bool FCalcModeLabelVisible = false;
    QString FAngleModeCaption = QStringLiteral("Deg");
    QString FResultModeCaption = QStringLiteral("Norm");
    QStringList FHistoryPopup;
    int FHistoryListRows = 0;
    int FHistoryListSelected = -1;
    QStringList FRecordExpressions;
    int FRecordSelected = -1;
    bool FRecordFrameVisible = false;
    float FRecordFrameHeight = 42;
    bool FIsTopMost = false;
    bool FTransparency = false;

    QTimer FAutoSave;
    bool FAutoSaveOn = false;

    // The live preview: each text change gets a new generation; a value is shown
    // only while its generation is still the newest.
    std::atomic<quint64> FPreviewGeneration{0};
    // The generation of the line the shown value or message was given for.
    quint64 FShownGeneration = 0;
    bool FResultStale = false;
    // Destroyed first, so that no preview outlives the state it reports to.
    QThreadPool FPreviewPool;
};
