#include "ModalDriver.h"

#include "AppData.h"
#include "Calculator.h"
#include "SettingCommand.h"
#include "SettingDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

const QString kBadHistoryLimit = QStringLiteral("計算式履歴数が正しくありません");
const QString kClearQuestion = QStringLiteral("Korvexの履歴・変数・設定をクリアします\r\nよろしいですか？");

// One message box the dialog asked.
struct TAsked {
    QMessageBox::Icon Icon;
    QString Text;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton DefaultButton;
};

// Answers the dialog's message boxes from a script and keeps what was asked.
struct TMessageScript {
    std::vector<TAsked> Asked;
    std::deque<QMessageBox::StandardButton> Answers;

    void Attach(TSettingDialog& Dialog) {
        Dialog.MessageDialog = [this](QMessageBox::Icon Icon, const QString& Text,
                                      QMessageBox::StandardButtons Buttons,
                                      QMessageBox::StandardButton DefaultButton) {
            Asked.push_back({Icon, Text, Buttons, DefaultButton});
            if (Answers.empty()) return DefaultButton;
            const QMessageBox::StandardButton answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
    }
};

// How the user tries to close the dialog.
enum TCloseWay { cwOk, cwCancel, cwEsc, cwCloseBox };

const char* Name(TCloseWay Way) {
    switch (Way) {
    case cwOk:
        return "OK";
    case cwCancel:
        return "Cancel";
    case cwEsc:
        return "Esc";
    case cwCloseBox:
        return "close box";
    }
    return "?";
}

void TryClose(TSettingDialog& Dialog, TCloseWay Way) {
    switch (Way) {
    case cwOk:
        QTest::mouseClick(Dialog.Button1, Qt::LeftButton);
        break;
    case cwCancel:
        QTest::mouseClick(Dialog.Button2, Qt::LeftButton);
        break;
    case cwEsc:
        PressKey(Dialog, Qt::Key_Escape);
        break;
    case cwCloseBox:
        Dialog.close();
        break;
    }
}

// Replaces the edit's text by typing, as the user does.
void TypeInto(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_Delete);
    bool ascii = true;
    for (const QChar c : Text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(Edit, Text);
    } else {
        // what an input method hands over at the end of a composition
        QInputMethodEvent e;
        e.setCommitString(Text);
        QApplication::sendEvent(Edit, &e);
    }
}

// A click on the box itself rather than somewhere on its caption.
void ClickCheck(QCheckBox* Check) {
    QTest::mouseClick(Check, Qt::LeftButton, {}, QPoint(8, Check->height() / 2));
}

// A calculator in a settings folder of its own, with four entries in its
// history, one variable and a settings file on disk.
class SettingDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        calc.StartWithDefaults();
        TAppData& a = calc.SettingDialogAppData();
        a.HistoryCount = 5;
        a.IsHistoryRecord = true;
        a.IsVariableRecord = true;
        a.IsRealTimeCalc = true;
        a.TransparencyValue = 20;
        calc.SetIsRealTimeCalc(true);
        calc.ApplyHistoryCount();
        for (const char* line : {"1+1", "2+2", "RATE=0.5", "3+3"}) {
            calc.SetInputText(QString::fromLatin1(line));
            calc.CalcExpression(true);
        }
        ASSERT_EQ(calc.ExpressionHistorys().size(), 4u);
        ASSERT_EQ(calc.Variables().Count(), 1);
        a.Write();
        ASSERT_TRUE(QFile::exists(TAppData::FileName()));
    }

    // The dialog on the calculator's settings, filled and shown without a modal loop.
    std::unique_ptr<TSettingDialog> Open() {
        auto d = std::make_unique<TSettingDialog>();
        d->SetAppData(&calc.SettingDialogAppData());
        messages.Attach(*d);
        d->FillControls();
        d->show();
        return d;
    }

    // Runs the settings command; Act drives the dialog while it is open. The
    // transparency level handed to the window is kept in applied.
    bool Run(std::function<void(TSettingDialog&)> Act) {
        TModalDriver::OnModal<TSettingDialog>([this, Act](TSettingDialog& d) {
            messages.Attach(d);
            Act(d);
        });
        return RunSettingDialog(nullptr, calc, [this](int Value) {
            applied.push_back(Value);
            // the window's transparency comes before everything else
            realTimeWhenApplied = calc.GetIsRealTimeCalc();
            historyWhenApplied = calc.ExpressionHistorys().size();
        });
    }

    QTemporaryDir config;
    TCalculator calc;
    TMessageScript messages;
    TModalDriver driver;
    std::vector<int> applied;
    bool realTimeWhenApplied = false;
    std::size_t historyWhenApplied = 0;
};

