#pragma once

#include "ExpressionHistory.h"

#include <QAbstractListModel>
#include <QFrame>
#include <QStyledItemDelegate>

#include <functional>

class QListView;

// The history rows as a model: Count rows, row 0 the newest record, rows below
// the last record empty. It keeps no copy of the records; it reads the list it
// is lent at every request.
class THistoryListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum TRole {
        // the formatted value, in the record's own display mode (empty for none)
        ValueTextRole = Qt::UserRole + 1,
        // whether the row shows a record
        HasRecordRole,
    };

    explicit THistoryListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void SetRecords(const TExpressionHistoryList* Records);
    const TExpressionHistoryList* Records() const { return FRecords; }
    // Rebuilds the list with Count rows.
    void SetCount(int Count);
    // Every row is to be drawn again from the records.
    void Refresh();
    // The record row Row shows, or null.
    const TExpressionHistory* Record(int Row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const TExpressionHistoryList* FRecords = nullptr;
    int FCount = 0;
};

// Draws one history row: the expression at the top, the value under it on the
// right in the record's own display mode, a light grey line at the bottom.
class THistoryItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 41;
    static constexpr int LabelHeight = 19;
    static constexpr int Margin = 5;
    static constexpr int FontPixels = 14;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The input history under the result: one row per place of the history, newest
// first. A click on a row reports which record it shows.
class THistoryListFrame : public QFrame {
    Q_OBJECT

public:
    // Index: the clicked record's position in the list (0 = oldest), or -1 for a
    // row without a record.
    using THistoryListClickEvent = std::function<void(int Index)>;

    explicit THistoryListFrame(QWidget* parent = nullptr);

    QListView* ListBox() const { return FListBox; }
    THistoryListModel* Model() const { return FModel; }

    const TExpressionHistoryList* ExpressionHistorys() const { return FModel->Records(); }
    void SetExpressionHistorys(const TExpressionHistoryList* Value);
    const THistoryListClickEvent& OnClickList() const { return FOnClickList; }
    void SetOnClickList(THistoryListClickEvent Value) { FOnClickList = std::move(Value); }
    // The expression of the last clicked row that showed a record.
    const QString& ExpressionText() const { return FExpressionText; }

    // Count empty rows, then filled from the records.
    void CreateListBox(int Count);
    // Draws the rows again from the records.
    void UpdateHistory();
    // Highlights Row (-1: none) and scrolls it into view.
    void SetSelectedRow(int Row);
    int SelectedRow() const;

    // What a click on row Row does.
    void ListItemClick(int Row);

private:
    QListView* FListBox;
    THistoryListModel* FModel;
    THistoryListClickEvent FOnClickList;
    QString FExpressionText;
};
