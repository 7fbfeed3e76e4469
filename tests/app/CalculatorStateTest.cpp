// The calculator's state through the settings file: saved when the window goes,
// restored when it comes back.
#include "Calculator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

// Each test gets its own configuration folder.
class StateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", old); }

    // A calculator started as the window starts it: the settings file read and applied.
    static void Start(TCalculator& c) { c.FormShow(); }

    // Writes a settings file from a calculator whose AppData says what to keep.
    static void Save(TCalculator& c, bool history, bool variables) {
        c.SettingDialogAppData().IsHistoryRecord = history;
        c.SettingDialogAppData().IsVariableRecord = variables;
        c.FormSaveState();
    }

    QTemporaryDir dir;
    QByteArray old;
};

void Enter(TCalculator& c, const QString& line) {
    c.SetInputText(line);
    c.CalcExpression(true);
}

} // namespace

TEST_F(StateTest, EverythingComesBack) {
    {
        TCalculator c;
        Start(c);
        Enter(c, "A=2.5");
        Enter(c, "M=4");
        Enter(c, "@RAD");
        Enter(c, "@,");
        Enter(c, "@BUTTON=TAX:[]*1.1");
        Enter(c, "@TOPMOST");
        Enter(c, "1234.5678");
        Enter(c, "@FIX3");
        c.SetInputText("plain;A*2");
        c.RecordExpressionActionExecute();
        c.SetRecordExpressionFrameHeight(64);
        Enter(c, "A*2");
        Save(c, true, true);
    }
    TCalculator c;
    Start(c);
    EXPECT_EQ(c.GetAngleMode(), atRad);
    EXPECT_EQ(c.AngleModeCaption(), "Rad");
    EXPECT_TRUE(c.GetIsDigitGroupingSeparator());
    EXPECT_EQ(c.GetDigitDisplayMode(), vtFix); // the mode comes back with its digits
    EXPECT_EQ(c.GetRoundDecimal(), 3);
    EXPECT_EQ(c.ResultModeCaption(), "Fix3");
    EXPECT_EQ(c.GetCustomBtnTitle(), "TAX");
    EXPECT_TRUE(c.CustomButtonVisible());
    EXPECT_TRUE(c.IsTopMost());
    EXPECT_EQ(c.RecordExpressions(), QStringList({"plain;A*2"}));
    EXPECT_TRUE(c.RecordExpressionFrameVisible());
    EXPECT_EQ(c.RecordExpressionFrameHeight(), 64);
    EXPECT_EQ(c.Variables().GetValueItems(c.Variables().GetNumberItems("A")), 2.5);
    EXPECT_EQ(c.GetVarM(), 4);
    EXPECT_EQ(c.MButtonCaption(), "M=4");
    ASSERT_EQ(c.VariablePopupItems().size(), 2);
    EXPECT_EQ(c.VariablePopupItems()[0].Caption, "A = 2.500");
    EXPECT_EQ(c.VariablePopupItems()[1].Caption, "M = 4.000");
    EXPECT_EQ(c.GetAns(), 5);
    EXPECT_EQ(c.InputLine().Text, "A*2");
    EXPECT_EQ(c.ResultText(), "5.000"); // the saved answer, in the restored mode
    EXPECT_FALSE(c.IsResultStale());
    ASSERT_EQ(c.ExpressionHistorys().size(), 4u);
    EXPECT_EQ(c.ExpressionHistorys().front()->ExpressionText(), "A=2.5");
    EXPECT_EQ(c.HistoryPopupItems().front(), "A*2");
    EXPECT_EQ(c.HistoryListRowCount(), 10);
    // after start the first Down shows the newest record
    c.DownKeyActionExecute();
    EXPECT_EQ(c.InputLine().Text, "A*2");
}

TEST_F(StateTest, WithoutHistoryAndVariableSavingOnlyTheModesComeBack) {
    {
        TCalculator c;
        Start(c);
        Enter(c, "A=2");
        Enter(c, "M=4");
        Enter(c, "@HEX");
        Save(c, false, false);
    }
    TCalculator c;
    Start(c);
    EXPECT_TRUE(c.ExpressionHistorys().empty());
    EXPECT_EQ(c.Variables().Count(), 0);
    EXPECT_EQ(c.GetVarM(), 0);
    EXPECT_FALSE(c.MButtonVisible());
    EXPECT_EQ(c.InputLine().Text, "");
    EXPECT_EQ(c.ResultModeCaption(), "Hex");
}

