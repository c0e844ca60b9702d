# Sourced by the fetch scripts: takes DEST's lock for TAG, ends the script at once when an earlier
# run completed, else downloads the packages into a fresh working folder and enters it. The caller
# unpacks what it needs and then calls `complete`.
#   download_packages DEST TAG PACKAGE...
download_packages() {
  local dest=$1 tag=$2
  shift 2
  mkdir -p "$dest" || exit 1
  exec 9>"$dest/.lock$tag"
  flock 9
  [ -f "$dest/.complete$tag" ] && exit 0
  work=$(mktemp -d) || exit 1
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
  if ! timeout 180 apt-get download "$@" >download.log 2>&1; then
    echo "could not download $*:" >&2
    tail -n 3 download.log >&2
    exit 1
  fi
  completion="$dest/.complete$tag"
}

complete() {
  touch "$completion"
}
