#include "checks/SecretsFile.hpp"

#include "FileReading.hpp"
#include "TextEscaping.hpp"

#include <charconv>
#include <sys/stat.h>

namespace analysis {

namespace {

constexpr std::string_view blanks = " \t\r";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// clients.conf opens its sections with "client NAME {"; the line form never holds a brace
// after a word "client".
bool looksLikeClientsConf(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        const auto line = trimmed(text.substr(at, end - at));
        if (line.starts_with("client") && line.size() > 6 &&
            blanks.find(line[6]) != std::string_view::npos &&
            line.find('{') != std::string_view::npos)
            return true;
        at = end + 1;
    }
    return false;
}

// A comment starts at a "#" that opens the line or follows a blank.
std::string_view withoutComment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    return line;
}

SharedSecrets parseLines(std::string_view text, std::string_view fileName) {
    SharedSecrets secrets;
    std::size_t at = 0, lineNumber = 0;
    while (at <= text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        ++lineNumber;
        const auto line = trimmed(withoutComment(text.substr(at, end - at)));
        at = end + 1;
        if (line.empty())
            continue;
        const auto where = std::string(fileName) + ":" + std::to_string(lineNumber) + ": ";
        const auto cut = line.find_first_of(blanks);
        const auto networkText = line.substr(0, cut);
        const auto secret =
            cut == std::string_view::npos ? std::string_view{} : trimmed(line.substr(cut));
        const auto network = parseClientNetwork(networkText);
        if (!network)
            throw SecretsError(where +
                               "expected ADDRESS[/PREFIX] SECRET; the first field is no IPv4 "
                               "or IPv6 address or network");
        if (secret.empty())
            throw SecretsError(where + "no secret after the address");
        secrets.add(network->address, network->prefixLength, std::string(secret));
    }
    return secrets;
}

} // namespace

std::optional<ClientNetwork> parseClientNetwork(std::string_view text) {
    const auto slash = text.find('/');
    auto address = zem::IPAddress::parse(text.substr(0, slash));
    if (!address)
        return std::nullopt;
    const unsigned bits = address->family == 4 ? 32 : 128;
    if (slash == std::string_view::npos)
        return ClientNetwork{*address, bits};
    const auto prefixText = text.substr(slash + 1);
    unsigned prefix = 0;
    auto [end, error] =
        std::from_chars(prefixText.data(), prefixText.data() + prefixText.size(), prefix);
    if (error != std::errc() || end != prefixText.data() + prefixText.size() ||
        prefixText.empty() || prefix > bits)
        return std::nullopt;
    return ClientNetwork{*address, prefix};
}

SharedSecrets parseSecrets(std::string_view text, std::string_view fileName) {
    if (text.find('\0') != std::string_view::npos)
        throw SecretsError(std::string(fileName) +
                           ": not a secrets file (it holds binary data); give lines "
                           "ADDRESS[/PREFIX] SECRET or a clients.conf");
    return looksLikeClientsConf(text) ? parseClientsConf(text, fileName)
                                      : parseLines(text, fileName);
}

SharedSecrets readSecretsFile(const std::string& path, std::string& warning) {
    // A secrets file is small: a FIFO, a device or gigabytes are refused, not read.
    constexpr std::size_t largestSecretsFile = 16u << 20;
    const auto read = zem::readRegularFile(path, largestSecretsFile);
    if (!read.contents)
        throw SecretsError(path + ": cannot read the secrets file: " + read.error);
    const auto& contents = read.contents;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && (status.st_mode & S_IROTH))
        warning = path +
                  " is readable by every user; shared secrets belong in a file only "
                  "its owner reads (chmod o-r " +
                  path + ")";
    return parseSecrets(*contents, path);
}

} // namespace analysis
