#include "DecodeAsDialog.hpp"

#include "GuiFonts.hpp"
#include "PopUpCellWidget.hpp"
#include "ZEMPortsController.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gui {

namespace {

constexpr std::pair<zem::kZEMSourceProtocols, const char*> transports[] = {
    {zem::kZEMSourceProtocols::udp, "UDP"}, {zem::kZEMSourceProtocols::tcp, "TCP"}};

} // namespace

std::string DecodeAsRule::commandLine() const {
    return std::string(transport == zem::kZEMSourceProtocols::tcp ? "tcp" : "udp") +
           ".port==" + std::to_string(port) + "," + protocol;
}

DecodeAsDialog::DecodeAsDialog(std::vector<std::string> protocols, QWidget* parent)
    : QDialog(parent), protocols_(std::move(protocols)) {
    setWindowTitle("Decode As");
    setFont(monospacedFont(12));
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel("Decode traffic on these ports with a protocol of the plug-in,\n"
                            "for this run (the command line's -d).");
    layout->addWidget(help);
    table_ = new QTableWidget(0, 2, this);
    table_->setHorizontalHeaderLabels({"Protocol and port", "Transport"});
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(0, 330);
    table_->verticalHeader()->setDefaultSectionSize(38);
    table_->setMinimumSize(480, 200);
    layout->addWidget(table_);

    auto* rowButtons = new QHBoxLayout;
    auto* add = new QPushButton("+");
    auto* remove = new QPushButton("\u2212");
    add->setToolTip("Add a row");
    remove->setToolTip("Remove the selected row");
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch(1);
    layout->addLayout(rowButtons);
    connect(add, &QPushButton::clicked, this, [this] { addRule(); });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() >= 0)
            table_->removeRow(table_->currentRow());
    });

    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
}

void DecodeAsDialog::addRule(const std::string& protocol, zem::kZEMSourceProtocols transport,
                             const std::string& port) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* cell = new PopUpCellWidget;
    auto* transportBox = new QComboBox;
    for (const auto& [value, title] : transports)
        transportBox->addItem(title, static_cast<qlonglong>(value));
    transportBox->setCurrentIndex(transport == zem::kZEMSourceProtocols::tcp ? 1 : 0);
    // The record the cell checks the port against: the row's transport.
    auto record = std::make_shared<zem::ZEMNetworkProtocol>(
        zem::ZEMUUID::random(),
        protocol.empty() && !protocols_.empty() ? protocols_.front() : protocol, port,
        static_cast<std::int64_t>(transport));
    cell->display(record, protocols_);
    if (int at = cell->popUp()->findText(QString::fromStdString(record->protocolName)); at >= 0)
        cell->popUp()->setCurrentIndex(at);
    cell->field()->setText(QString::fromStdString(port));
    if (cell->hasCell())
        cell->cell().setTextFieldString(port);
    connect(transportBox, &QComboBox::currentIndexChanged, this, [record, transportBox] {
        record->sourceProtocol = transportBox->currentData().toLongLong();
    });
    table_->setCellWidget(row, 0, cell);
    table_->setCellWidget(row, 1, transportBox);
    connect(cell->field(), &QLineEdit::textChanged, this, [this] { explainClaims(); });
    connect(cell->popUp(), &QComboBox::currentIndexChanged, this, [this] { explainClaims(); });
    connect(transportBox, &QComboBox::currentIndexChanged, this, [this] { explainClaims(); });
    explainClaims();
}

void DecodeAsDialog::explainClaims() {
    const auto& ports = zem::ZEMPortsController::sharedPortsController();
    QStringList lines;
    for (const auto& rule : rules()) {
        const auto claimant = ports.analyzerProtocolForPort(rule.port, rule.transport);
        if (!claimant || *claimant == rule.protocol)
            continue;
        lines << QString("Port %1/%2 is claimed by %3 (shown red): this rule decodes it as %4 "
                         "for this run, as -d does.")
                     .arg(rule.port)
                     .arg(rule.transport == zem::kZEMSourceProtocols::tcp ? "TCP" : "UDP")
                     .arg(QString::fromStdString(*claimant))
                     .arg(QString::fromStdString(rule.protocol));
    }
    note_->setText(lines.join('\n'));
    note_->setVisible(!lines.isEmpty());
}

PopUpCellWidget* DecodeAsDialog::cell(int row) const {
    return qobject_cast<PopUpCellWidget*>(table_->cellWidget(row, 0));
}

std::vector<DecodeAsRule> DecodeAsDialog::rules() const {
    std::vector<DecodeAsRule> rules;
    for (int row = 0; row < table_->rowCount(); ++row) {
        auto* c = cell(row);
        auto* transportBox = qobject_cast<QComboBox*>(table_->cellWidget(row, 1));
        if (!c || !transportBox)
            continue;
        bool ok = false;
        const unsigned port = c->field()->text().trimmed().toUInt(&ok);
        if (!ok || port == 0 || port > 65535 || c->popUp()->currentText().isEmpty())
            continue;
        rules.push_back(
            {c->popUp()->currentText().toStdString(),
             static_cast<zem::kZEMSourceProtocols>(transportBox->currentData().toLongLong()),
             static_cast<std::uint16_t>(port)});
    }
    return rules;
}

void applyDecodeAs(const std::vector<DecodeAsRule>& rules) {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (const auto& rule : rules) {
        const zem::ZEMPortsController::Claim* claim = nullptr;
        for (const auto& existing : ports.claims())
            if (existing.protocolName == rule.protocol)
                claim = &existing;
        ports.addClaim({rule.protocol, zem::ZEMUUID::random(), rule.port, rule.transport,
                        claim ? claim->analyzerClass : nullptr});
    }
}

} // namespace gui
