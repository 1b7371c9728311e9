#include "ZEMClassRegistry.hpp"

namespace zem {

ZEMClassRegistry& ZEMClassRegistry::shared() {
    static ZEMClassRegistry registry;
    return registry;
}

bool ZEMClassRegistry::registerClass(const std::string& name, Factory factory) {
    factories_[name] = std::move(factory);
    return true;
}

std::any ZEMClassRegistry::makeObject(const std::string& name) const {
    auto found = factories_.find(name);
    return found == factories_.end() ? std::any() : found->second();
}

} // namespace zem