TEST_F(SettingDialogTest, ShowsTheSettingsWithTheirCaptions) {
    auto d = Open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(d->size(), QSize(188, 309));
    EXPECT_EQ(d->minimumSize(), d->maximumSize());
    EXPECT_EQ(d->Button1->text(), QStringLiteral("OK"));
    EXPECT_TRUE(d->Button1->isDefault());
    EXPECT_EQ(d->Button2->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(d->HistoryCheck->text(), QStringLiteral("計算式の履歴を保存する"));
    EXPECT_EQ(d->VariableCheck->text(), QStringLiteral("変数を保存する"));
    EXPECT_EQ(d->RealTimeCheck->text(), QStringLiteral("リアルタイムに計算する"));
    EXPECT_EQ(d->Label1->text(), QStringLiteral("計算式履歴数"));
    EXPECT_EQ(d->Label2->text(), QStringLiteral("透明度"));
    EXPECT_EQ(d->ClearBtn->text(), QStringLiteral("履歴・変数・設定クリア"));
    EXPECT_EQ(d->OpacityTrack->minimum(), 0);
    EXPECT_EQ(d->OpacityTrack->maximum(), 50);
    // OK and Cancel sit side by side at the bottom right
    EXPECT_EQ(d->Button1->geometry().topLeft(), QPoint(12, 277));
    EXPECT_EQ(d->Button2->geometry().topLeft(), QPoint(100, 277));

    EXPECT_EQ(d->HistoryEdit->text(), QStringLiteral("5"));
    EXPECT_TRUE(d->HistoryCheck->isChecked());
    EXPECT_TRUE(d->VariableCheck->isChecked());
    EXPECT_TRUE(d->RealTimeCheck->isChecked());
    EXPECT_EQ(d->OpacityTrack->value(), 20);
}

TEST_F(SettingDialogTest, TabWalksTheControlsInTheirOrderFromOk) {
    auto d = Open();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    const QList<QWidget*> order = {d->Button1,       d->Button2,      d->RealTimeCheck,
                                   d->VariableCheck, d->HistoryCheck, d->HistoryEdit,
                                   d->ClearBtn,      d->OpacityTrack, d->Button1};
    for (qsizetype i = 0; i < order.size(); ++i) {
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "step " << i;
        PressKey(*d, Qt::Key_Tab);
    }
}

TEST_F(SettingDialogTest, HistoryLimitIsCheckedOnEveryWayOfClosing) {
    struct Case {
        const char16_t* text;
        bool accepted;
    };
    const Case cases[] = {
        {u"3", true},          {u"0", true},           {u"  +3", true}, {u"$1F", true}, {u"0x10", true},
        {u"2147483647", true}, {u"3.5", false},        {u"abc", false}, {u"", false},   {u"-1", false},
        {u"3 ", false},        {u"2147483648", false}, {u"３", false},
    };
    for (const TCloseWay way : {cwOk, cwCancel, cwEsc, cwCloseBox}) {
        for (const Case& c : cases) {
            const QString text = QString::fromUtf16(c.text);
            const std::string where = std::string(Name(way)) + " with \"" + text.toStdString() + "\"";
            messages.Asked.clear();
            auto d = Open();
            TypeInto(d->HistoryEdit, text);
            TryClose(*d, way);
            if (c.accepted) {
                EXPECT_FALSE(d->isVisible()) << where;
                EXPECT_EQ(d->result(), way == cwOk ? QDialog::Accepted : QDialog::Rejected) << where;
                EXPECT_TRUE(messages.Asked.empty()) << where;
            } else {
                EXPECT_TRUE(d->isVisible()) << where;
                EXPECT_EQ(d->HistoryEdit->text(), text) << where;
                ASSERT_EQ(messages.Asked.size(), 1u) << where;
                EXPECT_EQ(messages.Asked[0].Icon, QMessageBox::Critical) << where;
                EXPECT_EQ(messages.Asked[0].Text, kBadHistoryLimit) << where;
                EXPECT_EQ(messages.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok)) << where;
            }
        }
    }
}

