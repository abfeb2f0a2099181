#pragma once
// Reads a downloaded message as a delivery report: which recipients failed, with which status
// and class. Knows the standard report (message/delivery-status), the X-Failed-Recipients
// header, the plain-text reports of the common mail servers, reports forwarded inside another
// message, and automatic answers (out of office). Ordinary mail reads as no report. Stateless.
#include <string>
#include <vector>

#include "engine/bounce_class.h"
#include "mail/mail_message.h"

namespace tidewell::engine {

struct RecipientStatus {
  std::string address;  // lower case; empty for a report that names nobody readable
  std::string status;   // "5.1.1", "550" or empty
  BounceClass bounceClass = BounceClass::kUnknown;
  bool delayed = false;       // a warning: the message is still being tried
  bool notDelivered = false;  // the report says the message was not delivered
};

struct ReportReading {
  bool isReport = false;       // a delivery report or an automatic answer
  bool deliveredOnly = false;  // a standard report of recipients that were all delivered
  std::vector<RecipientStatus> recipients;
  // Where the report was sent (To, Delivered-To, X-Original-To, Envelope-To): a tagged return
  // path names the recipient whatever the report says.
  std::vector<std::string> returnPaths;
  // The returned original's sender and its one recipient, when the report names nobody itself
  // and the quoted original went to exactly one address; empty otherwise.
  std::string originalFrom;
  std::string originalTo;
};

ReportReading readDeliveryReport(const mail::IncomingMessage& message);

// Whether the failure is a strike against the address: a temporary failure, or one of unknown
// class whose report says the message was not delivered. Delay warnings, policy refusals and
// automatic answers never are.
bool countsAsStrike(const RecipientStatus& r);

}  // namespace tidewell::engine
