#!/usr/bin/env bash
# Checks that each user manual names everything an operator can choose: every
# menu command of the main window, in the manual's language, as the program's
# own menu table spells it (src/text/menu_texts.cpp, without the access-key
# marks and the shortcut), and every command of klv-loader-cli as its --help
# lists them. The text is the PDF's, as pdftotext extracts it.
#
#   scripts/check_manual_commands.sh MANUAL_FOLDER KLV_LOADER_CLI
#
# MANUAL_FOLDER holds KlvToolEng.pdf and KlvTool.pdf. Prints one line per
# missing name; exits 1 when one is missing, 2 when it cannot check at all.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
folder="${1:?usage: check_manual_commands.sh MANUAL_FOLDER KLV_LOADER_CLI}"
cli="${2:?usage: check_manual_commands.sh MANUAL_FOLDER KLV_LOADER_CLI}"
table="$root/src/text/menu_texts.cpp"
command -v pdftotext >/dev/null || { echo "check_manual_commands: pdftotext is not installed (poppler-utils)" >&2; exit 2; }

# The cli's commands: the first word of each entry under "Commands:".
mapfile -t commands < <(LC_ALL=C "$cli" --help |
  awk '/^Commands:/ {inside = 1; next} inside && /^[^ ]/ {inside = 0} inside && /^  [a-z]/ {print $1}')
[[ ${#commands[@]} -ge 8 ]] || { echo "check_manual_commands: $cli --help lists ${#commands[@]} commands" >&2; exit 2; }

# A menu text of the table, column 4 English or 5 Japanese, as the menu shows
# it: no "&", no "(&X)", nothing from the tab on.
menu_texts() {
  tr '\n' ' ' <"$table" | tr -s ' ' |
    grep -o 'MenuEntry{MenuItem::[A-Za-z0-9]*, [a-z]*, [a-z]*, "[^"]*", "[^"]*"}' |
    sed -E 's/.*, "([^"]*)", "([^"]*)"}$/\1\t\2/' |
    cut -f "$1" | sed -E 's/\\t.*//; s/\(&.\)//; s/&//g; s/…$//'
}

failed=0
for pair in "KlvToolEng.pdf:1" "KlvTool.pdf:2"; do
  pdf="$folder/${pair%%:*}"
  column="${pair#*:}"
  # Lines joined, so a name broken over two lines still counts.
  text="$(pdftotext -enc UTF-8 "$pdf" - 2>/dev/null | tr '\n' ' ' | tr -s ' ')" ||
    { echo "FAIL  $pdf cannot be read"; failed=1; continue; }
  [[ -n "$text" ]] || { echo "FAIL  $pdf has no text"; failed=1; continue; }
  while IFS= read -r name; do
    [[ -z "$name" ]] && continue
    grep -qF -- "$name" <<<"$text" || { echo "FAIL  $pdf does not name the menu command \"$name\""; failed=1; }
  done < <(menu_texts "$column")
  for command in "${commands[@]}"; do
    grep -qE -- "klv-loader-cli $command( |$)" <<<"$text" ||
      { echo "FAIL  $pdf does not name the command \"$command\" of klv-loader-cli"; failed=1; }
  done
done
exit "$failed"
