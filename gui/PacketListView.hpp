// PacketListView: the packet list, which moves by messages: Home and End (with Ctrl or
// without) go to the first and the last message in the first column, so that No. and Time
// stay in view, where a table would run sideways to its first or last column.
#pragma once

#include <QTableView>

namespace gui {

class PacketListView : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

} // namespace gui
