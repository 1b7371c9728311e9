// Fuzz target for the -Y and find-predicate language: parsing with a $value, listing the
// key paths and evaluating against a message's values (present, missing, numbers, texts,
// a field of several numbers).
#include "ZEMError.hpp"
#include "ZEMPredicate.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Up to the first line feed: the expression; after it: the $value.
    const auto cut = input.find('\n');
    const std::string expression(input.substr(0, cut));
    const std::string value(cut == std::string_view::npos ? "" : input.substr(cut + 1));
    auto resolve = [](std::string_view key) -> std::optional<zem::ZEMPredicateValue> {
        if (key == "radiusCode" || key == "frame")
            return std::int64_t{2};
        if (key == "responseTime")
            return -0.003;
        if (key.starts_with("tls"))
            return zem::ZEMNumberList{{22, 20, 23}, "22,20,23"};
        if (key.starts_with("radius"))
            return std::string("Access-Accept (2) caf\u00e9");
        return std::nullopt;
    };
    try {
        const auto predicate = zem::ZEMPredicate::parse(expression, {{"value", value}});
        std::size_t seen = predicate.keyPaths().size();
        seen += predicate.evaluate(resolve);
        return seen == SIZE_MAX;
    } catch (const zem::ZEMError&) {
        return 0; // refused with the position; that is the contract
    }
}
