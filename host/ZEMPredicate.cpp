#include "ZEMPredicate.hpp"

#include "ZEMError.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <charconv>
#include <memory>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <vector>

namespace zem {

namespace {

enum class Op {
    contains,
    matches,
    in,
    beginsWith,
    endsWith,
    like,
    equal,
    notEqual,
    less,
    lessEqual,
    greater,
    greaterEqual
};

struct Operand {
    enum class Kind { keyPath, text, number, decimal } kind = Kind::text;
    std::string text; // key path (without .description) or literal text
    bool description = false;
    std::int64_t number = 0;
    double decimal = 0;
};

} // namespace

struct ZEMPredicate::Node {
    enum class Kind { comparison, presence, conjunction, disjunction, negation } kind;
    Op op = Op::equal;
    bool caseInsensitive = false;
    bool diacriticInsensitive = false;
    Operand left, right;
    std::vector<Operand> set;                         // IN's members
    std::shared_ptr<const icu::RegexPattern> pattern; // MATCHES's expression, compiled once
    std::shared_ptr<const Node> a, b;
};

namespace {

using Node = ZEMPredicate::Node;

bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isIdentifierChar(char c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

class Parser {
public:
    Parser(std::string_view text, const std::map<std::string, std::string, std::less<>>& variables)
        : text_(text), variables_(variables) {}

    std::shared_ptr<const Node> parseAll() {
        auto node = parseOr();
        skipBlanks();
        if (pos_ < text_.size())
            fail("unexpected \"" + std::string(text_.substr(pos_, 12)) + "\"");
        return node;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw ZEMError(ZEMError::Case::invalidArgument,
                       "predicate error at position " + std::to_string(pos_ + 1) + ": " + what);
    }

    void skipBlanks() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n'))
            ++pos_;
    }

    // Matches a keyword (any letter case) or symbol at the current position.
    bool accept(std::string_view word) {
        skipBlanks();
        if (text_.size() - pos_ < word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            char c = text_[pos_ + i];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != word[i])
                return false;
        }
        if (isIdentifierStart(word[0]) && pos_ + word.size() < text_.size() &&
            isIdentifierChar(text_[pos_ + word.size()]))
            return false;
        pos_ += word.size();
        return true;
    }

    std::shared_ptr<const Node> combine(Node::Kind kind, std::shared_ptr<const Node> a,
                                        std::shared_ptr<const Node> b) {
        auto node = std::make_shared<Node>();
        node->kind = kind;
        node->a = std::move(a);
        node->b = std::move(b);
        return node;
    }

    std::shared_ptr<const Node> parseOr() {
        auto left = parseAnd();
        while (accept("OR") || accept("||"))
            left = combine(Node::Kind::disjunction, left, parseAnd());
        return left;
    }

    std::shared_ptr<const Node> parseAnd() {
        auto left = parseNot();
        while (accept("AND") || accept("&&"))
            left = combine(Node::Kind::conjunction, left, parseNot());
        return left;
    }

    std::shared_ptr<const Node> parseNot() {
        if (++depth_ > 200)
            fail("too deeply nested");
        std::shared_ptr<const Node> node;
        if (accept("NOT") || accept("!"))
            node = combine(Node::Kind::negation, parseNot(), nullptr);
        else if (accept("(")) {
            node = parseOr();
            if (!accept(")"))
                fail("missing \")\"");
        } else
            node = parseComparison();
        --depth_;
        return node;
    }

