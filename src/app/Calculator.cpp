#include "Calculator.h"

#include "DecimalFormat.h"
#include "Expression.h"
#include "ExpressionTextConvert.h"
#include "IntegerText.h"
#include "MojiConvert.h"
#include "ThreadAnnotations.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

// Raised by the parameterised mode commands; caught inside ExecuteCommand.
struct EModeError : std::runtime_error {
    EModeError() : std::runtime_error("mode error") {}
};

bool IsBlank(QChar c) {
    return c.unicode() <= 0x20;
}

QString TrimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// Operators that, typed first after a calculation, continue from the answer.
bool ContinuesFromAns(QChar typed) {
    // a full-width or typographic operator from an input method counts too
    const QString c = ConvertHalfWidthUpper(ConvertOperatorSigns(QString(typed)));
    return c.size() == 1 && QStringLiteral("*+-/^").contains(c[0]);
}

// Whether an expression can name a variable stored as Name: the name alone must
// read back as that one variable, not as numbers, operators or several words.
bool ReadsAsOneVariable(const QString& Name) {
    if (Name.size() > TExpressionTextConvert::MaxTextLength) return false;
    TVariableDictionary only;
    only.AddOrSetValue(Name, 0);
    TKeyList keys;
    TExpressionTextConvert convert(&keys, &only);
    return convert.Convert(Name) && keys == TKeyList{ekVariable, ekLParen, ek0, ekRParen};
}

} // namespace

TCalculator::TCalculator(QObject* parent) : QObject(parent) {
    AppData.ExpressionHistorys = &FExpressionHistorys;
    AppData.VariableDictionary = &VariableDictionary;
    FPreviewPool.setStackSize(uint(TExpression::ThreadStackSize));
    FPreviewPool.setMaxThreadCount(2);
    FAutoSave.setSingleShot(true);
    FAutoSave.setInterval(1000);
    connect(&FAutoSave, &QTimer::timeout, this, [this] {
        try {
            FormSaveState();
        } catch (const EInOutError& e) {
            emit SaveFailed(QString::fromLocal8Bit(e.what()));
        }
    });
}

TCalculator::~TCalculator() {
    ++FPreviewGeneration;
    FPreviewPool.clear();
    WaitForPreview();
}

void TCalculator::WaitForPreview() {
    FPreviewPool.waitForDone();
    KORVEX_TAKEN_OVER(this);
}

