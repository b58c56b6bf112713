#!/usr/bin/env bash
# Builds the Debian package from a build folder with cpack and checks it: its
# control fields and declared dependencies, its file list, an installation
# into a scratch root with dpkg --root, the installed programs, the desktop
# entry (desktop-file-validate), the MIME type (xmllint, update-mime-database),
# the icons, the man pages and the manual PDFs.
#
#   scripts/check_package.sh [--clean-system] [BUILD_FOLDER]   (default: build)
#
# --clean-system also makes a minimal Debian 12 system with mmdebstrap (from
# Debian's package servers, about 20 s; needs root) and installs the package
# there with apt, which fetches the declared dependencies.
#
# Prints one line per check and "package: N passed, N failed"; exits 1 when a
# check failed, 2 when the package could not be built at all.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
clean_system=0
if [[ "${1:-}" == --clean-system ]]; then
  clean_system=1
  shift
fi
build="$(cd "${1:-$root/build}" 2>/dev/null && pwd)" || {
  echo "check_package: no build folder ${1:-$root/build}" >&2
  exit 2
}

passed=0
failed=0
pass() { passed=$((passed + 1)); printf 'ok    %s\n' "$1"; }
fail() { failed=$((failed + 1)); printf 'FAIL  %s\n' "$1"; [[ -z "${2:-}" ]] || printf '%s\n' "$2" | sed 's/^/      /'; }
skip() { printf 'skip  %s\n' "$1"; }
# check NAME COMMAND...: passes when the command succeeds; its output is shown on failure.
check() {
  local name="$1" output
  shift
  if output="$("$@" 2>&1)"; then pass "$name"; else fail "$name" "$output"; fi
}

echo "=== Debian package from $build"
if [[ ! -f "$build/CPackConfig.cmake" ]]; then
  echo "check_package: $build has no CPackConfig.cmake; configure it with cmake first" >&2
  exit 2
fi
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
arch="$(dpkg --print-architecture)"
deb="$build/packages/klv-loader_${version}_${arch}.deb"
rm -f "$deb"
if ! cpack_output="$(cd "$build" && cpack --config CPackConfig.cmake -G DEB 2>&1)" || [[ ! -f "$deb" ]]; then
  fail "cpack builds $(basename "$deb")" "$cpack_output"
  echo "package: $passed passed, $failed failed"
  exit 2
fi
pass "cpack builds $(basename "$deb")"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# ---- control fields -----------------------------------------------------------
check "package name is klv-loader" test "$(dpkg-deb -f "$deb" Package)" = klv-loader
check "package version is $version" test "$(dpkg-deb -f "$deb" Version)" = "$version"
depends="$(dpkg-deb -f "$deb" Depends)"
# The package names of the Depends field, one a line.
depends_names="$(tr ',|' '\n\n' <<<"$depends" | awk 'NF {print $1}')"
for wanted in libqt6widgets6 libqt6core6 qt6-qpa-plugins libc6 libstdc++6; do
  check "Depends declares $wanted" grep -qxF "$wanted" <<<"$depends_names"
done

# Every declared dependency must be met by a Debian 12 package: each group
# ("a (>= 1) | b") by one installed alternative of a fitting version.
unmet=""
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
  met=0
  IFS='|' read -ra alternatives <<<"$group"
  for alternative in "${alternatives[@]}"; do
    name="$(awk '{print $1}' <<<"$alternative")"
    relation="$(sed -n 's/.*(\([<>=]*\) *\([^)]*\)).*/\1 \2/p' <<<"$alternative")"
    installed="$(dpkg-query -W -f='${Status}\t${Version}\n' "$name" 2>/dev/null | awk -F'\t' '$1 == "install ok installed" {print $2; exit}')"
    [[ -n "$installed" ]] || continue
    if [[ -z "$relation" ]]; then met=1; break; fi
    op="$(awk '{print $1}' <<<"$relation")"
    required="$(awk '{print $2}' <<<"$relation")"
    case "$op" in
      '>=') dop=ge ;; '<=') dop=le ;; '>>') dop=gt ;; '<<') dop=lt ;; '=') dop=eq ;; *) dop=ge ;;
    esac
    if dpkg --compare-versions "$installed" "$dop" "$required"; then met=1; break; fi
  done
  ((met)) || unmet+="${group# }"$'\n'
done
if [[ -z "$unmet" ]]; then
  pass "every declared dependency is met by an installed Debian package"
else
  fail "every declared dependency is met by an installed Debian package" "unmet: $unmet"
fi

