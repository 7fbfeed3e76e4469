// Sessions through the calculator without a window: lines typed, then what shows.
#include "Session.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <vector>

namespace {

struct Case {
    std::vector<const char16_t*> lines; // each entered and confirmed with Enter
    const char16_t* shown;              // what the result area shows after the last
};

void RunCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        Session s;
        QString trace;
        for (const char16_t* line : c.lines) {
            s.enter(QString::fromUtf16(line));
            trace += QString::fromUtf16(line) + QStringLiteral(" | ");
        }
        EXPECT_EQ(str(s.shown()), str(QString::fromUtf16(c.shown))) << str(trace);
    }
}

} // namespace

// How a text evaluates and which message a failure gives is the evaluation's
// own business; these rows are what the calculator adds: the value or message
// in the result area, and the answers, names and totals a line leaves behind.
TEST(Enter, ValuesAndMessages) {
    RunCases({
        {{u"2+3"}, u"5"},
        {{u"1+"}, u"Syntax error"},
        {{u"2", u"3", u"ANS+PREANS"}, u"5"},
        {{u"2", u"1/0", u"ANS"}, u"2"},   // a failed line leaves Ans alone
        {{u"X=2", u"Y=3", u"X*Y"}, u"6"}, // X and Y are ordinary names here
        {{u"1E308", u"1E308", u"GT"}, u"Infinity error"},
    });
}

TEST(Enter, AnswersGrandTotalAndHistory) {
    Session s;
    s.enter("2").enter("3");
    EXPECT_EQ(s.c.GetAns(), 3);
    EXPECT_EQ(s.c.GetPreAns(), 2);
    EXPECT_EQ(s.c.GetVarGT(), 5);
    EXPECT_EQ(s.c.GetVarGTCount(), 2);
    ASSERT_EQ(s.c.ExpressionHistorys().size(), 2u);
    const TExpressionHistory& r = *s.c.ExpressionHistorys().back();
    EXPECT_EQ(r.ExpressionText(), "3");
    EXPECT_EQ(r.Value(), 3);
    EXPECT_EQ(r.Ans(), 2);   // the answer the expression was evaluated with
    EXPECT_EQ(r.VarGT(), 2); // the grand total without this result
    EXPECT_EQ(s.c.HistoryPopupItems(), QStringList({"3", "2"}));
    EXPECT_EQ(s.c.HistoryListSelectedRow(), 0);
    // a calculation leaves the whole text selected, caret at the end
    EXPECT_EQ(s.c.InputLine().SelLength, 1);
    EXPECT_EQ(s.c.InputLine().Caret, 1);

    s.enter("1/0");
    EXPECT_EQ(s.shown(), "Error");
    EXPECT_TRUE(s.c.GetIsCalc());
    EXPECT_EQ(s.input(), "1/0");
    EXPECT_EQ(s.c.GetAns(), 3);
    EXPECT_EQ(s.c.GetVarGT(), 5);
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 2u);
}

TEST(Enter, GrandTotalOverflowKeepsTheResult) {
    Session s;
    s.enter("1E308");
    s.enter("1E308");
    EXPECT_EQ(s.shown(), "1E308");
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 2u);
    EXPECT_TRUE(std::isinf(s.c.GetVarGT()));
}

TEST(Enter, FullWidthCommandAndAssignmentSigns) {
    Session s;
    s.enter(QString::fromUtf16(u"\uFF21\uFF1D\uFF14")); // Ａ＝４
    EXPECT_EQ(s.shown(), "4");
    EXPECT_EQ(s.c.ExpressionHistorys().back()->ExpressionText(), QString::fromUtf16(u"\uFF21\uFF1D\uFF14"));
    s.enter(QString::fromUtf16(u"\uFF20\uFF48\uFF45\uFF58")); // ＠ｈｅｘ
    EXPECT_EQ(s.c.ResultModeCaption(), "Hex");
    // a command never reaches the evaluator, even with "=" in it
    s.enter("@X=1");
    EXPECT_FALSE(s.c.Variables().ContainsKey("@X"));
}

TEST(Typing, ContinuesFromAnsOrReplacesTheCalculatedText) {
    Session s;
    s.enter("2+3").type("+");
    EXPECT_EQ(s.input(), "ANS+");
    s.type("1").press();
    EXPECT_EQ(s.shown(), "6");

    s.enter("2+3").type("7");
    EXPECT_EQ(s.input(), "7");

    // every operator continues, in whatever width an input method hands it over
    for (const char16_t* op : {u"-", u"*", u"/", u"^", u"\u00D7", u"\uFF0B", u"\uFF3E"}) {
        const QString typed = QString::fromUtf16(op);
        s.enter("2+3").type(typed);
        EXPECT_EQ(str(s.input()), str(QStringLiteral("ANS") + typed));
    }

    s.enter("1/0").type("*"); // after a failed line as well
    EXPECT_EQ(s.input(), "ANS*");
}

TEST(Typing, CaretKeysRightAfterACalculation) {
    Session s;
    s.enter("2+3");
    EXPECT_TRUE(s.c.CaretKey(TCalculator::ckLeft));
    EXPECT_EQ(s.c.InputLine().Caret, 3);
    EXPECT_EQ(s.c.InputLine().SelLength, 0);
    EXPECT_FALSE(s.c.GetIsCalc());
    EXPECT_FALSE(s.c.CaretKey(TCalculator::ckLeft)); // only right after a calculation

    s.enter("2+3");
    EXPECT_TRUE(s.c.CaretKey(TCalculator::ckRight));
    EXPECT_EQ(s.c.InputLine().Caret, 0);
    s.enter("2+3");
    EXPECT_TRUE(s.c.CaretKey(TCalculator::ckHome));
    EXPECT_EQ(s.c.InputLine().Caret, 0);
    s.enter("2+3");
    EXPECT_TRUE(s.c.CaretKey(TCalculator::ckEnd));
    EXPECT_EQ(s.c.InputLine().Caret, 3);

    s.enter("2+3");
    s.c.ExpressionEditMouseDown();
    s.type("*");
    EXPECT_EQ(s.input(), "*"); // a click ends the calculated state: the selection is replaced
}

