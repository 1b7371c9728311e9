// ZEMClassRegistry: classes that a loaded bundle offers by name, as a runtime registers
// them when an image loads, so that the host can create an object of a plug-in's class
// from its module-qualified name ("RADIUSAnalyzer.ZEMPopUpTableCellView") without
// linking the plug-in.
//
//   ZEMClassRegistry::shared().registerClass("Module.Cell", [] { return std::any(...); });
//   auto cell = ZEMClassRegistry::shared().make<std::shared_ptr<Protocol>>("Module.Cell");
#pragma once

#include <any>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace zem {

class ZEMClassRegistry {
public:
    using Factory = std::function<std::any()>;
    static ZEMClassRegistry& shared();

    /// Offers a class; a later registration of the same name replaces the earlier one.
    /// Answers true, so that a bundle can register from a static initialiser.
    bool registerClass(const std::string& name, Factory factory);
    /// A new object of the named class, or nothing when no loaded bundle offers it.
    std::any makeObject(const std::string& name) const;
    /// The new object as `T`, or nothing when the class is unknown or of another kind.
    template <typename T> std::optional<T> make(const std::string& name) const {
        auto object = makeObject(name);
        if (auto* typed = std::any_cast<T>(&object))
            return std::move(*typed);
        return std::nullopt;
    }

private:
    std::map<std::string, Factory, std::less<>> factories_;
};

} // namespace zem
