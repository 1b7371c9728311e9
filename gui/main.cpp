// radius-analyzer-gui: the desktop host. It loads the RADIUSAnalyzer bundle and shows the
// packet analyzer's window over a capture, the plug-in's settings view and Decode As.
#include "DecodeAsDialog.hpp"
#include "DetailView.hpp"
#include "GuiHost.hpp"
#include "MainWindow.hpp"
#include "PacketListModel.hpp"
#include "SecretsDialog.hpp"
#include "SettingsViewWidget.hpp"
#include "ZEMError.hpp"
#include "ZEMUserDefaults.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLabel>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

namespace {

// Pictures and measurements are taken without a display: choose the offscreen platform
// before Qt starts, unless the user chose one.
void preferOffscreen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if ((std::strncmp(argv[i], "--screenshot", 12) == 0 ||
             std::strcmp(argv[i], "--bench") == 0) &&
            !std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

int fail(const QString& message) {
    std::fprintf(stderr, "radius-analyzer-gui: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Opens FILE in a window, waits for the index, runs FILTER over every message, and prints
// how long each took and the most memory the process held.
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
        return fail("cannot open " + file);
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
    return 0;
}

int screenshot(gui::GuiHost& host, const QString& picture, const QString& file,
               const QString& secrets) {
    gui::MainWindow window(host);
    window.resize(secrets.isEmpty() ? 1600 : 1920, 900);
    window.show();
    if (!secrets.isEmpty() && !window.loadSecrets(secrets, true))
        return fail("cannot use the secrets in " + secrets);
    if (!window.openCapture(file, true) || !window.waitUntilIdle(120))
        return fail("cannot open " + file);
    auto* tree = window.detail()->tree();
    if (secrets.isEmpty()) {
        window.selectRow(0);
        tree->expandAll();
        // The first attribute's value, to show its octets highlighted.
        if (auto* header = tree->topLevelItem(0); header && header->childCount() > 4)
            tree->setCurrentItem(header->child(4)->child(header->child(4)->childCount() - 1));
    } else {
        // The second message, an answer, with what its checks found in view.
        window.selectRow(1);
        tree->expandAll();
        if (auto* checks = tree->topLevelItem(tree->topLevelItemCount() - 1))
            tree->scrollToItem(checks->child(checks->childCount() - 1));
    }
    QApplication::processEvents();
    if (!window.grab().save(picture, "PNG"))
        return fail("cannot write " + picture);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
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
    const QCommandLineOption preferences("preferences", "Open the settings view alone.");
    const QCommandLineOption decodeAs(
        "decode-as", "Open Decode As alone; print the chosen rules as -d options.");
    const QCommandLineOption shot("screenshot",
                                  "Render the window over CAPTURE, first message selected, to "
                                  "FILE.png and quit.",
                                  "FILE");
    const QCommandLineOption shotSettings("screenshot-settings",
                                          "Render the settings view to FILE.png and quit.", "FILE");
    const QCommandLineOption shotDecodeAs("screenshot-decode-as",
                                          "Render Decode As to FILE.png and quit.", "FILE");
    const QCommandLineOption benchOption(
        "bench",
        "Open CAPTURE offscreen, filter it (default: radiusCode == 2) and print the times.");
    const QCommandLineOption interface("i", "Capture live on an interface.", "IFACE");
    const QCommandLineOption bundle("bundle", "The plug-in bundle to load.", "PATH");
    const QCommandLineOption defaults("defaults-file", "The settings file to use.", "PATH");
    const QCommandLineOption secrets(
        "secrets", "Check messages with the shared secrets in FILE (lines or clients.conf).",
        "FILE");
    const QCommandLineOption shotSecrets(
        "screenshot-secrets", "Render the Shared Secrets dialog to FILE.png and quit.", "FILE");
    parser.addOptions({preferences, decodeAs, shot, shotSettings, shotDecodeAs, shotSecrets,
                       benchOption, interface, bundle, defaults, secrets});
    parser.process(application);
    const auto positional = parser.positionalArguments();

    if (parser.isSet(defaults))
        zem::ZEMUserDefaults::configureStandardPath(parser.value(defaults).toStdString());
    try {
        gui::GuiHost host(parser.isSet(bundle)
                              ? std::optional<std::string>(parser.value(bundle).toStdString())
                              : std::nullopt);
        if (parser.isSet(benchOption)) {
            if (positional.isEmpty() || positional.size() > 2)
                return fail("--bench wants FILE [FILTER]");
            return bench(host, positional[0],
                         positional.size() > 1 ? positional[1] : QString("radiusCode == 2"));
        }
        if (positional.size() > 1)
            return fail("one capture at a time (see --help)");
        if (parser.isSet(shot)) {
            if (positional.isEmpty())
                return fail("--screenshot wants a CAPTURE to show");
            return screenshot(host, parser.value(shot), positional[0], parser.value(secrets));
        }
        if (parser.isSet(shotSecrets)) {
            gui::CaptureChecks checks;
            gui::SecretsDialog dialog(checks, [] {});
            if (parser.isSet(secrets))
                dialog.load(parser.value(secrets));
            if (!gui::saveScreenshot(dialog, parser.value(shotSecrets)))
                return fail("cannot write " + parser.value(shotSecrets));
            return 0;
        }
        if (parser.isSet(shotSettings) || parser.isSet(shotDecodeAs)) {
            if (parser.isSet(shotSettings)) {
                auto widget = host.makeSettingsWidget();
                if (!widget)
                    return fail("the plug-in offers no settings view");
                if (!gui::saveScreenshot(*widget, parser.value(shotSettings)))
                    return fail("cannot write " + parser.value(shotSettings));
            }
            if (parser.isSet(shotDecodeAs)) {
                auto dialog = host.makeDecodeAsDialog();
                dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "1700");
                dialog->addRule("RADIUS", zem::kZEMSourceProtocols::udp, "3799");
                dialog->addRule("RADIUSACCT", zem::kZEMSourceProtocols::tcp, "");
                if (!gui::saveScreenshot(*dialog, parser.value(shotDecodeAs)))
                    return fail("cannot write " + parser.value(shotDecodeAs));
            }
            return 0;
        }
        if (parser.isSet(decodeAs)) {
            auto dialog = host.makeDecodeAsDialog();
            dialog->addRule();
            if (dialog->exec() != QDialog::Accepted)
                return 0;
            const auto rules = dialog->rules();
            gui::applyDecodeAs(rules);
            for (const auto& rule : rules)
                std::printf("-d %s\n", rule.commandLine().c_str());
            return 0;
        }
        if (parser.isSet(preferences)) {
            auto widget = host.makeSettingsWidget();
            if (!widget)
                return fail("the plug-in offers no settings view");
            widget->setWindowTitle("RADIUS Analyzer Preferences");
            QObject::connect(widget.get(), &gui::SettingsViewWidget::dismissed, widget.get(),
                             &QWidget::close);
            widget->show();
            return QApplication::exec();
        }
        gui::MainWindow window(host);
        window.show();
        if (parser.isSet(secrets))
            window.loadSecrets(parser.value(secrets));
        if (!positional.isEmpty())
            window.openCapture(positional[0]);
        else if (parser.isSet(interface))
            window.startLiveCapture(parser.value(interface));
        return QApplication::exec();
    } catch (const zem::ZEMError& error) {
        return fail(QString::fromUtf8(error.what()));
    }
}
