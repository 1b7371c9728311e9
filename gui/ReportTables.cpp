// Statistics › Clients, Security and Sessions: reports of the command line shown as
// tables of values, each column sorting by its numbers rather than by its text.
#include "GuiHost.hpp"
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "message/DecodedMessage.hpp"
#include "reports/ReportColumns.hpp"

#include <QDialog>
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

QTableWidgetItem* cell(const analysis::ReportValue& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return new QTableWidgetItem(QString::fromStdString(*text));
    if (const auto* count = std::get_if<std::uint64_t>(&value))
        return new NumberItem(QString::number(*count), static_cast<double>(*count));
    const auto& milliseconds = std::get<std::optional<double>>(value);
    return milliseconds ? new NumberItem(QString::number(*milliseconds, 'f', 3), *milliseconds)
                        : new NumberItem("-", -1);
}

bool anyCounted(const analysis::ClientLatency& row) {
    return row.requests > 0 || row.answered > 0;
}
bool anyCounted(const analysis::ClientSecurity& row) {
    return row.messages > 0;
}

// The rows of a per-client report, the clients past its capacity last when there are any.
template <typename Row> struct ReportRows {
    std::vector<Row> rows;
    std::vector<std::string> labels;

    template <typename Statistics> explicit ReportRows(const Statistics& statistics) {
        rows = statistics.perClient();
        for (const auto& row : rows)
            labels.push_back(row.client.text());
        const auto& others = statistics.others();
        if (anyCounted(others)) {
            rows.push_back(others);
            labels.push_back("others (past the first " + std::to_string(statistics.capacity()) +
                             ")");
        }
    }
};

// A session's rows, ended ones first in the order they ended, then those still open, each
// with its terminate cause by name.
template <> struct ReportRows<analysis::SessionRow> {
    std::vector<analysis::SessionRow> rows;
    std::vector<std::string> labels;

    void add(const analysis::SessionRow& row, const analysis::AttributeDefinition* cause) {
        rows.push_back(row);
        std::string name;
        if (row.terminateCause) {
            const auto* known = cause ? cause->valueName(*row.terminateCause) : nullptr;
            name = known ? *known : std::to_string(*row.terminateCause);
        }
        labels.push_back(std::move(name));
    }
};

template <typename Row>
QTableWidget* reportTable(const char* name, std::span<const analysis::ReportColumn<Row>> columns,
                          const ReportRows<Row>& report) {
    auto* table =
        new QTableWidget(static_cast<int>(report.rows.size()), static_cast<int>(columns.size()));
    table->setObjectName(name);
    QStringList headings;
    for (const auto& column : columns)
        headings << column.heading;
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (std::size_t r = 0; r < report.rows.size(); ++r)
        for (std::size_t c = 0; c < columns.size(); ++c)
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           cell(columns[c].value(report.rows[r], report.labels[r])));
    // The report's own order (by address) until a heading is clicked.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

} // namespace

void MainWindow::showReportTable(const QString& title, QTableWidget* table, const QString& notes) {
    QDialog dialog(this);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* counted = new QLabel(countedText(), &dialog);
    counted->setObjectName("counted");
    layout->addWidget(counted);
    layout->addWidget(table); // the dialog's from now on
    if (!notes.isEmpty()) {
        auto* said = new QLabel(notes, &dialog);
        said->setObjectName("notes");
        layout->addWidget(said);
    }
    runStatisticsDialog(dialog, *layout,
                        {std::max(640, table->horizontalHeader()->length() + 40), 360});
}

std::optional<analysis::ClientStatistics> MainWindow::computeClients() {
    analysis::ClientStatistics clients;
    analysis::RequestMatcher exchanges;
    const bool done = decodeShown([&](const analysis::DecodedMessage& decoded) {
        analysis::FactsWanted wanted;
        wanted.checks = wanted.sessionFacts = false;
        wanted.nasName = true;
        const auto& facts = decoded.facts(wanted);
        clients.addMessage(facts, exchanges.track(facts.origin, facts.code, facts.identifier,
                                                  [](const analysis::ExchangeKey&) {}));
    });
    if (!done)
        return std::nullopt;
    return clients;
}

void MainWindow::showClients() {
    const auto clients = computeClients();
    if (!clients)
        return;
    showReportTable("RADIUS Clients",
                    reportTable("clients", analysis::clientColumns(),
                                ReportRows<analysis::ClientLatency>(*clients)),
                    {});
}

void MainWindow::showSessions() {
    const auto* cause = host_.dictionary().named("Acct-Terminate-Cause");
    ReportRows<analysis::SessionRow> report;
    analysis::AccountingSessions sessions(
        [&](const analysis::SessionRow& ended) { report.add(ended, cause); });
    const bool done = decodeShown([&](const analysis::DecodedMessage& decoded) {
        const auto& facts = decoded.facts({false, true});
        if (facts.accounting)
            sessions.add(*facts.accounting, facts.origin.source, facts.origin.time);
    });
    if (!done)
        return;
    for (const auto& open : sessions.openSessions())
        report.add(open, cause);
    showReportTable("RADIUS Accounting Sessions",
                    reportTable("sessions", analysis::sessionColumns(), report),
                    QString("Sessions: %1").arg(report.rows.size()));
}

std::optional<analysis::SecurityStatistics> MainWindow::computeSecurity() {
    analysis::SecurityStatistics security;
    // Without secrets the checks say only what is exposed, as on the command line.
    const bool done = decodeShown(
        [&](const analysis::DecodedMessage& decoded) {
            security.addMessage(decoded.facts({true, false}));
        },
        true);
    if (!done)
        return std::nullopt;
    return security;
}

void MainWindow::showSecurity() {
    const auto security = computeSecurity();
    if (!security)
        return;
    QStringList notes;
    if (!checks_.secretsLoaded())
        notes << "No shared secrets loaded (Analyze › Shared Secrets): only exposure is counted.";
    for (const auto& client : security->perClient())
        if (client.wrongSecretLikely())
            notes << QString("Client %1: %2 of %3 checked messages invalid: wrong secret?")
                         .arg(QString::fromStdString(client.client.text()))
                         .arg(client.messagesInvalid)
                         .arg(client.messagesInvalid + client.messagesValid);
    showReportTable("RADIUS Security",
                    reportTable("security", analysis::securityColumns(),
                                ReportRows<analysis::ClientSecurity>(*security)),
                    notes.join('\n'));
}

} // namespace gui
