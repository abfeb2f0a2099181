#pragma once
// The rules of the "New Email" dialog (`frmNewEmail`): whether it may open, which filters it
// offers, the checks of "OK" with their messages, and the record it adds. Dialog-free so that
// the Qt dialog and tidewell-cli share them; one thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "consent/suppression_list.h"
#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/subscriber_table.h"
#include "subscribers/refusal.h"

namespace tidewell::subscribers {

// Why the dialog cannot open: no filter at all, or no filter with an opt-in code.
std::optional<Refusal> checkNewEmailOpen(const std::vector<store::FilterRecord>& filters);
// The titles the dialog offers: filters whose opt-in code (subject) is not empty, in order.
std::vector<std::string> newEmailFilterChoices(const std::vector<store::FilterRecord>& filters);

// The checks of "OK", in order: blank address, address already subscribed to the filter (or a
// filter that does not exist), an address that fails the intake check, an address on the
// suppression list, blank name. The table is asked, not the file, so that subscribers added
// since the last save count too and deleted ones do not.
std::optional<Refusal> checkNewEmail(const store::SubscriberTable& table,
                                     const std::vector<store::FilterRecord>& filters,
                                     std::string_view address, std::string_view name,
                                     std::string_view filterTitle,
                                     const consent::SuppressionList& suppressed = {});

// Why an address on the suppression list is refused, for the operator: which entry and since
// when; nothing when the list does not block it.
std::optional<std::string> suppressionReason(const consent::SuppressionList& suppressed,
                                             std::string_view address);

// True when a record not deleted has the address and the filter title (both without regard to
// case).
bool tableHasAddress(const store::SubscriberTable& table, std::string_view address,
                     std::string_view filterTitle);

// A subscriber added by hand or by an import carries its address and name as the "email" and
// "name" items of its personal fields, as a captured one does, so that "~name~" reaches them.
// Slots 0 and 1 are filled when free and no field of that name is filled already.
void fillAddressAndName(store::FieldTable& fields, std::string_view address, std::string_view name);

// Adds the subscriber (reusing the placeholder of an empty table): active, signed up today,
// nothing sent yet, address and name in its personal fields. Returns its record number; nothing
// when the trap reported a failure.
std::optional<store::Position> addNewEmail(store::ErrorTrap& trap, store::SubscriberTable& table,
                                           std::string_view address, std::string_view name,
                                           std::string_view filterTitle);

}  // namespace tidewell::subscribers
