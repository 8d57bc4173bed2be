#!/usr/bin/env bash
# A fresh machine has only its Debian base and what .ci/install-deps installs. This checks
# that every external command the tests call comes from such a package, so that a test
# passing here because someone installed a tool by hand cannot go unnoticed:
#  - each command of .ci/test-commands resolves to a file of the package named there, and
#    that package is one install-deps installs (or brings along) or one every Debian has;
#  - each command word of the test scripts (quoted text aside), and the first word of every
#    string in the C++ tests that run commands, comes from such a package.
# Run after install-deps: it needs every command present to find its package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# What install-deps installs, and everything apt brings along with it.
mapfile -t listed < <(sed -n '/^packages=(/,/^)/p' .ci/install-deps | sed '1d;$d' | tr -s ' \t' '\n' | sed '/^$/d')
declare -A allowed=()
for p in "${listed[@]}"; do allowed[$p]=1; done
while read -r p; do allowed[${p%%:*}]=1; done < <(
    apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
        --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
        sed -n 's/^\([a-z0-9][^ <>]*\)$/\1/p; s/^ *[A-Za-z]*Depends: \([^<>]*\)$/\1/p')
ok_package() {
    [ -n "${allowed[$1]:-}" ] && return 0
    # Packages every Debian system has.
    case "$(dpkg-query -W -f='${Priority}' "$1" 2>/dev/null)" in required | important) return 0 ;; esac
    return 1
}

# Command words of the test scripts: comments and quoted text dropped, but what runs inside
# "$(...)" kept; so are the names that variables are given and paths ("$work/zip" runs no
# zip). Then the first word of every string in the C++ tests that run commands.
scripts=(check.sh .ci/run cmake/*.sh tests/*.sh tests/*/*.sh)
mapfile -t words < <(
    {
        perl -ne 's/^\s*#.*//; s/\s#.*//; s/\x27[^\x27]*\x27//g; s/\b[A-Za-z_][A-Za-z0-9_]*=//g;
                  s/"((?:[^"\\]|\\.)*)"/my $s = $1; join(" ", $s =~ m{\$\(([^()]*)\)}g)/ge;
                  s{\S*/\S*}{ }g; print' \
            "${scripts[@]}" | grep -oE '[A-Za-z_][A-Za-z0-9_.+-]*'
        grep -rlE 'std::system\(|popen\(' tests --include='*.cpp' --include='*.hpp' |
            xargs -r grep -hoE '"[A-Za-z][A-Za-z0-9_.+-]* ' | tr -d '" '
    } | sort -u
)
declare -A declared=()
while read -r cmd pkg; do
    case "$cmd" in '' | '#'*) continue ;; esac
    declared[$cmd]=$pkg
done <.ci/test-commands
commands=("${!declared[@]}")
for w in "${words[@]}"; do
    # A command is an executable file: a name that is only a variable's, or a file that
    # merely lies on the PATH, runs nothing.
    [ "$(type -t "$w" 2>/dev/null)" = "file" ] && [ -x "$(type -P "$w")" ] &&
        [ -z "${declared[$w]:-}" ] && commands+=("$w")
done

# The packages each command's file belongs to (through symlinks and the merged /usr), from
# dpkg's file lists: one grep for them all instead of a slow dpkg -S each.
declare -A path_of=() owner=()
paths=()
for c in "${commands[@]}"; do
    path=$(type -P "$c") || continue
    real=$(readlink -f "$path")
    path_of[$c]="$path $real ${path#/usr} ${real#/usr}"
    paths+=($path "$real" "${path#/usr}" "${real#/usr}")
done
while read -r line; do
    list=${line%%.list:*}
    list=${list##*/}
    owner[${line#*.list:}]+="${list%%:*} "
done < <(printf '%s\n' "${paths[@]}" | sort -u | grep -Fx -f - /var/lib/dpkg/info/*.list || true)
owners_of() {
    local p
    for p in ${path_of[$1]:-}; do echo ${owner[$p]:-}; done | tr ' ' '\n' | sed '/^$/d' | sort -u
}

failed=0
fail() { echo "fresh_machine: $*" >&2; failed=1; }
checked=0
for c in "${commands[@]}"; do
    if [ -z "${path_of[$c]:-}" ]; then
        fail "$c is not installed (package ${declared[$c]})"
        continue
    fi
    owners=$(owners_of "$c")
    if [ -n "${declared[$c]:-}" ]; then
        pkg=${declared[$c]}
        grep -qx "$pkg" <<<"$owners" || fail "$c comes from '$(echo $owners)', not from $pkg as .ci/test-commands says"
        ok_package "$pkg" || fail "$c: its package $pkg is not installed by .ci/install-deps"
        continue
    fi
    checked=$((checked + 1))
    good=
    for p in $owners; do ok_package "$p" && good=1; done
    [ -n "$good" ] || fail "'$c' (called by a test) comes from '$(echo $owners)', which .ci/install-deps does not install"
done

[ $failed -eq 0 ] || exit 1
echo "fresh_machine: ${#declared[@]} declared commands and $checked more that the tests call come from install-deps or the Debian base"
