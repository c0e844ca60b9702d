#pragma once

// Pairing a phone by PIN and authenticating its later requests. A pairing is a secret shared with
// one app id; every request proves it over the challenge the desktop issued last.

#include "link/server/link_server_internal.h"

#include <cstdio>
#include <span>

// The pairing record of one request; secret and challenge hold raw bytes.
struct pairing_session {
    small_string app_id;
    small_string secret;
    small_string challenge;
};

// One "/pair" request.
struct pairing_request {
    uint32_t pin = 0;
    small_string challenge; // the app's, decoded
    small_string secret;
};

inline constexpr size_t pairing_app_id_limit = 128;
inline constexpr size_t pairing_device_name_limit = 64;

// Bytes from the operating system's random source: a challenge that can be predicted lets anyone
// make the desktop sign it.
void random_challenge_bytes(std::span<unsigned char, 32> bytes);

// An app id names a file in the documents folder, so only a plain file name passes: letters,
// digits, ".", "_" and "-", 1 to 128 of them, not starting with ".".
bool pairing_app_id_valid(std::string_view app_id);
// The device name as the dialog shows it: the decoded form only when the whole header is base64url
// of UTF-8 text; control characters removed; at most 64 characters.
small_string pairing_device_name(std::string_view header);

void make_pairing_secret(pairing_request& request);

// Reads the one line of a pairing file (at most 127 characters) and decodes it.
bool pairing_read_secret(std::FILE* file, small_string& secret);
bool pairing_load(link_server_state& state, pairing_session& record);
// Keeps the secret in memory and writes its file; a file that cannot be written leaves the
// pairing in memory only.
void pairing_save(link_server_context& context, pairing_session& record);
bool pairing_restore_challenge(link_server_state& state, pairing_session& record);
bool pairing_issue_challenge(link_server_state& state, pairing_session& record, small_string& out);
bool pairing_verify(const pairing_session& record, const small_string& authenticator);
bool pairing_answer(const pairing_session& record, const small_string& app_challenge, small_string& out);
bool pairing_take_bonjour_challenge(const link_server_state& state, pairing_session& record);
// Forgets every pairing held in memory; the pairing files stay. Server thread only.
void pairing_clear_cache(link_server_state& state);

// The request's authenticator against the app's pairing and its last issued challenge; on
// failure the status becomes 403. A passing check uses up the challenge. The verdict is kept in
// the request: asked again for the same request, the check answers it without a second try.
bool check_authenticate(link_server_state& state, pairing_session& record, http_request& request);
// Whether a "/pair" request could pair at all, so that the user would be asked for a PIN.
bool pair_request_asks(const http_request& request);
// Answers the app's challenge and issues the next one; status 200, or 500 on failure.
bool answer_challenge(link_server_state& state, pairing_session& record, http_request& request);
// The same for a request that did not authenticate: the next challenge goes beside the issued
// one, which stays. An app challenge that is a challenge the app holds from the desktop is not
// answered: the answer would be the authenticator of the app's next request.
bool answer_unauthenticated_challenge(link_server_state& state, pairing_session& record, http_request& request);
