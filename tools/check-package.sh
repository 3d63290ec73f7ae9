#!/usr/bin/env bash
# Checks the Debian package of the program:
#   tools/check-package.sh onda-link_1.0.15_amd64.deb
#   tools/check-package.sh --cpack CPACK CPackConfig.cmake   (makes the package first)
# The package holds the program and its data only and lintian finds no error in it; unpacked
# into a scratch root and started by an unprivileged user, the program keeps ONDA.mdb and
# options.txt in that user's data directory and finds them there on the next start; a copy of
# it in a writable folder keeps its files beside itself.
set -euo pipefail

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$work"

if [ "${1:-}" = "--cpack" ]; then
    "$2" --config "$3" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
    deb=$(ls "$work"/out/onda-link_*.deb)
else
    deb=$1
fi
[ -f "$deb" ] || fail "no package $deb"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for f in /usr/bin/ONDA_link /usr/share/applications/onda-link.desktop \
         /usr/share/icons/hicolor/scalable/apps/onda-link.svg /usr/share/doc/onda-link/copyright; do
    grep -qx "$f" "$work/contents" || fail "$f is missing from the package"
done
grep -qE '^/usr/lib/.*onda-link/libonda_browser\.so$' "$work/contents" || fail "the browser module is missing from the package"
! grep -E 'tst_|bench|snapshot|ondaweb-sim|/include/|\.a$' "$work/contents" || fail "build-only files in the package"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian errors"; }
fi

dpkg-deb -x "$deb" "$work/root"
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
if [ "$(id -u)" = 0 ]; then
    chown nobody "$work/home" "$work/run"
    as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
else
    as_user=()
fi

# Starts the program and waits (at most 30 s) for its files in $1; the main window is up once
# options.txt is there. The program does not end by itself: it is stopped after a short while.
start() {
    local where=$1 home=$2
    shift 2
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$work/run" \
        QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$@" >"$work/program.log" 2>&1 &
    pid=$!
    for _ in $(seq 300); do
        [ -s "$where/ONDA.mdb" ] && [ -s "$where/options.txt" ] && break
        kill -0 "$pid" 2>/dev/null || { cat "$work/program.log"; fail "the program ended at start"; }
        sleep 0.1
    done
    sleep 1
    kill -0 "$pid" 2>/dev/null || { cat "$work/program.log"; fail "the program ended"; }
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    [ -s "$where/ONDA.mdb" ] && [ -s "$where/options.txt" ] || { cat "$work/program.log"; fail "no files in $where"; }
}

own="$work/home/.local/share/ONDA_link"
start "$own" "$work/home" "${as_user[@]}" "$work/root/usr/bin/ONDA_link"
[ "$(ls "$work/root/usr/bin")" = "ONDA_link" ] || fail "files written beside the installed program"
cp "$own/options.txt" "$work/options.first"
database=$(stat -c %i "$own/ONDA.mdb")
start "$own" "$work/home" "${as_user[@]}" "$work/root/usr/bin/ONDA_link"
cmp -s "$own/options.txt" "$work/options.first" || fail "options.txt rewritten on the second start"
[ "$(stat -c %i "$own/ONDA.mdb")" = "$database" ] || fail "ONDA.mdb made again on the second start"

mkdir -p "$work/portable" "$work/home2"
cp "$work/root/usr/bin/ONDA_link" "$work/portable/"
start "$work/portable" "$work/home2" "$work/portable/ONDA_link"
[ ! -e "$work/home2/.local/share/ONDA_link" ] || fail "the portable program used the user's directory"
echo "package checked: $(basename "$deb")"
