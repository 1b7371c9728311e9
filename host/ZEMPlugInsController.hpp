// ZEMPlugInsController: the host's registry of plug-ins. Each bundle registers one
// structure; registering again replaces it. The ports controller follows every change.
#pragma once

#include "ZEMBundle.hpp"
#include "ZEMPlugInStructure.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zem {

class ZEMPlugInsController {
public:
    static ZEMPlugInsController& sharedManager();

    /// Registers (or replaces) the structure of `bundle`. Answers false for a structure
    /// without an analyzer class.
    bool registerPlugIn(const ZEMPlugInStructure& plugIn, const ZEMBundle& bundle);
    /// The registered structures, one per bundle path.
    std::vector<ZEMPlugInStructure> registeredPlugIns() const;
    /// Forgets every registration (a host reloading its plug-ins, and tests).
    void removeAll();

private:
    std::map<std::string, ZEMPlugInStructure> structures_;
};

} // namespace zem
