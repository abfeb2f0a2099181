#pragma once
// Rijndael with a 256-bit block and a 256-bit key, in electronic codebook mode over a
// length-prefixed buffer. Holds nothing between calls; failures go to the caller's error trap.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "store/error_trap.h"

namespace tidewell::cipher {

using ByteString = std::vector<std::uint8_t>;

class CRijndael {
 public:
  static constexpr std::size_t kBlockBytes = 32;
  static constexpr std::size_t kKeyBytes = 32;
  using Block = std::array<std::uint8_t, kBlockBytes>;
  using Key = std::array<std::uint8_t, kKeyBytes>;

  explicit CRijndael(store::ErrorTrap& trap) : m_trap(trap) {}

  // The enciphered buffer: message length (signed 32-bit, little-endian), the message, zero
  // fill to whole blocks, each block enciphered on its own. Empty on failure, which is logged
  // under "decrypt_fun2 ".
  ByteString EncryptData(std::span<const std::uint8_t> message,
                         std::span<const std::uint8_t> password);
  // The message of a buffer EncryptData made with the same password. Empty when the buffer is
  // not whole blocks or its length prefix does not fit; the failure is logged under
  // "decrypt_fun1 ".
  ByteString DecryptData(std::span<const std::uint8_t> cipher,
                         std::span<const std::uint8_t> password);

  // One block through the bare cipher, for checks against published vectors.
  static Block encryptBlock(const Block& plain, const Key& key);
  static Block decryptBlock(const Block& cipher, const Key& key);

  // The password's bytes cut or zero-filled to the key length.
  static Key keyFromPassword(std::span<const std::uint8_t> password);

 private:
  store::ErrorTrap& m_trap;
};

}  // namespace tidewell::cipher
