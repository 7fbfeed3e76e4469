#include "WindowFixture.h"

#include "ExpressionRecordFrm.h"
#include "HistoryListFrm.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

namespace {

QString rowText(TMainForm& f, int row, int role = Qt::DisplayRole) {
    const THistoryListModel* m = f.HistoryListFrame->Model();
    return m->data(m->index(row), role).toString();
}

void clickRow(TMainForm& f, int row) {
    QListView* list = f.HistoryListFrame->ListBox();
    const QRect r = list->visualRect(list->model()->index(row, 0));
    ASSERT_TRUE(r.isValid()) << "row " << row << " is not on screen";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// Opens a popup from its button and returns it, open.
QMenu* openPopup(QToolButton* button, QMenu* popup) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([popup] { return popup->isVisible(); }, 2000));
    return popup;
}

void clickItem(QMenu* menu, QAction* item) {
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

} // namespace

TEST_F(WindowTest, LaysOutItsFiveRows) {
    EXPECT_EQ(form->windowTitle(), "Korvex");
    EXPECT_EQ(form->size(), QSize(374, 382));
    EXPECT_EQ(form->MenuPanel->height(), 20);
    EXPECT_EQ(edit()->height(), 30);
    EXPECT_EQ(form->CalcResultPanel->height(), 35);
    EXPECT_EQ(form->HistoryPanel->geometry().bottom(), form->height() - 1);
    EXPECT_EQ(form->AngleModeBtn->size(), QSize(45, 18));
    EXPECT_FALSE(form->MBtn->isVisible());
    EXPECT_FALSE(form->CustomBtn->isVisible());
    EXPECT_FALSE(form->CalcModeLabel->isVisible());
    EXPECT_FALSE(form->ExpressionRecordFrame->isVisible());
    EXPECT_EQ(shown(), "0");
}

TEST_F(WindowTest, TypingAndEnterShowTheValueWithTheLineSelected) {
    type("2+3");
    EXPECT_EQ(edit()->text(), "2+3");
    EXPECT_EQ(calc().InputLine().Text, "2+3");
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "5");
    EXPECT_EQ(edit()->selectedText(), "2+3");
    EXPECT_EQ(rowText(*form, 0), "2+3");

    type("7"); // a calculated line is replaced by what is typed
    EXPECT_EQ(edit()->text(), "7");
    key(Qt::Key_Enter); // the keypad's Enter too
    EXPECT_EQ(shown(), "7");

    enter("1+");
    EXPECT_EQ(shown(), "Syntax error");
    EXPECT_EQ(edit()->text(), "1+"); // a failed line keeps its text
}

TEST_F(WindowTest, AnOperatorTypedAfterAResultContinuesFromAns) {
    struct Case {
        const char16_t* after; // what is typed after 2+3 Enter
        bool viaInputMethod;
        const char16_t* line;
        const char16_t* value;
    };
    const Case cases[] = {
        // which characters continue is the calculator's; here they come as keys
        // and from an input method
        {u"+1", false, u"ANS+1", u"6"},
        {u"＋１", true, u"ANS＋１", u"6"}, // a full-width operator from an input method
        {u"7", false, u"7", u"7"},         // any other character replaces the line
    };
    for (const Case& c : cases) {
        const QString after = QString::fromUtf16(c.after);
        key(Qt::Key_Escape);
        enter("2+3");
        if (c.viaInputMethod)
            commit(after);
        else
            type(after);
        EXPECT_EQ(edit()->text(), QString::fromUtf16(c.line)) << after.toStdString();
        key(Qt::Key_Return);
        EXPECT_EQ(shown(), QString::fromUtf16(c.value)) << after.toStdString();
    }
}