    Operand parseOperand() {
        skipBlanks();
        if (pos_ >= text_.size())
            fail("expected a key path, text or number");
        char c = text_[pos_];
        Operand operand;
        if (c == '"' || c == '\'') {
            operand.kind = Operand::Kind::text;
            ++pos_;
            while (pos_ < text_.size() && text_[pos_] != c) {
                if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
                    ++pos_;
                operand.text.push_back(text_[pos_++]);
            }
            if (pos_ >= text_.size())
                fail("unterminated text");
            ++pos_;
            return operand;
        }
        if (c == '$') {
            std::size_t start = ++pos_;
            while (pos_ < text_.size() && isIdentifierChar(text_[pos_]))
                ++pos_;
            std::string_view name = text_.substr(start, pos_ - start);
            auto it = variables_.find(name);
            if (it == variables_.end())
                fail("no value for $" + std::string(name));
            operand.kind = Operand::Kind::text;
            operand.text = it->second;
            return operand;
        }
        if (auto address = addressLiteral()) {
            operand.kind = Operand::Kind::text;
            operand.text = std::move(*address);
            return operand;
        }
        if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
            std::size_t start = pos_;
            if (c == '-' || c == '+')
                ++pos_;
            const auto skipDigits = [this] {
                while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                    ++pos_;
            };
            // Hexadecimal, as the format language writes it: 0x1F.
            if (text_.substr(pos_).starts_with("0x") || text_.substr(pos_).starts_with("0X")) {
                const auto hexStart = pos_ + 2;
                pos_ = hexStart;
                while (pos_ < text_.size() &&
                       std::isxdigit(static_cast<unsigned char>(text_[pos_])))
                    ++pos_;
                const auto hex = text_.substr(hexStart, pos_ - hexStart);
                const auto [end, ec] =
                    std::from_chars(hex.data(), hex.data() + hex.size(), operand.number, 16);
                if (hex.empty() || ec != std::errc() || end != hex.data() + hex.size())
                    fail("bad number");
                if (text_[start] == '-')
                    operand.number = -operand.number;
                operand.kind = Operand::Kind::number;
                return operand;
            }
            skipDigits();
            const bool decimal = pos_ < text_.size() && text_[pos_] == '.';
            if (decimal) {
                ++pos_;
                skipDigits();
            }
            std::string_view digits = text_.substr(start, pos_ - start);
            if (digits.starts_with('+'))
                digits.remove_prefix(1);
            const auto* last = digits.data() + digits.size();
            const auto [end, ec] = decimal ? std::from_chars(digits.data(), last, operand.decimal,
                                                             std::chars_format::fixed)
                                           : std::from_chars(digits.data(), last, operand.number);
            if (ec != std::errc() || end != last)
                fail("bad number");
            operand.kind = decimal ? Operand::Kind::decimal : Operand::Kind::number;
            return operand;
        }
        if (!isIdentifierStart(c))
            fail("expected a key path, text or number");
        std::size_t start = pos_;
        while (pos_ < text_.size() && (isIdentifierChar(text_[pos_]) || text_[pos_] == '.'))
            ++pos_;
        operand.kind = Operand::Kind::keyPath;
        operand.text = text_.substr(start, pos_ - start);
        if (operand.text.ends_with(".description")) {
            operand.description = true;
            operand.text.resize(operand.text.size() - 12);
        }
        return operand;
    }

    std::shared_ptr<const Node> parseComparison() {
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::comparison;
        node->left = parseOperand();
        static constexpr std::pair<std::string_view, Op> operators[] = {
            {"CONTAINS", Op::contains},
            {"MATCHES", Op::matches},
            {"IN", Op::in},
            {"BEGINSWITH", Op::beginsWith},
            {"ENDSWITH", Op::endsWith},
            {"LIKE", Op::like},
            {"==", Op::equal},
            {"!=", Op::notEqual},
            {"<>", Op::notEqual},
            {"<=", Op::lessEqual},
            {">=", Op::greaterEqual},
            {"=<", Op::lessEqual},
            {"=>", Op::greaterEqual},
            {"=", Op::equal},
            {"<", Op::less},
            {">", Op::greater},
        };
        bool found = false;
        for (const auto& [word, op] : operators) {
            if (accept(word)) {
                node->op = op;
                found = true;
                break;
            }
        }
        if (!found) {
            // A key path alone asks whether the key has a value at all.
            if (node->left.kind == Operand::Kind::keyPath && followsCondition()) {
                node->kind = Node::Kind::presence;
                return node;
            }
            fail("expected an operator such as CONTAINS or ==");
        }
        if (pos_ < text_.size() && text_[pos_] == '[') {
            std::size_t close = text_.find(']', pos_);
            if (close == std::string_view::npos)
                fail("missing \"]\"");
            for (char f : text_.substr(pos_ + 1, close - pos_ - 1)) {
                if (f == 'c' || f == 'C')
                    node->caseInsensitive = true;
                else if (f == 'd' || f == 'D')
                    node->diacriticInsensitive = true;
                else if (f != 'n' && f != 'N')
                    fail(std::string("unknown option '") + f + "'");
            }
            pos_ = close + 1;
        }
        if (node->op == Op::in) {
            parseSet(*node);
            return node;
        }
        node->right = parseOperand();
        if (node->op == Op::matches)
            compilePattern(*node);
        return node;
    }

