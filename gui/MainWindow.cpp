#include "MainWindow.hpp"

#include "AuthenticationsDialog.hpp"
#include "DetailView.hpp"
#include "GuiFonts.hpp"
#include "GuiHost.hpp"
#include "ListColumns.hpp"
#include "PacketListModel.hpp"
#include "PacketListView.hpp"
#include "SecretsDialog.hpp"
#include "SettingsViewWidget.hpp"
#include "StoredMessages.hpp"
#include "TlsKeyLog.hpp"
#include "ZEMError.hpp"
#include "ZEMPortsController.hpp"
#include "ZEMUserDefaults.hpp"
#include "message/DecodedMessage.hpp"
#include "message/MessageTree.hpp"
#include "message/PlugInCodeText.hpp"
#include "reports/RadiusStatistics.hpp"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <limits>
#include <thread>
#include <unordered_set>

namespace gui {

namespace {

constexpr int recentLimit = 8;

} // namespace

MainWindow::MainWindow(GuiHost& host, QWidget* parent) : QMainWindow(parent), host_(host) {
    setWindowTitle("RADIUS Analyzer");
    setAcceptDrops(true);
    resize(1280, 820);

    auto* filterBar = new QToolBar("Filter", this);
    filterBar->setMovable(false);
    filterEdit_ = new QLineEdit(filterBar);
    filterEdit_->setPlaceholderText("Filter: an expression (radiusCode == 2) or a find predicate "
                                    "(RADIUS Code contains=Accept)");
    filterEdit_->setClearButtonEnabled(true);
    filterEdit_->setFont(monospacedFont(10));
    filterBar->addWidget(filterEdit_);
    auto* apply = new QPushButton("Apply", filterBar);
    filterBar->addWidget(apply);
    filterError_ = new QLabel(filterBar);
    filterError_->setStyleSheet("color: #c62828;");
    filterBar->addWidget(filterError_);
    addToolBar(Qt::TopToolBarArea, filterBar);
    connect(filterEdit_, &QLineEdit::returnPressed, this,
            [this] { applyFilter(filterEdit_->text()); });
    connect(filterEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { checkFilterText(text); });
    connect(apply, &QPushButton::clicked, this, [this] { applyFilter(filterEdit_->text()); });

    model_ = new PacketListModel(host_.plugIn(), this);
    model_->setChecks(&checks_);
    list_ = new PacketListView(this);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSortingEnabled(true);
    list_->sortByColumn(PacketListModel::frame, Qt::AscendingOrder);
    list_->verticalHeader()->setVisible(false);
    list_->verticalHeader()->setDefaultSectionSize(20);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setFont(monospacedFont(10));
    list_->setWordWrap(false);
    const int widths[] = {70, 100, 130, 130, 90, 60, 250};
    for (int c = 0; c < PacketListModel::firstPlugInColumn; ++c)
        list_->setColumnWidth(c, widths[c]);
    // The exchange columns next to Info, where a reader of a request looks for its answer.
    auto* header = list_->horizontalHeader();
    header->moveSection(header->visualIndex(model_->responseTimeColumn()),
                        PacketListModel::info + 1);
    header->moveSection(header->visualIndex(model_->linkedFrameColumn()),
                        PacketListModel::info + 2);
    list_->setColumnWidth(model_->responseTimeColumn(), 110);
    list_->setColumnWidth(model_->linkedFrameColumn(), 100);
    columns_ = new ListColumns(*header); // then as the user left them
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showSelectedMessage(); });

    detail_ = new DetailView(this);
    detail_->tree()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(detail_->tree(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showTreeMenu(at); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showListMenu(at); });
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(list_);
    splitter->addWidget(detail_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    // A bar above the list for what the user must see once (a file that ends early), as
    // the status bar's message is easily missed and soon replaced.
    notice_ = new QLabel(this);
    notice_->setWordWrap(true);
    notice_->setStyleSheet("QLabel { background: #fff3c4; color: #3d3000; padding: 4px; }");
    notice_->hide();
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    centralLayout->addWidget(notice_);
    centralLayout->addWidget(splitter, 1);
    setCentralWidget(central);

    countLabel_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(220);
    progress_->setRange(0, 1000);
    progress_->setVisible(false);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setVisible(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelWork(); });
    statusBar()->addWidget(countLabel_, 1);
    statusBar()->addPermanentWidget(progress_);
    statusBar()->addPermanentWidget(cancel_);

    buildMenus();
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] { poll(); });
    updateCounts();
}

