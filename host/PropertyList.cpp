#include "PropertyList.hpp"

#include "PropertyListNesting.hpp"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace zem {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

// Property lists nest; a hostile file must not exhaust the stack.
constexpr int maximumDepth = 64;

std::optional<PropertyList> fromPlist(plist_t node, int depth) {
    if (!node || depth > maximumDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyList(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // libplist keeps negative integers as their two's complement.
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyList(value);
    }
    case PLIST_STRING: {
        // By pointer and length: the copying getter asserts (and so aborts the process)
        // on a string with a NUL inside, which a hostile file can hold.
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return PropertyList(text ? std::string(text, length) : std::string());
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        std::uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        ByteBuffer value(reinterpret_cast<std::uint8_t*>(bytes),
                         reinterpret_cast<std::uint8_t*>(bytes) + length);
        std::free(bytes);
        return PropertyList(std::move(value));
    }
    case PLIST_ARRAY: {
        PropertyListArray array;
        const std::uint32_t count = plist_array_get_size(node);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto element = fromPlist(plist_array_get_item(node, i), depth + 1);
            if (!element)
                return std::nullopt;
            array.push_back(std::move(*element));
        }
        return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
        PropertyListDictionary dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return PropertyList(std::move(dictionary));
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            auto element = fromPlist(item, depth + 1);
            if (key && element)
                dictionary.emplace(key, std::move(*element));
            else
                ok = false;
            std::free(key);
            if (!ok)
                break;
        }
        std::free(iter);
        if (!ok)
            return std::nullopt;
        return PropertyList(std::move(dictionary));
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PropertyList(static_cast<double>(seconds) + microseconds / 1e6);
    }
    default:
        return std::nullopt;
    }
}

plist_t toPlist(const PropertyList& value) {
    return std::visit(
        [](const auto& v) -> plist_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return plist_new_bool(v ? 1 : 0);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return plist_new_uint(static_cast<std::uint64_t>(v));
            } else if constexpr (std::is_same_v<T, double>) {
                return plist_new_real(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return plist_new_string(v.c_str());
            } else if constexpr (std::is_same_v<T, ByteBuffer>) {
                return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
            } else if constexpr (std::is_same_v<T, PropertyListArray>) {
                plist_t array = plist_new_array();
                for (const auto& element : v)
                    plist_array_append_item(array, toPlist(element));
                return array;
            } else {
                plist_t dictionary = plist_new_dict();
                for (const auto& [key, element] : v)
                    plist_dict_set_item(dictionary, key.c_str(), toPlist(element));
                return dictionary;
            }
        },
        value.storage);
}

} // namespace

std::optional<PropertyList> parsePropertyList(ByteView bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    // libplist would recurse as deep as the list nests, past the end of the stack.
    if (!propertyListNestingWithin(bytes, maximumDepth))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.span().data()),
                      static_cast<std::uint32_t>(bytes.size()), &root);
    PlistHandle handle(root);
    return fromPlist(root, 0);
}

std::string serializePropertyList(const PropertyList& value) {
    PlistHandle root(toPlist(value));
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    std::string text(xml ? xml : "", xml ? length : 0);
    plist_to_xml_free(xml);
    return text;
}

std::optional<std::string> readFile(const std::string& path) {
    // stdio in large pieces: a string stream's copy through rdbuf() costs more than the
    // reading, which shows when two hundred dictionary files are read on every run.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (!in)
        return std::nullopt;
    std::string contents;
    char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, in.get()))
        contents.append(buffer, got);
    if (std::ferror(in.get()))
        return std::nullopt;
    return contents;
}

} // namespace zem
