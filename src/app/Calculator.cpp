#include "Calculator.h"

#include "DecimalFormat.h"
#include "Expression.h"
#include "ExpressionTextConvert.h"
#include "IntegerText.h"
#include "MojiConvert.h"
#include "ThreadAnnotations.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

// Raised by the parameterised mode commands; caught inside ExecuteCommand.
struct EModeError : std::runtime_error {
    EModeError() : std::runtime_error("mode error") {}
};

bool IsBlank(QChar c) { return c.unicode() <= 0x20; }

QString TrimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

// Operators that, typed first after a calculation, continue from the answer.
bool ContinuesFromAns(QChar typed)
{
    // a full-width or typographic operator from an input method counts too
    const QString c = ConvertHalfWidthUpper(ConvertOperatorSigns(QString(typed)));
    return c.size() == 1 && QStringLiteral("*+-/^").contains(c[0]);
}

} // namespace

TCalculator::TCalculator(QObject* parent) : QObject(parent)
{
    AppData.ExpressionHistorys = &FExpressionHistorys;
    AppData.VariableDictionary = &VariableDictionary;
    FPreviewPool.setStackSize(uint(TExpression::ThreadStackSize));
    FPreviewPool.setMaxThreadCount(2);
    FAutoSave.setSingleShot(true);
    FAutoSave.setInterval(1000);
    // everything the window shows is kept by the file, the typed line included
    connect(this, &TCalculator::Changed, this, &TCalculator::NoteStateChanged);
    connect(&FAutoSave, &QTimer::timeout, this, [this] {
        try {
            FormSaveState();
        } catch (const EInOutError& e) {
            emit SaveFailed(QString::fromLocal8Bit(e.what()));
        }
    });
}

TCalculator::~TCalculator()
{
    ++FPreviewGeneration;
    FPreviewPool.clear();
    WaitForPreview();
}

void TCalculator::WaitForPreview()
{
    FPreviewPool.waitForDone();
    KORVEX_TAKEN_OVER(this);
}

QString TCalculator::ResultText(bool* FormatError)
{
    if (FormatError) *FormatError = false;
    if (FViewer.IsError()) return FViewer.ErrorMessage();
    if (FViewer.IsText()) return FViewer.Text();
    try {
        return FViewer.FormatValue();
    } catch (const EFormatError&) {
        if (FormatError) *FormatError = true;
        return QStringLiteral("Error");
    }
}

TResultPopupChecks TCalculator::ResultPopupChecks() const
{
    TResultPopupChecks c;
    c.Normal = DigitDisplayMode == vtNormal;
    if (DigitDisplayMode == vtFix && RoundDecimal >= 0 && RoundDecimal <= 9) c.Fix = RoundDecimal;
    if (DigitDisplayMode == vtSci && RoundDecimal >= 2 && RoundDecimal <= 9) c.Sci = RoundDecimal;
    c.Grouping = IsDigitGroupingSeparator;
    return c;
}

// ---------------------------------------------------------------------------------
// The input line

void TCalculator::SetInputText(const QString& Text)
{
    const bool changed = Text != FInput.Text;
    FInput.Text = Text;
    FInput.SelStart = 0;
    FInput.SelLength = 0;
    FInput.Caret = int(Text.size());
    if (changed) ExpressionEditChangeTracking();
    emit Changed();
}

void TCalculator::PlaceCaret(bool SelectAll, int Position)
{
    FInput.SelStart = 0;
    FInput.SelLength = SelectAll ? int(FInput.Text.size()) : 0;
    FInput.Caret = std::clamp(Position, 0, int(FInput.Text.size()));
    emit Changed();
}

void TCalculator::InsertText(const QString& Text)
{
    QString t = FInput.Text;
    int at = FInput.Caret;
    if (FInput.SelLength > 0) {
        const int start = std::clamp(FInput.SelStart, 0, int(t.size()));
        const int len = std::clamp(FInput.SelLength, 0, int(t.size()) - start);
        t.remove(start, len);
        at = start;
    }
    at = std::clamp(at, 0, int(t.size()));
    t.insert(at, Text);
    const bool changed = t != FInput.Text;
    FInput.Text = t;
    FInput.SelStart = 0;
    FInput.SelLength = 0;
    FInput.Caret = at + int(Text.size());
    if (changed) ExpressionEditChangeTracking();
    emit Changed();
}

void TCalculator::TypeText(const QString& Text)
{
    for (QChar ch : Text) {
        if (IsCalc) {
            if (ContinuesFromAns(ch)) SetInputText(QStringLiteral("ANS"));
            IsCalc = false;
        }
        // the formula's value of the variable-calculation mode cannot be edited
        if (IsVarCalcMode && !VarCalcing && !IsVarCalcModeSubstitute) continue;
        InsertText(QString(ch));
    }
}