void MainWindow::buildMenus() {
    auto* file = menuBar()->addMenu("&File");
    file->addAction("&Open…", QKeySequence::Open, this, [this] {
        const auto path = QFileDialog::getOpenFileName(
            this, "Open a capture", {}, "Captures (*.pcap *.pcapng *.cap);;All files (*)");
        if (!path.isEmpty())
            openCapture(path);
    });
    recentMenu_ = file->addMenu("Open &Recent");
    fillRecentMenu();
    file->addAction("&Capture on Interface…", this, [this] { chooseInterface(); });
    file->addAction("&Stop Capture", this, [this] {
        if (capture_ && capture_->live())
            capture_->loader().cancel();
    });
    file->addAction("&Export Specified Messages…", this, [this] { chooseExport(); });
    file->addSeparator();
    file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);
    auto* edit = menuBar()->addMenu("&Edit");
    edit->addAction("&Preferences…", QKeySequence::Preferences, this,
                    [this] { showPreferences(); });
    auto* analyze = menuBar()->addMenu("&Analyze");
    analyze->addAction("&Decode As…", this, [this] {
        auto dialog = host_.makeDecodeAsDialog();
        dialog->addRule();
        if (dialog->exec() == QDialog::Accepted)
            decodeAs(dialog->rules());
    });
    analyze->addAction("Shared &Secrets…", this, [this] { showSecrets(); });
    analyze->addAction("&TLS Key Log…", this, [this] {
        const auto keyLog =
            QFileDialog::getOpenFileName(this, "Read RADIUS over TLS with a key log", {},
                                         "Key logs (*.keys *.log *.txt);;All files (*)");
        // The open file is read again with it, as a port change reads it again.
        if (!keyLog.isEmpty() && loadTlsKeyLog(keyLog) && !path_.isEmpty())
            openCapture(path_);
    });
    auto* statistics = menuBar()->addMenu("&Statistics");
    statistics->addAction("&RADIUS Statistics", this, [this] { showStatistics(); });
    statistics->addAction("&Authentications", this, [this] { showAuthentications(); });
    statistics->addAction("&Clients", this, [this] { showClients(); });
    statistics->addAction("S&ecurity", this, [this] { showSecurity(); });
    statistics->addAction("&Sessions", this, [this] { showSessions(); });
    auto* go = menuBar()->addMenu("&Go");
    go->addAction("&Linked Message", QKeySequence(Qt::CTRL | Qt::Key_L), this,
                  [this] { goToLinkedMessage(); });
    go->addAction("&Next in Exchange", QKeySequence(Qt::CTRL | Qt::Key_Period), this,
                  [this] { goWithinExchange(1); });
    go->addAction("&Previous in Exchange", QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                  [this] { goWithinExchange(-1); });
    go->addAction("&Go to Message…", QKeySequence(Qt::CTRL | Qt::Key_G), this, [this] {
        bool ok = false;
        const auto frame = QInputDialog::getInt(this, "Go to Message", "Frame number:", 1, 1,
                                                std::numeric_limits<int>::max(), 1, &ok);
        if (ok)
            goToFrame(static_cast<std::uint64_t>(frame));
    });
}

