#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The dialog tests run on the offscreen platform and never see a real user's
// settings; each test that touches the file points the folder elsewhere.
int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
