// The bundle's one exported symbol: the principal class object that the host's loader
// finds by the name in Info.plist.
#include "RADIUSPlugInController.hpp"

extern "C" __attribute__((visibility("default")))
const zem::ZEMPrincipalClass ZEMPrincipalClass_RADIUSPlugInController =
    radius::radiusPrincipalClass;