TEST_F(WindowTest, AnInputMethodCommitIsTypedAndItsCompositionIsNot) {
    QInputMethodEvent composing(QStringLiteral("じゅう"), {});
    QApplication::sendEvent(edit(), &composing);
    EXPECT_EQ(calc().InputLine().Text, "");

    commit(QStringLiteral("１２×３"));
    EXPECT_EQ(edit()->text(), "１２×３");
    EXPECT_EQ(calc().InputLine().Text, "１２×３");
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "36");
    EXPECT_EQ(rowText(*form, 0), "１２×３"); // the history keeps the text as typed
}

TEST_F(WindowTest, CaretKeysRightAfterAResult) {
    struct Case {
        Qt::Key key;
        int caret;
    };
    // Left goes to the end and Right to the start
    const Case cases[] = {{Qt::Key_Left, 5}, {Qt::Key_Right, 0}, {Qt::Key_Home, 0}, {Qt::Key_End, 5}};
    for (const Case& c : cases) {
        key(Qt::Key_Escape);
        enter("12+34");
        key(c.key);
        EXPECT_FALSE(edit()->hasSelectedText()) << c.key;
        EXPECT_EQ(edit()->cursorPosition(), c.caret) << c.key;
        EXPECT_EQ(calc().InputLine().Caret, c.caret) << c.key;
        EXPECT_FALSE(calc().GetIsCalc()) << c.key;
    }
    // while editing, the keys move the caret as usual
    key(Qt::Key_Escape);
    type("123");
    key(Qt::Key_Left);
    EXPECT_EQ(edit()->cursorPosition(), 2);
    EXPECT_EQ(calc().InputLine().Caret, 2);
}

