#include "SettingsViewWidget.hpp"

#include "GuiFonts.hpp"
#include "QtColor.hpp"
#include "ZEMConstants.hpp"
#include "ZEMNetworkProtocol.hpp"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace gui {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// A colour swatch for the button that opens the colour picker.
void paintSwatch(QPushButton* button, const zem::ZEMColor& color) {
    const QColor c = toQColor(color);
    button->setStyleSheet(QString("QPushButton { background-color: %1; border: 1px solid #888; "
                                  "border-radius: 4px; min-width: 44px; min-height: 24px; }")
                              .arg(c.name(QColor::HexArgb)));
    button->setToolTip(c.name(QColor::HexArgb));
}

} // namespace

SettingsViewWidget::SettingsViewWidget(std::shared_ptr<zem::ZEMProtocolTableView> view,
                                       QWidget* parent)
    : QWidget(parent), view_(std::move(view)) {
    setFont(monospacedFont(12));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox(this);
    outer->addWidget(group);
    auto* content = new QVBoxLayout(group);
    content->setSpacing(0);

    auto* settings = new QVBoxLayout;
    settings->setSpacing(24);
    secrets_ = new QCheckBox("Keep usernames and passwords private   ", group);
    resolve_ = new QCheckBox("Enable IP to DNS name resolution (may slow down)", group);
    useColor_ = new QCheckBox("Use coloring in packet view", group);
    settings->addWidget(secrets_);
    settings->addWidget(resolve_);
    auto* colorRow = new QHBoxLayout;
    colorRow->setSpacing(16);
    colorRow->addWidget(useColor_);
    colorRow->addStretch(1);
    colorButton_ = new QPushButton(group);
    colorButton_->setAccessibleName("Packet colour");
    colorButton_->setAutoDefault(false);
    colorRow->addWidget(colorButton_);
    settings->addLayout(colorRow);

    table_ = new QTableWidget(0, 3, group);
    table_->setHorizontalHeaderLabels({"Name", "Ports", "Source"});
    table_->horizontalHeader()->setVisible(true);
    table_->horizontalHeader()->setFont(monospacedFont(11));
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAlternatingRowColors(false);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table_->setMinimumSize(500, 400);
    table_->horizontalHeader()->setMinimumSectionSize(100);
    table_->setColumnWidth(0, 140);
    table_->setColumnWidth(1, 220);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setDefaultSectionSize(36);
    settings->addWidget(table_);
    content->addLayout(settings);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->setContentsMargins(0, 8, 0, 0);
    reset_ = new QPushButton("Reset", group);
    reset_->setFont(monospacedFont(13));
    reset_->setFlat(true);
    reset_->setAutoDefault(false);
    ok_ = new QPushButton("Ok", group);
    QFont bold = monospacedFont(13);
    bold.setBold(true);
    ok_->setFont(bold);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    content->addLayout(buttons);

    connect(secrets_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != view_->showSecrets())
            view_->setShowSecrets(on);
    });
    connect(resolve_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != view_->resolveIP())
            view_->setResolveIP(on);
    });
    connect(useColor_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != view_->useColor())
            view_->setUseColor(on);
    });
    connect(colorButton_, &QPushButton::clicked, this, [this] { pickColor(); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        const auto rows = table_->selectionModel()->selectedRows();
        std::optional<zem::ZEMUUID> item;
        if (!rows.isEmpty())
            item = view_->rowId(static_cast<std::size_t>(rows.front().row()));
        if (item != view_->selectedItem())
            view_->setSelectedItem(item);
    });
    connect(reset_, &QPushButton::clicked, this, [this] {
        const bool confirmed =
            confirmReset ? confirmReset()
                         : QMessageBox::question(
                               this, "Reset",
                               "Put every protocol back to its default ports? The ports you "
                               "set are thrown away.",
                               QMessageBox::Reset | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Reset;
        if (confirmed)
            view_->resetProtocols();
    });
    connect(ok_, &QPushButton::clicked, this, [this] { view_->encodeProtocolPorts(); });

    view_->setDismiss([this] { emit dismissed(); });
    // The view announces a change before it makes it: draw once it is made.
    subscription_ = view_->changes().subscribe([this] { scheduleRefresh(); });
    refresh();
}

SettingsViewWidget::~SettingsViewWidget() {
    view_->changes().unsubscribe(subscription_);
    view_->setDismiss([] {});
}

void SettingsViewWidget::scheduleRefresh() {
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
        emit viewChanged();
    });
}

void SettingsViewWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    try {
        view_->decodeProtocolsFromUserDefaults();
    } catch (const std::exception&) {
        // The view shows the defaults in place of an unreadable list.
    }
    refresh();
}

void SettingsViewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->reportSize(
        {static_cast<double>(event->size().width()), static_cast<double>(event->size().height())});
}

