// The settings file under a locale whose decimal separator is a comma. The
// locale is chosen before anything reads it, so this program runs on its own.
#include "AppDataFixture.h"
#include "DecimalFormat.h"

#include <QProcess>

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

// A file saved under one locale and read and saved again under another keeps
// every number, and so does the file read back under the first; each program
// takes its locale at its start, so each one runs on its own.
TEST(AppDataLocale, EveryPairOfLocalesKeepsTheNumbers) {
    struct Locale {
        const char* name;
        char16_t point;
    };
    const Locale locales[] = {
        {"C", u'.'}, {"de_DE.UTF-8", u','}, {"fr_FR.UTF-8", u','}, {"ar_EG.UTF-8", u'\u066B'}};
    Settings sample;
    fillLocaleSample(sample);
    QStringList expected;
    for (const double x : numbers(sample)) {
        // as the file keeps it: 15 significant digits
        double saved = 0;
        EXPECT_TRUE(DecimalFormat::Read(DecimalFormat::General(x, 15, 0, TFormatSettings::Plain()), saved,
                                        TFormatSettings::Plain()));
        expected << QString::number(saved, 'g', 17);
    }
    for (const Locale& write : locales)
        for (const Locale& read : locales) {
            SCOPED_TRACE(testing::Message()
                         << "written under " << write.name << ", read under " << read.name);
            TempConfig cfg;
            const auto run = [&](const Locale& l, const char* what) {
                QProcess p;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert("XDG_CONFIG_HOME", cfg.root());
                env.insert("LC_ALL", l.name);
                p.setProcessEnvironment(env);
                p.start(KORVEX_APPDATA_WRITER, {what});
                EXPECT_TRUE(p.waitForFinished(30000));
                EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
                return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            };
            run(write, "save");
            // the numbers carry the writer's separator
            EXPECT_TRUE(cfg.text().contains(QStringLiteral("\nAns=0") + QChar(write.point) +
                                            QStringLiteral("333333333333333\n")))
                << cfg.text().toStdString();
            EXPECT_EQ(run(read, "show"), expected);
            EXPECT_EQ(run(write, "show"), expected);
        }
}