TEST_F(WindowTest, TheLineEditsOwnEditingReachesTheCalculator) {
    type("1234");
    key(Qt::Key_Backspace);
    EXPECT_EQ(calc().InputLine().Text, "123");
    key(Qt::Key_Home, Qt::NoModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(calc().InputLine().Text, "23");

    key(Qt::Key_End, Qt::ShiftModifier); // selects everything after the caret
    EXPECT_EQ(calc().InputLine().SelLength, 2);
    type("9"); // replaces the selection
    EXPECT_EQ(edit()->text(), "9");

    QGuiApplication::clipboard()->setText(QStringLiteral("*5"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(calc().InputLine().Text, "9*5");
    EXPECT_EQ(calc().InputLine().Caret, 3);
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "45");

    // a mouse press ends the just-calculated state: + is then typed, not ANS+
    QTest::mouseClick(edit(), Qt::LeftButton, {}, QPoint(5, edit()->height() / 2));
    EXPECT_FALSE(calc().GetIsCalc());
    key(Qt::Key_End);
    type("+");
    EXPECT_EQ(edit()->text(), "9*5+");
}

TEST_F(WindowTest, EscClearsTheLineTheResultAndTheGrandTotal) {
    enter("7*6");
    ASSERT_EQ(calc().GetVarGT(), 42);
    key(Qt::Key_Escape);
    EXPECT_EQ(edit()->text(), "");
    EXPECT_EQ(shown(), "0");
    EXPECT_EQ(calc().GetVarGT(), 0);
    EXPECT_EQ(calc().GetAns(), 42);
}

TEST_F(WindowTest, UpAndDownWalkTheHistory) {
    key(Qt::Key_Down); // no records: nothing happens
    EXPECT_EQ(edit()->text(), "");

    enter("1+1");
    enter("2+2");
    enter("3+3");
    struct Step {
        Qt::Key key;
        const char* line;
        const char* value;
        int row;
    };
    const Step steps[] = {
        {Qt::Key_Down, "2+2", "4", 1}, {Qt::Key_Down, "1+1", "2", 2}, {Qt::Key_Down, "1+1", "2", 2},
        {Qt::Key_Up, "2+2", "4", 1},   {Qt::Key_Up, "3+3", "6", 0},   {Qt::Key_Up, "3+3", "6", 0},
    };
    for (const Step& s : steps) {
        key(s.key);
        EXPECT_EQ(edit()->text(), s.line);
        EXPECT_EQ(edit()->selectedText(), s.line);
        EXPECT_EQ(shown(), s.value);
        EXPECT_EQ(form->HistoryListFrame->SelectedRow(), s.row);
    }
}

TEST_F(WindowTest, MemoryKeysAndTheMButton) {
    enter("5");
    key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(form->MBtn->isVisible());
    EXPECT_EQ(form->MBtn->text(), "M=5");

    QTest::mouseClick(form->MBtn, Qt::LeftButton); // recalls M into the line
    EXPECT_EQ(edit()->text(), "M");
    EXPECT_EQ(QApplication::focusWidget(), edit());
    type("*3");
    key(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier); // calculates first: M - 15
    EXPECT_EQ(shown(), "15");
    EXPECT_EQ(form->MBtn->text(), "M=-10");

    key(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_FALSE(form->MBtn->isVisible());
}

TEST_F(WindowTest, TheResultPopupMarksTheChosenMode) {
    enter("1/3");
    QMenu* popup = openPopup(form->ResultModeBtn, form->ResultPopup);
    EXPECT_TRUE(form->NormalAction->isChecked());
    popup->close();

    form->FixActions[3]->trigger();
    EXPECT_EQ(form->ResultModeBtn->text(), "Fix3");
    EXPECT_EQ(shown(), "0.333");
    form->DigitGroupingSeparatorAction->trigger();

    openPopup(form->ResultModeBtn, form->ResultPopup);
    EXPECT_FALSE(form->NormalAction->isChecked());
    for (QAction* a : form->FixActions)
        EXPECT_EQ(a->isChecked(), a == form->FixActions[3]) << a->text().toStdString();
    for (QAction* a : form->SciActions)
        EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(form->DigitGroupingSeparatorAction->isChecked());

    clickItem(popup, form->NormalAction); // a real click on the menu item
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(form->ResultModeBtn->text(), "Norm");
    EXPECT_EQ(shown(), "0.333333333");
    EXPECT_EQ(calc().GetRoundDecimal(), 3); // Normal keeps the digits

    // a typed mode without a menu entry marks no mode item
    enter("@ENG-3");
    EXPECT_EQ(form->ResultModeBtn->text(), "Eng-3");
    openPopup(form->ResultModeBtn, form->ResultPopup);
    EXPECT_FALSE(form->NormalAction->isChecked());
    for (QAction* a : form->FixActions)
        EXPECT_FALSE(a->isChecked());
}

TEST_F(WindowTest, TheAnglePopupMarksTheAngleMode) {
    QMenu* popup = openPopup(form->AngleModeBtn, form->AnglePopup);
    EXPECT_TRUE(form->DegAction->isChecked());
    EXPECT_EQ(popup->pos(), form->AngleModeBtn->mapToGlobal(QPoint(0, form->AngleModeBtn->height())));
    clickItem(popup, form->RadAction);
    EXPECT_EQ(form->AngleModeBtn->text(), "Rad");
    EXPECT_EQ(QApplication::focusWidget(), edit());

    openPopup(form->AngleModeBtn, form->AnglePopup);
    EXPECT_FALSE(form->DegAction->isChecked());
    EXPECT_TRUE(form->RadAction->isChecked());
    EXPECT_FALSE(form->GradAction->isChecked());
    popup->close();
    enter("sin(pi/2)");
    EXPECT_EQ(shown(), "1");
}

TEST_F(WindowTest, CopyPutsTheShownValueOnTheClipboard) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    enter("1/4");
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(), "0.25");
    EXPECT_FALSE(edit()->hasSelectedText());
    EXPECT_EQ(edit()->cursorPosition(), 3);

    form->FixActions[1]->trigger(); // the value in the shown mode
    QTest::mouseClick(form->CopyBtn, Qt::LeftButton);
    EXPECT_EQ(clipboard->text(), "0.3");
    EXPECT_EQ(QApplication::focusWidget(), edit());

    // a message, or a value that is not the line's, is no answer: nothing is copied
    clipboard->setText(QStringLiteral("kept"));
    enter("1+");
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(), "kept");
    calc().SetIsRealTimeCalc(true);
    key(Qt::Key_Escape);
    type("2");
    settle();
    type("+");
    settle();
    ASSERT_EQ(shown(), "2.0");
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(), "kept");
    EXPECT_EQ(edit()->cursorPosition(), 2); // the line is left as it was
}

