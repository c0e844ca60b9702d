#pragma once

// Pairing a phone by PIN and authenticating its later requests. A pairing is a secret shared with
// one app id; every request proves it over the challenge the desktop issued last.

#include "link/server/link_server_internal.h"

#include <span>

// Bytes from the operating system's random source: a challenge that can be predicted lets anyone
// make the desktop sign it.
void random_challenge_bytes(std::span<unsigned char, 32> bytes);

// Forgets every pairing held in memory; the pairing files stay. Server thread only.
void pairing_clear_cache(link_server_state& state);
