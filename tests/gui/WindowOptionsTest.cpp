#include "WindowFixture.h"

#include "AboutWin.h"
#include "ExpressionRecordFrm.h"
#include "SettingDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

namespace {

double opacityOf(const QWidget* w) {
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(w->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

bool borderless(const QWidget* w) {
    return w->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// Every row of the window is drawn with Opacity.
void expectOpacity(TMainForm& f, double opacity) {
    const QList<QWidget*> controls = f.VisualControls();
    EXPECT_GE(controls.size(), 4);
    for (const QWidget* w : controls)
        EXPECT_DOUBLE_EQ(opacityOf(w), opacity) << w->objectName().toStdString();
    EXPECT_DOUBLE_EQ(f.ControlOpacity(), opacity);
}

} // namespace

// --- where the window goes at start ------------------------------------------------

TEST(RestoredPlacement, TakesEachStoredCoordinateOnlyNearTheDesktop) {
    // two screens side by side: 0..1919 and 1920..3199, 1080 high
    const QRect desktop(0, 0, 3200, 1080);
    const TWindowPlacement design{10, 20, 374, 382};
    struct Case {
        TWindowPlacement stored;
        TWindowPlacement expected;
        const char* what;
    };
    const Case cases[] = {
        {{100, 200, 400, 500}, {100, 200, 400, 500}, "inside"},
        {{3200, 1080, 400, 500}, {3200, 1080, 400, 500}, "left at the right edge, top at the bottom edge"},
        {{3201, 1081, 400, 500}, {10, 20, 400, 500}, "one beyond the right and bottom edges"},
        {{-400, 0, 400, 500}, {-400, 0, 400, 500}, "left a width before the left edge"},
        {{-401, -1, 400, 500}, {10, 20, 400, 500}, "one further left, one above the top"},
        {{3201, 300, 400, 500}, {10, 300, 400, 500}, "only the top is taken"},
        {{100, 200, 0, 500}, design, "no width"},
        {{100, 200, 400, -1}, design, "height -1, as a file without placement"},
        {{-1, -1, -1, -1}, design, "nothing stored"},
        {{100, 200, 100000, 2147483647}, {100, 200, 3200, 1080}, "a size beyond the desktop's"},
        {{-2147483647 - 1, 2147483647, 400, 500}, {10, 20, 400, 500}, "the extreme integers"},
    };
    for (const Case& c : cases) {
        const TWindowPlacement p = RestoredPlacement(design, c.stored, desktop);
        EXPECT_EQ(p.Left, c.expected.Left) << c.what;
        EXPECT_EQ(p.Top, c.expected.Top) << c.what;
        EXPECT_EQ(p.Width, c.expected.Width) << c.what;
        EXPECT_EQ(p.Height, c.expected.Height) << c.what;
    }
}

TEST(RestoredPlacement, ADesktopThatDoesNotStartAtZero) {
    // a second screen to the left of and above the first
    const QRect desktop(-1280, -200, 3200, 1280);
    const TWindowPlacement design{0, 0, 374, 382};
    const TWindowPlacement a = RestoredPlacement(design, {-1654, -200, 374, 382}, desktop);
    EXPECT_EQ(a.Left, -1654);
    EXPECT_EQ(a.Top, -200);
    const TWindowPlacement b = RestoredPlacement(design, {-1655, -201, 374, 382}, desktop);
    EXPECT_EQ(b.Left, 0);
    EXPECT_EQ(b.Top, 0);
}

// --- stay on top, to the back ------------------------------------------------------

TEST_F(WindowTest, StayOnTopByCommandAndToTheBack) {
    enter("@TOPMOST");
    EXPECT_TRUE(calc().IsTopMost());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible()) << "a changed style must not hide the window";
    enter("@TOPMOST");
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    form->TopMostAction->trigger();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form->WindowPosBottomAction->trigger();
    EXPECT_FALSE(calc().IsTopMost());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
}

// --- transparency ------------------------------------------------------------------

TEST_F(WindowTest, ATransparencyLevelGivesEveryControlItsOpacity) {
    expectOpacity(*form, 1);
    form->ApplyTransparencyValue(30);
    EXPECT_TRUE(calc().Transparency());
    EXPECT_TRUE(borderless(form.get()));
    EXPECT_TRUE(form->isVisible());
    expectOpacity(*form, 0.7);

    form->ApplyTransparencyValue(50);
    expectOpacity(*form, 0.5);

    form->ApplyTransparencyValue(0);
    EXPECT_FALSE(calc().Transparency());
    EXPECT_FALSE(borderless(form.get()));
    expectOpacity(*form, 1);
}

TEST_F(WindowTest, LevelsBeyondTheRangeTakeTheNearestEnd) {
    // a damaged file must not make the controls vanish or glow
    form->ApplyTransparencyValue(100);
    expectOpacity(*form, 0.5);
    form->ApplyTransparencyValue(-20);
    expectOpacity(*form, 1);
    EXPECT_FALSE(calc().Transparency());
}

TEST_F(WindowTest, TwoDoubleClicksOnTheMenuBarLeaveTheClientAreaWhereItWas) {
    form->move(120, 90);
    QTest::qWait(20);
    const QRect client = form->geometry();
    const QPoint empty(form->MenuPanel->width() / 2, form->MenuPanel->height() / 2);
    ASSERT_EQ(form->MenuPanel->childAt(empty), nullptr);

    QTest::mouseDClick(form->MenuPanel, Qt::LeftButton, {}, empty);
    EXPECT_TRUE(calc().Transparency());
    EXPECT_TRUE(borderless(form.get()));
    expectOpacity(*form, 1); // switching on keeps the opacity
    QTest::mouseDClick(form->MenuPanel, Qt::LeftButton, {}, empty);
    EXPECT_FALSE(calc().Transparency());
    EXPECT_FALSE(borderless(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->geometry() == client; }, 2000))
        << "the client area moved to " << form->geometry().x() << "," << form->geometry().y();
}

TEST_F(WindowTest, SwitchingTransparencyOffByCommandForgetsTheLevel) {
    form->ApplyTransparencyValue(30);
    calc().SettingDialogAppData().TransparencyValue = 30;
    enter("@TRANSPARENCY");
    EXPECT_FALSE(calc().Transparency());
    EXPECT_EQ(calc().GetAppData().TransparencyValue, 0);
    expectOpacity(*form, 1);
    enter("@TRANSPARENCY");
    EXPECT_TRUE(calc().Transparency());
    EXPECT_TRUE(borderless(form.get()));
}

// --- the dialogs -------------------------------------------------------------------

TEST_F(WindowTest, TheSettingsDialogAppliesTheLevelOnOkOnly) {
    struct Case {
        bool ok;
        bool byShortcut; // or from the menu
        int level;
        double opacity;
    };
    const Case cases[] = {
        {false, false, 0, 1},
        {true, true, 30, 0.7},
    };
    for (const Case& c : cases) {
        form->activateWindow(); // back from the dialog before
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        bool answered = false;
        QTimer::singleShot(0, [&answered, ok = c.ok] {
            auto* dialog = qobject_cast<TSettingDialog*>(QApplication::activeModalWidget());
            if (!dialog) return; // the watchdog reports whatever came up instead
            dialog->OpacityTrack->setValue(30);
            dialog->RealTimeCheck->setChecked(true);
            (ok ? dialog->Button1 : dialog->Button2)->click();
            answered = true;
        });
        if (c.byShortcut)
            key(Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
        else
            form->SettingAction->trigger();
        ASSERT_TRUE(answered) << "no settings dialog came up";
        EXPECT_EQ(calc().GetAppData().TransparencyValue, c.level) << c.ok;
        EXPECT_EQ(calc().GetIsRealTimeCalc(), c.ok);
        expectOpacity(*form, c.opacity);
        EXPECT_EQ(borderless(form.get()), c.ok);
    }
}

TEST_F(WindowTest, TheVersionWindowIsShownModally) {
    QString shownName;
    QTimer::singleShot(0, [&shownName] {
        auto* about = qobject_cast<TAboutForm*>(QApplication::activeModalWidget());
        if (!about) return;
        shownName = about->Label1->text();
        about->Button1->click();
    });
    form->AboutAction->trigger();
    EXPECT_FALSE(shownName.isEmpty()) << "no version window came up";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form->findChildren<TAboutForm*>().isEmpty()) << "the version window outlives its showing";
}

// --- start and close ----------------------------------------------------------------

// The calculator's own state comes back as the calculator's tests show; a
// restart of the window adds the save at close, the placement, the window
// flags, the opacity, the height of the recorded expressions, and the controls
// showing the restored state.
TEST_F(WindowTest, WhatTheWindowAddsComesBackAfterARestart) {
    TAppData& a = calc().SettingDialogAppData();
    a.IsHistoryRecord = true;
    a.IsVariableRecord = true;
    form->RadAction->trigger();
    enter("5");
    key(Qt::Key_M, Qt::ControlModifier); // M+ 5
    enter("@BUTTON=TAX:[]*1.1");
    type("R*2");
    key(Qt::Key_S, Qt::ControlModifier); // recorded
    key(Qt::Key_Escape);
    form->move(40, 30);
    form->resize(420, 460);
    form->HistorySplitter->setSizes({70, form->HistorySplitter->height() - 75});
    form->ApplyTransparencyValue(20);
    a.TransparencyValue = 20;
    enter("@TOPMOST");
    type("1+2");
    settle();

    CloseAndReopen();
    EXPECT_TRUE(QFile::exists(config.path() + "/Halvoren/Korvex/Korvex.ini"));
    EXPECT_EQ(form->AngleModeBtn->text(), "Rad");
    EXPECT_TRUE(form->MBtn->isVisible());
    EXPECT_TRUE(form->MBtn->text().startsWith("M=5")) << form->MBtn->text().toStdString();
    EXPECT_TRUE(form->CustomBtn->isVisible());
    EXPECT_EQ(form->CustomBtn->text(), "TAX");
    EXPECT_TRUE(form->ExpressionRecordFrame->isVisible());
    EXPECT_EQ(form->ExpressionRecordFrame->Items(), QStringList({"R*2"}));
    EXPECT_EQ(form->ExpressionRecordFrame->height(), 70);
    EXPECT_EQ(edit()->text(), "1+2");
    EXPECT_EQ(form->pos(), QPoint(40, 30));
    EXPECT_EQ(form->size(), QSize(420, 460));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(borderless(form.get()));
    expectOpacity(*form, 0.8);
}

// A window started on a settings file written beforehand.
class StoredStartTest : public WindowTest {
protected:
    void SetUp() override {} // each test writes its file first

