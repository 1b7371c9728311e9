#include "ListColumns.hpp"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QMenu>
#include <QSettings>

namespace gui {
namespace {

const char* const settingsKey = "packetListColumns";

} // namespace

ListColumns::ListColumns(QHeaderView& header) : QObject(&header), header_(header) {
    header_.setSectionsMovable(true);
    // A state saved for another set of columns (another plug-in) is refused by
    // restoreState, and the columns stay as laid out.
    header_.restoreState(QSettings().value(settingsKey).toByteArray());
    header_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&header_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu()->exec(header_.mapToGlobal(at)); });
    connect(&header_, &QHeaderView::sectionMoved, this, [this] { remember(); });
    connect(&header_, &QHeaderView::sectionResized, this, [this] { remember(); });
}

std::unique_ptr<QMenu> ListColumns::menu() {
    auto menu = std::make_unique<QMenu>();
    const auto* model = header_.model();
    const int count = header_.count();
    int shown = 0;
    for (int column = 0; column < count; ++column)
        shown += header_.isSectionHidden(column) ? 0 : 1;
    for (int visual = 0; visual < count; ++visual) {
        const int column = header_.logicalIndex(visual);
        auto* action = menu->addAction(model->headerData(column, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(!header_.isSectionHidden(column));
        action->setEnabled(header_.isSectionHidden(column) || shown > 1);
        connect(action, &QAction::toggled, this, [this, column](bool on) { setShown(column, on); });
    }
    return menu;
}

void ListColumns::setShown(int column, bool shown) {
    header_.setSectionHidden(column, !shown);
    remember();
}

void ListColumns::remember() {
    QSettings().setValue(settingsKey, header_.saveState());
}

} // namespace gui
