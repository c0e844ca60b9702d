#!/usr/bin/env bash
# Runs the secret service tests of a test program on a session bus and keyring of their own, in a
# temporary home, so that the user's keyring is never touched. Exits 77 (skipped) when the machine
# has no keyring daemon to start.
#   private-keyring.sh <test program>
set -euo pipefail
program=$1
if ! command -v gnome-keyring-daemon >/dev/null || ! command -v dbus-run-session >/dev/null; then
  echo "gnome-keyring-daemon or dbus-run-session is missing: the secret service test is skipped"
  exit 77
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/data" "$home/config" "$home/cache" "$home/run"
chmod 700 "$home/run"
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
  XDG_RUNTIME_DIR=$home/run
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- bash -c '
  # An unlocked login keyring from the start: nobody is there to answer a password prompt.
  printf "private" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  exec env TARNWICK_TEST_SESSION_BUS=1 TARNWICK_PRIVATE_KEYRING=1 "$1" --gtest_filter="SecretServiceTokenStoreTest.*"' run "$program"

# The login keyring that run left on disk, read locked by a new daemon as after a new login: each
# test in a session of its own, whose daemon the test starts with its stand-in prompter.
for test in $("$program" --gtest_list_tests --gtest_filter="SecretServiceLockedKeyringTest.*" | sed -n 's/^  //p'); do
  dbus-run-session -- env TARNWICK_TEST_SESSION_BUS=1 TARNWICK_PRIVATE_KEYRING=locked TARNWICK_KEYRING_HOME="$home" "$program" \
    --gtest_filter="SecretServiceLockedKeyringTest.$test"
done
