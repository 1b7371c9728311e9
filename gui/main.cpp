// radius-analyzer-gui: the desktop host. It loads the RADIUSAnalyzer bundle and shows the
// packet analyzer's window over a capture, the plug-in's settings view and Decode As.
#include "AllocatorPages.hpp"
#include "AuthenticationsDialog.hpp"
#include "DecodeAsDialog.hpp"
#include "DetailView.hpp"
#include "GuiHost.hpp"
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "SecretsDialog.hpp"
#include "SettingsViewWidget.hpp"
#include "ZEMError.hpp"
#include "ZEMLog.hpp"
#include "ZEMUserDefaults.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <sys/resource.h>

namespace {

// Pictures, measurements, the help and the version need no display: choose the offscreen
// platform before Qt starts, unless the user chose one, so that they work without one.
void preferOffscreen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if ((argument.starts_with("--screenshot") || argument == "--bench" ||
             argument == "--help" || argument == "-h" || argument == "--help-all" ||
             argument == "--version" || argument == "-v") &&
            !std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
}

int fail(const QString& message) {
    std::fprintf(stderr, "radius-analyzer-gui: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// A figure of /proc/self/status, in kilobytes; 0 where there is none.
long residentKilobytes(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, std::strlen(field)) == 0)
            kilobytes = std::strtol(line + std::strlen(field), nullptr, 10);
    std::fclose(status);
    return kilobytes;
}

// Opens FILE in a window, waits for the index, runs FILTER over every message, and prints
// how long each took, the most memory the process held, and what it holds at the end.
int bench(gui::GuiHost& host, const QString& file, const QString& filter) {
    gui::MainWindow window(host);
    window.show();
    QElapsedTimer clock;
    clock.start();
    double firstRows = -1, indexed = -1;
    window.onFirstRows = [&] {
        QApplication::processEvents(); // drawn
        firstRows = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    };
    window.onLoaded = [&] { indexed = static_cast<double>(clock.nsecsElapsed()) / 1e9; };
    if (!window.openCapture(file, true))
        return fail("cannot open " + file + ": " + window.statusBar()->currentMessage());
    if (!window.waitUntilIdle(600))
        return fail("reading " + file + " took longer than ten minutes");
    QElapsedTimer filterClock;
    filterClock.start();
    if (!window.applyFilter(filter))
        return fail("filter: " + window.filterError()->text());
    if (!window.waitUntilIdle(600))
        return fail("the filter took longer than ten minutes");
    const double filtered = static_cast<double>(filterClock.nsecsElapsed()) / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("first-rows-s %.3f\nindexed-s %.3f\nfiltered-s %.3f\npeak-rss-mb %ld\n", firstRows,
                indexed, filtered, usage.ru_maxrss / 1024);
    // The window's own memory told apart from the capture's pages it maps, which belong to
    // the page cache.
    std::printf("anon-mb %ld\nfile-mb %ld\n", residentKilobytes("RssAnon:") / 1024,
                residentKilobytes("RssFile:") / 1024);
    return 0;
}

int screenshot(gui::GuiHost& host, const QString& picture, const QString& file,
               const QString& secrets, std::optional<QSize> size) {
    // At the size a user's window opens with, so that the picture shows what they see,
    // unless another is asked for (a narrow window's picture).
    gui::MainWindow window(host);
    if (size)
        window.resize(*size);
    window.show();
    if (!secrets.isEmpty() && !window.loadSecrets(secrets, true))
        return fail("cannot use the secrets in " + secrets);
    if (!window.openCapture(file, true) || !window.waitUntilIdle(120))
        return fail("cannot open " + file);
    auto* tree = window.detail()->tree();
    // The message's own nodes, below its frame's folded layers.
    const auto radiusHeader = [tree]() -> QTreeWidgetItem* {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == "RADIUS-Header")
                return tree->topLevelItem(i);
        return nullptr;
    };
    if (secrets.isEmpty()) {
        window.selectRow(0);
        // The first attribute's value, to show its octets highlighted.
        if (auto* header = radiusHeader(); header && header->childCount() > 4)
            tree->setCurrentItem(header->child(4)->child(header->child(4)->childCount() - 1));
    } else {
        // The second message, an answer, with what its checks found in view, and the
        // list scrolled to its Checks column, as a user scrolls to it.
        window.selectRow(1);
        window.list()->scrollTo(window.model()->index(1, window.model()->checksColumn()));
        if (auto* checks = tree->topLevelItem(tree->topLevelItemCount() - 1))
            tree->scrollToItem(checks->child(checks->childCount() - 1));
    }
    QApplication::processEvents();
    if (!gui::savePicture(window.grab(), picture))
        return fail("cannot write " + picture);
    return 0;
}

