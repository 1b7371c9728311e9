// Statistics › Clients: a report of the command line shown as a table of values, each
// column sorting by its numbers rather than by its text.
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "message/DecodedMessage.hpp"
#include "reports/ClientColumns.hpp"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gui {
namespace {

// A cell that sorts by its number (a count, or milliseconds; none sorts first).
class NumberItem : public QTableWidgetItem {
public:
    NumberItem(const QString& text, double number) : QTableWidgetItem(text), number_(number) {
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const auto* number = dynamic_cast<const NumberItem*>(&other);
        return number ? number_ < number->number_ : QTableWidgetItem::operator<(other);
    }

private:
    double number_;
};

QTableWidgetItem* cell(const analysis::ClientColumn::Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return new QTableWidgetItem(QString::fromStdString(*text));
    if (const auto* count = std::get_if<std::uint64_t>(&value))
        return new NumberItem(QString::number(*count), static_cast<double>(*count));
    const auto& milliseconds = std::get<std::optional<double>>(value);
    return milliseconds ? new NumberItem(QString::number(*milliseconds, 'f', 3), *milliseconds)
                        : new NumberItem("-", -1);
}

} // namespace

std::optional<analysis::ClientStatistics> MainWindow::computeClients() {
    analysis::ClientStatistics clients;
    analysis::RequestMatcher exchanges;
    std::optional<std::vector<bool>> shown;
    if (model_->filtered())
        shown = shownPositions();
    const bool done = decodeAll(
        [&](const analysis::DecodedMessage* decoded) {
            if (!decoded)
                return;
            // The NAS's name is among the session facts.
            const auto& facts = decoded->facts({false, true});
            clients.addMessage(facts, exchanges.track(facts.origin, facts.code, facts.identifier,
                                                      [](const analysis::ExchangeKey&) {}));
        },
        shown ? &*shown : nullptr);
    if (!done)
        return std::nullopt;
    return clients;
}

void MainWindow::showClients() {
    const auto clients = computeClients();
    if (!clients)
        return;
    auto rows = clients->perClient();
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row.client.text());
    if (clients->others().requests > 0 || clients->others().answered > 0) {
        rows.push_back(clients->others());
        names.push_back("others (past the first " + std::to_string(clients->capacity()) + ")");
    }
    const auto columns = analysis::clientColumns();
    QDialog dialog(this);
    dialog.setWindowTitle("RADIUS Clients");
    auto* layout = new QVBoxLayout(&dialog);
    auto* counted = new QLabel(countedText(), &dialog);
    counted->setObjectName("counted");
    layout->addWidget(counted);
    auto* table =
        new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(columns.size()), &dialog);
    table->setObjectName("clients");
    QStringList headings;
    for (const auto& column : columns)
        headings << column.heading;
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < columns.size(); ++c)
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           cell(columns[c].value(rows[r], names[r])));
    // The report's own order (by address) until a heading is clicked.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(close);
    dialog.resize(std::max(640, table->horizontalHeader()->length() + 40), 360);
    if (onStatistics)
        onStatistics(dialog);
    else
        dialog.exec();
}

} // namespace gui
