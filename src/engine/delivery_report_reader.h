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
};

struct ReportReading {
  bool isReport = false;       // a delivery report or an automatic answer
  bool deliveredOnly = false;  // a standard report of recipients that were all delivered
  std::vector<RecipientStatus> recipients;
  // Where the report was sent (To, Delivered-To, X-Original-To, Envelope-To): a tagged return
  // path names the recipient whatever the report says.
  std::vector<std::string> returnPaths;
};

ReportReading readDeliveryReport(const mail::IncomingMessage& message);

}  // namespace tidewell::engine
