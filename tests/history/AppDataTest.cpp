#include "AppData.h"
#include "AppDataFixture.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <csignal>
#include <functional>
#include <random>
#include <type_traits>
#include <variant>

namespace {

// Every field away from its default, with two records, three variables and two
// recorded expressions.
void fill(Settings& s) {
    TAppData& d = s.Data;
    d.Left = -1200;
    d.Top = 40;
    d.Width = 320;
    d.Height = 480;
    d.InputExpressionText = QString::fromUtf16(u"sin(30)\uFF0B1");
    d.IsHistoryRecord = true;
    d.HistoryCount = 25;
    d.IsVariableRecord = true;
    d.IsRealTimeCalc = true;
    d.RecordExpressionFrameHeight = 87.5f;
    d.VarM = -0.001;
    d.Ans = 1.23456789012345e20;
    d.PreAns = 2.5e-7;
    d.IsCalc = true;
    d.ViewMode = vtNotView;
    d.AngleMode = atGrad;
    d.IsTopMost = true;
    d.Transparency = true;
    d.TransparencyValue = 35;
    d.IsDigitGroupingSeparator = true;
    d.CustomBtnTitle = QString::fromUtf16(u"\u7A0E\u8FBC");
    d.CustomBtnExpression = "[]*1.1";
    d.RoundDecimal = 7;
    d.Eng = -3;

    TExpressionHistory& a = s.add("1+2", 3);
    a.SetAns(10);
    a.SetPreAns(-4);
    a.SetVarM(5);
    a.SetAngleMode(atRad);
    a.SetViewMode(vtBin);
    TExpressionHistory& b = s.add("ans=x;y", 0.1);
    b.SetViewMode(vtNotView);
    b.SetAngleMode(atGrad);

    s.Variables.AddOrSetValue("X", 1);
    s.Variables.AddOrSetValue("Y", -1e300);
    s.Variables.AddOrSetValue("RATE", 0.1);
    s.Records = {"tax;X*1.1", QString::fromUtf16(u"\u5186")};
}

void expectDefaults(const Settings& s) {
    const TAppData& d = s.Data;
    for (int v : {d.Left, d.Top, d.Width, d.Height})
        EXPECT_EQ(v, -1);
    EXPECT_EQ(d.HistoryCount, 10);
    EXPECT_EQ(d.RecordExpressionFrameHeight, 30);
    EXPECT_TRUE(d.InputExpressionText.isEmpty());
    EXPECT_FALSE(d.IsHistoryRecord || d.IsVariableRecord || d.IsRealTimeCalc || d.IsCalc || d.IsTopMost ||
                 d.Transparency || d.IsDigitGroupingSeparator);
    EXPECT_EQ(d.Ans, 0);
    EXPECT_EQ(d.PreAns, 0);
    EXPECT_EQ(d.ViewMode, vtNormal);
    EXPECT_EQ(d.AngleMode, atDeg);
    EXPECT_EQ(d.TransparencyValue, 0);
    EXPECT_EQ(d.RoundDecimal, 0);
    EXPECT_EQ(d.Eng, 0);
    EXPECT_TRUE(d.CustomBtnTitle.isEmpty());
    EXPECT_TRUE(d.CustomBtnExpression.isEmpty());
    EXPECT_TRUE(s.History.empty());
    EXPECT_EQ(s.Variables.Count(), 0);
    EXPECT_TRUE(s.Records.isEmpty());
}

} // namespace

TEST(AppData, NewObjectHoldsNothing) {
    const TAppData d;
    EXPECT_EQ(d.Left, 0);
    EXPECT_EQ(d.HistoryCount, 0);
    EXPECT_EQ(d.RecordExpressionFrameHeight, 0);
    EXPECT_FALSE(d.IsHistoryRecord);
    EXPECT_EQ(d.ExpressionHistorys, nullptr);
    EXPECT_EQ(d.VariableDictionary, nullptr);
    EXPECT_EQ(d.RecordExpressions, nullptr);
}

TEST(AppData, FileLivesUnderTheConfigurationFolder) {
    TempConfig cfg;
    EXPECT_EQ(TAppData::FileName(), cfg.root() + "/Halvoren/Korvex/Korvex.ini");
    // built anew each time: a second folder takes over at once
    TempConfig other;
    EXPECT_EQ(TAppData::FileName(), other.root() + "/Halvoren/Korvex/Korvex.ini");
}

