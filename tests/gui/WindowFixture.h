#pragma once

#include "CalcResultViewerWidget.h"
#include "KorvexMainWin.h"
#include "QtPrinters.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

// A fresh window in a fresh settings folder, shown and active, driven with real
// key and mouse events.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        form.reset();
    }

    // A new window on the current settings folder.
    void Open() {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        form.reset(); // a window goes before its calculator
        calculator = std::make_unique<TCalculator>();
        form = std::make_unique<TMainForm>(*calculator);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ASSERT_EQ(QApplication::focusWidget(), edit());
    }
    // Closes the window as the user does: the state is saved.
    void CloseAndReopen() {
        form->close();
        form.reset();
        Open();
    }

    TCalculator& calc() { return form->Calculator(); }
    QLineEdit* edit() { return form->ExpressionEdit; }

    void type(const QString& text) { QTest::keyClicks(edit(), text); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(edit(), k, m); }
    void enter(const QString& text) {
        type(text);
        key(Qt::Key_Return);
    }
    // Commits Text the way an input method does at the end of a composition.
    void commit(const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(edit(), &e);
    }
    // What the result area paints now.
    QString shown() {
        form->CalcResultViewer->repaint();
        return form->CalcResultViewer->PaintedText();
    }
    // Lets queued previews arrive.
    void settle() {
        calc().WaitForPreview();
        QCoreApplication::processEvents();
    }

    QTemporaryDir config;
    std::unique_ptr<TCalculator> calculator;
    std::unique_ptr<TMainForm> form;
};
