// The bundle's one exported symbol: the principal class object that the host's loader
// finds by the name in Info.plist.
#include "RADIUSPlugInController.hpp"
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
} // namespace
