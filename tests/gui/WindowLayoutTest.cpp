// The window as a user meets it after a restart and while typing: every row
// laid out at its final width, and keystrokes that always reach the input line.
#include "WindowFixture.h"

#include "ExpressionRecordFrm.h"
#include "HistoryListFrm.h"

#include <QFontMetrics>
#include <QHash>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolButton>

namespace {

// Saves with history saving on, so that the next start shows the records.
void SaveHistoryFromNowOn(TCalculator& c) {
    c.SettingDialogAppData().IsHistoryRecord = true;
    c.SettingDialogAppData().IsVariableRecord = true;
}

} // namespace

TEST_F(WindowTest, AfterARestartEveryHistoryRowShowsItsWholeValue) {
    SaveHistoryFromNowOn(calc());
    for (const char* line : {"A=3", "10", "A*7", "1234.5678"})
        enter(QString::fromLatin1(line));
    CloseAndReopen();
    QCoreApplication::processEvents();

    QListView* list = form->HistoryListFrame->ListBox();
    THistoryListModel* model = form->HistoryListFrame->Model();
    ASSERT_EQ(model->Record(3) != nullptr, true);
    const QFont font = [] {
        QFont f;
        f.setPixelSize(THistoryItemDelegate::FontPixels);
        return f;
    }();
    for (int row = 0; row < 4; ++row) {
        const QRect rect = list->visualRect(model->index(row));
        const QString value = model->data(model->index(row), THistoryListModel::ValueTextRole).toString();
        // the row lies inside the list, and its value fits the room the row gives it
        EXPECT_GE(rect.left(), 0) << row;
        EXPECT_LE(rect.right(), list->viewport()->width() - 1) << row;
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(value),
                  rect.width() - 2 * THistoryItemDelegate::Margin)
            << value.toStdString();
    }
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());

    for (int width : {200, 374, 900}) { // no horizontal scroll bar at any width
        form->resize(width, form->height());
        QCoreApplication::processEvents();
        EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << width;
        EXPECT_LE(list->visualRect(model->index(0)).right(), list->viewport()->width() - 1) << width;
    }
}

TEST_F(WindowTest, KeysTypedWhileAListHasTheFocusReachTheInputLine) {
    type("TAX;[]*1.1");
    key(Qt::Key_S, Qt::ControlModifier); // the recorded list appears
    key(Qt::Key_Escape);
    QListWidget* list = form->ExpressionRecordFrame->ListBox();
    list->setFocus(Qt::TabFocusReason); // as a Tab or a click in it does
    ASSERT_TRUE(list->hasFocus());

    // the list shows that it has the focus: an outline in the highlight colour
    // (at the left edge below the rows, where no selection is drawn)
    const QImage focused = list->viewport()->grab().toImage();
    EXPECT_EQ(focused.pixelColor(1, focused.height() - 6), list->palette().color(QPalette::Highlight));

    QTest::keyClicks(list, "6*7");
    EXPECT_EQ(edit()->text(), "6*7");
    EXPECT_TRUE(edit()->hasFocus());

    list->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(list, Qt::Key_Return); // Enter calculates the line wherever the focus is
    EXPECT_EQ(shown(), "42");
    list->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(edit()->text(), "");
    EXPECT_EQ(shown(), "0");

    edit()->setFocus();
    const QImage unfocused = list->viewport()->grab().toImage();
    EXPECT_NE(unfocused.pixelColor(1, unfocused.height() - 6), list->palette().color(QPalette::Highlight));
}

TEST_F(WindowTest, ALongCustomButtonCaptionShowsItsStartAndTheWholeAsTooltip) {
    enter("@BUTTON=A&VERYLONGBUTTONCAPTION:[]*2");
    const QString caption = QStringLiteral("A&VERYLONGBUTTONCAPTION");
    const QString text = form->CustomBtn->text();
    EXPECT_TRUE(text.startsWith("A&&V")) << text.toStdString(); // the ampersand shows, no mnemonic
    EXPECT_TRUE(text.endsWith(QChar(0x2026))) << text.toStdString();
    EXPECT_EQ(form->CustomBtn->toolTip(), caption);
    QString shownText = text;
    shownText.replace("&&", "&");
    EXPECT_LE(form->CustomBtn->fontMetrics().horizontalAdvance(shownText), form->CustomBtn->width());
}

