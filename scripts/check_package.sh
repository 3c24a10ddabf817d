#!/usr/bin/env bash
# Validates what a user's system gets: the desktop entry, the AppStream metadata, both
# man pages, and the Debian package built from the build tree, unpacked and run.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

desktop-file-validate data/platecam.desktop
appstreamcli validate --no-net --explain data/platecam.metainfo.xml

for page in "$build"/man/platecam.1 "$build"/man/platecam-batch.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page renders with warnings:"; echo "$warnings"; exit 1
  fi
done

rm -f "$build"/platecam_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/platecam_*_amd64.deb)
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/platecam ./usr/bin/platecam-batch \
            ./usr/share/applications/platecam.desktop \
            ./usr/share/icons/hicolor/scalable/apps/platecam.svg \
            ./usr/share/metainfo/platecam.metainfo.xml \
            ./usr/share/man/man1/platecam.1 ./usr/share/man/man1/platecam-batch.1 \
            ./usr/share/doc/platecam/README.md ./usr/share/doc/platecam/LICENSE \
            ./usr/lib/platecam/libplatecam_report.so; do
  grep -qx -- "$file" <<<"$contents" || { echo "$deb lacks $file"; exit 1; }
done
depends=$(dpkg-deb --field "$deb" Depends)
for needed in fonts-ipafont-gothic libqt6widgets6 libc6; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
version=$("$root"/usr/bin/platecam-batch --version)
[ "$version" = "platecam-batch $(dpkg-deb --field "$deb" Version)" ] || { echo "version: $version"; exit 1; }
"$root"/usr/bin/platecam-batch tests/data/cam1.dat --check | grep -qx "result: all checks pass"
# The report module is found beside the installed program: the build tree's is hidden.
built_module=$(find "$build/report" -name 'libplatecam_report.so' | head -n 1)
mv "$built_module" "$built_module.hidden"
trap 'mv "$built_module.hidden" "$built_module"; rm -rf "$root"' EXIT
"$root"/usr/bin/platecam-batch tests/data/cam1.dat --report "$root/report.pdf"
[ "$(pdfinfo "$root/report.pdf" | awk '/^Pages:/ {print $2}')" = 2 ]
echo "package ok: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