TEST(Commands, DisplayAndAngleModes) {
    RunCases({
        {{u"1/3", u"@fix3"}, u"0.333"},
        {{u"1/3", u"@FIX10"}, u"Mode Error"},
        {{u"1/3", u"@SCI4", u"@SCI1"}, u"Mode Error"},
        {{u"1/3", u"@SCI4", u"@SCI1", u"@,"}, u"3.333E-001"},
        {{u"1/3", u"@HEX "}, u"Mode Error"},
        {{u"1/3", u"@FOO"}, u"Mode Error"},
        {{u"1/3", u"@CALC:"}, u"Mode Error"},
        {{u"255", u"@HEX"}, u"0xFF"},
        {{u"5", u"@BIN"}, u"0b101"},
        {{u"12.5125", u"@DMS"}, u"12\u00B030\u203245\u2033"},
        {{u"1234.5678", u"@ENG-3"}, u"1234567.8E-3"},
        {{u"1234.5678", u"@ENG3"}, u"1.2345678E3"},
        {{u"1234.5678", u"@ENG123"}, u"1234.5678"}, // seven characters: accepted, nothing changes
        {{u"1234.5678", u"@,"}, u"1,234.5678"},
        {{u"1234.5678", u"@,", u"@FIX2", u"@"}, u"1234.5678"},
        {{u"1E30", u"@HEX"}, u"Error"}, // beyond 64 bits
        {{u"sin 90", u"@RAD", u"sin(\u03C0/2)"}, u"1"},
        {{u"1/3", u"@GRAD", u"arcsin 1"}, u"100"},
    });
}

TEST(Commands, CaptionsAndTheFailedModeKeepsItsNewMode) {
    Session s;
    s.enter("1/3").enter("@ENG-3");
    EXPECT_EQ(s.c.ResultModeCaption(), "Eng-3");
    s.enter("@SCI4");
    EXPECT_EQ(s.c.ResultModeCaption(), "Sci4");
    s.enter("@FIXA"); // fails, but Fix is already selected
    EXPECT_EQ(s.shown(), "Mode Error");
    EXPECT_EQ(s.input(), "");
    EXPECT_EQ(s.c.GetDigitDisplayMode(), vtFix);
    s.enter("@RAD");
    EXPECT_EQ(s.c.AngleModeCaption(), "Rad");
    EXPECT_EQ(s.c.ResultModeCaption(), "Fix4");
    // a command is not kept: the newest expression is back, evaluated in the new mode
    EXPECT_EQ(s.input(), "1/3");
    EXPECT_EQ(s.shown(), "0.3333");
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 1u);
}

TEST(Commands, ClearHistoryAndVariables) {
    Session s;
    s.enter("A=2").enter("A+1");
    s.enter("@HISCL");
    EXPECT_EQ(s.input(), "");
    EXPECT_EQ(s.shown(), "0");
    EXPECT_TRUE(s.c.HistoryPopupItems().isEmpty());
    ASSERT_EQ(s.c.ExpressionHistorys().size(), 2u); // the records stay, empty
    EXPECT_EQ(s.c.ExpressionHistorys()[0]->ExpressionText(), "");
    EXPECT_FALSE(s.c.GetIsCalc());

    s.enter("@VARCL");
    EXPECT_EQ(s.c.Variables().Count(), 0);
    s.enter("A");
    EXPECT_EQ(s.shown(), "Syntax error");
}

TEST(CustomButton, DefineAndUse) {
    Session s;
    s.enter("@BUTTON=Tax:[]*1.1"); // the title is upper-cased with the rest of the command
    EXPECT_TRUE(s.c.CustomButtonVisible());
    EXPECT_EQ(s.c.CustomButtonCaption(), "TAX");
    EXPECT_EQ(s.input(), "");
    s.c.SetInputText("100");
    s.c.CustomBtnActionExecute();
    EXPECT_EQ(s.shown(), "110");
    EXPECT_EQ(s.c.ExpressionHistorys().back()->ExpressionText(), "100*1.1");

    s.enter("@BUTTON=[]*2");
    EXPECT_TRUE(s.c.CustomButtonVisible());
    EXPECT_EQ(s.c.CustomButtonCaption(), "");
    s.c.SetInputText("2+3");
    s.c.CustomBtnActionExecute(); // no brackets are added
    EXPECT_EQ(s.shown(), "8");

    s.enter("@BUTTON=:[]+1");
    s.c.SetInputText("");
    s.c.CustomBtnActionExecute();
    EXPECT_EQ(s.input(), "+1");
    EXPECT_EQ(s.shown(), "1");

    s.enter("@BUTTON=");
    EXPECT_FALSE(s.c.CustomButtonVisible());
    s.c.SetInputText("7");
    s.c.CustomBtnActionExecute(); // nothing to apply
    EXPECT_EQ(s.input(), "7");

    s.enter("@BUTTON=HX:@HEX"); // a template may run a command
    s.enter("255");
    s.c.CustomBtnActionExecute();
    EXPECT_EQ(s.shown(), "0xFF");
}

TEST(Assignment, StoresVariablesAndMemory) {
    RunCases({
        {{u"A = 3", u"A*2"}, u"6"},
        {{u"a = 3", u"A"}, u"3"},
        {{u"A = 3", u"A = 4", u"A"}, u"4"},
        {{u"A = 1 = 2", u"A"}, u"1"},
        {{u"GT = 5"}, u"Syntax error"},
        {{u"ANS = 1"}, u"Syntax error"},
        {{u"SIN = 1"}, u"Syntax error"},
        {{u"= 5"}, u"Syntax error"},
        {{u"A = 1+"}, u"Syntax error"},
        {{u"A = 1/0"}, u"Error"},
        {{u"A = 1/0", u"A"}, u"Syntax error"}, // nothing stored
        {{u"7", u"A ="}, u"7"},                // an empty right-hand side does nothing
        {{u"RATE = 0.5", u"rate*4"}, u"2"},
    });
}

