#include "cipher/c_rijndael.h"

#include <algorithm>
#include <limits>

#include "store/error.h"

namespace tidewell::cipher {

namespace {

constexpr int kNb = 8;   // block columns
constexpr int kNk = 8;   // key words
constexpr int kNr = 14;  // rounds
constexpr std::array<int, 4> kShift = {0, 1, 3, 4};
constexpr std::size_t kLengthBytes = 4;

using Word = std::array<std::uint8_t, 4>;

std::uint8_t xtime(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0x00));
}

std::uint8_t rotateLeft(std::uint8_t a, int n) {
  return static_cast<std::uint8_t>((a << n) | (a >> (8 - n)));
}

// Field arithmetic and S-boxes, derived rather than typed in so that no table can carry a typo.
class Tables {
 public:
  Tables() {
    // 3 generates the multiplicative group of GF(2^8).
    std::uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
      m_exp[static_cast<std::size_t>(i)] = x;
      m_log[x] = static_cast<std::uint8_t>(i);
      x = static_cast<std::uint8_t>(x ^ xtime(x));
    }
    for (int b = 0; b < 256; ++b) {
      std::uint8_t inverse = b == 0 ? 0 : m_exp[static_cast<std::size_t>((255 - m_log[b]) % 255)];
      auto s = static_cast<std::uint8_t>(inverse ^ rotateLeft(inverse, 1) ^ rotateLeft(inverse, 2) ^
                                         rotateLeft(inverse, 3) ^ rotateLeft(inverse, 4) ^ 0x63);
      m_sbox[static_cast<std::size_t>(b)] = s;
      m_inverseSbox[s] = static_cast<std::uint8_t>(b);
    }
  }

  std::uint8_t multiply(std::uint8_t a, std::uint8_t b) const {
    if (a == 0 || b == 0) return 0;
    return m_exp[(static_cast<std::size_t>(m_log[a]) + m_log[b]) % 255];
  }
  std::uint8_t sub(std::uint8_t b) const { return m_sbox[b]; }
  std::uint8_t inverseSub(std::uint8_t b) const { return m_inverseSbox[b]; }

 private:
  std::array<std::uint8_t, 256> m_exp{};
  std::array<std::uint8_t, 256> m_log{};
  std::array<std::uint8_t, 256> m_sbox{};
  std::array<std::uint8_t, 256> m_inverseSbox{};
};

// The expanded key of one call. State byte i sits in row i % 4 of column i / 4, so a block's
// bytes are the state as they stand.
class KeySchedule {
 public:
  KeySchedule(const Tables& tables, const CRijndael::Key& key) : m_tables(tables) {
    for (std::size_t i = 0; i < kNk; ++i) {
      std::copy_n(key.begin() + static_cast<std::ptrdiff_t>(4 * i), 4, m_words[i].begin());
    }
    std::uint8_t roundConstant = 1;
    for (std::size_t i = kNk; i < m_words.size(); ++i) {
      Word temp = m_words[i - 1];
      if (i % kNk == 0) {
        temp = {static_cast<std::uint8_t>(tables.sub(temp[1]) ^ roundConstant), tables.sub(temp[2]),
                tables.sub(temp[3]), tables.sub(temp[0])};
        roundConstant = xtime(roundConstant);
      } else if (i % kNk == 4) {
        for (auto& b : temp) b = tables.sub(b);
      }
      for (std::size_t k = 0; k < 4; ++k) {
        m_words[i][k] = static_cast<std::uint8_t>(m_words[i - kNk][k] ^ temp[k]);
      }
    }
  }

  void encrypt(CRijndael::Block& state) const {
    addRoundKey(state, 0);
    for (int round = 1; round <= kNr; ++round) {
      for (auto& b : state) b = m_tables.sub(b);
      shiftRows(state, false);
      if (round != kNr) mixColumns(state, {2, 3, 1, 1});
      addRoundKey(state, round);
    }
  }

  void decrypt(CRijndael::Block& state) const {
    addRoundKey(state, kNr);
    for (int round = kNr - 1; round >= 0; --round) {
      shiftRows(state, true);
      for (auto& b : state) b = m_tables.inverseSub(b);
      addRoundKey(state, round);
      if (round != 0) mixColumns(state, {14, 11, 13, 9});
    }
  }

 private:
  void addRoundKey(CRijndael::Block& state, int round) const {
    for (std::size_t c = 0; c < kNb; ++c) {
      const Word& w = m_words[static_cast<std::size_t>(round) * kNb + c];
      for (std::size_t r = 0; r < 4; ++r) state[4 * c + r] ^= w[r];
    }
  }

