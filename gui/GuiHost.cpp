#include "GuiHost.hpp"

#include "DecodeAsDialog.hpp"
#include "SettingsViewWidget.hpp"
#include "UsualRadiusPorts.hpp"
#include "ZEMConstants.hpp"
#include "ZEMNotificationCenter.hpp"
#include "ZEMPortsController.hpp"

#include <QApplication>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>
#include <cstdio>

namespace gui {

GuiHost::GuiHost(const std::optional<std::string>& bundlePath, bool usualPorts)
    : host_(zem::PlugInHost::load(bundlePath)) {
    if (usualPorts)
        zem::claimUsualRadiusPorts(zem::ZEMPortsController::sharedPortsController(), "RADIUS",
                                   host_.structure().plugInAnalyzerClass);
    // A settings view that stored its protocols says so: read what the plug-in registered
    // again, so that the claimed ports shown are the new ones.
    auto& center = zem::ZEMNotificationCenter::defaultCenter();
    for (auto konstant : {zem::ZEMProtocolKonstants::networkPortsDidChange,
                          zem::ZEMProtocolKonstants::pluginProtocolsDidChange})
        observers_.push_back(
            center.addObserver(std::string(zem::rawValue(konstant)), [this](std::string_view) {
                ++changesHeard_;
                host_.refresh();
            }));
}

GuiHost::~GuiHost() {
    for (auto token : observers_)
        zem::ZEMNotificationCenter::defaultCenter().removeObserver(token);
}

std::unique_ptr<SettingsViewWidget> GuiHost::makeSettingsWidget() {
    auto* preferences = host_.structure().plugInPreferencesInstance;
    if (!preferences)
        return nullptr;
    auto size = std::make_shared<zem::ZEMSize>();
    auto any = preferences->settingsView(
        {[size] { return *size; }, [size](zem::ZEMSize s) { *size = s; }});
    auto* view = std::any_cast<std::shared_ptr<zem::ZEMProtocolTableView>>(&any.view);
    if (!view || !*view)
        return nullptr;
    return std::make_unique<SettingsViewWidget>(*view);
}

std::vector<std::string> GuiHost::protocolNames() const {
    std::vector<std::string> names;
    for (const auto& protocol : host_.structure().plugInTargetProtocols)
        names.push_back(protocol.protocolName);
    return names;
}

std::unique_ptr<DecodeAsDialog> GuiHost::makeDecodeAsDialog() {
    return std::make_unique<DecodeAsDialog>(protocolNames());
}

bool saveScreenshot(QWidget& widget, const QString& path) {
    widget.adjustSize();
    widget.show();
    QApplication::processEvents();
    QApplication::processEvents();
    return savePicture(widget.grab(), path);
}

bool savePicture(const QPixmap& picture, const QString& path) {
    // Under a temporary name beside the target, put in place once whole.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
}

const analysis::RadiusDictionary& GuiHost::dictionary() {
    if (!dictionary_) {
        dictionary_ = analysis::loadDictionary(std::nullopt);
        for (const auto& warning : dictionary_->warnings)
            std::fprintf(stderr, "radius-analyzer-gui: dictionary: %s\n", warning.c_str());
    }
    return dictionary_->dictionary;
}

} // namespace gui
