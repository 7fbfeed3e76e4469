#include "HistoryListFrm.h"

#include <QListView>
#include <QTest>

#include <gtest/gtest.h>
#include <vector>

namespace {

std::unique_ptr<TExpressionHistory> record(const QString& text, double value, TResultViewType mode = vtNormal,
                                           int digits = 0, bool grouping = false) {
    auto r = std::make_unique<TExpressionHistory>();
    r->SetExpressionText(text);
    r->SetValue(value);
    r->SetViewMode(mode);
    r->SetDigitNumber(digits);
    r->SetIsGroupingSeparator(grouping);
    return r;
}

// A frame with its rows, shown so that rows can be clicked.
struct Frame {
    explicit Frame(int rows) {
        frame.SetExpressionHistorys(&records);
        frame.SetOnClickList([this](int index) { clicks.push_back(index); });
        frame.resize(374, 300);
        frame.CreateListBox(rows);
        frame.show();
    }
    QString text(int row, int role = Qt::DisplayRole) const {
        return frame.Model()->data(frame.Model()->index(row), role).toString();
    }
    void click(int row) {
        QListView* list = frame.ListBox();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(frame.Model()->index(row)).center());
    }

    TExpressionHistoryList records;
    THistoryListFrame frame;
    std::vector<int> clicks;
};

} // namespace

TEST(HistoryListFrame, RowsShowRecordsNewestFirstAndClicksReportRecordIndexes) {
    Frame f(5);
    f.records.push_back(record(QStringLiteral("1+1"), 2));
    f.records.push_back(record(QStringLiteral("2*3"), 6));
    f.frame.UpdateHistory();

    EXPECT_EQ(f.frame.Model()->rowCount(), 5);
    EXPECT_EQ(f.text(0), "2*3");
    EXPECT_EQ(f.text(0, THistoryListModel::ValueTextRole), "6");
    EXPECT_EQ(f.text(1), "1+1");
    for (int row = 2; row < 5; ++row) {
        EXPECT_EQ(f.text(row), "");
        EXPECT_EQ(f.text(row, THistoryListModel::ValueTextRole), "");
    }
    EXPECT_EQ(f.frame.ListBox()->visualRect(f.frame.Model()->index(1)).height(), 41);

    f.click(3);
    f.click(0);
    f.click(1);
    EXPECT_EQ(f.clicks, (std::vector<int>{-1, 1, 0}));
    EXPECT_EQ(f.frame.ExpressionText(), "1+1");
}

TEST(HistoryListFrame, EachRowShowsItsValueInItsOwnDisplayMode) {
    struct Case {
        const char* name;
        TResultViewType mode;
        int digits;
        bool grouping;
        double value;
        const char* shown;
    };
    const Case cases[] = {
        {"Fix 3 with grouping", vtFix, 3, true, 1234.5678, "1,234.568"},
        {"Fix 0, as read back from the file", vtFix, 0, false, 1234.5678, "1235"},
        {"Normal", vtNormal, 0, false, 2.0 / 3, "0.666666667"},
        {"Eng without its shift", vtEng, 0, false, 1234.5678, "1234.5678E0"},
        {"Hex", vtHex, 0, false, 255, "0xFF"},
    };
    Frame f(int(std::size(cases)));
    for (const Case& c : cases)
        f.records.insert(f.records.begin(),
                         record(QString::fromLatin1(c.name), c.value, c.mode, c.digits, c.grouping));
    f.frame.UpdateHistory();
    for (int row = 0; row < int(std::size(cases)); ++row)
        EXPECT_EQ(f.text(row, THistoryListModel::ValueTextRole), QString::fromLatin1(cases[row].shown))
            << cases[row].name;
}

TEST(HistoryListFrame, AClearedRecordShowsNothing) {
    Frame f(3);
    f.records.push_back(record(QStringLiteral("5+5"), 10));
    f.records.back()->Clear();
    f.frame.UpdateHistory();
    EXPECT_EQ(f.text(0), "");
    EXPECT_EQ(f.text(0, THistoryListModel::ValueTextRole), "");
}

TEST(HistoryListFrame, EmptyRowsCostNoWidgets) {
    Frame small(10);
    const auto widgets = small.frame.findChildren<QWidget*>().size();
    Frame large(100000);
    EXPECT_EQ(large.frame.findChildren<QWidget*>().size(), widgets);
    EXPECT_EQ(large.frame.Model()->rowCount(), 100000);
}

TEST(HistoryListFrame, TheHighlightIsTheOwnersNotTheMouses) {
    Frame f(4);
    f.records.push_back(record(QStringLiteral("1"), 1));
    f.records.push_back(record(QStringLiteral("2"), 2));
    f.frame.UpdateHistory();
    f.frame.SetSelectedRow(1);
    f.click(0);
    EXPECT_EQ(f.frame.SelectedRow(), 1);
    f.frame.SetSelectedRow(-1);
    EXPECT_EQ(f.frame.SelectedRow(), -1);
}
