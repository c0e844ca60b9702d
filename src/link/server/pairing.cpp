#include "link/server/pairing.h"

#include "Utils/RandomData.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* pairing_file_extension = ".ss";

small_string pairing_file_path(const link_server_state& state, const small_string& app_id)
{
    small_string path = state.working_directory;
    path.append(app_id.view());
    path.append(pairing_file_extension);
    return path;
}

small_string digest_of(const small_string& first, std::string_view second)
{
    small_string joined = first;
    joined.append(second);
    return sha256_string(joined);
}

small_string fresh_challenge()
{
    unsigned char bytes[32];
    random_challenge_bytes(bytes);
    return small_string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The length of the UTF-8 sequence starting at the byte; the text was checked to be valid.
size_t sequence_length(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool is_control(std::string_view character)
{
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) return lead < 0x20 || lead == 0x7F;
    // U+0080 to U+009F are the C1 controls, encoded as C2 80 to C2 9F.
    return character.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

bool is_base64url_text(std::string_view text)
{
    const std::string_view unpadded = text.substr(0, std::min(text.find('='), text.size()));
    return unpadded.find_first_not_of(base64url_alphabet) == std::string_view::npos &&
        text.substr(unpadded.size()).find_first_not_of('=') == std::string_view::npos;
}

} // namespace

void random_challenge_bytes(std::span<unsigned char, 32> bytes)
{
    const std::vector<uint8_t> random = randomDataWithLength(bytes.size());
    std::copy(random.begin(), random.end(), bytes.begin());
}

bool pairing_app_id_valid(std::string_view app_id)
{
    if (app_id.empty() || app_id.size() > pairing_app_id_limit || app_id.front() == '.') return false;
    return std::all_of(app_id.begin(), app_id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
            c == '-';
    });
}

small_string pairing_device_name(std::string_view header)
{
    small_string name(header);
    const bool alphabet_only =
        !header.empty() && header.find_first_not_of(base64url_alphabet) == std::string_view::npos;
    small_string decoded;
    if (alphabet_only && base64url_decode(header, decoded) && utf8_valid(decoded.view())) name = decoded;
    // What is not UTF-8 cannot be shown as text; the name then stays as it came, bytes above 0x7F dropped.
    if (!utf8_valid(name.view())) {
        small_string ascii;
        for (const char c : name.view())
            if (static_cast<unsigned char>(c) < 0x80) ascii.append(c);
        name = ascii;
    }
    small_string shown;
    size_t characters = 0;
    const std::string_view text = name.view();
    for (size_t at = 0; at < text.size() && characters < pairing_device_name_limit;) {
        const size_t length = std::min(sequence_length(static_cast<unsigned char>(text[at])), text.size() - at);
        const std::string_view character = text.substr(at, length);
        if (!is_control(character)) {
            shown.append(character);
            ++characters;
        }
        at += length;
    }
    return shown;
}

void make_pairing_secret(pairing_request& request)
{
    const char pin[4] = {static_cast<char>(request.pin >> 24), static_cast<char>(request.pin >> 16),
                         static_cast<char>(request.pin >> 8), static_cast<char>(request.pin)};
    request.secret = small_string(pin, sizeof pin);
    request.secret.append(request.challenge.view());
}

bool pairing_read_secret(std::FILE* file, small_string& secret)
{
    file_stream stream{file, file == nullptr};
    char line[128];
    file_stream_read_line(stream, line);
    return base64url_decode(std::string_view(line), secret) > 0;
}

bool pairing_load(link_server_state& state, pairing_session& record)
{
    if (record.app_id.empty()) return false;
    const int32_t slot = state.paired_secrets.find(record.app_id.view());
    if (slot >= 0) {
        record.secret = state.paired_secrets.at(static_cast<uint32_t>(slot)).value;
        return true;
    }
    // A link planted under the pairing's name must not make the server read another file.
    const small_string path = pairing_file_path(state, record.app_id);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    std::FILE* file = ::fdopen(fd, "r");
    if (!file) {
        ::close(fd);
        return false;
    }
    small_string secret;
    const bool read = pairing_read_secret(file, secret);
    std::fclose(file);
    if (!read) return false;
    record.secret = secret;
    state.paired_secrets.lookup_or_insert(record.app_id.view()) = secret;
    state.issued_challenges.lookup_or_insert(record.app_id.view()) = small_string();
    return true;
}