TEST(AppData, EveryFieldSurvivesWriteAndRead) {
    TempConfig cfg;
    Settings out;
    fill(out);
    out.History[0]->SetVarGT(9);
    out.History[0]->SetDigitNumber(4);
    out.History[0]->SetIsGroupingSeparator(true);
    out.write();

    Settings in;
    in.Data.VarM = 77;
    in.add("stale", 1);
    in.Variables.AddOrSetValue("STALE", 1);
    in.read();
    const TAppData& a = out.Data;
    const TAppData& b = in.Data;
    EXPECT_EQ(b.Left, a.Left);
    EXPECT_EQ(b.Top, a.Top);
    EXPECT_EQ(b.Width, a.Width);
    EXPECT_EQ(b.Height, a.Height);
    EXPECT_EQ(b.InputExpressionText, a.InputExpressionText);
    EXPECT_EQ(b.IsHistoryRecord, a.IsHistoryRecord);
    EXPECT_EQ(b.HistoryCount, a.HistoryCount);
    EXPECT_EQ(b.IsVariableRecord, a.IsVariableRecord);
    EXPECT_EQ(b.IsRealTimeCalc, a.IsRealTimeCalc);
    EXPECT_EQ(b.RecordExpressionFrameHeight, a.RecordExpressionFrameHeight);
    EXPECT_EQ(b.VarM, a.VarM);
    EXPECT_EQ(b.Ans, a.Ans);
    EXPECT_EQ(b.PreAns, a.PreAns);
    EXPECT_EQ(b.IsCalc, a.IsCalc);
    EXPECT_EQ(b.ViewMode, a.ViewMode);
    EXPECT_EQ(b.AngleMode, a.AngleMode);
    EXPECT_EQ(b.IsTopMost, a.IsTopMost);
    EXPECT_EQ(b.Transparency, a.Transparency);
    EXPECT_EQ(b.TransparencyValue, a.TransparencyValue);
    EXPECT_EQ(b.IsDigitGroupingSeparator, a.IsDigitGroupingSeparator);
    EXPECT_EQ(b.CustomBtnTitle, a.CustomBtnTitle);
    EXPECT_EQ(b.CustomBtnExpression, a.CustomBtnExpression);
    EXPECT_EQ(b.RoundDecimal, a.RoundDecimal);
    EXPECT_EQ(b.Eng, a.Eng);

    // the records replace what the list held
    ASSERT_EQ(in.History.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const TExpressionHistory& x = *out.History[i];
        const TExpressionHistory& y = *in.History[i];
        EXPECT_EQ(y.ExpressionText(), x.ExpressionText());
        EXPECT_EQ(y.Ans(), x.Ans());
        EXPECT_EQ(y.PreAns(), x.PreAns());
        EXPECT_EQ(y.VarM(), x.VarM());
        EXPECT_EQ(y.AngleMode(), x.AngleMode());
        EXPECT_EQ(y.ViewMode(), x.ViewMode());
        EXPECT_EQ(y.Value(), x.Value());
    }
    // the three display fields of a record are not saved
    EXPECT_EQ(in.History[0]->VarGT(), 0);
    EXPECT_EQ(in.History[0]->DigitNumber(), 0);
    EXPECT_FALSE(in.History[0]->IsGroupingSeparator());

    // variables keep their numbers; the stale one is gone
    ASSERT_EQ(in.Variables.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(in.Variables.GetNameItems(i), out.Variables.GetNameItems(i));
        EXPECT_EQ(in.Variables.GetValueItems(i), out.Variables.GetValueItems(i));
    }
    EXPECT_EQ(in.Records, out.Records);
}

// Each value of the file has one place in it, and the sample above moves every
// one of them away from its default, so that the round trip covers a new one.
TEST(AppData, EverySettingHasItsOwnKeyAndIsCovered) {
    Settings s;
    fill(s);
    QSet<QString> keys;
    for (const TAppData::TSetting& t : TAppData::Settings()) {
        const QString key = QStringLiteral("%1/%2").arg(t.Section, t.Key).toLower();
        EXPECT_FALSE(keys.contains(key)) << key.toStdString();
        keys.insert(key);
        std::visit(
            [&](const auto& What) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(What)>, TAppData::TList>) {
                    EXPECT_NE(s.Data.*What.Member, What.Default) << key.toStdString();
                }
            },
            t.What);
    }
}

TEST(AppData, FreshFileHasTheDocumentedLayout) {
    TempConfig cfg;
    Settings s;
    TAppData& d = s.Data;
    d.Left = 10;
    d.Top = 20;
    d.Width = 300;
    d.Height = 400;
    d.InputExpressionText = "1+2";
    d.IsHistoryRecord = true;
    d.HistoryCount = 10;
    d.IsVariableRecord = true;
    d.IsRealTimeCalc = true;
    d.RecordExpressionFrameHeight = 30;
    d.VarM = 5;
    d.Ans = 6;
    d.IsCalc = true;
    d.AngleMode = atRad;
    d.IsDigitGroupingSeparator = true;
    d.CustomBtnTitle = "Tax";
    d.CustomBtnExpression = "[]*1.1";
    TExpressionHistory& h = s.add("2*3", 6);
    h.SetAngleMode(atRad);
    h.SetViewMode(vtSci);
    s.Variables.AddOrSetValue("rate", 0.1);
    s.Records = {"tax;X*1.1"};
    s.write();

    const QByteArray bytes = cfg.bytes();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF["));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_EQ(cfg.text(),
              "[Position]\nLeft=10\nTop=20\nWidth=300\nHeight=400\n\n"
              "[Realtime]\nCalc=1\n\n"
              "[Expression]\nText=1+2\nHistory=1\nCount=10\nRecordCount=1\n\n"
              "[Expression0]\nExpression=2*3\nAns=0\nPreAns=0\nM=0\nAngleMode=1\nViewMode=2\nValue=6\n\n"
              "[Variable]\nRecord=1\nM=5\nCount=1\nAns=6\nPreAns=0\n\n"
              "[Variable0]\nName=RATE\nValue=0.1\n\n"
              "[RecordExpression]\nCount=1\nExpression0=tax;X*1.1\nHeight=30\n\n"
              "[Mode]\nCalc=1\nView=0\nAngle=1\nTopMost=0\nTransparency=0\nTransparencyValue=0\n"
              "DigitGroupingSeparator=1\nRoundDecimal=0\nEng=0\n\n"
              "[CustomButton]\nTitle=Tax\nExpression=[]*1.1\n\n");
}

