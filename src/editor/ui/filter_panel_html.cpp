#include "editor/optin_form.h"
#include "editor/optout_link.h"
#include "editor/subject_keywords.h"
#include "editor/ui/filter_panel.h"
#include "editor/ui/html_dialog.h"
#include "editor/ui/qt_text.h"
#include "editor/ui/subjects_dialog.h"

namespace tidewell::editor::ui {

namespace {

std::string valueOrEmpty(std::string value) {
  return value == store::kAbsent ? std::string() : value;
}

}  // namespace

void FilterPanel::showOptInHtml() {
  m_focus->commitFocused();
  // Input names must be current for the form and the extraction to agree.
  rebuildFilterList();
  const store::FilterRecord* filter = nullptr;
  if (services().filterList)
    filter = store::findFilter(services().filterList(), toStd(m_title->text()));
  if (!filter) return;
  auto subject =
      chooseSubject(subjectKeywords(*filter),
                    [this](const std::vector<std::string>& keywords) -> std::optional<std::string> {
                      QString answer = SubjectsDialog::choose(toQt(keywords), this);
                      if (answer == "!") return std::nullopt;
                      return toStd(answer);
                    });
  if (!subject) return;
  OptInFormInputs inputs{
      valueOrEmpty(services().profile->GetFromFile_new(store::kServerBlock, "email")), *subject,
      toStd(m_redirect->text())};
  HtmlDialog dialog(toQt(optInFormHtml(filter->fieldTable, inputs)),
                    "Copy and Paste the above HTML to your Website Opt-In page.", this);
  dialog.exec();
}

void FilterPanel::showOptOutHtml() {
  m_focus->commitFocused();
  const store::ProfileStore& profile = *services().profile;
  std::string link = optOutLink(
      valueOrEmpty(profile.GetFromFile_new(store::kServerBlock, "email")), toStd(m_title->text()),
      valueOrEmpty(profile.GetFromFile_new(store::kFiltersBlock, "fielddelimiter")));
  HtmlDialog dialog(toQt(link),
                    "Copy and Paste the above HTML into the footer of your newsletters.", this);
  dialog.exec();
}

}  // namespace tidewell::editor::ui