void pairing_save(link_server_context& context, pairing_session& record)
{
    link_server_state& state = *context.state;
    {
        const std::lock_guard lock(state.pairing_mutex);
        state.paired_secrets.lookup_or_insert(record.app_id.view()) = record.secret;
    }
    small_string text;
    base64url_encode(record.secret.view(), text);

    // Written beside its final name and renamed over it: a reader never sees half a secret, and a
    // link at the final name is replaced, not followed. mkstemp makes the file 0600.
    const small_string path = pairing_file_path(state, record.app_id);
    std::string temporary = std::string(state.working_directory.view()) + "." + std::string(record.app_id.view()) +
        pairing_file_extension + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        link_error_print(context.errors, "Unable to write the pairing file %s: %s\n", path.c_str(),
                         std::strerror(errno));
        return;
    }
    bool written = true;
    for (std::string_view rest = text.view(); written && !rest.empty();) {
        const ssize_t count = ::write(fd, rest.data(), rest.size());
        if (count < 0 && errno == EINTR) continue;
        written = count > 0;
        if (written) rest.remove_prefix(static_cast<size_t>(count));
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        link_error_print(context.errors, "Unable to write the pairing file %s: %s\n", path.c_str(),
                         std::strerror(errno));
        ::unlink(temporary.c_str());
    }
}

bool pairing_restore_challenge(link_server_state& state, pairing_session& record)
{
    if (record.app_id.empty()) return false;
    const int32_t slot = state.issued_challenges.find(record.app_id.view());
    if (slot < 0) return false;
    record.challenge = state.issued_challenges.at(static_cast<uint32_t>(slot)).value;
    return true;
}

bool pairing_issue_challenge(link_server_state& state, pairing_session& record, small_string& out)
{
    record.challenge = fresh_challenge();
    out.clear();
    if (!base64url_encode(record.challenge.view(), out)) return false;
    if (!record.app_id.empty()) state.issued_challenges.lookup_or_insert(record.app_id.view()) = record.challenge;
    return true;
}

