#include "ExpressionRecordFrm.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

bool IsUpDown(const QKeyEvent* k) {
    return k->key() == Qt::Key_Up || k->key() == Qt::Key_Down;
}

} // namespace

bool TExpressionRecordListBox::event(QEvent* e) {
    // Up and Down are the window's history keys; inside this list they move
    // the selection, with Alt they move the item
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers m = k->modifiers() & ~Qt::KeypadModifier;
        if (IsUpDown(k) && (m == Qt::NoModifier || m == Qt::AltModifier)) {
            e->accept();
            return true;
        }
    }
    return QListWidget::event(e);
}

void TExpressionRecordListBox::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    if (IsUpDown(e) && m == Qt::AltModifier) {
        emit MoveRequested(e->key() == Qt::Key_Up ? -1 : +1);
        e->accept();
        return;
    }
    QListWidget::keyPressEvent(e);
}

int TExpressionRecordListBox::MinimumHeight() const {
    const int row = std::max(sizeHintForRow(0), fontMetrics().height() + 4);
    return 3 * row + 2 * frameWidth();
}

void TExpressionRecordListBox::paintEvent(QPaintEvent* e) {
    QListWidget::paintEvent(e);
    if (!hasFocus()) return;
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
}

void TExpressionRecordListBox::focusInEvent(QFocusEvent* e) {
    QListWidget::focusInEvent(e);
    viewport()->update();
}

void TExpressionRecordListBox::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    viewport()->update();
}

TExpressionRecordFrame::TExpressionRecordFrame(QWidget* parent)
    : QFrame(parent), FListBox(new TExpressionRecordListBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FListBox);
    FListBox->setObjectName(QStringLiteral("ListBox"));
    FListBox->setFrameShape(QFrame::NoFrame);
    FListBox->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(FListBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FSetting) emit SelectionChanged(row);
    });
    connect(FListBox, &QListWidget::itemDoubleClicked, this, [this] { emit DoubleClicked(); });
    connect(FListBox, &TExpressionRecordListBox::MoveRequested, this, &TExpressionRecordFrame::MoveRequested);
}

void TExpressionRecordFrame::SetItems(const QStringList& Items) {
    if (Items == this->Items()) return;
    FSetting = true;
    FListBox->clear();
    FListBox->addItems(Items);
    FSetting = false;
}

QStringList TExpressionRecordFrame::Items() const {
    QStringList items;
    items.reserve(FListBox->count());
    for (int i = 0; i < FListBox->count(); ++i)
        items << FListBox->item(i)->text();
    return items;
}

void TExpressionRecordFrame::SetSelectedRow(int Row) {
    if (Row == FListBox->currentRow()) return;
    FSetting = true;
    if (Row >= 0 && Row < FListBox->count())
        FListBox->setCurrentRow(Row);
    else
        FListBox->setCurrentRow(-1);
    FSetting = false;
}
