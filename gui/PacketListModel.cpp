#include "PacketListModel.hpp"

#include "QtColor.hpp"
#include "StoredMessages.hpp"
#include "TextEscaping.hpp"
#include "exchanges/ExchangeNode.hpp"

#include <QBrush>
#include <algorithm>

namespace gui {

namespace {

constexpr const char* fixedTitles[] = {"No.",      "Time",   "Source", "Destination",
                                       "Protocol", "Length", "Info"};
constexpr std::size_t cacheLimit = 512;

QString endpointText(const zem::IPAddress& address) {
    return QString::fromStdString(address.text());
}

} // namespace

PacketListModel::PacketListModel(zem::PlugInHost& host, QObject* parent)
    : QAbstractTableModel(parent), host_(host), cache_(cacheLimit) {
    for (const auto& column : host_.structure().plugInColumnKeyBindings) {
        const auto* attribute = host_.attribute(column.keyPath);
        const bool numeric = attribute && (attribute->attributeType == zem::ZEMValueType::uint8 ||
                                           attribute->attributeType == zem::ZEMValueType::uint16 ||
                                           attribute->attributeType == zem::ZEMValueType::number);
        plugInColumns_.push_back(
            {QString::fromStdString(column.columnTitle), column.keyPath, numeric});
    }
    refreshColors();
}

void PacketListModel::setCapture(const capture::MessageIndex* index,
                                 const capture::MessageStore* store) {
    beginResetModel();
    index_ = index;
    store_ = store;
    rows_.clear();
    taken_ = 0;
    filtered_ = false;
    rowFilter_ = nullptr;
    cache_ = DecodedCache(cacheLimit);
    endResetModel();
}

int PacketListModel::catchUp() {
    if (!index_)
        return 0;
    const std::size_t available = index_->size();
    if (available <= taken_)
        return 0;
    const std::size_t from = taken_;
    taken_ = available;
    // A list filtered once, or re-sorted, takes new messages when the filter runs again.
    if ((filtered_ && !rowFilter_) || sortColumn_ != frame || sortOrder_ != Qt::AscendingOrder)
        return 0;
    std::vector<std::uint32_t> added;
    for (std::size_t i = from; i < available; ++i)
        if (!rowFilter_ || rowFilter_(static_cast<std::uint32_t>(i)))
            added.push_back(static_cast<std::uint32_t>(i));
    if (added.empty())
        return 0;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    rows_.insert(rows_.end(), added.begin(), added.end());
    endInsertRows();
    return static_cast<int>(added.size());
}

void PacketListModel::setRowFilter(RowFilter keep) {
    std::vector<std::uint32_t> kept;
    for (std::size_t i = 0; i < taken_; ++i)
        if (keep(static_cast<std::uint32_t>(i)))
            kept.push_back(static_cast<std::uint32_t>(i));
    setShownMessages(std::move(kept));
    rowFilter_ = std::move(keep);
}

void PacketListModel::setShownMessages(std::optional<std::vector<std::uint32_t>> messages) {
    beginResetModel();
    rowFilter_ = nullptr;
    filtered_ = messages.has_value();
    if (messages) {
        rows_ = std::move(*messages);
    } else {
        rows_.resize(taken_);
        for (std::size_t i = 0; i < taken_; ++i)
            rows_[i] = static_cast<std::uint32_t>(i);
    }
    endResetModel();
    if (sortColumn_ != frame || sortOrder_ != Qt::AscendingOrder)
        sort(sortColumn_, sortOrder_);
}

void PacketListModel::refreshColors() {
    auto* preferences = host_.structure().plugInPreferencesInstance;
    color_.reset();
    if (preferences && preferences->usesColor())
        color_ = toQColor(preferences->protocolColor());
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

void PacketListModel::setChecks(const CaptureChecks* checks) {
    checks_ = checks;
    cache_ = DecodedCache(cacheLimit);
    if (!rows_.empty())
        emit dataChanged(index(0, checksColumn()), index(rowCount() - 1, checksColumn()));
}

zem::ByteBuffer PacketListModel::octets(std::uint32_t position) const {
    zem::ByteBuffer bytes;
    if (!index_ || !store_ || position >= index_->size())
        return bytes;
    const auto& entry = (*index_)[position];
    if (!store_->read(entry.storeOffset, entry.length, bytes))
        bytes.clear();
    return bytes;
}

zem::ByteBuffer PacketListModel::frameOctets(std::uint32_t position) const {
    zem::ByteBuffer bytes;
    if (!index_ || !store_ || position >= index_->size())
        return bytes;
    const auto& entry = (*index_)[position];
    if (!entry.frameStored ||
        !store_->read(static_cast<std::uint64_t>(static_cast<std::int64_t>(entry.storeOffset) +
                                                 entry.frameAt),
                      entry.frameStoredLength(), bytes))
        bytes.clear();
    return bytes;
}

const PacketListModel::Decoded& PacketListModel::decoded(std::uint32_t position) const {
    if (auto* found = cache_.find(position)) {
        cache_.touch(position, static_cast<double>(++uses_));
        return *found;
    }
    Decoded d;
    const auto bytes = octets(position);
    // Without loaded secrets the window still decodes through the same road, with none.
    static const CaptureChecks noSecrets;
    const auto& checks = checks_ ? *checks_ : noSecrets;
    const auto message =
        index_ && store_ ? checks.decodeAt(host_, *index_, *store_, position, zem::ByteView(bytes))
                         : std::nullopt;
    if (message) {
        d.info = QString::fromStdString(
            zem::terminalSafe(message->analyzer().protocolInfo(message->octets()).value_or("")));
        for (const auto& column : plugInColumns_) {
            auto value = host_.value(message->analyzer(), column.key, message->octets());
            d.plugInValues << (value ? QString::fromStdString(
                                           zem::terminalSafe(zem::propertyText(*value)))
                                     : QString());
        }
        if (checks_) {
            d.checks = checksColumnText(message->checks(), checks_->secretsLoaded());
            d.checksInvalid = message->checks().verdict() == analysis::CheckResult::invalid;
        }
        const auto& links = message->exchange();
        if (links.responseTime)
            d.responseTime =
                QString::fromStdString(analysis::responseTimeText(*links.responseTime));
        if (const auto linked = links.responseFrame ? links.responseFrame : links.requestFrame)
            d.linkedFrame = QString::number(*linked);
    } else {
        d.info = "(not RADIUS)";
        for (std::size_t i = 0; i < plugInColumns_.size(); ++i)
            d.plugInValues << QString();
    }
    auto& kept = cache_.insert(position, static_cast<double>(++uses_));
    kept = std::move(d);
    return kept;
}

QString PacketListModel::text(std::uint32_t position, int column) const {
    const auto& m = (*index_)[position];
    switch (column) {
    case frame:
        return QString::number(m.frame);
    case time:
        return QString::number(m.time - index_->firstTime(), 'f', 6);
    case source:
        return endpointText(index_->source(position));
    case destination:
        return endpointText(index_->destination(position));
    case transport: {
        const auto name = zem::transportName(m.transport);
        return QStringLiteral("RADIUS/") +
               QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    case length:
        return QString::number(m.length);
    case info:
        return decoded(position).info;
    default:
        if (column == checksColumn())
            return decoded(position).checks;
        if (column == responseTimeColumn())
            return decoded(position).responseTime;
        if (column == linkedFrameColumn())
            return decoded(position).linkedFrame;
        return decoded(position).plugInValues.value(column - firstPlugInColumn);
    }
}

int PacketListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PacketListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : linkedFrameColumn() + 1;
}

QVariant PacketListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !index_ || index.row() >= rowCount())
        return {};
    const auto position = messageAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(position, index.column());
    case Qt::BackgroundRole:
        return color_ ? QVariant(QBrush(*color_)) : QVariant();
    case Qt::ForegroundRole:
        if (index.column() == checksColumn() && decoded(position).checksInvalid)
            return QBrush(Qt::red);
        if (color_)
            return QBrush(color_->lightnessF() < 0.5 ? Qt::white : Qt::black);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == frame || index.column() == time || index.column() == length ||
            index.column() == responseTimeColumn() || index.column() == linkedFrameColumn())
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant PacketListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section < firstPlugInColumn)
        return fixedTitles[section];
    if (section == checksColumn())
        return "Checks";
    if (section == responseTimeColumn())
        return "Response time";
    if (section == linkedFrameColumn())
        return "Linked frame";
    return plugInColumns_.at(static_cast<std::size_t>(section - firstPlugInColumn)).title;
}

