#!/usr/bin/env bash
# Installs what is missing, builds Krellix in Release and makes its Debian package
# (build/release/package/krellix_VERSION_ARCH.deb), then checks what the package holds, plays the
# packaged game from an unpacked copy, and runs lintian on it when lintian is installed: errors
# fail, warnings are listed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
out="$build/package"
bash "$root/scripts/deps.sh"
# The same configuration (the release preset) as the play and test commands, so none makes the
# others rebuild.
(cd "$root" && cmake --preset release >/dev/null)
app_id="$(sed -n 's/^KRELLIX_APP_ID:[A-Z]*=//p' "$build/CMakeCache.txt")"

cmake --build "$build" --target krellix assets
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/krellix_*.deb)"
echo "Built $deb"

fail() {
  echo "package: $*" >&2
  exit 1
}

# The control fields that dpkg-shlibdeps and the build fill in.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for library in libgl1 libegl1 libsdl2 libopenal libpng libjpeg libfreetype libvorbisfile libstdc++6 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[[ "$(dpkg-deb -f "$deb" Section)" == games ]] || fail "section is not games"

# The files, all below /usr, none of them a table.
listing="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for file in ./usr/games/krellix ./usr/share/krellix/images/Pad.png ./usr/share/krellix/images/TopBorder.PNG \
  ./usr/share/krellix/sounds/SFX_NormalBlock.ogg "./usr/share/applications/$app_id.desktop" \
  "./usr/share/metainfo/$app_id.metainfo.xml" ./usr/share/icons/hicolor/48x48/apps/krellix.png \
  ./usr/share/icons/hicolor/scalable/apps/krellix.svg ./usr/share/man/man6/krellix.6.gz \
  ./usr/share/doc/krellix/copyright ./usr/share/doc/krellix/changelog.gz; do
  grep -qxF "$file" <<<"$listing" || fail "the package lacks $file"
done
if grep -v '^\./usr/' <<<"$listing" | grep -vxF './' | grep -q .; then
  fail "files outside /usr: $(grep -v '^\./usr/' <<<"$listing" | grep -vxF './' | head -3)"
fi
if grep -q '\.dat$' <<<"$listing"; then fail "the package holds tables"; fi

# The unpacked game runs headless from an unrelated folder and keeps its tables in the home given.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
mkdir -p "$scratch/home" "$scratch/work"
printf '70 keydown 32\n72 keyup 32\n130 keydown 27\n' >"$scratch/game.txt"
(cd "$scratch/work" && env -u XDG_DATA_HOME HOME="$scratch/home" ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1 \
  "$scratch/root/usr/games/krellix" --headless --level 1 --input "$scratch/game.txt")
[[ -s "$scratch/home/.local/share/krellix/highscore.dat" ]] || fail "the packaged game saved no tables"
gzip -dc "$scratch/root/usr/share/man/man6/krellix.6.gz" | grep -q '^\.I /usr/share/krellix/images/' ||
  fail "the manual page does not name /usr/share/krellix"

if ! command -v lintian >/dev/null; then
  echo "lintian is not installed (Debian package lintian): the package was not checked by it"
  exit 0
fi
echo "lintian:"
lintian --fail-on error --tag-display-limit 0 "$deb"
