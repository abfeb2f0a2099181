#include <QMessageBox>

#include "editor/optin_form.h"
#include "editor/optout_link.h"
#include "editor/subject_keywords.h"
#include "editor/ui/filter_panel.h"
#include "editor/ui/html_dialog.h"
#include "editor/ui/qt_text.h"
#include "editor/ui/subjects_dialog.h"
#include "editor/web_kit.h"

namespace tidewell::editor::ui {

namespace {

std::string valueOrEmpty(std::string value) {
  return value == store::kAbsent ? std::string() : value;
}

// The profile's web kit address, or nothing after telling the operator to set it first.
std::optional<std::string> kitAddressOrWarn(const store::ProfileStore& profile, QWidget* parent) {
  KitAddress kit = kitAddressOf(profile.load());
  if (!kit.problem) return kit.address;
  QMessageBox::information(parent, toQt(std::string(kNoWebKitCaption)), toQt(*kit.problem));
  return std::nullopt;
}

}  // namespace

void FilterPanel::showOptInHtml() {
  m_focus->commitFocused();
  auto kit = kitAddressOrWarn(*services().profile, this);
  if (!kit) return;
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
      *kit, valueOrEmpty(services().profile->GetFromFile_new(store::kServerBlock, "email")),
      *subject, toStd(m_redirect->text())};
  HtmlDialog dialog(toQt(optInFormHtml(filter->fieldTable, inputs)),
                    "Copy and Paste the above HTML to your Website Opt-In page.", this);
  dialog.exec();
}

void FilterPanel::showOptOutHtml() {
  m_focus->commitFocused();
  const store::ProfileStore& profile = *services().profile;
  auto kit = kitAddressOrWarn(profile, this);
  if (!kit) return;
  std::string link =
      optOutLink(*kit, valueOrEmpty(profile.GetFromFile_new(store::kServerBlock, "email")),
                 toStd(m_title->text()),
                 valueOrEmpty(profile.GetFromFile_new(store::kFiltersBlock, "fielddelimiter")));
  HtmlDialog dialog(toQt(link),
                    "Copy and Paste the above HTML into the footer of your newsletters.", this);
  dialog.exec();
}

}  // namespace tidewell::editor::ui