TEST_F(WindowTest, TheHistoryListShowsRecordsNewestFirstAndRecallsAClickedRow) {
    enter("1+1");
    enter("2*3");
    EXPECT_EQ(form->HistoryListFrame->Model()->rowCount(), 10);
    EXPECT_EQ(rowText(*form, 0), "2*3");
    EXPECT_EQ(rowText(*form, 0, THistoryListModel::ValueTextRole), "6");
    EXPECT_EQ(rowText(*form, 1), "1+1");
    EXPECT_EQ(rowText(*form, 2), "");
    EXPECT_EQ(form->HistoryListFrame->SelectedRow(), 0);

    clickRow(*form, 1);
    EXPECT_EQ(edit()->text(), "1+1");
    EXPECT_EQ(edit()->selectedText(), "1+1");
    EXPECT_EQ(shown(), "2");
    EXPECT_EQ(QApplication::focusWidget(), edit());

    type("5");
    clickRow(*form, 4); // a row without a record does nothing
    EXPECT_EQ(edit()->text(), "5");

    // a row keeps the display mode it was recorded in
    form->FixActions[3]->trigger();
    form->DigitGroupingSeparatorAction->trigger();
    edit()->clear();
    enter("1234.5678");
    form->NormalAction->trigger();
    EXPECT_EQ(rowText(*form, 0, THistoryListModel::ValueTextRole), "1,234.568");
    clickRow(*form, 0); // the mode button names the mode the row's value shows in
    EXPECT_EQ(shown(), "1,234.568");
    EXPECT_EQ(form->ResultModeBtn->text(), "Fix3");
    form->NormalAction->trigger(); // until the window's own choice is back
    EXPECT_EQ(shown(), "1,234.5678");
    EXPECT_EQ(form->ResultModeBtn->text(), "Norm");

    // a click takes the row's angle mode
    form->RadAction->trigger();
    enter("1");
    form->DegAction->trigger();
    clickRow(*form, 0);
    EXPECT_EQ(form->AngleModeBtn->text(), "Rad");
    EXPECT_EQ(calc().GetAngleMode(), atRad);
}

TEST_F(WindowTest, TheHistoryPopupListsNewestFirstAndRecalls) {
    enter("1+1");
    enter("2/0"); // a failed calculation is not recorded
    key(Qt::Key_Escape);
    enter("3+3");
    key(Qt::Key_Down, Qt::ControlModifier);
    QMenu* popup = form->HistoryPopup;
    ASSERT_TRUE(QTest::qWaitFor([popup] { return popup->isVisible(); }, 2000));
    EXPECT_EQ(popup->pos(), edit()->mapToGlobal(QPoint(0, edit()->height())));
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "3+3");
    EXPECT_EQ(items[1]->text(), "1+1");
    clickItem(popup, items[1]);
    EXPECT_EQ(edit()->text(), "1+1");
    EXPECT_EQ(shown(), "2");
    EXPECT_EQ(form->HistoryListFrame->SelectedRow(), 1);
}

