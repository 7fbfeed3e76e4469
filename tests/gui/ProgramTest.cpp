#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

// The program on a machine without a display: the terminal commands work, and
// the window explains why it cannot open instead of aborting.
TEST(Program, WithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    struct Case {
        QStringList args;
        int status;
        const char* out; // the start of standard output
        const char* err; // text standard error contains
    };
    const Case cases[] = {
        {{"--eval", "1+2"}, 0, "3\n", ""},
        {{"--help"}, 0, "Usage: korvex", ""},
        {{}, 1, "", "no display"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVEX_BINARY), c.args);
        ASSERT_TRUE(p.waitForFinished(20000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().startsWith(c.out)) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains(c.err)) << c.args.join(' ').toStdString();
    }
}
