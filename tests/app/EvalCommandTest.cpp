// `korvex --eval` as a process: arguments, standard input, exit status.
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

Outcome Korvex(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral(KORVEX_BINARY), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(20000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(EvalCommand, LinesFromArgumentsAndStatus)
{
    struct Case { QStringList args; int status; const char* out; };
    const Case cases[] = {
        {{"--eval", "1+2"}, 0, "3\n"},
        {{"--eval", "A=3", "A*2", "@FIX2"}, 0, "3\n6\n6.00\n"},
        {{"--eval", "--", "-5"}, 0, "-5\n"},
        {{"--eval", "1/0", "2"}, 1, "Error\n2\n"},     // any line with a message
        {{"--eval", "1E30", "@HEX"}, 1, "1E30\nError\n"}, // a value that cannot be shown
        {{"--eval", "@CALC:A*B", "3", "4"}, 0, "0\n0\n12\n"},
        // a display change shows the newest value and changes no value
        {{"--eval", "5", "7", "@HEX", "@NORM", "GT", "GTCOUNT"}, 0, "5\n7\n0x7\n7\n12\n3\n"},
        {{"--eval", "5", "7", "@FIX2", "PREANS"}, 0, "5\n7\n7.00\n5.00\n"},
        {{"--eval", "2", "ANS*2", "@FIX2", "@NORM", "ANS"}, 0, "2\n4\n4.00\n4\n4\n"},
        {{"--eval", "A B=3"}, 1, "Syntax error\n"}, // a name no line could use
        {{"--eval", "\u22125+2"}, 0, "-3\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = Korvex(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out.toStdString(), c.out) << c.args.join(' ').toStdString();
    }
}

TEST(EvalCommand, StandardInputInUtf8)
{
    const Outcome r = Korvex({"--eval"}, QString::fromUtf16(u"\uFF11\uFF12\u00D7\uFF13\r\nsin 30\n@DMS\n12.5125").toUtf8());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QString::fromUtf16(u"36\n0.5\n0\u00B030\u20320\u2033\n12\u00B030\u203245\u2033\n"));
}

TEST(EvalCommand, UsageErrorsAndHelp)
{
    const Outcome bad = Korvex({"--eval", "--frobnicate"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(bad.err.contains("--eval"));
    const Outcome help = Korvex({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--eval"));
}
