#pragma once
// The search window's rules (`frmFind`): "Find Next" in table order from the next start, within
// what the grid's show filter shows, and the offer to start over. Kept by the search window
// while it is open; one thread.

#include <optional>
#include <string>
#include <string_view>

#include "store/operator_interface.h"
#include "store/subscriber_table.h"
#include "subscribers/show_filter.h"

namespace tidewell::subscribers {

class SubscriberFinder {
 public:
  // Changing the search text starts the next search at the first record.
  void setText(std::string_view text);
  void setSearchPersonalFields(bool on) { m_searchFields = on; }
  store::Position nextStart() const { return m_nextStart; }

  // The next matching record, whose position + 1 becomes the next start. When none is left,
  // asks whether to start over; Yes searches once more from the first record.
  std::optional<store::Position> findNext(const store::SubscriberTable& table,
                                          const ShowFilter& scope, store::OperatorInterface& ui);

 private:
  std::optional<store::Position> searchFrom(const store::SubscriberTable& table,
                                            const ShowFilter& scope, store::Position start) const;

  std::string m_needle;  // trimmed, letter case folded
  bool m_searchFields = false;
  store::Position m_nextStart = 0;
};

}  // namespace tidewell::subscribers
