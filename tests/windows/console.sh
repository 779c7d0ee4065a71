#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Checks under Wine that the Windows program keeps a console of its own open
# until Enter, as after a double-click, a drop or Send To, and nowhere else:
# not from cmd, not with its output redirected, not in a hidden console that
# Explorer did not start, and not without a display; and that a console
# shows names that the code page spells alike in the order of their names.
#   xvfb-run -a console.sh WINE ROOMTALLY.EXE HIDDENCONSOLE.EXE
# WINEPREFIX must name a prefix of the test's own: the first case runs its
# Wine without a display, and the others need a Wine whose windows show.
# Every case waits for the state it needs, a window, an end or a line of
# output; a limit only stops a program that never gets there, and is long
# enough for a loaded machine.  Only "still running 3 s after its window
# showed" is a time, which a program that waits for Enter passes however
# slow the machine.
set -u
wine=$1 program=$2 launcher=$3
. "$(cd "$(dirname "$0")/.." && pwd)/verdicts.sh"
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
# start takes a leading slash for an option, so the program is run by name.
cp "$program" roomtally.exe
program=roomtally.exe
report=$'888 . 27 bytes . x.bin\n\nThis leaves you with 888 bytes.'
limit=120

# Tells whether process pid ends within the seconds given.
endswithin() {
  local pid=$1 tenths=$(($2 * 10))
  while kill -0 "$pid" 2>/dev/null && [ "$tenths" -gt 0 ]; do
    sleep 0.1
    tenths=$((tenths - 1))
  done
  ! kill -0 "$pid" 2>/dev/null
}

# Starts the program in a console window of its own, as Explorer does, and
# tells whether it is still running seconds after its window showed, then
# ends once Return is typed into that window.
waitsforenter() {
  local window= tries=$((limit * 10))
  "$wine" start /wait "$program" x.bin &
  local pid=$!
  while [ -z "$window" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    window=$(xdotool search --name 'roomtally\.exe$' 2>/dev/null | head -n 1)
    tries=$((tries - 1))
  done
  if [ -z "$window" ]; then
    echo "  no window showed"
  elif endswithin "$pid" 3; then
    echo "  it ended without waiting"
  else
    # A window that Wine has only just made may miss the first key.
    for ((tries = limit / 3; tries > 0; tries--)); do
      xdotool key --window "$window" Return 2>/dev/null
      endswithin "$pid" 3 && return 0
    done
    echo "  it did not end when Return was typed"
  fi
  return 1
}

# Starts the program in a console of its own without a display, whose
# window therefore cannot be seen, and tells whether it ends at once, and
# well: start prints nothing of its own.
endsheadless() {
  DISPLAY= timeout "$limit" "$wine" start /wait "$program" x.bin >start.txt &&
    [ ! -s start.txt ]
}

# Starts the program in a new console with a hidden window from a launcher
# named name, and tells whether it ends as expected: "waiting" once the
# console asks for Enter under the report, or "ended".
hidden() {
  local out
  cp "$launcher" "$1"
  out=$("$wine" "$1" "$limit" "$program" x.bin | tr -d '\r')
  [ "${out##*$'\n'}" = "$2" ] &&
    { [ "$2" = ended ] || [[ $out == "$report"* ]]; }
}

# Starts the program as Explorer would, in a hidden console, on five names
# that code page 1252 spells alike, ?.txt, from a pattern whose matches
# come in the folder's order, and tells whether the console shows them in
# the order of their names, as Linux, which spells them apart, has them.
alike() {
  local out
  mkdir alike && (cd alike && touch ε.txt β.txt δ.txt α.txt γ.txt)
  out=$(cd alike && LC_ALL=en_US.UTF-8 "$wine" ../explorer.exe "$limit" \
    ../"$program" '*.txt' | tr -d '\r')
  [[ $out == *"α.txt"*"β.txt"*"γ.txt"*"δ.txt"*"ε.txt"* ]] ||
    { echo "$out"; return 1; }
}

# Runs the program from cmd, with its output to file or to a pipe, and tells
# whether it ends at once with exactly the report.
fromcmd() {
  local out
  if [ "$1" = pipe ]; then
    out=$(timeout "$limit" "$wine" cmd /c "$program" x.bin </dev/null |
      tr -d '\r')
  else
    timeout "$limit" "$wine" cmd /c "$program" x.bin '>' out.txt </dev/null &&
      out=$(tr -d '\r' <out.txt)
  fi
  [ "$out" = "$report" ]
}

# The prefix is made first, with no display, so that no case's limit has
# to allow for it.
DISPLAY= "$wine" cmd /c exit >/dev/null 2>&1 </dev/null
wineserver -w
check "without a display nothing waits" endsheadless
wineserver -k 2>/dev/null
wineserver -w
check "a console window of its own waits for Enter" waitsforenter
check "a hidden console that Explorer started waits" hidden explorer.exe waiting
check "a hidden console that another program started does not" \
  hidden launcher.exe ended
check "a console orders names spelled alike by the names" alike
check "from cmd, into a pipe, nothing waits" fromcmd pipe
check "from cmd, into a file, nothing waits" fromcmd file
verdicts