    // An IPv4 or IPv6 address written bare (src == 192.0.2.1, dst == 2001:db8::1), in the
    // text the capture fields give it; nothing (reading nothing) for anything else.
    std::optional<std::string> addressLiteral() {
        std::size_t end = pos_;
        while (end < text_.size() && (std::isxdigit(static_cast<unsigned char>(text_[end])) ||
                                      text_[end] == '.' || text_[end] == ':'))
            ++end;
        const std::string token(text_.substr(pos_, end - pos_));
        const auto count = [&token](char c) { return std::count(token.begin(), token.end(), c); };
        const int family = count(':') >= 2 ? AF_INET6 : count('.') == 3 ? AF_INET : 0;
        unsigned char octets[16];
        char text[INET6_ADDRSTRLEN];
        if (family == 0 || inet_pton(family, token.c_str(), octets) != 1 ||
            !inet_ntop(family, octets, text, sizeof text))
            return std::nullopt;
        pos_ = end;
        return std::string(text);
    }

    // IN's members: { a, b, c } (commas or blanks between them, as tshark writes them).
    void parseSet(Node& node) {
        if (!accept("{"))
            fail("expected \"{\" after IN");
        while (!accept("}")) {
            node.set.push_back(parseOperand());
            accept(",");
            skipBlanks();
            if (pos_ >= text_.size())
                fail("missing \"}\"");
        }
    }

    // MATCHES's expression: text, compiled now so that a bad one is an error here.
    void compilePattern(Node& node) {
        if (node.right.kind != Operand::Kind::text)
            fail("MATCHES wants a regular expression in quotes");
        UErrorCode status = U_ZERO_ERROR;
        UParseError where{};
        // Searched anywhere in the value, without regard to case, as tshark's matches is.
        std::shared_ptr<const icu::RegexPattern> pattern(icu::RegexPattern::compile(
            icu::UnicodeString::fromUTF8(node.right.text), UREGEX_CASE_INSENSITIVE, where, status));
        if (U_FAILURE(status) || !pattern)
            fail(std::string("bad regular expression: ") + u_errorName(status));
        node.pattern = std::move(pattern);
    }

    // Whether what follows ends a condition: the end, ")" or AND/OR. Reads nothing.
    bool followsCondition() {
        const auto before = pos_;
        skipBlanks();
        const bool ends = pos_ >= text_.size() || text_[pos_] == ')' || accept("AND") ||
                          accept("&&") || accept("OR") || accept("||");
        pos_ = before;
        return ends;
    }

    std::string_view text_;
    const std::map<std::string, std::string, std::less<>>& variables_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

std::string textOf(const ZEMPredicateValue& value) {
    if (const auto* n = std::get_if<std::int64_t>(&value))
        return std::to_string(*n);
    if (const auto* named = std::get_if<ZEMNamedNumber>(&value))
        return named->name;
    if (const auto* decimal = std::get_if<double>(&value)) {
        char text[32];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, *decimal);
        return ec == std::errc() ? std::string(text, end) : std::string();
    }
    if (const auto* list = std::get_if<ZEMNumberList>(&value))
        return list->text;
    return std::get<std::string>(value);
}