// The options, made once: the parser takes them, and the table of modes names them.
struct Switches {
    QCommandLineOption preferences{"preferences", "Open the settings view alone."};
    QCommandLineOption decodeAs{"decode-as",
                                "Open Decode As alone; print the chosen rules as -d options."};
    QCommandLineOption screenshot{"screenshot",
                                  "Render the window over CAPTURE, first message selected, to "
                                  "FILE.png and quit.",
                                  "FILE"};
    QCommandLineOption screenshotSettings{"screenshot-settings",
                                          "Render the settings view to FILE.png and quit.", "FILE"};
    QCommandLineOption screenshotDecodeAs{"screenshot-decode-as",
                                          "Render Decode As to FILE.png and quit.", "FILE"};
    QCommandLineOption screenshotSecrets{
        "screenshot-secrets", "Render the Shared Secrets dialog to FILE.png and quit.", "FILE"};
    QCommandLineOption screenshotAuthentications{
        "screenshot-authentications",
        "Render Statistics > Authentications over CAPTURE, its second row selected, to FILE.png "
        "and quit.",
        "FILE"};
    QCommandLineOption screenshotClients{
        "screenshot-clients", "Render Statistics > Clients over CAPTURE to FILE.png and quit.",
        "FILE"};
    QCommandLineOption screenshotSize{
        "screenshot-size",
        "With --screenshot: render the window at WxH (default: the size it opens with).", "WxH"};
    QCommandLineOption bench{
        "bench",
        "Open CAPTURE offscreen, filter it (default: radiusCode == 2) and print the times."};
    QCommandLineOption interface { "i", "Capture live on an interface.", "IFACE" };
    QCommandLineOption bundle{"bundle", "The plug-in bundle to load.", "PATH"};
    QCommandLineOption defaults{"defaults-file", "The settings file to use.", "PATH"};
    QCommandLineOption secrets{
        "secrets", "Check messages with the shared secrets in FILE (lines or clients.conf).",
        "FILE"};
    QCommandLineOption tlsKeyLog{
        "tls-keylog", "Read RADIUS over TLS and DTLS with the secrets of a key log FILE.", "FILE"};
    QCommandLineOption pluginPortsOnly{
        "plugin-ports-only",
        "Decode only the ports the plug-in claims, not also CoA's UDP 3799 and 1700."};
    QCommandLineOption log{"log", "Write the host's and the plug-in's log lines to standard "
                                  "error (they are for whoever debugs the plug-in)."};

    QList<QCommandLineOption> all() const {
        return {preferences,
                decodeAs,
                screenshot,
                screenshotSettings,
                screenshotDecodeAs,
                screenshotSecrets,
                screenshotAuthentications,
                screenshotClients,
                screenshotSize,
                bench,
                interface,
                bundle,
                defaults,
                secrets,
                tlsKeyLog,
                pluginPortsOnly,
                log};
    }
};

// What a mode is run with.
struct Invocation {
    const QCommandLineParser& parser;
    const Switches& switches;
    gui::GuiHost& host;
    QStringList positional;

    QString value(const QCommandLineOption& option) const { return parser.value(option); }
};

int runBench(const Invocation& run) {
    if (run.positional.isEmpty() || run.positional.size() > 2)
        return fail("--bench wants FILE [FILTER]");
    return bench(run.host, run.positional[0],
                 run.positional.size() > 1 ? run.positional[1] : QString("radiusCode == 2"));
}

