#pragma once
// Login tokens kept as Argon2id hashes (libsodium's crypto_pwhash_str): a stolen
// database gives neither the tokens nor the passwords they were made from.

#include "server/storage/storage.h"

#include <cstddef>

namespace nearbeam {

class Argon2Hasher : public TokenHasher {
  public:
    // The cost of one hash: by default two passes over 19 MiB, the least that is
    // commonly advised for logins.
    Argon2Hasher();
    Argon2Hasher(unsigned long long opsLimit, size_t memLimit);

    std::string hash(const std::string& token) const override;
    bool verify(const std::string& hash, const std::string& token) const override;

  private:
    unsigned long long opsLimit_;
    size_t memLimit_;
};

} // namespace nearbeam
