#pragma once
// What "View Personal Fields..." (`frmPMFs`) shows for one subscriber: a title, and 41 rows of
// field name and value, each value marked as a web link, a mail link or plain text. Dialog-free;
// one thread.

#include <string>
#include <string_view>
#include <vector>

#include "store/subscriber_table.h"

namespace tidewell::subscribers {

inline constexpr std::string_view kPersonalFieldsNameHeader = "PMF";
inline constexpr std::string_view kPersonalFieldsValueHeader = "Value";
inline constexpr int kPersonalFieldsNameWidth = 1700;
inline constexpr int kPersonalFieldsValueWidth = 5800;

enum class LinkKind { kNone, kUrl, kEmail };

// One row of the view: a slot's field name and value.
struct PersonalFieldRow {
  std::string name;  // empty for a free slot
  std::string value;
  LinkKind link = LinkKind::kNone;
};

struct PersonalFieldsView {
  std::string title;
  std::vector<PersonalFieldRow> rows;  // slots 0 to 40
};

// A valid URL opens in the web browser, a valid address in the mail program.
LinkKind linkKindOf(std::string_view value);

PersonalFieldsView mnuViewPMF(const store::SubscriberTable& table, store::Position p);

}  // namespace tidewell::subscribers
