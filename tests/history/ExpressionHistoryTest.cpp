#include "ExpressionHistory.h"

#include <gtest/gtest.h>

namespace {

void expectDefault(const TExpressionHistory& h) {
    EXPECT_EQ(h.Ans(), 0);
    EXPECT_EQ(h.PreAns(), 0);
    EXPECT_EQ(h.Value(), 0);
    EXPECT_EQ(h.VarM(), 0);
    EXPECT_EQ(h.VarGT(), 0);
    EXPECT_EQ(h.DigitNumber(), 0);
    EXPECT_EQ(h.AngleMode(), atDeg);
    EXPECT_EQ(h.ViewMode(), vtNormal);
    EXPECT_FALSE(h.IsGroupingSeparator());
    EXPECT_TRUE(h.ExpressionText().isEmpty());
}

} // namespace

TEST(ExpressionHistory, HoldsEachFieldAndClearsToTheNewState) {
    TExpressionHistory h;
    expectDefault(h);

    h.SetAns(1.5);
    h.SetPreAns(-2);
    h.SetValue(7);
    h.SetVarM(3);
    h.SetVarGT(11);
    h.SetDigitNumber(4);
    h.SetAngleMode(atGrad);
    h.SetViewMode(vtHex);
    h.SetIsGroupingSeparator(true);
    h.SetExpressionText("ans*2");
    // each setter stores its own field only
    EXPECT_EQ(h.Ans(), 1.5);
    EXPECT_EQ(h.PreAns(), -2);
    EXPECT_EQ(h.Value(), 7);
    EXPECT_EQ(h.VarM(), 3);
    EXPECT_EQ(h.VarGT(), 11);
    EXPECT_EQ(h.DigitNumber(), 4);
    EXPECT_EQ(h.AngleMode(), atGrad);
    EXPECT_EQ(h.ViewMode(), vtHex);
    EXPECT_TRUE(h.IsGroupingSeparator());
    EXPECT_EQ(h.ExpressionText(), "ans*2");

    h.Clear();
    expectDefault(h);
}