TEST(Assignment, HistoryAndMemoryButton) {
    Session s;
    s.enter("A = 3");
    EXPECT_EQ(s.c.ExpressionHistorys().back()->ExpressionText(), "A = 3");
    EXPECT_EQ(s.c.ExpressionHistorys().back()->Value(), 3);
    EXPECT_EQ(s.c.HistoryPopupItems().front(), "A = 3");
    EXPECT_EQ(s.input(), "A = 3");

    s.enter("M = 5");
    EXPECT_TRUE(s.c.MButtonVisible());
    EXPECT_EQ(s.c.MButtonCaption(), "M=5");
    EXPECT_EQ(s.c.GetVarMCount(), 1);
    s.enter("M = 0");
    EXPECT_FALSE(s.c.MButtonVisible());
    EXPECT_EQ(s.c.GetVarMCount(), 0);
    s.enter("M = 0.0");
    EXPECT_TRUE(s.c.MButtonVisible());
    EXPECT_EQ(s.c.MButtonCaption(), "M=0");
}

TEST(VarCalcMode, PromptsEvaluatesAndAsksAgain) {
    Session s;
    s.enter("@CALC:A*B+C");
    EXPECT_TRUE(s.c.CalcModeLabelVisible());
    EXPECT_EQ(s.input(), "A = ");
    EXPECT_EQ(s.c.InputLine().Caret, 4);
    s.type("2").press();
    EXPECT_EQ(s.input(), "B = ");
    EXPECT_EQ(s.shown(), "0"); // the first pass shows no answer
    EXPECT_EQ(s.c.GetAns(), 2);
    s.c.PasteText("3");
    s.press();
    EXPECT_EQ(s.input(), "C = ");
    EXPECT_EQ(s.c.GetPreAns(), 0); // values entered in the first pass leave PreAns
    s.c.PasteText("4");
    s.press();
    EXPECT_EQ(s.input(), "A*B+C");
    EXPECT_EQ(s.shown(), "10");
    EXPECT_EQ(s.c.GetPreAns(), 4); // the last value entered
    EXPECT_EQ(s.c.GetVarGT(), 10); // only the formula counts
    s.type("9");                   // the formula cannot be edited
    EXPECT_EQ(s.input(), "A*B+C");
    s.press();
    EXPECT_EQ(s.input(), "A = ");
    s.c.PasteText("1");
    s.press();
    EXPECT_EQ(s.shown(), "1"); // later passes show each answer
}

TEST(VarCalcMode, NamesBracketsAndRefusedAnswers) {
    {
        Session s;
        s.enter("@CALC:A*A+B");
        EXPECT_EQ(s.input(), "A = ");
        s.c.PasteText("3");
        s.press();
        EXPECT_EQ(s.input(), "B = ");
    }
    {
        Session s;
        s.enter("A=5");
        s.enter("@CALC:[A]*B");
        EXPECT_EQ(s.input(), "B = ");
        s.c.PasteText("2");
        s.press();
        EXPECT_EQ(s.shown(), "10");
    }
    {
        Session s;
        s.enter("@CALC:[Q]*B");
        s.c.PasteText("2");
        s.press();
        EXPECT_EQ(s.shown(), "Syntax error");
    }
    {
        Session s;
        s.enter("1+1");
        s.enter("@CALC:1+2"); // no names: no mode, just a refresh
        EXPECT_FALSE(s.c.GetIsVarCalcMode());
        EXPECT_EQ(s.input(), "1+1");
    }
    {
        // an answer whose "=" was removed is refused; the next name is asked for
        Session s;
        s.enter("@CALC:A+B");
        s.c.SetInputText("5");
        s.press();
        EXPECT_EQ(s.shown(), "Syntax error");
        EXPECT_EQ(s.input(), "B = ");
        EXPECT_FALSE(s.c.Variables().ContainsKey("A"));
    }
    {
        // after the first answer the line counts as calculated: a minus typed first continues from ANS
        Session s;
        s.enter("@CALC:A+B");
        s.c.PasteText("1");
        s.press();
        s.type("-");
        EXPECT_EQ(s.input(), "ANS-");
    }
    {
        // Esc leaves the mode; the values entered stay
        Session s;
        s.enter("@CALC:A+B");
        s.c.PasteText("4");
        s.press();
        s.c.AllClear();
        EXPECT_FALSE(s.c.GetIsVarCalcMode());
        EXPECT_FALSE(s.c.CalcModeLabelVisible());
        EXPECT_EQ(s.input(), "");
        s.enter("A");
        EXPECT_EQ(s.shown(), "4");
    }
}

TEST(Memory, PlusMinusRecallAndClear) {
    Session s;
    s.enter("5");
    s.c.MPlusActionExecute();
    EXPECT_EQ(s.c.GetVarM(), 5);
    EXPECT_EQ(s.c.GetVarMCount(), 1);
    EXPECT_EQ(s.c.MButtonCaption(), "M=5");
    s.c.SetInputText("3"); // typed, not confirmed: M+ calculates it first
    s.c.ExpressionEditMouseDown();
    s.c.MPlusActionExecute();
    EXPECT_EQ(s.c.GetVarM(), 8);
    EXPECT_EQ(s.c.GetVarMCount(), 2);
    EXPECT_EQ(s.c.ExpressionHistorys().back()->ExpressionText(), "3");
    s.c.MPlusActionExecute(); // right after a calculation it adds Ans again
    EXPECT_EQ(s.c.GetVarM(), 11);
    s.c.MMinusActionExecute();
    EXPECT_EQ(s.c.GetVarM(), 8);

    s.c.SetInputText("1/0");
    s.c.ExpressionEditMouseDown();
    s.c.MPlusActionExecute(); // the error shows and the previous Ans still goes in
    EXPECT_EQ(s.shown(), "Error");
    EXPECT_EQ(s.c.GetVarM(), 11);

    s.c.MCLActionExecute();
    EXPECT_FALSE(s.c.MButtonVisible());
    EXPECT_EQ(s.c.MButtonCaption(), "M");
    EXPECT_EQ(s.c.GetVarMCount(), 0);
    s.enter("2");
    s.c.MPlusActionExecute();
    EXPECT_TRUE(s.c.MButtonVisible());

    s.enter("@M+");
    EXPECT_EQ(s.c.GetVarM(), 4);
    s.enter("@MCL");
    EXPECT_EQ(s.c.GetVarM(), 0);
}

