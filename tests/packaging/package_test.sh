#!/usr/bin/env bash
# Builds the Debian package from a finished build, has lintian check it,
# unpacks it into a temporary root and checks what it would install: the file
# list, the package's dependencies, copyright and changelog, the desktop entry
# and AppStream data (with their validators), the icons' sizes, the manual
# pages and the bash completion, and that the programs run from there.
#     package_test.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
id=example.vendrix.Quorvik
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Compares what a command printed with what was expected.
expect_output() {
    local what=$1 expected=$2 actual=$3
    [ "$actual" = "$expected" ] || fail "$what: expected '$expected', got '$actual'"
}

# --- the package --------------------------------------------------------------

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
debs=("$work"/out/quorvik_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single package: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
expect_output "package file name" "quorvik_1.01_$(dpkg --print-architecture).deb" "$(basename "$deb")"
expect_output "package name" quorvik "$(dpkg-deb -f "$deb" Package)"
expect_output "section" net "$(dpkg-deb -f "$deb" Section)"

# Errors and warnings; its informational notes are not shown.
if ! lintian_report=$(lintian --fail-on error,warning "$deb" 2>"$work/lintian.log"); then
    fail "lintian: $lintian_report $(cat "$work/lintian.log")"
fi
expect_output "lintian" "" "$lintian_report"

# dpkg-shlibdeps finds the linked libraries; the plugins and texts that Qt
# loads at run time are named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libssl3 \
    qt6-qpa-plugins qt6-translations-l10n ca-certificates; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done

# --- the installed files ---------------------------------------------------------

root=$work/root
dpkg-deb -x "$deb" "$root"
expected_files=(
    usr/bin/quorvik
    usr/bin/quorvik-cli
    usr/bin/traceviewer
    usr/share/applications/$id.desktop
    usr/share/bash-completion/completions/quorvik-cli
    usr/share/doc/quorvik/changelog.gz
    usr/share/doc/quorvik/copyright
    usr/share/icons/hicolor/128x128/apps/$id.png
    usr/share/icons/hicolor/16x16/apps/$id.png
    usr/share/icons/hicolor/256x256/apps/$id.png
    usr/share/icons/hicolor/32x32/apps/$id.png
    usr/share/icons/hicolor/48x48/apps/$id.png
    usr/share/man/man1/quorvik-cli.1.gz
    usr/share/man/man1/quorvik.1.gz
    usr/share/man/man1/traceviewer.1.gz
    usr/share/metainfo/$id.metainfo.xml
)
expect_output "installed files" "$(printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort)" \
    "$(cd "$root" && find . -type f -printf '%P\n' | LC_ALL=C sort)"

for program in quorvik quorvik-cli traceviewer; do
    binary=$root/usr/bin/$program
    [ -x "$binary" ] || fail "$program is not executable"
    # No path into the build tree, no debug sections in the package.
    if readelf -d "$binary" | grep -qE 'RPATH|RUNPATH'; then fail "$program has a run path"; fi
    if readelf -S "$binary" | grep -q '\.debug_info'; then fail "$program is not stripped"; fi
done

# Width and height from a PNG's header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}
for size in 16 32 48 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$icon" ] && expect_output "icon $size" "${size}x${size}" "$(png_size "$icon")"
done

# --- desktop entry and AppStream data --------------------------------------------

desktop=$root/usr/share/applications/$id.desktop
validation=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $validation"
expect_output "desktop-file-validate" "" "$validation"
entry() { sed -n "s/^$1=//p" "$desktop"; }
expect_output "Exec" "quorvik %u" "$(entry Exec)"
expect_output "StartupWMClass" quorvik "$(entry StartupWMClass)"
expect_output "Icon" "$id" "$(entry Icon)"
expect_output "Categories" "Network;" "$(entry Categories)"
for key in Name 'Name\[de\]' Comment 'Comment\[de\]'; do
    [ -n "$(entry "$key")" ] || fail "the desktop entry has no $key"
done

metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream data does not launch $id.desktop"
grep -q '<release version="1.01"' "$metainfo" || fail "the AppStream release is not 1.01"

# --- the programs run from the unpacked root -------------------------------------

cli=$root/usr/bin/quorvik-cli
for program in quorvik quorvik-cli traceviewer; do
    expect_output "$program --version" "$program 1.01 (Vendrix Quorvik)" \
        "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version)"
done
# A refused connection still ends in the report, with its error section.
set +e
report=$("$cli" --timeout 10 http://127.0.0.1:1/ 2>&1)
status=$?
set -e
expect_output "exit status of a refused query" 1 "$status"
[[ $report == *"http://127.0.0.1:1/"*"Es ist ein Fehler aufgetreten"*"10061"* ]] ||
    fail "no report for the refused query: $report"

# --- copyright and changelog ---------------------------------------------------------

doc=$root/usr/share/doc/quorvik
expect_output "copyright format" \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    "$(head -1 "$doc/copyright")"
grep -qx "Copyright: 1998-2026 Vendrix" "$doc/copyright" || fail "copyright holder or years"
# The licence text is LICENSE's, as Debian's format indents it.
licence=$(awk '/^License: Expat$/ { n++; next } n == 2' "$doc/copyright" | sed 's/^ //; s/^\.$//')
expect_output "licence text" "$(tail -n +5 "$(dirname "$0")/../../LICENSE")" "$licence"
expect_output "changelog" "quorvik (1.01) unstable; urgency=medium" \
    "$(zcat "$doc/changelog.gz" | head -1)"

# --- manual pages ------------------------------------------------------------------

# Every option of each installed program's --help, and none other, with the
# page's headings.
for program in quorvik quorvik-cli traceviewer; do
    manual=$root/usr/share/man/man1/$program.1.gz
    rendered=$(MANWIDTH=80 MANPAGER=cat LC_ALL=C.UTF-8 man --warnings -l "$manual" \
        2>"$work/man.log")
    expect_output "man warnings of $program" "" "$(cat "$work/man.log")"
    # No program needs a display for it.
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --help)
    options=$(grep -oE '^  (-[-a-z]+)(, --[a-z-]+)?' <<<"$help" | tr -d ' ' | tr ',' '\n' | sort)
    [ "$(wc -l <<<"$options")" -ge 2 ] || fail "too few options in the --help of $program"
    for option in $options; do
        grep -qE "^ {7}(-[a-z], )?$option( |,|$)" <<<"$rendered" ||
            fail "the manual page of $program lacks $option"
    done
    for heading in NAME ÜBERSICHT BESCHREIBUNG OPTIONEN RÜCKGABEWERT; do
        grep -qx "$heading" <<<"$rendered" || fail "the manual page of $program lacks $heading"
    done
    if [ "$program" = quorvik-cli ]; then help_options=$options; fi
done
[ "$(wc -l <<<"$help_options")" -ge 10 ] || fail "too few options in --help: $help_options"

# --- bash completion ----------------------------------------------------------------

mkdir -p "$work/files/sub"
touch "$work/files/body one.html" "$work/files/body2.html"
completion=$root/usr/share/bash-completion/completions/quorvik-cli
# The completions offered for a command line whose last word is being typed,
# one per line, sorted.
complete_line() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             _quorvik_cli; printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' \
        _ "$completion" quorvik-cli "$@"
}
nl=$'\n'
expect_output "--so" "--socks$nl--socks-level$nl--socks-user" "$(complete_line --so)"
expect_output "--ti" "--timeout" "$(complete_line --get --ti)"
expect_output "every option" "$(LC_ALL=C sort <<<"$help_options")" "$(complete_line -)"
expect_output "--socks-level value" "4${nl}4A${nl}5" "$(complete_line --socks-level '')"
expect_output "--socks-level=" "4${nl}4A${nl}5" "$(complete_line --socks-level = '')"
expect_output "--socks-level=4" "4${nl}4A" "$(complete_line --socks-level = 4)"
expect_output "-o file" "$work/files/body one.html$nl$work/files/body2.html" \
    "$(complete_line --get -o "$work/files/bo")"
expect_output "--proxy value" "" "$(complete_line --proxy --)"
expect_output "the address" "" "$(complete_line http://ex)"
# What bash-completion's loader does with an installed script.
expect_output "complete -p" "complete -F _quorvik_cli quorvik-cli" \
    "$(bash -c 'source "$1"; complete -p quorvik-cli' _ "$completion")"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package $(basename "$deb"): all checks passed"