int runScreenshot(const Invocation& run) {
    if (run.positional.isEmpty())
        return fail("--screenshot wants a CAPTURE to show");
    std::optional<QSize> size;
    if (run.parser.isSet(run.switches.screenshotSize)) {
        const auto parts = run.value(run.switches.screenshotSize).split('x');
        bool wide = false, tall = false;
        if (parts.size() == 2)
            size = QSize(parts[0].toInt(&wide), parts[1].toInt(&tall));
        if (!wide || !tall || size->width() < 200 || size->height() < 200)
            return fail("--screenshot-size wants WIDTHxHEIGHT, each at least 200, got " +
                        run.value(run.switches.screenshotSize));
    }
    return screenshot(run.host, run.value(run.switches.screenshot), run.positional[0],
                      run.value(run.switches.secrets), size);
}

int runSecretsScreenshot(const Invocation& run) {
    gui::CaptureChecks checks;
    gui::SecretsDialog dialog(checks, [] {});
    if (run.parser.isSet(run.switches.secrets))
        dialog.load(run.value(run.switches.secrets));
    const auto picture = run.value(run.switches.screenshotSecrets);
    return gui::saveScreenshot(dialog, picture) ? 0 : fail("cannot write " + picture);
}

int runAuthenticationsScreenshot(const Invocation& run) {
    if (run.positional.isEmpty())
        return fail("--screenshot-authentications wants a CAPTURE to show");
    gui::MainWindow window(run.host);
    window.resize(1600, 900);
    window.show();
    if (!window.openCapture(run.positional[0], true) || !window.waitUntilIdle(120))
        return fail("cannot open " + run.positional[0]);
    const auto picture = run.value(run.switches.screenshotAuthentications);
    bool saved = false;
    window.onAuthentications = [&](gui::AuthenticationsDialog& dialog) {
        // At the size a user sees it: no shrinking to the table's hint.
        dialog.show();
        dialog.table()->selectRow(1);
        QApplication::processEvents();
        saved = gui::savePicture(dialog.grab(), picture);
    };
    window.showAuthentications();
    return saved ? 0 : fail("cannot write " + picture);
}

int runClientsScreenshot(const Invocation& run) {
    if (run.positional.isEmpty())
        return fail("--screenshot-clients wants a CAPTURE to show");
    gui::MainWindow window(run.host);
    window.show();
    if (!window.openCapture(run.positional[0], true) || !window.waitUntilIdle(120))
        return fail("cannot open " + run.positional[0]);
    const auto picture = run.value(run.switches.screenshotClients);
    bool saved = false;
    window.onStatistics = [&](QDialog& dialog) {
        dialog.show();
        QApplication::processEvents();
        saved = gui::savePicture(dialog.grab(), picture);
    };
    window.showClients();
    return saved ? 0 : fail("cannot write " + picture);
}

int runSettingsScreenshot(const Invocation& run) {
    auto widget = run.host.makeSettingsWidget();
    if (!widget)
        return fail("the plug-in offers no settings view");
    const auto picture = run.value(run.switches.screenshotSettings);
    return gui::saveScreenshot(*widget, picture) ? 0 : fail("cannot write " + picture);
}

int runDecodeAsScreenshot(const Invocation& run) {
    auto dialog = run.host.makeDecodeAsDialog();
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "1700");
    dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "3799");
    dialog->addRule("RADIUSACCT", zem::kZEMSourceProtocols::tcp, "");
    const auto picture = run.value(run.switches.screenshotDecodeAs);
    return gui::saveScreenshot(*dialog, picture) ? 0 : fail("cannot write " + picture);
}

int runDecodeAs(const Invocation& run) {
    auto dialog = run.host.makeDecodeAsDialog();
    dialog->addRule();
    if (dialog->exec() != QDialog::Accepted)
        return 0;
    const auto rules = dialog->rules();
    gui::applyDecodeAs(rules);
    for (const auto& rule : rules)
        std::printf("-d %s\n", rule.commandLine().c_str());
    return 0;
}