bool MainWindow::goToFrame(std::uint64_t frame) {
    if (!capture_)
        return false;
    if (const auto row = rowOfFrame(frame)) {
        selectRow(*row);
        return true;
    }
    statusBar()->showMessage(QString("Frame %1 is not shown").arg(frame));
    return false;
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const auto recent = QSettings().value("recentFiles").toStringList();
    for (const auto& path : recent)
        recentMenu_->addAction(path, this, [this, path] { openCapture(path); });
    recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::rememberRecent(const QString& path) {
    QSettings settings;
    auto recent = settings.value("recentFiles").toStringList();
    const auto absolute =
        QString::fromStdString(std::filesystem::absolute(path.toStdString()).string());
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > recentLimit)
        recent.removeLast();
    settings.setValue("recentFiles", recent);
    fillRecentMenu();
}

bool MainWindow::closeCapture() {
    if (capture_ && capture_->live() && capture_->recorded()) {
        capture_->stop();
        if (capture_->loader().packets() > 0) {
            const auto answer = QMessageBox::question(
                this, "Keep the capture?",
                QString("The live capture on %1 holds %2 packets. Save it before closing?")
                    .arg(QString::fromStdString(capture_->name()))
                    .arg(capture_->loader().packets()),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel)
                return false;
            if (answer == QMessageBox::Save) {
                const auto target =
                    QFileDialog::getSaveFileName(this, "Save the capture", {}, "pcap (*.pcap)");
                if (target.isEmpty())
                    return false;
                if (const auto failure = capture_->saveRecording(target.toStdString());
                    !failure.empty()) {
                    QMessageBox::warning(this, "Not saved",
                                         "Cannot write " + target + ": " +
                                             QString::fromStdString(failure));
                    return false;
                }
            }
        }
    }
    filterJob_.reset();
    model_->setCapture(nullptr, nullptr);
    detail_->showMessage({});
    checks_.setExchanges(nullptr);
    notice_->hide();
    capture_.reset();
    return true;
}

bool MainWindow::startCapture(const std::function<std::unique_ptr<OpenCapture>()>& open,
                              const QString& failureTitle, bool quiet) {
    if (!closeCapture())
        return false;
    try {
        capture_ = open();
    } catch (const capture::CaptureError& error) {
        if (!quiet)
            QMessageBox::warning(this, failureTitle, QString::fromUtf8(error.what()));
        statusBar()->showMessage(QString::fromUtf8(error.what()));
        return false;
    }
    model_->setCapture(&capture_->index(), &capture_->store());
    firstRowsShown_ = loadReported_ = false;
    cancel_->setText(capture_->live() ? "Stop" : "Cancel");
    // The filter in the bar applies to the new capture as it is read.
    if (!filterEdit_->text().trimmed().isEmpty())
        applyFilter(filterEdit_->text());
    timer_->start();
    poll();
    return true;
}

bool MainWindow::openCapture(const QString& path, bool quiet) {
    if (!startCapture(
            [&] { return OpenCapture::openFile(path.toStdString(), tlsKeyLog_, waker()); },
            "Cannot open the capture", quiet))
        return false;
    path_ = path;
    rememberRecent(path);
    setWindowTitle(QFileInfo(path).fileName() + " — RADIUS Analyzer");
    return true;
}

bool MainWindow::startLiveCapture(const QString& interface, bool quiet) {
    if (!startCapture(
            [&] { return OpenCapture::openLive(interface.toStdString(), tlsKeyLog_, waker()); },
            "Cannot capture", quiet))
        return false;
    path_.clear();
    setWindowTitle("Capturing on " + interface + " — RADIUS Analyzer");
    return true;
}

void MainWindow::chooseInterface() {
    std::vector<capture::CaptureInterface> interfaces;
    try {
        interfaces = capture::captureInterfaces();
    } catch (const capture::CaptureError& error) {
        QMessageBox::warning(this, "No interfaces", QString::fromUtf8(error.what()));
        return;
    }
    QStringList names;
    for (const auto& i : interfaces)
        names << QString::fromStdString(i.name);
    if (names.isEmpty()) {
        QMessageBox::information(this, "No interfaces",
                                 "No interface can be captured on. Capturing needs root, or the "
                                 "CAP_NET_RAW and CAP_NET_ADMIN capabilities.");
        return;
    }
    bool ok = false;
    const auto chosen = QInputDialog::getItem(this, "Capture", "Interface:", names, 0, false, &ok);
    if (ok)
        startLiveCapture(chosen);
}

