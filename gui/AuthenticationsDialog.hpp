// AuthenticationsDialog: Statistics › Authentications, the rows -z radius,auths prints as
// a table that sorts, the failed ones in red. Selecting a row shows only its messages in
// the packet list.
#pragma once

#include "reports/Authentications.hpp"

#include <QDialog>
#include <functional>
#include <vector>

class QTableWidget;

namespace gui {

class AuthenticationsDialog : public QDialog {
    Q_OBJECT
public:
    /// `show(frames)` is called with the frames of a selected authentication.
    AuthenticationsDialog(std::vector<analysis::Authentication> rows,
                          std::function<void(const std::vector<std::uint64_t>&)> show,
                          QWidget* parent = nullptr);
    QTableWidget* table() const { return table_; }

private:
    std::vector<analysis::Authentication> rows_;
    QTableWidget* table_;
};

} // namespace gui
