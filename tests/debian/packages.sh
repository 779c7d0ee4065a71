#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Checks the Debian packages of every processor roomtally is built for, as
# their users meet them: each is named as Debian names packages, lintian
# finds nothing in it, not even a pedantic or an info tag (but the help
# text's own spelling, which the package overrides), its Depends names only
# packages that Debian has for every one of those processors and just those
# of the libraries its program links, its program is stripped and is the
# very one whose suite passed in the build folder of its preset, it holds
# the manual page, its changelog opens with its own version, and its program
# prints the README's report, under qemu with the cross C library where it
# is not this machine's.
#   packages.sh roomtally_VERSION_ARCH.deb...
set -u
# Each processor by Debian's name, and how its program is started here.
declare -A start=(
  [amd64]=""
  [arm64]="qemu-aarch64-static -L /usr/aarch64-linux-gnu"
  [armhf]="qemu-arm-static -L /usr/arm-linux-gnueabihf"
  [i386]="qemu-i386-static -L /usr/i686-linux-gnu"
  [riscv64]="qemu-riscv64-static -L /usr/riscv64-linux-gnu"
  [s390x]="qemu-s390x-static -L /usr/s390x-linux-gnu"
)
# The build folder whose suite ran each processor's program.
declare -A build=([amd64]=package [arm64]=package-arm64
  [armhf]=package-armhf [i386]=package-i686 [riscv64]=package-riscv64
  [s390x]=package-s390x)
# Packages that Debian has for all of them: Debian 12 for all but riscv64,
# which Debian 13 was the first to release.
known=" libc6 libgcc-s1 libstdc++6 "
tests=$(cd "$(dirname "$0")/.." && pwd)
. "$tests/verdicts.sh"
readme=$(<"$tests/readme.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Tells whether the package's file name is roomtally_VERSION_ARCH.deb.
named() {
  [ "${deb##*/}" = "roomtally_$(dpkg-deb -f "$deb" Version)_${arch}.deb" ]
}

# Tells whether every package that Depends names is one of the known ones.
depends() {
  local name
  for name in $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g'); do
    [[ $known == *" $name "* ]] || { echo "  unknown: $name"; return 1; }
  done
}

# Tells whether Depends names exactly the packages of the libraries that the
# program links, as readelf shows them.
needed() {
  local want got
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/roomtally >"$work/program"
  want=$(readelf -d "$work/program" |
    sed -n 's/.*Shared library: \[\(.*\)\]$/\1/p' |
    sed 's/^libc\.so\..*/libc6/; s/^ld.*\.so\..*/libc6/;
      s/^libgcc_s\.so\.1$/libgcc-s1/; s/^libstdc++\.so\.6$/libstdc++6/' |
    sort -u)
  got=$(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/\n/g; s/ //g' |
    grep . | sort -u)
  [ "$want" = "$got" ] || { echo "  links:" $want "; depends:" $got; return 1; }
}

# Tells whether the package's program is stripped and is byte for byte the
# program whose suite ran.
tested() {
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/roomtally >"$work/shipped"
  file "$work/shipped" | grep -q ', stripped$' &&
    cmp "$work/shipped" "$tests/../build/${build[$arch]}/roomtally"
}

# Tells whether the package's changelog opens with the package's version.
changelog() {
  local first
  first=$(dpkg-deb --fsys-tarfile "$deb" |
    tar -xO ./usr/share/doc/roomtally/changelog.gz | gzip -dc | head -n 1)
  [ "$first" = "roomtally ($(dpkg-deb -f "$deb" Version)) unstable; urgency=medium" ]
}

# Tells whether the package installs the manual page.
hasmanual() {
  dpkg-deb -c "$deb" | grep -q ' \./usr/share/man/man1/roomtally\.1\.gz$'
}

# Tells whether the package's program prints the README's report.
runs() {
  rm -rf "$work/root"
  dpkg-deb -x "$deb" "$work/root" &&
    [ "$(${start[$arch]} "$work/root/usr/bin/roomtally" maps/ab.dat x.bin \
      longer_name.bin +2)" = "$readme" ]
}

for deb in "$@"; do
  arch=$(dpkg-deb -f "$deb" Architecture)
  check "$arch: a processor roomtally is built for" \
    test -n "${start[$arch]+x}" || continue
  check "$arch: named roomtally_VERSION_$arch.deb" named
  check "$arch: lintian finds nothing, pedantic and info tags too" \
    lintian --pedantic --display-info --fail-on error,warning,info,pedantic \
    "$deb"
  check "$arch: Depends names only packages Debian has for every processor" \
    depends
  check "$arch: Depends names just the libraries that the program links" \
    needed
  check "$arch: its program is stripped, and is the one whose suite ran" \
    tested
  check "$arch: the manual page is installed" hasmanual
  check "$arch: the changelog's first entry is this version's" changelog
  check "$arch: the program prints the README's report" runs
  unset "start[$arch]"
done
check "every processor has its package" test "${#start[@]}" = 0
verdicts
