#include "SettingDlg.h"

#include "AppData.h"
#include "IntegerText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

namespace {

constexpr int ClientWidth = 188;
constexpr int ClientHeight = 309;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
// OK and Cancel keep their distance to the right and bottom edges
constexpr int ButtonsBottom = ClientHeight - 277;
constexpr int OkRight = ClientWidth - 12;
constexpr int CancelRight = ClientWidth - 100;

const QString kBadHistoryLimit = QStringLiteral("計算式履歴数が正しくありません");

} // namespace

TSettingDialog::TSettingDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("設定"));
    // a fixed single border with the close box only
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    // created in tab order; the first of them has the focus when the dialog opens
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    RealTimeCheck = new QCheckBox(QStringLiteral("リアルタイムに計算する"), this);
    RealTimeCheck->setObjectName(QStringLiteral("RealTimeCheck"));
    RealTimeCheck->setGeometry(16, 128, 161, 19);
    VariableCheck = new QCheckBox(QStringLiteral("変数を保存する"), this);
    VariableCheck->setObjectName(QStringLiteral("VariableCheck"));
    VariableCheck->setGeometry(16, 96, 161, 19);
    HistoryCheck = new QCheckBox(QStringLiteral("計算式の履歴を保存する"), this);
    HistoryCheck->setObjectName(QStringLiteral("HistoryCheck"));
    HistoryCheck->setGeometry(16, 64, 161, 19);
    HistoryEdit = new QLineEdit(this);
    HistoryEdit->setObjectName(QStringLiteral("HistoryEdit"));
    HistoryEdit->setGeometry(104, 24, 49, 22);
    ClearBtn = new QPushButton(QStringLiteral("履歴・変数・設定クリア"), this);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    ClearBtn->setGeometry(26, 232, 137, 22);
    ClearBtn->setAutoDefault(false);
    OpacityTrack = new QSlider(Qt::Horizontal, this);
    OpacityTrack->setObjectName(QStringLiteral("OpacityTrack"));
    OpacityTrack->setRange(0, 50);
    OpacityTrack->setPageStep(2);
    OpacityTrack->setGeometry(22, 192, 145, 19);

    Label1 = new QLabel(QStringLiteral("計算式履歴数"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 24, 81, 17);
    Label1->setBuddy(HistoryEdit);
    Label2 = new QLabel(QStringLiteral("透明度"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(16, 168);
    Label2->adjustSize();
    Label2->setBuddy(OpacityTrack);

    PlaceButtons();
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, RealTimeCheck);
    setTabOrder(RealTimeCheck, VariableCheck);
    setTabOrder(VariableCheck, HistoryCheck);
    setTabOrder(HistoryCheck, HistoryEdit);
    setTabOrder(HistoryEdit, ClearBtn);
    setTabOrder(ClearBtn, OpacityTrack);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ClearBtn, &QPushButton::clicked, this, &TSettingDialog::ClearBtnClick);

    MessageDialog = [this](QMessageBox::Icon Icon, const QString& Text, QMessageBox::StandardButtons Buttons,
                           QMessageBox::StandardButton DefaultButton) {
        const QString title =
            Icon == QMessageBox::Critical ? QStringLiteral("エラー") : QStringLiteral("確認");
        QMessageBox box(Icon, title, Text, Buttons, this);
        box.setDefaultButton(DefaultButton);
        return QMessageBox::StandardButton(box.exec());
    };
}

void TSettingDialog::FillControls() {
    if (!FAppData) return;
    HistoryEdit->setText(QString::number(FAppData->HistoryCount));
    HistoryCheck->setChecked(FAppData->IsHistoryRecord);
    VariableCheck->setChecked(FAppData->IsVariableRecord);
    RealTimeCheck->setChecked(FAppData->IsRealTimeCalc);
    OpacityTrack->setValue(FAppData->TransparencyValue);
}

void TSettingDialog::CopyToAppData() {
    if (!FAppData) return;
    int count = 0;
    if (HistoryLimit(count)) FAppData->HistoryCount = count;
    FAppData->IsHistoryRecord = HistoryCheck->isChecked();
    FAppData->IsVariableRecord = VariableCheck->isChecked();
    FAppData->IsRealTimeCalc = RealTimeCheck->isChecked();
    // the track bar moves in whole steps, so its position is already the level
    FAppData->TransparencyValue = OpacityTrack->value();
}

void TSettingDialog::ClearBtnClick() {
    if (!FAppData) return;
    const QString question = QStringLiteral("Korvexの履歴・変数・設定をクリアします") +
                             QStringLiteral("\r\n") + QStringLiteral("よろしいですか？");
    if (Ask(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    try {
        FAppData->Clear();
    } catch (const EInOutError& e) {
        // nothing was deleted or read: the dialog stays as it was
        Ask(QMessageBox::Critical, QString::fromStdString(e.what()), QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    emit Cleared();
    // the defaults, the transparency level 0 included: OK must not bring back a
    // level the clear has removed
    FillControls();
}

bool TSettingDialog::HistoryLimit(int& Value) const {
    // the history cannot be cut to fewer than no entries
    return TextToInt(HistoryEdit->text(), Value) && Value >= 0;
}

void TSettingDialog::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) {
    int count = 0;
    if (HistoryLimit(count)) return;
    Ask(QMessageBox::Critical, kBadHistoryLimit, QMessageBox::Ok, QMessageBox::Ok);
    CanClose = false;
}

void TSettingDialog::done(int r) {
    // OK, Cancel, Esc and the close box all end here
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (canClose) QDialog::done(r);
}

QMessageBox::StandardButton TSettingDialog::Ask(QMessageBox::Icon Icon, const QString& Text,
                                                QMessageBox::StandardButtons Buttons,
                                                QMessageBox::StandardButton DefaultButton) {
    return MessageDialog ? MessageDialog(Icon, Text, Buttons, DefaultButton) : DefaultButton;
}

void CentreOnScreen(QWidget& Dialog) {
    if (const QScreen* s = Dialog.screen()) {
        QRect frame = Dialog.frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        Dialog.move(frame.topLeft());
    }
}

void TSettingDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentreOnScreen(*this);
}

void TSettingDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    PlaceButtons();
}

void TSettingDialog::PlaceButtons() {
    const int top = height() - ButtonsBottom;
    Button1->setGeometry(width() - OkRight, top, ButtonWidth, ButtonHeight);
    Button2->setGeometry(width() - CancelRight, top, ButtonWidth, ButtonHeight);
}
