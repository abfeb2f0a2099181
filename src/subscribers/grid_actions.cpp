#include "subscribers/grid_actions.h"

namespace tidewell::subscribers {

void toggleActive(store::SubscriberTable& table, const std::vector<store::Position>& records) {
  for (store::Position p : records)
    table.setActive(p, table.active(p) == "true" ? "false" : "true");
}

std::optional<Refusal> checkSignUpAnswer(std::string_view answer) {
  if (store::parseDate(answer)) return std::nullopt;
  return Refusal{"Invalid Date Format (eg:12/30/2006)", "Invalid Date"};
}

void mnuToggle(store::ErrorTrap& trap, SubscriberGrid& grid, const RowSelection& selection) {
  if (!grid.rowActionAllowed(selection.currentRow)) return;
  trap.run(store::windowProcedure("mnuToggle"),
           [&] { toggleActive(grid.table(), grid.selectedRecords(selection)); });
}

bool tvDeleteEmail(store::ErrorTrap& trap, SubscriberGrid& grid, store::SubscriberFile& file,
                   const RowSelection& selection) {
  if (!grid.rowActionAllowed(selection.currentRow)) return false;
  if (!trap.ui().askYesNo("Are you sure?", "Confirm Delete")) return false;
  store::SubscriberTable& table = grid.table();
  bool done = trap.run(store::windowProcedure("tvDeleteEmail"), [&] {
    for (store::Position p : grid.selectedRecords(selection)) table.markDeleted(p);
    grid.dropDeletedRows();
  });
  if (!done) return false;
  if (grid.rowCount() == 0 && file.Save_Email(table) && file.LoadSubscriberFile(table)) {
    grid.loadgrid();
  }
  return true;
}

std::optional<Refusal> mnuSignUpMod(store::ErrorTrap& trap, SubscriberGrid& grid,
                                    const RowSelection& selection, std::string_view answer) {
  if (!grid.rowActionAllowed(selection.currentRow) || answer.empty()) return std::nullopt;
  if (auto refusal = checkSignUpAnswer(answer)) return refusal;
  std::optional<store::Date> date = store::parseDate(answer);
  store::SubscriberTable& table = grid.table();
  trap.run(store::windowProcedure("mnuSignUpMod"), [&] {
    for (store::Position p : grid.selectedRecords(selection)) table.setSignup(p, *date);
  });
  grid.loadgrid();
  return std::nullopt;
}

bool mnuLevel2(store::ErrorTrap& trap, SubscriberGrid& grid, const RowSelection& selection,
               std::string_view filterTitle) {
  store::SubscriberTable& table = grid.table();
  if (table.filterList().empty() || !grid.rowActionAllowed(selection.currentRow)) return false;
  if (!trap.ui().askYesNo("Are you sure?", "Assign to Filter")) return false;
  return trap.run(store::windowProcedure("mnuLevel2"), [&] {
    for (store::Position p : grid.selectedRecords(selection)) table.setFilterTitle(p, filterTitle);
  });
}

}  // namespace tidewell::subscribers
