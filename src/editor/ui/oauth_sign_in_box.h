#pragma once
// One account's "Sign-in method" on the server settings panel: Password or OAuth2, and for
// OAuth2 the provider preset or endpoints, the client and the scopes, and "Sign in...", which
// opens the system browser for the authorization code flow with PKCE and a loopback redirect
// (Qt Network Authorization). The refresh token is saved as a secret. User-interface thread.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "editor/ui/panel_services.h"

class QOAuth2AuthorizationCodeFlow;

namespace tidewell::editor::ui {

class OAuthSignInBox : public QGroupBox {
 public:
  // acct: "pop" or "smtp", the prefix of the account's profile keys.
  OAuthSignInBox(const PanelServices& services, std::string acct, const QString& title,
                 QWidget* parent = nullptr);
  ~OAuthSignInBox() override;
  // Fills the fields from the profile without writing anything.
  void showStored();

 private:
  void methodChosen(int index);
  void providerChosen(const QString& provider);
  void signIn();
  void signedIn(const QString& refreshToken);
  store::OAuthAccount fieldsAccount() const;
  void enableFields();
  std::string today() const;

  PanelServices m_services;
  std::string m_acct;
  bool m_showing = false;
  QComboBox* m_method;
  QComboBox* m_provider;
  QLineEdit* m_authUrl;
  QLineEdit* m_tokenUrl;
  QLineEdit* m_clientId;
  QLineEdit* m_clientSecret;
  QLineEdit* m_scopes;
  QPushButton* m_signIn;
  std::unique_ptr<QOAuth2AuthorizationCodeFlow> m_flow;
  QByteArray m_verifier;
};

}  // namespace tidewell::editor::ui
