// Sending through every kind of SMTP listener and reading the result back over POP3: what the
// recipient's mailbox holds is what matters, headers, text and attachment bytes.
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "mail/gmime_ptr.h"
#include "mail_rig_fixture.h"
#include "support/test_support.h"

namespace tidewell::mail::testing {
namespace {

OutgoingMessage messageTo(const Mailbox& box, const std::string& subject) {
  OutgoingMessage m;
  m.fromName = "List Owner";
  m.fromAddress = "owner@example.org";
  m.toName = "Box Holder";
  m.toAddress = box.address();
  m.subject = subject;
  m.body = "first line\n.leading dot survives\nlast line\n";
  return m;
}

// file name -> decoded bytes of every attachment, read with GMime independently of the client.
std::map<std::string, std::string> attachmentsOf(const std::string& raw) {
  std::map<std::string, std::string> found;
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.data(), raw.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) return found;
  GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message.get()));
  do {
    GMimeObject* current = g_mime_part_iter_get_current(iter);
    if (current && GMIME_IS_PART(current) && g_mime_part_is_attachment(GMIME_PART(current))) {
      GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
      g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(current)), sink.get());
      GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
      const char* name = g_mime_part_get_filename(GMIME_PART(current));
      found[name ? name : ""] = std::string(reinterpret_cast<char*>(bytes->data), bytes->len);
    }
  } while (g_mime_part_iter_next(iter));
  g_mime_part_iter_free(iter);
  return found;
}

class SmtpClientTest : public RigTest {};

TEST_F(SmtpClientTest, StartTlsWithLoginAndImplicitTlsBothDeliver) {
  const Mailbox box = rig.claimMailbox();
  SmtpSettings submission = rig.smtp("SMTP_SUBMISSION_PORT");
  submission.ssl = true;
  submission.authentication = 1;
  submission.user = box.user;
  submission.password = box.password;
  SmtpSettings implicit = submission;
  implicit.port = rig.port("SMTP_TLS_PORT");
  implicit.authentication = 2;

  for (const SmtpSettings& settings : {submission, implicit}) {
    NetMailClient client = rig.client();
    client.setSmtp(settings);
    EXPECT_EQ(client.send(messageTo(box, "tls " + std::to_string(settings.port))), kSendAccepted)
        << client.lastError();
  }
  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].subject, "tls " + std::to_string(submission.port));
  EXPECT_EQ(messages[1].subject, "tls " + std::to_string(implicit.port));
}

TEST_F(SmtpClientTest, AttachmentBytesArriveIntact) {
  const Mailbox box = rig.claimMailbox();
  tidewell::testing::TempFolder folder;
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 256);
  tidewell::testing::writeBytes(folder / "data file.bin", binary);
  tidewell::testing::writeBytes(folder / "pr\xc3\xa9sentation.txt", "line\r\n.\r\nend");
  OutgoingMessage m = messageTo(box, "with attachments");
  m.attachments = {(folder / "data file.bin").string(), (folder / "missing.doc").string(),
                   (folder / "pr\xc3\xa9sentation.txt").string()};
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  ASSERT_EQ(client.send(m), kSendAccepted) << client.lastError();
  EXPECT_NE(client.lastError().find("missing.doc"), std::string::npos);

  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 1u);
  const auto attachments = attachmentsOf(messages[0].fullText);
  ASSERT_EQ(attachments.size(), 2u);
  EXPECT_EQ(attachments.at("data file.bin"), binary);
  EXPECT_EQ(attachments.at("pr\xc3\xa9sentation.txt"), "line\r\n.\r\nend");
  EXPECT_EQ(messages[0].body, "first line\r\n.leading dot survives\r\nlast line\r\n");
}

TEST_F(SmtpClientTest, PlainSendsShareAConnectionThatSurvivesAnIdleDrop) {
  const Mailbox box = rig.claimMailbox();
  NetMailClient client = rig.client();
  // This listener drops a connection after one idle second.
  client.setSmtp(rig.smtp("SMTP_IDLE_PORT"));
  OutgoingMessage first = messageTo(box, "burst 0");
  first.replyTo = "replies@example.org";
  ASSERT_EQ(client.send(first), kSendAccepted) << client.lastError();
  for (int i = 1; i < 3; ++i)
    ASSERT_EQ(client.send(messageTo(box, "burst " + std::to_string(i))), kSendAccepted)
        << client.lastError();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(client.send(messageTo(box, "after idle")), kSendAccepted) << client.lastError();
  client.endSmtpSession();

  const auto messages = readMailbox(box);
  ASSERT_EQ(messages.size(), 4u);
  const IncomingMessage& got = messages[0];
  EXPECT_EQ(got.subject, "burst 0");
  EXPECT_EQ(got.senderAddress, "owner@example.org");
  EXPECT_EQ(got.senderName, "List Owner");
  EXPECT_EQ(got.body, "first line\r\n.leading dot survives\r\nlast line\r\n");
  EXPECT_NE(got.fullText.find("Reply-To: replies@example.org\r\n"), std::string::npos);
  EXPECT_NE(got.fullText.find("To: Box Holder <" + box.address() + ">"), std::string::npos);
  EXPECT_EQ(messages[3].subject, "after idle");
}

TEST_F(SmtpClientTest, RefusalAfterDataIsNotASuccess) {
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  OutgoingMessage m = messageTo({"reject", ""}, "refused");
  EXPECT_NE(client.send(m), kSendAccepted);
  EXPECT_NE(client.lastError().find("554"), std::string::npos) << client.lastError();
  // The connection stays usable for the next recipient.
  const Mailbox box = rig.claimMailbox();
  EXPECT_EQ(client.send(messageTo(box, "after refusal")), kSendAccepted) << client.lastError();
}

TEST_F(SmtpClientTest, EnvelopeAddressesCannotCarryCommands) {
  const Mailbox box = rig.claimMailbox();
  NetMailClient client = rig.client();
  client.setSmtp(rig.smtp());
  for (const std::string& bad :
       std::vector<std::string>{box.address() + "\r\nRCPT TO:<x@example.com>", box.address() + ">",
                                std::string("a\0b@example.net", 15), ""}) {
    OutgoingMessage m = messageTo(box, "injected");
    m.toAddress = bad;
    EXPECT_EQ(client.send(m), 0) << bad;
    EXPECT_FALSE(client.lastError().empty());
  }
  OutgoingMessage m = messageTo(box, "injected");
  m.fromAddress = "owner@example.org>\nDATA";
  EXPECT_EQ(client.send(m), 0);
  client.endSmtpSession();
  EXPECT_TRUE(readMailbox(box).empty());
}

}  // namespace
}  // namespace tidewell::mail::testing
