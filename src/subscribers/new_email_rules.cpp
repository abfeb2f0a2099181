#include "subscribers/new_email_rules.h"

#include "store/address_check.h"
#include "store/pmf_string.h"
#include "store/text.h"

namespace tidewell::subscribers {

namespace {

const std::string kAddressCaption = "Email Address";

bool filterExists(const std::vector<store::FilterRecord>& filters, std::string_view title) {
  for (const store::FilterRecord& f : filters) {
    if (store::equalsIgnoreCase(store::trim(f.title), store::trim(title))) return true;
  }
  return false;
}

void fillSlot(store::FieldTable& fields, std::size_t slot, std::string_view name,
              std::string_view value) {
  for (const store::PersonalField& f : fields) {
    if (f.name == name && !f.value.empty()) return;
  }
  if (fields[slot].name != store::kFreeFieldName || value.empty()) return;
  fields[slot].name = name;
  fields[slot].value = value;
  fields[slot].active = true;
}

}  // namespace

void fillAddressAndName(store::FieldTable& fields, std::string_view address,
                        std::string_view name) {
  fillSlot(fields, 0, "email", address);
  fillSlot(fields, 1, "name", name);
}

std::optional<Refusal> checkNewEmailOpen(const std::vector<store::FilterRecord>& filters) {
  if (filters.empty()) {
    return Refusal{"You must first create a Filter to assign the email too.", "New Email"};
  }
  if (newEmailFilterChoices(filters).empty()) {
    return Refusal{"You must assign an Opt-In Code to a Filter!", "ERROR"};
  }
  return std::nullopt;
}

std::vector<std::string> newEmailFilterChoices(const std::vector<store::FilterRecord>& filters) {
  std::vector<std::string> titles;
  for (const store::FilterRecord& f : filters) {
    if (!f.subject.empty()) titles.push_back(f.title);
  }
  return titles;
}

bool tableHasAddress(const store::SubscriberTable& table, std::string_view address,
                     std::string_view filterTitle) {
  if (table.isEmpty()) return false;
  for (store::Position p = 0; p < table.size(); ++p) {
    const store::SubscriberRecord& r = table.record(p);
    if (r.isDeleted() || !store::equalsIgnoreCase(r.email(), address)) continue;
    if (store::equalsIgnoreCase(table.filterTitle(p), filterTitle)) return true;
  }
  return false;
}

std::optional<Refusal> checkNewEmail(const store::SubscriberTable& table,
                                     const std::vector<store::FilterRecord>& filters,
                                     std::string_view address, std::string_view name,
                                     std::string_view filterTitle,
                                     const consent::SuppressionList& suppressed) {
  if (address.empty()) return Refusal{"Email Address is blank!", kAddressCaption};
  if (!filterExists(filters, filterTitle) || tableHasAddress(table, address, filterTitle)) {
    return Refusal{"Email Address already exists!", kAddressCaption};
  }
  if (store::addressProblem(address)) {
    return Refusal{std::string(store::kInvalidAddressMessage), kAddressCaption};
  }
  if (auto why = suppressionReason(suppressed, address)) {
    return Refusal{*why + " It is never mailed.", kAddressCaption};
  }
  if (name.empty()) return Refusal{"Please enter a Name!", "Name"};
  return std::nullopt;
}

std::optional<std::string> suppressionReason(const consent::SuppressionList& suppressed,
                                             std::string_view address) {
  const consent::SuppressionList::Entry* entry = suppressed.blockingEntry(address);
  if (!entry) return std::nullopt;
  std::string what = entry->key[0] == '@' ? "its domain " + entry->key + " is"
                     : entry->key.rfind("sha256:", 0) == 0
                         ? "the person asked to be forgotten and is"
                         : "it is";
  return "This address cannot be added: " + what + " on the suppression list (" + entry->reason +
         ", " + store::shortDateText(entry->date) + ").";
}

std::optional<store::Position> addNewEmail(store::ErrorTrap& trap, store::SubscriberTable& table,
                                           std::string_view address, std::string_view name,
                                           std::string_view filterTitle) {
  return trap.run(store::windowProcedure("frmNewEmail"), std::optional<store::Position>(), [&] {
    store::SubscriberData data;
    data.email = address;
    data.name = name;
    data.signup = trap.clock().today();
    data.filterTitle = filterTitle;
    store::FieldTable fields;
    fillAddressAndName(fields, address, name);
    data.pmf = store::packPmf(fields);
    return std::optional<store::Position>(table.add(data));
  });
}

}  // namespace tidewell::subscribers
