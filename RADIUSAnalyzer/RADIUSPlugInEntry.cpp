// The bundle's one exported symbol: the principal class object that the host's loader
// finds by the name in Info.plist.
#include "RADIUSPlugInController.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "ZEMClassRegistry.hpp"
#include "ZEMPopUpTableCellView.hpp"

extern "C" __attribute__((visibility("default")))
const zem::ZEMPrincipalClass ZEMPrincipalClass_RADIUSPlugInController =
    radius::radiusPrincipalClass;

// The cell class is offered by name as soon as the bundle is loaded, as a runtime
// registers the classes of an image.
namespace {
const bool popUpCellRegistered =
    zem::ZEMClassRegistry::shared().registerClass(radius::ZEMPopUpTableCellView::className, [] {
        return std::any(std::shared_ptr<zem::ZEMPopUpCellProtocol>(
            std::make_shared<radius::ZEMPopUpTableCellView>()));
    });

// The controller's class properties, which name its settings keys, are visible to the
// host by name as well, so that it can read a setting without knowing its key.
bool registerClassProperties() {
    const std::pair<const char*, std::string_view> properties[] = {
        {"kRADIUSPlugInNetworkProtocol", radius::kRADIUSPlugInNetworkProtocol},
        {"kRADIUSUsesColor", radius::kRADIUSUsesColor},
        {"kRADIUSColor", radius::kRADIUSColor},
        {"kRADIUSSecretCredentials", radius::kRADIUSSecretCredentials},
        {"kRADIUSResolveIP", radius::kRADIUSResolveIP},
    };
    for (const auto& [name, key] : properties)
        zem::ZEMClassRegistry::shared().registerClass(
            std::string("RADIUSAnalyzer.RADIUSPlugInController.") + name,
            [key = std::string(key)] { return std::any(key); });
    return true;
}
const bool classPropertiesRegistered = registerClassProperties();
} // namespace
