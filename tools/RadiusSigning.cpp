#include "RadiusSigning.hpp"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <stdexcept>

namespace tools {

namespace {

Bytes md5Of(const Bytes& data) {
    Bytes digest(16);
    unsigned int size = 0;
    if (!EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr))
        throw std::runtime_error("MD5 failed");
    return digest;
}

Bytes concatenated(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// XORs each 16-octet block with MD5(secret + seed), the seed being first `firstSeed`,
// then the hidden block before.
Bytes hide(std::string_view secret, const Bytes& firstSeed, Bytes plain) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    Bytes seed = firstSeed;
    for (std::size_t block = 0; block < plain.size(); block += 16) {
        const Bytes pad = md5Of(concatenated({bytesOf(secret), seed}));
        for (std::size_t i = 0; i < 16; ++i)
            plain[block + i] ^= pad[i];
        seed.assign(plain.begin() + static_cast<std::ptrdiff_t>(block),
                    plain.begin() + static_cast<std::ptrdiff_t>(block + 16));
    }
    return plain;
}

void setAuthenticator(Bytes& message, const Bytes& authenticator) {
    std::copy(authenticator.begin(), authenticator.end(), message.begin() + 4);
}

} // namespace

Bytes authenticatorOf(const Bytes& message) {
    return Bytes(message.begin() + 4, message.begin() + 20);
}

Bytes hiddenPassword(std::string_view secret, const Bytes& requestAuthenticator,
                     std::string_view password) {
    return hide(secret, requestAuthenticator, bytesOf(password));
}

Bytes hiddenSalted(std::string_view secret, const Bytes& requestAuthenticator, std::uint16_t salt,
                   const Bytes& value) {
    const Bytes saltOctets{static_cast<std::uint8_t>(salt >> 8), static_cast<std::uint8_t>(salt)};
    Bytes plain{static_cast<std::uint8_t>(value.size())};
    plain.insert(plain.end(), value.begin(), value.end());
    return concatenated(
        {saltOctets, hide(secret, concatenated({requestAuthenticator, saltOctets}), plain)});
}

Bytes signedMessage(Bytes message, std::string_view secret, const Bytes& requestAuthenticator) {
    const std::uint8_t code = message[0];
    const bool computedRequest = code == 4 || code == 40 || code == 43;
    const bool response = !requestAuthenticator.empty();
    if (computedRequest)
        setAuthenticator(message, Bytes(16, 0));
    if (response)
        setAuthenticator(message, requestAuthenticator);
    for (std::size_t at = 20; at + 2 <= message.size() && message[at + 1] >= 2;
         at += message[at + 1]) {
        if (message[at] != 80 || message[at + 1] != 18)
            continue;
        std::fill(message.begin() + static_cast<std::ptrdiff_t>(at + 2),
                  message.begin() + static_cast<std::ptrdiff_t>(at + 18), 0);
        unsigned int size = 0;
        Bytes mac(16);
        HMAC(EVP_md5(), secret.data(), static_cast<int>(secret.size()), message.data(),
             message.size(), mac.data(), &size);
        std::copy(mac.begin(), mac.end(), message.begin() + static_cast<std::ptrdiff_t>(at + 2));
    }
    if (computedRequest || response)
        setAuthenticator(message, md5Of(concatenated({message, bytesOf(secret)})));
    return message;
}

} // namespace tools
