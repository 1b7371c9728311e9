#include "ZEMPlugInsController.hpp"

#include "MainThread.hpp"
#include "ZEMPortsController.hpp"

namespace zem {

ZEMPlugInsController& ZEMPlugInsController::sharedManager() {
    static ZEMPlugInsController manager;
    return manager;
}

bool ZEMPlugInsController::registerPlugIn(const ZEMPlugInStructure& plugIn,
                                          const ZEMBundle& bundle) {
    requireMainThread("register(plugIn:forBundle:)");
    if (!plugIn.plugInAnalyzerClass)
        return false;
    structures_.insert_or_assign(bundle.bundlePath(), plugIn);
    ZEMPortsController::sharedPortsController().synchronize(registeredPlugIns());
    return true;
}

std::vector<ZEMPlugInStructure> ZEMPlugInsController::registeredPlugIns() const {
    std::vector<ZEMPlugInStructure> list;
    for (const auto& [path, structure] : structures_)
        list.push_back(structure);
    return list;
}

void ZEMPlugInsController::removeAll() {
    structures_.clear();
    ZEMPortsController::sharedPortsController().synchronize({});
}

} // namespace zem
