// The preview is the message the sending pass sends, and a test send reaches the operator while
// the profile stays as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>

#include "sending_profile.h"
#include "store/text.h"

namespace tidewell::testing {
namespace {

class Preview : public SendingProfile {
 protected:
  void SetUp() override {
    makeProfile("SMTP_PLAIN_PORT");
    writeBytes(folder / "news.html",
               "<html><body><p>Hello ~name~</p>"
               "<img src=\"https://example.org/x.png\"></body></html>");
    writeBytes(folder / "terms.pdf", std::string(3000, 'x'));
    set(6, "location", (folder / "news.html").string());
    set(6, "attach", (folder / "terms.pdf").string());
    set(6, "subject", "For ~name~");
    writeSubscribers({reader + "@example.net"});
  }

  // The one message the rig stored for the local part.
  std::string delivered(const std::string& local) {
    std::filesystem::path box = std::filesystem::path(rig.dir()) / "mail" / local / "Maildir/new";
    for (const auto& entry : std::filesystem::directory_iterator(box))
      return readBytes(entry.path());
    return {};
  }

  // Every file of the folder but the program's own, with its bytes.
  std::map<std::string, std::string> profileFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      std::string name = entry.path().filename().string();
      if (name != "errlog.txt" && name != "tidewell.ini") files[name] = readBytes(entry.path());
    }
    return files;
  }

  const std::string reader = "reader-p" + std::to_string(std::random_device()() % 100000);
};

// Line ends as the rig stores them; the date, the message's identity and the MIME boundaries
// drawn from it are made per message.
std::string comparable(std::string text) {
  text = store::replaceAll(text, "\r\n", "\n");
  text = std::regex_replace(text, std::regex("(^|\n)Date: [^\n]*"), "$1Date: -");
  text = std::regex_replace(text, std::regex("(^|\n)Message-Id: [^\n]*", std::regex::icase),
                            "$1Message-Id: -");
  return std::regex_replace(text, std::regex("=_[0-9a-f]{32}"), "=_-");
}

TEST_F(Preview, IsWhatTheSendingPassSendsByteForByte) {
  CliResult preview = cli({"preview", "--newsletter", kTitle, reader + "@example.net"});
  ASSERT_EQ(preview.status, 0) << preview.err;
  EXPECT_THAT(preview.out, ::testing::HasSubstr("Subject: For R0"));
  EXPECT_THAT(preview.out, ::testing::HasSubstr("filename=terms.pdf"));
  ASSERT_EQ(cli({"send"}).status, 0) << errorLog();
  EXPECT_EQ(comparable(delivered(reader)), comparable(preview.out));
}

TEST_F(Preview, TestSendArrivesAndChangesNoFileOfTheProfile) {
  const std::string me = reader + "-me";
  auto before = profileFiles();
  CliResult result = cli({"test-send", "--newsletter", kTitle, "--to", me + "@example.net"});
  ASSERT_EQ(result.status, 0) << result.err << errorLog();
  EXPECT_THAT(result.err, ::testing::HasSubstr("as " + reader + "@example.net"));
  EXPECT_EQ(rig.acceptedCount(me), 1u);
  EXPECT_EQ(rig.acceptedCount(reader), 0u);
  EXPECT_THAT(delivered(me), ::testing::HasSubstr("Subject: For R0"));
  EXPECT_THAT(delivered(me), ::testing::Not(::testing::HasSubstr("List-Unsubscribe-Post")));
  EXPECT_EQ(profileFiles(), before);
  // Unknown newsletters and addresses are refused.
  EXPECT_EQ(cli({"test-send", "--newsletter", "Nope"}).status, 1);
  EXPECT_EQ(cli({"preview", "--newsletter", kTitle, "nobody@example.net"}).status, 1);
}

}  // namespace
}  // namespace tidewell::testing