void TCalculator::PasteText(const QString& Text) { InsertText(Text); }

bool TCalculator::CaretKey(TCaretKey Key)
{
    if (!IsCalc) return false;
    const int end = int(FInput.Text.size());
    // after a calculation Left jumps to the end and Right to the start
    PlaceCaret(false, (Key == ckEnd || Key == ckLeft) ? end : 0);
    IsCalc = false;
    return true;
}

void TCalculator::SetInputState(const TInputLine& Line)
{
    const bool changed = Line.Text != FInput.Text;
    FInput = Line;
    FInput.Caret = std::clamp(FInput.Caret, 0, int(FInput.Text.size()));
    FInput.SelStart = std::clamp(FInput.SelStart, 0, int(FInput.Text.size()));
    FInput.SelLength = std::clamp(FInput.SelLength, 0, int(FInput.Text.size()) - FInput.SelStart);
    if (changed) ExpressionEditChangeTracking();
    emit Changed();
}

void TCalculator::ExpressionEditMouseDown() { IsCalc = false; }

// ---------------------------------------------------------------------------------
// The live preview

TCalcValues TCalculator::Values() const
{
    TCalcValues v;
    v.Ans = Ans;
    v.PreAns = PreAns;
    v.VarM = VarM;
    v.VarX = VarX;
    v.VarY = VarY;
    v.VarGT = VarGT;
    v.VarMCount = VarMCount;
    v.VarGTCount = VarGTCount;
    v.AngleMode = AngleMode;
    return v;
}

void TCalculator::CancelPreview() { ++FPreviewGeneration; }

void TCalculator::ExpressionEditChangeTracking()
{
    if (!IsRealTimeCalc) return;
    const quint64 generation = ++FPreviewGeneration;
    if (FInput.Text.isEmpty()) {
        FViewer.SetValue(0);
        return;
    }
    // The task works on copies taken here that share no data with the originals,
    // so it never reads what this thread goes on writing.
    FPreviewPool.start(new TPreviewTask(this, generation, QString(FInput.Text.constData(), FInput.Text.size()),
                                        VariableDictionary.Snapshot(), Values()));
}

TCalculator::TPreviewTask::TPreviewTask(TCalculator* Owner, quint64 Generation, const QString& Text,
                                        const TVariableDictionary& Variables, const TCalcValues& Values)
    : FOwner(Owner), FGeneration(Generation), FText(Text), FVariables(Variables), FValues(Values)
{
    KORVEX_HANDED_OVER(this);
}

void TCalculator::TPreviewTask::run()
{
    KORVEX_TAKEN_OVER(this);
    TCalculator* owner = FOwner;
    // whoever waits for the pool sees everything this task did
    struct Done {
        TCalculator* owner;
        ~Done() { KORVEX_HANDED_OVER(owner); }
    } done{owner};
    const quint64 generation = FGeneration;
    if (generation != owner->FPreviewGeneration.load()) return; // already superseded
    const TEvalOutcome outcome = EvaluateText(FText, FVariables, FValues);
    if (outcome.Kind != eoValue) return; // a preview shows no message
    auto* event = new TPreviewValueEvent(generation, outcome.Value);
    KORVEX_HANDED_OVER(event);
    QCoreApplication::postEvent(owner, event);
}

void TCalculator::customEvent(QEvent* Event)
{
    KORVEX_TAKEN_OVER(Event); // before anything of the event is read
    if (Event->type() != TPreviewValueEvent::Kind()) return QObject::customEvent(Event);
    auto* e = static_cast<TPreviewValueEvent*>(Event);
    // only the newest text's value is shown
    if (e->Generation != FPreviewGeneration.load()) return;
    FViewer.SetValue(e->Value);
    emit Changed();
}

// ---------------------------------------------------------------------------------
// Enter

