#pragma once
// "consent.log" in the profile folder: one line for every subscriber that became active, by any
// road, so the operator can show when and how each person agreed. Fields, TAB-separated: date,
// time, address, filter, how (form-confirmed-link, form-confirmed-reply, mail, import, manual,
// cli), the sign-up's Message-ID, the confirmation's Message-ID, the visitor's IP as the web
// kit saw it, and the name and SHA-256 of the confirmation text the person answered; "-" for
// what is not known. Appended like the other logs; readers ignore fields after these.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tidewell::consent {

struct ConsentEntry {
  std::string date;
  std::string time;
  std::string address;
  std::string filter;
  std::string how;
  std::string signupMessageId;
  std::string confirmationMessageId;
  std::string ip;
  std::string textName;
  std::string textSha256;
};

std::filesystem::path consentLogPath(const std::filesystem::path& profileFolder);

std::string consentLine(const ConsentEntry& entry);
// Appends one line; raises TrapError when the disk does not take it.
void appendConsent(const std::filesystem::path& profileFolder, const ConsentEntry& entry);
// One line for each address that became active in the filter the same way at the same time
// (a CSV import, an address added by hand), appended in large pieces.
void appendConsentOfAll(const std::filesystem::path& profileFolder,
                        const std::vector<std::string>& addresses, std::string_view filter,
                        std::string_view how, std::string_view date, std::string_view time);

// The lines of one address (letter case ignored), oldest first; none when there is no log.
std::vector<ConsentEntry> consentOf(const std::filesystem::path& profileFolder,
                                    std::string_view address);

}  // namespace tidewell::consent
