// What the window's context menus do (on a line of the tree, filter by it or copy a part
// of it; on a row of the list, copy its cells or follow its exchange), and File › Export
// Specified Messages.
#include "CaptureSource.hpp"
#include "DetailView.hpp"
#include "FrameExport.hpp"
#include "MainWindow.hpp"
#include "MessageIndex.hpp"
#include "NodeFilter.hpp"
#include "OpenCapture.hpp"
#include "PacketListModel.hpp"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_set>

namespace gui {

namespace {

// The line's text and its parents', the line first.
QStringList titlesOf(const QTreeWidgetItem& item) {
    QStringList titles;
    for (const auto* at = &item; at; at = at->parent())
        titles << at->text(0);
    return titles;
}

QString csvCell(QString text) {
    if (text.contains(',') || text.contains('"') || text.contains('\n'))
        return '"' + text.replace('"', "\"\"") + '"';
    return text;
}

} // namespace

bool MainWindow::copyNode(const QTreeWidgetItem& item, NodePart part) {
    QString text;
    switch (part) {
    case NodePart::line:
        text = item.text(0);
        break;
    case NodePart::value:
        text = nodeValue(item.text(0));
        break;
    case NodePart::fieldName:
        if (const auto filter = nodeFilter(titlesOf(item)))
            text = filter->field;
        break;
    }
    if (text.isEmpty())
        return false;
    QApplication::clipboard()->setText(text);
    return true;
}

bool MainWindow::filterByNode(const QTreeWidgetItem& item, bool apply) {
    const auto filter = nodeFilter(titlesOf(item));
    if (!filter)
        return false;
    filterEdit_->setText(filter->expression);
    if (apply)
        applyFilter(filter->expression);
    return true;
}

void MainWindow::copyRow(int row, bool csv) {
    QStringList cells;
    for (int column = 0; column < model_->columnCount(); ++column) {
        if (list_->isColumnHidden(column))
            continue;
        const auto text = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
        cells << (csv ? csvCell(text) : text);
    }
    QApplication::clipboard()->setText(cells.join(csv ? ',' : '\t'));
}

std::vector<std::uint32_t> MainWindow::exchangeOf(std::uint32_t position,
                                                  std::uint64_t* requestFrame) const {
    const auto* exchanges = checks_.exchanges();
    if (!capture_ || !exchanges || position >= model_->totalCount())
        return {};
    const auto& index = capture_->index();
    const auto links = exchanges->links(position);
    // The exchange is named by its request's frame (the first copy's).
    auto request = links.requestFrame ? *links.requestFrame : index[position].frame;
    if (!links.requestFrame && links.retransmissionOf)
        request = *links.retransmissionOf;
    if (requestFrame)
        *requestFrame = request;
    std::vector<std::uint32_t> positions;
    for (std::uint32_t at = 0; at < model_->totalCount(); ++at) {
        const auto other = exchanges->links(at);
        if (index[at].frame == request || other.requestFrame == request ||
            other.retransmissionOf == request)
            positions.push_back(at);
    }
    return positions;
}

void MainWindow::followExchange(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    std::uint64_t request = 0;
    auto positions = exchangeOf(model_->messageAt(row), &request);
    if (positions.empty())
        return;
    model_->setShownMessages(std::move(positions));
    shownBy_ = QString("the exchange of frame %1").arg(request);
    updateCounts();
    selectRow(0);
}

bool MainWindow::goWithinExchange(int step) {
    const auto current = list_->currentIndex();
    if (!current.isValid())
        return false;
    const auto position = model_->messageAt(current.row());
    const auto members = exchangeOf(position);
    const auto at = std::find(members.begin(), members.end(), position);
    if (at == members.end())
        return false;
    const auto next = at - members.begin() + step;
    if (next < 0 || next >= static_cast<std::ptrdiff_t>(members.size())) {
        statusBar()->showMessage(step > 0 ? "The last message of its exchange"
                                          : "The first message of its exchange");
        return false;
    }
    return goToFrame(capture_->index()[members[static_cast<std::size_t>(next)]].frame);
}

void MainWindow::showTreeMenu(const QPoint& at) {
    auto* item = detail_->tree()->itemAt(at);
    if (!item)
        return;
    QMenu menu(this);
    const bool hasField = nodeFilter(titlesOf(*item)).has_value();
    menu.addAction("Apply as Filter", this, [this, item] { filterByNode(*item, true); })
        ->setEnabled(hasField);
    menu.addAction("Prepare as Filter", this, [this, item] { filterByNode(*item, false); })
        ->setEnabled(hasField);
    auto* copy = menu.addMenu("Copy");
    copy->addAction("Value", this, [this, item] { copyNode(*item, NodePart::value); });
    copy->addAction("Field Name", this, [this, item] { copyNode(*item, NodePart::fieldName); })
        ->setEnabled(hasField);
    copy->addAction("Line", this, [this, item] { copyNode(*item, NodePart::line); });
    menu.exec(detail_->tree()->viewport()->mapToGlobal(at));
}

void MainWindow::showListMenu(const QPoint& at) {
    const auto index = list_->indexAt(at);
    if (!index.isValid())
        return;
    const int row = index.row();
    QMenu menu(this);
    auto* copy = menu.addMenu("Copy");
    copy->addAction("Summary", this, [this, row] { copyRow(row, false); });
    copy->addAction("As CSV", this, [this, row] { copyRow(row, true); });
    menu.addAction("Follow RADIUS Exchange", this, [this, row] { followExchange(row); })
        ->setEnabled(checks_.exchanges() != nullptr);
    menu.exec(list_->viewport()->mapToGlobal(at));
}

} // namespace gui

