// ListColumns: the packet list's columns as the user arranges them: dragged to another
// place, shown or hidden from a menu on the header, and kept so between runs.
#pragma once

#include <QObject>
#include <memory>

class QHeaderView;
class QMenu;

namespace gui {

class ListColumns : public QObject {
    Q_OBJECT
public:
    /// Takes over `header`'s menu and movable sections, and puts back the arrangement
    /// stored by the last run (unless the columns have changed since).
    explicit ListColumns(QHeaderView& header);

    /// One checked entry per column, shown ones ticked; the last shown one cannot go.
    std::unique_ptr<QMenu> menu();
    void setShown(int column, bool shown);

private:
    void remember();

    QHeaderView& header_;
};

} // namespace gui
