#!/usr/bin/env bash
# Which way the includes of src/ may run. The layers, from the bottom:
# platform/, then the picture framework pictures/ with its readers in
# pictures/<format>/, the codecs gif/ and png/ that plug into it, sound/ and
# controls/, and app/ on top. The rules:
#   - platform/ includes nothing of ours above it (app, pictures, gif, png,
#     sound, controls);
#   - pictures/ (the framework and its readers) includes neither gif/ nor png/;
#   - gif/ and png/ do not include each other;
#   - sound/ and controls/ include no codec (gif/, png/, pictures/<format>/);
#   - nothing includes app/ but app/ itself and src/main.cpp, the program's
#     start;
#   - include paths start at src/ ("pictures/icon/icon_win.h"): a file of the
#     same folder is named with its folder too, and never through "..".
# Prints every offending line and fails.
# Usage: tests/check_includes.sh [SRC_DIR]   (default: the src/ of this tree)
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
cd "$src"

grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' . | sed 's#^\./##' |
  awk '
    # Why an include from the subsystem From of Path Inc breaks a rule ("" if it does not).
    function offence(from, inc, to) {
      if (inc !~ /\// || inc ~ /(^|\/)\.\.\//) return "include paths start at src/"
      to = inc; sub(/\/.*/, "", to)
      if (to == from) return ""
      if (to == "app" && from != "main.cpp") return "only main.cpp and app/ include app/"
      if (from == "platform") return "platform/ includes nothing above it"
      if (from == "pictures" && (to == "gif" || to == "png")) return "the picture framework knows no codec"
      if ((from == "gif" && to == "png") || (from == "png" && to == "gif")) return "gif/ and png/ do not include each other"
      if ((from == "sound" || from == "controls") && (to == "gif" || to == "png" || inc ~ /^pictures\/[^\/]+\//))
        return "sound/ and controls/ include no codec"
      return ""
    }
    {
      i = index($0, ":"); file = substr($0, 1, i - 1); rest = substr($0, i + 1)
      j = index(rest, ":"); line = substr(rest, 1, j - 1); text = substr(rest, j + 1)
      inc = text; sub(/^[^"]*"/, "", inc); sub(/".*/, "", inc)
      from = file; sub(/\/.*/, "", from)
      why = offence(from, inc)
      if (why != "") { printf "src/%s:%s: %s   (%s)\n", file, line, text, why; bad++ }
    }
    END {
      if (bad == 0) printf "includes of src/: %d, all along the layers\n", NR
      if (bad > 0) { printf "%d include(s) against the layers of src/\n", bad; exit 1 }
    }'