namespace gui {

QString MainWindow::exportMessages(const QString& path, ExportRange range, bool pcapng) {
    if (!capture_ || path_.isEmpty())
        return "Only a capture read from a file can be exported.";
    if (QFileInfo(path).exists() &&
        QFileInfo(path).canonicalFilePath() == QFileInfo(path_).canonicalFilePath())
        return "Choose another file: the export would overwrite the capture it reads.";
    const auto& index = capture_->index();
    std::unordered_set<std::uint64_t> frames;
    switch (range) {
    case ExportRange::all:
        for (std::uint32_t at = 0; at < model_->totalCount(); ++at)
            frames.insert(index[at].frame);
        break;
    case ExportRange::displayed:
        for (int row = 0; row < model_->rowCount(); ++row)
            frames.insert(index[model_->messageAt(row)].frame);
        break;
    case ExportRange::selected:
        if (const auto current = list_->currentIndex(); current.isValid())
            frames.insert(index[model_->messageAt(current.row())].frame);
        break;
    }
    if (frames.empty())
        return "No message to export.";
    try {
        capture::exportMessageFrames(path_.toStdString(), path.toStdString(), frames, pcapng);
    } catch (const capture::CaptureError& error) {
        return QString::fromUtf8(error.what());
    }
    statusBar()->showMessage(QString("Exported %1 messages to %2").arg(frames.size()).arg(path));
    return {};
}

void MainWindow::chooseExport() {
    QDialog dialog(this);
    dialog.setWindowTitle("Export Specified Messages");
    auto* layout = new QVBoxLayout(&dialog);
    auto* all = new QRadioButton(QString("All messages (%1)").arg(model_->totalCount()));
    auto* displayed = new QRadioButton(QString("Displayed (%1)").arg(model_->rowCount()));
    auto* selected = new QRadioButton("Selected message only");
    displayed->setChecked(true);
    selected->setEnabled(list_->currentIndex().isValid());
    for (auto* choice : {all, displayed, selected})
        layout->addWidget(choice);
    auto* format = new QComboBox;
    format->addItems({"pcapng", "pcap"});
    layout->addWidget(format);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool pcapng = format->currentIndex() == 0;
    const auto path = QFileDialog::getSaveFileName(this, "Export Specified Messages", {},
                                                   pcapng ? "pcapng (*.pcapng)" : "pcap (*.pcap)");
    if (path.isEmpty())
        return;
    const auto range = all->isChecked()         ? ExportRange::all
                       : displayed->isChecked() ? ExportRange::displayed
                                                : ExportRange::selected;
    if (const auto why = exportMessages(path, range, pcapng); !why.isEmpty())
        QMessageBox::warning(this, "Not exported", why);
}

} // namespace gui
