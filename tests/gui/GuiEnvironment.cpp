#include "KorvexMainWin.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The widget tests see the toolkit's texts as the program shows them, and fail
// instead of hanging when a modal dialog comes up: a timer reports the dialog
// as a failure and closes it.
class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        InstallToolkitTranslation(); // as the program does
        watchdog = std::make_unique<QTimer>();
        QObject::connect(watchdog.get(), &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal dialog appeared: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        watchdog->start(50);
    }
    void TearDown() override { watchdog.reset(); }

private:
    std::unique_ptr<QTimer> watchdog;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

} // namespace