namespace {

// Everything a restart could change if it ran the saved line again.
struct Kept {
    QString line;
    bool isCalc;
    double ans, preAns, m, a;
    int variables;
    QStringList records;
    bool operator==(const Kept&) const = default;
};

Kept KeptOf(const TCalculator& c) {
    const TVariableDictionary& v = c.Variables();
    QStringList records;
    for (const auto& r : c.ExpressionHistorys())
        records << r->ExpressionText();
    return {c.InputLine().Text, c.GetIsCalc(),
            c.GetAns(),         c.GetPreAns(),
            c.GetVarM(),        v.ContainsKey("A") ? v.GetValueItems(v.GetNumberItems("A")) : 0,
            v.Count(),          records};
}

void PrintTo(const Kept& k, std::ostream* os) {
    *os << k.line.toStdString() << (k.isCalc ? " (calculated)" : "") << " Ans " << k.ans << " PreAns "
        << k.preAns << " M " << k.m << " A " << k.a << " records " << k.records.join(u'|').toStdString();
}

} // namespace

TEST_F(StateTest, OpeningTheWindowRunsNothing) {
    struct Case {
        std::vector<const char*> lines; // entered with Enter
        const char* pasted;             // then pasted over the calculated line, if any
        const char* shown;              // after every start
        bool stale;                     // shown, but not vouched for as the line's answer
    };
    const Case cases[] = {
        {{"A=5", "A=A*2"}, nullptr, "10", false},
        {{"M=1", "M=M+1"}, nullptr, "2", false},
        {{"5", "ANS*2"}, nullptr, "10", false},
        {{"2+3"}, nullptr, "5", false},
        {{"A=4", "2+3"}, "@VARCL", "5", true}, // still calculated: pasting is no typing
        {{"A=4", "2+3"}, "@HISCL", "5", true},
        {{"4", "1/0"}, nullptr, "4", true}, // the message is not kept, only Ans
        {{"2+3"}, "7*7", "5", true},
        {{"A=4"}, "A+", "4", true},
    };
    for (const Case& k : cases) {
        Kept kept;
        {
            TCalculator c;
            Start(c);
            for (const char* line : k.lines)
                Enter(c, line);
            if (k.pasted) c.PasteText(k.pasted);
            kept = KeptOf(c);
            Save(c, true, true);
        }
        const std::string row = kept.line.toStdString();
        for (int start = 0; start < 3; ++start) { // each start saves what it restored
            TCalculator c;
            Start(c);
            EXPECT_EQ(KeptOf(c), kept) << row << ", start " << start;
            EXPECT_EQ(c.ResultText(), k.shown) << row << ", start " << start;
            EXPECT_EQ(c.IsResultStale(), k.stale) << row << ", start " << start;
            EXPECT_EQ(c.GetVarGT(), 0) << row; // nothing was evaluated
            EXPECT_EQ(c.GetVarGTCount(), 0) << row;
            EXPECT_EQ(c.InputLine().SelLength, c.InputLine().Text.size()) << row; // as after a calculation
            c.FormSaveState();
        }
    }

    // a line being edited shows no value of its own
    {
        TCalculator c;
        Start(c);
        Enter(c, "2");
        c.TypeText("+1");
        ASSERT_EQ(c.InputLine().Text, "ANS+1");
        Save(c, true, true);
    }
    TCalculator c;
    Start(c);
    EXPECT_EQ(c.InputLine().Text, "ANS+1");
    EXPECT_FALSE(c.GetIsCalc());
    EXPECT_EQ(c.ResultText(), "0");
    EXPECT_TRUE(c.IsResultStale());
    EXPECT_EQ(c.InputLine().SelLength, 0);
    EXPECT_EQ(c.InputLine().Caret, 5);
    c.CalcExpression(true);
    EXPECT_EQ(c.ResultText(), "3");
    EXPECT_FALSE(c.IsResultStale());
}

