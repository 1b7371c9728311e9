// PropertyList: the typed values that the user-defaults store and bundles hold
// (Bool, integer, real, text, octets, arrays, dictionaries), read and written as
// property-list files through libplist.
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zem {

struct PropertyList;
using PropertyListArray = std::vector<PropertyList>;
using PropertyListDictionary = std::map<std::string, PropertyList, std::less<>>;

struct PropertyList {
    using Storage = std::variant<bool, std::int64_t, double, std::string, ByteBuffer,
                                 PropertyListArray, PropertyListDictionary>;
    Storage storage;

    PropertyList() : storage(false) {}
    PropertyList(bool v) : storage(v) {}
    PropertyList(std::int64_t v) : storage(v) {}
    PropertyList(int v) : storage(std::int64_t{v}) {}
    PropertyList(double v) : storage(v) {}
    PropertyList(std::string v) : storage(std::move(v)) {}
    PropertyList(const char* v) : storage(std::string(v)) {}
    PropertyList(ByteBuffer v) : storage(std::move(v)) {}
    PropertyList(PropertyListArray v) : storage(std::move(v)) {}
    PropertyList(PropertyListDictionary v) : storage(std::move(v)) {}

    template <typename T> const T* get() const { return std::get_if<T>(&storage); }
    bool operator==(const PropertyList&) const = default;
};

/// Parses an XML or binary property list; nothing when the octets are not one.
std::optional<PropertyList> parsePropertyList(ByteView bytes);
/// Serialises as an XML property list.
std::string serializePropertyList(const PropertyList& value);

/// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::string> readFile(const std::string& path);

} // namespace zem
