#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Checks the Windows installer under Wine, in a new prefix, as a user meets
# it: it installs for the user alone, with Send To, the Start menu and the
# PATH, into its own folder whatever INSTALLDIR says, and shows in Settings >
# Apps with its publisher and icon; the user's own Path keeps its entries
# and its type through an install, a repair and a later version, and
# uninstalling gives it back to the byte and leaves nothing; double-clicked,
# it ends in a dialog that says so.
#   xvfb-run -a installer.sh WINE MSI HIDDENCONSOLE.EXE CMAKE MSI.CMAKE \
#     FILES DATE PUBLISHER
# The last five make the later version from the same files.
set -u
wine=$1 msi=$2 launcher=$3 cmake=$4 recipe=$5 files=$6 date=$7 publisher=$8
tests=$(cd "$(dirname "$0")/.." && pwd)
. "$tests/verdicts.sh"
readme=$(<"$tests/readme.txt")
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix
mkdir "$work/elsewhere"
cd "$work"
cp "$launcher" explorer.exe
version=$(msiinfo export "$msi" Property | tr -d '\r' |
  sed -n 's/^ProductVersion\t//p')
later=${version%.*}.$((${version##*.} + 1))
"$cmake" -DVERSION="$later" -DDATE="$date" -DPUBLISHER="$publisher" \
  -DFILES="$files" \
  -DOUT="$work/later.msi" -P "$recipe" || exit 1
limit=120

# Prints a variable of Wine's environment, and a Windows path as a Unix one.
winenv() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unixpath() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# Prints what the uninstall lists of the machine and the user hold.
uninstall_lists() {
  local key='Software\Microsoft\Windows\CurrentVersion\Uninstall'
  "$wine" reg query "HKLM\\$key" /s 2>/dev/null | tr -d '\r'
  "$wine" reg query "HKCU\\$key" /s 2>/dev/null | tr -d '\r'
}

# Tells whether the package asks for no elevation and installs per user.
noelevation() {
  local words
  words=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
  (((words & 8) != 0)) && ! msiinfo export "$msi" Property | grep -q '^ALLUSERS'
}

# Installs a package quietly, with any properties given, and tells whether
# exactly one roomtally, of the version given, is then installed.
installs() {
  "$wine" msiexec /i "$1" /qn "${@:3}" >/dev/null 2>&1 && installed "$2"
}

# Tells whether exactly one roomtally, of the version given, is installed.
installed() {
  [ "$(uninstall_lists | grep -c 'DisplayName *REG_SZ *roomtally$')" = 1 ] &&
    uninstall_lists | grep -q "DisplayVersion *REG_SZ *$1$"
}

# Tells whether Settings > Apps shows roomtally with its publisher and its
# icon, which Windows Installer keeps as the product's icon.
inapps() {
  local icon
  icon=$("$wine" reg query 'HKCU\Software\Microsoft\Installer\Products' /s \
    2>/dev/null | tr -d '\r' | sed -n 's/^ *ProductIcon *REG_SZ *//p')
  uninstall_lists | grep -q "Publisher *REG_SZ *$publisher$" &&
    [ -n "$icon" ] && cmp -s "$(unixpath "$icon")" "$files/roomtally.ico"
}

# Tells whether the program, its licence, its manual and its changelog are
# installed.
hasfiles() {
  local file
  for file in roomtally.exe LICENSE.txt roomtally.txt CHANGELOG.md; do
    [ -f "$programs/$file" ] || return 1
  done
}

# Prints the user's Path, its type and its value, as reg shows them.
userpath() {
  "$wine" reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *Path  *//p'
}

# Tells whether the user's Path holds the install folder.
inpath() {
  userpath | grep -qiF 'AppData\Local\Programs\roomtally'
}

# Runs roomtally by name from cmd in another folder, in a new Wine session,
# and tells whether it prints the README's report.
fromcmd() {
  wineserver -k 2>/dev/null
  wineserver -w
  [ "$(cd elsewhere && timeout "$limit" "$wine" cmd /c roomtally maps/ab.dat \
    x.bin longer_name.bin +2 </dev/null | tr -d '\r')" = "$readme" ]
}

# Opens a shortcut as Explorer does, with the arguments given, and tells
# whether its console shows the text given and then waits for Enter; what it
# showed is kept in shown.
opens() {
  shown=$(timeout "$limit" "$wine" ./explorer.exe "$limit" "$1" "${@:3}" |
    tr -d '\r')
  [[ $shown == *"$2"*$'Press Enter to close this window.\n\nwaiting' ]]
}

# Lists the folders and files of the user's profile.
profile() { find "$WINEPREFIX/drive_c/users" | sort; }

# Uninstalls quietly, and tells whether nothing of roomtally is left: the
# profile holds nothing that it did not hold before the first install.
# (Wine's empty Send To folder goes too, which Windows never leaves empty.)
removes() {
  "$wine" msiexec /x "$1" /qn >/dev/null 2>&1 &&
    [ -z "$(comm -13 <(echo "$before") <(profile))" ] && ! inpath &&
    ! uninstall_lists | grep -q roomtally &&
    ! "$wine" reg query 'HKCU\Software\roomtally' >/dev/null 2>&1
}

# Repairs the installed package quietly, after its manual is deleted, and
# tells whether the manual is back and one roomtally is still installed,
# with the Path given.  Wine's msiexec has no /f, so the repair is asked for
# by the properties that /fa sets.
repairs() {
  rm "$programs/roomtally.txt"
  "$wine" msiexec /i "$1" REINSTALL=ALL REINSTALLMODE=amus /qn \
    >/dev/null 2>&1 && hasfiles && installed "$version" &&
    [ "$(userpath)" = "$2" ]
}

# Installs with the full interface, as a double-click does, and tells
# whether it ends in the dialog titled roomtally VERSION, which Return
# closes, with roomtally installed.
doubleclicked() {
  "$wine" msiexec /i "$1" >/dev/null 2>&1 &
  local pid=$! window= tries=$((limit * 10))
  while [ -z "$window" ] && [ "$tries" -gt 0 ] && kill -0 "$pid" 2>/dev/null
  do
    sleep 0.1
    window=$(xdotool search --name "^roomtally $version\$" 2>/dev/null)
    tries=$((tries - 1))
  done
  # A window that Wine has only just made may miss the first key.
  while [ -n "$window" ] && [ "$tries" -gt 0 ] && kill -0 "$pid" 2>/dev/null
  do
    xdotool key --window "$window" Return 2>/dev/null
    sleep 0.5
    tries=$((tries - 5))
  done
  kill "$pid" 2>/dev/null
  wait "$pid" && [ -n "$window" ] && installed "$version"
}

# Installs and uninstalls, and tells whether the user has no Path after.
cycles() {
  doubleclicked "$1" && inpath && "$wine" msiexec /x "$1" /qn \
    >/dev/null 2>&1 && [ -z "$(userpath)" ]
}

# The prefix is made first, with no display, so that no case's limit has to
# allow for it.
DISPLAY= "$wine" cmd /c exit >/dev/null 2>&1 </dev/null
wineserver -w
programs=$(unixpath "$(winenv LOCALAPPDATA)\\Programs\\roomtally")
links=$(winenv APPDATA)\\Microsoft\\Windows
sendto=$(unixpath "$links\\SendTo\\roomtally.lnk")
startmenu=$(unixpath "$links\\Start Menu\\Programs\\roomtally.lnk")
report=$'888 . 27 bytes . x.bin\n\nThis leaves you with 888 bytes.\n'
# A user's own Path, as Windows keeps one: expandable, with folders of the
# user's, one holding a space and one ending in a backslash.
own='%USERPROFILE%\bin;C:\keep me;C:\Tools\'
"$wine" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$own" /f \
  >/dev/null 2>&1
mine=$(userpath)
# Windows Installer keeps its per-user files here, in a folder that every
# Windows profile has and that Wine makes only when it first needs it.
mkdir -p "$(unixpath "$(winenv APPDATA)")/Microsoft/Installer"
before=$(profile)

check "the installer asks for no elevation and installs for the user" \
  noelevation
check "msiexec /i installs it quietly, INSTALLDIR given or not" \
  installs "$msi" "$version" 'INSTALLDIR=C:\elsewhere'
check "the program, its licence, manual and changelog are in the user's programs" \
  hasfiles
check "Settings > Apps shows its publisher and its icon" inapps
check "nothing is installed where INSTALLDIR said" \
  test ! -e "$WINEPREFIX/drive_c/elsewhere"
check "its folder is on the user's PATH" inpath
check "before the user's own entries, which keep their order and type" \
  test "$(userpath)" = "REG_EXPAND_SZ    $(winenv LOCALAPPDATA)\Programs\roomtally\;$own"
check "cmd finds roomtally from any folder in a new session" fromcmd
check "Send To > roomtally shows the report and waits for Enter" \
  opens "$links\\SendTo\\roomtally.lnk" "$report" x.bin
check "the Start menu entry names Send to > roomtally and waits for Enter" \
  opens "$links\\Start Menu\\Programs\\roomtally.lnk" \
  $'right-click them and\nchoose Send to > roomtally.'
check "and says nothing of making a Send To entry by hand" \
  test "${shown/shell:sendto/}" = "$shown"
check "installing the same version again leaves one installation" \
  installs "$msi" "$version"
check "a repair puts back a lost file, with one installation and the Path as it was" \
  repairs "$msi" "$(userpath)"
check "a later version replaces it: one installation, of the later version" \
  installs "$work/later.msi" "$later"
check "the later version's PATH entry is there once" \
  test "$("$wine" reg query 'HKCU\Environment' /v Path |
    grep -o 'Programs\\roomtally' | wc -l)" = 1
check "msiexec /x leaves no file, shortcut, PATH entry or key" \
  removes "$work/later.msi"
check "and gives the user's Path back to the byte, with its type" \
  test "$(userpath)" = "$mine"
"$wine" reg delete 'HKCU\Environment' /v Path /f >/dev/null 2>&1
check "a double-clicked install ends in its dialog; uninstalled, no Path" \
  cycles "$msi"
verdicts
