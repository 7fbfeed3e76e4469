#pragma once

#include <QFrame>
#include <QListWidget>
#include <QStringList>

// The list box of the recorded expressions. Up and Down move within the list
// while it has the focus (the window's history keys do not take them), and
// Alt+Up / Alt+Down ask for the selected item to be moved.
class TExpressionRecordListBox : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

    // Three rows: the fewest with which the list and its scroll arrows can be used.
    int MinimumHeight() const;

signals:
    // Alt+Up (-1) or Alt+Down (+1); the key is consumed.
    void MoveRequested(int Delta);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // the list shows that it has the focus by an outline in the highlight colour
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

// The user's recorded expressions, one plain string per item. The frame keeps
// no list of its own: its owner sets the items and the selection and hears of
// what the user does.
class TExpressionRecordFrame : public QFrame {
    Q_OBJECT

public:
    explicit TExpressionRecordFrame(QWidget* parent = nullptr);

    TExpressionRecordListBox* ListBox() const { return FListBox; }
    // Shows Items (nothing happens when they are already shown).
    void SetItems(const QStringList& Items);
    QStringList Items() const;
    // Selects Row, -1 for none, without reporting it back.
    void SetSelectedRow(int Row);
    int SelectedRow() const { return FListBox->currentRow(); }

signals:
    // The user selected Row (-1: none).
    void SelectionChanged(int Row);
    void MoveRequested(int Delta);
    void DoubleClicked();

private:
    TExpressionRecordListBox* FListBox;
    bool FSetting = false; // the owner is setting items or selection
};
