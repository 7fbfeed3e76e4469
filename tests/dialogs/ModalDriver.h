#pragma once

#include "QtPrinters.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Acts on a modal window once it is up, so that a test can drive a dialog whose
// exec() it is waiting on. A window that is still open after the test's time is
// a failure; it is hidden so that exec() returns and the tests go on.
class TModalDriver {
public:
    TModalDriver() {
        FWatchdog.setSingleShot(true);
        FWatchdog.setInterval(5000);
        QObject::connect(&FWatchdog, &QTimer::timeout, [] {
            while (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal window stayed open: " << modal->windowTitle().toStdString();
                modal->hide();
            }
        });
        FWatchdog.start();
    }

    // Runs Act on the modal window of type T as soon as one is on top.
    template <class T> static void OnModal(std::function<void(T&)> Act) {
        QTimer::singleShot(0, [Act] {
            auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!w) {
                ADD_FAILURE() << "no modal window of the expected kind";
                return;
            }
            Act(*w);
        });
    }

private:
    QTimer FWatchdog;
};

// A key pressed the way a user presses it: delivered to whatever has the focus
// in Window (the window itself when nothing has).
inline void PressKey(QWidget& Window, Qt::Key Key) {
    QWidget* target = Window.focusWidget() ? Window.focusWidget() : &Window;
    QTest::keyClick(target, Key);
}