TEST_F(WindowTest, RecordedExpressionsAreAddedMovedRecalledAndDeleted) {
    TExpressionRecordFrame* frame = form->ExpressionRecordFrame;
    QListWidget* list = frame->ListBox();
    type("TAX;[]*1.1");
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_GE(list->viewport()->height(), 3 * list->sizeHintForRow(0)); // three rows show from the start
    key(Qt::Key_Escape);
    type("2+2");
    key(Qt::Key_S, Qt::ControlModifier);
    key(Qt::Key_S, Qt::ControlModifier); // the same text again stays one item
    EXPECT_EQ(frame->Items(), QStringList({"2+2", "TAX;[]*1.1"}));
    EXPECT_EQ(list->currentRow(), 0);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(calc().RecordExpressions(), QStringList({"TAX;[]*1.1", "2+2"}));
    EXPECT_EQ(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Up); // moves the selection, not through the history
    EXPECT_EQ(calc().RecordExpressionSelected(), 0);
    EXPECT_EQ(edit()->text(), "2+2");

    const QRect item = list->visualItemRect(list->item(0));
    // a real double-click: a click, then the press that makes it double
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(edit()->text(), "[]*1.1");
    EXPECT_FALSE(edit()->hasSelectedText());
    EXPECT_EQ(edit()->cursorPosition(), 6);
    EXPECT_EQ(QApplication::focusWidget(), edit());

    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(frame->Items(), QStringList({"2+2"}));
    EXPECT_EQ(list->currentRow(), 0);
    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(WindowTest, TheCustomButtonAndCtrlEnter) {
    type("5");
    key(Qt::Key_Return, Qt::ControlModifier); // no custom button: nothing happens
    EXPECT_EQ(edit()->text(), "5");
    EXPECT_EQ(shown(), "0");

    edit()->clear();
    enter("@BUTTON=TAX:[]*1.1");
    EXPECT_TRUE(form->CustomBtn->isVisible());
    EXPECT_EQ(form->CustomBtn->text(), "TAX");
    EXPECT_EQ(form->CustomBtn->focusPolicy(), Qt::NoFocus);
    type("100");
    QTest::mouseClick(form->CustomBtn, Qt::LeftButton);
    EXPECT_EQ(shown(), "110");
    EXPECT_EQ(QApplication::focusWidget(), edit());
    key(Qt::Key_Escape);
    type("200");
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(shown(), "220");

    enter("@BUTTON=R&D:[]/2"); // an ampersand in the title is shown as typed
    EXPECT_EQ(form->CustomBtn->text(), "R&&D");
    key(Qt::Key_Escape);
    type("9");
    QTest::mouseClick(form->CustomBtn, Qt::LeftButton);
    EXPECT_EQ(shown(), "4.5");
}

TEST_F(WindowTest, TheEmbeddedButtonsNeverTakeTheFocus) {
    type("12");
    QTest::mouseClick(form->AcBtn, Qt::LeftButton);
    EXPECT_EQ(edit()->text(), "");
    EXPECT_EQ(QApplication::focusWidget(), edit());
    for (QToolButton* b : {form->HistoryBtn, form->AcBtn, form->CustomBtn, form->CopyBtn, form->MenuBtn})
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << b->objectName().toStdString();
    // the typed text never runs under the buttons
    EXPECT_GE(edit()->textMargins().right(), form->HistoryBtn->width() + form->AcBtn->width());
}

TEST_F(WindowTest, TheCalcLabelShowsWhileVariablesAreAskedFor) {
    enter("@CALC:A*B");
    EXPECT_TRUE(form->CalcModeLabel->isVisible());
    EXPECT_EQ(edit()->text(), "A = ");
    type("3");
    key(Qt::Key_Return);
    EXPECT_EQ(edit()->text(), "B = ");
    type("4");
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "12");
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->CalcModeLabel->isVisible());
}

