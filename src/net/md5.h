#pragma once
// MD5 message digest (RFC 1321), used for the upload's login token.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nearbeam {

class Md5 {
  public:
    Md5();
    void update(const void* data, size_t length);
    void update(std::string_view text) { update(text.data(), text.size()); }
    // The 16 bytes of the digest; the object must not be updated afterwards.
    std::array<uint8_t, 16> finish();

  private:
    void transform(const uint8_t block[64]);

    uint32_t state_[4];
    uint64_t length_ = 0; // bytes seen
    uint8_t buffer_[64];
    bool finished_ = false;
};

// The digest of the bytes as 32 lower-case hexadecimal digits, in digest byte order.
std::string md5Hex(std::string_view bytes);

// The login token the location server checks: the MD5 hex digest of "Nearbeam: "
// followed by the MD5 hex digest of the password (8-bit text). The server keeps only
// the password's digest, so it has its own form of the same rule.
std::string loginTokenFromDigest(std::string_view passwordDigestHex);
std::string loginToken(std::string_view password);

} // namespace nearbeam