TEST(Memory, CaptionAndRecall) {
    Session s;
    s.enter("M = 1/3");
    EXPECT_EQ(s.c.MButtonCaption(), "M=0.333333333");
    s.enter("M = 10/3");
    EXPECT_EQ(s.c.MButtonCaption(), "M=3.333333333");
    s.enter("1+1");
    s.c.MActionExecute(); // after a calculation the recall replaces the line
    EXPECT_EQ(s.input(), "M");
    s.c.SetInputText("2*");
    s.c.MActionExecute(); // while editing it appends
    EXPECT_EQ(s.input(), "2*M");
    s.press();
    EXPECT_EQ(s.shown(), "6.666666667");
}

TEST(GrandTotal, CountsEveryEvaluationUntilAllClear) {
    Session s;
    s.enter("2").enter("3");
    EXPECT_EQ(s.c.GetVarGT(), 5);
    s.enter("@HEX"); // a display change counts nothing
    EXPECT_EQ(s.c.GetVarGT(), 5);
    EXPECT_EQ(s.c.GetVarGTCount(), 2);
    s.enter("GTCOUNT");
    EXPECT_EQ(s.shown(), "0x2");
    s.enter("M=7");
    s.c.AllClear();
    EXPECT_EQ(s.c.GetVarGT(), 0);
    EXPECT_EQ(s.c.GetVarGTCount(), 0);
    EXPECT_EQ(s.c.GetVarM(), 7);
    EXPECT_EQ(s.shown(), "0x0");
}

TEST(History, LimitTrimsRecordsAndPopup) {
    Session s;
    s.c.SettingDialogAppData().HistoryCount = 3;
    s.c.ApplyHistoryCount();
    EXPECT_EQ(s.c.HistoryListRowCount(), 3);
    for (const char* line : {"1", "2", "3", "4"})
        s.enter(line);
    ASSERT_EQ(s.c.ExpressionHistorys().size(), 3u);
    EXPECT_EQ(s.c.ExpressionHistorys().front()->ExpressionText(), "2");
    EXPECT_EQ(s.c.HistoryPopupItems(), QStringList({"4", "3", "2"}));
}

TEST(History, HugeLimitKeepsEveryRecordWithoutMillionsOfEmptyRows) {
    Session s;
    s.c.SettingDialogAppData().HistoryCount = 2147483647;
    s.c.ApplyHistoryCount();
    EXPECT_EQ(s.c.GetHistoryCount(), 2147483647);
    EXPECT_EQ(s.c.HistoryListRowCount(), TCalculator::MaxEmptyHistoryRows);
    for (int i = 0; i < 3; ++i)
        s.enter(QString::number(i));
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 3u);
    EXPECT_EQ(s.c.HistoryListSelectedRow(), 0);
}

TEST(History, NegativeOrZeroLimitKeepsNothing) {
    for (int limit : {0, -5}) {
        Session s;
        s.c.SettingDialogAppData().HistoryCount = limit;
        s.c.ApplyHistoryCount();
        s.enter("1+1").enter("A = 2");
        EXPECT_EQ(s.shown(), "2");
        EXPECT_TRUE(s.c.ExpressionHistorys().empty());
        EXPECT_TRUE(s.c.HistoryPopupItems().isEmpty());
        s.c.UpKeyActionExecute();
        s.c.DownKeyActionExecute();
        s.c.HistoryMenuItemClick(0);
        s.c.HistoryListClick(0);
        EXPECT_EQ(s.input(), "A = 2");
    }
}

TEST(History, UpAndDownStepThroughRecords) {
    Session s;
    s.c.UpKeyActionExecute(); // no records: nothing happens
    s.c.DownKeyActionExecute();
    EXPECT_EQ(s.input(), "");

    s.enter("1+1").enter("@RAD").enter("2+2").enter("3+3");
    s.c.DownKeyActionExecute();
    EXPECT_EQ(s.input(), "2+2");
    EXPECT_EQ(s.shown(), "4");
    EXPECT_EQ(s.c.HistoryListSelectedRow(), 1);
    s.c.DownKeyActionExecute();
    EXPECT_EQ(s.input(), "1+1");
    EXPECT_EQ(s.c.AngleModeCaption(), "Deg"); // the record's angle unit is shown...
    EXPECT_EQ(s.c.GetAngleMode(), atRad);     // ...but the calculator keeps its own
    s.c.DownKeyActionExecute();               // stays at the oldest
    EXPECT_EQ(s.input(), "1+1");
    s.c.UpKeyActionExecute();
    s.c.UpKeyActionExecute();
    EXPECT_EQ(s.input(), "3+3");
    s.c.UpKeyActionExecute(); // stays at the newest
    EXPECT_EQ(s.input(), "3+3");
    EXPECT_TRUE(s.c.GetIsCalc());
    EXPECT_EQ(s.c.InputLine().SelLength, 3);

    // a recalled line continues from the Ans of the last real calculation
    s.enter("5+5").enter("7");
    s.c.DownKeyActionExecute();
    EXPECT_EQ(s.shown(), "10");
    s.type("+");
    EXPECT_EQ(s.input(), "ANS+");
    s.type("0").press();
    EXPECT_EQ(s.shown(), "7");
}

