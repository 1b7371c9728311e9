#include "ZEMAnalyzingUtilities.hpp"

#include "PropertyList.hpp"
#include "StringTable.hpp"
#include "ZEMLog.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>

namespace zem {

bool isValidUtf8(ByteView data) {
    auto bytes = data.span();
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        std::uint32_t cp;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            cp = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            cp = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            cp = b & 0x07u;
        } else {
            return false; // continuation octet, overlong lead C0/C1, or F5..FF
        }
        if (n - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (bytes[i + k] & 0x3Fu);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::optional<std::string> ZEMAnalyzingUtilities::utfStringFromData(ByteView data) {
    if (!isValidUtf8(data))
        return std::nullopt;
    return std::string(data.begin(), data.end());
}

std::optional<std::string> ZEMAnalyzingUtilities::asciiStringFromData(ByteView data) {
    for (auto b : data)
        if (b > 0x7F)
            return std::nullopt;
    return std::string(data.begin(), data.end());
}

std::optional<std::string> ZEMAnalyzingUtilities::isoLatin1StringFromData(ByteView data) {
    std::string text;
    text.reserve(data.size());
    for (auto b : data)
        appendUtf8(text, b);
    return text;
}

std::string ZEMAnalyzingUtilities::hexStringFromData(ByteView data, bool withSeparator) {
    std::string text = data.hexRepresentation(true, 2, withSeparator);
    if (withSeparator)
        std::replace(text.begin(), text.end(), ' ', ':');
    return text;
}

EnterpriseNumberRegistry EnterpriseNumberRegistry::parse(std::string text) {
    EnterpriseNumberRegistry registry;
    registry.text_ = std::make_unique<const std::string>(std::move(text));
    std::string_view contents = *registry.text_;
    while (!contents.empty()) {
        auto end = contents.find('\n');
        std::string_view line = contents.substr(0, end);
        contents = end == std::string_view::npos ? std::string_view{} : contents.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        auto tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        std::uint32_t number = 0;
        auto [ptr, ec] = std::from_chars(line.data(), line.data() + tab, number);
        if (ec != std::errc() || ptr != line.data() + tab)
            continue;
        registry.names_.emplace_back(number, line.substr(tab + 1));
    }
    // IANA lists the numbers in order; another file given instead may not.
    const auto byNumber = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(registry.names_.begin(), registry.names_.end(), byNumber))
        std::stable_sort(registry.names_.begin(), registry.names_.end(), byNumber);
    return registry;
}

std::optional<std::string_view> EnterpriseNumberRegistry::nameFor(std::uint32_t number) const {
    auto it = std::lower_bound(names_.begin(), names_.end(), number,
                               [](const auto& entry, std::uint32_t n) { return entry.first < n; });
    if (it == names_.end() || it->first != number)
        return std::nullopt;
    return std::string_view(it->second);
}

namespace {

// The registry file is installed beside the host library (build tree) or under
// share/radius-analyzer (install tree); ZEM_ENTERPRISE_NUMBERS overrides both.
std::optional<std::string> readEnterpriseNumbers() {
    namespace fs = std::filesystem;
    std::vector<std::string> candidates;
    if (const char* path = std::getenv("ZEM_ENTERPRISE_NUMBERS"); path && *path)
        candidates.emplace_back(path);
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&isValidUtf8), &info) && info.dli_fname) {
        fs::path folder = fs::path(info.dli_fname).parent_path();
        candidates.push_back((folder / "enterprise-numbers.tsv").string());
        candidates.push_back((folder / "../share/radius-analyzer/enterprise-numbers.tsv").string());
    }
    for (const auto& candidate : candidates)
        if (auto contents = readFile(candidate))
            return contents;
    return std::nullopt;
}

const EnterpriseNumberRegistry& installedRegistry() {
    static const EnterpriseNumberRegistry registry = [] {
        auto contents = readEnterpriseNumbers();
        if (!contents) {
            zemLog({"enterprise-number registry not found; vendors show as numbers"},
                   "host/ZEMAnalyzingUtilities", "smiNameFor(IdentString:)", __LINE__);
            return EnterpriseNumberRegistry{};
        }
        return EnterpriseNumberRegistry::parse(std::move(*contents));
    }();
    return registry;
}

} // namespace

std::optional<std::string> ZEMAnalyzingUtilities::smiNameFor(std::string_view identString) {
    std::uint32_t number = 0;
    auto [ptr, ec] =
        std::from_chars(identString.data(), identString.data() + identString.size(), number);
    if (ec != std::errc() || ptr != identString.data() + identString.size())
        return std::nullopt;
    auto name = installedRegistry().nameFor(number);
    if (!name)
        return std::nullopt;
    return std::string(*name);
}

std::optional<std::string> ZEMAnalyzingUtilities::hostnameForIPString(const std::string& address,
                                                                      int version) {
    sockaddr_storage storage{};
    socklen_t length;
    if (version == AF_INET) {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        if (inet_pton(AF_INET, address.c_str(), &in->sin_addr) != 1)
            return std::nullopt;
        length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        if (inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) != 1)
            return std::nullopt;
        length = sizeof(sockaddr_in6);
    }
    char host[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return std::nullopt;
    return std::string(host);
}

} // namespace zem