TEST(AppData, DoublesAreKeptToFifteenDigits) {
    TempConfig cfg;
    struct Case {
        double value;
        const char* text;
        double back;
    };
    const Case cases[] = {
        {M_PI, "3.14159265358979", 3.14159265358979},
        {1e20, "1E20", 1e20},
        {1.5e-7, "1.5E-7", 1.5e-7},
        {0.0001, "0.0001", 0.0001},
        {-123456789012345678.0, "-1.23456789012346E17", -1.23456789012346e17},
        {0, "0", 0},
        // rounded to 15 digits the largest doubles lie beyond the range; they read as the largest
        {DBL_MAX, "1.79769313486232E308", DBL_MAX},
        {-DBL_MAX, "-1.79769313486232E308", -DBL_MAX},
    };
    for (const auto& c : cases) {
        Settings s;
        s.Data.Ans = c.value;
        s.write();
        EXPECT_TRUE(cfg.text().contains(QStringLiteral("\nAns=%1\n").arg(c.text))) << c.text;
        Settings t;
        t.read();
        EXPECT_EQ(t.Data.Ans, c.back) << c.text;
    }
}

TEST(AppData, NoFileGivesTheDefaults) {
    TempConfig cfg;
    Settings s;
    s.read();
    expectDefaults(s);
    EXPECT_FALSE(QFile::exists(cfg.file())); // reading creates nothing
}

TEST(AppData, AbsentListsLeaveTheirPartAlone) {
    TempConfig cfg;
    cfg.putIni("[Expression]\nText=9\nHistory=1\nCount=3\nRecordCount=1\n[Expression0]\nExpression=1\n"
               "[Variable]\nRecord=1\nM=4\nCount=1\n[Variable0]\nName=A\nValue=1\n"
               "[RecordExpression]\nCount=1\nExpression0=r\nHeight=50\n");
    TAppData d;
    d.InputExpressionText = "mine";
    d.HistoryCount = 99;
    d.RecordExpressionFrameHeight = 12;
    d.Read();
    EXPECT_EQ(d.InputExpressionText, "mine");
    EXPECT_EQ(d.HistoryCount, 99);
    EXPECT_FALSE(d.IsHistoryRecord);
    EXPECT_TRUE(d.IsVariableRecord); // Record is read either way, M only with the store
    EXPECT_EQ(d.VarM, 0);
    EXPECT_EQ(d.RecordExpressionFrameHeight, 12);

    // and writing without them keeps their sections as they are
    d.Write();
    const QString t = cfg.text();
    for (const char* kept :
         {"Text=9", "RecordCount=1", "[Expression0]", "[Variable0]", "Expression0=r", "Height=50"})
        EXPECT_TRUE(t.contains(kept)) << kept;
    EXPECT_TRUE(t.contains("Record=1\nM=0\nCount=1\n"));
}

TEST(AppData, HistoryOffIgnoresTheEntries) {
    TempConfig cfg;
    cfg.putIni("[Expression]\nText=1+1\nHistory=0\nCount=4\nRecordCount=2\n"
               "[Expression0]\nExpression=a\n[Expression1]\nExpression=b\n");
    Settings s;
    s.add("old", 1);
    s.read();
    EXPECT_TRUE(s.History.empty());
    EXPECT_EQ(s.Data.InputExpressionText, "1+1");
    EXPECT_EQ(s.Data.HistoryCount, 4);

    // and saving with history off writes no count and no entries
    TempConfig fresh;
    Settings w;
    w.Data.InputExpressionText = "x";
    w.Data.HistoryCount = 4;
    w.add("kept in memory only", 1);
    w.write();
    const QString t = fresh.text();
    EXPECT_TRUE(t.contains("[Expression]\nText=x\nHistory=0\nCount=4\n\n"));
    EXPECT_FALSE(t.contains("RecordCount"));
    EXPECT_FALSE(t.contains("[Expression0]"));
}

TEST(AppData, VariablesOffKeepMemoryAndEmptyTheStore) {
    TempConfig cfg;
    cfg.putIni("[Variable]\nRecord=0\nM=5\nCount=1\nAns=2\n[Variable0]\nName=A\nValue=1\n");
    Settings s;
    s.Data.VarM = 8;
    s.Variables.AddOrSetValue("B", 2);
    s.read();
    EXPECT_FALSE(s.Data.IsVariableRecord);
    EXPECT_EQ(s.Variables.Count(), 0);
    EXPECT_EQ(s.Data.VarM, 8);
    EXPECT_EQ(s.Data.Ans, 2); // the answers are read either way

    s.Variables.AddOrSetValue("C", 3);
    s.write();
    const QString t = cfg.text();
    EXPECT_TRUE(t.contains("[Variable]\nRecord=0\nM=5\nCount=1\nAns=2\nPreAns=0\n")) << t.toStdString();
    EXPECT_TRUE(t.contains("[Variable0]\nName=A\n")); // untouched, not rewritten from the store
}

