// PopUpCellWidget: a table cell in Qt that draws a plug-in's pop-up cell (a pop-up button
// beside a one-port field) and forwards editing to it. The cell decides whether the
// field may give up the focus; when it refuses, the field takes the focus back and shows
// its text in the colour the cell chose.
#pragma once

#include "ZEMPopUpCellProtocol.hpp"

#include <QWidget>
#include <memory>

class QComboBox;
class QLineEdit;

namespace gui {

class PopUpCellWidget : public QWidget {
    Q_OBJECT
public:
    /// Creates the plug-in's cell class by name; the widget is empty when no loaded
    /// bundle offers it.
    explicit PopUpCellWidget(QWidget* parent = nullptr);
    ~PopUpCellWidget() override;

    bool hasCell() const { return cell_ != nullptr; }
    zem::ZEMPopUpCellProtocol& cell() { return *cell_; }
    QComboBox* popUp() const { return popUp_; }
    QLineEdit* field() const { return field_; }
    /// The row this cell edits: its protocol record, and the pop-up's choices.
    void display(std::shared_ptr<zem::ZEMNetworkProtocol> row, std::vector<std::string> choices);
    /// Before the cell is shown for another row.
    void prepareForReuse();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redraw();

    std::shared_ptr<zem::ZEMPopUpCellProtocol> cell_;
    std::size_t subscription_ = 0;
    QComboBox* popUp_;
    QLineEdit* field_;
    bool refocusing_ = false;
};

} // namespace gui