bool MainWindow::loading() const {
    return capture_ && !capture_->finished();
}

bool MainWindow::poll() {
    // One look at whether the reading has ended: the reader may end while this runs, and
    // the last catch-up and the decision to stop polling must agree, or the list would
    // stay short of the last messages.
    const bool readingEnded = capture_ && capture_->finished();
    if (capture_) {
        if (model_->catchUp() > 0 && !firstRowsShown_) {
            firstRowsShown_ = true;
            // The plug-in's columns as wide as their first texts; the last one stretches.
            for (int c = PacketListModel::firstPlugInColumn; c + 1 < model_->columnCount(); ++c)
                list_->resizeColumnToContents(c);
            if (!list_->currentIndex().isValid())
                selectRow(0);
            if (onFirstRows)
                onFirstRows();
        }
        const double share = capture_->loader().fractionRead();
        if (share >= 0)
            progress_->setValue(static_cast<int>(share * 1000));
        if (readingEnded && !loadReported_) {
            loadReported_ = true;
            model_->catchUp();
            // Every request's response is known now: the list and the tree show the links.
            checks_.setExchanges(capture_->exchanges());
            checksChanged();
            const auto failure = capture_->failure();
            if (!failure.empty()) {
                statusBar()->showMessage(QString::fromStdString(failure));
                const auto read = model_->totalCount();
                notice_->setText(QString("Reading stopped before the end of the file: the %1 "
                                         "%2 read %3 shown. %4")
                                     .arg(read)
                                     .arg(read == 1 ? "message" : "messages")
                                     .arg(read == 1 ? "is" : "are")
                                     .arg(QString::fromStdString(failure)));
                notice_->show();
            }
            if (onLoaded)
                onLoaded();
        }
    }
    if (filterJob_) {
        progress_->setValue(static_cast<int>(filterJob_->progress() * 1000));
        if (filterJob_->finished())
            finishFilter();
    }
    const bool busy = (capture_ && !readingEnded) || filterJob_;
    progress_->setVisible(busy && !(capture_ && capture_->live() && !filterJob_));
    cancel_->setVisible(busy);
    if (!busy)
        timer_->stop();
    updateCounts();
    return busy;
}

void MainWindow::updateCounts() {
    if (!capture_) {
        countLabel_->setText("No capture open. File › Open, or drop a capture here.");
        return;
    }
    QString text = QString("Messages: %1").arg(model_->totalCount());
    if (model_->filtered())
        text += QString(" · Shown: %1").arg(model_->shownCount());
    text += QString(" · Packets: %1").arg(capture_->loader().packets());
    if (loading())
        text += capture_->live() ? " · capturing" : " · reading";
    if (filterJob_)
        text += " · filtering";
    countLabel_->setText(text);
}

void MainWindow::checkFilterText(const QString& text) {
    // Green or red as one types, as Wireshark's filter bar: the expression is parsed at
    // each key (parsing only: nothing runs until it is applied).
    const auto expression = text.trimmed().toStdString();
    std::optional<bool> valid;
    QString why;
    if (!expression.empty()) {
        try {
            FilterJob probe(host_.plugIn(), checks_, host_.dictionary(), expression);
            valid = true;
        } catch (const zem::ZEMError& error) {
            valid = false;
            why = QString::fromUtf8(error.what());
        }
    }
    filterEdit_->setProperty("filterValid", valid ? QVariant(*valid) : QVariant());
    filterEdit_->setStyleSheet(!valid   ? QString()
                               : *valid ? "QLineEdit { background: #d9f7d2; }"
                                        : "QLineEdit { background: #fbd5d5; }");
    filterEdit_->setToolTip(why);
}