bool TCalculator::CalcExpression(bool IsRecord)
{
    if (IsVarCalcMode) {
        bool prompted = false;
        const bool stepped = StepVarCalcMode(IsRecord, prompted);
        if (prompted) return stepped;
    }
    CancelPreview();

    const QString S = ConvertHalfWidthUpper(FInput.Text);
    if (S.startsWith(u'@')) return ExecuteCommand();
    if (S.contains(u'=')) {
        if (AssignVariable(IsRecord)) return true;
        FViewer.Error(QStringLiteral("Syntax error"));
        IsCalc = true;
        emit Changed();
        return false;
    }

    const TCalcValues before = Values();
    const TEvalOutcome outcome = EvaluateText(S, VariableDictionary, before);
    bool result = true;
    if (outcome.Kind == eoValue) {
        Ans = outcome.Value;
        if (!VarCalcing) {
            PreAns = before.Ans;
            VarX = outcome.VarX;
            VarY = outcome.VarY;
            FViewer.SetValue(Ans);
            PlaceCaret(true, int(FInput.Text.size()));
            // an overflowing sum still leaves the value shown and recorded
            VarGT = VarGT + Ans;
            if (VarGTCount < INT32_MAX) ++VarGTCount;
        }
        if (IsRecord) {
            AddHistory(FInput.Text, Ans, before.Ans, before.PreAns, before.VarM, before.VarGT);
            emit HistoryChanged();
            ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1;
            SelectHistoryRow(0);
        }
    } else {
        FViewer.Error(OutcomeMessage(outcome));
        result = false;
    }
    IsCalc = true;
    emit Changed();
    return result;
}

void TCalculator::AddHistory(const QString& Expression, double Value, double EvalAns, double EvalPreAns,
                             double EvalM, double EvalGT)
{
    auto record = std::make_unique<TExpressionHistory>();
    record->SetExpressionText(Expression);
    record->SetPreAns(EvalPreAns);
    record->SetAns(EvalAns);
    record->SetVarM(EvalM);
    record->SetVarGT(EvalGT);
    record->SetAngleMode(AngleMode);
    record->SetViewMode(FViewer.ViewMode());
    record->SetDigitNumber(FViewer.DigitNumber());
    record->SetIsGroupingSeparator(FViewer.IsGroupingSeparator());
    record->SetValue(Value);
    FExpressionHistorys.push_back(std::move(record));
    const std::size_t limit = std::size_t(std::max(HistoryCount, 0));
    while (FExpressionHistorys.size() > limit) FExpressionHistorys.erase(FExpressionHistorys.begin());
    ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1;

    FHistoryPopup.prepend(FInput.Text);
    // one item drops out per new one; a longer list left from a larger limit
    // shrinks one item at a time
    if (FHistoryPopup.size() > std::max(HistoryCount, 0)) FHistoryPopup.removeAt(std::max(HistoryCount, 0));
}

void TCalculator::SelectHistoryRow(int Row)
{
    FHistoryListSelected = (Row >= 0 && Row < HistoryListRowCount()) ? Row : -1;
}

// ---------------------------------------------------------------------------------
// Commands

bool TCalculator::ExecuteCommand()
{
    const QString S = ConvertHalfWidthUpper(FInput.Text);
    bool result = true;
    const qsizetype n = S.size();
    if (S == u"@" || S == u"@NORM") {
        DigitDisplayMode = vtNormal;
        IsDigitGroupingSeparator = false;
        IsVarCalcMode = false;
        FCalcModeLabelVisible = false;
    } else if (S == u"@DMS") {
        DigitDisplayMode = vtDms;
    } else if (S == u"@HEX") {
        DigitDisplayMode = vtHex;
    } else if (S == u"@BIN") {
        DigitDisplayMode = vtBin;
    } else if (S == u"@DEG") {
        AngleMode = atDeg;
    } else if (S == u"@RAD") {
        AngleMode = atRad;
    } else if (S == u"@GRAD") {
        AngleMode = atGrad;
    } else if (S == u"@MCL") {
        ClearMemory();
    } else if (S == u"@M+") {
        SetMemoryValue(VarM + Ans);
        if (VarMCount < INT32_MAX) ++VarMCount;
    } else if (S == u"@M-") {
        SetMemoryValue(VarM - Ans);
        if (VarMCount < INT32_MAX) ++VarMCount;
    } else if (S == u"@,") {
        IsDigitGroupingSeparator = !IsDigitGroupingSeparator;
    } else if (S == u"@TOPMOST") {
        TopMostActionExecute();
    } else if (S == u"@TRANSPARENCY") {
        ToggleTransparency();
    } else if (S == u"@HISCL") {
        for (auto& r : FExpressionHistorys) r->Clear();
        FHistoryPopup.clear();
        emit HistoryChanged();
    } else if (S == u"@VARCL") {
        VariableDictionary.Clear();
    } else if (n >= 7 && S.startsWith(u"@CALC:")) {
        result = StartVarCalcMode(S);
    } else if (n >= 7 && S.startsWith(u"@BUTTON")) {
        try {
            SetCustomButton(S);
        } catch (const std::exception&) {
            result = false;
        }
        if (result) {
            SetInputText(QString());
            emit Changed();
            return true;
        }
    } else if (n >= 7) {
        // unknown long commands pass silently
    } else if ((n == 5 || n == 6) && S.mid(1, 3) == u"FIX") {
        try {
            SetFixMode(S);
        } catch (const EModeError&) {
            result = false;
        }
    } else if ((n == 5 || n == 6) && S.mid(1, 3) == u"SCI") {
        try {
            SetSciMode(S);
        } catch (const EModeError&) {
            result = false;
        }
    } else if ((n == 5 || n == 6) && S.mid(1, 3) == u"ENG") {
        try {
            SetEngMode(S);
        } catch (const EModeError&) {
            result = false;
        }
    } else {
        result = false;
    }

    if (!result) {
        SetInputText(QString());
        FViewer.Error(QStringLiteral("Mode Error"));
    } else if (S == u"@HISCL" || S == u"@VARCL") {
        IsCalc = false;
        ApplyDisplayMode(false);
    } else if (IsVarCalcMode) {
        IsCalc = false; // the first prompt stays in the input line
    } else {
        IsCalc = false;
        ApplyDisplayMode(true);
        UpdateAngleModeCaption(AngleMode);
    }
    emit Changed();
    return result;
}