TEST_F(WindowTest, TheMainMenuHoldsItsItemsInOrder) {
    QMenu* menu = openPopup(form->MenuBtn, form->MainPopup);
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, QStringList({"最前面に表示", "式記録", "式記録削除", "変数一覧", "-", "設定...",
                                  "Korvex ホームページ(&H)", "-", "バージョン情報"}));
    EXPECT_FALSE(form->TopMostAction->isChecked());
    clickItem(menu, form->TopMostAction);
    EXPECT_TRUE(calc().IsTopMost());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    openPopup(form->MenuBtn, form->MainPopup);
    EXPECT_TRUE(form->TopMostAction->isChecked());
    menu->close();

    key(Qt::Key_B, Qt::ControlModifier); // to the back: no longer on top
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(WindowTest, TheVariablesPopupListsAndInsertsNames) {
    QMenu* menu = openPopup(form->MenuBtn, form->MainPopup);
    EXPECT_FALSE(form->VariableListAction->isEnabled()); // nothing to list yet
    menu->close();

    enter("rate = 0.5");
    commit(QString::fromUtf16(u"\uFF41\uFF1D\uFF13")); // ａ＝３ from an input method
    key(Qt::Key_Return);
    enter("M = 2");
    clickItem(openPopup(form->MenuBtn, form->MainPopup), form->VariableListAction);
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->VariablePopup->isVisible(); }, 2000));
    QStringList texts;
    for (QAction* a : form->VariablePopup->actions())
        texts << a->text();
    EXPECT_EQ(texts, QStringList({"RATE = 0.5", "A = 3", "M = 2"}));

    // the name replaces the assignment left selected, and the line goes on from it
    clickItem(form->VariablePopup, form->VariablePopup->actions().at(0));
    EXPECT_EQ(edit()->text(), "RATE");
    EXPECT_EQ(QApplication::focusWidget(), edit());
    type("*");
    form->VariableListAction->trigger();
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->VariablePopup->isVisible(); }, 2000));
    clickItem(form->VariablePopup, form->VariablePopup->actions().at(1));
    EXPECT_EQ(edit()->text(), "RATE*A");
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "1.5");

    enter("@VARCL");
    EXPECT_TRUE(form->VariableListAction->isEnabled()); // M is still set
    key(Qt::Key_Escape);
    enter("M = 0");
    EXPECT_FALSE(form->VariableListAction->isEnabled());
}

TEST_F(WindowTest, EnterSelectsWhereTheLineFails) {
    enter("1+XYZ*2");
    EXPECT_EQ(shown(), "Syntax error");
    EXPECT_EQ(edit()->selectedText(), "XYZ");
    EXPECT_EQ(edit()->cursorPosition(), 5);
    type("3"); // typed over
    EXPECT_EQ(edit()->text(), "1+3*2");
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "7");

    key(Qt::Key_Escape);
    commit(QString::fromUtf16(u"\uFF12\u00D7\uFF08\uFF11\uFF0F\uFF10\uFF09")); // ２×（１／０）
    key(Qt::Key_Return);
    EXPECT_EQ(shown(), "Infinity error");
    EXPECT_EQ(edit()->selectedText(), QString::fromUtf16(u"\uFF08\uFF11\uFF0F\uFF10\uFF09"));
    EXPECT_EQ(edit()->cursorPosition(), 7);
}

