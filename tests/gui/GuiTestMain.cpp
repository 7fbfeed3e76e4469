#include "KorvexMainWin.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

// The widget tests run on the offscreen platform, never see a real user's
// settings, and fail instead of hanging when a modal dialog comes up: a timer
// reports the dialog as a failure and closes it.
int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallToolkitTranslation(); // as the program does
    ::testing::InitGoogleTest(&argc, argv);

    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a modal dialog appeared: " << modal->windowTitle().toStdString();
            modal->close();
        }
    });
    watchdog.start(50);
    return RUN_ALL_TESTS();
}
