#include "cipher/c_rijndael.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.h"

namespace tidewell::cipher {
namespace {

CRijndael::Block block(const std::string& hex) {
  CRijndael::Block bytes{};
  for (std::size_t i = 0; i < bytes.size() && 2 * i < hex.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  }
  return bytes;
}

ByteString bytesOf(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

TEST(CRijndaelBlock, MatchesEveryKnownAnswerInBothDirections) {
  std::ifstream in(TIDEWELL_TEST_DATA "/rijndael-256-256-kat.txt");
  std::string line, key, plain;
  int vectors = 0;
  while (std::getline(in, line)) {
    if (line.rfind("KEY=", 0) == 0) key = line.substr(4, 64);
    if (line.rfind("PT=", 0) == 0) plain = line.substr(3, 64);
    if (line.rfind("CT=", 0) != 0) continue;
    std::string cipher = line.substr(3, 64);
    EXPECT_EQ(CRijndael::encryptBlock(block(plain), block(key)), block(cipher))
        << key << " " << plain;
    EXPECT_EQ(CRijndael::decryptBlock(block(cipher), block(key)), block(plain))
        << key << " " << cipher;
    ++vectors;
  }
  EXPECT_EQ(vectors, 22) << "the known-answer file did not parse";
}

TEST(CRijndaelBlock, KeyIsPasswordCutOrZeroFilledTo32Bytes) {
  EXPECT_EQ(CRijndael::keyFromPassword(bytesOf("ABCD1234")), block("4142434431323334"));
  std::string longest = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  CRijndael::Key key = CRijndael::keyFromPassword(bytesOf(longest + "extra"));
  EXPECT_EQ(std::string(key.begin(), key.end()), longest);
}

class CRijndaelData : public ::testing::Test, public testing::TrapFixture {
 protected:
  CRijndael cipher{trap};
};

TEST_F(CRijndaelData, BufferIsLengthPrefixMessageAndZeroFillInIndependentBlocks) {
  ByteString message(33, 'x');
  message[5] = 0;
  ByteString out = cipher.EncryptData(message, bytesOf("K3Y"));
  ASSERT_EQ(out.size(), 64u);
  ByteString plain;
  for (std::size_t at = 0; at < out.size(); at += 32) {
    CRijndael::Block part;
    std::copy_n(out.begin() + static_cast<std::ptrdiff_t>(at), 32, part.begin());
    auto decoded = CRijndael::decryptBlock(part, CRijndael::keyFromPassword(bytesOf("K3Y")));
    plain.insert(plain.end(), decoded.begin(), decoded.end());
  }
  ByteString expected(64, 0);
  expected[0] = 33;
  std::copy(message.begin(), message.end(), expected.begin() + 4);
  EXPECT_EQ(plain, expected);
  EXPECT_EQ(cipher.DecryptData(out, bytesOf("K3Y")), message);
  EXPECT_EQ(cipher.EncryptData(message, bytesOf("K3Y")), out) << "no state between calls";
  EXPECT_TRUE(logLines().empty());
}

TEST_F(CRijndaelData, NothingToEncipherIsLoggedUnderItsProcedure) {
  EXPECT_TRUE(cipher.EncryptData({}, bytesOf("K3Y")).empty());
  ASSERT_EQ(logLines().size(), 1u);
  EXPECT_EQ(logLines()[0].rfind("decrypt_fun2 ", 0), 0u) << logLines()[0];
}

}  // namespace
}  // namespace tidewell::cipher
