#include "StringTable.hpp"

#include "PropertyList.hpp"
#include "ZEMLog.hpp"

namespace zem {

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::optional<std::string> utf16ToUtf8(ByteView bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return std::nullopt;
    bool bigEndian;
    if (bytes.span()[0] == 0xFE && bytes.span()[1] == 0xFF)
        bigEndian = true;
    else if (bytes.span()[0] == 0xFF && bytes.span()[1] == 0xFE)
        bigEndian = false;
    else
        return std::nullopt;
    auto unit = [&](std::size_t i) -> char32_t {
        auto a = bytes.span()[i], b = bytes.span()[i + 1];
        return bigEndian ? static_cast<char32_t>((a << 8) | b)
                         : static_cast<char32_t>((b << 8) | a);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 2 >= bytes.size())
                return std::nullopt;
            char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(out, u);
    }
    return out;
}

namespace {

// A small recursive-descent reader of the text form.
class TextTableReader {
public:
    explicit TextTableReader(std::string_view text) : text_(text) {}

    template <typename Sink> bool read(Sink&& sink) {
        for (;;) {
            if (!skipBlanksAndComments())
                return false;
            if (pos_ >= text_.size())
                return true;
            std::string key, value;
            if (!readToken(key))
                return false;
            if (!skipBlanksAndComments())
                return false;
            if (peek() == ';') { // "key"; stands for "key" = "key";
                ++pos_;
                value = key;
            } else {
                if (peek() != '=')
                    return false;
                ++pos_;
                if (!skipBlanksAndComments() || !readToken(value) || !skipBlanksAndComments())
                    return false;
                if (peek() != ';')
                    return false;
                ++pos_;
            }
            sink(std::move(key), std::move(value));
        }
    }

private:
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    bool skipBlanksAndComments() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "/*") {
                auto end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos)
                    return false;
                pos_ = end + 2;
            } else if (text_.substr(pos_, 2) == "//") {
                auto end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isBareCharacter(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
    }

    bool readToken(std::string& out) {
        if (peek() != '"') {
            std::size_t start = pos_;
            while (pos_ < text_.size() && isBareCharacter(text_[pos_]))
                ++pos_;
            out.assign(text_.substr(start, pos_ - start));
            return !out.empty();
        }
        ++pos_;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (pos_ >= text_.size())
                return false;
            char e = text_[pos_++];
            switch (e) {
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'a':
                out.push_back('\a');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'v':
                out.push_back('\v');
                break;
            case 'U':
            case 'u': {
                char32_t cp = 0;
                if (!readHex(4, cp))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF && text_.substr(pos_, 2) == "\\U") {
                    pos_ += 2;
                    char32_t low = 0;
                    if (!readHex(4, low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                    return false;
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                if (e >= '0' && e <= '7') { // up to three octal digits
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int n = 0;
                         n < 2 && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '7';
                         ++n)
                        value = value * 8 + static_cast<unsigned>(text_[pos_++] - '0');
                    appendUtf8(out, static_cast<char32_t>(value & 0xFF));
                } else {
                    out.push_back(e); // \" \\ \' and any other character stand for themselves
                }
            }
        }
        return false; // unterminated string
    }

    bool readHex(int digits, char32_t& value) {
        for (int i = 0; i < digits; ++i) {
            if (pos_ >= text_.size())
                return false;
            char c = text_[pos_++];
            int n = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
            if (n < 0)
                return false;
            value = value * 16 + static_cast<char32_t>(n);
        }
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<StringTable> StringTable::parseText(std::string_view utf8) {
    StringTable table;
    TextTableReader reader(utf8);
    bool ok = reader.read([&](std::string key, std::string value) {
        table.entries_.insert_or_assign(std::move(key), std::move(value));
    });
    if (!ok)
        return std::nullopt;
    return table;
}

StringTable StringTable::parse(ByteView contents, std::string_view origin) {
    auto fail = [&](std::string_view why) {
        zemLog({"ignoring malformed string table", origin, why}, "host/StringTable", "parse()",
               __LINE__);
        return StringTable{};
    };
    auto bytes = contents.span();
    std::string converted;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (bytes.size() >= 2 &&
        ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        auto utf8 = utf16ToUtf8(contents);
        if (!utf8)
            return fail("invalid UTF-16");
        converted = std::move(*utf8);
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (text.starts_with("bplist") || text.starts_with("<?xml") || text.starts_with("<plist")) {
        auto plist = parsePropertyList(ByteView(text));
        const auto* dictionary = plist ? plist->get<PropertyListDictionary>() : nullptr;
        if (!dictionary)
            return fail("not a property-list dictionary");
        StringTable table;
        for (const auto& [key, value] : *dictionary)
            if (const auto* string = value.get<std::string>())
                table.entries_.emplace(key, *string);
        return table;
    }
    auto table = parseText(text);
    if (!table)
        return fail("syntax error");
    return std::move(*table);
}

std::optional<std::string_view> StringTable::find(std::string_view key) const {
    auto it = entries_.find(key);
    if (it == entries_.end())
        return std::nullopt;
    return std::string_view(it->second);
}

} // namespace zem