void PacketListModel::sort(int column, Qt::SortOrder order) {
    if (!index_)
        return;
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection and the current row follow their messages to their new rows.
    const auto persistent = persistentIndexList();
    std::vector<std::uint32_t> persistentMessages;
    for (const auto& kept : persistent)
        persistentMessages.push_back(rows_[static_cast<std::size_t>(kept.row())]);
    const auto& idx = *index_;
    auto ordered = [order](auto less) {
        return [less, order](std::uint32_t a, std::uint32_t b) {
            return order == Qt::AscendingOrder ? less(a, b) : less(b, a);
        };
    };
    // A field is read by position: an address is made from the entry and maybe the
    // index's table of IPv6 pairs.
    auto byField = [&](auto field) {
        return ordered([field](std::uint32_t a, std::uint32_t b) {
            const auto fa = field(a), fb = field(b);
            return fa < fb || (!(fb < fa) && a < b);
        });
    };
    switch (column) {
    case frame:
        std::sort(rows_.begin(), rows_.end(),
                  byField([&idx](std::uint32_t p) { return idx[p].frame; }));
        break;
    case time:
        std::sort(rows_.begin(), rows_.end(),
                  byField([&idx](std::uint32_t p) { return idx[p].time; }));
        break;
    case source:
        std::sort(rows_.begin(), rows_.end(), byField([&idx](std::uint32_t p) {
                      return std::pair(idx.source(p), idx[p].sourcePort);
                  }));
        break;
    case destination:
        std::sort(rows_.begin(), rows_.end(), byField([&idx](std::uint32_t p) {
                      return std::pair(idx.destination(p), idx[p].destinationPort);
                  }));
        break;
    case transport:
        std::sort(rows_.begin(), rows_.end(),
                  byField([&idx](std::uint32_t p) { return idx[p].transport; }));
        break;
    case length:
        std::sort(rows_.begin(), rows_.end(),
                  byField([&idx](std::uint32_t p) { return idx[p].length; }));
        break;
    default: {
        // Decoded columns: their texts are made once for every shown row; a column the
        // plug-in declares a number sorts as numbers (9 before 10), a row without one first.
        std::vector<QString> keys(idx.size());
        for (auto position : rows_)
            keys[position] = column == info ? decoded(position).info : text(position, column);
        const auto plugInColumn = static_cast<std::size_t>(column - firstPlugInColumn);
        const bool numeric = (column >= firstPlugInColumn && plugInColumn < plugInColumns_.size() &&
                              plugInColumns_[plugInColumn].numeric) ||
                             column == responseTimeColumn() || column == linkedFrameColumn();
        if (numeric) {
            std::vector<std::optional<double>> numbers(idx.size());
            for (auto position : rows_) {
                bool ok = false;
                const auto number = keys[position].toDouble(&ok);
                if (ok)
                    numbers[position] = number;
            }
            std::sort(rows_.begin(), rows_.end(),
                      ordered([&numbers](std::uint32_t a, std::uint32_t b) {
                          return numbers[a] < numbers[b] || (numbers[a] == numbers[b] && a < b);
                      }));
            break;
        }
        std::sort(rows_.begin(), rows_.end(), ordered([&keys](std::uint32_t a, std::uint32_t b) {
                      const int c = QString::compare(keys[a], keys[b]);
                      return c < 0 || (c == 0 && a < b);
                  }));
        break;
    }
    }
    if (!persistent.isEmpty()) {
        std::unordered_map<std::uint32_t, int> rowOfMessage;
        for (std::size_t row = 0; row < rows_.size(); ++row)
            rowOfMessage.emplace(rows_[row], static_cast<int>(row));
        QModelIndexList moved;
        for (int i = 0; i < persistent.size(); ++i)
            moved << index(rowOfMessage.at(persistentMessages[static_cast<std::size_t>(i)]),
                           persistent[i].column());
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace gui
