#pragma once
// The sent-mail counters kept with the send journal, so that no kill loses a count: the
// profile's "totalemailssent" (Newsletters block) and each newsletter's "timessent" count the
// journal lines folded into the subscriber file, and "sentcounted" names the last folded
// journal counted. What the journal still holds is added when the counters are shown.
// Owner thread of the profile.
#include <cstdint>
#include <string>
#include <string_view>

#include "store/profile_document.h"
#include "store/profile_store.h"
#include "store/send_journal.h"

namespace tidewell::store {

inline constexpr std::string_view kCountedJournalKey = "sentcounted";

// The stamp of the folded journal the profile's counters already hold; empty when none.
std::string countedJournalStamp(const ProfileDocument& profile);

// Adds the folded lines to the profile's counters and names them counted, in one write.
bool countFoldedSends(ProfileStore& profile, const JournalTally& folded, const std::string& stamp);

// The running total as it stands: the profile's count and the sends its journal holds beyond
// it. Raises TrapError when the profile or the journal cannot be read.
std::int64_t runningTotal(const ProfileDocument& profile, const std::filesystem::path& folder);

// The profile's send journal (its title names it); null when the profile has no usable title.
SendJournal* journalOf(const ProfileDocument& profile, const std::filesystem::path& folder);

}  // namespace tidewell::store
