#pragma once
// What the engine works on while a profile is open: the profile's store, subscribers and server
// settings, the folders, the operator, and how mail clients are made and transfers run. Owned
// by the main window or a tidewell-cli command; the engine keeps references.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "mail/mail_client.h"
#include "mail/transfer_runner.h"
#include "store/campaign_properties.h"
#include "store/error_trap.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/subscriber_table.h"

namespace tidewell::engine {

struct EngineContext {
  store::ErrorTrap& trap;
  store::ProfileStore& profile;
  store::SubscriberTable& table;
  store::SubscriberFile& subscriberFile;
  store::CampaignProperties& settings;
  std::filesystem::path profileFolder;
  std::string fieldDelimiter = "~";
  bool deactivateOnFailureReports = true;  // the Filters block's "deactivate" is "true"
  mail::MailClientFactory makeClient;
  mail::TransferRunner& runner;
  // Certificates to trust instead of the system store (tests); empty for the system's.
  std::string caFile;
  // How long a recipient the server asked to try later waits before its second try; the third
  // waits twice as long (never more than 30 s).
  std::chrono::milliseconds retryWait{10000};
  // Set when the program is asked to end: the cycle stops before its next message and keeps
  // what it did. Null where nothing asks (the window closes only between cycles).
  const std::atomic<bool>* stop = nullptr;
  bool stopping() const { return stop && stop->load(); }

  store::OperatorInterface& ui() const { return trap.ui(); }
  const store::Clock& clock() const { return trap.clock(); }
};

// The sent-mail counters of the main window: "Emails sent today:" counts from the program's
// start; the running total is loaded from and written back to the profile.
struct SendCounters {
  std::int64_t sentToday = 0;
  std::int64_t totalSent = 0;
};

}  // namespace tidewell::engine
