#!/usr/bin/env bash
# nullburn-cli against a real SCSI target: Debian's tgt daemon on 127.0.0.1, on a free port and
# its own control port, with a cd logical unit backed by an ISO image made here. That target
# knows no vendor erase command, so Quick Erase must end in an honest error, never in success.
#
# Usage: tgt-test.sh NULLBURN-CLI
# Exit 0 passed, 1 failed, 77 skipped (tgtd cannot run here; the reason is printed).
set -uo pipefail

cli=${1:?usage: tgt-test.sh NULLBURN-CLI}
iqn=iqn.2026-01.org.nullburn.test:cd
failures=0
checks=0

skip() { echo "SKIP: $*"; exit 77; }
pass() { checks=$((checks + 1)); echo "ok   $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL $*"; }

command -v tgtd >/dev/null && command -v tgtadm >/dev/null ||
  skip "tgtd or tgtadm is not installed (Debian package tgt)"
[ -x "$cli" ] || { echo "FAIL: $cli is not an executable"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/nullburn-tgt.XXXXXX")
tgtd_pid=
control_port=

# Running, and not merely an exited child waiting to be reaped.
alive() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$1/stat"; }

cleanup() {
  if [ -n "$tgtd_pid" ] && alive "$tgtd_pid"; then
    # tgtd ignores SIGTERM; it stops when asked over its control socket with no target left,
    # and SIGKILL ends it should that fail.
    command tgtadm -C "$control_port" --lld iscsi --mode target --op delete --force --tid 1 >/dev/null 2>&1
    command tgtadm -C "$control_port" --mode system --op delete >/dev/null 2>&1
    for _ in $(seq 50); do alive "$tgtd_pid" || break; sleep 0.1; done
    kill -9 "$tgtd_pid" 2>/dev/null
    wait "$tgtd_pid" 2>/dev/null
  fi
  # tgtd leaves its control socket and lock behind when it is killed.
  [ -n "$control_port" ] && rm -f "/var/run/tgtd/socket.$control_port" "/var/run/tgtd/socket.$control_port.lock"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# The image: an ISO 9660 file system of a few MiB where genisoimage exists, else plain bytes.
mkdir -p "$work/files"
head -c $((3 * 1024 * 1024)) /dev/urandom >"$work/files/data.bin"
if command -v genisoimage >/dev/null; then
  genisoimage -quiet -V NULLBURN_TEST -o "$work/disc.iso" "$work/files" || exit 1
else
  head -c $((4 * 1024 * 1024)) /dev/zero >"$work/disc.iso"
fi

portal_port=$(free_port)
# The control "port" names tgtd's management socket; pick one that no other tgtd uses.
for _ in $(seq 20); do
  control_port=$((10000 + RANDOM % 20000))  # tgtd takes no more than 32767
  [ -e "/var/run/tgtd/socket.$control_port" ] || break
done
tgtadm() { command tgtadm -C "$control_port" --lld iscsi "$@"; }

# Should this script be killed outright (a test time-out), the daemon dies with it.
pdeath=()
setpriv --help 2>/dev/null | grep -q pdeathsig && pdeath=(setpriv --pdeathsig KILL --)
"${pdeath[@]}" tgtd -f -C "$control_port" -p "$work/tgtd.pid" --iscsi "portal=127.0.0.1:$portal_port" >"$work/tgtd.log" 2>&1 &
tgtd_pid=$!
ready=
for _ in $(seq 100); do
  alive "$tgtd_pid" || break
  if tgtadm --mode target --op show >/dev/null 2>&1; then ready=1; break; fi
  sleep 0.1
done
if [ -z "$ready" ]; then
  reason=$(grep -v -e 'iser' -e 'oom' -e 'nr_open' "$work/tgtd.log" | tail -n 3 | tr '\n' ' ')
  # tgtd keeps its control socket under /var/run: only root can start it on a stock system.
  [ "$(id -u)" != 0 ] && skip "tgtd cannot run as a user other than root here: ${reason:-no answer on its control socket}"
  echo "FAIL: tgtd did not start: ${reason:-no answer on its control socket within 10 seconds}"
  exit 1
fi

tgtadm --mode target --op new --tid 1 --targetname "$iqn" &&
  tgtadm --mode logicalunit --op new --tid 1 --lun 1 --device-type cd --backing-store "$work/disc.iso" &&
  tgtadm --mode target --op bind --tid 1 --initiator-address ALL ||
  { echo "FAIL: tgtadm could not set up the target"; cat "$work/tgtd.log"; exit 1; }

url="iscsi://127.0.0.1:$portal_port/$iqn/1"
run() {  # run NAME ARGS...: output in $work/NAME.out, exit code in $rc
  local name=$1; shift
  timeout 60 "$cli" "$@" >"$work/$name.out" 2>&1
  rc=$?
  sed 's/^/     | /' "$work/$name.out"
}

run list --device "$url" list
[ "$rc" = 0 ] && pass "list exits 0" || fail "list exits $rc, expected 0"
grep -Eq '^ 0-0-0-1 iscsi.*VIRTUAL-CDROM' "$work/list.out" &&
  pass "list shows the cd unit at 0-0-0-1 as iscsi" || fail "list does not show the cd unit at 0-0-0-1"

run list-json --device "$url" --json list
grep -q '"row": " 0-0-0-1 iscsi' "$work/list-json.out" && pass "list --json names the unit" || fail "list --json"

run identify --device "$url" identify
[ "$rc" = 0 ] && pass "identify exits 0" || fail "identify exits $rc, expected 0"
grep -Eq '^[0-9]+ [A-Z]' "$work/identify.out" && pass "identify prints a media code and name" ||
  fail "identify prints no media code"

run quick --device "$url" quick --yes
[ "$rc" = 1 ] && pass "quick exits 1 (failed)" || fail "quick exits $rc, expected 1"
if grep -Eq 'Your drive may not support this feature\.|Disc not support|Disc not present|Disc not ready|could not be erased completely' "$work/quick.out"; then
  pass "quick ends in an honest error"
else
  fail "quick does not end in an honest error"
fi
grep -q 'erased successfully' "$work/quick.out" && fail "quick claims success" || pass "quick never claims success"

run wrong-lun --device "iscsi://127.0.0.1:$portal_port/$iqn/5" list
[ "$rc" = 3 ] && pass "a missing LUN exits 3 (no drive)" || fail "a missing LUN exits $rc, expected 3"
grep -q 'has no logical unit 5' "$work/wrong-lun.out" && pass "a missing LUN is named" || fail "a missing LUN is not named"

run wrong-target --device "iscsi://127.0.0.1:$portal_port/iqn.2026-01.org.nullburn.test:none/1" list
[ "$rc" = 3 ] && pass "an unknown target exits 3" || fail "an unknown target exits $rc, expected 3"
grep -q 'Cannot connect to iSCSI target' "$work/wrong-target.out" && pass "an unknown target is explained" ||
  fail "an unknown target is not explained"

closed_port=$(free_port)
run refused --device "iscsi://127.0.0.1:$closed_port/$iqn/1" list
[ "$rc" = 3 ] && pass "a refused connection exits 3" || fail "a refused connection exits $rc, expected 3"
grep -q "127.0.0.1:$closed_port.*connection refused" "$work/refused.out" && pass "a refused connection says so" ||
  fail "a refused connection is not explained"

run bad-url --device "iscsi://127.0.0.1:$portal_port/$iqn" list
[ "$rc" = 2 ] && pass "a URL without a LUN is bad usage (2)" || fail "a URL without a LUN exits $rc, expected 2"

# The daemon must still be serving after all that, and then goes with the trap.
alive "$tgtd_pid" && pass "tgtd still runs" || fail "tgtd died during the test"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