    void StartWith(const QByteArray& ini) {
        const QString dir = config.path() + "/Halvoren/Korvex";
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile f(dir + "/Korvex.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF" + ini);
        f.close();
        Open();
    }
};

TEST_F(StoredStartTest, APositionOffTheDesktopIsIgnoredButTheSizeIsNot) {
    const QRect desktop = DesktopRect();
    const QByteArray ini = "[Position]\r\nLeft=" + QByteArray::number(desktop.right() + 2) +
                           "\r\nTop=50\r\nWidth=300\r\nHeight=400\r\n";
    StartWith(ini);
    EXPECT_NE(form->pos().x(), desktop.right() + 2);
    EXPECT_EQ(form->pos().y(), 50);
    EXPECT_EQ(form->size(), QSize(300, 400));
}

TEST_F(StoredStartTest, ANonPositiveSizeLeavesTheDesignPlacement) {
    StartWith("[Position]\r\nLeft=30\r\nTop=40\r\nWidth=0\r\nHeight=400\r\n");
    EXPECT_EQ(form->size(), QSize(374, 382));
    EXPECT_NE(form->pos(), QPoint(30, 40));
}

TEST_F(StoredStartTest, TransparencyOnWithLevelZeroComesUpOpaque) {
    StartWith("[Mode]\r\nTransparency=1\r\nTransparencyValue=0\r\n");
    EXPECT_FALSE(calc().Transparency());
    EXPECT_FALSE(borderless(form.get()));
    expectOpacity(*form, 1);
}

TEST_F(StoredStartTest, TransparencyOffWithLevelThirtyComesUpTransparent) {
    StartWith("[Mode]\r\nTransparency=0\r\nTransparencyValue=30\r\n");
    EXPECT_TRUE(calc().Transparency());
    EXPECT_TRUE(borderless(form.get()));
    expectOpacity(*form, 0.7);
}

TEST_F(StoredStartTest, AbsurdNumbersStillOpenAUsableWindow) {
    StartWith("[Position]\r\nLeft=-2147483648\r\nTop=2147483647\r\nWidth=2147483647\r\nHeight=99999999\r\n"
              "[Mode]\r\nTransparency=1\r\nTransparencyValue=100000\r\nView=200\r\nAngle=-7\r\n"
              "[Expression]\r\nRecordCount=-5\r\n[RecordExpression]\r\nCount=2147483647\r\n");
    const QRect desktop = DesktopRect();
    EXPECT_LE(form->width(), desktop.width());
    EXPECT_LE(form->height(), desktop.height());
    expectOpacity(*form, 0.5);
    enter("6*7");
    EXPECT_EQ(shown(), "42");
}
