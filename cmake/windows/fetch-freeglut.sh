#!/usr/bin/env bash
# Builds a static freeglut for 64-bit Windows from Debian's own source
# package, into OUT (default build-win/freeglut): OUT/include, OUT/lib.
# With --font first, only the source of its 8 x 13 bitmap font is kept, for
# the web build: OUT/fg_font_data.c with fg_internal.h (and the licence),
# nothing is built.
#
# The source comes from the archive and suite the machine already uses: its
# apt sources (one-line .list and deb822 .sources files) are read, each
# Debian entry of this release becomes a deb-src line in a private list, and
# apt runs with its own state and cache folders (-o), so the machine's apt
# set-up is left as it was and no archive address is written into the
# project. apt checks the source files against the archive's signed index.
set -euo pipefail

FONT_ONLY=0
if [ "${1:-}" = "--font" ]; then
  FONT_ONLY=1
  shift
fi
OUT=${1:-build-win/freeglut}
TOOLCHAIN=$(cd "$(dirname "$0")" && pwd)/mingw-w64-x86_64.cmake
JOBS=${JOBS:-2}

if [ "$FONT_ONLY" = 1 ] && [ -f "$OUT/fg_font_data.c" ]; then
  echo "freeglut: $OUT has the font source"
  exit 0
fi
if [ "$FONT_ONLY" = 0 ] && [ -f "$OUT/lib/libfreeglut_static.a" ] && [ -f "$OUT/include/GL/freeglut.h" ]; then
  echo "freeglut: $OUT is built"
  exit 0
fi

mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
WORK="$OUT/work"
rm -rf "$WORK"
mkdir -p "$WORK/apt/lists/partial" "$WORK/apt/cache/archives/partial" "$WORK/src"

. /etc/os-release
CODENAME=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}

# deb-src lines for every "deb" entry whose suite is this release or one of
# its own suites (bookworm, bookworm-updates, bookworm-security): the
# archive's and not a third party's.
python3 - "$CODENAME" >"$WORK/apt/sources.list" <<'EOF'
import glob, re, sys
codename = sys.argv[1]
def ours(suite):
    return suite == codename or suite.startswith(codename + "-")
lines = []
for path in sorted(glob.glob("/etc/apt/sources.list") + glob.glob("/etc/apt/sources.list.d/*.list")):
    for raw in open(path, encoding="utf-8", errors="replace"):
        raw = raw.split("#", 1)[0].strip()
        m = re.match(r"deb\s+(\[[^\]]*\]\s+)?(\S+)\s+(\S+)\s+(.+)", raw)
        if m and ours(m.group(3)):
            lines.append("deb-src %s%s %s %s" % (m.group(1) or "", m.group(2), m.group(3), m.group(4)))
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    text = open(path, encoding="utf-8", errors="replace").read()
    for stanza in re.split(r"\n\s*\n", text):
        fields = {}
        for line in stanza.splitlines():
            if line.startswith("#") or ":" not in line or line[0].isspace():
                continue
            key, value = line.split(":", 1)
            fields[key.strip().lower()] = value.strip()
        if "deb" not in fields.get("types", "").split() or fields.get("enabled", "yes") == "no":
            continue
        opts = "[signed-by=%s] " % fields["signed-by"] if "signed-by" in fields else ""
        for uri in fields.get("uris", "").split():
            for suite in fields.get("suites", "").split():
                if ours(suite):
                    lines.append("deb-src %s%s %s %s" % (opts, uri, suite, fields.get("components", "main")))
if not lines:
    sys.exit("freeglut: no Debian entry for %s in the apt sources" % codename)
print("\n".join(lines))
EOF

APT_OPTS=(-o "Dir::Etc::SourceList=$WORK/apt/sources.list" -o "Dir::Etc::SourceParts=-"
          -o "Dir::State::Lists=$WORK/apt/lists" -o "Dir::Cache=$WORK/apt/cache"
          -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=" -o "Debug::NoLocking=1"
          -o "APT::Sandbox::User=root")
echo "freeglut: fetching Debian's source package"
apt-get -qq "${APT_OPTS[@]}" update
(cd "$WORK/src" && apt-get -qq "${APT_OPTS[@]}" source freeglut)
SRC=$(find "$WORK/src" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n 1)
[ -n "$SRC" ] || { echo "freeglut: the source package did not unpack" >&2; exit 1; }

if [ "$FONT_ONLY" = 1 ]; then
  # fg_internal.h beside it, as the font file includes it; its guard is
  # defined before, so none of its platform headers is read.
  cp "$SRC/src/fg_font_data.c" "$SRC/src/fg_internal.h" "$OUT/"
  cp "$SRC/COPYING" "$OUT/COPYING.freeglut"
  rm -rf "$WORK"
  ls "$OUT/fg_font_data.c"
  exit 0
fi

echo "freeglut: building $(basename "$SRC") for Windows"
cmake -S "$SRC" -B "$WORK/build" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF \
  -DFREEGLUT_GLES=OFF -DCMAKE_INSTALL_PREFIX="$OUT" >"$WORK/configure.log"
cmake --build "$WORK/build" -j "$JOBS" >"$WORK/build.log"
cmake --install "$WORK/build" >"$WORK/install.log"
# The licence travels with the installer, beside the program linked with it.
cp "$SRC/COPYING" "$OUT/COPYING.freeglut"
rm -rf "$WORK"
ls "$OUT/lib/libfreeglut_static.a" "$OUT/include/GL/freeglut.h"