bool MainWindow::applyFilter(const QString& text) {
    filterJob_.reset();
    filterError_->clear();
    const auto expression = text.trimmed().toStdString();
    shownBy_ = expression.empty() ? QString() : "filter: " + text.trimmed();
    if (expression.empty()) {
        model_->setShownMessages(std::nullopt);
        updateCounts();
        return true;
    }
    try {
        filterJob_ =
            std::make_unique<FilterJob>(host_.plugIn(), checks_, host_.dictionary(), expression);
    } catch (const zem::ZEMError& error) {
        filterError_->setText(QString::fromUtf8(error.what()));
        return false;
    }
    if (!capture_) {
        filterJob_.reset();
        return true;
    }
    if (loading()) {
        // While reading, each message is tested as it is taken in.
        std::shared_ptr<FilterJob> filter = std::move(filterJob_);
        const auto& index = capture_->index();
        const auto& store = capture_->store();
        model_->setRowFilter([filter, &index, &store](std::uint32_t position) {
            return filter->keeps(index, store, position);
        });
        updateCounts();
        return true;
    }
    model_->catchUp();
    filterJob_->start(capture_->index(), capture_->store(), model_->totalCount(), waker());
    timer_->start();
    poll();
    return true;
}

void MainWindow::finishFilter() {
    auto kept = filterJob_->takeResult();
    const bool cancelled = filterJob_->cancelled();
    filterJob_.reset();
    if (!cancelled)
        model_->setShownMessages(std::move(kept));
    if (model_->rowCount() > 0)
        selectRow(0);
    else
        detail_->showMessage({});
}

void MainWindow::cancelWork() {
    if (filterJob_)
        filterJob_->cancel();
    if (capture_ && !capture_->finished())
        capture_->loader().cancel();
}

std::function<void()> MainWindow::waker() {
    // A queued call: it runs on the window's thread, and not at all once the window is gone.
    return [this] {
        QMetaObject::invokeMethod(
            this, [this] { poll(); }, Qt::QueuedConnection);
    };
}

