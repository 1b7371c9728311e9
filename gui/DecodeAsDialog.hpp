// DecodeAsDialog: "Decode As": rows that each pick a protocol in a pop-up cell, a
// transport and a port, so that traffic on a port the plug-in does not claim is decoded
// for this run, as `-d udp.port==N,RADIUS` does on the command line. A port that
// another protocol already claims on that transport is refused in the cell itself.
#pragma once

#include "ZEMConstants.hpp"

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QTableWidget;
class QPushButton;

namespace gui {

class PopUpCellWidget;

struct DecodeAsRule {
    std::string protocol;
    zem::kZEMSourceProtocols transport;
    std::uint16_t port;
    /// The command line's spelling: "udp.port==1700,RADIUS".
    std::string commandLine() const;
};

class DecodeAsDialog : public QDialog {
    Q_OBJECT
public:
    /// `protocols`: the names the pop-ups offer.
    explicit DecodeAsDialog(std::vector<std::string> protocols, QWidget* parent = nullptr);

    /// Adds a row, optionally filled in.
    void addRule(const std::string& protocol = {},
                 zem::kZEMSourceProtocols transport = zem::kZEMSourceProtocols::udp,
                 const std::string& port = {});
    QTableWidget* table() const { return table_; }
    PopUpCellWidget* cell(int row) const;
    QPushButton* okButton() const { return ok_; }
    /// Says why a port is shown red: another protocol of the plug-in claims it, and a
    /// rule for this run takes it over, as -d does. Hidden when no row's port is claimed.
    QLabel* note() const { return note_; }
    /// The complete rows, in table order.
    std::vector<DecodeAsRule> rules() const;

private:
    std::vector<std::string> protocols_;
    // Shows the note for the rows whose ports another protocol claims.
    void explainClaims();

    QTableWidget* table_;
    QPushButton* ok_;
    QLabel* note_;
};

/// Claims the rules' ports for this run, as -d does.
void applyDecodeAs(const std::vector<DecodeAsRule>& rules);

} // namespace gui
