#include "subscribers/edit_dialog_rules.h"

#include "store/address_check.h"
#include "store/text.h"

namespace tidewell::subscribers {

namespace {

constexpr store::Procedure kProcedure = store::windowProcedure("frmEditEmail");

}  // namespace

EditDialogFields editDialogFields(const store::SubscriberTable& table, store::Position p) {
  const store::SubscriberRecord& r = table.record(p);
  EditDialogFields fields;
  fields.email = r.email();
  fields.name = r.name();
  fields.signup = store::shortDateText(table.signup(p));
  fields.active = store::equalsIgnoreCase(table.active(p), "true");
  fields.sentEntries = sentEntries(r.sentList());
  return fields;
}

std::optional<Refusal> leaveEditField(store::ErrorTrap& trap, store::SubscriberTable& table,
                                      store::Position p, std::string_view email,
                                      std::string_view name, std::string_view signupText) {
  std::optional<store::Date> signup = store::parseDate(signupText);
  if (!signup) {
    return Refusal{"Sign-Up Date must be a date (eg: 12/30/2006); the date was not changed.",
                   "Sign-Up Date"};
  }
  const store::SubscriberRecord& r = table.record(p);
  // Only a changed address is checked: a stored one that would fail stays editable.
  if (r.email() != email && store::addressProblem(email)) {
    return Refusal{std::string(store::kInvalidAddressMessage), "Email Address"};
  }
  if (r.email() == email && r.name() == name && table.signup(p) == *signup) return std::nullopt;
  trap.run(kProcedure, [&] {
    table.setEmail(p, email);
    table.setName(p, name);
    table.setSignup(p, *signup);
  });
  return std::nullopt;
}

void setActiveChecked(store::ErrorTrap& trap, store::SubscriberTable& table, store::Position p,
                      bool ticked) {
  trap.run(kProcedure, [&] { table.setActive(p, ticked ? "true" : "false"); });
}

std::vector<std::string> sentEntries(std::string_view sentList) {
  std::vector<std::string> entries;
  for (std::string& e : store::split(sentList, kSentSeparator)) {
    if (!e.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

std::string sentListWithout(std::string_view sentList, std::string_view entry) {
  std::string list;
  for (const std::string& e : sentEntries(sentList)) {
    if (e == entry) continue;
    list += e;
    list += kSentSeparator;
  }
  return list.empty() ? std::string(kNothingSent) : list;
}

void deleteSentEntry(store::ErrorTrap& trap, store::SubscriberTable& table, store::Position p,
                     std::string_view entry) {
  if (entry.empty()) return;
  trap.run(kProcedure,
           [&] { table.setSentList(p, sentListWithout(table.record(p).sentList(), entry)); });
}

}  // namespace tidewell::subscribers