QString TCalculator::ResultText(bool* FormatError) {
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

TResultPopupChecks TCalculator::ResultPopupChecks() const {
    TResultPopupChecks c;
    c.Normal = DigitDisplayMode == vtNormal;
    if (DigitDisplayMode == vtFix && RoundDecimal >= 0 && RoundDecimal <= 9) c.Fix = RoundDecimal;
    if (DigitDisplayMode == vtSci && RoundDecimal >= 2 && RoundDecimal <= 9) c.Sci = RoundDecimal;
    c.Grouping = IsDigitGroupingSeparator;
    return c;
}

// ---------------------------------------------------------------------------------
// The input line

void TCalculator::SetInputText(const QString& Text) {
    const bool changed = Text != FInput.Text;
    FInput.Text = Text;
    FInput.SelStart = 0;
    FInput.SelLength = 0;
    FInput.Caret = int(Text.size());
    if (changed) ExpressionEditChangeTracking();
    NoteChanged();
}

void TCalculator::PlaceCaret(bool SelectAll, int Position) {
    FInput.SelStart = 0;
    FInput.SelLength = SelectAll ? int(FInput.Text.size()) : 0;
    FInput.Caret = std::clamp(Position, 0, int(FInput.Text.size()));
    NoteChanged();
}

void TCalculator::InsertText(const QString& Text) {
    QString t = FInput.Text;
    int at = FInput.Caret;
    if (FInput.SelLength > 0) {
        const int start = std::clamp(FInput.SelStart, 0, int(t.size()));
        const int len = std::clamp(FInput.SelLength, 0, int(t.size()) - start);
        t.remove(start, len);
        at = start;
    }
    at = std::clamp(at, 0, int(t.size()));
    if (t.size() + Text.size() > MaxInputLength) {
        emit InputRefused();
        NoteChanged();
        return;
    }
    t.insert(at, Text);
    const bool changed = t != FInput.Text;
    FInput.Text = t;
    FInput.SelStart = 0;
    FInput.SelLength = 0;
    FInput.Caret = at + int(Text.size());
    if (changed) ExpressionEditChangeTracking();
    NoteChanged();
}

void TCalculator::TypeText(const QString& Text) {
    const TChangeBatch batch(*this);
    for (QChar ch : Text) {
        if (IsCalc) {
            if (ContinuesFromAns(ch)) SetInputText(QStringLiteral("ANS"));
            IsCalc = false;
        }
        // the formula's value of the variable-calculation mode cannot be edited
        if (VarCalc.FormulaShown()) continue;
        InsertText(QString(ch));
    }
}

void TCalculator::PasteText(const QString& Text) {
    InsertText(Text);
}

bool TCalculator::CaretKey(TCaretKey Key) {
    const TChangeBatch batch(*this);
    if (!IsCalc) return false;
    const int end = int(FInput.Text.size());
    // after a calculation Left jumps to the end and Right to the start
    PlaceCaret(false, (Key == ckEnd || Key == ckLeft) ? end : 0);
    IsCalc = false;
    return true;
}

void TCalculator::SetInputState(const TInputLine& Line) {
    if (Line.Text.size() > MaxInputLength && Line.Text.size() > FInput.Text.size()) {
        emit InputRefused();
        NoteChanged(); // the window shows the line as it was
        return;
    }
    const bool changed = Line.Text != FInput.Text;
    FInput = Line;
    FInput.Caret = std::clamp(FInput.Caret, 0, int(FInput.Text.size()));
    FInput.SelStart = std::clamp(FInput.SelStart, 0, int(FInput.Text.size()));
    FInput.SelLength = std::clamp(FInput.SelLength, 0, int(FInput.Text.size()) - FInput.SelStart);
    if (changed) ExpressionEditChangeTracking();
    NoteChanged();
}

void TCalculator::ExpressionEditMouseDown() {
    IsCalc = false;
}

QString TCalculator::VariableItemName(int Position) const {
    const int count = VariableDictionary.Count();
    if (Position >= 0 && Position < count) return VariableDictionary.GetNameItems(Position);
    if (Position == count && FMVisible) return QStringLiteral("M");
    return {};
}

QList<TCalculator::TVariableItem> TCalculator::VariablePopupItems() const {
    QList<TVariableItem> items;
    // a copy of the result viewer writes each value as the result area would
    TCalcResultViewer viewer = FViewer;
    const auto add = [&](const QString& Name, double Value) {
        viewer.SetValue(Value);
        items.append({Name + QStringLiteral(" = ") + viewer.DisplayText(), Name});
    };
    for (int i = 0; i < VariableDictionary.Count(); ++i)
        add(VariableDictionary.GetNameItems(i), VariableDictionary.GetValueItems(i));
    if (FMVisible) add(QStringLiteral("M"), CalcValues.VarM);
    return items;
}

void TCalculator::VariablePopupItemClick(int Position) {
    const QString name = VariableItemName(Position);
    if (name.isEmpty()) return;
    emit FocusInputRequested();
    IsCalc = false;
    // the formula's value of the variable-calculation mode cannot be edited
    if (VarCalc.FormulaShown()) return;
    InsertText(name);
}

// ---------------------------------------------------------------------------------
// The live preview

void TCalculator::CancelPreview() {
    ++FPreviewGeneration;
}

void TCalculator::ExpressionEditChangeTracking() {
    if (!IsRealTimeCalc) return;
    const quint64 generation = ++FPreviewGeneration;
    if (FInput.Text.isEmpty()) {
        ShowValue(0);
        return;
    }
    // The task works on copies taken here that share no data with the originals,
    // so it never reads what this thread goes on writing.
    FPreviewPool.start(new TPreviewTask(this, generation,
                                        QString(FInput.Text.constData(), FInput.Text.size()),
                                        VariableDictionary.Snapshot(), CalcValues));
}

TCalculator::TPreviewTask::TPreviewTask(TCalculator* Owner, quint64 Generation, const QString& Text,
                                        const TVariableDictionary& Variables, const TCalcValues& Values)
    : FOwner(Owner), FGeneration(Generation), FText(Text), FVariables(Variables), FValues(Values) {
    KORVEX_HANDED_OVER(this);
}

void TCalculator::TPreviewTask::run() {
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
    // a preview shows no message, but the calculator learns that the shown value
    // is no longer the line's
    const bool evaluated = outcome.Kind == eoValue;
    auto* event = new TPreviewValueEvent(generation, evaluated, evaluated ? outcome.Value : 0);
    KORVEX_HANDED_OVER(event);
    QCoreApplication::postEvent(owner, event);
}

void TCalculator::customEvent(QEvent* Event) {
    KORVEX_TAKEN_OVER(Event); // before anything of the event is read
    if (Event->type() != TPreviewValueEvent::Kind()) return QObject::customEvent(Event);
    auto* e = static_cast<TPreviewValueEvent*>(Event);
    // only the newest text's value is shown
    if (e->Generation != FPreviewGeneration.load()) return;
    if (e->Evaluated) {
        FViewer.SetValue(e->Value);
        FShownGeneration = e->Generation;
        FResultStale = false;
    } else {
        // what was shown for this very text (a recalled record) is still its answer
        FResultStale = FShownGeneration != e->Generation;
    }
    NoteChanged();
}

void TCalculator::ShowValue(double Value) {
    FViewer.SetValue(Value);
    FShownGeneration = FPreviewGeneration.load();
    FResultStale = false;
}

void TCalculator::ShowMessage(const QString& Message) {
    FViewer.Error(Message);
    FShownGeneration = FPreviewGeneration.load();
    FResultStale = false;
}

// ---------------------------------------------------------------------------------
// Enter

bool TCalculator::EnterLine(const QString& Line) {
    const TChangeBatch batch(*this);
    if (VarCalc.IsVarCalcMode && VarCalc.IsVarCalcModeSubstitute) {
        PlaceCaret(false, int(FInput.Text.size()));
        PasteText(Line);
    } else if (!VarCalc.FormulaShown()) {
        SetInputText(Line);
    }
    return CalcExpression(true);
}

bool TCalculator::CalcExpression(bool IsRecord) {
    const TChangeBatch batch(*this);
    if (VarCalc.IsVarCalcMode) {
        bool prompted = false;
        const bool stepped = StepVarCalcMode(IsRecord, prompted);
        if (prompted) return stepped;
    }
    CancelPreview();
    FResultStale = false; // Enter answers for the line, whatever it shows
    FErrorPlace = {};

    const QString S = ConvertHalfWidthUpper(FInput.Text);
    if (S.startsWith(u'@')) return ExecuteCommand();
    if (S.contains(u'=')) {
        if (AssignVariable(IsRecord)) return true;
        ShowMessage(QStringLiteral("Syntax error"));
        IsCalc = true;
        SelectErrorPlace(FErrorPlace); // a right-hand side that does not convert
        NoteChanged();
        return false;
    }

    const TCalcValues before = CalcValues;
    const TEvalOutcome outcome = FEvaluator.Evaluate(S, VariableDictionary, before);
    bool result = true;
    if (outcome.Kind == eoValue) {
        CalcValues.Ans = outcome.Value;
        if (!VarCalc.VarCalcing) {
            CalcValues.PreAns = before.Ans;
            CalcValues.VarX = outcome.VarX;
            CalcValues.VarY = outcome.VarY;
            ShowValue(CalcValues.Ans);
            PlaceCaret(true, int(FInput.Text.size()));
            // an overflowing sum still leaves the value shown and recorded
            CalcValues.VarGT = CalcValues.VarGT + CalcValues.Ans;
            if (CalcValues.VarGTCount < INT32_MAX) ++CalcValues.VarGTCount;
        }
        if (IsRecord) {
            AddHistory(FInput.Text, CalcValues.Ans, before.Ans, before.PreAns, before.VarM, before.VarGT);
            emit HistoryChanged();
            ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1;
            SelectHistoryRow(0);
        }
    } else {
        ShowMessage(OutcomeMessage(outcome));
        result = false;
    }
    IsCalc = true;
    if (!result) SelectErrorPlace(TypedPlace(FindErrorPlace(S, VariableDictionary, outcome), S));
    NoteChanged();
    return result;
}

TTextRange TCalculator::TypedPlace(TTextRange Place, const QString& Folded) const {
    return TFoldedPositions(FInput.Text, Folded).Source(Place);
}

void TCalculator::SelectErrorPlace(TTextRange Place) {
    // the variable-calculation mode puts its next prompt or its formula in the line
    if (Place.IsEmpty() || VarCalc.IsVarCalcMode) {
        FErrorPlace = {};
        return;
    }
    FErrorPlace = Place;
    FInput.SelStart = Place.Start;
    FInput.SelLength = Place.Length;
    FInput.Caret = Place.End();
    // the line is being mended now, not continued: an operator typed over the
    // place replaces it instead of starting from ANS
    IsCalc = false;
    NoteChanged();
}

void TCalculator::AddHistory(const QString& Expression, double Value, double EvalAns, double EvalPreAns,
                             double EvalM, double EvalGT) {
    const std::size_t limit = std::size_t(std::max(HistoryCount, 0));
    // a full history hands its oldest record over to the new one, whose every
    // field is written below
    std::unique_ptr<TExpressionHistory> record;
    if (limit > 0 && FExpressionHistorys.size() >= limit) {
        record = std::move(FExpressionHistorys.front());
        FExpressionHistorys.pop_front();
    }
    if (!record) record = std::make_unique<TExpressionHistory>();
    record->SetExpressionText(Expression);
    record->SetPreAns(EvalPreAns);
    record->SetAns(EvalAns);
    record->SetVarM(EvalM);
    record->SetVarGT(EvalGT);
    record->SetAngleMode(CalcValues.AngleMode);
    record->SetViewMode(FViewer.ViewMode());
    record->SetDigitNumber(FViewer.DigitNumber());
    record->SetIsGroupingSeparator(FViewer.IsGroupingSeparator());
    record->SetValue(Value);
    FExpressionHistorys.push_back(std::move(record));
    while (FExpressionHistorys.size() > limit)
        FExpressionHistorys.erase(FExpressionHistorys.begin());
    ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1;

    FHistoryPopup.prepend(FInput.Text);
    // one item drops out per new one; a longer list left from a larger limit
    // shrinks one item at a time
    if (FHistoryPopup.size() > std::max(HistoryCount, 0)) FHistoryPopup.removeAt(std::max(HistoryCount, 0));
}

void TCalculator::SelectHistoryRow(int Row) {
    FHistoryListSelected = (Row >= 0 && Row < HistoryListRowCount()) ? Row : -1;
}

// ---------------------------------------------------------------------------------
// Commands

bool TCalculator::ExecuteCommand() {
    const TChangeBatch batch(*this);
    const QString S = ConvertHalfWidthUpper(FInput.Text);
    bool result = true;
    const qsizetype n = S.size();
    if (S == u"@" || S == u"@NORM") {
        DigitDisplayMode = vtNormal;
        IsDigitGroupingSeparator = false;
        VarCalc.IsVarCalcMode = false;
        FCalcModeLabelVisible = false;
    } else if (S == u"@DMS") {
        DigitDisplayMode = vtDms;
    } else if (S == u"@HEX") {
        DigitDisplayMode = vtHex;
    } else if (S == u"@BIN") {
        DigitDisplayMode = vtBin;
    } else if (S == u"@DEG") {
        CalcValues.AngleMode = atDeg;
    } else if (S == u"@RAD") {
        CalcValues.AngleMode = atRad;
    } else if (S == u"@GRAD") {
        CalcValues.AngleMode = atGrad;
    } else if (S == u"@MCL") {
        ClearMemory();
    } else if (S == u"@M+") {
        SetMemoryValue(CalcValues.VarM + CalcValues.Ans);
        if (CalcValues.VarMCount < INT32_MAX) ++CalcValues.VarMCount;
    } else if (S == u"@M-") {
        SetMemoryValue(CalcValues.VarM - CalcValues.Ans);
        if (CalcValues.VarMCount < INT32_MAX) ++CalcValues.VarMCount;
    } else if (S == u"@,") {
        IsDigitGroupingSeparator = !IsDigitGroupingSeparator;
    } else if (S == u"@TOPMOST") {
        TopMostActionExecute();
    } else if (S == u"@TRANSPARENCY") {
        ToggleTransparency();
    } else if (S == u"@HISCL") {
        for (auto& r : FExpressionHistorys)
            r->Clear();
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
            NoteChanged();
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
        ShowMessage(QStringLiteral("Mode Error"));
    } else if (S == u"@HISCL" || S == u"@VARCL") {
        IsCalc = false;
        ApplyDisplayMode(false);
    } else if (VarCalc.IsVarCalcMode) {
        IsCalc = false; // the first prompt stays in the input line
    } else {
        IsCalc = false;
        ApplyDisplayMode(true);
        UpdateAngleModeCaption(CalcValues.AngleMode);
    }
    NoteChanged();
    return result;
}

void TCalculator::SetFixMode(const QString& S) {
    if (S.size() != 5) throw EModeError();
    DigitDisplayMode = vtFix; // set before the digit is checked, as the command always did
    const QChar d = S[4];
    if (d < u'0' || d > u'9') throw EModeError();
    RoundDecimal = d.unicode() - u'0';
}

void TCalculator::SetSciMode(const QString& S) {
    if (S.size() != 5) throw EModeError();
    DigitDisplayMode = vtSci;
    const QChar d = S[4];
    if (d < u'2' || d > u'9') throw EModeError();
    RoundDecimal = d.unicode() - u'0';
}

void TCalculator::SetEngMode(const QString& S) {
    DigitDisplayMode = vtEng;
    int shift = 0;
    if (!TextToInt(S.mid(4), shift)) throw EModeError();
    Eng = shift;
}

void TCalculator::SetCustomButton(const QString& Command) {
    const TChangeBatch batch(*this);
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
    NoteChanged();
}

void TCalculator::CustomBtnActionExecute() {
    const TChangeBatch batch(*this);
    if (CustomBtnExpression.isEmpty()) return;
    // each "[]" takes the whole line: a template with two of them doubles it at every press
    const qsizetype holes = CustomBtnExpression.count(QStringLiteral("[]"));
    if (CustomBtnExpression.size() + holes * (FInput.Text.size() - 2) > MaxInputLength) {
        emit InputRefused();
        return;
    }
    QString t = CustomBtnExpression;
    t.replace(QStringLiteral("[]"), FInput.Text);
    SetInputText(t);
    CalcExpression(true);
}

// ---------------------------------------------------------------------------------
// Variables and the variable-calculation mode

bool TCalculator::AssignVariable(bool IsRecord) {
    const TChangeBatch batch(*this);
    const QString S = ConvertHalfWidthUpper(FInput.Text);
    // the name is what comes before the first "=", the expression what lies
    // between it and the next one; a line of many "=" is never split into pieces
    const qsizetype equals = S.indexOf(u'=');
    const QString name = TrimBlanks(equals < 0 ? S : S.left(equals));
    if (name != u"M" && CreateFunctionDictionary().contains(name)) {
        IsCalc = true;
        return false;
    }
    // an answer to a prompt whose "=" was removed has no right-hand side to read
    if (name.isEmpty() || equals < 0) return false;
    // a name no expression can read back would be stored for nothing
    if (name != u"M" && !ReadsAsOneVariable(name)) {
        IsCalc = true;
        return false;
    }
    const qsizetype next = S.indexOf(u'=', equals + 1);
    QString E = S.mid(equals + 1, next < 0 ? -1 : next - equals - 1);
    if (E.isEmpty()) return true;
    int offset = int(equals) + 1; // where E starts in S
    if (E.startsWith(u' ')) {
        E.remove(0, 1);
        ++offset;
    }
    // a place in E, found in the line as typed
    const auto typedPlace = [&](TTextRange Place) {
        if (Place.IsEmpty()) return TTextRange{};
        return TypedPlace({Place.Start + offset, Place.Length}, S);
    };

    {
        TKeyList keys;
        TExpressionTextConvert convert(&keys, &VariableDictionary);
        if (!convert.Convert(E)) {
            ShowMessage(QStringLiteral("Syntax error"));
            IsCalc = true;
            FErrorPlace = typedPlace(convert.ErrorRange()); // the caller selects it
            NoteChanged();
            return false;
        }
    }

    const QString T = FInput.Text;
    VarCalc.VarSubstituting = true;
    SetInputText(E);
    const bool R = CalcExpression(IsRecord);
    if (R) {
        if (name == u"M") {
            SetMemoryValue(CalcValues.Ans);
            if (CalcValues.VarMCount < INT32_MAX) ++CalcValues.VarMCount;
            if (E == u"0") ClearMemory();
        } else {
            VariableDictionary.AddOrSetValue(name, CalcValues.Ans);
        }
        // with a limit of 0 the record is already gone again
        if (IsRecord && !FExpressionHistorys.empty()) {
            FExpressionHistorys.back()->SetExpressionText(T);
            emit HistoryChanged();
            if (!FHistoryPopup.isEmpty()) FHistoryPopup[0] = T;
        }
    }
    const TTextRange failed = R ? TTextRange{} : FErrorPlace; // in E
    VarCalc.VarSubstituting = false;
    SetInputText(T);
    FErrorPlace = {};
    if (!VarCalc.IsVarCalcMode) {
        // a right-hand side that failed at a place shows it in the whole line
        if (failed.IsEmpty())
            PlaceCaret(true, int(FInput.Text.size()));
        else
            SelectErrorPlace(typedPlace(failed));
    }
    NoteChanged();
    return true;
}

bool TCalculator::StartVarCalcMode(const QString& Text) {
    const TChangeBatch batch(*this);
    const QString F = Text.section(u':', 1, 1);
    if (F.isEmpty()) return true;
    VarCalc.CalcModeVariableList.clear();
    {
        TKeyList keys;
        TExpressionTextConvert convert(&keys, &VariableDictionary);
        convert.SetIsVarCalcMode(true);
        convert.SetCalcModeVariableList(&VarCalc.CalcModeVariableList);
        if (!convert.Convert(F)) {
            ShowMessage(QStringLiteral("Syntax error"));
            IsCalc = true;
            return false;
        }
    }
    VarCalc.CalcModeVariableList.removeDuplicates(); // keeps the first of each name
    VarCalc.CalcModeVariableList.removeIf([](const QString& n) { return n.contains(u'['); });
    if (VarCalc.CalcModeVariableList.isEmpty()) return true;

    VarCalc.IsVarCalcMode = true;
    FCalcModeLabelVisible = true;
    VarCalc.CalcModeVarIndex = 0;
    VarCalc.CalcModeExpressionText = F;
    VarCalc.VarCalcing = true;
    ShowPrompt(VarCalc.CalcModeVariableList[0]);
    VarCalc.CalcModeVarIndex = 1;
    VarCalc.IsVarCalcModeSubstitute = true;
    NoteChanged();
    return true;
}

void TCalculator::ShowPrompt(const QString& Name) {
    SetInputText(Name + QStringLiteral(" = "));
    PlaceCaret(false, int(FInput.Text.size()));
}

bool TCalculator::StepVarCalcMode(bool IsRecord, bool& Prompted) {
    Prompted = false;
    bool result = true;
    if (VarCalc.VarSubstituting || VarCalc.CalcModeVariableList.size() < VarCalc.CalcModeVarIndex)
        return true;
    if (VarCalc.IsVarCalcModeSubstitute) {
        VarCalc.IsVarCalcModeSubstitute = false;
        if (!AssignVariable(IsRecord)) {
            ShowMessage(QStringLiteral("Syntax error"));
            IsCalc = true;
            result = false;
        }
    }
    if (VarCalc.CalcModeVariableList.size() > VarCalc.CalcModeVarIndex) {
        // a refused answer moves on to the next name
        ShowPrompt(VarCalc.CalcModeVariableList[VarCalc.CalcModeVarIndex]);
        ++VarCalc.CalcModeVarIndex;
        VarCalc.IsVarCalcModeSubstitute = true;
        Prompted = true;
        NoteChanged();
        return result;
    }
    VarCalc.VarCalcing = false;
    VarCalc.CalcModeExpressionText.remove(u'[');
    VarCalc.CalcModeExpressionText.remove(u']');
    SetInputText(VarCalc.CalcModeExpressionText);
    VarCalc.CalcModeVarIndex = 0;
    VarCalc.IsVarCalcModeSubstitute = false;
    return result;
}

void TCalculator::AllClear() {
    const TChangeBatch batch(*this);
    SetInputText(QString());
    ShowValue(0);
    IsCalc = false;
    CalcValues.VarGT = 0;
    CalcValues.VarGTCount = 0;
    VarCalc.Stop();
    FCalcModeLabelVisible = false;
    NoteChanged();
}

// ---------------------------------------------------------------------------------
// Display and angle modes

void TCalculator::ApplyDisplayMode(bool Recalculate) {
    const TChangeBatch batch(*this);
    FViewer.SetIsGroupingSeparator(IsDigitGroupingSeparator);
    FViewer.SetViewMode(DigitDisplayMode);
    FViewer.SetDigitNumber(RoundDecimal);
    FViewer.SetEng(Eng);
    UpdateResultModeCaption();
    if (FExpressionHistorys.empty()) {
        SetInputText(QString());
        ShowValue(0);
    } else {
        const TExpressionHistory& newest = *FExpressionHistorys.back();
        SetInputText(newest.ExpressionText());
        if (Recalculate) {
            // The newest record comes back as a recall does, with the value it was
            // recorded with: evaluating it again would move Ans and PreAns, count
            // it in GT once more and run an assignment a second time. Nor may a
            // preview of it with today's answers replace that value.
            CancelPreview();
            ShowValue(newest.Value());
            IsCalc = true;
            PlaceCaret(true, int(FInput.Text.size()));
        }
        if (FInput.Text.isEmpty()) ShowValue(0);
    }
    NoteChanged();
}

void TCalculator::SetAngle(TAngleType Mode) {
    const TChangeBatch batch(*this);
    CalcValues.AngleMode = Mode;
    UpdateAngleModeCaption(Mode);
    emit FocusInputRequested();
    NoteChanged();
}

void TCalculator::UpdateAngleModeCaption(TAngleType Mode) {
    switch (Mode) {
    case atDeg:
        FAngleModeCaption = QStringLiteral("Deg");
        break;
    case atRad:
        FAngleModeCaption = QStringLiteral("Rad");
        break;
    case atGrad:
        FAngleModeCaption = QStringLiteral("Grad");
        break;
    }
}

void TCalculator::UpdateResultModeCaption() {
    // the viewer's own digits: a recalled record shows its digits, not the window's;
    // a viewer that never had digits shows Fix with two and Sci with its precision
    const int digits = FViewer.DigitNumber();
    switch (FViewer.ViewMode()) {
    case vtNormal:
        FResultModeCaption = QStringLiteral("Norm");
        break;
    case vtFix:
        FResultModeCaption = QStringLiteral("Fix") + QString::number(digits < 0 ? 2 : digits);
        break;
    case vtSci:
        FResultModeCaption = QStringLiteral("Sci") + (digits < 0 ? QString() : QString::number(digits));
        break;
    case vtEng:
        FResultModeCaption = QStringLiteral("Eng") + QString::number(FViewer.Eng());
        break;
    case vtDms:
        FResultModeCaption = QStringLiteral("Dms");
        break;
    case vtHex:
        FResultModeCaption = QStringLiteral("Hex");
        break;
    case vtBin:
        FResultModeCaption = QStringLiteral("Bin");
        break;
    case vtNotView:
        break;
    }
}

void TCalculator::NormalActionExecute() {
    const TChangeBatch batch(*this);
    DigitDisplayMode = vtNormal;
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::FixActionExecute(int Digits) {
    const TChangeBatch batch(*this);
    DigitDisplayMode = vtFix;
    RoundDecimal = std::clamp(Digits, 0, 9);
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::SciActionExecute(int Digits) {
    const TChangeBatch batch(*this);
    DigitDisplayMode = vtSci;
    RoundDecimal = std::clamp(Digits, 2, 9);
    ApplyDisplayMode(true);
    emit FocusInputRequested();
}

void TCalculator::DigitGroupingSeparatorActionExecute() {
    const TChangeBatch batch(*this);
    IsDigitGroupingSeparator = !IsDigitGroupingSeparator;
    ApplyDisplayMode(true);
}

bool TCalculator::CopyActionExecute(QString& Text) {
    // only an answer to the line on display goes to the clipboard
    if (FViewer.IsError() || FViewer.IsText() || FResultStale) return false;
    QString value;
    try {
        value = FViewer.ValueText();
    } catch (const EFormatError&) {
        return false;
    }
    if (value.isEmpty()) return false; // a mode that shows nothing
    Text = value;
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
    return true;
}

// ---------------------------------------------------------------------------------
// Memory

void TCalculator::SetMemoryValue(double Value) {
    const TChangeBatch batch(*this);
    CalcValues.VarM = Value;
    UpdateMemoryButton();
}

void TCalculator::UpdateMemoryButton() {
    FMVisible = true;
    // the Normal text without grouping: 10 significant digits, 9 below 1
    const int sd = FViewer.SignificantDigits();
    const bool belowOne = !(CalcValues.VarM >= 1 || CalcValues.VarM <= -1);
    FMCaption = QStringLiteral("M=") + DecimalFormat::General(CalcValues.VarM, belowOne ? sd - 1 : sd, 0);
    NoteChanged();
}

void TCalculator::ClearMemory() {
    const TChangeBatch batch(*this);
    CalcValues.VarM = 0;
    CalcValues.VarMCount = 0;
    FMVisible = false;
    FMCaption = QStringLiteral("M");
    NoteChanged();
}

void TCalculator::MemoryAdd(int Sign) {
    const TChangeBatch batch(*this);
    if (!IsCalc) {
        CalcExpression(true);
        emit FocusInputRequested();
        PlaceCaret(true, int(FInput.Text.size()));
    }
    // runs even when that calculation failed: the previous answer goes in
    SetMemoryValue(Sign > 0 ? CalcValues.VarM + CalcValues.Ans : CalcValues.VarM - CalcValues.Ans);
    if (CalcValues.VarMCount < INT32_MAX) ++CalcValues.VarMCount;
}

void TCalculator::MActionExecute() {
    const TChangeBatch batch(*this);
    if (IsCalc)
        SetInputText(QStringLiteral("M"));
    else
        SetInputText(FInput.Text + QStringLiteral("M"));
    IsCalc = false;
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
}

// ---------------------------------------------------------------------------------
// History and recorded expressions

void TCalculator::ApplyHistoryCount() {
    const TChangeBatch batch(*this);
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
        for (const auto& r : FExpressionHistorys)
            FHistoryPopup.prepend(r->ExpressionText());
    }
    emit HistoryChanged();
    NoteChanged();
}

void TCalculator::ShowHistory(const TExpressionHistory& Record) {
    SetInputText(Record.ExpressionText());
    UpdateAngleModeCaption(Record.AngleMode());
    FViewer.SetViewMode(Record.ViewMode());
    UpdateResultModeCaption();
    ShowValue(Record.Value());
    IsCalc = true;
}

void TCalculator::UpKeyActionExecute() {
    const TChangeBatch batch(*this);
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

void TCalculator::DownKeyActionExecute() {
    const TChangeBatch batch(*this);
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

void TCalculator::HistoryMenuItemClick(int Position) {
    const TChangeBatch batch(*this);
    if (Position < 0 || Position >= FHistoryPopup.size()) return;
    SetInputText(FHistoryPopup[Position]);
    CalcExpression(false);
    ExpressionHistoryIndex = int(FExpressionHistorys.size()) - 1 - Position;
    SelectHistoryRow(Position);
    NoteChanged();
}

void TCalculator::HistoryListClick(int Index) {
    const TChangeBatch batch(*this);
    if (Index < 0 || Index >= int(FExpressionHistorys.size())) return;
    const TExpressionHistory& R = *FExpressionHistorys[std::size_t(Index)];
    CalcValues.AngleMode = R.AngleMode();
    UpdateAngleModeCaption(CalcValues.AngleMode);
    FViewer.SetIsGroupingSeparator(R.IsGroupingSeparator());
    FViewer.SetViewMode(R.ViewMode());
    FViewer.SetDigitNumber(R.DigitNumber());
    UpdateResultModeCaption();               // the button names the mode the row's value shows in
    const QString text = R.ExpressionText(); // the calculation may drop the record
    SelectHistoryRow(int(FExpressionHistorys.size()) - 1 - Index); // the clicked row is highlighted
    SetInputText(text);
    CalcExpression(false);
    emit FocusInputRequested();
    PlaceCaret(true, int(FInput.Text.size()));
}

void TCalculator::RecordExpressionActionExecute() {
    const TChangeBatch batch(*this);
    FRecordFrameVisible = true;
    const qsizetype at = FRecordExpressions.indexOf(FInput.Text);
    if (at >= 0)
        FRecordExpressions.move(at, 0);
    else
        FRecordExpressions.prepend(FInput.Text);
    FRecordSelected = 0;
    NoteChanged();
}

void TCalculator::DelRecordExpressionActionExecute() {
    const TChangeBatch batch(*this);
    if (FRecordSelected < 0 || FRecordSelected >= FRecordExpressions.size()) return;
    const int i = FRecordSelected;
    FRecordExpressions.removeAt(i);
    if (FRecordExpressions.isEmpty()) {
        FRecordFrameVisible = false;
        FRecordSelected = -1;
    } else {
        FRecordSelected = std::min(i, int(FRecordExpressions.size()) - 1);
    }
    NoteChanged();
}

void TCalculator::SelectRecordExpression(int Index) {
    const TChangeBatch batch(*this);
    FRecordSelected = (Index >= 0 && Index < FRecordExpressions.size()) ? Index : -1;
    NoteChanged();
}

void TCalculator::MoveRecordExpression(int Delta) {
    const TChangeBatch batch(*this);
    const int i = FRecordSelected;
    const int to = i + Delta;
    if (i < 0 || i >= FRecordExpressions.size() || to < 0 || to >= FRecordExpressions.size()) return;
    FRecordExpressions.move(i, to);
    FRecordSelected = to;
    NoteChanged();
}

void TCalculator::ExpressionRecordFrameListBoxDblClick() {
    const TChangeBatch batch(*this);
    if (FRecordSelected < 0 || FRecordSelected >= FRecordExpressions.size()) return;
    AllClear();
    QString T = FRecordExpressions[FRecordSelected];
    // a label stands before the first ";"
    if (T.contains(u';')) {
        T = T.section(u';', 1, 1);
        qsizetype b = 0;
        while (b < T.size() && IsBlank(T[b]))
            ++b;
        T = T.mid(b);
    }
    SetInputText(T);
    emit FocusInputRequested();
    PlaceCaret(false, int(FInput.Text.size()));
}

// ---------------------------------------------------------------------------------
// Window options

void TCalculator::TopMostActionExecute() {
    SetTopMost(!FIsTopMost);
}

void TCalculator::SetTopMost(bool On) {
    const TChangeBatch batch(*this);
    FIsTopMost = On;
    emit TopMostChanged();
    NoteChanged();
}

void TCalculator::SetTransparencyValue(int Value) {
    AppData.TransparencyValue = std::clamp(Value, 0, MaxTransparencyValue);
    FTransparency = AppData.TransparencyValue > 0;
}

TWindowPlacement TCalculator::Placement() const {
    return {AppData.Left, AppData.Top, AppData.Width, AppData.Height};
}

void TCalculator::SetPlacement(const TWindowPlacement& Placement) {
    AppData.Left = Placement.Left;
    AppData.Top = Placement.Top;
    AppData.Width = Placement.Width;
    AppData.Height = Placement.Height;
}

void TCalculator::ToggleTransparency() {
    const TChangeBatch batch(*this);
    if (FTransparency) AppData.TransparencyValue = 0;
    FTransparency = !FTransparency;
    emit TransparencyToggled();
    NoteChanged();
}

// ---------------------------------------------------------------------------------
// The settings file

void TCalculator::StartWithDefaults() {
    const TChangeBatch batch(*this);
    AppData.HistoryCount = 10;
    IsRealTimeCalc = false;
    ApplyHistoryCount();
    UpdateAngleModeCaption(CalcValues.AngleMode);
    UpdateResultModeCaption();
}

void TCalculator::ApplySettings() {
    const TChangeBatch batch(*this);
    IsRealTimeCalc = AppData.IsRealTimeCalc;
    ApplyHistoryCount();
    NoteStateChanged();
}

void TCalculator::SettingsCleared() {
    const TChangeBatch batch(*this);
    // the file's defaults are in AppData and the lent history and variables are empty
    FHistoryPopup.clear();
    ExpressionHistoryIndex = 0;
    FHistoryListSelected = -1;
    emit HistoryChanged();
    NoteChanged();
}

void TCalculator::SetAutoSave(bool On) {
    FAutoSaveOn = On;
    if (!On) FAutoSave.stop();
}

void TCalculator::NoteChanged() {
    if (FChangeDepth > 0) {
        FChangePending = true;
        return;
    }
    // everything the window shows is kept by the file, the typed line included
    NoteStateChanged();
    emit Changed();
}

TCalculator::TChangeBatch::TChangeBatch(TCalculator& Calculator) : FCalculator(Calculator) {
    ++FCalculator.FChangeDepth;
}

TCalculator::TChangeBatch::~TChangeBatch() {
    if (--FCalculator.FChangeDepth > 0 || !FCalculator.FChangePending) return;
    FCalculator.FChangePending = false;
    FCalculator.NoteStateChanged();
    emit FCalculator.Changed();
}

void TCalculator::NoteStateChanged() {
    if (FAutoSaveOn) FAutoSave.start();
}

void TCalculator::RestoreAppData() {
    const TChangeBatch batch(*this);
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
    CalcValues.AngleMode = AppData.AngleMode;
    // the display mode comes back with its digits
    DigitDisplayMode = AppData.ViewMode == vtNotView ? vtNormal : AppData.ViewMode;
    RoundDecimal = AppData.RoundDecimal;
    Eng = AppData.Eng;
    FViewer.SetViewMode(DigitDisplayMode);
    FViewer.SetDigitNumber(RoundDecimal);
    FViewer.SetEng(Eng);
    UpdateAngleModeCaption(CalcValues.AngleMode);
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
            // The line comes back as it was left and nothing on it runs again: an
            // assignment would change its variable at every start, a command would
            // clear what was just restored. A calculated line shows the saved Ans.
            CancelPreview();
            IsCalc = AppData.IsCalc;
            ShowValue(IsCalc ? AppData.Ans : 0);
            FResultStale = !IsCalc || !NewestRecordAnswers(FInput.Text, AppData.Ans);
            PlaceCaret(IsCalc, int(FInput.Text.size()));
            emit FocusInputRequested();
        }
    }
    if (AppData.IsVariableRecord) {
        SetMemoryValue(AppData.VarM);
        if (CalcValues.VarM == 0) ClearMemory();
        CalcValues.Ans = AppData.Ans;
        CalcValues.PreAns = AppData.PreAns;
        IsCalc = AppData.IsCalc;
    }
    NoteChanged();
}

// Ans is the answer of the newest calculation, which is not always the line on
// display: the line may have been edited, recalled from an older record or have
// failed. Only a newest record with the line's text and Ans for its value shows
// that Ans answers it.
bool TCalculator::NewestRecordAnswers(const QString& Line, double Value) const {
    if (FExpressionHistorys.empty()) return false;
    const TExpressionHistory& newest = *FExpressionHistorys.back();
    const double v = newest.Value();
    return newest.ExpressionText() == Line && (v == Value || (std::isnan(v) && std::isnan(Value)));
}

void TCalculator::FormShow() {
    const TChangeBatch batch(*this);
    RestoreAppData();
    IsRealTimeCalc = AppData.IsRealTimeCalc;
    ApplyHistoryCount();
    emit FocusInputRequested();
}

void TCalculator::FormSaveState() {
    AppData.InputExpressionText = FInput.Text;
    AppData.VarM = CalcValues.VarM;
    AppData.Ans = CalcValues.Ans;
    AppData.PreAns = CalcValues.PreAns;
    AppData.IsCalc = IsCalc;
    AppData.ViewMode = DigitDisplayMode;
    AppData.RoundDecimal = RoundDecimal;
    AppData.Eng = Eng;
    AppData.AngleMode = CalcValues.AngleMode;
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