TEST(History, PopupAndListRecall) {
    Session s;
    s.enter("@RAD").enter("sin(\u03C0/6)").enter("@DEG").enter("2*3");
    const double gt = s.c.GetVarGT();
    s.c.HistoryMenuItemClick(1); // the older entry, evaluated now in degrees
    EXPECT_EQ(s.input(), QString::fromUtf16(u"sin(\u03C0/6)"));
    EXPECT_EQ(s.shown(), "0.0091383954");
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 2u); // not recorded again
    EXPECT_GT(s.c.GetVarGT(), gt);
    EXPECT_EQ(s.c.GetExpressionHistoryIndex(), 0);
    EXPECT_EQ(s.c.HistoryListSelectedRow(), 1);

    s.c.HistoryListClick(0); // the record made in radians switches the calculator to radians
    EXPECT_EQ(s.c.GetAngleMode(), atRad);
    EXPECT_EQ(s.c.AngleModeCaption(), "Rad");
    EXPECT_EQ(s.shown(), "0.5");
    EXPECT_EQ(s.c.HistoryListSelectedRow(), 1);
    s.c.HistoryListClick(-1); // a row without a record
    EXPECT_EQ(s.shown(), "0.5");
}

TEST(RecordedExpressions, AddMoveDeleteRecall) {
    Session s;
    EXPECT_FALSE(s.c.RecordExpressionFrameVisible());
    for (const char* t : {"TAX;[]*1.1", "a;b;c", "plain", "TAX;[]*1.1"}) {
        s.c.SetInputText(t);
        s.c.RecordExpressionActionExecute();
    }
    EXPECT_TRUE(s.c.RecordExpressionFrameVisible());
    EXPECT_EQ(s.c.RecordExpressions(), QStringList({"TAX;[]*1.1", "plain", "a;b;c"}));
    EXPECT_EQ(s.c.RecordExpressionSelected(), 0);

    s.c.MoveRecordExpression(-1); // already at the top
    s.c.MoveRecordExpression(+1);
    EXPECT_EQ(s.c.RecordExpressions(), QStringList({"plain", "TAX;[]*1.1", "a;b;c"}));
    EXPECT_EQ(s.c.RecordExpressionSelected(), 1);

    struct Recall {
        int row;
        const char* text;
    };
    for (const Recall& r : {Recall{1, "[]*1.1"}, Recall{2, "b"}, Recall{0, "plain"}}) {
        s.enter("1+1");
        s.c.SelectRecordExpression(r.row);
        s.c.ExpressionRecordFrameListBoxDblClick();
        EXPECT_EQ(s.input(), r.text);
        EXPECT_EQ(s.c.InputLine().SelLength, 0);
        EXPECT_EQ(s.c.GetVarGT(), 0); // a recall clears all
    }

    s.c.SelectRecordExpression(2);
    s.c.DelRecordExpressionActionExecute();
    EXPECT_EQ(s.c.RecordExpressionSelected(), 1); // the new last item
    s.c.DelRecordExpressionActionExecute();
    s.c.DelRecordExpressionActionExecute();
    EXPECT_TRUE(s.c.RecordExpressions().isEmpty());
    EXPECT_FALSE(s.c.RecordExpressionFrameVisible());
    s.c.DelRecordExpressionActionExecute(); // nothing selected: nothing happens
}

TEST(DisplayModes, MenuCommandsAndCheckMarks) {
    Session s;
    s.c.FixActionExecute(2); // empty history: line cleared, 0 shown
    EXPECT_EQ(s.input(), "");
    EXPECT_EQ(s.shown(), "0.00");

    s.enter("1/3");
    s.c.SetInputText("2*3"); // typed, not confirmed
    s.c.SciActionExecute(4);
    EXPECT_EQ(s.input(), "1/3");
    EXPECT_EQ(s.shown(), "3.333E-001");
    EXPECT_EQ(s.c.ResultPopupChecks().Sci, 4);

    s.c.FixActionExecute(5);
    s.c.NormalActionExecute();
    EXPECT_EQ(s.c.GetRoundDecimal(), 5);
    const TResultPopupChecks checks = s.c.ResultPopupChecks();
    EXPECT_TRUE(checks.Normal);
    EXPECT_EQ(checks.Fix, -1);
    EXPECT_EQ(checks.Sci, -1);

    s.c.DigitGroupingSeparatorActionExecute();
    EXPECT_TRUE(s.c.ResultPopupChecks().Grouping);

    s.enter("sin 30");
    s.c.RadActionExecute(); // no recalculation
    EXPECT_EQ(s.shown(), "0.5");
    EXPECT_EQ(s.c.AnglePopupCheck(), atRad);
    s.press();
    EXPECT_EQ(s.shown(), "-0.988031624");
}

namespace {

// What a display change must leave alone: every value a later line can read.
struct Values {
    double ans, preAns, m, x, y, gt;
    int mCount, gtCount, variables;
    double a; // the variable A, 0 when there is none
    std::size_t records;
    bool operator==(const Values&) const = default;
};

Values ValuesOf(const TCalculator& c) {
    const TVariableDictionary& v = c.Variables();
    const double a = v.ContainsKey("A") ? v.GetValueItems(v.GetNumberItems("A")) : 0;
    return {c.GetAns(),
            c.GetPreAns(),
            c.GetVarM(),
            c.GetVarX(),
            c.GetVarY(),
            c.GetVarGT(),
            c.GetVarMCount(),
            c.GetVarGTCount(),
            v.Count(),
            a,
            c.ExpressionHistorys().size()};
}

void PrintTo(const Values& v, std::ostream* os) {
    *os << "Ans " << v.ans << " PreAns " << v.preAns << " M " << v.m << " GT " << v.gt << " GTCOUNT "
        << v.gtCount << " A " << v.a << " records " << v.records;
}

} // namespace

