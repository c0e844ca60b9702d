#!/usr/bin/env bash
# Measures a paired phone fetching a 10,000-topic map with images (stream version 3, so a zip
# container in text form) from the running program over loopback: from the request to the last
# byte, median of 20 fetches, as a whole process. The goal is 150 ms at most.
#
# The phone's pairing is placed in the store before the start, as one kept from an earlier run,
# and the port is read from the program's listening socket: no name server is needed. Program and
# phone run in a private network namespace with nothing but loopback, and the program cannot reach
# the machine's name server, so the link is never advertised on the machine's network. The program has a home of its own on a session bus of its
# own and needs a display (DISPLAY, or Xvfb).
#   bench/link-fetch.sh [build-dir] [fetches]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${TARNWICK_IN_BENCH_NAMESPACE:-}" ]; then
  export TARNWICK_IN_BENCH_NAMESPACE=1
  namespace=(unshare --net)
  [ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
  "${namespace[@]}" true 2>/dev/null || { echo "a private network namespace is needed (unshare --net)" >&2; exit 1; }
  exec "${namespace[@]}" bash "$0" "$@"
fi
ip link set lo up
build=${1:-${TARNWICK_BUILD_DIR:-build}}
fetches=${2:-20}
program="$build/bin/tarnwick"
[[ -x $program ]] || { echo "no program at $program; build first" >&2; exit 1; }
command -v ss >/dev/null || { echo "ss (iproute2) is needed to find the port" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display" | tr -d '[:space:]')"
fi

home=$work/home
store="$home/data/Tarnwick/Mind Maps"
mkdir -p "$store/Images"
# The map: ten themes filled breadth first to 10,000 topics, a picture on every 500th topic (20
# pictures of 64 x 64 pixels), and the pairing of the phone "bench.phone".
python3 - "$store" <<'PY'
import base64, collections, hashlib, os, random, struct, sys, zlib
store = sys.argv[1]
random.seed(7)

def png(seed):
    rows = b"".join(b"\0" + bytes((seed * 37 + x * 3 + y) & 0xFF for x in range(64 * 3)) for y in range(64))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 64, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))

hashes = []
for i in range(20):
    data = png(i)
    digest = hashlib.sha1(data).hexdigest()
    with open(os.path.join(store, "Images", digest + ".png"), "wb") as f:
        f.write(data)
    hashes.append(digest)

words = ["plan", "budget", "review", "idea", "task", "goal", "risk", "team", "launch", "draft"]
topics, queue, next_id = [], collections.deque(), 0
for theme in range(10):
    topics.append((next_id, -1, theme * 400, 0)); queue.append(next_id); next_id += 1
while next_id < 10000:
    parent = queue.popleft()
    for _ in range(random.randint(4, 8)):
        if next_id >= 10000:
            break
        topics.append((next_id, parent, 0, 0)); queue.append(next_id); next_id += 1
out = []
for id_, parent, x, y in topics:
    text = " ".join(random.choice(words) for _ in range(random.randint(1, 5)))
    image = '<children><image name="%s" x="0" y="0"/></children>' % hashes[id_ // 500] if id_ % 500 == 0 else ""
    out.append('<topic id="%d" parent="%d" x="%d" y="%d" text="%s">%s</topic>' % (id_, parent, x, y, text, image))
guid = "BENCHLINKAAAAAAAAAAAAAAA"
with open(os.path.join(store, guid + ".twkx"), "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n<tarnwick-mindmaps doc-version="3"><mindmap><meta>'
            '<guid guid="%s"/><title text="Link bench" customized="true"/><images containsImages="true"/></meta>'
            '<topics>%s</topics><relations></relations></mindmap></tarnwick-mindmaps>\n' % (guid, "".join(out)))
secret = struct.pack(">I", 1234) + bytes(range(32))
path = os.path.join(store, "bench.phone.ss")
with open(path, "w") as f:
    f.write(base64.urlsafe_b64encode(secret).rstrip(b"=").decode())
os.chmod(path, 0o600)
PY

HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
  TARNWICK_STARTUP_TIMING=1 NO_AT_BRIDGE=1 DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus" \
  dbus-run-session -- "$program" >"$work/run.log" 2>&1 &
pids+=($!)
session=$!
for _ in $(seq 1 300); do grep -q tarnwick-first-frame "$work/run.log" && break; sleep 0.1; done
grep -q tarnwick-first-frame "$work/run.log" || { cat "$work/run.log" >&2; echo "the program did not start" >&2; exit 1; }

port=""
for _ in $(seq 1 100); do
  port=$(ss -ltnpH 2>/dev/null | awk '/"tarnwick"/ { n = split($4, a, ":"); print a[n]; exit }')
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the program listens on no port" >&2; exit 1; }

python3 - "$port" "$fetches" <<'PY'
import base64, hashlib, http.client, os, statistics, struct, sys, time
port, fetches = int(sys.argv[1]), int(sys.argv[2])
b64 = lambda d: base64.urlsafe_b64encode(d).rstrip(b"=").decode()
secret = struct.pack(">I", 1234) + bytes(range(32))
challenge = b""
times = []
for _ in range(fetches + 1):
    headers = {"fernquill-app-id": "bench.phone", "fernquill-version": "3",
               "fernquill-authenticate": b64(hashlib.sha256(secret + challenge).digest()),
               "fernquill-challenge": b64(os.urandom(32))}
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
    start = time.perf_counter()
    connection.request("GET", "/mindmaps/BENCHLINKAAAAAAAAAAAAAAA", headers=headers)
    reply = connection.getresponse()
    body = reply.read()
    elapsed = (time.perf_counter() - start) * 1000
    connection.close()
    if reply.status != 200 or not body.startswith(b"PK--"):
        sys.exit("fetch failed: %d %r" % (reply.status, body[:200]))
    next_challenge = reply.getheader("Fernquill-Challenge")
    challenge = base64.urlsafe_b64decode(next_challenge + "=" * (-len(next_challenge) % 4))
    times.append(elapsed)
times = times[1:]  # the first fetch also warms the caches
median = statistics.median(times)
print("link fetch of a 10,000-topic map with 20 pictures (%d KiB as text): median %.1f ms of %d, min %.1f, max %.1f; goal <= 150 ms"
      % (len(body) // 1024, median, len(times), min(times), max(times)))
PY
