#include "AuthenticationsDialog.hpp"

#include <QDateTime>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace gui {

namespace {

// A cell that shows text and sorts by its number.
class NumberItem : public QTableWidgetItem {
public:
    NumberItem(double number, const QString& text) : QTableWidgetItem(text) {
        setData(Qt::UserRole, number);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

} // namespace

AuthenticationsDialog::AuthenticationsDialog(
    std::vector<analysis::Authentication> rows,
    std::function<void(const std::vector<std::uint64_t>&)> show, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)) {
    setWindowTitle("Authentications");
    auto* layout = new QVBoxLayout(this);
    const QStringList titles = {"Frame",     "Start",  "Client",       "Calling-Station-Id",
                                "User-Name", "Method", "Rounds",       "Duration (s)",
                                "Outcome",   "TLS",    "Cipher Suite", "Reason"};
    table_ =
        new QTableWidget(static_cast<int>(rows_.size()), static_cast<int>(titles.size()), this);
    table_->setObjectName("authentications");
    table_->setHorizontalHeaderLabels(titles);
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const auto& a = rows_[static_cast<std::size_t>(r)];
        QString method = QString::fromStdString(a.method);
        for (const auto& refused : a.nakedMethods)
            method += " (refused " + QString::fromStdString(refused) + ")";
        const QString cells[] = {QString::number(a.firstFrame),
                                 QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(a.start * 1000))
                                     .toString("yyyy-MM-dd hh:mm:ss.zzz"),
                                 QString::fromStdString(a.client.text()),
                                 QString::fromStdString(a.callingStationId),
                                 QString::fromStdString(a.userName),
                                 method,
                                 QString::number(a.rounds),
                                 QString::number(a.end - a.start, 'f', 6),
                                 QString::fromStdString(a.outcome),
                                 QString::fromStdString(a.tlsVersion),
                                 QString::fromStdString(a.tlsCipherSuite),
                                 QString::fromStdString(a.reason)};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            QTableWidgetItem* item =
                c == 0   ? new NumberItem(static_cast<double>(a.firstFrame), cells[c])
                : c == 6 ? new NumberItem(a.rounds, cells[c])
                : c == 7 ? new NumberItem(a.end - a.start, cells[c])
                         : new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole + 1, r); // the row's authentication, after sorting
            item->setToolTip(cells[c]);         // a long reason is read whole on hover
            if (a.outcome != "Access-Accept")
                item->setForeground(Qt::red);
            table_->setItem(r, c, item);
        }
    }
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    // Wide enough for every column's text, up to a screen's width.
    resize(std::min(1800, table_->horizontalHeader()->length() + 60), 420);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this, show] {
        const auto selected = table_->selectedItems();
        if (selected.isEmpty())
            return;
        const auto row = selected.front()->data(Qt::UserRole + 1).toInt();
        show(rows_[static_cast<std::size_t>(row)].frames);
    });
    layout->addWidget(table_);
}

} // namespace gui