std::optional<ZEMPredicateValue> resolveOperand(const Operand& operand,
                                                const ZEMKeyPathResolver& resolve) {
    switch (operand.kind) {
    case Operand::Kind::text:
        return operand.text;
    case Operand::Kind::number:
        return operand.number;
    case Operand::Kind::decimal:
        return operand.decimal;
    case Operand::Kind::keyPath:
        break;
    }
    auto value = resolve(operand.text);
    if (value && operand.description) {
        if (const auto* n = std::get_if<std::int64_t>(&*value))
            return std::to_string(*n);
        if (const auto* named = std::get_if<ZEMNamedNumber>(&*value))
            return named->name;
        if (std::holds_alternative<double>(*value) || std::holds_alternative<ZEMNumberList>(*value))
            return textOf(*value);
    }
    return value;
}

// The number of a value that is one, a named number counted as its number.
const std::int64_t* numberOf(const ZEMPredicateValue& value) {
    if (const auto* named = std::get_if<ZEMNamedNumber>(&value))
        return &named->number;
    return std::get_if<std::int64_t>(&value);
}

// Any number as a decimal: where a decimal meets a whole number.
std::optional<double> decimalOf(const ZEMPredicateValue& value) {
    if (const auto* decimal = std::get_if<double>(&value))
        return *decimal;
    if (const auto* number = numberOf(value))
        return static_cast<double>(*number);
    return std::nullopt;
}

// The comparisons that order: numbers and texts alike. Nothing for the others.
template <typename Value> std::optional<bool> ordered(Op op, const Value& l, const Value& r) {
    switch (op) {
    case Op::equal:
        return l == r;
    case Op::notEqual:
        return l != r;
    case Op::less:
        return l < r;
    case Op::lessEqual:
        return l <= r;
    case Op::greater:
        return l > r;
    case Op::greaterEqual:
        return l >= r;
    default:
        return std::nullopt;
    }
}

// A field of several numbers against one number: any occurrence's comparison holds, and
// != only when none is equal. Nothing for the comparisons of texts.
std::optional<bool> anyOccurrence(Op op, const ZEMNumberList& list, std::int64_t number) {
    if (!ordered(op, 0, 0).has_value())
        return std::nullopt;
    if (op == Op::notEqual)
        return std::find(list.numbers.begin(), list.numbers.end(), number) == list.numbers.end();
    return std::any_of(list.numbers.begin(), list.numbers.end(),
                       [&](std::int64_t each) { return *ordered(op, each, number); });
}

// The same comparison with its sides swapped: 2 < x is x > 2.
Op mirrored(Op op) {
    switch (op) {
    case Op::less:
        return Op::greater;
    case Op::lessEqual:
        return Op::greaterEqual;
    case Op::greater:
        return Op::less;
    case Op::greaterEqual:
        return Op::lessEqual;
    default:
        return op;
    }
}

std::string fold(const std::string& text, bool caseInsensitive, bool diacriticInsensitive) {
    if (!caseInsensitive && !diacriticInsensitive)
        return text;
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
    if (diacriticInsensitive) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
        if (U_SUCCESS(status)) {
            icu::UnicodeString decomposed = nfd->normalize(u, status);
            if (U_SUCCESS(status)) {
                icu::UnicodeString stripped;
                for (int32_t i = 0; i < decomposed.length();) {
                    UChar32 cp = decomposed.char32At(i);
                    if (u_charType(cp) != U_NON_SPACING_MARK)
                        stripped.append(cp);
                    i += U16_LENGTH(cp);
                }
                u = stripped;
            }
        }
    }
    if (caseInsensitive)
        u.foldCase();
    std::string out;
    u.toUTF8String(out);
    return out;
}

