#include "AboutWin.h"

#include "SettingDlg.h"

#include <QLabel>
#include <QPushButton>

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int pointSize, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

QIcon KorvexIcon() {
    return QIcon::fromTheme(QStringLiteral("example.halvoren.Korvex"),
                            QIcon(QStringLiteral(":/korvex/example.halvoren.Korvex.svg")));
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    // a fixed single border with the system menu only
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(235, 183);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 24, 64, 64);
    Image1->setPixmap(KorvexIcon().pixmap(QSize(64, 64), devicePixelRatio()));
    Label1 = NewLabel(this, "Label1", QStringLiteral("Korvex"), 22, 95, 24);
    Label2 =
        NewLabel(this, "Label2", QStringLiteral("Ver.") + QStringLiteral(KORVEX_VERSION_TEXT), 14, 97, 64);
    Button1 = new QPushButton(QStringLiteral("閉じる"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(78, 144, 80, 22);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TAboutForm::Button1Click);
}

void TAboutForm::Button1Click() {
    close();
}

void TAboutForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentreOnScreen(*this);
}
