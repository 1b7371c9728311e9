// PacketListModel: the packet list as a table model over a capture's MessageIndex: frame,
// time, source, destination, transport, length, the plug-in's summary line, one column
// per column that the plug-in registered, the checks (red when invalid), the response time
// and the linked request or response. Only the rows on
// screen are decoded, and a few hundred of them are kept decoded; the rest is the index.
//
// The shown rows are a list of index positions: all messages in capture order, or those
// that a filter kept, in the order of the last sort. Rows drawn in the plug-in's colour
// while it says it uses colour.
#pragma once

#include "CaptureChecks.hpp"
#include "LruTable.hpp"
#include "MessageIndex.hpp"
#include "MessageStore.hpp"
#include "PlugInHost.hpp"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace gui {

class PacketListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { frame, time, source, destination, transport, length, info, firstPlugInColumn };

    PacketListModel(zem::PlugInHost& host, QObject* parent = nullptr);

    /// Shows a new capture (or none).
    void setCapture(const capture::MessageIndex* index, const capture::MessageStore* store);
    /// Takes in the messages the loader published since the last call; answers how many
    /// rows were added.
    int catchUp();
    /// Shows only the given messages (index positions, in capture order), or all of them.
    void setShownMessages(std::optional<std::vector<std::uint32_t>> messages);
    /// Which messages to show while a capture is still being read: applied to those taken
    /// in so far at once, and to each new one as it comes.
    using RowFilter = std::function<bool(std::uint32_t position)>;
    void setRowFilter(RowFilter keep);
    /// Reads usesColor() and protocolColor() again and redraws the rows.
    void refreshColors();
    /// Where the checks column finds its checks; redraws it after secrets were loaded.
    void setChecks(const CaptureChecks* checks);
    int checksColumn() const { return firstPlugInColumn + static_cast<int>(plugInColumns_.size()); }
    /// A response's seconds from its request, once the capture is read whole.
    int responseTimeColumn() const { return checksColumn() + 1; }
    /// A request's response frame, or a response's request frame.
    int linkedFrameColumn() const { return checksColumn() + 2; }

    /// The index position of the message shown in `row`.
    std::uint32_t messageAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    /// The octets of the message at index position `position`.
    zem::ByteBuffer octets(std::uint32_t position) const;
    /// The stored frame that message ended in (see IndexedMessage); empty when none was.
    zem::ByteBuffer frameOctets(std::uint32_t position) const;
    std::size_t shownCount() const { return rows_.size(); }
    std::size_t totalCount() const { return taken_; }
    bool filtered() const { return filtered_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    struct Decoded {
        QString info;
        QStringList plugInValues;
        QString checks;
        bool checksInvalid = false;
        QString responseTime, linkedFrame;
    };
    const Decoded& decoded(std::uint32_t position) const;
    QString text(std::uint32_t position, int column) const;

    zem::PlugInHost& host_;
    const capture::MessageIndex* index_ = nullptr;
    const capture::MessageStore* store_ = nullptr;
    std::vector<std::uint32_t> rows_;
    std::size_t taken_ = 0; // index entries taken in
    bool filtered_ = false;
    RowFilter rowFilter_;
    int sortColumn_ = frame;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    struct PlugInColumn {
        QString title;
        std::string key;
        bool numeric; // the plug-in declares its values numbers
    };
    std::vector<PlugInColumn> plugInColumns_;
    std::optional<QColor> color_;
    const CaptureChecks* checks_ = nullptr;
    // Rows decoded lately, the least recently shown given up first.
    struct PositionHash {
        std::size_t operator()(std::uint32_t position) const noexcept {
            return static_cast<std::size_t>(zem::hashMix(0, position));
        }
    };
    using DecodedCache = zem::LruTable<std::uint32_t, Decoded, PositionHash>;
    mutable DecodedCache cache_;
    mutable std::uint64_t uses_ = 0; // the cache's clock
};

} // namespace gui