TEST(DisplayModes, AChangeShowsTheNewestRecordAndChangesNoValue) {
    struct Case {
        std::vector<const char16_t*> lines;
        const char16_t* command;    // entered as a line, or
        void (*menu)(TCalculator&); // chosen from the result popup
        const char16_t* shown;
    };
    const Case cases[] = {
        {{u"5", u"7"}, u"@HEX", nullptr, u"0x7"},
        {{u"5", u"7"}, u"@FIX2", nullptr, u"7.00"},
        {{u"2", u"ANS*2"}, u"@FIX2", nullptr, u"4.00"},
        {{u"2", u"ANS*2"}, u"@NORM", nullptr, u"4"},
        {{u"2", u"3", u"ANS+PREANS"}, u"@SCI3", nullptr, u"5.00E+000"},
        {{u"1234.5678"}, u"@ENG3", nullptr, u"1.2345678E3"},
        {{u"5"}, u"@BIN", nullptr, u"0b101"},
        {{u"12.5125"}, u"@DMS", nullptr, u"12\u00B030\u203245\u2033"},
        {{u"1234.5"}, u"@,", nullptr, u"1,234.5"},
        {{u"sin 30"}, u"@RAD", nullptr, u"0.5"},          // the angle changes, the shown value does not
        {{u"3"}, u"@CALC:1+2", nullptr, u"3"},            // no names: only a refresh
        {{u"A=5", u"A=A*2"}, u"@FIX1", nullptr, u"10.0"}, // the assignment is not run again
        {{u"M=3", u"M=M+1"}, u"@FIX1", nullptr, u"4.0"},
        {{u"1/3"}, nullptr, [](TCalculator& c) { c.FixActionExecute(3); }, u"0.333"},
        {{u"1/3"}, nullptr, [](TCalculator& c) { c.SciActionExecute(4); }, u"3.333E-001"},
        {{u"2", u"ANS*2"}, nullptr, [](TCalculator& c) { c.NormalActionExecute(); }, u"4"},
        {{u"1234.5", u"ANS*2"},
         nullptr,
         [](TCalculator& c) { c.DigitGroupingSeparatorActionExecute(); },
         u"2,469"},
    };
    for (const Case& k : cases) {
        Session s;
        QString trace;
        for (const char16_t* line : k.lines) {
            s.enter(QString::fromUtf16(line));
            trace += QString::fromUtf16(line) + QStringLiteral(" | ");
        }
        const QString newest = s.input();
        s.c.SetInputText("9*9"); // typed, not confirmed: the newest record replaces it
        const Values before = ValuesOf(s.c);
        if (k.command) {
            trace += QString::fromUtf16(k.command);
            s.enter(QString::fromUtf16(k.command));
        } else {
            trace += QStringLiteral("menu");
            k.menu(s.c);
        }
        EXPECT_EQ(str(s.shown()), str(QString::fromUtf16(k.shown))) << str(trace);
        EXPECT_EQ(ValuesOf(s.c), before) << str(trace);
        EXPECT_EQ(s.input(), newest) << str(trace);
        EXPECT_TRUE(s.c.GetIsCalc()) << str(trace);
        EXPECT_EQ(s.c.InputLine().SelLength, newest.size()) << str(trace); // typing replaces it
        EXPECT_FALSE(s.c.IsResultStale()) << str(trace);
    }
}

TEST(DisplayModes, CopyRefusesMessagesAndStaleValues) {
    struct Case {
        std::vector<const char16_t*> lines;
        const char16_t* shown;
    };
    const Case refused[] = {
        {{u"4", u"1/0"}, u"Error"},
        {{u"4", u"1+"}, u"Syntax error"},
        {{u"4", u"(1/0)"}, u"Infinity error"},
        {{u"4", u"70!"}, u"Domain error"},
        {{u"4", u"@FOO"}, u"Mode Error"},
        {{u"1E30", u"@HEX"}, u"Error"}, // the value has no text in this mode
    };
    for (const Case& k : refused) {
        Session s;
        for (const char16_t* line : k.lines)
            s.enter(QString::fromUtf16(line));
        ASSERT_EQ(str(s.shown()), str(QString::fromUtf16(k.shown)));
        int focus = 0;
        QObject::connect(&s.c, &TCalculator::FocusInputRequested, [&focus] { ++focus; });
        const TInputLine line = s.c.InputLine();
        QString copied = QStringLiteral("kept");
        EXPECT_FALSE(s.c.CopyActionExecute(copied)) << str(s.shown());
        EXPECT_EQ(copied, "kept");
        EXPECT_EQ(focus, 0); // nothing happens at all
        EXPECT_EQ(s.c.InputLine().SelLength, line.SelLength);
        EXPECT_EQ(s.c.InputLine().Caret, line.Caret);
    }

    // a value left over from an earlier line is not the answer to this one
    Session stale;
    stale.c.SetIsRealTimeCalc(true);
    stale.enter("7");
    stale.c.SetInputText("7/0");
    stale.c.WaitForPreview();
    QCoreApplication::processEvents();
    ASSERT_TRUE(stale.c.IsResultStale());
    QString copied = QStringLiteral("kept");
    EXPECT_FALSE(stale.c.CopyActionExecute(copied));
    EXPECT_EQ(copied, "kept");

    // an answer goes to the clipboard exactly as shown, and the caret to the end
    struct Copied {
        std::vector<const char16_t*> lines;
        const char16_t* text;
    };
    const Copied copies[] = {
        {{u"1234.5", u"@,"}, u"1,234.5"},
        {{u"1/3", u"@FIX3"}, u"0.333"},
        {{u"255", u"@HEX"}, u"0xFF"},
        {{u"-2/3"}, u"-0.666666667"},
    };
    for (const Copied& k : copies) {
        Session s;
        for (const char16_t* line : k.lines)
            s.enter(QString::fromUtf16(line));
        int focus = 0;
        QObject::connect(&s.c, &TCalculator::FocusInputRequested, [&focus] { ++focus; });
        ASSERT_TRUE(s.c.CopyActionExecute(copied));
        EXPECT_EQ(str(copied), str(QString::fromUtf16(k.text)));
        EXPECT_EQ(copied, s.shown());
        EXPECT_EQ(focus, 1);
        EXPECT_EQ(s.c.InputLine().Caret, s.input().size());
        EXPECT_EQ(s.c.InputLine().SelLength, 0);
    }
}

