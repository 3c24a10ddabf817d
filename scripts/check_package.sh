#!/usr/bin/env bash
# Validates what a user's system gets: the desktop entry, the AppStream metadata, the
# man pages and their examples, and the Debian package built from the build tree:
# lintian, its files, unpacked and run.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

desktop-file-validate data/platecam.desktop data/platecam-engineering.desktop
# Without --no-net: the metadata names no web address that would need the network.
appstreamcli validate --explain data/platecam.metainfo.xml

rm -f "$build"/platecam_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/platecam_*_amd64.deb)
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/platecam ./usr/bin/platecam-batch \
            ./usr/share/applications/platecam.desktop \
            ./usr/share/applications/platecam-engineering.desktop \
            ./usr/share/icons/hicolor/scalable/apps/platecam.svg \
            ./usr/share/metainfo/platecam.metainfo.xml \
            ./usr/share/man/man1/platecam.1.gz ./usr/share/man/man1/platecam-batch.1.gz \
            ./usr/share/man/ja/man1/platecam.1.gz ./usr/share/man/ja/man1/platecam-batch.1.gz \
            ./usr/share/platecam/examples/cam1.dat ./usr/share/platecam/examples/cam1.toml \
            ./usr/share/doc/platecam/README.md ./usr/share/doc/platecam/copyright \
            ./usr/share/doc/platecam/changelog.gz \
            ./usr/lib/platecam/libplatecam_report.so; do
  grep -qx -- "$file" <<<"$contents" || { echo "$deb lacks $file"; exit 1; }
done
# The report module is opened with dlopen, not found by ldconfig: no maintainer scripts.
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
if grep -E '(inst|rm|triggers)$' <<<"$control"; then
  echo "$deb has maintainer scripts or triggers"; exit 1
fi
depends=$(dpkg-deb --field "$deb" Depends)
for needed in fonts-ipafont-gothic libqt6widgets6 libc6; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done

# lintian as Debian's archive runs it, and stricter: no error, no warning, and none of
# the hardening tags it reports as information. Other I: and P: notes are shown.
notes=$(lintian --pedantic --display-info --fail-on none "$deb" \
          2> >(grep -v 'running with root privileges' >&2))
if grep -E '^(E|W): |^[IP]: [^ ]+ hardening-' <<<"$notes"; then
  echo "lintian finds faults in $deb"; exit 1
fi
[ -z "$notes" ] || { echo "lintian notes:"; echo "$notes"; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# Every ELF the package installs is hardened as Debian's own packages are: hardening-check
# may say unknown (it sees stack-clash probes only where a frame is large) but not no,
# other than the "no ... (ignored)" it says itself, as on a module not being a program.
# Control-flow protection is the one it cannot see here: the linker marks a binary
# IBT/SHSTK only if every object in it is marked, and the C library's startup files
# (Scrt1.o, crti.o, crtn.o, libc_nonshared.a), which every program and module links, are
# not in Debian 12. Where crti.o is not, our own objects must all be marked instead;
# where it is, hardening-check judges the installed binaries.
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
cet_mark='x86 feature: IBT, SHSTK'
startup=$(realpath "$("$cxx" -print-file-name=crti.o)")
hardening_options=()
readelf -n "$startup" | grep -qF "$cet_mark" || hardening_options=(--nocfprotection)
for elf in usr/bin/platecam usr/bin/platecam-batch usr/lib/platecam/libplatecam_report.so; do
  status=0
  report=$(hardening-check "${hardening_options[@]}" "$root/$elf") || status=$?
  faults=$(grep -E '^ [^:]+: no\b' <<<"$report" | grep -v '(ignored)$' || true)
  if [ -n "$faults" ] || [ "$status" -ne 0 ]; then
    echo "$report"; echo "$elf is not hardened (hardening-check status $status):"; echo "$faults"
    exit 1
  fi
done
if [ ${#hardening_options[@]} -gt 0 ]; then
  objects=$(find "$build" -name '*.o' -path '*/CMakeFiles/*.dir/*')
  [ -n "$objects" ] || { echo "no object files in $build to look for control-flow marks"; exit 1; }
  unmarked=$(while read -r object; do
               readelf -n "$object" | grep -qF "$cet_mark" || echo "$object"
             done <<<"$objects")
  if [ -n "$unmarked" ]; then
    echo "objects built without control-flow protection ($cet_mark):"; echo "$unmarked"; exit 1
  fi
  echo "control-flow protection: all $(wc -l <<<"$objects") objects of ours are marked;" \
       "hardening-check cannot see it in the binaries as $startup is not"
fi
doc="$root/usr/share/doc/platecam"
package_version=$(dpkg-deb --field "$deb" Version)
version=$("$root"/usr/bin/platecam-batch --version)
[ "$version" = "platecam-batch $package_version" ] || { echo "version: $version"; exit 1; }
# The changelog's latest entry is this version: project() in CMakeLists.txt sets both.
entry=$(zcat "$doc/changelog.gz" | head -n 1)
[[ "$entry" == "platecam ($package_version) "* ]] || {
  echo "changelog.gz starts with '$entry', not version $package_version"; exit 1; }
# copyright carries LICENSE's holder and text, word for word.
holder=$(sed -n 's/^Copyright (c) //p' LICENSE)
grep -qx "Copyright: $holder" "$doc/copyright" || { echo "copyright lacks '$holder'"; exit 1; }
licence=$(sed -n '/^Permission is hereby granted/,/^SOFTWARE\.$/p' LICENSE)
shipped=$(sed -n '/^ Permission is hereby granted/,/^ SOFTWARE\.$/{s/^ \.$//;s/^ //;p}' "$doc/copyright")
[ -n "$licence" ] && [ "$licence" = "$shipped" ] || { echo "copyright's licence text is not LICENSE's"; exit 1; }

# The installed man pages render without a warning, and every example in them runs as
# written against the installed programs and example designs.
scripts/check_man_examples.sh "$root"/usr/bin/platecam-batch "$root"/usr/bin/platecam \
    "$root"/usr/share/platecam/examples "$root"/usr/share/man/man1/*.gz "$root"/usr/share/man/ja/man1/*.gz

LC_ALL=C "$root"/usr/bin/platecam-batch tests/data/cam1.dat --check | grep -qx "result: all checks pass"
# Code is loaded only from the installation: the packaged program names no folder of the
# build, and finds its report module beside itself with the build tree's hidden.
build_dir=$(cd "$build" && pwd)
for program in "$root"/usr/bin/platecam "$root"/usr/bin/platecam-batch; do
  if grep -aqF "$build_dir" "$program"; then echo "$program names the build folder $build_dir"; exit 1; fi
done
built_module=$(find "$build/lib" -name 'libplatecam_report.so' | head -n 1)
mv "$built_module" "$built_module.hidden"
trap 'mv "$built_module.hidden" "$built_module"; rm -rf "$root"' EXIT
"$root"/usr/bin/platecam-batch tests/data/cam1.dat --report "$root/report.pdf"
# Summary, charts and the contour's coordinates.
[ "$(pdfinfo "$root/report.pdf" | awk '/^Pages:/ {print $2}')" = 3 ]
echo "package ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