// Shorter or cleared lists and history saving turned off leave no numbered
// entry at or above the counts, also where the file had more than its counts.
TEST(AppData, ClearedEntriesLeaveTheFile) {
    struct Case {
        const char* name;
        int history, variables, records; // what is left of five each
        bool historyOn;
    };
    const Case cases[] = {
        {"shorter lists", 3, 2, 1, true},
        {"history and variables cleared", 0, 0, 5, true},
        {"recorded expressions deleted", 5, 5, 0, true},
        {"history saving off", 5, 5, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempConfig cfg;
        Settings five;
        five.Data.IsHistoryRecord = true;
        five.Data.IsVariableRecord = true;
        five.Data.HistoryCount = 10;
        for (int i = 0; i < 5; ++i) {
            five.add(QStringLiteral("h%1").arg(i), i);
            five.Variables.AddOrSetValue(QStringLiteral("V%1").arg(i), i);
            five.Records << QStringLiteral("r%1").arg(i);
        }
        five.write();
        // entries beyond the counts that an older save or a hand left behind
        cfg.put(cfg.bytes() + "[Expression7]\r\nExpression=stale\r\n[Variable9]\r\nName=STALE\r\n"
                              "[RecordExpression]\r\nExpression8=stale\r\n");

        Settings s;
        s.read();
        ASSERT_EQ(s.History.size(), 5u);
        s.History.resize(c.history);
        s.Variables.Clear();
        for (int i = 0; i < c.variables; ++i)
            s.Variables.AddOrSetValue(QStringLiteral("V%1").arg(i), i);
        s.Records = s.Records.mid(0, c.records);
        s.Data.IsHistoryRecord = c.historyOn;
        s.write();

        const QString t = cfg.text();
        EXPECT_FALSE(t.contains("stale") || t.contains("STALE")) << t.toStdString();
        const int saved = c.historyOn ? c.history : 0;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(t.contains(QStringLiteral("[Expression%1]\n").arg(i)), i < saved) << i;
            EXPECT_EQ(t.contains(QStringLiteral("[Variable%1]\n").arg(i)), i < c.variables) << i;
            EXPECT_EQ(t.contains(QStringLiteral("\nExpression%1=").arg(i)), i < c.records) << i;
        }
        EXPECT_EQ(t.contains("RecordCount"), c.historyOn);

        Settings back;
        back.read();
        EXPECT_EQ(back.History.size(), std::size_t(saved));
        EXPECT_EQ(back.Variables.Count(), c.variables);
        EXPECT_EQ(back.Records.size(), c.records);
    }
}

TEST(AppData, VariableKeepsItsNumber) {
    TempConfig cfg;
    Settings s;
    s.Data.IsVariableRecord = true;
    s.Variables.AddOrSetValue("A", 1);
    s.Variables.AddOrSetValue("B", 2);
    s.Variables.AddOrSetValue("rate", 0.1);
    s.write();
    EXPECT_TRUE(cfg.text().contains("[Variable2]\nName=RATE\nValue=0.1\n"));
    Settings t;
    t.read();
    EXPECT_EQ(t.Variables.GetNumberItems("RATE"), 2);
    EXPECT_EQ(t.Variables.GetValueItems(2), 0.1);
}

TEST(AppData, ForeignContentSurvivesAWrite) {
    TempConfig cfg;
    cfg.putIni("; written by hand\n"
               "[Plugin]\nColour=blue\n\n"
               "[position]\nleft=5\nMonitor=2\n"
               "[MODE]\n; remember this\nview=3\nFuture=yes\n");
    Settings s;
    s.read();
    EXPECT_EQ(s.Data.Left, 5);
    EXPECT_EQ(s.Data.ViewMode, vtEng);
    s.Data.Left = 7;
    s.write();
    const QString t = cfg.text();
    EXPECT_TRUE(t.startsWith("[Plugin]\nColour=blue\n\n[position]\nleft=7\nMonitor=2\nTop=-1\n"))
        << t.toStdString();
    EXPECT_TRUE(t.contains("[MODE]\nview=3\nFuture=yes\nCalc=0\n"));
    EXPECT_FALSE(t.contains(";"));
    EXPECT_FALSE(t.contains("[Position]"));
    EXPECT_FALSE(t.contains("[Mode]"));
}

TEST(AppData, TextWithLineBreaksCannotForgeKeys) {
    TempConfig cfg;
    Settings s;
    s.Data.CustomBtnTitle = "a\r\n[Mode]\r\nTopMost=1";
    s.Data.IsHistoryRecord = true;
    s.Data.HistoryCount = 10;
    s.add("1\n[Expression0]\nExpression=forged", 1);
    s.write();
    Settings t;
    t.read();
    EXPECT_FALSE(t.Data.IsTopMost);
    EXPECT_EQ(t.Data.CustomBtnTitle, "a  [Mode]  TopMost=1");
    ASSERT_EQ(t.History.size(), 1u);
    EXPECT_EQ(t.History[0]->ExpressionText(), "1 [Expression0] Expression=forged");
}

