// GuiHost: the desktop host's hold on the loaded plug-in: it loads the bundle as the
// command line does, and makes the plug-in's settings view and the Decode As dialog as
// Qt widgets.
#pragma once

#include "PlugInHost.hpp"
#include "dictionary/DictionaryChoice.hpp"

#include <QPixmap>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace gui {

class SettingsViewWidget;
class DecodeAsDialog;

class GuiHost {
public:
    /// Loads the bundle; throws ZEMError.
    /// `usualPorts`: CoA's UDP 3799 and 1700 are decoded too, as the command line does
    /// unless told --plugin-ports-only.
    explicit GuiHost(const std::optional<std::string>& bundlePath, bool usualPorts = true);
    ~GuiHost();
    GuiHost(const GuiHost&) = delete;
    GuiHost& operator=(const GuiHost&) = delete;

    zem::PlugInHost& plugIn() { return host_; }
    /// The attribute dictionary, read when first asked for (RADIUS_ANALYZER_DICTIONARY or
    /// the set FreeRADIUS installs); its problems go to standard error.
    const analysis::RadiusDictionary& dictionary();
    /// The plug-in's settings view in a widget, or nothing when it offers none.
    std::unique_ptr<SettingsViewWidget> makeSettingsWidget();
    /// The Decode As dialog with one row per claimed protocol name.
    std::unique_ptr<DecodeAsDialog> makeDecodeAsDialog();
    /// The names of the protocols the plug-in claims.
    std::vector<std::string> protocolNames() const;

    /// How often the plug-in said that its ports or protocols changed.
    int changesHeard() const { return changesHeard_; }

private:
    zem::PlugInHost host_;
    std::optional<analysis::LoadedDictionary> dictionary_;
    std::vector<std::size_t> observers_;
    int changesHeard_ = 0;
};

/// Renders `widget` offscreen at its preferred size and writes it to `path` as PNG.
bool saveScreenshot(QWidget& widget, const QString& path);
/// Writes a PNG whole or not at all.
bool savePicture(const QPixmap& picture, const QString& path);

} // namespace gui
