#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

// The program on a machine without a display, or with one that cannot be
// reached: the terminal commands work, and the window explains why it cannot
// open instead of aborting.
TEST(Program, WithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    struct Case {
        QStringList args;
        const char* display; // nullptr: no display at all
        int status;
        const char* out; // the start of standard output
        const char* err; // text standard error contains
    };
    const Case cases[] = {
        {{"--eval", "1+2"}, nullptr, 0, "3\n", ""},
        {{"--help"}, nullptr, 0, "Usage: korvex", ""},
        {{}, nullptr, 1, "", "no display"},
        // an X server that does not answer: a message, not an abort
        {{}, ":4711", 1, "", "cannot be reached"},
        {{"--eval", "1+2"}, ":4711", 0, "3\n", ""},
    };
    for (const Case& c : cases) {
        QProcess p;
        QProcessEnvironment caseEnv = env;
        if (c.display) caseEnv.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        p.setProcessEnvironment(caseEnv);
        p.start(QStringLiteral(KORVEX_BINARY), c.args);
        ASSERT_TRUE(p.waitForFinished(20000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().startsWith(c.out)) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains(c.err)) << c.args.join(' ').toStdString();
    }
}
