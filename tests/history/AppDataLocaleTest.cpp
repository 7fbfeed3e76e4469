// The settings file under a locale whose decimal separator is a comma. The
// locale is chosen before anything reads it, so this program runs on its own.
#include "AppDataFixture.h"
#include "DecimalFormat.h"

#include <gtest/gtest.h>

namespace {

class CommaLocale : public testing::Environment {
public:
    void SetUp() override {
        qputenv("LC_ALL", "de_DE.UTF-8");
        ASSERT_EQ(TFormatSettings::User().DecimalSeparator, u',');
    }
};

[[maybe_unused]] testing::Environment* const kLocale = testing::AddGlobalTestEnvironment(new CommaLocale);

} // namespace

TEST(AppDataLocale, DoublesUseTheLocaleSeparatorAndReadEither) {
    TempConfig cfg;
    Settings s;
    s.Data.Ans = 0.5;
    s.Data.PreAns = -1.5e-7;
    s.Data.RecordExpressionFrameHeight = 30.25f;
    s.write();
    const QString t = cfg.text();
    EXPECT_TRUE(t.contains("\nAns=0,5\nPreAns=-1,5E-7\n")) << t.toStdString();
    EXPECT_TRUE(t.contains("\nHeight=30,25\n"));

    // a file saved under a point locale loses nothing after the change
    cfg.putIni("[Variable]\nAns=0.5\nPreAns=2,25\nRecord=1\nM=1E-5\n[RecordExpression]\nHeight=12.5\n");
    Settings back;
    back.read();
    EXPECT_EQ(back.Data.Ans, 0.5);
    EXPECT_EQ(back.Data.PreAns, 2.25);
    EXPECT_EQ(back.Data.VarM, 1e-5);
    EXPECT_EQ(back.Data.RecordExpressionFrameHeight, 12.5f);
}
