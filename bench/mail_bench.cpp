// Tidewell's side of the mail benchmark (bench/mail_bench.sh runs it beside smtp-source, Python's
// smtplib and curl and prints the ratios):
//
//   mail_bench send PORT COUNT ATTACHMENT_KB [CONNECTIONS]
//       one sending pass of COUNT personalised HTML messages with one attachment to the SMTP
//       server on 127.0.0.1:PORT over CONNECTIONS connections (default 1); prints
//       "seconds messages bytes_per_message"
//   mail_bench journal COUNT
//       what the pass spends on remembering COUNT sends (send journal and rate file, as the
//       transfer thread appends them); prints "seconds"
//   mail_bench cycle PORT USER PASSWORD CA_FILE
//       one check cycle against the POP3 server on 127.0.0.1:PORT, capturing every message as a
//       sign-up (nothing is sent); prints "seconds messages"
//   mail_bench imap-cycle PORT USER PASSWORD CA_FILE
//       the same against the IMAP server on 127.0.0.1:PORT (folder INBOX, handled messages
//       marked with the keyword)

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "engine/engine_context.h"
#include "engine/mail_engine.h"
#include "engine/rule_line.h"
#include "engine/send_recorder.h"
#include "engine/sending_pass.h"
#include "mail/message_builder.h"
#include "mail/net_mail_client.h"
#include "mail/worker_runner.h"
#include "store/clock.h"
#include "store/error_trap.h"
#include "store/profile_model.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/text_file.h"

namespace {

using namespace tidewell;
using Clock = std::chrono::steady_clock;

// A profile with one filter in a temporary folder and the engine's context over it.
struct Workspace {
  Workspace()
      : folder(std::filesystem::temp_directory_path() /
               ("tidewell-mail-bench-" + std::to_string(std::random_device()()))),
        trap((std::filesystem::create_directories(folder), folder), ui, clock),
        profile(folder / "Bench.dat", trap),
        file(folder, profile, trap),
        context{
            trap,   profile, table, file, settings, folder, "~", true, mail::netMailClientFactory(),
            runner, ""} {
    std::vector<std::string> lines = store::newProfileSkeleton();
    lines[3] = "title: Bench";
    store::writeLinesDurably(folder / "Bench.dat", lines);
    store::ProfileModel model(profile);
    filter = model.cmdNewInbound_Click(model.filtersTitle())->index;
    profile.UpdateFile_new(filter, "rule1", engine::makeRuleLine("Subject", "Has", "join", ""));
    profile.UpdateFile_new(filter, "toname", "~name~");
    table.setFilterList(store::loadFilterList(profile.load()));
    settings.from_email = "list@example.net";
    settings.from_reply_address = "list@example.net";
    settings.delete_after_checking = "false";
    settings.server_timeout = 60;
  }
  ~Workspace() { std::filesystem::remove_all(folder); }

