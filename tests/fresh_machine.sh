#!/usr/bin/env bash
# A fresh machine has only its Debian base and what .ci/install-deps installs. This checks
# that every external command the tests call comes from such a package, so that a test
# passing here because someone installed a tool by hand cannot go unnoticed:
#  - each command of .ci/test-commands is installed, resolves to a file of the package named
#    there, and that package is one install-deps installs (or brings along);
#  - each command the test scripts run (tests/support/command_words.pl reads them), and the
#    first word of every command string in the C++ tests, comes from such a package or from
#    the base every Debian has (priority required). One that no package owns was installed
#    by hand: that fails too.
# Any other word of a script that happens to name a program on the PATH runs nothing: at
# most a note. Usage: tests/fresh_machine.sh [SCRIPT...] (default: the project's scripts).
# Run after install-deps: it needs every command present to find its package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# What install-deps installs, and everything apt brings along with it.
mapfile -t listed < <(.ci/install-deps --list)
declare -A allowed=()
for p in "${listed[@]}"; do allowed[$p]=1; done
while read -r p; do allowed[${p%%:*}]=1; done < <(
    apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
        --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
        sed -n 's/^\([a-z0-9][^ <>]*\)$/\1/p; s/^ *[A-Za-z]*Depends: \([^<>]*\)$/\1/p')
ok_package() {
    [ -n "${allowed[$1]:-}" ] && return 0
    # What a minimal Debian (debootstrap --variant=minbase) has: the required packages, apt.
    [ "$1" = apt ] && return 0
    [ "$(dpkg-query -W -f='${Priority}' "$1" 2>/dev/null)" = required ]
}

if [ $# -gt 0 ]; then
    scripts=("$@")
    cxx=()
else
    # tests/fresh_debian.sh is left out: it runs on the host, not in the suite, and brings
    # its own tools' names.
    scripts=(check.sh demo.sh .ci/run .ci/install-deps cmake/*.sh bench/make_speech.sh tests/*/*.sh)
    for s in tests/*.sh; do [ "$s" = tests/fresh_debian.sh ] || scripts+=("$s"); done
    mapfile -t cxx < <(grep -rlE 'std::system\(|popen\(' tests --include='*.cpp' --include='*.hpp')
fi
declare -A declared=() kind=()
while read -r cmd pkg; do
    case "$cmd" in '' | '#'*) continue ;; esac
    declared[$cmd]=$pkg
done <.ci/test-commands
while read -r k w; do kind[$w]=$k; done < <(
    perl tests/support/command_words.pl "${scripts[@]}"
    # A command string in C++ starts with the program and an option: "sox -V1 ...".
    [ ${#cxx[@]} -eq 0 ] || grep -hoE '"[A-Za-z][A-Za-z0-9_.+-]* -' "${cxx[@]}" | tr -d '" -' | sed 's/^/run /'
)
commands=("${!declared[@]}")
for w in "${!kind[@]}"; do
    # A program is an executable file on the PATH (not a builtin or a function).
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
    paths+=("$path" "$real" "${path#/usr}" "${real#/usr}")
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
        pkg=${declared[$c]} # one package, or alternatives as "a|b"
        match=
        for alt in ${pkg//|/ }; do grep -qx "$alt" <<<"$owners" && match=$alt; done
        if [ -z "$match" ]; then
            fail "$c comes from '$(echo $owners)', not from $pkg as .ci/test-commands says"
        else
            ok_package "$match" || fail "$c: its package $match is not installed by .ci/install-deps"
        fi
        continue
    fi
    good=
    for p in $owners; do ok_package "$p" && good=1; done
    [ -n "$good" ] && continue
    from="the package '$(echo $owners)'"
    [ -n "$owners" ] || from="no Debian package (installed by hand: $(type -P "$c"))"
    if [ "${kind[$c]}" = run ]; then
        checked=$((checked + 1))
        fail "'$c' (run by a test) comes from $from, which .ci/install-deps does not install"
    else
        echo "fresh_machine: note: '$c' is a word of a test script and a program from $from, but no test runs it" >&2
    fi
done

[ $failed -eq 0 ] || exit 1
echo "fresh_machine: ${#declared[@]} declared commands and the other commands the tests run come from install-deps or the Debian base"