void TCalculator::SetFixMode(const QString& S)
{
    if (S.size() != 5) throw EModeError();
    DigitDisplayMode = vtFix; // set before the digit is checked, as the command always did
    const QChar d = S[4];
    if (d < u'0' || d > u'9') throw EModeError();
    RoundDecimal = d.unicode() - u'0';
}

void TCalculator::SetSciMode(const QString& S)
{
    if (S.size() != 5) throw EModeError();
    DigitDisplayMode = vtSci;
    const QChar d = S[4];
    if (d < u'2' || d > u'9') throw EModeError();
    RoundDecimal = d.unicode() - u'0';
}

void TCalculator::SetEngMode(const QString& S)
{
    DigitDisplayMode = vtEng;
    int shift = 0;
    if (!TextToInt(S.mid(4), shift)) throw EModeError();
    Eng = shift;
}

void TCalculator::SetCustomButton(const QString& Command)
{
    CustomBtnTitle.clear();
    CustomBtnExpression.clear();
    FCustomVisible = false;
    if (Command.contains(u'=')) {
        // "@BUTTON=" is passed over by position, not compared
        const qsizetype colon = Command.indexOf(u':');
        if (colon >= 0) {
            CustomBtnTitle = colon > 8 ? Command.mid(8, colon - 8) : QString();
            CustomBtnExpression = Command.mid(colon + 1);
        } else {
            CustomBtnExpression = Command.mid(8);
        }
        if (!CustomBtnExpression.isEmpty()) FCustomVisible = true;
    }
    FCustomCaption = CustomBtnTitle;
    emit Changed();
}

void TCalculator::CustomBtnActionExecute()
{
    if (CustomBtnExpression.isEmpty()) return;
    QString t = CustomBtnExpression;
    t.replace(QStringLiteral("[]"), FInput.Text);
    SetInputText(t);
    CalcExpression(true);
}

// ---------------------------------------------------------------------------------
// Variables and the variable-calculation mode

bool TCalculator::AssignVariable(bool IsRecord)
{
    const QString S = ConvertHalfWidthUpper(FInput.Text);
    const QStringList pieces = S.split(u'=');
    const QString name = TrimBlanks(pieces.value(0));
    if (name != u"M" && CreateFunctionDictionary().contains(name)) {
        IsCalc = true;
        return false;
    }
    // an answer to a prompt whose "=" was removed has no right-hand side to read
    if (name.isEmpty() || pieces.size() < 2) return false;
    QString E = pieces[1];
    if (E.isEmpty()) return true;
    if (E.startsWith(u' ')) E.remove(0, 1);

    {
        TKeyList keys;
        TExpressionTextConvert convert;
        convert.SetKeyList(&keys);
        convert.SetVariableDictionary(&VariableDictionary);
        if (!convert.Convert(E)) {
            FViewer.Error(QStringLiteral("Syntax error"));
            IsCalc = true;
            emit Changed();
            return false;
        }
    }

    const QString T = FInput.Text;
    VarSubstituting = true;
    SetInputText(E);
    const bool R = CalcExpression(IsRecord);
    if (R) {
        if (name == u"M") {
            SetMemoryValue(Ans);
            if (VarMCount < INT32_MAX) ++VarMCount;
            if (E == u"0") ClearMemory();
        } else {
            VariableDictionary.AddOrSetValue(name, Ans);
        }
        // with a limit of 0 the record is already gone again
        if (IsRecord && !FExpressionHistorys.empty()) {
            FExpressionHistorys.back()->SetExpressionText(T);
            emit HistoryChanged();
            if (!FHistoryPopup.isEmpty()) FHistoryPopup[0] = T;
        }
    }
    VarSubstituting = false;
    SetInputText(T);
    if (!IsVarCalcMode) PlaceCaret(true, int(FInput.Text.size()));
    emit Changed();
    return true;
}

