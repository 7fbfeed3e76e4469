// The input line's length limit: no edit makes the line longer than the
// calculator takes, and a refused edit leaves the line as it was.
#include "Session.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const int kMax = TCalculator::MaxInputLength;

QString Digits(int Count, char16_t Digit = u'7') {
    return QString(Count, Digit);
}

// Counts the beeps the window would give.
struct RefusalCount {
    explicit RefusalCount(TCalculator& c) {
        QObject::connect(&c, &TCalculator::InputRefused, [this] { ++count; });
    }
    int count = 0;
};

} // namespace

TEST(InputLimit, EditsBeyondTheLimitAreRefusedAndChangeNothing) {
    struct Case {
        const char* what;
        int before; // length of the line before the edit
        std::function<void(TCalculator&)> edit;
        bool refused;
    };
    const Case cases[] = {
        {"typing up to the limit", kMax - 1, [](TCalculator& c) { c.TypeText(QStringLiteral("1")); }, false},
        {"typing past the limit", kMax, [](TCalculator& c) { c.TypeText(QStringLiteral("1")); }, true},
        {"pasting past the limit", 10, [](TCalculator& c) { c.PasteText(Digits(kMax)); }, true},
        {"pasting over a selection", kMax,
         [](TCalculator& c) {
             c.PlaceCaret(true, kMax); // the whole line is replaced
             c.PasteText(Digits(kMax, u'8'));
         },
         false},
        {"the window's own paste", 10,
         [](TCalculator& c) {
             c.SetInputState({Digits(kMax + 1), 0, 0, kMax + 1});
         },
         true},
        {"the window shortens a long line", 10,
         [](TCalculator& c) {
             c.SetInputState({Digits(3), 0, 0, 3});
         },
         false},
    };
    for (const Case& k : cases) {
        Session s;
        s.c.SetInputText(Digits(k.before));
        RefusalCount refused(s.c);
        const QString before = s.input();
        k.edit(s.c);
        EXPECT_EQ(refused.count, k.refused ? 1 : 0) << k.what;
        EXPECT_LE(s.input().size(), kMax) << k.what;
        if (k.refused)
            EXPECT_EQ(s.input(), before) << k.what;
        else
            EXPECT_NE(s.input(), before) << k.what;
    }
}

// A template with "[]" twice doubles the line at every press: the presses stop
// at the limit instead of filling the memory.
TEST(InputLimit, ACustomButtonCannotGrowTheLineWithoutEnd) {
    Session s;
    s.enter("@BUTTON=TWICE:[]+[]");
    s.c.SetInputText(QStringLiteral("1"));
    RefusalCount refused(s.c);
    for (int press = 0; press < 40; ++press)
        s.c.CustomBtnActionExecute();
    EXPECT_LE(s.input().size(), kMax);
    EXPECT_GT(s.input().size(), kMax / 2); // it grew until the next press would pass the limit
    EXPECT_GE(refused.count, 1);
}
