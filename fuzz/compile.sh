# Sourced by build_and_run.sh and coverage.sh: compiles the program's sources once (on
# every core) and links each fuzz target against them, in OUT/bin/ with what a target
# finds beside itself as the installed program does: the Japanese catalogue in
# OUT/locale/ and a stand-in report module in OUT/lib/platecam/.

# The sources every target links: everything but the program's main.
FuzzSources() {
  ls base/*.cpp model/*.cpp engine/*.cpp design/*.cpp files/*.cpp batch/*.cpp | grep -v '^batch/main.cpp$'
}

# BuildFuzzObjects OUT FLAGS...: OUT/obj/<source>.o for every source, the version header
# CMake would generate, the catalogue and the report module.
BuildFuzzObjects() {
  local out="$1"
  shift
  mkdir -p "$out/generated" "$out/obj" "$out/bin" "$out/lib/platecam"
  sed 's/@PROJECT_VERSION@/fuzz/' cmake/platecam_version.h.in > "$out/generated/platecam_version.h"
  if command -v msgfmt > /dev/null; then
    mkdir -p "$out/locale/ja/LC_MESSAGES"
    msgfmt -o "$out/locale/ja/LC_MESSAGES/platecam.mo" po/ja.po
  fi
  clang++ -std=c++20 -O1 -g -fPIC -shared -I. fuzz/report_module_stub.cpp \
    -o "$out/lib/platecam/libplatecam_report.so"
  FuzzSources | FUZZ_OUT="$out" xargs -P "$(nproc)" -I{} bash -c \
    'obj="$FUZZ_OUT/obj/${1%.cpp}.o" && mkdir -p "${obj%/*}" && src="$1" && shift &&
     exec clang++ "$@" -c "$src" -o "$obj"' \
    sh {} -std=c++20 -I. -I"$out/generated" "$@"
}

# LinkFuzzTarget OUT TARGET FLAGS...: OUT/bin/TARGET from fuzz/TARGET.cpp and the objects.
LinkFuzzTarget() {
  local out="$1" target="$2"
  shift 2
  local objects=()
  for source in $(FuzzSources); do objects+=("$out/obj/${source%.cpp}.o"); done
  clang++ -std=c++20 -I. -I"$out/generated" "$@" "fuzz/$target.cpp" "${objects[@]}" -lacl \
    -o "$out/bin/$target"
}