TEST_F(WindowTest, TheToolkitsOwnTextsAreJapanese) {
    std::unique_ptr<QMenu> menu(edit()->createStandardContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts.size(), 7)
        << texts.join(' ').toStdString(); // undo, redo, cut, copy, paste, delete, select all
    for (const QString& t : texts)        // no English word is left
        EXPECT_TRUE(
            t.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"))))
            << t.toStdString();

    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")))
        << box.button(QMessageBox::No)->text().toStdString();
}

namespace {

QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xee, 0xee, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Mid, QColor(0x55, 0x55, 0x55));
    p.setColor(QPalette::Midlight, QColor(0x44, 0x44, 0x44));
    return p;
}

// How many pixels of Image are much lighter than its background (its most
// common colour): the ink of a text that is legible on a dark ground.
int LightInk(const QImage& Image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            ++counts[Image.pixel(x, y)];
    QRgb background = 0;
    for (auto i = counts.cbegin(); i != counts.cend(); ++i)
        if (i.value() > counts.value(background)) background = i.key();
    const int ground = QColor(background).lightness();
    int n = 0;
    for (auto i = counts.cbegin(); i != counts.cend(); ++i)
        if (QColor(i.key()).lightness() >= ground + 100) n += i.value();
    return ground < 128 ? n : 0; // a light ground is no dark theme
}

} // namespace

TEST_F(WindowTest, WithADarkPaletteEveryTextIsDrawnInItsTextColour) {
    // a dark desktop theme: the palette is there before the window opens
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    form.reset();
    Open();
    enter("2^10");
    QCoreApplication::processEvents();
    struct Part {
        const char* name;
        QWidget* widget;
        QRect area; // empty: all of it
    };
    QListView* history = form->HistoryListFrame->ListBox();
    const Part parts[] = {
        {"result", form->CalcResultViewer, {}},
        // the row's texts, without the line under it
        {"history row", history->viewport(),
         history->visualRect(form->HistoryListFrame->Model()->index(0)).adjusted(0, 0, 0, -2)},
        {"mode button", form->ResultModeBtn, {}},
        {"angle button", form->AngleModeBtn, {}},
    };
    for (const Part& part : parts) {
        const QImage image =
            part.widget->grab(part.area.isEmpty() ? QRect(QPoint(0, 0), QSize(-1, -1)) : part.area).toImage();
        EXPECT_GT(LightInk(image), 10) << part.name;
    }
    form.reset();
    QApplication::setPalette(before);
}

namespace {

// The largest difference of one colour channel between two pictures of one size.
int MaxDifference(const QImage& A, const QImage& B) {
    if (A.size() != B.size()) return 256;
    int most = 0;
    for (int y = 0; y < A.height(); ++y)
        for (int x = 0; x < A.width(); ++x) {
            const QRgb a = A.pixel(x, y), b = B.pixel(x, y);
            most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                             std::abs(qBlue(a) - qBlue(b))});
        }
    return most;
}

} // namespace

TEST_F(WindowTest, TheInputLineLooksAsItsStyleDrawsIt) {
    // the line's frame and its buttons are drawn once and copied afterwards: the
    // copy shows what the style draws, focused or not, at another width and in
    // another palette
    QLineEdit* line = edit();
    QStyle* cached = line->style();
    if (cached == QApplication::style()) GTEST_SKIP() << "this style draws its frame itself";
    QList<QWidget*> drawn = {line};
    for (QToolButton* b : line->findChildren<QToolButton*>()) {
        EXPECT_EQ(b->style(), cached) << b->objectName().toStdString();
        drawn << b;
    }
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0); // a caret that stays put between two pictures
    type("12+3");
    const auto compare = [&](const char* state) {
        const QImage copied = line->grab().toImage();
        for (QWidget* w : drawn)
            w->setStyle(nullptr); // the application's style, drawing everything anew
        const QImage direct = line->grab().toImage();
        for (QWidget* w : drawn)
            w->setStyle(cached);
        EXPECT_LE(MaxDifference(copied, direct), 1) << state;
    };
    compare("focused");
    form->HistoryListFrame->ListBox()->setFocus();
    compare("without the focus");
    line->setFocus();
    form->resize(form->width() + 37, form->height());
    compare("wider");
    QPalette palette = line->palette();
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::Highlight, QColor(0xd0, 0x40, 0x40));
    line->setPalette(palette);
    compare("another palette");
    QApplication::setCursorFlashTime(flash);
}