int runPreferences(const Invocation& run) {
    auto widget = run.host.makeSettingsWidget();
    if (!widget)
        return fail("the plug-in offers no settings view");
    widget->setWindowTitle("RADIUS Analyzer Preferences");
    QObject::connect(widget.get(), &gui::SettingsViewWidget::dismissed, widget.get(),
                     &QWidget::close);
    widget->show();
    return QApplication::exec();
}

int runWindow(const Invocation& run) {
    gui::MainWindow window(run.host);
    window.show();
    if (run.parser.isSet(run.switches.secrets))
        window.loadSecrets(run.value(run.switches.secrets));
    if (run.parser.isSet(run.switches.tlsKeyLog))
        window.loadTlsKeyLog(run.value(run.switches.tlsKeyLog));
    if (!run.positional.isEmpty())
        window.openCapture(run.positional[0]);
    else if (run.parser.isSet(run.switches.interface))
        window.startLiveCapture(run.value(run.switches.interface));
    return QApplication::exec();
}

// One row per mode, tried in order; the window when no mode's option is given. The
// pictures of the settings view and of Decode As may be asked together.
struct Mode {
    QCommandLineOption Switches::*option;
    int (*run)(const Invocation&);
    bool oneCapture; // refuses more than one capture
};

constexpr Mode modes[] = {
    {&Switches::bench, runBench, false},
    {&Switches::screenshot, runScreenshot, true},
    {&Switches::screenshotSecrets, runSecretsScreenshot, true},
    {&Switches::screenshotAuthentications, runAuthenticationsScreenshot, true},
    {&Switches::screenshotClients, runClientsScreenshot, true},
    {&Switches::screenshotSettings, runSettingsScreenshot, true},
    {&Switches::screenshotDecodeAs, runDecodeAsScreenshot, true},
    {&Switches::decodeAs, runDecodeAs, true},
    {&Switches::preferences, runPreferences, true},
};

int runModes(const Invocation& run) {
    bool ran = false;
    for (const auto& mode : modes) {
        if (!run.parser.isSet(run.switches.*mode.option))
            continue;
        // Pictures of dialogs are all taken; any other mode runs alone.
        const bool picture = mode.option == &Switches::screenshotSettings ||
                             mode.option == &Switches::screenshotDecodeAs;
        if (ran && !picture)
            continue;
        if (mode.oneCapture && run.positional.size() > 1)
            return fail("one capture at a time (see --help)");
        if (const int status = mode.run(run); status != 0 || !picture)
            return status;
        ran = true;
    }
    if (ran)
        return 0;
    if (run.positional.size() > 1)
        return fail("one capture at a time (see --help)");
    return runWindow(run);
}

} // namespace

int main(int argc, char** argv) {
    zem::preferHugeAllocatorPages();
    preferOffscreen(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("radius-analyzer-gui");
    QApplication::setOrganizationName("radius-analyzer");
    QApplication::setApplicationVersion("1.0");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A packet analyzer for RADIUS with the RADIUSAnalyzer plug-in: the packet list, the "
        "detail tree and the octets of a capture, the plug-in's settings and Decode As.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("capture", "A pcap or pcapng file to open.", "[CAPTURE]");
    const Switches switches;
    parser.addOptions(switches.all());
    parser.process(application);

    // The log is for debugging the plug-in: a user opening the settings view should not
    // see its lines unless asked.
    if (!parser.isSet(switches.log))
        zem::setZemLogSink([](const std::string&) {});
    if (parser.isSet(switches.defaults))
        zem::ZEMUserDefaults::configureStandardPath(parser.value(switches.defaults).toStdString());
    try {
        gui::GuiHost host(
            parser.isSet(switches.bundle)
                ? std::optional<std::string>(parser.value(switches.bundle).toStdString())
                : std::nullopt,
            !parser.isSet(switches.pluginPortsOnly));
        return runModes({parser, switches, host, parser.positionalArguments()});
    } catch (const zem::ZEMError& error) {
        return fail(QString::fromUtf8(error.what()));
    }
}
