#include "dictionary/DictionaryReader.hpp"

#include "PropertyList.hpp"
#include "TextEscaping.hpp"

#include <charconv>
#include <filesystem>
#include <set>

namespace analysis {

namespace {

// A file included again is not read again, so a loop ends by itself; the depth bounds
// only how deep the reading recurses (a few hundred octets of stack a level), far past
// any chain of real dictionaries.
constexpr int maximumIncludeDepth = 1024;
// Extended-Vendor-Specific attributes are kept apart from plain vendor attributes: their
// first number is the extended type with this bit set.
constexpr std::uint32_t evsMarker = 0x80000000u;

// The words of a line up to a comment, into `words` (reused from line to line).
void splitWords(std::string_view line, std::vector<std::string_view>& words) {
    words.clear();
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r'))
            ++at;
        if (at >= line.size() || line[at] == '#')
            break;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r')
            ++at;
        words.push_back(line.substr(start, at - start));
    }
}

std::optional<std::uint64_t> numberOf(std::string_view text) {
    std::uint64_t value = 0;
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return std::nullopt;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

class Reader {
public:
    Reader(RadiusDictionary& dictionary, std::vector<std::string>& warnings)
        : dictionary_(dictionary), warnings_(warnings) {}

    void readFile(const std::filesystem::path& file, int depth) {
        if (!read_.insert(file.lexically_normal().string()).second)
            return; // included twice
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) {
            // A device or a folder would never end, or is no dictionary.
            warnings_.push_back(file.string() + ": cannot read the dictionary (not a file)");
            return;
        }
        const auto contents = zem::readFile(file.string());
        if (!contents) {
            warnings_.push_back(file.string() + ": cannot read the dictionary");
            return;
        }
        readText(*contents, file, depth);
    }

    // The lines of one file; `file` names it in warnings and anchors its $INCLUDEs.
    void readText(const std::string& text, const std::filesystem::path& file, int depth) {
        std::vector<std::string_view> words;
        std::size_t number = 0;
        for (std::size_t at = 0; at < text.size();) {
            auto end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            const std::string_view line(text.data() + at, end - at);
            at = end + 1;
            ++number;
            splitWords(line, words);
            if (words.empty())
                continue;
            file_ = &file;
            line_number_ = number;
            if (words[0] == "$INCLUDE" || words[0] == "$INCLUDE-") {
                include(file, words, depth);
                continue;
            }
            if (!useLine(words))
                warn("cannot use \"" + zem::terminalSafe(line.substr(0, 80)) + "\"");
        }
    }

private:
    void warn(const std::string& what) {
        warnings_.push_back(file_->string() + ":" + std::to_string(line_number_) + ": " + what);
    }

    void include(const std::filesystem::path& from, const std::vector<std::string_view>& words,
                 int depth) {
        if (words.size() < 2) {
            warn("$INCLUDE names no file");
            return;
        }
        std::filesystem::path target(words[1]);
        if (target.is_relative())
            target = from.parent_path() / target;
        if (depth >= maximumIncludeDepth) {
            warn("$INCLUDE nested too deep");
            return;
        }
        std::error_code ec;
        if (words[0] == "$INCLUDE-" && !std::filesystem::exists(target, ec))
            return; // optional
        const auto* savedFile = file_;
        const auto savedLine = line_number_;
        readFile(target, depth + 1);
        file_ = savedFile;
        line_number_ = savedLine;
    }

    // Answers false for a line it cannot use (the caller warns), or warns itself with a
    // more precise reason and answers true.
    bool useLine(const std::vector<std::string_view>& w) {
        const auto keyword = w[0];
        if (keyword == "ATTRIBUTE")
            return attribute(w);
        if (keyword == "VALUE")
            return value(w);
        if (keyword == "VENDOR")
            return vendor(w);
        if (keyword == "BEGIN-VENDOR")
            return beginVendor(w);
        if (keyword == "END-VENDOR") {
            vendor_ = 0;
            evsParent_ = 0;
            return true;
        }
        if (keyword == "BEGIN-TLV")
            return beginTlv(w);
        if (keyword == "END-TLV") {
            if (!tlvs_.empty())
                tlvs_.pop_back();
            return true;
        }
        // Words of other dictionary dialects that describe nothing on the wire.
        return keyword == "FLAGS" || keyword == "PROTOCOL" || keyword == "BEGIN-PROTOCOL" ||
               keyword == "END-PROTOCOL";
    }

    bool attribute(const std::vector<std::string_view>& w) {
        if (w.size() < 4)
            return false;
        const auto type = avpTypeNamed(w[3]);
        if (!type) {
            warn("unknown type \"" + zem::terminalSafe(w[3].substr(0, 32)) + "\"");
            return true;
        }
        AttributeDefinition definition;
        definition.name = std::string(w[1]);
        definition.type = *type;
        // The number, dotted for extended types and TLV members, under the open TLV.
        AvpPath path;
        if (!tlvs_.empty()) {
            path = tlvs_.back();
        } else {
            path.vendor = vendor_;
            if (evsParent_ != 0)
                path = path.child(evsMarker | evsParent_);
        }
        std::string_view numbers = w[2];
        while (!numbers.empty()) {
            const auto dot = numbers.find('.');
            const auto number = numberOf(numbers.substr(0, dot));
            if (!number || *number > 0xFFFFFFFFu)
                return false;
            path = path.child(static_cast<std::uint32_t>(*number));
            numbers = dot == std::string_view::npos ? std::string_view{} : numbers.substr(dot + 1);
        }
        // Standard numbers past 255 are the server's own, never on the wire.
        if (path.vendor == 0 && path.depth > 0 && path.numbers[0] > 255) {
            internal_.insert(avpFieldName(w[1]));
            return true;
        }
        definition.path = path;
        for (std::size_t i = 4; i < w.size(); ++i) {
            std::string_view flags = w[i];
            while (!flags.empty()) {
                const auto comma = flags.find(',');
                const auto flag = flags.substr(0, comma);
                if (flag == "has_tag")
                    definition.hasTag = true;
                else if (flag.starts_with("encrypt="))
                    definition.encrypt =
                        static_cast<std::uint8_t>(numberOf(flag.substr(8)).value_or(0));
                flags =
                    comma == std::string_view::npos ? std::string_view{} : flags.substr(comma + 1);
            }
        }
        dictionary_.addAttribute(std::move(definition));
        lastValued_ = nullptr; // the attributes may have moved
        return true;
    }

    bool value(const std::vector<std::string_view>& w) {
        if (w.size() < 4)
            return false;
        const auto number = numberOf(w[3]);
        if (!number)
            return false;
        // Values come in runs for one attribute: the last one found is looked at first.
        if (!lastValued_ || lastValuedName_ != w[1]) {
            lastValued_ = dictionary_.named(w[1]);
            lastValuedName_ = std::string(w[1]);
        }
        auto* attribute = lastValued_;
        if (!attribute) {
            // Files may name values before the attribute is defined (FreeRADIUS's compat
            // files do): they wait for it until the end.
            pending_.push_back({std::string(w[1]), std::string(w[2]), *number,
                                file_->string() + ":" + std::to_string(line_number_) + ": "});
            return true;
        }
        attribute->valueNames.emplace_back(*number, std::string(w[2]));
        return true;
    }

    bool vendor(const std::vector<std::string_view>& w) {
        if (w.size() < 3)
            return false;
        const auto id = numberOf(w[2]);
        if (!id || *id > 0xFFFFFFFFu)
            return false;
        VendorDefinition vendor{std::string(w[1]), static_cast<std::uint32_t>(*id)};
        if (w.size() > 3) {
            if (!w[3].starts_with("format="))
                return false;
            const auto format = w[3].substr(7);
            const auto t = numberOf(format.substr(0, format.find(',')));
            const auto l = format.find(',') == std::string_view::npos
                               ? std::optional<std::uint64_t>(1)
                               : numberOf(format.substr(format.find(',') + 1, 1));
            if (!t || !l || (*t != 1 && *t != 2 && *t != 4) || *l > 2)
                return false;
            vendor.typeOctets = static_cast<std::uint8_t>(*t);
            vendor.lengthOctets = static_cast<std::uint8_t>(*l);
            vendor.continuation = format.ends_with(",c");
        }
        dictionary_.addVendor(std::move(vendor));
        return true;
    }

    bool beginVendor(const std::vector<std::string_view>& w) {
        if (w.size() < 2)
            return false;
        const auto* vendor = dictionary_.vendorNamed(w[1]);
        if (!vendor) {
            warn("BEGIN-VENDOR of the unknown vendor \"" + zem::terminalSafe(w[1].substr(0, 64)) +
                 "\"");
            return true;
        }
        vendor_ = vendor->id;
        evsParent_ = 0;
        if (w.size() > 2 && w[2].starts_with("format=")) {
            const auto* parent = dictionary_.named(w[2].substr(7));
            if (!parent || parent->type != AvpType::evs || parent->path.depth < 1)
                return false;
            evsParent_ = parent->path.numbers[0];
        }
        return true;
    }

    bool beginTlv(const std::vector<std::string_view>& w) {
        if (w.size() < 2)
            return false;
        const auto* parent = dictionary_.named(w[1]);
        if (!parent || parent->type != AvpType::tlv)
            return false;
        tlvs_.push_back(parent->path);
        return true;
    }

public:
    /// Gives the waiting values to their attributes; warns of those that never came.
    void applyPending() {
        for (auto& value : pending_) {
            // Values named in their attribute's own run, read later, stand over these.
            if (auto* attribute = dictionary_.named(value.attribute))
                attribute->valueNames.emplace(attribute->valueNames.begin(), value.number,
                                              std::move(value.name));
            else if (!internal_.count(avpFieldName(value.attribute)))
                warnings_.push_back(
                    value.where + "VALUE for the unknown attribute \"" +
                    zem::terminalSafe(std::string_view(value.attribute).substr(0, 64)) + "\"");
        }
        pending_.clear();
    }

private:
    struct PendingValue {
        std::string attribute, name;
        std::uint64_t number;
        std::string where;
    };

    RadiusDictionary& dictionary_;
    std::vector<std::string>& warnings_;
    std::set<std::string> read_;
    const std::filesystem::path* file_ = nullptr;
    std::size_t line_number_ = 0;
    std::vector<PendingValue> pending_;
    std::set<std::string> internal_; // the server's own attributes, passed over
    AttributeDefinition* lastValued_ = nullptr;
    std::string lastValuedName_;
    std::uint32_t vendor_ = 0;
    std::uint32_t evsParent_ = 0;
    std::vector<AvpPath> tlvs_;
};

} // namespace

RadiusDictionary parseDictionary(const std::string& text, const std::string& name,
                                 std::vector<std::string>& warnings) {
    RadiusDictionary dictionary;
    Reader reader(dictionary, warnings);
    reader.readText(text, name, 0);
    reader.applyPending();
    dictionary.settle();
    return dictionary;
}

RadiusDictionary readDictionary(const std::string& path, std::vector<std::string>& warnings) {
    RadiusDictionary dictionary;
    std::filesystem::path file(path);
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        file /= "dictionary";
    // Room for the set that FreeRADIUS installs (about 7,000 attributes).
    dictionary.reserve(8192);
    Reader reader(dictionary, warnings);
    reader.readFile(file, 0);
    reader.applyPending();
    dictionary.settle();
    return dictionary;
}

} // namespace analysis