void SettingsViewWidget::pickColor() {
    const QColor chosen = QColorDialog::getColor(toQColor(view_->protocolColor()), this,
                                                 "Packet colour", QColorDialog::ShowAlphaChannel);
    if (chosen.isValid())
        view_->setProtocolColor(fromQColor(chosen));
}

void SettingsViewWidget::refresh() {
    const QSignalBlocker blockSecrets(secrets_), blockResolve(resolve_), blockColor(useColor_),
        blockTable(table_);
    secrets_->setChecked(view_->showSecrets());
    resolve_->setChecked(view_->resolveIP());
    useColor_->setChecked(view_->useColor());
    paintSwatch(colorButton_, view_->protocolColor());
    const int rows = static_cast<int>(view_->rowCount());
    if (rows_.size() != static_cast<std::size_t>(rows)) {
        rows_.clear();
        table_->setRowCount(0);
        table_->setRowCount(rows);
        for (int row = 0; row < rows; ++row)
            buildRow(row);
    }
    for (int row = 0; row < rows; ++row)
        fillRow(row);
    table_->clearSelection();
    for (int row = 0; row < rows; ++row)
        if (view_->selectedItem() == view_->rowId(static_cast<std::size_t>(row)))
            table_->selectRow(row);
    ok_->setEnabled(!view_->viewHasErrors());
}

namespace {

// The Ports field: Return submits the row and goes no further, so that a dialog around
// the view does not take it for its default button.
class PortsField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

} // namespace

void SettingsViewWidget::buildRow(int row) {
    const auto index = static_cast<std::size_t>(row);
    RowWidgets widgets;
    widgets.name = new QPushButton;
    widgets.name->setFont(monospacedFont(11));
    widgets.name->setAutoDefault(false);
    auto* names = new QMenu(widgets.name);
    for (const auto& choice : view_->defaultProtocolNames())
        names->addAction(text(choice), this,
                         [this, index, choice] { view_->chooseName(index, choice); });
    widgets.name->setMenu(names);
    table_->setCellWidget(row, 0, widgets.name);

    auto* ports = new QWidget;
    auto* portsLayout = new QHBoxLayout(ports);
    portsLayout->setContentsMargins(2, 2, 2, 2);
    widgets.ports = new PortsField;
    widgets.ports->setObjectName("ports");
    widgets.ports->setPlaceholderText("Protocol Ports");
    widgets.ports->setFont(monospacedFont(11));
    portsLayout->addWidget(widgets.ports, 1);
    widgets.error = new QLabel("Error");
    widgets.error->setObjectName("error");
    widgets.error->setStyleSheet("color: #c62828; font-weight: bold;");
    widgets.error->setFont(monospacedFont(11));
    portsLayout->addWidget(widgets.error);
    // The field is bound to the row's port text, as the host's port field is.
    auto* field = widgets.ports;
    connect(field, &QLineEdit::textEdited, this, [this, index](const QString& typed) {
        if (auto model = view_->rowModel(index))
            model->protocolPorts = typed.toStdString();
    });
    connect(field, &QLineEdit::returnPressed, this,
            [this, index, field] { view_->submitPorts(index, field->text().toStdString()); });
    table_->setCellWidget(row, 1, ports);

    widgets.source = new QPushButton;
    widgets.source->setFont(monospacedFont(11));
    widgets.source->setAutoDefault(false);
    auto* sources = new QMenu(widgets.source);
    for (auto choice : zem::kZEMSourceProtocolsAllCases) {
        const auto raw = static_cast<std::int64_t>(choice);
        sources->addAction(text(view_->sourceTitle(raw)), this,
                           [this, index, raw] { view_->chooseSource(index, raw); });
    }
    widgets.source->setMenu(sources);
    table_->setCellWidget(row, 2, widgets.source);
    rows_.push_back(widgets);
}

void SettingsViewWidget::fillRow(int row) {
    const auto index = static_cast<std::size_t>(row);
    const auto model = view_->rowModel(index);
    if (!model)
        return;
    auto& widgets = rows_[index];
    widgets.name->setText(text(view_->nameTitle(index)));
    // What the user is typing stays as typed; the model holds it already.
    if (!widgets.ports->hasFocus() || widgets.ports->text().toStdString() != model->protocolPorts)
        widgets.ports->setText(text(model->protocolPorts));
    const auto& state = model->errorModel.errorState();
    const QString tip =
        state.errorDetails ? QString::fromUtf8(state.errorDetails->what()) : text(state.errorText);
    widgets.error->setVisible(!state.errorText.empty());
    widgets.error->setText(text(state.errorText));
    widgets.error->setToolTip(tip);
    widgets.ports->setToolTip(state.errorText.empty() ? QString() : tip);
    widgets.source->setText(text(view_->sourceTitle(model->sourceProtocol)));
}

} // namespace gui
