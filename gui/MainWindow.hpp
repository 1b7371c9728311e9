// MainWindow: the packet analyzer's window: the packet list with the plug-in's columns,
// a filter bar, the detail tree beside the octets, menus to open captures (files,
// recent files, drag and drop, live interfaces), the preferences, Decode As and the
// statistics, and a status bar with counts and the progress of long work.
//
// Reading and filtering run off the GUI thread; a timer takes in what they produced.
#pragma once

#include "CaptureChecks.hpp"
#include "DecodeAsDialog.hpp"
#include "FilterJob.hpp"
#include "OpenCapture.hpp"
#include "reports/Authentications.hpp"
#include "reports/ClientStatistics.hpp"
#include "reports/RadiusStatistics.hpp"
#include "reports/SecurityStatistics.hpp"

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QTreeWidgetItem;
class QTimer;
class QVBoxLayout;

namespace gui {

class DetailView;
class GuiHost;
class ListColumns;
class PacketListModel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(GuiHost& host, QWidget* parent = nullptr);

    /// Opens a capture file; false (and a message box unless quiet) when it cannot.
    bool openCapture(const QString& path, bool quiet = false);
    bool startLiveCapture(const QString& interface, bool quiet = false);
    /// Applies the filter bar's text; false when it does not parse (shown inline).
    bool applyFilter(const QString& text);
    /// Colours the filter bar by whether `text` parses; the error is its tool tip.
    void checkFilterText(const QString& text);
    void cancelWork();
    /// Waits, handling events, until reading and filtering are done or `seconds` pass.
    bool waitUntilIdle(double seconds);
    bool loading() const;
    bool filtering() const { return filterJob_ != nullptr; }
    /// Selects a row of the list and shows its message.
    void selectRow(int row);
    /// Selects the response of the selected request, or the request of a response
    /// (Go › Linked Message).
    void goToLinkedMessage();
    /// Selects the message of `frame`; false (said in the status bar) when it is not shown.
    bool goToFrame(std::uint64_t frame);

    /// Which messages File › Export Specified Messages writes.
    enum class ExportRange { all, displayed, selected };
    /// Writes the frames that carried the messages of `range` to `path` (pcapng or pcap);
    /// answers why it could not, or empty.
    QString exportMessages(const QString& path, ExportRange range, bool pcapng);

    // What the context menus do (WindowActions.cpp).
    enum class NodePart { value, fieldName, line };
    /// Copies a part of a tree line to the clipboard; false when it has none.
    bool copyNode(const QTreeWidgetItem& item, NodePart part);
    /// Puts the filter the tree line stands for in the filter bar, and with `apply`
    /// applies it; false for a line no field stands for.
    bool filterByNode(const QTreeWidgetItem& item, bool apply);
    /// Copies a row's cells to the clipboard: tab-separated, or as a line of CSV.
    void copyRow(int row, bool csv);
    /// Shows only the selected message's exchange: its request, the responses and the
    /// copies sent again of either.
    void followExchange(int row);
    /// Selects the next (`step` 1) or previous (-1) message of the selected one's
    /// exchange; false at its end or without one.
    bool goWithinExchange(int step);
    /// Claims ports for this run and reads the open capture again.
    void decodeAs(const std::vector<DecodeAsRule>& rules);
    /// The settings in a dialog of their own; the list follows colour changes at once.
    void showPreferences();
    /// Redraws the list whenever `settings` changes a switch or the colour.
    void followSettings(class SettingsViewWidget& settings);
    void showStatistics();
    /// Loads a secrets file for the checks; false (and a message box unless quiet) when
    /// it cannot be used.
    bool loadSecrets(const QString& path, bool quiet = false);
    /// Loads a TLS key log, to read RADIUS over TLS in the captures opened after; false
    /// (and a message box unless quiet) when it cannot be used.
    bool loadTlsKeyLog(const QString& path, bool quiet = false);
    /// The shared secrets in a dialog: the file loaded, Load and Clear.
    void showSecrets();
    const CaptureChecks& checks() const { return checks_; }
    /// What -z radius,stats counts, over every message read; nothing when cancelled.
    std::optional<analysis::StatisticsSummary> computeStatistics();
    /// What -z radius,auths lists, each row with its frames; nothing when cancelled.
    std::optional<std::vector<analysis::Authentication>> computeAuthentications();
    /// Statistics › Authentications: the rows in a table; a selected one's messages alone
    /// in the list.
    void showAuthentications();
    /// What -z radius,clients reports, over the messages the list shows; nothing when
    /// cancelled.
    std::optional<analysis::ClientStatistics> computeClients();
    /// Statistics › Clients: one row per NAS in a table that sorts by any column (told
    /// to onStatistics when set).
    void showClients();
    /// What -z radius,security reports (with the loaded secrets), over what the list
    /// shows; nothing when cancelled.
    std::optional<analysis::SecurityStatistics> computeSecurity();
    /// Statistics › Security: one row per client, as Clients.
    void showSecurity();
    /// Statistics › Sessions: the rows of -z radius,sessions over what the list shows.
    void showSessions();
    /// When set, called with the Authentications dialog instead of running it (tests).
    std::function<void(class AuthenticationsDialog&)> onAuthentications;
    /// Told of the statistics dialog instead of running it (tests, pictures).
    std::function<void(QDialog&)> onStatistics;
    /// Told of the shown settings view instead of waiting for the user (tests).
    std::function<void(class SettingsViewWidget&)> onPreferences;

