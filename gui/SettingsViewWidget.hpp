// SettingsViewWidget: draws a plug-in's settings view in Qt and forwards the user's
// actions to it: the three switches and the packet colour, the protocols table with its
// Name menu, Ports field and Source menu, "Reset" and "Ok". Every decision is the view's;
// this widget only draws its state again whenever the view announces a change.
#pragma once

#include "ZEMPluginProtocols.hpp"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace gui {

class SettingsViewWidget : public QWidget {
    Q_OBJECT
public:
    explicit SettingsViewWidget(std::shared_ptr<zem::ZEMProtocolTableView> view,
                                QWidget* parent = nullptr);
    ~SettingsViewWidget() override;

    zem::ZEMProtocolTableView& view() { return *view_; }
    // The controls, for tests and for the host's own layout.
    QCheckBox* secretsBox() const { return secrets_; }
    QCheckBox* resolveBox() const { return resolve_; }
    QCheckBox* colorBox() const { return useColor_; }
    QPushButton* colorButton() const { return colorButton_; }
    QTableWidget* table() const { return table_; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* okButton() const { return ok_; }
    /// Asked before "Reset" throws the protocol list away; a question box unless set
    /// (tests).
    std::function<bool()> confirmReset;

signals:
    /// The view asked to be closed ("Ok", "Reset").
    void dismissed();
    /// The view changed (a switch, the colour, a row), and is drawn again.
    void viewChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    void buildRow(int row);
    void fillRow(int row);
    void pickColor();

    std::shared_ptr<zem::ZEMProtocolTableView> view_;
    std::size_t subscription_ = 0;
    bool refreshPending_ = false;
    QCheckBox* secrets_;
    QCheckBox* resolve_;
    QCheckBox* useColor_;
    QPushButton* colorButton_;
    QTableWidget* table_;
    QPushButton* reset_;
    QPushButton* ok_;
    struct RowWidgets {
        QPushButton* name;
        QLineEdit* ports;
        QLabel* error;
        QPushButton* source;
    };
    std::vector<RowWidgets> rows_;
};

} // namespace gui
