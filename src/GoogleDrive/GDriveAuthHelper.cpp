#include "GoogleDrive/GDriveAuthHelper.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveSettings.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UriLauncher.h"

#include <glib.h>

#include <utility>

GDriveAuthHelper& GDriveAuthHelper::sharedHelper()
{
    static std::unique_ptr<TokenStore> store = makeTokenStore();
    static GDriveAuthHelper helper(HttpEngine::shared(), *store, GDriveSettings::signInSettings(),
                                   GDriveSettings::endpoints(), GDriveSettings::successUrl());
    return helper;
}

GDriveAuthHelper::GDriveAuthHelper(HttpEngine& engine, TokenStore& store, OAuthSettings signIn,
                                   GDriveEndpoints endpoints, std::string successUrl)
    : _engine(engine),
      _store(store),
      _successUrl(std::move(successUrl)),
      _available(!signIn.clientId.empty() && !signIn.clientSecret.empty()),
      _lacksSecret(!signIn.clientId.empty() && signIn.clientSecret.empty()),
      _oauth(engine, std::move(signIn), store, GDriveSettings::KeychainItemName),
      _client(engine, _oauth, std::move(endpoints))
{
    std::weak_ptr<bool> alive = _alive;
    _oauth.setStoreFailureHandler([this, alive](const Error& error) {
        if (!alive.expired()) showFailure(error.localizedDescription);
    });
    _store.setUnlockHandler([this, alive] {
        if (!alive.expired()) keyringUnlocked();
    });
}

GDriveAuthHelper::~GDriveAuthHelper()
{
    *_alive = false;
}

GDriveClient& GDriveAuthHelper::driveService()
{
    if (!_restored) {
        _restored = true;
        restoreSignIn();
    }
    return _client;
}

void GDriveAuthHelper::keyringUnlocked()
{
    if (!_keyringLocked || _restoring || _flowInProgress || _oauth.isLinked()) return;
    _restoring = true;
    _restoringAfterUnlock = true;
    restoreSignIn();
}

void GDriveAuthHelper::restoreSignIn()
{
    std::weak_ptr<bool> alive = _alive;
    _oauth.restore([this, alive](const Error& error) {
        if (alive.expired()) return;
        // A keyring left locked would ask for its password again for the earlier item: the
        // sign-in is read once the keyring is unlocked.
        _keyringLocked = TokenStore::isKeyringLocked(error);
        if (_oauth.isLinked() || _keyringLocked) return restoreEnded();
        // An earlier version's sign-in, taken over so that the user need not sign in again.
        _store.readLater(
            GDriveSettings::EarlierKeychainItemName, [this, alive](std::optional<std::string> earlier, const Error&) {
                if (alive.expired()) return;
                std::optional<OAuthTokens> tokens = earlier ? OAuthTokens::fromJson(*earlier) : std::nullopt;
                if (!tokens) return restoreEnded();
                _store.writeLater(GDriveSettings::KeychainItemName, *earlier,
                                  [this, alive, tokens](const Error& error) {
                                      if (alive.expired()) return;
                                      if (error.isEmpty()) {
                                          _oauth.restore([this, alive](const Error&) {
                                              if (!alive.expired()) restoreEnded();
                                          });
                                          return;
                                      }
                                      carryOverFailed(*tokens, error);
                                  });
            });
    });
}

OAuthClient& GDriveAuthHelper::authorization()
{
    driveService();
    return _oauth;
}

bool GDriveAuthHelper::isAvailable() const
{
    return _available;
}

bool GDriveAuthHelper::isAuthenticated()
{
    driveService();
    return _oauth.isLinked();
}

void GDriveAuthHelper::carryOverFailed(const OAuthTokens& earlier, const Error& error)
{
    // The earlier item stays where it is, so the next start tries again; this run goes on signed
    // in with it.
    FeedbackCenter::feedbackCenter().addItemWithTitle(localized("gdrive_sign_in_not_kept"), error.localizedDescription,
                                                      FeedbackStateError, FeedbackCenter::gdriveImage());
    _oauth.adoptUnstored(earlier);
    restoreEnded();
}

void GDriveAuthHelper::restoreEnded()
{
    _restoring = false;
    auto waiting = std::move(_waitingForRestore);
    _waitingForRestore.clear();
    for (auto& then : waiting) then();
    // Found after the start, once the keyring was unlocked elsewhere: the service hears of it as of
    // a new sign-in.
    if (std::exchange(_restoringAfterUnlock, false) && _oauth.isLinked() && _unlockedSignIn) _unlockedSignIn();
}

void GDriveAuthHelper::whenRestored(std::function<void()> then)
{
    driveService();
    if (!_restoring) {
        then();
        return;
    }
    _waitingForRestore.push_back(std::move(then));
}

void GDriveAuthHelper::authenticate(std::function<void()> completion)
{
    if (isAuthenticated()) return;
    // The keyring has not answered yet: only its answer tells whether a sign-in is wanted.
    if (_restoring) {
        whenRestored([this, completion] { authenticate(completion); });
        return;
    }
    reauthenticate(std::move(completion));
}

void GDriveAuthHelper::reauthenticate(std::function<void()> completion)
{
    if (_flowInProgress) return;
    if (!_available) {
        showFailure(localized(_lacksSecret ? "gdrive_client_secret_missing" : "gdrive_not_available"));
        return;
    }
    if (isAuthenticated()) deauthenticate();
    _listener.reset();
    std::weak_ptr<bool> alive = _alive;
    _listener = std::make_unique<GDriveRedirectListener>(
        _successUrl, [this](const std::string& url) { return _oauth.handleRedirect(url); },
        [this, alive] {
            // Ten minutes without an answer: the browser was closed or the user went away.
            if (alive.expired() || !_flowInProgress) return;
            OAuthResult result;
            result.status = OAuthStatus::Denied;
            result.message = localized("gdrive_authorization_timed_out");
            flowEnded(result, nullptr);
        });
    std::string error;
    auto redirect = _listener->start(error);
    if (!redirect) {
        g_warning("Unexpected error starting redirect handler %s", error.c_str());
        showFailure(error);
        return;
    }
    _oauth.setRedirectUri(*redirect);
    const std::string url = _oauth.beginAuthorization([this, alive, completion](const OAuthResult& result) {
        if (alive.expired()) return;
        flowEnded(result, completion);
    });
    _flowInProgress = true;
    if (!UriLauncher::shared().openURL(url)) {
        _flowInProgress = false;
        _listener->stop();
        showFailure(localized("gdrive_browser_not_opened"));
    }
}

void GDriveAuthHelper::flowEnded(const OAuthResult& result, const std::function<void()>& completion)
{
    _flowInProgress = false;
    // Not inside the listener's handling of the browser's request: the browser gets its answer
    // first, and the alert or the completion come after.
    _ended = performAfterDelay(0, [this, result, completion] {
        if (_bringToFront) _bringToFront();
        if (!result.ok()) {
            showFailure(result.message);
            return;
        }
        if (completion) completion();
    });
}

void GDriveAuthHelper::showFailure(const std::string& text)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized("error_authorizing_with_gdrive");
    request.informativeText = text.empty() ? localized("db_unspecified_error") : text;
    request.buttons = {{localized("close_button_title"), "\r"}};
    AlertPanel::shared().runModal(request);
}

void GDriveAuthHelper::deauthenticate()
{
    _keyringLocked = false;
    driveService();
    _oauth.unlink();
    _store.removeLater(GDriveSettings::EarlierKeychainItemName, {});
}