TEST_F(WindowTest, ActionsCarryTheirTextsCategoriesAndShortcuts) {
    struct Row {
        const char* name;
        const char* category;
        const char* text;
        const char* shortcut;
    };
    const Row rows[] = {
        {"UpKeyAction", "Key", "UpKeyAction", "Up"},
        {"DownKeyAction", "Key", "DownKeyAction", "Down"},
        {"AboutAction", "MainMenu", "バージョン情報", ""},
        {"DegAction", "Angle", "Deg", ""},
        {"GradAction", "Angle", "Grad", ""},
        {"NormalAction", "Result", "Norm", ""},
        {"Fix9Action", "Result", "9", ""},
        {"Sci2Action", "Result", "2", ""},
        {"TopMostAction", "MainMenu", "最前面に表示", ""},
        {"AcAction", "Button", "AcAction", ""},
        {"CalcAction", "", "CalcAction", ""},
        {"HistoryBtnAction", "Button", "入力履歴", "Ctrl+Down"},
        {"CopyAction", "Button", "Copy", "Ctrl+Shift+C"},
        {"DigitGroupingSeparatorAction", "Result", "桁区切り", ""},
        {"MAction", "Button", "M", ""},
        {"MPlusAction", "Key", "MPlusAction", "Ctrl+M"},
        {"MMinusAction", "Key", "MMinusAction", "Ctrl+Shift+M"},
        {"MCLAction", "Key", "MCLAction", "Ctrl+Alt+Shift+M"},
        {"HomePageAction", "MainMenu", "Korvex ホームページ(&H)", ""},
        {"CalcCheckScriptAction", "Key", "", "Ctrl+Shift+F8"},
        {"SettingAction", "MainMenu", "設定...", "Ctrl+Shift+F12"},
        {"WindowPosBottomAction", "MainMenu", "背面に移動", "Ctrl+B"},
        {"RecordExpressionAction", "MainMenu", "式記録", "Ctrl+S"},
        {"DelRecordExpressionAction", "MainMenu", "式記録削除", "Ctrl+D"},
        {"VariableListAction", "MainMenu", "変数一覧", ""},
    };
    for (const Row& r : rows) {
        const auto* a = form->findChild<QAction*>(QString::fromLatin1(r.name));
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->property("category").toString(), QString::fromUtf8(r.category)) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(r.text)) << r.name;
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(r.shortcut))
            << r.name;
    }
    // a key that does nothing must not disturb the line
    type("1+2");
    key(Qt::Key_F8, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit()->text(), "1+2");
}

TEST_F(WindowTest, TheLivePreviewFollowsTyping) {
    calc().SetIsRealTimeCalc(true);
    struct Step {
        const char* typed;
        const char* shown;
        bool stale; // drawn dimmed: a value kept from an earlier text
    };
    // 12+ does not evaluate and keeps 12, nor does 12+3/0, which keeps 15
    const Step steps[] = {
        {"1", "1", false}, {"2", "12", false}, {"+", "12", true}, {"3", "15", false}, {"/0", "15", true},
    };
    for (const Step& s : steps) {
        type(QString::fromLatin1(s.typed));
        settle();
        EXPECT_EQ(shown(), QString::fromLatin1(s.shown)) << "after " << s.typed;
        EXPECT_EQ(form->CalcResultViewer->IsStale(), s.stale) << "after " << s.typed;
    }
    key(Qt::Key_Return); // Enter shows the message the preview kept quiet
    EXPECT_NE(shown(), "15");
    EXPECT_TRUE(calc().CalcResultViewer().IsError());

    key(Qt::Key_Escape);
    type("7*7");
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Backspace); // deleting everything shows 0
    settle();
    EXPECT_EQ(shown(), "0");
}

TEST_F(WindowTest, AfterABurstOfTypingTheNewestTextsValueShows) {
    calc().SetIsRealTimeCalc(true);
    // a deeply nested line is the slowest a preview gets; keys follow it
    // without waiting, each starting a preview of its own
    const QString slow = QString(1000, u'(') + QStringLiteral("1+1");
    for (int round = 0; round < 5; ++round) {
        key(Qt::Key_Escape);
        QGuiApplication::clipboard()->setText(slow);
        key(Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(calc().InputLine().Text, slow);
        type("+1+1");
        settle();
        EXPECT_EQ(shown(), "4") << round;
        key(Qt::Key_A, Qt::ControlModifier);
        type(QString::number(round + 5));
        settle();
        EXPECT_EQ(shown(), QString::number(round + 5)) << round;
    }
}

TEST_F(WindowTest, AFailedSaveAtCloseIsReported) {
    // the settings folder cannot be made: a file stands where it would go
    QFile blocker(config.path() + "/Halvoren");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString reported;
    QTimer::singleShot(0, [&reported] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            reported = box->findChild<QLabel*>("qt_msgbox_label")->text();
            box->close();
        }
    });
    form->close();
    EXPECT_TRUE(reported.startsWith("設定を保存できませんでした。")) << reported.toStdString();
}