# ---- file list ----------------------------------------------------------------
expected=(
  usr/bin/klv-loader
  usr/bin/klv-loader-cli
  usr/bin/klv-sim
  usr/share/applications/klv-loader.desktop
  usr/share/mime/packages/klv-loader.xml
  usr/share/icons/hicolor/scalable/apps/klv-loader.svg
  usr/share/man/man1/klv-loader.1.gz
  usr/share/man/man1/klv-loader-cli.1.gz
  usr/share/man/man1/klv-sim.1.gz
  usr/share/man/ja/man1/klv-loader.1.gz
  usr/share/man/ja/man1/klv-loader-cli.1.gz
  usr/share/man/ja/man1/klv-sim.1.gz
  usr/share/doc/klv-loader/LICENSE
  usr/share/doc/klv-loader/copyright
  usr/share/doc/klv-loader/KlvToolEng.pdf
  usr/share/doc/klv-loader/KlvTool.pdf
)
icon_sizes=(16 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/klv-loader.png")
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$scratch/files"
missing="$(printf '%s\n' "${expected[@]}" | sort | comm -23 - "$scratch/files")"
if [[ -z "$missing" ]]; then
  pass "file list holds the ${#expected[@]} expected files"
else
  fail "file list holds the ${#expected[@]} expected files" "missing: $missing"
fi
extra="$(printf '%s\n' "${expected[@]}" | sort | comm -13 - "$scratch/files")"
if [[ -z "$extra" ]]; then pass "file list holds nothing else"; else fail "file list holds nothing else" "$extra"; fi

# ---- installation into a scratch root -----------------------------------------
target="$scratch/root"
admin="$target/var/lib/dpkg"
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
touch "$admin/status" "$admin/available"
dpkg_root=(dpkg --root="$target" --log=/dev/null)
[[ "$(id -u)" == 0 ]] || dpkg_root+=(--force-not-root)
# The scratch root holds no other package: its dependencies were checked above.
check "dpkg --root installs the package" "${dpkg_root[@]}" --force-depends -i "$deb"
check "dpkg reports it installed" bash -c \
  "[[ \"\$(dpkg-query --admindir='$admin' -W -f='\${Status}' klv-loader)\" == 'install ok installed' ]]"
for file in "${expected[@]}"; do
  [[ -f "$target/$file" ]] || missing_installed+="$file"$'\n'
done
if [[ -z "${missing_installed:-}" ]]; then pass "every expected file is installed"; else fail "every expected file is installed" "$missing_installed"; fi

# ---- the installed programs -----------------------------------------------------
for program in klv-loader klv-loader-cli klv-sim; do
  check "$program finds all its libraries" bash -c \
    "! ldd '$target/usr/bin/$program' | grep 'not found'"
done
check "klv-loader-cli --version shows $version" bash -c \
  "'$target/usr/bin/klv-loader-cli' --version | grep -qx 'klv-loader-cli $version'"
check "klv-sim --help runs" "$target/usr/bin/klv-sim" --help

# ---- desktop entry and MIME type ------------------------------------------------
desktop="$target/usr/share/applications/klv-loader.desktop"
mime_xml="$target/usr/share/mime/packages/klv-loader.xml"
mime_type="application/x-klv-parameters"
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$desktop"
else
  fail "desktop-file-validate accepts the desktop entry" "desktop-file-validate not found (package desktop-file-utils)"
fi
check "desktop entry starts klv-loader with the opened file" grep -qx 'Exec=klv-loader %f' "$desktop"
check "desktop entry opens $mime_type" grep -qE "^MimeType=(.*;)?$mime_type;" "$desktop"
check "desktop entry names the installed icon" grep -qx 'Icon=klv-loader' "$desktop"
if command -v xmllint >/dev/null; then
  check "xmllint accepts the MIME type XML" xmllint --noout "$mime_xml"
else
  fail "xmllint accepts the MIME type XML" "xmllint not found (package libxml2-utils)"
fi
check "MIME type XML defines $mime_type for *.klv" bash -c \
  "xmllint --xpath '//*[local-name()=\"mime-type\"][@type=\"$mime_type\"]/*[local-name()=\"glob\"]/@pattern' '$mime_xml' | grep -q '\"\\*\\.klv\"'"
if command -v update-mime-database >/dev/null; then
  check "update-mime-database maps *.klv to $mime_type" bash -c \
    "update-mime-database '$target/usr/share/mime' && grep -q ':$mime_type:\\*\\.klv' '$target/usr/share/mime/globs2'"
else
  fail "update-mime-database maps *.klv to $mime_type" "update-mime-database not found (package shared-mime-info)"
fi
if command -v update-desktop-database >/dev/null; then
  check "update-desktop-database associates $mime_type with klv-loader.desktop" bash -c \
    "update-desktop-database '$target/usr/share/applications' && grep -qx '$mime_type=klv-loader.desktop;' '$target/usr/share/applications/mimeinfo.cache'"
else
  fail "update-desktop-database associates $mime_type with klv-loader.desktop" "update-desktop-database not found (package desktop-file-utils)"
fi

# What a file manager does with a parameter file, asked through GLib's gio
# with the scratch root as the only data folder.
if command -v gio >/dev/null; then
  mkdir -p "$scratch/home"
  printf '\050\000\000\000' >"$scratch/oven1.klv"
  gio_env=(env LC_ALL=C.UTF-8 LANGUAGE= PATH="$target/usr/bin:$PATH" XDG_DATA_HOME="$scratch/home" XDG_DATA_DIRS="$target/usr/share")
  check "a file manager sees oven1.klv as $mime_type" bash -c \
    "$(printf '%q ' "${gio_env[@]}") gio info -a standard::content-type '$scratch/oven1.klv' | grep -q 'content-type: $mime_type\$'"
  check "a file manager opens $mime_type with klv-loader.desktop" bash -c \
    "$(printf '%q ' "${gio_env[@]}") gio mime '$mime_type' | grep -q '^Default application.*: klv-loader.desktop\$'"
else
  skip "file manager association (gio not installed, package libglib2.0-bin)"
fi

# ---- icons ------------------------------------------------------------------------
bad_icons=""
for size in "${icon_sizes[@]}"; do
  png="$target/usr/share/icons/hicolor/${size}x${size}/apps/klv-loader.png"
  file -b "$png" 2>/dev/null | grep -q "^PNG image data, $size x $size," || bad_icons+="${size}x${size}: $(file -b "$png" 2>&1)"$'\n'
done
if [[ -z "$bad_icons" ]]; then pass "icons are PNGs of their sizes"; else fail "icons are PNGs of their sizes" "$bad_icons"; fi
check "scalable icon is well-formed SVG" xmllint --noout "$target/usr/share/icons/hicolor/scalable/apps/klv-loader.svg"

# ---- man pages ----------------------------------------------------------------------
if command -v man >/dev/null; then
  # As a reader runs it, in the C locale and a UTF-8 one; each command of
  # klv-loader-cli on its own line and in its own entry.
  check "man pages render without warnings, every command in its own entry" \
    "$root/scripts/check_man_pages.sh" "$target/usr/share/man"
  # The synopses name the monitor command and the demo, in both languages.
  for folder in man1 ja/man1; do
    check "man page $folder/klv-loader-cli names monitor in its synopsis" bash -c \
      "zcat '$target/usr/share/man/$folder/klv-loader-cli.1.gz' | grep -qxF '.B klv-loader-cli monitor'"
    check "man page $folder/klv-loader names --demo in its synopsis" bash -c \
      "zcat '$target/usr/share/man/$folder/klv-loader.1.gz' | grep -qxF '.B klv-loader \\-\\-demo'"
  done
else
  skip "man pages render (man not installed)"
fi

# ---- manual and licence -------------------------------------------------------------
doc="$target/usr/share/doc/klv-loader"
for pair in "KlvToolEng.pdf:User Manual" "KlvTool.pdf:ユーザーマニュアル"; do
  pdf="${pair%%:*}"
  title="${pair#*:}"
  check "$pdf is a PDF" bash -c "[[ \"\$(head -c 5 '$doc/$pdf')\" == '%PDF-' ]]"
  if command -v pdftotext >/dev/null; then
    check "$pdf opens and its cover reads \"$title\"" bash -c \
      "pdftotext -l 1 '$doc/$pdf' - | grep -q '$title'"
    check "$pdf has its chapters (10 pages or more)" bash -c \
      "(( \$(pdfinfo '$doc/$pdf' | awk '/^Pages:/ {print \$2}') >= 10 ))"
  else
    skip "$pdf opens (pdftotext not installed, package poppler-utils)"
  fi
done
if command -v pdftotext >/dev/null; then
  check "each manual names every menu command and every command of klv-loader-cli" \
    "$root/scripts/check_manual_commands.sh" "$doc" "$target/usr/bin/klv-loader-cli"
fi
check "LICENSE is the MIT licence of the KLV Loader developers" bash -c \
  "grep -q '^MIT License' '$doc/LICENSE' && grep -q 'Copyright (c) 2026 the KLV Loader developers' '$doc/LICENSE'"
check "copyright file names the Expat licence" grep -q '^License: Expat' "$doc/copyright"

# ---- a clean Debian 12 system (on request) ------------------------------------------
if ((clean_system)); then
  if ! command -v mmdebstrap >/dev/null; then
    fail "installs on a clean Debian 12 system" "mmdebstrap not found (package mmdebstrap)"
  else
    cp "$deb" "$scratch/klv-loader.deb"
    # The hook runs inside the new system after its base is installed.
    hook='DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends /tmp/klv-loader.deb >/tmp/install.log 2>&1 || { cat /tmp/install.log; exit 1; }
      [ "$(dpkg-query -W -f="\${Status}" klv-loader)" = "install ok installed" ] || exit 1
      if ldd /usr/bin/klv-loader /usr/bin/klv-loader-cli /usr/bin/klv-sim | grep "not found"; then exit 1; fi
      klv-loader-cli --version
      grep -q "application/x-klv-parameters:\*\.klv" /usr/share/mime/globs2'
    check "installs with apt on a clean Debian 12 system (mmdebstrap)" \
      mmdebstrap --variant=apt --mode=root --quiet \
      --customize-hook="copy-in '$scratch/klv-loader.deb' /tmp" \
      --customize-hook="chroot \"\$1\" sh -ec '$hook'" \
      bookworm "$scratch/clean.tar" \
      "deb http://deb.debian.org/debian bookworm main" \
      "deb http://deb.debian.org/debian-security bookworm-security main"
  fi
fi

echo "package: $passed passed, $failed failed"
((failed == 0))