TEST(AppData, DamagedFilesReadWithDefaults) {
    struct Case {
        const char* name;
        QByteArray file;
        std::function<void(const Settings&)> check;
    };
    const auto bom = QByteArray("\xEF\xBB\xBF");
    const Case cases[] = {
        {"empty", "", [](const Settings& s) { expectDefaults(s); }},
        {"mark only", bom, [](const Settings& s) { expectDefaults(s); }},
        {"no mark, LF", "[Position]\nLeft=3\n", [](const Settings& s) { EXPECT_EQ(s.Data.Left, 3); }},
        {"CR only", "[Position]\rLeft=3\rTop=4", [](const Settings& s) { EXPECT_EQ(s.Data.Top, 4); }},
        {"truncated in a key", "[Position]\r\nLeft=3\r\nWid",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Left, 3);
             EXPECT_EQ(s.Data.Width, -1);
         }},
        {"truncated in a header", "[Position]\r\nLeft=3\r\n[Mo",
         [](const Settings& s) { EXPECT_EQ(s.Data.Left, 3); }},
        {"integer forms", "[Position]\nLeft=0x10\nTop=$1f\nWidth=-7\nHeight=1.5",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Left, 16);
             EXPECT_EQ(s.Data.Top, 31);
             EXPECT_EQ(s.Data.Width, -7);
             EXPECT_EQ(s.Data.Height, -1);
         }},
        {"integer out of range", "[Position]\nLeft=99999999999\n[Mode]\nView=99999999999",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Left, -1);
             EXPECT_EQ(s.Data.ViewMode, vtNormal);
         }},
        {"booleans", "[Realtime]\nCalc=2\n[Mode]\nTopMost=-1\nTransparency=yes\nCalc=",
         [](const Settings& s) {
             EXPECT_TRUE(s.Data.IsRealTimeCalc);
             EXPECT_TRUE(s.Data.IsTopMost);
             EXPECT_FALSE(s.Data.Transparency);
             EXPECT_FALSE(s.Data.IsCalc);
         }},
        {"count not a number", "[Expression]\nCount=abc",
         [](const Settings& s) { EXPECT_EQ(s.Data.HistoryCount, 10); }},
        {"negative history limit", "[Expression]\nCount=-5",
         [](const Settings& s) { EXPECT_EQ(s.Data.HistoryCount, 0); }},
        {"modes out of range",
         "[Mode]\nView=8\nAngle=-1\n[Expression]\nHistory=1\nRecordCount=2\n"
         "[Expression0]\nAngleMode=3\nViewMode=255\n[Expression1]\nAngleMode=2\nViewMode=7\n",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.ViewMode, vtNormal);
             EXPECT_EQ(s.Data.AngleMode, atDeg);
             ASSERT_EQ(s.History.size(), 2u);
             EXPECT_EQ(s.History[0]->AngleMode(), atDeg);
             EXPECT_EQ(s.History[0]->ViewMode(), vtNormal);
             EXPECT_EQ(s.History[1]->AngleMode(), atGrad);
             EXPECT_EQ(s.History[1]->ViewMode(), vtNotView);
         }},
        {"doubles", "[Variable]\nAns=1e400\nPreAns=abc\n[RecordExpression]\nHeight=1e39",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Ans, 0);
             EXPECT_EQ(s.Data.PreAns, 0);
             EXPECT_EQ(s.Data.RecordExpressionFrameHeight, 30);
         }},
        {"beyond the largest double and its rounding",
         "[Variable]\nAns=1.79769313486233E308\nPreAns=-1.7976931348623200001E308\n",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Ans, 0);
             EXPECT_EQ(s.Data.PreAns, 0);
         }},
        {"not numbers", "[Variable]\nAns=INF\nPreAns=NAN\n",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Ans, 0);
             EXPECT_EQ(s.Data.PreAns, 0);
         }},
        {"negative counts",
         "[Expression]\nHistory=1\nRecordCount=-5\n[Variable]\nRecord=1\nCount=-1\n"
         "[RecordExpression]\nCount=-2147483648",
         [](const Settings& s) {
             EXPECT_TRUE(s.History.empty());
             EXPECT_EQ(s.Variables.Count(), 0);
             EXPECT_TRUE(s.Records.isEmpty());
         }},
        {"huge counts in a small file",
         "[Expression]\nHistory=1\nRecordCount=2000000000\n[Expression1]\nExpression=b\n"
         "[Expression99999]\nExpression=far\n"
         "[Variable]\nRecord=1\nCount=0x7FFFFFFF\n[RecordExpression]\nCount=2147483647\nExpression2=r\n",
         [](const Settings& s) {
             // only the entries present are read, in the order of their numbers
             ASSERT_EQ(s.History.size(), 2u);
             EXPECT_EQ(s.History[0]->ExpressionText(), "b");
             EXPECT_EQ(s.History[1]->ExpressionText(), "far");
             EXPECT_EQ(s.Variables.Count(), 0);
             EXPECT_EQ(s.Records, QStringList({"r"}));
         }},
        {"a count over a megabyte of empty lines",
         "[Expression]\nHistory=1\nCount=1000000\nRecordCount=1000000\n[Expression3]\nExpression=c\n" +
             QByteArray(1 << 20, '\n') +
             "[Expression999999]\nExpression=last\n[Expression1000000]\nExpression=x\n",
         [](const Settings& s) {
             ASSERT_EQ(s.History.size(), 2u);
             EXPECT_EQ(s.History[0]->ExpressionText(), "c");
             EXPECT_EQ(s.History[1]->ExpressionText(), "last");
         }},
        {"entries beyond the count and missing ones",
         "[Expression]\nHistory=1\nRecordCount=4\n[Expression1]\nExpression=b\n[Expression4]\nExpression=e\n",
         [](const Settings& s) {
             ASSERT_EQ(s.History.size(), 1u);
             EXPECT_EQ(s.History[0]->ExpressionText(), "b");
         }},
        {"the history limit keeps the newest",
         "[Expression]\nHistory=1\nCount=2\nRecordCount=4\n[Expression0]\nExpression=a\n"
         "[Expression1]\nExpression=b\n[Expression3]\nExpression=d\n[Expression2]\nExpression=c\n",
         [](const Settings& s) {
             ASSERT_EQ(s.History.size(), 2u);
             EXPECT_EQ(s.History[0]->ExpressionText(), "c");
             EXPECT_EQ(s.History[1]->ExpressionText(), "d");
         }},
        {"a history limit of 0",
         "[Expression]\nHistory=1\nCount=0\nRecordCount=1\n[Expression0]\nExpression=a\n",
         [](const Settings& s) { EXPECT_TRUE(s.History.empty()); }},
        {"missing variable section",
         "[Variable]\nRecord=1\nCount=3\n[Variable0]\nName=A\nValue=1\n"
         "[Variable2]\nName=C\nValue=3\n",
         [](const Settings& s) {
             ASSERT_EQ(s.Variables.Count(), 2);
             EXPECT_EQ(s.Variables.GetNumberItems("C"), 1);
             EXPECT_EQ(s.Variables.GetValueItems(1), 3);
         }},
        {"invalid UTF-8",
         bom + "[Expression]\nText=1+\xC0\xAF"
               "2\nHistory=1\n[CustomButton]\nTitle=\xFF",
         [](const Settings& s) {
             EXPECT_TRUE(s.Data.IsHistoryRecord);
             EXPECT_TRUE(s.Data.InputExpressionText.startsWith("1+"));
             EXPECT_TRUE(s.Data.InputExpressionText.endsWith("2"));
             EXPECT_TRUE(s.Data.InputExpressionText.contains(QChar(0xFFFD)));
             EXPECT_EQ(s.Data.CustomBtnTitle, QString(QChar(0xFFFD)));
         }},
        {"NUL bytes", "[Position]\nLeft=1" + QByteArray(1, '\0') + "2\nTop=2\n",
         [](const Settings& s) {
             EXPECT_EQ(s.Data.Left, -1);
             EXPECT_EQ(s.Data.Top, 2);
         }},
        {"binary garbage", QByteArray(4096, '\x9C') + "\n[Position]\nLeft=1\n" + QByteArray(4096, '\0'),
         [](const Settings& s) { EXPECT_EQ(s.Data.Left, 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempConfig cfg;
        cfg.put(c.file);
        Settings s;
        s.read();
        c.check(s);
    }
}

TEST(AppData, HugeFilesReadWithinBounds) {
    TempConfig cfg;
    // a line of megabytes, and a count far beyond a file of many short lines
    QByteArray file =
        "[Expression]\nHistory=1\nText=" + QByteArray(8 << 20, 'x') + "\nRecordCount=2147483647\n";
    file += QByteArray(1 << 18, '\n');
    cfg.put(file);
    Settings s;
    s.read();
    EXPECT_EQ(s.Data.InputExpressionText.size(), 8 << 20);
    EXPECT_TRUE(s.History.empty()); // none of the entries counted is present

    // beyond any settings file: read as absent, and not replaced by a write
    QFile f(cfg.file());
    ASSERT_TRUE(f.resize(64 << 20));
    Settings big;
    big.read();
    EXPECT_EQ(big.Data.InputExpressionText, "");
    EXPECT_THROW(big.write(), EInOutError);
    EXPECT_EQ(QFileInfo(cfg.file()).size(), 64 << 20);
}

TEST(AppData, WriteCreatesMissingFoldersAndReportsFailure) {
    TempConfig cfg;
    Settings s;
    s.write();
    EXPECT_TRUE(QFile::exists(cfg.file()));

    // a file where the folder should be
    TempConfig blocked;
    QFile block(blocked.root() + "/Halvoren");
    ASSERT_TRUE(block.open(QIODevice::WriteOnly));
    block.close();
    try {
        s.write();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(QString(e.what()).contains("Halvoren")) << e.what();
        EXPECT_TRUE(QString(e.what()).contains("Not a directory")) << e.what();
    }

    // a folder where the file should be
    TempConfig taken;
    ASSERT_TRUE(QDir().mkpath(taken.file()));
    EXPECT_THROW(s.write(), EInOutError);
    EXPECT_TRUE(QFileInfo(taken.file()).isDir());

    // a pipe in its place would block a reader for ever: it reads as no file
    TempConfig piped;
    ASSERT_TRUE(QDir().mkpath(piped.folder()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(piped.file()).constData(), 0600), 0);
    Settings p;
    p.read();
    expectDefaults(p);
    EXPECT_THROW(p.write(), EInOutError);
}

TEST(AppData, ClearDeletesTheFileAndReadsDefaults) {
    TempConfig cfg;
    Settings s;
    fill(s);
    s.write();
    s.Records.clear();
    s.Data.RecordExpressions = &s.Records;
    s.Data.Clear();
    EXPECT_FALSE(QFile::exists(cfg.file()));
    expectDefaults(s);
    EXPECT_EQ(s.Data.VarM, -0.001); // memory is read only when variables are saved

    s.Data.Clear(); // no file is fine too
    EXPECT_EQ(s.Data.HistoryCount, 10);
}

TEST(AppData, ClearThatCannotDeleteReadsNothing) {
    TempConfig cfg;
    ASSERT_TRUE(QDir().mkpath(cfg.file() + "/inside"));
    Settings s;
    s.Data.HistoryCount = 42;
    s.add("kept", 1);
    EXPECT_THROW(s.Data.Clear(), EInOutError);
    EXPECT_EQ(s.Data.HistoryCount, 42);
    EXPECT_EQ(s.History.size(), 1u);
}

TEST(AppData, DoublesReadWithTheSeparatorOfAnyLocale) {
    struct Case {
        const char16_t* text;
        double value; // 7 when the text does not read
    };
    const Case cases[] = {
        {u"0.75", 0.75},
        {u"0,75", 0.75},
        {u"0\u066B75", 0.75},
        {u"-1,5E-7", -1.5e-7},
        {u"1\u066B79769313486232E308", DBL_MAX},
        {u"1,5.5", 7},
        {u"1,000,000", 7},
        {u"1\u066C5", 7}, // a group separator is no decimal one
        {u",", 7},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        TempConfig cfg;
        cfg.put("[Variable]\nAns=" + text.toUtf8());
        Settings s;
        s.Data.Ans = 7;
        s.read();
        EXPECT_EQ(s.Data.Ans, c.value == 7 ? 0 : c.value) << text.toStdString();
    }
}

namespace {

// Lowers the largest file this process may write, as a full disk stops a
// writer, with the signal that would end the process ignored; both come back
// at the end of the scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t Bytes) {
        ::getrlimit(RLIMIT_FSIZE, &Old);
        OldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = Old;
        lower.rlim_cur = Bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldSignal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit Old{};
    void (*OldSignal)(int) = nullptr;
};

} // namespace

