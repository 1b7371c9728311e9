// DetailView: the selected message's detail tree beside its octets. Selecting a node
// highlights the octets it covers; clicking an octet selects the deepest node that
// covers it. Every title and value is shown through the same escaping as the command
// line, so no control character or bidirectional override reaches the screen raw.
#pragma once

#include "FrameLayers.hpp"
#include "PlugInHost.hpp"
#include "ZEMNode.hpp"
#include "message/MessageTree.hpp"

#include <QSplitter>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

namespace gui {

class HexView;

class DetailView : public QSplitter {
    Q_OBJECT
public:
    explicit DetailView(QWidget* parent = nullptr);

    /// The frame a message ended in and its layers, shown above the message's tree.
    struct Frame {
        zem::ByteBuffer captured; // the frame's octets as captured
        std::vector<capture::FrameLayer> layers;
        /// Where the message lies in `captured`: then the octets shown are the frame's.
        std::optional<std::uint32_t> messageOffset;
    };

    /// Shows a message's octets and its tree, under its frame's layers when given;
    /// nothing for a tree says that the plug-in refused the octets. Clears the view for
    /// an empty message.
    void showMessage(zem::ByteBuffer octets, std::optional<analysis::MessageTree> tree = {},
                     Frame frame = {});
    QTreeWidget* tree() const { return tree_; }
    HexView* hex() const { return hex_; }
    /// Selects the deepest node that covers octet `offset`; answers whether there was one.
    bool selectNodeAt(std::size_t offset);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // `parentLocation`: where the parent's octets start in the shown octets; nothing when
    // the node's octets are not among them.
    void addNode(QTreeWidgetItem* parent, const zem::ZEMNodeProtocol& node,
                 std::optional<std::size_t> parentLocation);

    QTreeWidget* tree_;
    HexView* hex_;
    zem::ByteBuffer octets_;
};

} // namespace gui