bool MainWindow::waitUntilIdle(double seconds) {
    QElapsedTimer clock;
    clock.start();
    // Woken by events (the poll timer, the threads' end), not spinning: a loop of polls
    // took a core from the threads that read and filter.
    QTimer tick;
    tick.start(50);
    while (static_cast<double>(clock.elapsed()) < seconds * 1000) {
        if (!poll())
            return true;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return false;
}

void MainWindow::selectRow(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    list_->selectRow(row);
    list_->setCurrentIndex(model_->index(row, 0));
    showSelectedMessage();
}

std::optional<int> MainWindow::rowOfFrame(std::uint64_t frame) const {
    for (int row = 0; row < model_->rowCount(); ++row)
        if (capture_->index()[model_->messageAt(row)].frame == frame)
            return row;
    return std::nullopt;
}

void MainWindow::goToLinkedMessage() {
    const auto current = list_->currentIndex();
    const auto* exchanges = checks_.exchanges();
    if (!current.isValid() || !capture_ || !exchanges)
        return;
    const auto links = exchanges->links(model_->messageAt(current.row()));
    const auto partner = links.responseFrame ? links.responseFrame : links.requestFrame;
    if (!partner) {
        statusBar()->showMessage("This message has no linked request or response");
        return;
    }
    if (const auto row = rowOfFrame(*partner))
        selectRow(*row);
    else
        statusBar()->showMessage(QString("Frame %1 is not shown").arg(*partner));
}

void MainWindow::showSelectedMessage() {
    const auto current = list_->currentIndex();
    if (!current.isValid() || !capture_) {
        detail_->showMessage({});
        return;
    }
    const auto position = model_->messageAt(current.row());
    auto octets = model_->octets(position);
    std::optional<analysis::MessageTree> tree;
    if (const auto decoded = checks_.decodeAt(host_.plugIn(), capture_->index(), capture_->store(),
                                              position, zem::ByteView(octets))) {
        const auto display = checks_.display(host_.plugIn());
        tree = analysis::messageTree(*decoded, &host_.dictionary(), &display);
    }
    DetailView::Frame frame;
    const auto stored = model_->frameOctets(position);
    if (!stored.empty()) {
        const auto& entry = capture_->index()[position];
        auto origin = capture_->index().origin(position);
        origin.carrying = entry.carryingFrame(zem::ByteView(stored));
        frame.layers = capture::frameLayers(origin, octets.size());
        frame.messageOffset = origin.carrying.messageOffset;
        const auto captured = origin.carrying.captured();
        frame.captured.assign(captured.begin(), captured.end());
    }
    detail_->showMessage(std::move(octets), std::move(tree), std::move(frame));
}

bool MainWindow::loadSecrets(const QString& path, bool quiet) {
    QString error, warning;
    if (!checks_.load(path, error, warning)) {
        if (!quiet)
            QMessageBox::warning(this, "Shared Secrets", error);
        return false;
    }
    if (!warning.isEmpty())
        statusBar()->showMessage(warning);
    checksChanged();
    return true;
}

bool MainWindow::loadTlsKeyLog(const QString& path, bool quiet) {
    auto keyLog = capture::readTlsKeyLogFile(path.toStdString());
    if (!keyLog.text) {
        if (!quiet)
            QMessageBox::warning(this, "TLS Key Log", QString::fromStdString(keyLog.error));
        return false;
    }
    tlsKeyLog_ = std::move(*keyLog.text);
    return true;
}

void MainWindow::showSecrets() {
    SecretsDialog dialog(
        checks_, [this] { checksChanged(); }, this);
    dialog.exec();
}

void MainWindow::checksChanged() {
    model_->setChecks(&checks_);
    showSelectedMessage();
}

void MainWindow::decodeAs(const std::vector<DecodeAsRule>& rules) {
    applyDecodeAs(rules);
    if (!path_.isEmpty())
        openCapture(path_, true);
}

void MainWindow::showPreferences() {
    auto widget = host_.makeSettingsWidget();
    if (!widget)
        return;
    QDialog dialog(this);
    dialog.setWindowTitle("Preferences");
    auto* layout = new QVBoxLayout(&dialog);
    auto* settings = widget.release();
    layout->addWidget(settings);
    connect(settings, &SettingsViewWidget::dismissed, &dialog, &QDialog::accept);
    // The view's switches and ports take effect as they change; Cancel (or Escape, or
    // closing the window) puts back the settings as they were when the dialog opened.
    auto* cancel = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    connect(cancel, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(cancel);
    followSettings(*settings);
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    const auto storedBefore = store.storedValues();
    const auto portsBefore = claimedPorts();
    if (onPreferences) {
        dialog.show();
        onPreferences(*settings);
    } else {
        dialog.exec();
    }
    if (dialog.result() == QDialog::Rejected) {
        store.restoreStoredValues(storedBefore);
        // The view registers its ports again from the list it stored.
        try {
            settings->view().decodeProtocolsFromUserDefaults();
            settings->view().encodeProtocolPorts();
        } catch (const std::exception&) {
            // An unreadable list: the view went back to its defaults.
        }
    }
    model_->refreshColors();
    showSelectedMessage();
    // Other ports decode other messages: the open capture is read again at once, with its
    // progress and Cancel, rather than when it is next opened.
    if (claimedPorts() != portsBefore && !path_.isEmpty())
        openCapture(path_, true);
}

std::vector<std::tuple<std::string, std::int64_t, int>> MainWindow::claimedPorts() {
    std::vector<std::tuple<std::string, std::int64_t, int>> ports;
    zem::ZEMPortsController::sharedPortsController().forEachClaim([&](const auto& claim) {
        ports.emplace_back(claim.protocolName, claim.port, static_cast<int>(claim.source));
    });
    return ports;
}

std::vector<bool> MainWindow::shownPositions() const {
    std::vector<bool> shown(model_->totalCount(), false);
    for (int row = 0; row < model_->rowCount(); ++row)
        if (const auto position = model_->messageAt(row); position < shown.size())
            shown[position] = true;
    return shown;
}

QString MainWindow::countedText() const {
    if (!model_->filtered())
        return QString("All %1 messages").arg(model_->totalCount());
    QString text = QString("The %1 of %2 messages the list shows")
                       .arg(model_->rowCount())
                       .arg(model_->totalCount());
    if (!shownBy_.isEmpty())
        text += " (" + shownBy_ + ")";
    return text;
}

bool MainWindow::decodeShown(const std::function<void(const analysis::DecodedMessage&)>& visit,
                             bool withChecks) {
    std::optional<std::vector<bool>> shown;
    if (model_->filtered())
        shown = shownPositions();
    return decodeAll(
        [&](const analysis::DecodedMessage* decoded) {
            if (decoded)
                visit(*decoded);
        },
        shown ? &*shown : nullptr, withChecks);
}

bool MainWindow::decodeAll(const std::function<void(const analysis::DecodedMessage*)>& visit,
                           const std::vector<bool>* only, bool withChecks) {
    if (!capture_)
        return false;
    const auto& index = capture_->index();
    const auto& store = capture_->store();
    const auto& plugIn = host_.plugIn();
    const std::size_t count = model_->totalCount();
    constexpr std::size_t run = 4096;
    std::atomic<std::size_t> counted{0};
    std::atomic<bool> cancelled{false};
    // The links carry the TLS messages joined across round trips, which authentications
    // read.
    const auto* exchanges = checks_.exchanges();
    // Decoding a million messages takes seconds: they are read on a thread of their own
    // while the window stays live.
    std::thread counting([&] {
        zem::ByteBuffer buffer;
        for (std::size_t start = 0; start < count && !cancelled; start += run) {
            capture::forEachStored(
                index, store, start, std::min(count, start + run), buffer,
                [&](std::size_t position, const capture::IndexedMessage&, zem::ByteView message) {
                    if (only && (position >= only->size() || !(*only)[position]))
                        return;
                    const auto decoded =
                        withChecks ? checks_.decodeAt(plugIn, index, store, position, message)
                                   : analysis::DecodedMessage::decode(
                                         plugIn, index.origin(position), message, {},
                                         exchanges ? exchanges->links(position)
                                                   : analysis::ExchangeLinks{});
                    visit(decoded ? &*decoded : nullptr);
                });
            counted = std::min(count, start + run);
        }
    });
    QProgressDialog progress("Counting…", "Cancel", 0, static_cast<int>(count / run + 1), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    while (counted < count && !cancelled) {
        progress.setValue(static_cast<int>(counted / run));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        cancelled = progress.wasCanceled();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    counting.join();
    progress.setValue(progress.maximum());
    return !cancelled;
}

std::optional<analysis::StatisticsSummary> MainWindow::computeStatistics() {
    analysis::RadiusStatistics statistics;
    analysis::RequestMatcher exchanges;
    // What the list shows: a filter's messages are counted, as Wireshark's statistics do.
    std::optional<std::vector<bool>> shown;
    if (model_->filtered())
        shown = shownPositions();
    // These statistics read neither checks nor sessions.
    const bool done = decodeAll(
        [&](const analysis::DecodedMessage* decoded) {
            if (!decoded) {
                statistics.addNotRadius();
                return;
            }
            const auto& facts = decoded->facts({false, false});
            statistics.addMessage(facts, exchanges.track(facts.origin, facts.code, facts.identifier,
                                                         [&](const analysis::ExchangeKey&) {
                                                             statistics.addGivenUp();
                                                         }));
        },
        shown ? &*shown : nullptr);
    if (!done)
        return std::nullopt;
    return statistics.summary(
        [this](std::uint8_t code) { return analysis::plugInCodeText(host_.plugIn(), code); });
}

std::optional<std::vector<analysis::Authentication>> MainWindow::computeAuthentications() {
    analysis::Authentications authentications(true);
    const bool done = decodeAll([&](const analysis::DecodedMessage* decoded) {
        if (!decoded)
            return;
        analysis::FactsWanted wanted{false, false};
        wanted.authentication = true;
        const auto& facts = decoded->facts(wanted);
        if (facts.authentication)
            authentications.addMessage(facts.origin, facts.code, facts.identifier,
                                       *facts.authentication);
    });
    if (!done)
        return std::nullopt;
    return authentications.finish();
}

void MainWindow::showAuthentications() {
    auto rows = computeAuthentications();
    if (!rows)
        return;
    AuthenticationsDialog dialog(
        std::move(*rows),
        [this](const std::vector<std::uint64_t>& frames) {
            const std::unordered_set<std::uint64_t> wanted(frames.begin(), frames.end());
            std::vector<std::uint32_t> positions;
            const auto& index = capture_->index();
            for (std::uint32_t position = 0; position < model_->totalCount(); ++position)
                if (wanted.contains(index[position].frame))
                    positions.push_back(position);
            model_->setShownMessages(std::move(positions));
            shownBy_ = "one authentication's messages";
            updateCounts();
            selectRow(0);
        },
        this);
    if (onAuthentications)
        onAuthentications(dialog);
    else
        dialog.exec();
}

void MainWindow::followSettings(SettingsViewWidget& settings) {
    // A switch or colour change shows in the list at once.
    // The privacy switch shows or hides recovered passwords at once.
    connect(&settings, &SettingsViewWidget::viewChanged, this, [this] {
        model_->refreshColors();
        showSelectedMessage();
    });
}

void MainWindow::showStatistics() {
    const auto summary = computeStatistics();
    if (!summary)
        return;
    const auto& s = *summary;
    QDialog dialog(this);
    dialog.setWindowTitle("RADIUS Statistics");
    auto* layout = new QVBoxLayout(&dialog);
    auto* counted = new QLabel(countedText(), &dialog);
    counted->setObjectName("counted");
    layout->addWidget(counted);
    auto* table = new QTableWidget(0, 2, &dialog);
    table->setObjectName("statistics");
    table->setHorizontalHeaderLabels({"", "Count"});
    table->verticalHeader()->setVisible(false);
    auto row = [table](const QString& label, const QString& value) {
        const int r = table->rowCount();
        table->insertRow(r);
        table->setItem(r, 0, new QTableWidgetItem(label));
        auto* item = new QTableWidgetItem(value);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(r, 1, item);
    };
    for (const auto& rows : {analysis::messageRows(s), analysis::exchangeRows(s)})
        for (const auto& [label, count] : rows)
            row(QString::fromStdString(label), QString::number(count));
    if (const auto& t = s.responseTimes)
        row("Response time (ms): min / median / p99 / max", QString("%1 / %2 / %3 / %4")
                                                                .arg(t->minimum * 1000, 0, 'f', 3)
                                                                .arg(t->median * 1000, 0, 'f', 3)
                                                                .arg(t->p99 * 1000, 0, 'f', 3)
                                                                .arg(t->maximum * 1000, 0, 'f', 3));
    // Every row whole: the columns as wide as their texts, the dialog as wide as both.
    table->setWordWrap(false);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    runStatisticsDialog(dialog, *layout,
                        {std::max(560, table->horizontalHeader()->length() + 60), 480});
}

void MainWindow::runStatisticsDialog(QDialog& dialog, QVBoxLayout& layout, QSize size) {
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(close);
    dialog.resize(size);
    if (onStatistics)
        onStatistics(dialog);
    else
        dialog.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeCapture())
        event->accept();
    else
        event->ignore();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        openCapture(urls.front().toLocalFile());
}

} // namespace gui
