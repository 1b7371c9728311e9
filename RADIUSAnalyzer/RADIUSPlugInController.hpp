// RADIUSPlugInController: the plug-in's principal class. Created by the host on the main
// thread, it writes the setting defaults, describes the plug-in in one structure and
// registers it; afterwards it answers the host's preference questions and serves as the
// model of the ports settings view.
#pragma once

#include "ZEMNetworkProtocol.hpp"
#include "ZEMObservable.hpp"
#include "ZEMPlugInStructure.hpp"
#include "ZEMPlugInsController.hpp"
#include "ZEMPluginProtocols.hpp"
#include "ZEMUserDefaults.hpp"

#include <optional>
#include <string>

namespace radius {

class RADIUSPlugInController final : public zem::ZEMObservable,
                                     public zem::ZEMPluginPrincipalClassProtocol,
                                     public zem::ZEMPluginPreferencesProtocol {
public:
    /// init(): fetches the shared registry and initialises as below.
    RADIUSPlugInController();
    /// init?(plugInsController:) and init?(plugInManager:): the argument is not kept.
    explicit RADIUSPlugInController(zem::ZEMPlugInsController& plugInsController);

    static std::string pluginTitle();
    static std::string pluginDescription();
    static std::string pluginVersion();
    static std::string pluginAuthor();

    /// Builds the structure and registers it; answers the registry's answer.
    bool setupPlugIn();
    /// Re-registers one record: removes `previous` as it was last registered and adds
    /// `current` as it is now. Throws ZEMError.
    void updateRegisteredProtocol(zem::ZEMNetworkProtocol& previous,
                                  zem::ZEMNetworkProtocol& current);

    const zem::ZEMNetworkProtocolList& pluginProtocolsAndPorts() const {
        return pluginProtocolsAndPorts_;
    }
    const std::optional<zem::ZEMPlugInStructure>& plugInStructure() const {
        return plugInStructure_;
    }

    // Preferences.
    zem::ZEMAnyView settingsView(zem::ZEMSizeBinding size) override;
    std::optional<zem::ZEMAnyView> preferencesSheet() override { return std::nullopt; }
    bool usesColor() override;
    zem::ZEMColor protocolColor() override;

    /// The store the plug-in keeps its settings in.
    static zem::ZEMUserDefaults& store() { return zem::ZEMUserDefaults::standardUserDefaults(); }

private:
    void setPluginProtocolsAndPorts(zem::ZEMNetworkProtocolList list);
    void setPlugInStructure(std::optional<zem::ZEMPlugInStructure> structure);
    zem::ZEMNetworkProtocolList startupProtocols();

    zem::ZEMNetworkProtocolList pluginProtocolsAndPorts_;
    std::optional<zem::ZEMPlugInStructure> plugInStructure_;
};

/// The principal class object the bundle exports.
extern const zem::ZEMPrincipalClass radiusPrincipalClass;

} // namespace radius
