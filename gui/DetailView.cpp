#include "DetailView.hpp"

#include "GuiFonts.hpp"
#include "HexView.hpp"
#include "NodeValueText.hpp"
#include "TextEscaping.hpp"

#include <QHeaderView>
#include <QResizeEvent>
#include <QTreeWidget>

namespace gui {

namespace {
constexpr int locationRole = Qt::UserRole;
constexpr int lengthRole = Qt::UserRole + 1;
} // namespace

DetailView::DetailView(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setFont(monospacedFont(10));
    tree_->setUniformRowHeights(true);
    // A long value (a key, a certificate's name) scrolls sideways rather than being cut
    // with an ellipsis: the one column is as wide as its widest line.
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    hex_ = new HexView(this);
    addWidget(tree_);
    addWidget(hex_);
    setStretchFactor(0, 3);
    setStretchFactor(1, 2);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        // A value without a place of its own shows the octets of the node it belongs to.
        while (item && !item->data(0, locationRole).isValid())
            item = item->parent();
        if (!item) {
            hex_->highlight(0, 0);
            return;
        }
        hex_->highlight(item->data(0, locationRole).toULongLong(),
                        item->data(0, lengthRole).toULongLong());
    });
    connect(hex_, &HexView::octetClicked, this,
            [this](std::size_t offset) { selectNodeAt(offset); });
}

void DetailView::resizeEvent(QResizeEvent* event) {
    // Side by side the octets keep their full width (a dump line never wraps), which
    // leaves a narrow window a sliver of tree: there the octets go below the tree, as
    // in Wireshark's default layout.
    const int sideBySide = tree_->fontMetrics().horizontalAdvance(QString(48, '0')) +
                           hex_->minimumWidth() + handleWidth();
    const auto wanted = width() >= sideBySide ? Qt::Horizontal : Qt::Vertical;
    if (orientation() != wanted)
        setOrientation(wanted);
    QSplitter::resizeEvent(event);
}

void DetailView::addNode(QTreeWidgetItem* parent, const zem::ZEMNodeProtocol& node,
                         std::optional<std::size_t> parentLocation) {
    std::string text = zem::terminalSafe(node.title());
    if (!std::holds_alternative<std::monostate>(node.value())) {
        text += ": ";
        zem::appendNodeValue(text, node.value());
    }
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromStdString(text));
    // A node's location counts from its parent's: an attribute's Length child is at 1.
    std::optional<std::size_t> location = parentLocation;
    if (auto relative = node.headerLocation(); relative && parentLocation) {
        location = *parentLocation + *relative;
        item->setData(0, locationRole, QVariant::fromValue<qulonglong>(*location));
        item->setData(0, lengthRole,
                      QVariant::fromValue<qulonglong>(node.headerLength().value_or(0)));
    }
    for (const auto& child : node.children())
        addNode(item, *child, location);
}

void DetailView::showMessage(zem::ByteBuffer octets, std::optional<analysis::MessageTree> tree,
                             Frame frame) {
    tree_->clear();
    // The frame's octets when the message lies in them, as Wireshark shows a frame; a
    // message joined from several frames (or decrypted) shows its own, and its layers
    // point at no octets.
    const bool showsFrame = frame.messageOffset.has_value() && !frame.captured.empty();
    std::optional<std::size_t> layersAt, messageAt{0};
    if (showsFrame) {
        layersAt = 0;
        messageAt = *frame.messageOffset;
    }
    octets_ = showsFrame ? std::move(frame.captured) : std::move(octets);
    hex_->setOctets(zem::ByteView(octets_));
    if (octets_.empty())
        return;
    for (const auto& layer : frame.layers)
        addNode(nullptr, *layer.node, layersAt);
    if (tree) {
        for (const auto& node : tree->nodes)
            addNode(nullptr, *node, messageAt);
        for (const auto* added : {tree->eap.get(), tree->exchange.get()})
            if (added)
                addNode(nullptr, *added, messageAt);
        if (tree->checks)
            addNode(nullptr, *tree->checks, messageAt);
    } else {
        new QTreeWidgetItem(tree_, {QString("Not a RADIUS message (%1 octets)")
                                        .arg(showsFrame ? octets.size() : octets_.size())});
    }
    tree_->expandAll();
    // The layers are long and the message is what the window is for: their details start
    // folded, as Wireshark's do, with the message's in view.
    for (int i = 0; i < static_cast<int>(frame.layers.size()) && i < tree_->topLevelItemCount();
         ++i)
        tree_->topLevelItem(i)->setExpanded(false);
}

bool DetailView::selectNodeAt(std::size_t offset) {
    QTreeWidgetItem* best = nullptr;
    int bestDepth = -1;
    qulonglong bestLength = 0;
    std::function<void(QTreeWidgetItem*, int)> visit = [&](QTreeWidgetItem* item, int depth) {
        if (item->data(0, locationRole).isValid()) {
            const auto location = item->data(0, locationRole).toULongLong();
            const auto length = item->data(0, lengthRole).toULongLong();
            // The deepest node, and of those the narrowest: the frame covers every octet at
            // the depth of the RADIUS header.
            if (offset >= location && offset < location + length &&
                (depth > bestDepth || (depth == bestDepth && length < bestLength))) {
                best = item;
                bestDepth = depth;
                bestLength = length;
            }
        }
        for (int i = 0; i < item->childCount(); ++i)
            visit(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        visit(tree_->topLevelItem(i), 0);
    if (best)
        tree_->setCurrentItem(best);
    return best != nullptr;
}

} // namespace gui
