#pragma once
// The subscriber context menu's actions on the selected rows: toggle, delete, modify sign-up
// date and assign to filter. Each asks and tells through the trap's operator, changes the table
// (setting the table-changed flag) and keeps the grid's rows in step. One thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_trap.h"
#include "store/subscriber_file.h"
#include "subscribers/refusal.h"
#include "subscribers/subscriber_grid.h"

namespace tidewell::subscribers {

inline constexpr std::string_view kSignUpPrompt = "Enter new Sign-Up date (eg: 12/30/2006):";
inline constexpr std::string_view kSignUpCaption = "Modify Sign-up Date";

// The rules on records themselves, shared with tidewell-cli: each active text becomes "false"
// when it is "true", else "true".
void toggleActive(store::SubscriberTable& table, const std::vector<store::Position>& records);
// Why an answer to kSignUpPrompt cannot be a sign-up date; nothing when it is one.
std::optional<Refusal> checkSignUpAnswer(std::string_view answer);

// `mnuToggle`: toggles the active text of every selected subscriber.
void mnuToggle(store::ErrorTrap& trap, SubscriberGrid& grid, const RowSelection& selection);

// `tvDeleteEmail`: after "Are you sure?", marks the selected records deleted and drops their
// rows. When no row is left the table is saved and loaded again (so the file is emptied at
// once); should that save fail, nothing is loaded and the deletions stay pending. True when
// records were deleted.
bool tvDeleteEmail(store::ErrorTrap& trap, SubscriberGrid& grid, store::SubscriberFile& file,
                   const RowSelection& selection);

// `mnuSignUpMod` with the answer to kSignUpPrompt: an empty answer does nothing, an answer that
// is not a date is refused, a date becomes every selected subscriber's sign-up date and the
// grid is rebuilt.
std::optional<Refusal> mnuSignUpMod(store::ErrorTrap& trap, SubscriberGrid& grid,
                                    const RowSelection& selection, std::string_view answer);

// `mnuLevel2`: after "Are you sure?", the selected subscribers' filter becomes the title.
// Nothing happens without filters. True when records changed.
bool mnuLevel2(store::ErrorTrap& trap, SubscriberGrid& grid, const RowSelection& selection,
               std::string_view filterTitle);

}  // namespace tidewell::subscribers
