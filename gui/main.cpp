// radius-analyzer-gui: the desktop host. It loads the RADIUSAnalyzer bundle and shows what
// the plug-in offers a user who would rather click than type: its settings view (the
// switches, the packet colour and the claimed protocols and ports) and Decode As.
#include "DecodeAsDialog.hpp"
#include "GuiHost.hpp"
#include "SettingsViewWidget.hpp"
#include "ZEMError.hpp"
#include "ZEMUserDefaults.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Pictures are taken without a display: choose the offscreen platform before Qt starts,
// unless the user chose one.
void preferOffscreenForPictures(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--screenshot", 12) == 0 && !std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

int fail(const QString& message) {
    std::fprintf(stderr, "radius-analyzer-gui: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    preferOffscreenForPictures(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("radius-analyzer-gui");
    QApplication::setApplicationVersion("1.0");

    QCommandLineParser parser;
    parser.setApplicationDescription("The RADIUSAnalyzer plug-in's settings and Decode As.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption preferences("preferences", "Open the settings view (the default).");
    const QCommandLineOption decodeAs("decode-as",
                                      "Open Decode As; print the chosen rules as -d options.");
    const QCommandLineOption shotSettings("screenshot-settings",
                                          "Render the settings view to FILE.png and quit.", "FILE");
    const QCommandLineOption shotDecodeAs("screenshot-decode-as",
                                          "Render Decode As to FILE.png and quit.", "FILE");
    const QCommandLineOption bundle("bundle", "The plug-in bundle to load.", "PATH");
    const QCommandLineOption defaults("defaults-file", "The settings file to use.", "PATH");
    parser.addOptions({preferences, decodeAs, shotSettings, shotDecodeAs, bundle, defaults});
    parser.process(application);
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument " + parser.positionalArguments().front() +
                    " (see --help)");

    if (parser.isSet(defaults))
        zem::ZEMUserDefaults::configureStandardPath(parser.value(defaults).toStdString());
    try {
        gui::GuiHost host(parser.isSet(bundle)
                              ? std::optional<std::string>(parser.value(bundle).toStdString())
                              : std::nullopt);
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
        auto widget = host.makeSettingsWidget();
        if (!widget)
            return fail("the plug-in offers no settings view");
        widget->setWindowTitle("RADIUS Analyzer Preferences");
        QObject::connect(widget.get(), &gui::SettingsViewWidget::dismissed, widget.get(),
                         &QWidget::close);
        widget->show();
        return QApplication::exec();
    } catch (const zem::ZEMError& error) {
        return fail(QString::fromUtf8(error.what()));
    }
}