  std::filesystem::path folder;
  store::SilentOperator ui;
  store::SystemClock clock;
  store::ErrorTrap trap;
  store::ProfileStore profile;
  store::SubscriberFile file;
  store::SubscriberTable table;
  store::CampaignProperties settings;
  mail::WorkerRunner runner;
  engine::EngineContext context;
  int filter = 0;
};

std::string filler(std::size_t bytes) {
  std::string text;
  std::mt19937 random(3);
  while (text.size() < bytes) text += static_cast<char>('a' + random() % 26);
  return text;
}

int send(int port, int count, int attachmentKb, int connections) {
  Workspace w;
  w.profile.UpdateFile_new(store::kServerBlock, "connections", std::to_string(connections));
  store::ProfileModel model(w.profile);
  int index = model.cmdNewNewsletter_Click(model.newslettersTitle())->index;
  auto body = w.folder / "letter.html";
  auto attachment = w.folder / "brochure.pdf";
  store::writeFileDurably(body, "<html><body><p>Dear ~name~,</p><p>" + filler(2000) +
                                    "</p><p>~email~</p></body></html>");
  store::writeFileDurably(attachment, filler(static_cast<std::size_t>(attachmentKb) * 1024));
  w.profile.UpdateFile_new(index, "location", body.string());
  w.profile.UpdateFile_new(index, "attach", attachment.string());
  w.profile.UpdateFile_new(index, "subject", "News for ~name~");
  w.profile.UpdateFile_new(index, "days", "All");
  w.profile.UpdateFile_new(index, "rule", "Filter_1");
  w.table.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    store::SubscriberData d;
    d.email = "reader" + std::to_string(i) + "@example.net";
    d.name = "Reader " + std::to_string(i);
    d.filterTitle = "Filter_1";
    d.signup = {2026, 12, 1};
    d.pmf = "email[/\\]" + d.email + "[\\/]name[/\\]" + d.name + "[\\/]";
    w.table.add(d);
  }
  w.settings.smtp = "127.0.0.1";
  w.settings.smtp_port = std::to_string(port);
  engine::SendCounters counters;
  auto client = mail::netMailClientFactory()();
  auto start = Clock::now();
  engine::SendingPass pass(w.context, counters, *client);
  pass.VBSendMessage();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (counters.sentToday != count) {
    std::cerr << "only " << counters.sentToday << " of " << count << " sent; see "
              << w.trap.logPath() << ": " << w.trap.lastError().description << '\n';
    return 1;
  }
  // The size of one message as it went out, for a sender of messages of the same size.
  mail::OutgoingMessage sample;
  sample.toAddress = "reader0@example.net";
  sample.fromAddress = "list@example.net";
  sample.subject = "News for Reader 0";
  sample.body = store::readTextFile(body);
  sample.html = true;
  sample.attachments = {attachment.string()};
  std::size_t bytes = mail::MessageBuilder::build(sample).data.size();
  std::printf("%.3f %d %zu\n", seconds, count, bytes);
  return 0;
}

int cycle(int port, const std::string& user, const std::string& password, const std::string& caFile,
          bool imap) {
  Workspace w;
  w.context.caFile = caFile;
  w.settings.pop3 = "127.0.0.1";
  w.settings.pop_port = std::to_string(port);
  w.settings.imap = imap;
  w.settings.imap_port = std::to_string(port);
  w.settings.account = user;
  w.settings.password = password;
  engine::MailEngine engine(w.context, w.folder / "Bench.dat", 0);
  auto start = Clock::now();
  engine.cmdCheckMail_click();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%.3f %zu\n", seconds, w.table.isEmpty() ? 0 : w.table.size());
  if (w.trap.reportCount() == 0) return 0;
  std::cerr << "the cycle failed: " << w.trap.lastError().description << '\n';
  return 1;
}

int journal(int count) {
  Workspace w;
  engine::SendRecorder recorder(w.context);
  auto start = Clock::now();
  recorder.stamp();
  for (int i = 0; i < count; ++i)
    recorder.accepted("reader" + std::to_string(i) + "@example.net", "New Newsletter #1");
  recorder.finish();
  std::printf("%.4f\n", std::chrono::duration<double>(Clock::now() - start).count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 4 || args.size() == 5) && args[0] == "send") {
    return send(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]),
                args.size() == 5 ? std::stoi(args[4]) : 1);
  }
  if (args.size() == 2 && args[0] == "journal") return journal(std::stoi(args[1]));
  if (args.size() == 5 && (args[0] == "cycle" || args[0] == "imap-cycle")) {
    return cycle(std::stoi(args[1]), args[2], args[3], args[4], args[0] == "imap-cycle");
  }
  std::cerr << "usage: mail_bench send PORT COUNT ATTACHMENT_KB [CONNECTIONS] | journal COUNT | "
               "[imap-]cycle PORT USER PASSWORD CA_FILE\n";
  return 2;
}