TEST(AppData, FailedWriteKeepsTheOldFile) {
    struct Case {
        const char* name;
        rlim_t room;
        bool saved;
    };
    const Case cases[] = {
        {"no room at all", 0, false},
        {"room for 4 KiB", 4096, false},
        {"enough room", 16 << 20, true},
    };
    // a new file larger than the room but smaller than a write buffer, which
    // would hold all of it until the commit
    constexpr int kRecords = 60;
    {
        TempConfig scratch;
        Settings next;
        fillSample(next, 1, kRecords);
        next.write();
        ASSERT_GT(scratch.bytes().size(), 4096);
        ASSERT_LT(scratch.bytes().size(), 16384);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempConfig cfg;
        Settings old;
        fillSample(old, 0, 10);
        old.write();
        const QByteArray before = cfg.bytes();
        Settings next;
        fillSample(next, 1, kRecords);
        QString failure;
        {
            FileSizeLimit limit(c.room);
            try {
                next.write();
            } catch (const EInOutError& e) {
                failure = QString::fromLocal8Bit(e.what());
            }
        }
        if (c.saved) {
            EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
            Settings back;
            back.read();
            EXPECT_EQ(back.History.size(), std::size_t(kRecords));
        } else {
            EXPECT_TRUE(failure.contains(cfg.file()) && failure.contains("File too large"))
                << failure.toStdString();
            EXPECT_EQ(cfg.bytes(), before);
        }
        // and no temporary file is left beside it
        EXPECT_EQ(QDir(cfg.folder()).entryList(QDir::Files | QDir::Hidden), QStringList({"Korvex.ini"}));
    }
}

