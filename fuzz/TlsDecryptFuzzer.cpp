// Fuzz target for TLS record decryption: one record opened with fixed keys of a cipher
// suite, for each of TLS 1.2 (AEAD, CBC with the MAC before or after encryption) and TLS
// 1.3, so that padding, MAC and tag checks see every length and content.
//
// Input: a suite octet (an index into the suites below), a flags octet (bit 0: TLS 1.3,
// bit 1: encrypt-then-MAC), the record's eight-octet sequence number, its type, its
// two-octet version, then the record's fragment.
#include "TlsKeySchedule.hpp"
#include "TlsRecordDecryptor.hpp"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint16_t, 8> suites{0xC02F, 0xC030, 0xCCA8, 0xC013,
                                              0xC027, 0xC028, 0x1301, 0x1303};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zem::ByteView input(std::span(data, size));
    auto choice = input.at(0);
    auto flags = input.at(1);
    auto sequenceHigh = input.loadBigEndian32(2), sequenceLow = input.loadBigEndian32(6);
    auto type = input.at(10);
    auto version = input.loadBigEndian16(11);
    if (!choice || !flags || !sequenceHigh || !sequenceLow || !type || !version)
        return 0;
    const auto* suite = capture::findTlsCipherSuite(suites[*choice % suites.size()]);
    if (!suite)
        return 0;
    const bool tls13 = (*flags & 1) != 0;
    capture::TlsRandom clientRandom{}, serverRandom{};
    serverRandom.fill(0x55);
    const zem::ByteBuffer secret(48, 0x42);
    auto keys = tls13 ? capture::tls13TrafficKeys(*suite, zem::ByteView(secret))
                      : capture::tls12TrafficKeys(*suite, zem::ByteView(secret), clientRandom,
                                                  serverRandom, true);
    if (!keys)
        return 0;
    capture::TlsRecordDecryptor decryptor(*suite, std::move(*keys),
                                          tls13 ? capture::TlsRecordProtection::tls13
                                                : capture::TlsRecordProtection::tls12,
                                          (*flags & 2) != 0);
    const std::uint64_t sequence = (std::uint64_t{*sequenceHigh} << 32) | *sequenceLow;
    auto plain = decryptor.decrypt(sequence, *type, *version, input.slice(13));
    return plain && plain->octets.size() > size; // never: decryption only shrinks
}