TEST_F(SettingDialogTest, EnterInTheHistoryLimitPressesOk) {
    auto d = Open();
    TypeInto(d->HistoryEdit, QStringLiteral("7"));
    QTest::keyClick(d->HistoryEdit, Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(SettingDialogTest, OkCopiesTheValuesBackAndAppliesThemInOrder) {
    const bool ok = Run([](TSettingDialog& d) {
        TypeInto(d.HistoryEdit, QStringLiteral("0"));
        ClickCheck(d.HistoryCheck);
        ClickCheck(d.VariableCheck);
        d.OpacityTrack->setFocus();
        QTest::keyClick(d.OpacityTrack, Qt::Key_Home);
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(d.OpacityTrack, Qt::Key_Right);
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    const TAppData& a = calc.GetAppData();
    EXPECT_EQ(a.HistoryCount, 0);
    EXPECT_FALSE(a.IsHistoryRecord);
    EXPECT_FALSE(a.IsVariableRecord);
    EXPECT_TRUE(a.IsRealTimeCalc);
    EXPECT_EQ(a.TransparencyValue, 12);
    ASSERT_EQ(applied, std::vector<int>{12});
    // the window's transparency first, then the calculator's settings
    EXPECT_EQ(historyWhenApplied, 4u);
    EXPECT_TRUE(calc.ExpressionHistorys().empty());
    EXPECT_EQ(calc.GetHistoryCount(), 0);
    EXPECT_EQ(calc.HistoryListRowCount(), 0);
    EXPECT_TRUE(messages.Asked.empty());
}

TEST_F(SettingDialogTest, RealTimeCalculationFollowsTheCheckOnOkOnly) {
    const bool ok = Run([](TSettingDialog& d) {
        ClickCheck(d.RealTimeCheck);
        TypeInto(d.HistoryEdit, QStringLiteral("$2"));
        PressKey(d, Qt::Key_Return);
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(realTimeWhenApplied);
    EXPECT_FALSE(calc.GetIsRealTimeCalc());
    EXPECT_FALSE(calc.GetAppData().IsRealTimeCalc);
    EXPECT_EQ(calc.GetAppData().HistoryCount, 2);
    EXPECT_EQ(calc.ExpressionHistorys().size(), 2u);
    EXPECT_EQ(applied, std::vector<int>{20});
}

TEST_F(SettingDialogTest, CancelChangesNothing) {
    for (const TCloseWay way : {cwCancel, cwEsc, cwCloseBox}) {
        const bool ok = Run([way](TSettingDialog& d) {
            TypeInto(d.HistoryEdit, QStringLiteral("1"));
            ClickCheck(d.HistoryCheck);
            ClickCheck(d.RealTimeCheck);
            d.OpacityTrack->setFocus();
            QTest::keyClick(d.OpacityTrack, Qt::Key_End);
            TryClose(d, way);
        });
        EXPECT_FALSE(ok) << Name(way);
        const TAppData& a = calc.GetAppData();
        EXPECT_EQ(a.HistoryCount, 5) << Name(way);
        EXPECT_TRUE(a.IsHistoryRecord) << Name(way);
        EXPECT_TRUE(a.IsRealTimeCalc) << Name(way);
        EXPECT_EQ(a.TransparencyValue, 20) << Name(way);
        EXPECT_TRUE(calc.GetIsRealTimeCalc()) << Name(way);
        EXPECT_EQ(calc.ExpressionHistorys().size(), 4u) << Name(way);
        EXPECT_TRUE(applied.empty()) << Name(way);
    }
}

TEST_F(SettingDialogTest, ClearAnsweredNoChangesNothing) {
    auto d = Open();
    TypeInto(d->HistoryEdit, QStringLiteral("8"));
    QSignalSpy cleared(d.get(), &TSettingDialog::Cleared);
    messages.Answers = {QMessageBox::No};
    QTest::mouseClick(d->ClearBtn, Qt::LeftButton);

    ASSERT_EQ(messages.Asked.size(), 1u);
    const TAsked& q = messages.Asked[0];
    EXPECT_EQ(q.Icon, QMessageBox::Question);
    EXPECT_EQ(q.Text, kClearQuestion);
    EXPECT_EQ(q.Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(q.DefaultButton, QMessageBox::No);

    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(QFile::exists(TAppData::FileName()));
    EXPECT_EQ(cleared.count(), 0);
    EXPECT_EQ(d->HistoryEdit->text(), QStringLiteral("8"));
    EXPECT_TRUE(d->HistoryCheck->isChecked());
    EXPECT_EQ(d->OpacityTrack->value(), 20);
    EXPECT_EQ(calc.GetAppData().HistoryCount, 5);
    EXPECT_EQ(calc.ExpressionHistorys().size(), 4u);
    EXPECT_EQ(calc.Variables().Count(), 1);
}

// Clears with Yes, checks what the open dialog and the calculator show, then
// ends the dialog the given way.
class ClearConfirmedTest : public SettingDialogTest, public ::testing::WithParamInterface<TCloseWay> {};

TEST_P(ClearConfirmedTest, DeletesEverythingAndShowsTheDefaults) {
    const TCloseWay way = GetParam();
    QSignalSpy historyChanged(&calc, &TCalculator::HistoryChanged);
    const bool ok = Run([&](TSettingDialog& d) {
        messages.Answers = {QMessageBox::Yes};
        QTest::mouseClick(d.ClearBtn, Qt::LeftButton);

        EXPECT_FALSE(QFile::exists(TAppData::FileName()));
        EXPECT_EQ(d.HistoryEdit->text(), QStringLiteral("10"));
        EXPECT_FALSE(d.HistoryCheck->isChecked());
        EXPECT_FALSE(d.VariableCheck->isChecked());
        EXPECT_FALSE(d.RealTimeCheck->isChecked());
        EXPECT_EQ(d.OpacityTrack->value(), 0);
        // the history views forget the removed records while the dialog is still open
        EXPECT_TRUE(calc.ExpressionHistorys().empty());
        EXPECT_TRUE(calc.HistoryPopupItems().isEmpty());
        EXPECT_EQ(calc.Variables().Count(), 0);
        EXPECT_GE(historyChanged.count(), 1);
        TryClose(d, way);
    });
    EXPECT_EQ(ok, way == cwOk);
    EXPECT_EQ(messages.Asked.size(), 1u);
    const TAppData& a = calc.GetAppData();
    EXPECT_EQ(a.HistoryCount, 10);
    EXPECT_FALSE(a.IsHistoryRecord);
    EXPECT_FALSE(a.IsVariableRecord);
    EXPECT_FALSE(a.IsRealTimeCalc);
    EXPECT_EQ(a.TransparencyValue, 0);
    EXPECT_TRUE(calc.HistoryPopupItems().isEmpty());
    if (way == cwOk) {
        EXPECT_EQ(applied, std::vector<int>{0});
        EXPECT_FALSE(calc.GetIsRealTimeCalc());
        EXPECT_EQ(calc.GetHistoryCount(), 10);
    } else {
        EXPECT_TRUE(applied.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EndedWith, ClearConfirmedTest, ::testing::Values(cwOk, cwCancel),
                         [](const ::testing::TestParamInfo<TCloseWay>& info) {
                             return std::string(info.param == cwOk ? "Ok" : "Cancel");
                         });

TEST_F(SettingDialogTest, ClearThatCannotDeleteTheFileLosesNothing) {
    // a folder where the file should be cannot be deleted as a file
    const QString file = TAppData::FileName();
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));

    auto d = Open();
    TypeInto(d->HistoryEdit, QStringLiteral("8"));
    QSignalSpy cleared(d.get(), &TSettingDialog::Cleared);
    messages.Answers = {QMessageBox::Yes, QMessageBox::Ok};
    QTest::mouseClick(d->ClearBtn, Qt::LeftButton);

    ASSERT_EQ(messages.Asked.size(), 2u);
    const TAsked& error = messages.Asked[1];
    EXPECT_EQ(error.Icon, QMessageBox::Critical);
    EXPECT_EQ(error.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(error.Text.contains(QStringLiteral("Korvex.ini"))) << error.Text.toStdString();

    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(cleared.count(), 0);
    EXPECT_EQ(d->HistoryEdit->text(), QStringLiteral("8"));
    EXPECT_TRUE(d->VariableCheck->isChecked());
    EXPECT_EQ(d->OpacityTrack->value(), 20);
    const TAppData& a = calc.GetAppData();
    EXPECT_EQ(a.HistoryCount, 5);
    EXPECT_TRUE(a.IsHistoryRecord);
    EXPECT_EQ(a.TransparencyValue, 20);
    EXPECT_EQ(calc.ExpressionHistorys().size(), 4u);
    EXPECT_EQ(calc.Variables().Count(), 1);
    EXPECT_TRUE(QFileInfo(file).isDir());

    // and the dialog still closes normally
    QTest::mouseClick(d->Button1, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(SettingDialogTest, MessageBoxesAreRealModalBoxesByDefault) {
    TSettingDialog d;
    d.SetAppData(&calc.SettingDialogAppData());
    d.FillControls();
    d.show();

    // the confirmation: Yes and No, No the default, so Enter keeps everything
    TModalDriver::OnModal<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.text(), kClearQuestion);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        PressKey(box, Qt::Key_Return);
    });
    QTest::mouseClick(d.ClearBtn, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(TAppData::FileName()));
    EXPECT_EQ(calc.ExpressionHistorys().size(), 4u);

    // the refused history limit: one OK button, and the dialog stays
    TModalDriver::OnModal<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.text(), kBadHistoryLimit);
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        PressKey(box, Qt::Key_Return);
    });
    TypeInto(d.HistoryEdit, QStringLiteral("abc"));
    PressKey(d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
