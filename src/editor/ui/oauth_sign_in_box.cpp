#include "editor/ui/oauth_sign_in_box.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QFormLayout>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>
#include <QUrlQuery>

#include "editor/ui/qt_text.h"
#include "store/date_text.h"
#include "store/oauth_account.h"

namespace tidewell::editor::ui {

namespace {

QByteArray pkceVerifier() {
  QByteArray bytes(48, Qt::Uninitialized);
  QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
  return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray pkceChallenge(const QByteArray& verifier) {
  return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)
      .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

}  // namespace

OAuthSignInBox::OAuthSignInBox(const PanelServices& services, std::string acct,
                               const QString& title, QWidget* parent)
    : QGroupBox(title, parent), m_services(services), m_acct(std::move(acct)) {
  const QString prefix = toQt(m_acct == "pop" ? "Pop" : "Smtp");
  auto name = [&prefix](const char* kind, const char* what) {
    return (kind + prefix + what).toUtf8();
  };
  m_method = named(new QComboBox, name("cbo", "Auth").constData());
  m_method->addItems({"Password", "OAuth2"});
  m_provider = named(new QComboBox, name("cbo", "Provider").constData());
  m_provider->addItems({"Google", "Microsoft 365", "Other"});
  m_authUrl = named(new QLineEdit, name("txt", "AuthUrl").constData());
  m_tokenUrl = named(new QLineEdit, name("txt", "TokenUrl").constData());
  m_clientId = named(new QLineEdit, name("txt", "ClientId").constData());
  m_clientSecret = named(new QLineEdit, name("txt", "ClientSecret").constData());
  m_clientSecret->setEchoMode(QLineEdit::Password);
  m_scopes = named(new QLineEdit, name("txt", "Scopes").constData());
  m_signIn = named(new QPushButton("Sign in..."), name("cmd", "SignIn").constData());
  auto* form = new QFormLayout(this);
  form->addRow("Sign-in method:", m_method);
  form->addRow("Provider:", m_provider);
  form->addRow("Authorization endpoint:", m_authUrl);
  form->addRow("Token endpoint:", m_tokenUrl);
  form->addRow("Client ID:", m_clientId);
  form->addRow("Client secret:", m_clientSecret);
  form->addRow("Scopes:", m_scopes);
  form->addRow(m_signIn);
  connect(m_method, &QComboBox::currentIndexChanged, this, &OAuthSignInBox::methodChosen);
  connect(m_provider, &QComboBox::currentTextChanged, this, &OAuthSignInBox::providerChosen);
  connect(m_signIn, &QPushButton::clicked, this, &OAuthSignInBox::signIn);
  enableFields();
}

OAuthSignInBox::~OAuthSignInBox() = default;

void OAuthSignInBox::showStored() {
  m_showing = true;
  const store::CampaignProperties& c = *m_services.settings;
  const bool oauth = m_acct == "pop" ? c.pop_oauth2 : c.smtp_oauth2;
  const store::OAuthAccount& a = m_acct == "pop" ? c.pop_oauth : c.smtp_oauth;
  m_method->setCurrentIndex(oauth ? 1 : 0);
  m_provider->setCurrentText(a.provider.empty() ? "Other" : toQt(a.provider));
  m_authUrl->setText(toQt(a.auth_url));
  m_tokenUrl->setText(toQt(a.token_url));
  m_clientId->setText(toQt(a.client_id));
  m_clientSecret->setText(toQt(a.client_secret));
  m_scopes->setText(toQt(a.scopes));
  enableFields();
  m_showing = false;
}

void OAuthSignInBox::enableFields() {
  const bool oauth = m_method->currentIndex() == 1;
  for (QWidget* w : std::initializer_list<QWidget*>{m_provider, m_authUrl, m_tokenUrl, m_clientId,
                                                    m_clientSecret, m_scopes, m_signIn})
    w->setEnabled(oauth);
}

void OAuthSignInBox::methodChosen(int index) {
  enableFields();
  if (m_showing) return;
  // OAuth2 takes effect with the first sign-in; going back to the password takes effect now.
  if (index == 0) {
    m_services.profile->UpdateFile_new(store::kServerBlock, m_acct + "auth", "password");
    (m_acct == "pop" ? m_services.settings->pop_oauth2 : m_services.settings->smtp_oauth2) = false;
  }
}

void OAuthSignInBox::providerChosen(const QString& provider) {
  if (m_showing) return;
  const store::OAuthPreset* preset = store::oauthPreset(toStd(provider));
  if (!preset) return;
  m_authUrl->setText(toQt(std::string(preset->authUrl)));
  m_tokenUrl->setText(toQt(std::string(preset->tokenUrl)));
  m_scopes->setText(toQt(std::string(m_acct == "pop" ? preset->popScopes : preset->smtpScopes)));
}

store::OAuthAccount OAuthSignInBox::fieldsAccount() const {
  store::OAuthAccount a;
  a.provider = toStd(m_provider->currentText());
  a.auth_url = toStd(m_authUrl->text().trimmed());
  a.token_url = toStd(m_tokenUrl->text().trimmed());
  a.client_id = toStd(m_clientId->text().trimmed());
  a.client_secret = toStd(m_clientSecret->text());
  a.scopes = toStd(m_scopes->text().trimmed());
  // The panel does not show the mechanism: a sign-in keeps the one saved (tidewell-cli sets it).
  if (m_services.settings)
    a.mechanism =
        (m_acct == "pop" ? m_services.settings->pop_oauth : m_services.settings->smtp_oauth)
            .mechanism;
  return a;
}

void OAuthSignInBox::signIn() {
  const store::OAuthAccount a = fieldsAccount();
  if (a.auth_url.empty() || a.token_url.empty() || a.client_id.empty()) {
    m_services.showStatus("Sign in: enter the endpoints and the client ID first");
    return;
  }
  m_flow = std::make_unique<QOAuth2AuthorizationCodeFlow>();
  auto* handler = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, m_flow.get());
  m_flow->setReplyHandler(handler);
  m_flow->setAuthorizationUrl(QUrl(toQt(a.auth_url)));
  m_flow->setAccessTokenUrl(QUrl(toQt(a.token_url)));
  m_flow->setClientIdentifier(toQt(a.client_id));
  m_flow->setClientIdentifierSharedKey(toQt(a.client_secret));
  m_flow->setScope(toQt(a.scopes));
  m_verifier = pkceVerifier();
  const store::OAuthPreset* preset = store::oauthPreset(a.provider);
  const QString extra = preset ? toQt(std::string(preset->extraParams)) : QString();
  // This Qt's flow has no PKCE of its own: the challenge and the verifier are added here.
  m_flow->setModifyParametersFunction(
      [this, extra](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant>* parameters) {
        if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
          parameters->insert("code_challenge", pkceChallenge(m_verifier));
          parameters->insert("code_challenge_method", "S256");
          for (const auto& [name, value] : QUrlQuery(extra).queryItems())
            parameters->insert(name, value);
        } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
          parameters->insert("code_verifier", m_verifier);
        }
      });
  connect(m_flow.get(), &QAbstractOAuth::authorizeWithBrowser, this,
          [](const QUrl& url) { QDesktopServices::openUrl(url); });
  connect(m_flow.get(), &QAbstractOAuth::granted, this,
          [this] { signedIn(m_flow->refreshToken()); });
  connect(m_flow.get(), &QAbstractOAuth2::error, this, [this](const QString& error) {
    m_services.showStatus("Sign in failed: " + toStd(error));
  });
  m_services.showStatus("Sign in: continue in the web browser");
  m_flow->grant();
}

std::string OAuthSignInBox::today() const {
  return store::shortDateText(m_services.trap->clock().today());
}

void OAuthSignInBox::signedIn(const QString& refreshToken) {
  if (refreshToken.isEmpty()) {
    m_services.showStatus("Sign in failed: the provider granted no refresh token");
    return;
  }
  store::OAuthAccount a = fieldsAccount();
  a.refresh_token = toStd(refreshToken);
  store::writeOAuthAccount(*m_services.profile, *m_services.cipher, m_acct, a, today());
  (m_acct == "pop" ? m_services.settings->pop_oauth : m_services.settings->smtp_oauth) = a;
  (m_acct == "pop" ? m_services.settings->pop_oauth2 : m_services.settings->smtp_oauth2) = true;
  m_services.showStatus(m_acct == "pop" ? "Pop3 is signed in" : "SMTP is signed in");
}

}  // namespace tidewell::editor::ui
