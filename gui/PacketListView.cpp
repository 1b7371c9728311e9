#include "PacketListView.hpp"

#include <QHeaderView>

namespace gui {

QModelIndex PacketListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if ((action != MoveHome && action != MoveEnd) || !model() || model()->rowCount() == 0)
        return QTableView::moveCursor(action, modifiers);
    const int row = action == MoveHome ? 0 : model()->rowCount() - 1;
    // The column shown first, wherever the user moved it.
    return model()->index(row, horizontalHeader()->logicalIndex(0));
}

} // namespace gui
