// ZEMPredicate: the host's find-predicate language, evaluated against the values an
// analyzer answers for its property keys.
//
//   radiusCodeResolved CONTAINS[c] "accept"
//   radiusIdentifier.description CONTAINS $value
//   NOT (radiusCode == 4 OR radiusAVPString BEGINSWITH[cd] '1 4') AND radiusSize > 100
//
// Comparisons: CONTAINS, BEGINSWITH, ENDSWITH, LIKE (* and ?), ==, =, !=, <, <=, >, >=,
// with [c] (any letter case), [d] (any diacritics) or [cd]. Combinators: AND/&&, OR/||,
// NOT/!, parentheses. Operands: a key path (".description" asks for the value's text,
// a named number's name), a quoted text, a number (whole or with decimals: 0.5), or a
// $variable bound when the predicate is made. A key path alone holds when the key has a
// value. Errors are ZEMError whose message names the position.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zem {

/// A number that also has a name, such as an enumerated value: it compares as a number
/// with numbers and as its name with texts.
struct ZEMNamedNumber {
    std::int64_t number;
    std::string name;
};
/// A field that occurs more than once with a number each time (the types of a frame's
/// TLS records): compared with a number it holds when any occurrence does, and != when
/// none is equal, as tshark's filters take such a field; as a text it is the occurrences
/// joined by commas.
struct ZEMNumberList {
    std::vector<std::int64_t> numbers;
    std::string text;
};
/// A value a key path answers: a text, a whole number, a named number, a number with
/// decimals (a time in seconds), or several numbers.
using ZEMPredicateValue =
    std::variant<std::string, std::int64_t, ZEMNamedNumber, double, ZEMNumberList>;
/// Answers the value of a key path (without ".description"), or nothing.
using ZEMKeyPathResolver =
    std::function<std::optional<ZEMPredicateValue>(std::string_view keyPath)>;

class ZEMPredicate {
public:
    /// Parses `format`, replacing $name by `variables`. Throws ZEMError.
    static ZEMPredicate
    parse(std::string_view format,
          const std::map<std::string, std::string, std::less<>>& variables = {});

    bool evaluate(const ZEMKeyPathResolver& resolve) const;
    /// The key paths the predicate reads (without ".description").
    std::vector<std::string> keyPaths() const;

    struct Node;

private:
    std::shared_ptr<const Node> root_;
};

} // namespace zem