    PacketListModel* model() const { return model_; }
    QTableView* list() const { return list_; }
    DetailView* detail() const { return detail_; }
    QLineEdit* filterEdit() const { return filterEdit_; }
    QLabel* filterError() const { return filterError_; }
    QLabel* countLabel() const { return countLabel_; }
    /// The bar above the list that says what a user must see once; hidden otherwise.
    QLabel* notice() const { return notice_; }
    ListColumns* columns() const { return columns_; }

    /// Called once when the first rows are in the list and once when reading ends.
    std::function<void()> onFirstRows, onLoaded;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void showTreeMenu(const QPoint& at);
    // The positions of the messages of the exchange `position` belongs to, in capture
    // order; `requestFrame`, when given, learns the frame that names it.
    std::vector<std::uint32_t> exchangeOf(std::uint32_t position,
                                          std::uint64_t* requestFrame = nullptr) const;
    void chooseExport();
    void showListMenu(const QPoint& at);
    /// Decodes every message read (or, with `only`, those whose positions it marks), on a
    /// thread of its own, with progress and Cancel; `visit` gets nullptr for a message
    /// that is not RADIUS. False when cancelled.
    /// `withChecks`: decoded with what checking needs (the loaded secrets).
    bool decodeAll(const std::function<void(const analysis::DecodedMessage*)>& visit,
                   const std::vector<bool>* only = nullptr, bool withChecks = false);
    /// decodeAll over the RADIUS messages the list shows (all when unfiltered).
    bool decodeShown(const std::function<void(const analysis::DecodedMessage&)>& visit,
                     bool withChecks = false);
    /// Adds Close to a Statistics dialog, sizes it and runs it (or tells onStatistics).
    void runStatisticsDialog(QDialog& dialog, QVBoxLayout& layout, QSize size);
    /// A report's table in a dialog (told to onStatistics when set), `notes` below it.
    void showReportTable(const QString& title, class QTableWidget* table, const QString& notes);
    // Every port claim: the protocol, the port and the transport.
    static std::vector<std::tuple<std::string, std::int64_t, int>> claimedPorts();
    // The positions the list shows, marked.
    std::vector<bool> shownPositions() const;
    // Which messages a count is of, in words.
    QString countedText() const;
    /// Takes in what the reader and the filter have done; answers whether either is still
    /// at work.
    bool poll();
    // For the threads that read and filter: makes the window poll as soon as they end,
    // not at its next tick.
    std::function<void()> waker();
    void showSelectedMessage();
    std::optional<int> rowOfFrame(std::uint64_t frame) const;
    void updateCounts();
    void rememberRecent(const QString& path);
    void fillRecentMenu();
    bool closeCapture(); // false when the user keeps a live capture open
    bool startCapture(const std::function<std::unique_ptr<OpenCapture>()>& open,
                      const QString& failureTitle, bool quiet);
    void chooseInterface();
    void finishFilter();
    void checksChanged();

    GuiHost& host_;
    PacketListModel* model_;
    ListColumns* columns_;
    QTableView* list_;
    DetailView* detail_;
    QLineEdit* filterEdit_;
    QLabel* filterError_;
    QLabel* countLabel_;
    QLabel* notice_;
    QString shownBy_; // what chose the messages the list shows, when it shows fewer
    QProgressBar* progress_;
    QPushButton* cancel_;
    QMenu* recentMenu_;
    QTimer* timer_;
    std::unique_ptr<OpenCapture> capture_;
    std::unique_ptr<FilterJob> filterJob_;
    CaptureChecks checks_;
    QString path_;
    bool firstRowsShown_ = false, loadReported_ = false;
    std::size_t colorSubscription_ = 0;
    std::string tlsKeyLog_; // a key log's text, for the captures opened next
};

} // namespace gui
