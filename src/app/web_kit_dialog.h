#pragma once
// "Tools > Web Kit...": writes the open profile's web kit into a folder the operator chooses
// and says how to upload it. Modal; user-interface thread.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include "store/campaign_properties.h"
#include "store/clock.h"
#include "store/password_cipher.h"
#include "store/profile_store.h"

namespace tidewell::app {

class WebKitDialog : public QDialog {
 public:
  WebKitDialog(store::ProfileStore& profile, store::PasswordCipher& cipher,
               const store::Clock& clock, store::CampaignProperties& settings, QWidget* parent);

 private:
  void chooseFolder();
  void writeKit();

  store::ProfileStore& m_profile;
  store::PasswordCipher& m_cipher;
  const store::Clock& m_clock;
  store::CampaignProperties& m_settings;
  QLineEdit* m_folder;
  QLabel* m_result;
};

}  // namespace tidewell::app
