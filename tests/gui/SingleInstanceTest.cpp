#include "SingleInstance.h"

#include "AppData.h"
#include "WindowFixture.h"

#include <QProcess>
#include <QSignalSpy>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Each test gets a runtime folder of its own, so no socket of another test or
// of a real window is in the way.
class SingleInstanceTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        qunsetenv("XDG_RUNTIME_DIR");
    }

    // The real program started as a user starts it again, on the same settings
    // file and runtime folder; the event loop runs while it waits, so that this
    // process can answer.
    int StartAgain() {
        QProcess p;
        p.start(QStringLiteral(KORVEX_BINARY), {});
        EXPECT_TRUE(p.waitForStarted(5000));
        for (int waited = 0; p.state() != QProcess::NotRunning && waited < 15000; waited += 10)
            QTest::qWait(10);
        EXPECT_EQ(p.state(), QProcess::NotRunning);
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << p.readAllStandardError().toStdString();
        return p.exitCode();
    }

    QTemporaryDir runtime;
};

// A socket file nobody listens on, as a killed process leaves it.
void LeaveStaleSocket(const QString& Path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = Path.toLocal8Bit();
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd); // the file stays
}

} // namespace

TEST_F(SingleInstanceTest, ASecondStartBringsTheRunningWindowBackAndEnds) {
    TSingleInstance first(TAppData::FileName());
    ASSERT_EQ(first.Start(), TSingleInstance::irFirst);
    QObject::connect(&first, &TSingleInstance::ActivationRequested, form.get(),
                     [this] { form->BringToFront(); });
    QSignalSpy asked(&first, &TSingleInstance::ActivationRequested);
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());

    EXPECT_EQ(StartAgain(), 0);
    EXPECT_EQ(asked.count(), 1);
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(SingleInstanceTest, AStaleSocketDoesNotBlockTheNextStart) {
    TSingleInstance first(TAppData::FileName());
    LeaveStaleSocket(first.SocketPath());
    EXPECT_EQ(first.Start(), TSingleInstance::irFirst);
}

TEST_F(SingleInstanceTest, OtherSettingsFilesHaveWindowsOfTheirOwn) {
    TSingleInstance first(TAppData::FileName());
    TSingleInstance other(runtime.filePath(QStringLiteral("Other.ini")));
    EXPECT_NE(first.SocketPath(), other.SocketPath());
    ASSERT_EQ(first.Start(), TSingleInstance::irFirst);
    EXPECT_EQ(other.Start(), TSingleInstance::irFirst);
}
