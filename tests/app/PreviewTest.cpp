// The live preview: the value follows the typing before Enter, and never an old one.
#include "Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Lets the worker pool finish and the values it handed back arrive.
void Settle(TCalculator& c) {
    c.WaitForPreview();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

struct PreviewSession : Session {
    PreviewSession() { c.SetIsRealTimeCalc(true); }
    QString typed(const QString& keys) {
        type(keys);
        Settle(c);
        return shown();
    }
};

} // namespace

TEST(Preview, FollowsTheTypingOnlyWhenOn) {
    struct Step {
        const char* keys;
        const char* on;  // shown with the preview on
        const char* off; // and off
    };
    // 12+ does not evaluate: the last value stays
    const Step steps[] = {{"1", "1", "0"}, {"2", "12", "0"}, {"+", "12", "0"}, {"3", "15", "0"}};
    for (const bool on : {true, false}) {
        Session s;
        s.c.SetIsRealTimeCalc(on);
        for (const Step& step : steps) {
            s.type(step.keys);
            Settle(s.c);
            EXPECT_EQ(str(s.shown()), on ? step.on : step.off)
                << "after " << step.keys << (on ? "" : ", preview off");
        }
        EXPECT_EQ(s.c.GetAns(), 0); // a preview changes nothing but the display
        EXPECT_TRUE(s.c.ExpressionHistorys().empty());
        EXPECT_EQ(s.c.GetVarGT(), 0);
        EXPECT_FALSE(s.c.CalcResultViewer().IsError());
    }
}

TEST(Preview, SilentOnErrorsCommandsAndAssignments) {
    PreviewSession s;
    s.enter("A=4");
    s.c.SetInputText("");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "0"); // an empty line shows 0
    EXPECT_EQ(s.typed("A*2"), "8");
    EXPECT_EQ(s.typed("/0"), "8"); // A*2/0 fails: the previous value stays
    s.c.SetInputText("@HEX");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "8");
    s.c.SetInputText("B=5");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "8");
    s.c.SetInputText("A*2/0");
    s.press();
    EXPECT_EQ(s.shown(), "Error"); // Enter shows the message
}

TEST(Preview, AValueThatIsNotTheLinesIsMarkedStale) {
    struct Step {
        const char* typed;
        const char* shown;
        bool stale;
    };
    {
        PreviewSession s;
        const Step steps[] = {{"1", "1", false}, {"2", "12", false}, {"+", "12", true}, {"3", "15", false}};
        for (const Step& k : steps) {
            EXPECT_EQ(s.typed(k.typed), k.shown) << "after " << k.typed;
            EXPECT_EQ(s.c.IsResultStale(), k.stale) << "after " << k.typed;
        }
    }

    // whole lines, each after 7 was entered
    const Step lines[] = {
        {"7/0", "7", true},  {"2^10+", "7", true}, {"100!", "7", true}, {"sin(", "7", true},
        {"@HEX", "7", true}, {"B=5", "7", true},   {"2+2", "4", false}, {"", "0", false},
    };
    for (const Step& k : lines) {
        PreviewSession s;
        s.enter("7");
        s.c.SetInputText(k.typed);
        Settle(s.c);
        EXPECT_EQ(s.shown(), k.shown) << k.typed;
        EXPECT_EQ(s.c.IsResultStale(), k.stale) << k.typed;
    }

    PreviewSession s;
    s.enter("7");
    s.c.SetInputText("7/0");
    Settle(s.c);
    s.press(); // Enter answers for the line
    EXPECT_EQ(s.shown(), "Error");
    EXPECT_FALSE(s.c.IsResultStale());
    s.c.SetInputText("1+");
    Settle(s.c);
    EXPECT_TRUE(s.c.IsResultStale()); // the message is not this line's either

    // a recalled record's value is its own, though the text cannot be previewed
    s.enter("A=3").enter("5");
    s.c.DownKeyActionExecute();
    Settle(s.c);
    EXPECT_EQ(s.input(), "A=3");
    EXPECT_EQ(s.shown(), "3");
    EXPECT_FALSE(s.c.IsResultStale());
}

TEST(Preview, ADisplayChangeKeepsTheRecordedValue) {
    // a preview of ANS*2 with today's Ans would show 8
    PreviewSession s;
    s.enter("2").enter("ANS*2").enter("@FIX2");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "4.00");
    EXPECT_EQ(s.c.GetAns(), 4);
    EXPECT_FALSE(s.c.IsResultStale());
}

TEST(Preview, AnOlderTextNeverOverwritesTheNewest) {
    // a deeply nested text takes far longer than "7"; whichever finishes last,
    // only the newest text's value may show
    QString slow;
    for (int i = 0; i < 1000; ++i)
        slow += u'(';
    slow += QStringLiteral("1+1");
    for (int round = 0; round < 20; ++round) {
        PreviewSession s;
        s.c.SetInputText(slow);
        s.c.SetInputText("7");
        Settle(s.c);
        ASSERT_EQ(s.shown(), "7") << round;
    }
}

TEST(Preview, EnterWinsOverARunningPreview) {
    PreviewSession s;
    s.c.SetInputText("2+2");
    s.press(); // the confirmed value is not replaced by a late preview
    Settle(s.c);
    EXPECT_EQ(s.shown(), "4");
    s.enter("@FIX2");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "4.00");
}

// Thousands of text changes while the calculator's values change under them;
// run under a thread checker this finds any state the preview shares.
TEST(Preview, StressWhileValuesChange) {
    PreviewSession s;
    for (int i = 0; i < 2000; ++i) {
        s.c.SetInputText(QStringLiteral("A*%1+ANS+M").arg(i));
        // give the pool time to start, so previews and changes overlap
        QThread::usleep(20);
        if (i % 5 == 0) {
            s.enter(QStringLiteral("A=%1").arg(i));
            s.enter(QStringLiteral("M=%1").arg(i));
        }
        if (i % 200 == 0) QCoreApplication::processEvents();
    }
    s.c.SetInputText("A+1");
    Settle(s.c);
    EXPECT_EQ(s.shown(), "1996");
}