TEST(AppData, FileThatIsNotSettingsIsKeptBeforeTheFirstSave) {
    std::mt19937 random(12);
    QByteArray noise;
    for (int i = 0; i < 3000; ++i)
        noise += char(random() & 0xFF);
    const QString settings = QStringLiteral("[Position]\r\nLeft=5\r\n");
    const QByteArray utf16 =
        "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(settings.utf16()), settings.size() * 2);
    struct Case {
        const char* name;
        QByteArray file;
        bool kept;
    };
    const Case cases[] = {
        {"random bytes", noise, true},
        {"UTF-16", utf16, true},
        {"text before the first section", "my notes\n[Position]\nLeft=5\n", true},
        {"bytes that are not UTF-8", "[CustomButton]\nTitle=caf\xE9\n", true},
        {"a NUL byte", QByteArray("[Position]\nLeft=5\n\0", 19), true},
        {"settings with comments and more", "; mine\n\n[Position]\nLeft=5\n[Plugin]\nx=1\n", false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempConfig cfg;
        cfg.put(c.file);
        const QString copy = cfg.file() + ".bad";
        Settings s;
        s.read();
        testing::internal::CaptureStderr();
        s.write();
        const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_EQ(QFile::exists(copy), c.kept);
        if (c.kept) {
            QFile f(copy);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), c.file);
            EXPECT_TRUE(said.contains(cfg.file()) && said.contains(copy) && said.endsWith("\n"))
                << said.toStdString();
        } else {
            EXPECT_EQ(said, "");
        }
        // what is saved now reads as settings: the next save keeps no copy
        testing::internal::CaptureStderr();
        s.write();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(QDir(cfg.folder()).entryList(QDir::Files).size(), c.kept ? 2 : 1);
    }

    // an earlier copy is never overwritten, and the same bytes are not kept twice
    TempConfig cfg;
    const QString copy = cfg.file() + ".bad";
    for (const QByteArray& file : {QByteArray("first\n"), QByteArray("second\n"), QByteArray("second\n")}) {
        cfg.put(file);
        Settings s;
        s.read();
        testing::internal::CaptureStderr();
        s.write();
        EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    }
    QFile first(copy), second(copy + ".1");
    ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "first\n");
    EXPECT_EQ(second.readAll(), "second\n");
    EXPECT_FALSE(QFile::exists(copy + ".2"));
}

TEST(AppData, LinkThatLeadsNowhereIsReplacedByAFile) {
    TempConfig cfg;
    ASSERT_TRUE(QDir().mkpath(cfg.folder()));
    ASSERT_TRUE(QDir().mkpath(cfg.root() + "/elsewhere"));
    const QString target = cfg.root() + "/elsewhere/Korvex.ini";
    ASSERT_TRUE(QFile::link(target, cfg.file()));
    Settings s;
    s.read();
    expectDefaults(s);
    s.Data.Left = 3;
    s.write();
    const QFileInfo info(cfg.file());
    EXPECT_FALSE(info.isSymLink());
    EXPECT_TRUE(info.isFile());
    EXPECT_FALSE(QFile::exists(target));
    Settings back;
    back.read();
    EXPECT_EQ(back.Data.Left, 3);

    // a link to a file is followed, as before
    TempConfig linked;
    ASSERT_TRUE(QDir().mkpath(linked.folder()));
    const QString real = linked.root() + "/real.ini";
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QFile::link(real, linked.file()));
    s.write();
    EXPECT_TRUE(QFileInfo(linked.file()).isSymLink());
    EXPECT_GT(QFileInfo(real).size(), 0);
}

