#!/usr/bin/env bash
# Runs every example of the man pages as a reader would type it, against the given
# programs and example designs, and checks that the pages render without a warning.
#
#   check_man_examples.sh PLATECAM_BATCH PLATECAM EXAMPLES_DIR PAGE...
#
# PAGE is a page as built or installed (roff, or gzipped). An example is a line of the
# rendered page that starts with "$ " (a trailing "\" continues it on the next line);
# /usr/share/platecam/examples in it is replaced by EXAMPLES_DIR and the two program
# names run the given programs. The lines printed under an example, up to a blank line,
# are the output it must give (standard output and error together); "$ echo $?" and a
# number under it are the status it must end with, 0 where none is shown. The examples
# of one page run in order in one new empty folder, so a later one may use a file an
# earlier one wrote. A page in a "ja" folder runs them as a Japanese user (LANG=ja_JP).
#
# An example that starts the window (platecam with a design or none) runs on Qt's
# offscreen platform and must still be running after three seconds; the design it names
# must be one the classic window shows, which platecam-batch tells by computing it as the
# window does (with --engineering, any design). Every file of EXAMPLES_DIR must be used by some example and pass platecam-batch's
# --check with status 0 or 1.
set -uo pipefail

[ $# -ge 4 ] || { echo "usage: $0 PLATECAM_BATCH PLATECAM EXAMPLES_DIR PAGE..." >&2; exit 2; }
batch=$(realpath "$1")
window=$(realpath "$2")
examples=$(realpath "$3")
shift 3
installed=/usr/share/platecam/examples

work=$(mktemp -d)
window_pid=
cleanup() {
  if [ -n "$window_pid" ]; then kill "$window_pid" 2>/dev/null; wait "$window_pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/bin"
ln -s "$batch" "$work/bin/platecam-batch"
ln -s "$window" "$work/bin/platecam"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The environment of an example: the programs under test first, no display unless the
# example opens the window, the page's language.
env_of() {
  local language=LC_ALL=C.UTF-8
  [[ "$1" == */ja/* ]] && language=LANG=ja_JP.UTF-8
  example_env=(env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE -u DISPLAY -u WAYLAND_DISPLAY
               -u QT_QPA_PLATFORM PATH="$work/bin:$PATH" "$language")
}

is_window_example() {
  local words
  read -r -a words <<<"$1"
  [ "${words[0]}" = platecam ] || return 1
  local word
  for word in "${words[@]:1}"; do
    case "$word" in -h|--help|--help-all|-v|--version) return 1 ;; esac
  done
  return 0
}

# The window example: alive after three seconds on the offscreen platform, and every
# design it names one the window shows (platecam-batch's JSON then holds the window's
# construction).
run_window_example() {
  local page=$1 folder=$2 command=$3 words word
  read -r -a words <<<"$command"
  local engineering=false
  for word in "${words[@]:1}"; do [ "$word" = --engineering ] && engineering=true; done
  for word in "${words[@]:1}"; do
    [[ "$word" == -* ]] && continue  # --engineering, and Qt's options such as -platform
    [ -f "$folder/$word" ] || [ -f "$word" ] || { fail "$page: '$command': no design $word"; return; }
    # The engineering window shows every design platecam-batch reads.
    $engineering && continue
    if ! (cd "$folder" && "${example_env[@]}" platecam-batch "$word" --json /dev/stdout) |
        grep -q '"contour_window_construction"'; then
      fail "$page: '$command': the window does not show $word"
    fi
  done
  (cd "$folder" && exec "${example_env[@]}" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
      bash -c "exec $command") >"$work/window.out" 2>&1 &
  window_pid=$!
  sleep 3
  if kill -0 "$window_pid" 2>/dev/null; then
    kill "$window_pid"
    wait "$window_pid" 2>/dev/null
  else
    wait "$window_pid"
    fail "$page: '$command' ended with status $? before it showed a window: $(cat "$work/window.out")"
  fi
  window_pid=
}

# Reads the rendered page on standard input; prints one record per example:
# command, expected status, expected output, each record ended by a group separator (035).
parse_examples() {
  awk '
    function flush() {
      if (have) printf "%s\036%s\036%s\035", command, status, output
      have = 0
    }
    {
      sub(/[ \t]+$/, "")
      if (continuing) {
        line = $0; sub(/^[ \t]+/, "", line)
        continuing = sub(/\\$/, "", line)
        command = command " " line
        next
      }
      if (match($0, /^ *\$ /)) {
        rest = substr($0, RLENGTH + 1)
        if (rest == "echo $?") { want_status = 1; in_output = 0; next }
        flush()
        have = 1; command = rest; status = 0; output = ""; in_output = 1
        indent = RLENGTH - 2
        continuing = sub(/\\$/, "", command)
        next
      }
      if (want_status) {
        line = $0; sub(/^ +/, "", line)
        status = line; want_status = 0; next
      }
      if ($0 == "") { in_output = 0; next }
      if (have && in_output && substr($0, 1, indent) ~ /^ *$/) {
        output = output (output == "" ? "" : "\n") substr($0, indent + 1)
      }
    }
    END { flush() }
  '
}

used=" "
for page in "$@"; do
  [ -f "$page" ] || { fail "no page $page"; continue; }
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
  if [[ "$page" == */ja/* ]] && locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
    warnings=$(LC_ALL=ja_JP.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page renders with warnings under ja_JP.UTF-8: $warnings"
  fi

  env_of "$page"
  folder=$(mktemp -d "$work/page.XXXXXX")
  count=0
  while IFS=$'\036' read -r -d $'\035' command status output; do
    count=$((count + 1))
    command=${command//$installed/$examples}
    output=${output//$installed/$examples}
    for file in "$examples"/*; do
      [[ "$command" == *"$file"* ]] && used+="$(basename "$file") "
    done
    if is_window_example "$command"; then
      run_window_example "$page" "$folder" "$command"
      continue
    fi
    actual=$(cd "$folder" && "${example_env[@]}" bash -o pipefail -c "$command" 2>&1)
    got=$?
    [ "$got" = "$status" ] || fail "$page: '$command' exits $got, the page says $status: $actual"
    if [ -n "$output" ] && [ "$(sed 's/[ \t]*$//' <<<"$actual")" != "$output" ]; then
      fail "$page: '$command' prints other lines than the page shows:
$(diff <(echo "$output") <(sed 's/[ \t]*$//' <<<"$actual"))"
    fi
  done < <(zcat -f "$page" | LC_ALL=C.UTF-8 groff -k -Kutf8 -Tutf8 -mandoc -P-cbou 2>/dev/null | parse_examples)
  [ "$count" -gt 0 ] || fail "$page has no example"
  echo "$page: $count examples"
done

for file in "$examples"/*; do
  name=$(basename "$file")
  [[ "$used" == *" $name "* ]] || fail "no example of the man pages uses $name"
  "$batch" "$file" --check >/dev/null 2>&1
  status=$?
  [ "$status" -le 1 ] || fail "$name: platecam-batch --check exits $status"
done

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "man page examples ok"
