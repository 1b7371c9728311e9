#include "checks/RadiusDigest.hpp"

#include <memory>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace analysis {

namespace {

// Fetched once: an implicit fetch on every use is a large share of a short digest's cost.
const EVP_MD* md5Algorithm() {
    static EVP_MD* const algorithm = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return algorithm;
}

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// One context per thread, reused: messages are checked on several threads at once.
EVP_MD_CTX* threadContext() {
    thread_local std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    return context.get();
}

struct MacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

// The digest is chosen once per context: naming it on every use fetches it again.
EVP_MAC_CTX* newMacContext() {
    static EVP_MAC* const hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* context = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
    char digestName[] = "MD5";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
        OSSL_PARAM_construct_end()};
    if (context && !EVP_MAC_CTX_set_params(context, parameters)) {
        EVP_MAC_CTX_free(context);
        return nullptr;
    }
    return context;
}

EVP_MAC_CTX* threadMacContext() {
    thread_local std::unique_ptr<EVP_MAC_CTX, MacContextFree> context(newMacContext());
    return context.get();
}

} // namespace

Digest md5(std::initializer_list<zem::ByteView> pieces) {
    Digest digest{};
    EVP_MD_CTX* context = threadContext();
    if (!context || !EVP_DigestInit_ex(context, md5Algorithm(), nullptr))
        return digest;
    for (auto piece : pieces)
        EVP_DigestUpdate(context, piece.span().data(), piece.size());
    EVP_DigestFinal_ex(context, digest.data(), nullptr);
    return digest;
}

Digest hmacMd5(zem::ByteView key, std::initializer_list<zem::ByteView> pieces) {
    Digest digest{};
    EVP_MAC_CTX* context = threadMacContext();
    if (!context)
        return digest;
    if (!EVP_MAC_init(context, key.span().data(), key.size(), nullptr))
        return digest;
    for (auto piece : pieces)
        EVP_MAC_update(context, piece.span().data(), piece.size());
    std::size_t written = 0;
    EVP_MAC_final(context, digest.data(), &written, digest.size());
    return digest;
}

} // namespace analysis
