#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The calculator tests run with an application object (the live preview hands
// its values back through the event loop) and never see a real user's settings.
int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