TEST_F(StateTest, ZeroMemoryStaysHidden) {
    for (double m : {0.0, 2.0}) {
        {
            TCalculator c;
            Start(c);
            c.SetMemoryValue(m);
            Save(c, false, true);
        }
        TCalculator c;
        Start(c);
        EXPECT_EQ(c.MButtonVisible(), m != 0);
        EXPECT_EQ(c.MButtonCaption(), m != 0 ? "M=2" : "M");
    }
}

TEST_F(StateTest, HistoryLimitFromTheFileTrimsAtStart) {
    {
        TCalculator c;
        Start(c);
        for (const char* line : {"1", "2", "3", "4", "5"})
            Enter(c, line);
        c.SettingDialogAppData().HistoryCount = 3;
        Save(c, true, false);
    }
    TCalculator c;
    Start(c);
    ASSERT_EQ(c.ExpressionHistorys().size(), 3u);
    EXPECT_EQ(c.ExpressionHistorys().front()->ExpressionText(), "3");
    EXPECT_EQ(c.HistoryListRowCount(), 3);
    EXPECT_EQ(c.HistoryPopupItems(), QStringList({"5", "4", "3"}));
}

TEST_F(StateTest, DamagedFileStartsWithDefaults) {
    const QString path = TAppData::FileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xff\xfe[Mode]\r\nView=99\r\nAngle=-4\r\n[Expression]\r\nHistory=1\r\nRecordCount=999999999\r\n"
            "Count=-3\r\n[Variable]\r\nRecord=1\r\nCount=77777777\r\nM=abc\r\n");
    f.close();
    TCalculator c;
    Start(c);
    EXPECT_EQ(c.ResultModeCaption(), "Norm");
    EXPECT_EQ(c.AngleModeCaption(), "Deg");
    EXPECT_EQ(c.HistoryListRowCount(), 0);
    EXPECT_TRUE(c.ExpressionHistorys().empty());
    c.SetInputText("1+1");
    c.CalcExpression(true);
    EXPECT_EQ(c.ResultText(), "2");
}

TEST_F(StateTest, SavesAboutASecondAfterTheLastChangeOnlyWhenAsked) {
    for (const bool asked : {false, true}) { // a calculator saves only when it is asked to
        QFile::remove(TAppData::FileName());
        TCalculator c;
        Start(c);
        if (asked) c.SetAutoSave(true);
        Enter(c, "6*7");
        EXPECT_FALSE(QFile::exists(TAppData::FileName())) << asked; // not at once
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(TAppData::FileName()) && t.elapsed() < (asked ? 5000 : 1500))
            QCoreApplication::processEvents();
        ASSERT_EQ(QFile::exists(TAppData::FileName()), asked);
        if (!asked) continue;
        EXPECT_GE(t.elapsed(), 500);
        TAppData read;
        TExpressionHistoryList history;
        read.ExpressionHistorys = &history;
        read.Read();
        EXPECT_EQ(read.InputExpressionText, "6*7");
        EXPECT_EQ(read.Ans, 42);
    }
}

TEST_F(StateTest, SettingsOkAndClear) {
    TCalculator c;
    Start(c);
    Enter(c, "1");
    Enter(c, "2");
    Enter(c, "3");
    c.SettingDialogAppData().HistoryCount = 1;
    c.SettingDialogAppData().IsRealTimeCalc = true;
    c.ApplySettings();
    EXPECT_TRUE(c.GetIsRealTimeCalc());
    EXPECT_EQ(c.ExpressionHistorys().size(), 1u);
    EXPECT_EQ(c.HistoryListRowCount(), 1);

    c.SettingDialogAppData().Clear(); // what the dialog's confirmed clear does
    c.SettingsCleared();
    EXPECT_TRUE(c.ExpressionHistorys().empty());
    EXPECT_TRUE(c.HistoryPopupItems().isEmpty());
    EXPECT_EQ(c.HistoryListSelectedRow(), -1);
    c.DownKeyActionExecute(); // nothing left to lead to
    c.UpKeyActionExecute();
    c.HistoryMenuItemClick(0);
    EXPECT_EQ(c.InputLine().Text, "3");
}