bool pairing_verify(const pairing_session& record, const small_string& authenticator)
{
    small_string presented;
    if (!base64url_decode(authenticator.view(), presented)) return false;
    const small_string expected = digest_of(record.secret, record.challenge.view());
    // Constant time, so the time of a refusal tells nothing about how much of a guess was right.
    if (presented.size() != expected.size()) return false;
    unsigned char difference = 0;
    const volatile unsigned char* a = reinterpret_cast<const unsigned char*>(presented.data());
    const volatile unsigned char* b = reinterpret_cast<const unsigned char*>(expected.data());
    for (size_t i = 0; i < expected.size(); ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

bool pairing_answer(const pairing_session& record, const small_string& app_challenge, small_string& out)
{
    small_string decoded;
    if (record.secret.empty() || !base64url_decode(app_challenge.view(), decoded)) return false;
    out.clear();
    return base64url_encode(digest_of(record.secret, decoded.view()).view(), out) > 0;
}

bool pairing_take_bonjour_challenge(const link_server_state& state, pairing_session& record)
{
    return base64url_decode(state.bonjour_challenge.view(), record.challenge) > 0;
}

void pairing_clear_cache(link_server_state& state)
{
    const std::lock_guard lock(state.pairing_mutex);
    state.paired_secrets.destroy();
}

bool check_authenticate(link_server_state& state, pairing_session& record, http_request& request)
{
    using authentication = http_request::authentication;
    if (request.authenticated != authentication::unchecked) {
        record.app_id = request.auth_app_id;
        record.secret = request.auth_secret;
        record.challenge = request.auth_challenge;
        if (request.authenticated == authentication::passed) return true;
        request.status = 403;
        return false;
    }
    const std::lock_guard lock(state.pairing_mutex);
    bool passed = false;
    small_string app_id;
    if (http_get_header(request, "fernquill-app-id", app_id) && pairing_app_id_valid(app_id.view())) {
        record.app_id = app_id;
        small_string authenticator;
        passed = pairing_load(state, record) && pairing_restore_challenge(state, record) &&
            http_get_header(request, "fernquill-authenticate", authenticator) && pairing_verify(record, authenticator);
        const int32_t identified = state.identify_challenges.find(app_id.view());
        if (!passed && identified >= 0 && !record.secret.empty() && !authenticator.empty()) {
            record.challenge = state.identify_challenges.at(static_cast<uint32_t>(identified)).value;
            passed = pairing_verify(record, authenticator);
        }
    }
    request.auth_app_id = record.app_id;
    request.auth_secret = record.secret;
    request.auth_challenge = record.challenge;
    request.authenticated = passed ? authentication::passed : authentication::failed;
    if (!passed) {
        request.status = 403;
        return false;
    }
    // Used up before the work: a request seen on the wire cannot be sent again, not even one that
    // never asks for the next challenge. The app gets the next one in this reply, or from
    // "/identify".
    state.issued_challenges.lookup_or_insert(record.app_id.view()) = fresh_challenge();
    if (const int32_t identified = state.identify_challenges.find(record.app_id.view()); identified >= 0)
        state.identify_challenges.at(static_cast<uint32_t>(identified)).value = fresh_challenge();
    return true;
}

bool answer_challenge(link_server_state& state, pairing_session& record, http_request& request)
{
    const std::lock_guard lock(state.pairing_mutex);
    small_string app_challenge;
    small_string answer;
    small_string next;
    bool answered =
        http_get_header(request, "fernquill-challenge", app_challenge) && pairing_answer(record, app_challenge, answer);
    if (answered) {
        http_set_header(request, "Fernquill-Authenticate", answer.c_str());
        answered = pairing_issue_challenge(state, record, next);
        if (answered) http_set_header(request, "Fernquill-Challenge", next.c_str());
    }
    request.status = answered ? 200 : 500;
    return answered;
}

bool answer_unauthenticated_challenge(link_server_state& state, pairing_session& record, http_request& request)
{
    const std::lock_guard lock(state.pairing_mutex);
    small_string app_challenge;
    small_string decoded;
    small_string answer;
    small_string next;
    bool answered = http_get_header(request, "fernquill-challenge", app_challenge) &&
        base64url_decode(app_challenge.view(), decoded) > 0;
    if (answered) {
        small_string held;
        const int32_t issued = state.issued_challenges.find(record.app_id.view());
        if (issued >= 0) held = state.issued_challenges.at(static_cast<uint32_t>(issued)).value;
        answered = !(issued >= 0 && held == decoded) && pairing_answer(record, app_challenge, answer);
    }
    if (answered) {
        http_set_header(request, "Fernquill-Authenticate", answer.c_str());
        record.challenge = fresh_challenge();
        answered = base64url_encode(record.challenge.view(), next) > 0;
        if (answered) {
            state.identify_challenges.lookup_or_insert(record.app_id.view()) = record.challenge;
            http_set_header(request, "Fernquill-Challenge", next.c_str());
        }
    }
    request.status = answered ? 200 : 500;
    return answered;
}

namespace {

// The headers of a "/pair" request, the app's challenge decoded; false when one is missing.
bool pair_headers(const http_request& request, small_string& app_id, small_string& device, small_string& challenge)
{
    small_string app_challenge;
    const bool complete = http_get_header(request, "fernquill-app-id", app_id) &&
        http_get_header(request, "fernquill-challenge", app_challenge) &&
        http_get_header(request, "fernquill-device", device);
    // Only base64url text counts: the decoder skips foreign characters, and a challenge made of
    // them would decode to bytes the app never chose.
    if (complete && is_base64url_text(app_challenge.view())) base64url_decode(app_challenge.view(), challenge);
    return complete;
}

} // namespace

bool pair_request_asks(const http_request& request)
{
    small_string app_id;
    small_string device;
    small_string challenge;
    // Nothing is asked of the user for a request that could never pair: an app id that cannot name
    // a file, or no challenge of the app's own (the secret would be the PIN alone).
    return pair_headers(request, app_id, device, challenge) && pairing_app_id_valid(app_id.view()) &&
        !challenge.empty();
}

void pair_handler::handle(http_router& router, const small_string&, http_request& request)
{
    link_server_context& context = *router.context;
    link_server_state& state = *context.state;
    pairing_session record;
    pairing_request pairing;
    const char* outcome = "REJECT";

    small_string app_id;
    small_string device;
    pair_headers(request, app_id, device, pairing.challenge);
    // A question the server may not ask now (another one is open, or the address asked too often)
    // is refused as a cancelled one would be.
    if (pair_request_asks(request) && !request.pairing_refused) {
        record.app_id = app_id;
        const small_string name = pairing_device_name(device.view());
        const int pin = context.callbacks ? context.callbacks->LinkServerGetPinCode(name.c_str()) : -1;
        small_string authenticator;
        if (pin == -1) {
            outcome = "REJECT";
        } else if (pin < 0 || pin > 9999) {
            outcome = "FAIL";
        } else {
            pairing.pin = static_cast<uint32_t>(pin);
            make_pairing_secret(pairing);
            record.secret = pairing.secret;
            outcome = "FAIL";
            if (http_get_header(request, "fernquill-authenticate", authenticator) &&
                pairing_take_bonjour_challenge(state, record) && pairing_verify(record, authenticator)) {
                // Kept only once the app has its answer: a pairing that failed here would otherwise
                // stay behind with a secret the app does not hold.
                if (answer_challenge(state, record, request)) {
                    pairing_save(context, record);
                    outcome = "OK";
                }
            }
        }
    }
    if (std::strcmp(outcome, "OK") == 0) http_set_header(request, "Fernquill-Version", "3");
    http_reply_text(request, outcome);
}
