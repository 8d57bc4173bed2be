#!/usr/bin/env bash
# The README's quick start on a bare Debian 12, as a newcomer on a new server or container
# meets it: makes a minimal root (debootstrap --variant=minbase bookworm, from this machine's
# own mirror), clones the repository's committed state into it and runs the quick start's
# commands exactly as the README writes them, as root inside chroot with a plain PATH. Each
# command's exit status and time are reported; then the demo's outputs are checked.
# Takes most of an hour; not part of ./check.sh. Run as root: tests/fresh_debian.sh
# Logs are kept in build/fresh-debian/. The root is removed once nothing is mounted below it.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "fresh_debian: $*"; }
[ "$(id -u)" -eq 0 ] || { say "run as root (debootstrap, mount and chroot need it)" >&2; exit 2; }
for tool in debootstrap git; do
    command -v "$tool" >/dev/null || { say "needs $tool: apt-get install debootstrap git" >&2; exit 2; }
done

# The machine's own Debian mirror: deb822 sources first, then the one-line format.
mirror=$(awk '/^URIs:/ { uri = $2 } /^Suites:/ && / bookworm( |$)/ { print uri; exit }' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
[ -n "$mirror" ] || { say "no bookworm mirror in /etc/apt/sources*" >&2; exit 2; }

logs=$repo/build/fresh-debian
mkdir -p "$logs"
target=$(mktemp -d /var/tmp/chpimport-debian.XXXXXX)
chmod 755 "$target" # it becomes "/": every user must be able to pass through it

mounted_below() { awk -v t="$target" 'index($2, t "/") == 1 { print $2 }' /proc/mounts | sort -r; }
cleanup() {
    local status=$? p m
    trap - EXIT INT TERM
    # Whatever still runs inside (a Wine server, say) holds the mounts.
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$target" ] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
    sleep 1
    for m in $(mounted_below); do umount "$m" 2>/dev/null || umount -l "$m" || true; done
    if [ -n "$(mounted_below)" ]; then
        say "still mounted below $target, so it is left in place:" >&2
        mounted_below >&2
    else
        rm -rf "$target"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say "a bare Debian 12 in $target, from $mirror"
start=$SECONDS
debootstrap --variant=minbase bookworm "$target" "$mirror" >"$logs/debootstrap.log" 2>&1 ||
    { tail -20 "$logs/debootstrap.log" >&2; exit 1; }
say "debootstrap: $((SECONDS - start)) s"
mount -t proc proc "$target/proc"
mount --bind /dev "$target/dev"
mount --make-private "$target/dev"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$target/dev/shm"
git clone -q "$repo" "$target/root/chpimport"
# A network that inspects TLS (as this workplace's does) has certificate authorities of its own,
# which every machine on it trusts: the root gets them too (ca-certificates takes them in when
# install-deps brings it), and Node.js, which keeps its own list, is pointed at the system's.
network_env=()
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
    mkdir -p "$target/usr/local/share/ca-certificates"
    cp /usr/local/share/ca-certificates/*.crt "$target/usr/local/share/ca-certificates/"
    network_env=(NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt)
fi

# The quick start's commands: the first code block after its heading, comments dropped.
mapfile -t commands < <(awk '/^## Quick start/ { q = 1; next } q && /^```/ { if (n++) exit; next } q && n' \
    "$repo/README.md" | sed 's/[[:space:]]*#.*//; /^[[:space:]]*$/d')
[ ${#commands[@]} -eq 2 ] || { say "the README's quick start has ${#commands[@]} commands, not 2" >&2; exit 1; }

failed=0
for i in "${!commands[@]}"; do
    c=${commands[$i]}
    log="$logs/command-$((i + 1)).log"
    start=$SECONDS
    status=0
    chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
        "${network_env[@]}" \
        /bin/bash -c "cd /root/chpimport && $c" >"$log" 2>&1 || status=$?
    say "'$c' exited $status after $((SECONDS - start)) s (log: $log)"
    if [ $status -ne 0 ]; then
        tail -30 "$log" >&2
        failed=1
    fi
    if [ $i -eq 0 ]; then
        for f in MSG00001.wav MSG00002.wav MSG00003.wav DEMO.zpf DEMO.tbl debug.bid; do
            [ -s "$target/root/chpimport/build/release/demo/$f" ] || { say "the demo made no $f" >&2; failed=1; }
        done
    fi
done
[ $failed -eq 0 ] && say "both quick-start commands passed on a bare Debian 12"
exit $failed
