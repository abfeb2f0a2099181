// The Rijndael-256 block cipher and the stored-password cipher built on it: profiles already
// written hold passwords in these forms, so every known answer must keep holding.
#include <gtest/gtest.h>

#include <fstream>

#include "cipher/c_rijndael.h"
#include "cipher/crypt_text.h"
#include "cipher/dated_password_cipher.h"
#include "cipher/password_cipher.h"
#include "support/test_support.h"

namespace tidewell::cipher {
namespace {

CRijndael::Block block(const std::string& hex) {
  CRijndael::Block bytes{};
  for (std::size_t i = 0; i < bytes.size() && 2 * i < hex.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

ByteString bytesOf(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

TEST(CRijndaelBlock, MatchesEveryKnownAnswerAndKeysArePasswordsCutOrZeroFilled) {
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
  EXPECT_EQ(CRijndael::keyFromPassword(bytesOf("ABCD1234")), block("4142434431323334"));
  std::string longest = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  CRijndael::Key cut = CRijndael::keyFromPassword(bytesOf(longest + "extra"));
  EXPECT_EQ(std::string(cut.begin(), cut.end()), longest);
}

using namespace std::string_literals;

constexpr auto kDate = "12/5/2026";  // seed 12 + 5 + 2026 = 2043

class PasswordCipherTest : public ::testing::Test, public testing::TrapFixture {
 protected:
  std::vector<std::string> logPrefixes() {
    std::vector<std::string> prefixes;
    for (const auto& line : logLines())
      prefixes.push_back(line.substr(0, line.find_first_of(": ") + 1));
    return prefixes;
  }
};

TEST_F(PasswordCipherTest, RijndaelBufferIsLengthPrefixMessageAndZeroFillAndEmptyIsLogged) {
  CRijndael cipher{trap};
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
  // Nothing to encipher is logged under its procedure.
  EXPECT_TRUE(cipher.EncryptData({}, bytesOf("K3Y")).empty());
  ASSERT_EQ(logLines().size(), 1u);
  EXPECT_EQ(logLines()[0].rfind("decrypt_fun2 ", 0), 0u) << logLines()[0];
}

// Profiles already written hold passwords under these keys; they must never change.
TEST_F(PasswordCipherTest, KeysStoredFormsAndTheirHexStayReadableAcrossReleases) {
  EXPECT_EQ(f_encode_date(trap, 1854), "39TDDBZQ");
  EXPECT_EQ(f_encrypt(trap, "hunter2", kDate),
            "522E8F4241432FBE536950D3167ACFF3F2144F3BA2DD0519EB5B6472E66F5ACC");
  for (int seed = 1902; seed < 1902 + 27; ++seed) {
    std::string key = f_encode_date(trap, seed);
    EXPECT_EQ(key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"), std::string::npos);
    EXPECT_TRUE(key.size() == 8 && key[3] == key[4]) << key;
    EXPECT_NE(key, f_encode_date(trap, seed + 1));
  }
  // Hex codes two upper-case digits a byte and reads a lone final digit.
  EXPECT_EQ(TextToHex("\x00\x0f\xab\xff "s), "000FABFF20");
  EXPECT_EQ(HexToText("000FABff20"), "\x00\x0f\xab\xff "s);
  EXPECT_EQ(HexToText("41424"), "AB\x04"s);
  for (auto bad : {"4G", "41 42", "0x41"}) EXPECT_FALSE(HexToText(bad)) << bad;
  EXPECT_TRUE(logLines().empty());
}

TEST_F(PasswordCipherTest, RoundTripsInWholeBlocksWithAKeyOfDayPlusMonthPlusYear) {
  EXPECT_EQ(f_encrypt(trap, std::string(28, 'a'), kDate).size(), 64u);
  EXPECT_EQ(f_encrypt(trap, std::string(29, 'a'), kDate).size(), 128u);
  EXPECT_EQ(f_encrypt(trap, "", kDate), "");
  for (std::string text : {"a\0b\0\0c"s, "\0"s, std::string(100, 'q'), "m\xC3\xBCll"s})
    EXPECT_EQ(f_decrypt(trap, f_encrypt(trap, text, kDate), kDate), text);
  // Written on the old platform: Windows-1252 "päss€" comes back as UTF-8.
  EXPECT_EQ(DecryptText(trap, EncryptText(trap, "p\xE4ss\x80", "K"), "K"),
            "p\xC3\xA4ss\xE2\x82\xAC");
  EXPECT_TRUE(logLines().empty());
  std::string stored = f_encrypt(trap, "hunter2", kDate);
  for (auto same : {kDate, "5/12/2026", "1/1/2041", "2026-12-05", "Dec 5, 2026"})
    EXPECT_EQ(f_encrypt(trap, "hunter2", same), stored) << same;
  EXPECT_NE(f_encrypt(trap, "hunter2", "12/6/2026"), stored);
  EXPECT_NE(f_decrypt(trap, stored, "12/6/2026"), "hunter2");
}

TEST_F(PasswordCipherTest, MalformedStoredFormsDecipherToEmpty) {
  std::string stored = f_encrypt(trap, "hunter2", kDate);
  EXPECT_EQ(f_decrypt(trap, "", kDate), "");
  EXPECT_EQ(f_decrypt(trap, stored.substr(0, 62), kDate), "");
  EXPECT_EQ(f_decrypt(trap, stored + "00", kDate), "");
  // Single blocks whose length prefix claims 28 bytes (all there is), 29, and none.
  auto password = f_encode_date(trap, 2043);
  auto key = CRijndael::keyFromPassword(ByteString(password.begin(), password.end()));
  for (std::uint8_t length : {28, 29, 0}) {
    CRijndael::Block plain;
    plain.fill('z');
    plain[0] = length, plain[1] = plain[2] = plain[3] = 0;
    auto block = CRijndael::encryptBlock(plain, key);
    EXPECT_EQ(f_decrypt(trap, TextToHex(std::string(block.begin(), block.end())), kDate),
              length == 28 ? std::string(28, 'z') : "");
  }
  EXPECT_EQ(f_decrypt(trap, "G" + stored.substr(1), kDate), "");
  EXPECT_EQ(logPrefixes(),
            (std::vector<std::string>{"decrypt_fun1 ", "decrypt_fun1 ", "decrypt_fun1 ",
                                      "decrypt_fun1 ", "decrypt_fun1 ", "f_decrypt:"}));
}

TEST_F(PasswordCipherTest, UnreadableDateOrASeedBelowAnOffsetIsLoggedAndYieldsEmpty) {
  EXPECT_EQ(f_encode_date(trap, 1853), "");
  EXPECT_EQ(f_encode_date(trap, -2147483647 - 1), "");
  EXPECT_EQ(f_encrypt(trap, "secret", "1/1/100"), "");
  DatedPasswordCipher cipher(trap);
  std::string stored = cipher.encipher("hunter2", kDate);
  EXPECT_EQ(cipher.decipher(stored, kDate), "hunter2");
  EXPECT_EQ(cipher.decipher(stored, "!"), "");
  EXPECT_EQ(cipher.encipher("hunter2", "!"), "");
  EXPECT_EQ(logPrefixes(),
            (std::vector<std::string>{
                "f_encode_date:", "f_encode_date:", "f_encode_date:", "f_decrypt:", "f_encrypt:"}));
  EXPECT_EQ(logLines()[3].rfind("f_decrypt:12/5/2026 1:02:03 PM 13 ", 0), 0u) << logLines()[3];
  EXPECT_EQ(ui.statuses.back().rfind("f_encrypt: ", 0), 0u);
}

}  // namespace
}  // namespace tidewell::cipher