bool TCalculator::StartVarCalcMode(const QString& Text)
{
    const QString F = Text.section(u':', 1, 1);
    if (F.isEmpty()) return true;
    CalcModeVariableList.clear();
    {
        TKeyList keys;
        TExpressionTextConvert convert;
        convert.SetKeyList(&keys);
        convert.SetVariableDictionary(&VariableDictionary);
        convert.SetIsVarCalcMode(true);
        convert.SetCalcModeVariableList(&CalcModeVariableList);
        if (!convert.Convert(F)) {
            FViewer.Error(QStringLiteral("Syntax error"));
            IsCalc = true;
            return false;
        }
    }
    CalcModeVariableList.removeDuplicates(); // keeps the first of each name
    CalcModeVariableList.removeIf([](const QString& n) { return n.contains(u'['); });
    if (CalcModeVariableList.isEmpty()) return true;

    IsVarCalcMode = true;
    FCalcModeLabelVisible = true;
    CalcModeVarIndex = 0;
    CalcModeExpressionText = F;
    VarCalcing = true;
    ShowPrompt(CalcModeVariableList[0]);
    CalcModeVarIndex = 1;
    IsVarCalcModeSubstitute = true;
    emit Changed();
    return true;
}

void TCalculator::ShowPrompt(const QString& Name)
{
    SetInputText(Name + QStringLiteral(" = "));
    PlaceCaret(false, int(FInput.Text.size()));
}

bool TCalculator::StepVarCalcMode(bool IsRecord, bool& Prompted)
{
    Prompted = false;
    bool result = true;
    if (VarSubstituting || CalcModeVariableList.size() < CalcModeVarIndex) return true;
    if (IsVarCalcModeSubstitute) {
        IsVarCalcModeSubstitute = false;
        if (!AssignVariable(IsRecord)) {
            FViewer.Error(QStringLiteral("Syntax error"));
            IsCalc = true;
            result = false;
        }
    }
    if (CalcModeVariableList.size() > CalcModeVarIndex) {
        // a refused answer moves on to the next name
        ShowPrompt(CalcModeVariableList[CalcModeVarIndex]);
        ++CalcModeVarIndex;
        IsVarCalcModeSubstitute = true;
        Prompted = true;
        emit Changed();
        return result;
    }
    VarCalcing = false;
    CalcModeExpressionText.remove(u'[');
    CalcModeExpressionText.remove(u']');
    SetInputText(CalcModeExpressionText);
    CalcModeVarIndex = 0;
    IsVarCalcModeSubstitute = false;
    return result;
}

void TCalculator::AllClear()
{
    SetInputText(QString());
    FViewer.SetValue(0);
    IsCalc = false;
    VarGT = 0;
    VarGTCount = 0;
    IsVarCalcMode = false;
    FCalcModeLabelVisible = false;
    VarCalcing = false;
    CalcModeVarIndex = 0;
    IsVarCalcModeSubstitute = false;
    emit Changed();
}

// ---------------------------------------------------------------------------------
// Display and angle modes

void TCalculator::ApplyDisplayMode(bool Recalculate)
{
    FViewer.SetIsGroupingSeparator(IsDigitGroupingSeparator);
    FViewer.SetViewMode(DigitDisplayMode);
    FViewer.SetDigitNumber(RoundDecimal);
    FViewer.SetEng(Eng);
    UpdateResultModeCaption();
    if (FExpressionHistorys.empty()) {
        SetInputText(QString());
        FViewer.SetValue(0);
    } else {
        SetInputText(FExpressionHistorys.back()->ExpressionText());
        if (Recalculate) CalcExpression(false);
        if (FInput.Text.isEmpty()) FViewer.SetValue(0);
    }
    emit Changed();
}

void TCalculator::SetAngle(TAngleType Mode)
{
    AngleMode = Mode;
    UpdateAngleModeCaption(Mode);
    emit FocusInputRequested();
    emit Changed();
}

void TCalculator::UpdateAngleModeCaption(TAngleType Mode)
{
    switch (Mode) {
    case atDeg: FAngleModeCaption = QStringLiteral("Deg"); break;
    case atRad: FAngleModeCaption = QStringLiteral("Rad"); break;
    case atGrad: FAngleModeCaption = QStringLiteral("Grad"); break;
    }
}

