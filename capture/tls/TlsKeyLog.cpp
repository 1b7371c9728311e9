#include "TlsKeyLog.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace capture {

namespace {

using SecretField = zem::ByteBuffer TlsSecrets::*;

struct KeyLogLabel {
    std::string_view label;
    SecretField field;
};

// One row per label that decryption uses.
constexpr std::array<KeyLogLabel, 5> labels{{
    {"CLIENT_RANDOM", &TlsSecrets::masterSecret},
    {"CLIENT_HANDSHAKE_TRAFFIC_SECRET", &TlsSecrets::clientHandshake},
    {"SERVER_HANDSHAKE_TRAFFIC_SECRET", &TlsSecrets::serverHandshake},
    {"CLIENT_TRAFFIC_SECRET_0", &TlsSecrets::clientApplication},
    {"SERVER_TRAFFIC_SECRET_0", &TlsSecrets::serverApplication},
}};

// Labels a key log may hold that decryption has no use for.
constexpr std::array<std::string_view, 4> unusedLabels{"EXPORTER_SECRET", "EARLY_EXPORTER_SECRET",
                                                       "CLIENT_EARLY_TRAFFIC_SECRET", "RSA"};

std::string_view nextWord(std::string_view& line) {
    auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    auto end = line.find_first_of(" \t");
    std::string_view word = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return word;
}

} // namespace

void TlsKeyLog::addText(std::string_view text) {
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#')
            continue;
        std::string_view label = nextWord(line), random = nextWord(line), secret = nextWord(line),
                         extra = nextWord(line);
        bool unused = false;
        for (auto name : unusedLabels)
            unused |= label == name;
        if (unused)
            continue;
        const KeyLogLabel* row = nullptr;
        for (const auto& candidate : labels)
            if (candidate.label == label)
                row = &candidate;
        auto randomOctets = zem::parseHexBytes(random);
        auto secretOctets = zem::parseHexBytes(secret);
        if (!row || !extra.empty() || !randomOctets || randomOctets->size() != 32 ||
            !secretOctets || secretOctets->empty()) {
            ++unreadable_;
            continue;
        }
        TlsRandom key;
        std::memcpy(key.data(), randomOctets->data(), key.size());
        secrets_[key].*(row->field) = std::move(*secretOctets);
    }
}

const TlsSecrets* TlsKeyLog::find(const TlsRandom& clientRandom) const {
    auto found = secrets_.find(clientRandom);
    return found == secrets_.end() ? nullptr : &found->second;
}

TlsKeyLogFile readTlsKeyLogFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {std::nullopt, path + ": " + std::strerror(errno)};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return {std::nullopt, path + ": cannot be read"};
    TlsKeyLog keys;
    keys.addText(text.str());
    if (keys.empty())
        return {std::nullopt, path + ": no TLS secrets in it (a key log has lines like "
                                     "\"CLIENT_RANDOM <64 hex digits> <96 hex digits>\")"};
    return {text.str(), {}};
}

} // namespace capture
