#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the application need, and only those
# that are missing: a fresh machine has none of them.
set -euo pipefail

packages=(
  # toolchain; clang builds the tests a second time with the sanitizers, and llvm's symbolizer
  # puts file and line into their reports
  cmake g++ ninja-build ccache pkg-config clang libclang-rt-14-dev llvm clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a decimal-comma locale (de_DE.UTF-8) for the locale-independence tests
  locales-all
  # model and storage
  libpugixml-dev libplist-dev libssl-dev zlib1g-dev libminizip-dev libjemalloc-dev libglib2.0-dev
  # images (librsvg2-common lets GdkPixbuf read SVG pictures)
  libgdk-pixbuf-2.0-dev librsvg2-common
  # dates in the user's locale
  libicu-dev
  # the stock icon pictures are rendered from its emoji at build time
  fonts-noto-color-emoji
  # tests: making and listing hostile archives
  zip unzip python3
  # measuring and painting text
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
  # the application's windows, printing and the network monitor
  libgtkmm-3.0-dev
  # inline spelling in the canvas's text editor, with a dictionary to check against
  libgspell-1-dev hunspell-en-us
  # mailing a map: xdg-email hands subject and attachments to the user's mail program
  xdg-utils
  # exports: TIFF and PNG pictures; reading PDF outlines
  libtiff-dev libpng-dev libpoppler-glib-dev
  # the PDF bookmark import reads the outline's objects, which only poppler's own headers reach
  libpoppler-private-dev
  # display for GTK tests (xdpyinfo asks whether it answers), synthesised input and screenshots,
  # and xmodmap to give letters beyond ASCII keys of their own before a test types them;
  # ghostscript reads exported EPS back; the application tests run on a session bus of their own
  xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick ghostscript dbus-daemon libxtst-dev
  # the application test finds the program's menus and dialogs on the accessibility bus
  at-spi2-core libatspi2.0-dev
  # the device link: its HTTP server, its advertisement through the system's DNS-SD name server,
  # and the HTTP client its tests talk to it with
  libevent-dev libavahi-compat-libdnssd-dev libcurl4-openssl-dev
  # a small window manager, so that the main window's test sees full screen granted as on a desktop
  openbox
  # cloud storage (HTTP and libevent's server come with the device link above): the JSON of the web
  # services and the desktop's secret store for tokens; its test runs a keyring daemon of its own, and
  # the stand-in service's test asks it with curl
  nlohmann-json3-dev libsecret-1-dev gnome-keyring curl
  # the device link test runs avahi-daemon unpacked from its package (never installed) in a private
  # network namespace: the daemon's libraries, ip for the namespace's loopback, ss for the port
  libavahi-core7 libdaemon0 iproute2
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