void TCalculator::UpdateResultModeCaption()
{
    switch (FViewer.ViewMode()) {
    case vtNormal: FResultModeCaption = QStringLiteral("Norm"); break;
    case vtFix: FResultModeCaption = QStringLiteral("Fix") + QString::number(RoundDecimal); break;
    case vtSci: FResultModeCaption = QStringLiteral("Sci") + QString::number(RoundDecimal); break;
    case vtEng: FResultModeCaption = QStringLiteral("Eng") + QString::number(Eng); break;
    case vtDms: FResultModeCaption = QStringLiteral("Dms"); break;
    case vtHex: FResultModeCaption = QStringLiteral("Hex"); break;
    case vtBin: FResultModeCaption = QStringLiteral("Bin"); break;
    case vtNotView: break;
    }
}

void TCalculator::NormalActionExecute()
{
    DigitDisplayMode = vtNormal;
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::FixActionExecute(int Digits)
{
    DigitDisplayMode = vtFix;
    RoundDecimal = std::clamp(Digits, 0, 9);
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::SciActionExecute(int Digits)
{
    DigitDisplayMode = vtSci;
    RoundDecimal = std::clamp(Digits, 2, 9);
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::DigitGroupingSeparatorActionExecute()
{
    IsDigitGroupingSeparator = !IsDigitGroupingSeparator;
    ApplyDisplayMode(true);
}

bool TCalculator::CopyActionExecute(QString& Text)
{
    try {
        Text = FViewer.ValueText();
    } catch (const EFormatError&) {
        return false;
    }
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
    return true;
}

// ---------------------------------------------------------------------------------
// Memory

void TCalculator::SetMemoryValue(double Value)
{
    VarM = Value;
    UpdateMemoryButton();
}

void TCalculator::UpdateMemoryButton()
{
    FMVisible = true;
    // the Normal text without grouping: 10 significant digits, 9 below 1
    const int sd = FViewer.SignificantDigits();
    const bool belowOne = !(VarM >= 1 || VarM <= -1);
    FMCaption = QStringLiteral("M=") + DecimalFormat::General(VarM, belowOne ? sd - 1 : sd, 0);
    emit Changed();
}

void TCalculator::ClearMemory()
{
    VarM = 0;
    VarMCount = 0;
    FMVisible = false;
    FMCaption = QStringLiteral("M");
    emit Changed();
}

void TCalculator::MemoryAdd(int Sign)
{
    if (!IsCalc) {
        CalcExpression(true);
        emit FocusInputRequested();
        PlaceCaret(true, int(FInput.Text.size()));
    }
    // runs even when that calculation failed: the previous answer goes in
    SetMemoryValue(Sign > 0 ? VarM + Ans : VarM - Ans);
    if (VarMCount < INT32_MAX) ++VarMCount;
}

void TCalculator::MActionExecute()
{
    if (IsCalc) SetInputText(QStringLiteral("M"));
    else SetInputText(FInput.Text + QStringLiteral("M"));
    IsCalc = false;
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
}

// ---------------------------------------------------------------------------------
// History and recorded expressions

void TCalculator::ApplyHistoryCount()
{
    HistoryCount = std::max(AppData.HistoryCount, 0);
    // the oldest go in one step, however many there are
    if (FExpressionHistorys.size() > std::size_t(HistoryCount))
        FExpressionHistorys.erase(FExpressionHistorys.begin(),
                                  FExpressionHistorys.end() - std::ptrdiff_t(HistoryCount));
    if (!FExpressionHistorys.empty()) ExpressionHistoryIndex = int(FExpressionHistorys.size());
    FHistoryListRows = HistoryCount;
    if (FHistoryListSelected >= HistoryListRowCount()) FHistoryListSelected = -1;
    if (AppData.IsHistoryRecord) {
        FHistoryPopup.clear();
        for (const auto& r : FExpressionHistorys) FHistoryPopup.prepend(r->ExpressionText());
    }
    emit HistoryChanged();
    emit Changed();
}

void TCalculator::ShowHistory(const TExpressionHistory& Record)
{
    SetInputText(Record.ExpressionText());
    UpdateAngleModeCaption(Record.AngleMode());
    FViewer.SetViewMode(Record.ViewMode());
    FViewer.SetValue(Record.Value());
    IsCalc = true;
}

void TCalculator::UpKeyActionExecute()
{
    const int count = int(FExpressionHistorys.size());
    ++ExpressionHistoryIndex;
    if (ExpressionHistoryIndex > count - 1 || ExpressionHistoryIndex < 0) {
        ExpressionHistoryIndex = count - 1;
        return;
    }
    SelectHistoryRow(count - ExpressionHistoryIndex - 1);
    ShowHistory(*FExpressionHistorys[std::size_t(ExpressionHistoryIndex)]);
    PlaceCaret(true, int(FInput.Text.size()));
}

void TCalculator::DownKeyActionExecute()
{
    const int count = int(FExpressionHistorys.size());
    --ExpressionHistoryIndex;
    if (ExpressionHistoryIndex < 0) {
        ExpressionHistoryIndex = 0;
        return;
    }
    // the history may have shrunk under the index (a cleared settings file)
    if (ExpressionHistoryIndex >= count) {
        ExpressionHistoryIndex = std::max(count - 1, 0);
        return;
    }
    SelectHistoryRow(count - ExpressionHistoryIndex - 1);
    ShowHistory(*FExpressionHistorys[std::size_t(ExpressionHistoryIndex)]);
    PlaceCaret(true, int(FInput.Text.size()));
}

void TCalculator::HistoryMenuItemClick(int Position)
{
    if (Position < 0 || Position >= FHistoryPopup.size()) return;
    SetInputText(FHistoryPopup[Position]);
    CalcExpression(false);
    ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1 - Position;
    SelectHistoryRow(Position);
    emit Changed();
}

void TCalculator::HistoryListClick(int Index)
{
    if (Index < 0 || Index >= int(FExpressionHistorys.size())) return;
    const TExpressionHistory& R = *FExpressionHistorys[std::size_t(Index)];
    AngleMode = R.AngleMode();
    UpdateAngleModeCaption(AngleMode);
    FViewer.SetIsGroupingSeparator(R.IsGroupingSeparator());
    FViewer.SetViewMode(R.ViewMode());
    FViewer.SetDigitNumber(R.DigitNumber());
    const QString text = R.ExpressionText(); // the calculation may drop the record
    SelectHistoryRow(int(FExpressionHistorys.size()) - 1 - Index); // the clicked row is highlighted
    SetInputText(text);
    CalcExpression(false);
    emit FocusInputRequested();
    PlaceCaret(true, int(FInput.Text.size()));
}

void TCalculator::RecordExpressionActionExecute()
{
    FRecordFrameVisible = true;
    const qsizetype at = FRecordExpressions.indexOf(FInput.Text);
    if (at >= 0) FRecordExpressions.move(at, 0);
    else FRecordExpressions.prepend(FInput.Text);
    FRecordSelected = 0;
    emit Changed();
}

void TCalculator::DelRecordExpressionActionExecute()
{
    if (FRecordSelected < 0 || FRecordSelected >= FRecordExpressions.size()) return;
    const int i = FRecordSelected;
    FRecordExpressions.removeAt(i);
    if (FRecordExpressions.isEmpty()) {
        FRecordFrameVisible = false;
        FRecordSelected = -1;
    } else {
        FRecordSelected = std::min(i, int(FRecordExpressions.size()) - 1);
    }
    emit Changed();
}

void TCalculator::SelectRecordExpression(int Index)
{
    FRecordSelected = (Index >= 0 && Index < FRecordExpressions.size()) ? Index : -1;
    emit Changed();
}

void TCalculator::MoveRecordExpression(int Delta)
{
    const int i = FRecordSelected;
    const int to = i + Delta;
    if (i < 0 || i >= FRecordExpressions.size() || to < 0 || to >= FRecordExpressions.size()) return;
    FRecordExpressions.move(i, to);
    FRecordSelected = to;
    emit Changed();
}

void TCalculator::ExpressionRecordFrameListBoxDblClick()
{
    if (FRecordSelected < 0 || FRecordSelected >= FRecordExpressions.size()) return;
    AllClear();
    QString T = FRecordExpressions[FRecordSelected];
    // a label stands before the first ";"
    if (T.contains(u';')) {
        T = T.section(u';', 1, 1);
        qsizetype b = 0;
        while (b < T.size() && IsBlank(T[b])) ++b;
        T = T.mid(b);
    }
    SetInputText(T);
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
}

// ---------------------------------------------------------------------------------
// Window options

void TCalculator::TopMostActionExecute() { SetTopMost(!FIsTopMost); }

void TCalculator::SetTopMost(bool On)
{
    FIsTopMost = On;
    emit TopMostChanged();
    emit Changed();
}

void TCalculator::ToggleTransparency()
{
    if (FTransparency) AppData.TransparencyValue = 0;
    FTransparency = !FTransparency;
    emit TransparencyToggled();
    emit Changed();
}

// ---------------------------------------------------------------------------------
// The settings file

void TCalculator::StartWithDefaults()
{
    AppData.HistoryCount = 10;
    IsRealTimeCalc = false;
    ApplyHistoryCount();
    UpdateAngleModeCaption(AngleMode);
    UpdateResultModeCaption();
}

void TCalculator::ApplySettings()
{
    IsRealTimeCalc = AppData.IsRealTimeCalc;
    ApplyHistoryCount();
    NoteStateChanged();
}

void TCalculator::SettingsCleared()
{
    // the file's defaults are in AppData and the lent history and variables are empty
    FHistoryPopup.clear();
    ExpressionHistoryIndex = 0;
    FHistoryListSelected = -1;
    emit HistoryChanged();
    emit Changed();
}

void TCalculator::SetAutoSave(bool On)
{
    FAutoSaveOn = On;
    if (!On) FAutoSave.stop();
}

void TCalculator::NoteStateChanged()
{
    if (FAutoSaveOn) FAutoSave.start();
}

void TCalculator::RestoreAppData()
{
    AppData.ExpressionHistorys = &FExpressionHistorys;
    AppData.VariableDictionary = &VariableDictionary;
    QStringList records;
    AppData.RecordExpressions = &records;
    AppData.Read();
    AppData.RecordExpressions = nullptr;
    FRecordExpressions = records;
    FRecordSelected = -1;
    if (!records.isEmpty()) {
        FRecordFrameVisible = true;
        FRecordFrameHeight = AppData.RecordExpressionFrameHeight;
    }

    IsDigitGroupingSeparator = AppData.IsDigitGroupingSeparator;
    AngleMode = AppData.AngleMode;
    // the display mode comes back with its digits
    DigitDisplayMode = AppData.ViewMode == vtNotView ? vtNormal : AppData.ViewMode;
    RoundDecimal = AppData.RoundDecimal;
    Eng = AppData.Eng;
    FViewer.SetViewMode(DigitDisplayMode);
    FViewer.SetDigitNumber(RoundDecimal);
    FViewer.SetEng(Eng);
    UpdateAngleModeCaption(AngleMode);
    UpdateResultModeCaption();
    FViewer.SetIsGroupingSeparator(IsDigitGroupingSeparator);

    FIsTopMost = AppData.IsTopMost;
    FTransparency = AppData.Transparency;

    CustomBtnTitle = AppData.CustomBtnTitle;
    CustomBtnExpression = AppData.CustomBtnExpression;
    if (!CustomBtnExpression.isEmpty())
        SetCustomButton(QStringLiteral("@BUTTON=") + CustomBtnTitle + u':' + CustomBtnExpression);

    if (AppData.IsHistoryRecord) {
        SetInputText(AppData.InputExpressionText);
        if (!FInput.Text.isEmpty()) {
            PlaceCaret(false, int(FInput.Text.size()));
            emit FocusInputRequested();
            // evaluated before the answers and the memory come back
            if (AppData.IsCalc) CalcExpression(false);
        }
    }
    if (AppData.IsVariableRecord) {
        SetMemoryValue(AppData.VarM);
        if (VarM == 0) ClearMemory();
        Ans = AppData.Ans;
        PreAns = AppData.PreAns;
        IsCalc = AppData.IsCalc;
    }
    emit Changed();
}

void TCalculator::FormShow()
{
    RestoreAppData();
    IsRealTimeCalc = AppData.IsRealTimeCalc;
    ApplyHistoryCount();
    emit FocusInputRequested();
}

void TCalculator::FormSaveState()
{
    AppData.InputExpressionText = FInput.Text;
    AppData.VarM = VarM;
    AppData.Ans = Ans;
    AppData.PreAns = PreAns;
    AppData.IsCalc = IsCalc;
    AppData.ViewMode = DigitDisplayMode;
    AppData.RoundDecimal = RoundDecimal;
    AppData.Eng = Eng;
    AppData.AngleMode = AngleMode;
    AppData.IsTopMost = FIsTopMost;
    AppData.Transparency = FTransparency;
    AppData.IsDigitGroupingSeparator = IsDigitGroupingSeparator;
    AppData.CustomBtnTitle = CustomBtnTitle;
    AppData.CustomBtnExpression = CustomBtnExpression;
    QStringList records = FRecordExpressions;
    AppData.RecordExpressions = &records;
    AppData.RecordExpressionFrameHeight = FRecordFrameHeight;
    AppData.ExpressionHistorys = &FExpressionHistorys;
    AppData.VariableDictionary = &VariableDictionary;
    try {
        AppData.Write();
    } catch (...) {
        AppData.RecordExpressions = nullptr;
        throw;
    }
    AppData.RecordExpressions = nullptr;
}