TEST(Assignment, OnlyANameThatReadsBackIsStored) {
    struct Case {
        QString name;
        bool accepted;
    };
    const Case cases[] = {
        {"A", true},
        {"rate", true},
        {"A1", true},
        {"X", true},
        {"E", true}, // not the exponent mark when it names a variable
        {"E5", true},
        {QString::fromUtf16(u"\u00C4B"), true},      // a letter beyond ASCII
        {QString::fromUtf16(u"\uFF21\uFF22"), true}, // full-width AB
        {QString(1024, u'A'), true},                 // as long as a line may be
        {"1+2", false},
        {"A B", false},
        {"2A", false},
        {"A+B", false},
        {"A(1)", false},
        {QString::fromUtf16(u"\U0001F600"), false}, // an emoji is no letter
        {QString(1025, u'A'), false},
        {QString(100000, u'A'), false},
        {"GT", false},
        {"SIN", false},
        {"", false},
    };
    for (const Case& k : cases) {
        Session s;
        s.enter("7");
        s.enter(k.name + QStringLiteral("=3"));
        const std::string name = str(k.name.left(20));
        if (k.accepted) {
            EXPECT_EQ(str(s.shown()), "3") << name;
            EXPECT_EQ(s.c.Variables().Count(), 1) << name;
            s.enter(k.name);
            EXPECT_EQ(str(s.shown()), "3") << name; // and a later line can use it
        } else {
            EXPECT_EQ(str(s.shown()), "Syntax error") << name;
            EXPECT_EQ(s.c.Variables().Count(), 0) << name;
            EXPECT_EQ(s.c.ExpressionHistorys().size(), 1u) << name;
            EXPECT_EQ(s.c.GetAns(), 7) << name;
            EXPECT_TRUE(s.c.GetIsCalc()) << name;
        }
    }
}

TEST(AllClear, EmptiesTheLineAndKeepsTheRest) {
    Session s;
    s.enter("A=2").enter("M=3").enter("@FIX1").enter("4");
    s.c.AllClear();
    EXPECT_EQ(s.input(), "");
    EXPECT_EQ(s.shown(), "0.0");
    EXPECT_EQ(s.c.GetAns(), 4);
    EXPECT_EQ(s.c.GetVarM(), 3);
    EXPECT_EQ(s.c.Variables().Count(), 1);
    EXPECT_EQ(s.c.ExpressionHistorys().size(), 3u);
    EXPECT_FALSE(s.c.GetIsCalc());
}

TEST(Enter, AFailedLineSelectsWhereItFails) {
    struct Place {
        std::vector<const char16_t*> before; // lines entered first
        const char16_t* text;
        const char16_t* shown;
        int start;  // of the selection in the typed text; the caret stands at its end
        int length; // 0: nothing selected, the caret stays at the end of the line
    };
    const Place cases[] = {
        {{}, u"1+XYZ*2", u"Syntax error", 2, 3},                              // a name that is no variable
        {{}, u"\uFF11\uFF0B\uFF38\uFF39\uFF3A", u"Syntax error", 2, 3},       // full-width
        {{u"\u30AC=2"}, u"\u30AC+\uFF58\uFF59\uFF5A", u"Syntax error", 2, 3}, // GA folds to two code units
        {{}, u"2#3", u"Syntax error", 1, 1},
        {{}, u"\u221A9+", u"Syntax error", 2, 1},       // the operator nothing follows
        {{}, u"2\u00D7\u00D73", u"Syntax error", 2, 1}, // the second ×
        {{}, u"sin(", u"Syntax error", 3, 1},
        {{}, u"3\u00B2\u00B2)", u"Syntax error", 3, 1},
        {{}, u"1+2.3.4", u"Syntax error", 2, 5},   // a number counts as a whole
        {{}, u"2*(1/0)", u"Infinity error", 2, 5}, // the bracket that has no value
        {{}, u"ln(0)+1", u"Infinity error", 0, 5}, // with its function
        {{}, u"tan 90", u"Infinity error", 4, 2},
        {{}, u"70!", u"Domain error", 2, 1},
        {{}, u"A = 1+", u"Syntax error", 5, 1}, // the right-hand side of an assignment
        {{}, u"A = 2*XYZ", u"Syntax error", 6, 3},
        // failures without a place
        {{}, u"", u"Syntax error", 0, 0},
        {{}, u"   ", u"Syntax error", 3, 0},
        {{}, u"1/0", u"Error", 3, 0}, // a fault of the whole expression
        {{}, u"(0/0)", u"Error", 5, 0},
        {{}, u"GT = 5", u"Syntax error", 6, 0},
    };
    for (const Place& c : cases) {
        Session s;
        for (const char16_t* line : c.before)
            s.enter(QString::fromUtf16(line));
        const QString text = QString::fromUtf16(c.text);
        s.enter(text);
        const TInputLine& l = s.c.InputLine();
        const std::string row = str(text);
        EXPECT_EQ(str(s.shown()), str(QString::fromUtf16(c.shown))) << row;
        EXPECT_EQ(str(l.Text), row);
        EXPECT_EQ(l.SelLength, c.length) << row;
        if (c.length > 0) {
            EXPECT_EQ(l.SelStart, c.start) << row;
        }
        EXPECT_EQ(l.Caret, c.start + c.length) << row;
        EXPECT_EQ(s.c.ErrorPlace(), (TTextRange{c.length ? c.start : 0, c.length})) << row;
        EXPECT_EQ(s.c.GetIsCalc(), c.length == 0) << row; // a selected place is there to be typed over
    }
}

