#include "ModalDriver.h"

#include "AboutWin.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace {

TEST(AboutFormTest, ShowsNameAndVersion) {
    TAboutForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(form.size(), QSize(235, 183));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Korvex"));
    EXPECT_EQ(form.Label1->font().pointSize(), 22);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Ver\\.\\d+\\.\\d+$")).match(form.Label2->text()).hasMatch())
        << form.Label2->text().toStdString();
    EXPECT_EQ(form.Label2->font().pointSize(), 14);
    EXPECT_EQ(form.Button1->text(), QStringLiteral("閉じる"));
    EXPECT_TRUE(form.Button1->isDefault());
    // the program's icon in the space left of the name
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    EXPECT_LE(form.Image1->geometry().right(), form.Label1->x());
}

TEST(AboutFormTest, ClosesWithEnterEscAndItsButton) {
    const std::pair<const char*, std::function<void(TAboutForm&)>> ways[] = {
        {"Enter", [](TAboutForm& f) { PressKey(f, Qt::Key_Return); }},
        {"keypad Enter", [](TAboutForm& f) { PressKey(f, Qt::Key_Enter); }},
        {"Esc", [](TAboutForm& f) { PressKey(f, Qt::Key_Escape); }},
        {"button", [](TAboutForm& f) { QTest::mouseClick(f.Button1, Qt::LeftButton); }},
    };
    for (const auto& [name, press] : ways) {
        TModalDriver driver;
        TAboutForm form;
        bool pressed = false;
        TModalDriver::OnModal<TAboutForm>([&, press = press](TAboutForm& f) {
            pressed = true;
            press(f);
        });
        form.exec();
        EXPECT_TRUE(pressed) << name;
        EXPECT_FALSE(form.isVisible()) << name;
    }
}

} // namespace
