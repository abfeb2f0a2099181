#pragma once
// The rules of the subscriber edit dialog (`frmEditEmail`) for one record: what it shows, what
// leaving a field stores, the active box, and deleting an entry of the sent list. The date field
// must always leave the record a valid date. Dialog-free; one thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_trap.h"
#include "store/subscriber_table.h"
#include "subscribers/refusal.h"

namespace tidewell::subscribers {

inline constexpr std::string_view kSentSeparator = "[\\?]";
inline constexpr std::string_view kNothingSent = "none";

// What the dialog shows when it opens.
struct EditDialogFields {
  std::string email;
  std::string name;
  std::string signup;  // short date text
  bool active = false;
  std::vector<std::string> sentEntries;
};

EditDialogFields editDialogFields(const store::SubscriberTable& table, store::Position p);

// Leaving one of the three fields: when the address, the name (exact comparison) or the date
// differs from the record, all three are stored. A date field that is not a date, or a changed
// address that fails the intake check, stores nothing and is refused; the dialog then shows the
// record's address and date again.
std::optional<Refusal> leaveEditField(store::ErrorTrap& trap, store::SubscriberTable& table,
                                      store::Position p, std::string_view email,
                                      std::string_view name, std::string_view signupText);

// The active box: "true" when ticked, "false" otherwise.
void setActiveChecked(store::ErrorTrap& trap, store::SubscriberTable& table, store::Position p,
                      bool ticked);

// The entries of a sent list ("none" shows as the entry "none").
std::vector<std::string> sentEntries(std::string_view sentList);
// The sent list without the entry; "none" when nothing is left.
std::string sentListWithout(std::string_view sentList, std::string_view entry);
void deleteSentEntry(store::ErrorTrap& trap, store::SubscriberTable& table, store::Position p,
                     std::string_view entry);

}  // namespace tidewell::subscribers