  static void shiftRows(CRijndael::Block& state, bool inverse) {
    CRijndael::Block old = state;
    for (std::size_t r = 1; r < 4; ++r) {
      for (std::size_t c = 0; c < kNb; ++c) {
        std::size_t from = (c + (inverse ? kNb - kShift[r] : kShift[r])) % kNb;
        state[4 * c + r] = old[4 * from + r];
      }
    }
  }

  // Multiplies every column by the circulant matrix whose first row is `row`.
  void mixColumns(CRijndael::Block& state, const Word& row) const {
    for (std::size_t c = 0; c < kNb; ++c) {
      Word column;
      std::copy_n(state.begin() + static_cast<std::ptrdiff_t>(4 * c), 4, column.begin());
      for (std::size_t r = 0; r < 4; ++r) {
        std::uint8_t sum = 0;
        for (std::size_t k = 0; k < 4; ++k)
          sum ^= m_tables.multiply(row[(k + 4 - r) % 4], column[k]);
        state[4 * c + r] = sum;
      }
    }
  }

  const Tables& m_tables;
  std::array<Word, static_cast<std::size_t>(kNb) * (kNr + 1)> m_words{};
};

// Runs every block of buffer through the cipher in place.
void cryptBlocks(ByteString& buffer, const CRijndael::Key& key, bool decipher) {
  Tables tables;
  KeySchedule schedule(tables, key);
  for (std::size_t offset = 0; offset < buffer.size(); offset += CRijndael::kBlockBytes) {
    CRijndael::Block block;
    auto start = buffer.begin() + static_cast<std::ptrdiff_t>(offset);
    std::copy_n(start, block.size(), block.begin());
    if (decipher) {
      schedule.decrypt(block);
    } else {
      schedule.encrypt(block);
    }
    std::copy(block.begin(), block.end(), start);
  }
}

}  // namespace

CRijndael::Key CRijndael::keyFromPassword(std::span<const std::uint8_t> password) {
  Key key{};
  std::copy_n(password.begin(), std::min(password.size(), key.size()), key.begin());
  return key;
}

CRijndael::Block CRijndael::encryptBlock(const Block& plain, const Key& key) {
  Tables tables;
  Block state = plain;
  KeySchedule(tables, key).encrypt(state);
  return state;
}

CRijndael::Block CRijndael::decryptBlock(const Block& cipher, const Key& key) {
  Tables tables;
  Block state = cipher;
  KeySchedule(tables, key).decrypt(state);
  return state;
}

ByteString CRijndael::EncryptData(std::span<const std::uint8_t> message,
                                  std::span<const std::uint8_t> password) {
  return m_trap.run(store::windowProcedure("decrypt_fun2"), ByteString{}, [&] {
    // A zero length prefix is one that DecryptData refuses, so there is nothing worth writing.
    if (message.empty()) store::raise(store::kBadArgument, "There is no data to encipher");
    constexpr auto kLongest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) -
                              kLengthBytes - kBlockBytes;
    if (message.size() > kLongest)
      store::raise(store::kOverflow, "The data is too long to encipher");
    std::size_t used = kLengthBytes + message.size();
    ByteString buffer((used + kBlockBytes - 1) / kBlockBytes * kBlockBytes, 0);
    auto length = static_cast<std::uint32_t>(message.size());
    for (std::size_t i = 0; i < kLengthBytes; ++i) {
      buffer[i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    std::copy(message.begin(), message.end(), buffer.begin() + kLengthBytes);
    cryptBlocks(buffer, keyFromPassword(password), false);
    return buffer;
  });
}

ByteString CRijndael::DecryptData(std::span<const std::uint8_t> cipher,
                                  std::span<const std::uint8_t> password) {
  return m_trap.run(store::windowProcedure("decrypt_fun1"), ByteString{}, [&] {
    if (cipher.empty() || cipher.size() % kBlockBytes != 0) {
      store::raise(store::kBadFormat, "The enciphered data is not a whole number of blocks");
    }
    ByteString buffer(cipher.begin(), cipher.end());
    cryptBlocks(buffer, keyFromPassword(password), true);
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < kLengthBytes; ++i) raw |= std::uint32_t{buffer[i]} << (8 * i);
    auto length = static_cast<std::int32_t>(raw);
    if (length <= 0 || static_cast<std::size_t>(length) > buffer.size() - kLengthBytes) {
      store::raise(store::kBadFormat, "The deciphered data carries an impossible length");
    }
    auto begin = buffer.begin() + kLengthBytes;
    return ByteString(begin, begin + length);
  });
}

}  // namespace tidewell::cipher
