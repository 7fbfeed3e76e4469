#include "AppDataFixture.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <random>

// A writer killed at any moment leaves the old file or the new one, whole.
TEST(AppDataCrash, KilledWriterLeavesOldOrNewFile) {
    TempConfig cfg;
    Settings a, b;
    fillSample(a, 0);
    fillSample(b, 1);
    a.write();
    const QByteArray old = cfg.bytes();
    b.write();
    const QByteArray next = cfg.bytes();
    QElapsedTimer timer;
    timer.start();
    a.write();
    // kill within a few writes' time, so most kills land in the middle of one
    const int span = std::max<int>(1000, timer.nsecsElapsed() / 1000 * 3);
    ASSERT_EQ(cfg.bytes(), old);
    ASSERT_NE(old, next);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", cfg.root());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, span);
    int seenOld = 0, seenNext = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        QProcess writer;
        writer.setProcessEnvironment(env);
        writer.start(KORVEX_APPDATA_WRITER, {});
        ASSERT_TRUE(writer.waitForStarted(10000));
        ASSERT_TRUE(writer.waitForReadyRead(30000)) << "writer never got going";
        QThread::usleep(delay(random));
        writer.kill(); // SIGKILL: no clean-up of any kind
        ASSERT_TRUE(writer.waitForFinished(10000));
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

        const QByteArray left = cfg.bytes();
        ASSERT_TRUE(left == old || left == next) << "file of " << left.size() << " bytes is neither";
        (left == old ? seenOld : seenNext)++;
        Settings s;
        s.read();
        EXPECT_EQ(s.History.size(), 1000u);
        EXPECT_EQ(s.Variables.Count(), 20);
        EXPECT_EQ(s.Records.size(), 10);
    }
    // both versions turned up, so the kills landed while the writer was at work
    EXPECT_GT(seenOld, 0);
    EXPECT_GT(seenNext, 0);
}