TEST(Enter, TypingReplacesTheSelectedPlace) {
    Session s;
    s.enter("1+2.3.4");
    s.type("5");
    EXPECT_EQ(str(s.input()), "1+5");
    s.press();
    EXPECT_EQ(str(s.shown()), "6");
    EXPECT_EQ(s.c.ErrorPlace(), TTextRange{});

    // an operator typed over the place is the line's, not a continuation from Ans
    s.enter(QString::fromUtf16(u"2\u00D7\u00D73"));
    s.type("-");
    EXPECT_EQ(str(s.input()), "2\u00D7-3");
    s.press();
    EXPECT_EQ(str(s.shown()), "-6");
}

namespace {

QStringList VariableCaptions(const TCalculator& c) {
    QStringList captions;
    for (const TCalculator::TVariableItem& item : c.VariablePopupItems())
        captions << item.Caption;
    return captions;
}

} // namespace

TEST(VariablePopup, ListsTheVariablesAsTheyChange) {
    Session s;
    EXPECT_FALSE(s.c.HasVariablePopupItems());
    EXPECT_TRUE(s.c.VariablePopupItems().isEmpty());

    s.enter("rate = 1/8");
    s.enter(QString::fromUtf16(u"\uFF21 = 3"));
    EXPECT_TRUE(s.c.HasVariablePopupItems());
    EXPECT_EQ(VariableCaptions(s.c), QStringList({"RATE = 0.125", "A = 3"})); // in the order first assigned
    s.enter("A = 40000");
    s.enter("@,");
    EXPECT_EQ(VariableCaptions(s.c), QStringList({"RATE = 0.125", "A = 40,000"}));
    s.enter("@FIX2");
    s.enter("M = 5");
    EXPECT_EQ(VariableCaptions(s.c), QStringList({"RATE = 0.13", "A = 40,000.00", "M = 5.00"}));
    s.enter("@HEX");
    EXPECT_EQ(VariableCaptions(s.c), QStringList({"RATE = 0x0", "A = 0x9C40", "M = 0x5"}));

    s.enter("@VARCL");
    EXPECT_EQ(VariableCaptions(s.c), QStringList({"M = 0x5"}));
    EXPECT_TRUE(s.c.HasVariablePopupItems()); // M alone is worth the popup
    s.enter("M = 0");
    EXPECT_FALSE(s.c.HasVariablePopupItems());
    EXPECT_TRUE(s.c.VariablePopupItems().isEmpty());
}

TEST(VariablePopup, AnEntryInsertsItsNameAtTheCaret) {
    Session s;
    s.enter("A = 3");
    s.enter("rate = 2");
    ASSERT_EQ(s.c.VariablePopupItems().size(), 2);
    EXPECT_EQ(s.c.VariablePopupItems()[1].Name, "RATE");

    // right after a calculation the name replaces the selected line, as typing does
    s.enter("1+2");
    s.c.VariablePopupItemClick(1);
    EXPECT_EQ(str(s.input()), "RATE");
    EXPECT_FALSE(s.c.GetIsCalc());
    s.type("*");
    s.c.VariablePopupItemClick(0);
    EXPECT_EQ(str(s.input()), "RATE*A");
    s.press();
    EXPECT_EQ(str(s.shown()), "6");

    s.c.SetInputText("1+*2");
    s.c.PlaceCaret(false, 2);
    s.c.VariablePopupItemClick(1);
    EXPECT_EQ(str(s.input()), "1+RATE*2");
    EXPECT_EQ(s.c.InputLine().Caret, 6);
    s.c.VariablePopupItemClick(2); // no such entry
    s.c.VariablePopupItemClick(-1);
    EXPECT_EQ(str(s.input()), "1+RATE*2");
}

// The window renders once per command, however many steps the command takes
// (the line, the caret, the result, the history).
TEST(Enter, EachCommandTellsTheWindowOnce) {
    struct Row {
        const char* command;
        std::function<void(Session&)> prepare;
        std::function<void(Session&)> run;
    };
    const auto line = [](const char* text) { return [text](Session& s) { s.c.SetInputText(text); }; };
    const auto nothing = [](Session&) {};
    const Row rows[] = {
        {"Enter of a value", line("2+3"), [](Session& s) { s.press(); }},
        {"Enter of a failing line", line("1+"), [](Session& s) { s.press(); }},
        {"Enter of an assignment", line("A=3"), [](Session& s) { s.press(); }},
        {"Enter of a command", line("@FIX2"), [](Session& s) { s.press(); }},
        {"Enter starting a variable calculation", line("@CALC:A*B"), [](Session& s) { s.press(); }},
        {"a typed string after a calculation", [](Session& s) { s.enter("4"); },
         [](Session& s) { s.type("*12+3"); }},
        {"M+ of an uncalculated line", line("6"), [](Session& s) { s.c.MPlusActionExecute(); }},
        {"a history item recalled", [](Session& s) { s.enter("7"); },
         [](Session& s) { s.c.HistoryMenuItemClick(0); }},
        {"a display mode with recalculation", [](Session& s) { s.enter("1/3"); },
         [](Session& s) { s.c.ApplyDisplayMode(true); }},
        {"the custom button",
         [](Session& s) {
             s.enter("@BUTTON=X2:[]*2");
             s.c.SetInputText("5");
         },
         [](Session& s) { s.c.CustomBtnActionExecute(); }},
        {"All Clear", nothing, [](Session& s) { s.c.AllClear(); }},
    };
    for (const Row& row : rows) {
        Session s;
        row.prepare(s);
        int changes = 0;
        QObject::connect(&s.c, &TCalculator::Changed, [&changes] { ++changes; });
        row.run(s);
        EXPECT_EQ(changes, 1) << row.command;
    }
}
