#include "subscribers/personal_fields_view.h"

#include "store/utilities.h"

namespace tidewell::subscribers {

LinkKind linkKindOf(std::string_view value) {
  if (value.empty()) return LinkKind::kNone;
  if (store::ValidateURL(value)) return LinkKind::kUrl;
  if (store::ValidateEmail(value)) return LinkKind::kEmail;
  return LinkKind::kNone;
}

PersonalFieldsView mnuViewPMF(const store::SubscriberTable& table, store::Position p) {
  PersonalFieldsView view;
  view.title = "View Personal Message Fields for " + std::string(table.record(p).email());
  for (const store::PersonalField& field : table.personalFields(p)) {
    PersonalFieldRow row;
    if (field.name != store::kFreeFieldName) row.name = field.name;
    row.value = field.value;
    row.link = linkKindOf(field.value);
    view.rows.push_back(std::move(row));
  }
  return view;
}

}  // namespace tidewell::subscribers