bool like(std::string_view text, std::string_view pattern) {
    // Iterative wildcard match: * any run, ? one character (octet).
    std::size_t t = 0, p = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Whether the pattern is found in the text. A run that takes too long (an expression that
// backtracks without end on some value) counts as no match rather than hang the filter.
bool matches(const icu::RegexPattern& pattern, const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    const auto subject = icu::UnicodeString::fromUTF8(text);
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(subject, status));
    if (U_FAILURE(status) || !matcher)
        return false;
    matcher->setTimeLimit(50, status);
    const bool found = matcher->find(status);
    return U_SUCCESS(status) && found;
}

bool compareValues(const Node& node, Op op, const std::optional<ZEMPredicateValue>& left,
                   const std::optional<ZEMPredicateValue>& right);

bool compare(const Node& node, const ZEMKeyPathResolver& resolve) {
    auto left = resolveOperand(node.left, resolve);
    if (node.op == Op::in) {
        for (const auto& member : node.set)
            if (left && compareValues(node, Op::equal, left, resolveOperand(member, resolve)))
                return true;
        return false;
    }
    if (node.op == Op::matches)
        return left && matches(*node.pattern, textOf(*left));
    return compareValues(node, node.op, left, resolveOperand(node.right, resolve));
}

bool compareValues(const Node& node, Op op, const std::optional<ZEMPredicateValue>& left,
                   const std::optional<ZEMPredicateValue>& right) {
    if (!left || !right)
        return op == Op::notEqual && left.has_value() != right.has_value();
    if (const auto* list = std::get_if<ZEMNumberList>(&*left))
        if (const auto* number = numberOf(*right))
            if (const auto result = anyOccurrence(op, *list, *number))
                return *result;
    if (const auto* list = std::get_if<ZEMNumberList>(&*right))
        if (const auto* number = numberOf(*left))
            if (const auto result = anyOccurrence(mirrored(op), *list, *number))
                return *result;
    // Numbers compare as numbers (whole ones exactly); a named number meets a text by its
    // name.
    const auto isPlain = [](const ZEMPredicateValue& value) {
        return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value);
    };
    const bool plainNumber = isPlain(*left) || isPlain(*right);
    if (const auto* ln = numberOf(*left), *rn = numberOf(*right); ln && rn && plainNumber)
        if (const auto result = ordered(op, *ln, *rn))
            return *result;
    if (const auto l = decimalOf(*left), r = decimalOf(*right); l && r && plainNumber)
        if (const auto result = ordered(op, *l, *r))
            return *result;
    std::string l = fold(textOf(*left), node.caseInsensitive, node.diacriticInsensitive);
    std::string r = fold(textOf(*right), node.caseInsensitive, node.diacriticInsensitive);
    switch (op) {
    case Op::contains:
        return l.find(r) != std::string::npos;
    case Op::beginsWith:
        return l.starts_with(r);
    case Op::endsWith:
        return l.ends_with(r);
    case Op::like:
        return like(l, r);
    default:
        return ordered(op, l, r).value_or(false);
    }
}

bool evaluateNode(const Node& node, const ZEMKeyPathResolver& resolve) {
    switch (node.kind) {
    case Node::Kind::comparison:
        return compare(node, resolve);
    case Node::Kind::presence:
        return resolveOperand(node.left, resolve).has_value();
    case Node::Kind::conjunction:
        return evaluateNode(*node.a, resolve) && evaluateNode(*node.b, resolve);
    case Node::Kind::disjunction:
        return evaluateNode(*node.a, resolve) || evaluateNode(*node.b, resolve);
    case Node::Kind::negation:
        return !evaluateNode(*node.a, resolve);
    }
    return false;
}

void collectKeyPaths(const Node& node, std::vector<std::string>& out) {
    if (node.kind == Node::Kind::presence) {
        out.push_back(node.left.text);
        return;
    }
    if (node.kind == Node::Kind::comparison) {
        for (const auto* operand : {&node.left, &node.right})
            if (operand->kind == Operand::Kind::keyPath)
                out.push_back(operand->text);
        for (const auto& member : node.set)
            if (member.kind == Operand::Kind::keyPath)
                out.push_back(member.text);
        return;
    }
    collectKeyPaths(*node.a, out);
    if (node.b)
        collectKeyPaths(*node.b, out);
}

} // namespace

ZEMPredicate ZEMPredicate::parse(std::string_view format,
                                 const std::map<std::string, std::string, std::less<>>& variables) {
    ZEMPredicate predicate;
    predicate.root_ = Parser(format, variables).parseAll();
    return predicate;
}

bool ZEMPredicate::evaluate(const ZEMKeyPathResolver& resolve) const {
    return evaluateNode(*root_, resolve);
}

std::vector<std::string> ZEMPredicate::keyPaths() const {
    std::vector<std::string> paths;
    collectKeyPaths(*root_, paths);
    return paths;
}

} // namespace zem
