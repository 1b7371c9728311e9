// DetailView: the selected message's detail tree beside its octets. Selecting a node
// highlights the octets it covers; clicking an octet selects the deepest node that
// covers it. Every title and value is shown through the same escaping as the command
// line, so no control character or bidirectional override reaches the screen raw.
#pragma once

#include "PlugInHost.hpp"
#include "RadiusDictionary.hpp"
#include "ZEMNode.hpp"

#include <QSplitter>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

namespace gui {

class HexView;

class DetailView : public QSplitter {
    Q_OBJECT
public:
    DetailView(const zem::PlugInHost& host, QWidget* parent = nullptr);

    /// Decodes and shows a message, with its checks node after the plug-in's tree when
    /// there is one; clears the view for an empty message.
    /// A dictionary adds vendor attributes and the values the plug-in cannot show.
    void showMessage(zem::ByteBuffer octets, std::unique_ptr<zem::ZEMNode> checks = nullptr,
                     const analysis::RadiusDictionary* dictionary = nullptr);
    QTreeWidget* tree() const { return tree_; }
    HexView* hex() const { return hex_; }
    /// Selects the deepest node that covers octet `offset`; answers whether there was one.
    bool selectNodeAt(std::size_t offset);

private:
    void addNode(QTreeWidgetItem* parent, const zem::ZEMNodeProtocol& node,
                 std::size_t parentLocation);

    const zem::PlugInHost& host_;
    QTreeWidget* tree_;
    HexView* hex_;
    zem::ByteBuffer octets_;
};

} // namespace gui
