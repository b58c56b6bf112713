#!/usr/bin/env bash
# Checks the man pages as a reader meets them: `man --warnings -l PAGE` prints
# no warning in the C locale (an ASCII terminal) nor in a UTF-8 one, and every
# command of klv-loader-cli starts its own line in SYNOPSIS and its own entry
# in COMMANDS, in both languages.
#
#   scripts/check_man_pages.sh FOLDER   (every page under FOLDER, .1 or .1.gz)
#
# Prints one line per failed check; exits 1 when one failed.
set -uo pipefail
folder="${1:?usage: check_man_pages.sh FOLDER}"
command -v man >/dev/null || { echo "check_man_pages: man is not installed" >&2; exit 1; }

failed=0
fail() { failed=1; printf 'FAIL  %s\n' "$1"; [[ -z "${2:-}" ]] || printf '%s\n' "$2" | sed 's/^/      /'; }

pages=()
while IFS= read -r page; do pages+=("$page"); done < <(find "$folder" \( -name '*.1' -o -name '*.1.gz' \) | sort)
[[ ${#pages[@]} -gt 0 ]] || { fail "no man pages under $folder"; exit 1; }

for page in "${pages[@]}"; do
  for locale in C C.UTF-8; do
    warnings="$(env -u LANGUAGE -u LC_MESSAGES LANG="$locale" LC_ALL="$locale" man --warnings -l "$page" 2>&1 >/dev/null)"
    [[ -z "$warnings" ]] || fail "man --warnings -l $page (LC_ALL=$locale)" "$warnings"
  done
  [[ "$(basename "$page")" == klv-loader-cli.1* ]] || continue
  text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)"
  for command in read write compare show set monitor scan report defaults; do
    grep -qE "^ {7}klv-loader-cli $command( |\$)" <<<"$text" ||
      fail "$page: 'klv-loader-cli $command' starts its own line in the synopsis"
    grep -qE "^ {7}$command( |\$)" <<<"$text" || fail "$page: '$command' has its own entry in the commands"
  done
done
exit "$failed"