TEST(AppData, SavedFileNeverExceedsWhatIsRead) {
    constexpr qsizetype kBound = 32 << 20;
    TempConfig cfg;
    Settings s;
    s.write();
    const qsizetype rest = cfg.bytes().size(); // with an empty input line
    struct Case {
        const char* name;
        qsizetype over;
    };
    const Case cases[] = {{"under the bound", -1}, {"at the bound", 0}, {"over the bound", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s.Data.InputExpressionText = QString(kBound - rest + c.over, u'x');
        if (c.over > 0) {
            const QByteArray before = cfg.bytes();
            EXPECT_THROW(s.write(), EInOutError);
            EXPECT_EQ(cfg.bytes(), before);
            continue;
        }
        s.write();
        EXPECT_EQ(QFileInfo(cfg.file()).size(), kBound + c.over);
        if (c.over < 0) continue;
        Settings back;
        back.read();
        EXPECT_EQ(back.Data.InputExpressionText.size(), s.Data.InputExpressionText.size());
    }
    s.Data.InputExpressionText.clear();

    // lists over the bound: the recorded expressions that fit, then the newest
    // history entries that fit; one too large for the room left is passed over
    TempConfig lists;
    Settings h;
    h.Data.IsHistoryRecord = true;
    h.Data.HistoryCount = 1000;
    for (int i = 0; i < 300; ++i)
        h.add(QString::number(i) + QString(16 << 10, u'h'), i);
    h.Records = {"r0", QString(31 << 20, u'R'), QString(2 << 20, u'S'), "r3"};
    h.write();
    EXPECT_LE(QFileInfo(lists.file()).size(), kBound);
    Settings back;
    back.read();
    ASSERT_EQ(back.Records.size(), 3);
    EXPECT_EQ(back.Records[0], "r0");
    EXPECT_EQ(back.Records[1].size(), 31 << 20);
    EXPECT_EQ(back.Records[2], "r3");
    // about a megabyte was left for 16 KiB entries
    const std::size_t n = back.History.size();
    EXPECT_GT(n, 30u);
    EXPECT_LT(n, 64u);
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(back.History[i]->ExpressionText(), h.History[300 - n + i]->ExpressionText()) << i;
    // the lists lent to the save are left as they were
    EXPECT_EQ(h.History.size(), 300u);
    EXPECT_EQ(h.Records.size(), 4);
}

namespace {

// What this process has read from files and pipes so far.
qint64 bytesRead() {
    QFile io("/proc/self/io");
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

// A save reads the file again only when it holds more than the fields or has
// changed since it was last read or written.
TEST(AppData, SaveReadsTheFileOnlyWhenItHoldsMore) {
    TempConfig cfg;
    Settings s;
    fillSample(s, 0, 1000);
    s.write();
    const qint64 size = cfg.bytes().size();
    struct Case {
        const char* name;
        std::function<void()> change;
        bool reads;
    };
    const Case cases[] = {
        {"after a save", [] {}, false},
        {"after a read", [&] { s.read(); }, false},
        {"changed since", [&] { cfg.put(cfg.bytes() + "[Plugin]\r\nColour=blue\r\n"); }, true},
        {"holding a foreign section", [] {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        s.Data.Left += 1;
        const qint64 before = bytesRead();
        s.write();
        const qint64 read = bytesRead() - before;
        if (c.reads)
            EXPECT_GE(read, size);
        else
            EXPECT_LT(read, size / 10);
    }
    EXPECT_TRUE(cfg.text().contains("[Plugin]\nColour=blue\n"));
}

// A file that holds nothing but what the fields hold is written in the layout
// of a fresh file; a file that holds more, or was changed since, keeps what it
// holds.
TEST(AppData, SaveRebuildsOnlyAFileOfItsOwn) {
    TempConfig cfg;
    cfg.putIni("[mode]\nview=3\n[position]\nleft=5\ntop=6\nwidth=7\nheight=8\n");
    Settings s;
    s.read();
    s.write();
    QString t = cfg.text();
    EXPECT_TRUE(t.startsWith("[Position]\nLeft=5\nTop=6\nWidth=7\nHeight=8\n\n")) << t.toStdString();
    EXPECT_TRUE(t.contains("[Mode]\nCalc=0\nView=3\n"));

    // changed behind its back, with a size of its own: read again
    cfg.put(cfg.bytes() + "[Plugin]\r\nColour=blue\r\n");
    s.Data.Left = 9;
    s.write();
    t = cfg.text();
    EXPECT_TRUE(t.contains("[Plugin]\nColour=blue\n")) << t.toStdString();
    EXPECT_TRUE(t.contains("[Position]\nLeft=9\n"));
    // replaced by another file of the same size: read again
    const QByteArray replaced = cfg.bytes().replace("Colour=blue", "Colour=gray");
    {
        QSaveFile f(cfg.file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(replaced);
        ASSERT_TRUE(f.commit());
    }
    s.write();
    EXPECT_TRUE(cfg.text().contains("Colour=gray"));

    // a foreign key keeps the file's own spelling and order
    TempConfig foreign;
    foreign.putIni("[mode]\nview=3\n[position]\nleft=5\nMonitor=2\n");
    Settings f;
    f.read();
    f.write();
    EXPECT_TRUE(foreign.text().startsWith("[mode]\nview=3\n")) << foreign.text().toStdString();
    EXPECT_TRUE(foreign.text().contains("[position]\nleft=5\nMonitor=2\n"));

    // variables saved, then variable saving turned off: they stay in the file
    TempConfig variables;
    Settings v;
    v.Data.IsVariableRecord = true;
    v.Data.VarM = 4;
    v.Variables.AddOrSetValue("A", 1);
    v.write();
    v.read();
    v.Data.IsVariableRecord = false;
    v.write();
    t = variables.text();
    EXPECT_TRUE(t.contains("[Variable]\nRecord=0\nM=4\nCount=1\n")) << t.toStdString();
    EXPECT_TRUE(t.contains("[Variable0]\nName=A\nValue=1\n"));
}
