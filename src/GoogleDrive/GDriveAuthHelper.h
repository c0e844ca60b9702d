#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "GoogleDrive/GDriveRedirectListener.h"
#include "cloud/OAuthClient.h"
#include "platform/MainLoop.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TokenStore;

// The one Drive client of the process and its sign-in: restored from the token store at first use,
// signed in through the user's browser with a loopback redirect, kept under the store's item for
// Drive, and forgotten on sign-out. Main thread only.
class GDriveAuthHelper {
public:
    // The process's helper, on the shared HTTP engine, the desktop's token store and the build's
    // settings; made on first use.
    static GDriveAuthHelper& sharedHelper();

    GDriveAuthHelper(HttpEngine& engine, TokenStore& store, OAuthSettings signIn, GDriveEndpoints endpoints,
                     std::string successUrl);
    ~GDriveAuthHelper();
    GDriveAuthHelper(const GDriveAuthHelper&) = delete;
    GDriveAuthHelper& operator=(const GDriveAuthHelper&) = delete;

    // The client every Drive call goes through; the first call restores the sign-in.
    GDriveClient& driveService();
    OAuthClient& authorization();
    // Whether the build knows its OAuth client: without one no sign-in can start.
    bool isAvailable() const;

    bool isAuthenticated();
    // Runs then once the sign-in of an earlier run has been read (at once when it has been); until
    // then isAuthenticated() answers false without meaning that nobody is signed in.
    void whenRestored(std::function<void()> then);
    // Signs in unless signed in already; then nothing is called, not even the completion.
    void authenticate(std::function<void()> completion);
    // A new sign-in in the browser; the completion runs only after one that succeeded. While one
    // runs, another does nothing.
    void reauthenticate(std::function<void()> completion);
    // Forgets the sign-in here and in both items of the token store.
    void deauthenticate();

    bool isFlowInProgress() const { return _flowInProgress; }
    // The sign-in of an earlier run may be in a keyring the user left locked (its password
    // question was dismissed): it is read when the keyring is unlocked elsewhere, and then the
    // handler runs as after a sign-in.
    bool isSignInLocked() const { return _keyringLocked; }
    void setUnlockedSignInHandler(std::function<void()> handler) { _unlockedSignIn = std::move(handler); }
    // Brings the program's windows to the front once the browser has handed the sign-in back.
    void setBringToFront(std::function<void()> bringToFront) { _bringToFront = std::move(bringToFront); }
    // The listener of the running or last sign-in (tests).
    GDriveRedirectListener* redirectListener() { return _listener.get(); }
    // Where the sign-in is kept (tests).
    TokenStore& tokenStore() { return _store; }

private:
    void flowEnded(const OAuthResult& result, const std::function<void()>& completion);
    void showFailure(const std::string& text);
    void restoreSignIn();
    void restoreEnded();
    void keyringUnlocked();
    void carryOverFailed(const OAuthTokens& earlier, const Error& error);

    HttpEngine& _engine;
    TokenStore& _store;
    std::string _successUrl;
    bool _available = false;
    bool _lacksSecret = false;
    OAuthClient _oauth;
    GDriveClient _client;
    bool _restored = false;
    bool _restoring = true;
    bool _restoringAfterUnlock = false;
    bool _keyringLocked = false;
    std::function<void()> _unlockedSignIn;
    std::vector<std::function<void()>> _waitingForRestore;
    bool _flowInProgress = false;
    std::unique_ptr<GDriveRedirectListener> _listener;
    std::function<void()> _bringToFront;
    DelayedPerform _ended;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
