#include "HistoryListFrm.h"

#include "CalcResultViewer.h"
#include "CalcResultViewerWidget.h"

#include <QListView>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// A viewer set up as a history row's: the record's display mode, digits and
// grouping, no Eng shift (the record keeps none), 14 pixels regular.
QString RecordValueText(const TExpressionHistory& Record) {
    if (Record.ExpressionText().isEmpty()) return QString(); // a cleared record shows nothing
    TCalcResultViewer viewer;
    viewer.SetIsGroupingSeparator(Record.IsGroupingSeparator());
    viewer.SetViewMode(Record.ViewMode());
    viewer.SetDigitNumber(Record.DigitNumber());
    viewer.SetValue(Record.Value());
    return viewer.DisplayText();
}

} // namespace

// ---------------------------------------------------------------------------------

void THistoryListModel::SetRecords(const TExpressionHistoryList* Records) {
    FRecords = Records;
    Refresh();
}

void THistoryListModel::SetCount(int Count) {
    beginResetModel();
    FCount = std::max(Count, 0);
    endResetModel();
}

void THistoryListModel::Refresh() {
    if (FCount > 0) emit dataChanged(index(0), index(FCount - 1));
}

const TExpressionHistory* THistoryListModel::Record(int Row) const {
    if (!FRecords || Row < 0 || Row >= FCount) return nullptr;
    const int n = int(FRecords->size());
    if (Row >= n) return nullptr;
    return (*FRecords)[std::size_t(n - 1 - Row)].get();
}

int THistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FCount;
}

QVariant THistoryListModel::data(const QModelIndex& index, int role) const {
    const TExpressionHistory* r = Record(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return r ? r->ExpressionText() : QString();
    case ValueTextRole:
        return r ? RecordValueText(*r) : QString();
    case HasRecordRole:
        return r != nullptr;
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------

void THistoryItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QRect r = option.rect;
    painter->save();
    if (option.state & QStyle::State_Selected) {
        QColor c = option.palette.color(QPalette::Active, QPalette::Highlight);
        c.setAlpha(60); // a light tint keeps the texts readable
        painter->fillRect(r, c);
    }

    QFont f = option.font;
    f.setPixelSize(FontPixels);
    f.setBold(false);
    f.setItalic(false);
    const QString expression = index.data(Qt::DisplayRole).toString();
    if (!expression.isEmpty()) {
        const QRect label(r.left() + Margin, r.top(), r.width() - 2 * Margin, LabelHeight);
        painter->setFont(f);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QFontMetrics(f).elidedText(expression, Qt::ElideRight, label.width()));
    }
    const QString value = index.data(THistoryListModel::ValueTextRole).toString();
    if (!value.isEmpty()) {
        // the viewer fills the rest above the line; its text stands 5 inside it
        const QRect viewer(r.left(), r.top() + LabelHeight, r.width() - Margin, r.height() - LabelHeight - 1);
        const QRect text = viewer.adjusted(0, TCalcResultViewerWidget::VerticalInset, 0,
                                           -TCalcResultViewerWidget::VerticalInset);
        DrawResultText(*painter, text, value, f, option.palette.color(QPalette::Text));
    }
    painter->setPen(option.palette.color(QPalette::Midlight));
    painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter->restore();
}

QSize THistoryItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    // no width of its own: a row takes the list's width, whatever the list's
    // width was when the rows were first laid out
    return {0, RowHeight};
}

// ---------------------------------------------------------------------------------

THistoryListFrame::THistoryListFrame(QWidget* parent)
    : QFrame(parent), FListBox(new QListView(this)), FModel(new THistoryListModel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FListBox);

    FListBox->setObjectName(QStringLiteral("ListBox"));
    FListBox->setModel(FModel);
    FListBox->setItemDelegate(new THistoryItemDelegate(FListBox));
    // every row is as high as the others: a long history costs nothing to lay out
    FListBox->setUniformItemSizes(true);
    FListBox->setFocusPolicy(Qt::NoFocus);
    // the highlight is the calculator's, not the mouse's
    FListBox->setSelectionMode(QAbstractItemView::NoSelection);
    FListBox->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // a row never needs more than the list's width: its texts are elided or shrunk
    FListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FListBox->setFrameShape(QFrame::NoFrame);
    connect(FListBox, &QListView::clicked, this, [this](const QModelIndex& i) { ListItemClick(i.row()); });
}

void THistoryListFrame::SetExpressionHistorys(const TExpressionHistoryList* Value) {
    FModel->SetRecords(Value);
}

void THistoryListFrame::CreateListBox(int Count) {
    FModel->SetCount(Count);
    UpdateHistory();
}

void THistoryListFrame::UpdateHistory() {
    if (!FModel->Records()) return;
    FModel->Refresh();
}

void THistoryListFrame::SetSelectedRow(int Row) {
    if (Row == SelectedRow()) return;
    QItemSelectionModel* s = FListBox->selectionModel();
    if (Row < 0 || Row >= FModel->rowCount()) {
        s->clearSelection();
        return;
    }
    const QModelIndex i = FModel->index(Row);
    s->select(i, QItemSelectionModel::ClearAndSelect);
    FListBox->scrollTo(i);
}

int THistoryListFrame::SelectedRow() const {
    const QModelIndexList rows = FListBox->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void THistoryListFrame::ListItemClick(int Row) {
    if (Row < 0 || Row >= FModel->rowCount()) return;
    if (const TExpressionHistory* r = FModel->Record(Row)) FExpressionText = r->ExpressionText();
    if (!FOnClickList) return;
    const int last = FModel->Records() ? int(FModel->Records()->size()) - 1 : -1;
    FOnClickList(Row <= last ? last - Row : -1);
}
