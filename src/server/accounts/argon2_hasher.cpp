#include "server/accounts/argon2_hasher.h"

#include <sodium.h>

namespace nearbeam {

Argon2Hasher::Argon2Hasher() : Argon2Hasher(2, 19 * 1024 * 1024) {}

Argon2Hasher::Argon2Hasher(unsigned long long opsLimit, size_t memLimit)
    : opsLimit_(opsLimit), memLimit_(memLimit) {
    // Safe to call again and from several threads; needed once before hashing. A
    // failure shows as hashes that cannot be made (an empty hash).
    if (sodium_init() < 0)
        opsLimit_ = 0;
}

std::string Argon2Hasher::hash(const std::string& token) const {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, token.data(), token.size(), opsLimit_, memLimit_,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return out;
}

bool Argon2Hasher::verify(const std::string& hash, const std::string& token) const {
    if (hash.size() >= crypto_pwhash_STRBYTES || hash.rfind("$argon2id$", 0) != 0)
        return false;
    return crypto_pwhash_str_verify(hash.c_str(), token.data(), token.size()) == 0;
}

} // namespace nearbeam
