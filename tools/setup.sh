#!/usr/bin/env bash
# Brings a Debian 12 machine to the point where Quillmoor builds and its tests run:
# system packages, the cross-built picture libraries (cached outside the repository,
# keyed by their Debian versions) and two private Wine prefixes (the default one and a classic
# one with visual styles off). Every step is skipped when it is already done, so a second call
# costs a second or two.
#
# Prints shell assignments on stdout for the caller to eval:
#   QM_DEPS=<folder holding include/ and lib/ of the cross-built libraries>
#   QM_TEST_IMAGES=<folder holding jpeg/, png/ and tiff/: the libraries' own test pictures>
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${QM_BUILD_DIR:-$here/build}
cache_root=${QM_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillmoor}
triple=i686-w64-mingw32

log() { echo "setup: $*" >&2; }

# ---------------------------------------------------------------- packages
# Everything the build and the tests use is named here: recommended packages are not installed,
# so nothing may come in only as a recommendation. The fonts are named for the same reason: the
# window tests measure text, and Wine draws it with these fonts (its own, then the fallbacks that
# fontconfig offers).
packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth x11-utils cmake ninja-build ccache lld python3 imagemagick python3-pil
  googletest dpkg-dev xz-utils bzip2 file nasm libjpeg-turbo-progs netpbm clang libclang-rt-14-dev giflib-tools libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev
  fontconfig fonts-wine fonts-liberation fonts-dejavu-core
  xdotool
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
src_list=/etc/apt/sources.list.d/quillmoor-src.sources
need_update=0

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "enabling the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
fi

# Source packages need deb-src entries. They are derived from the machine's own binary sources,
# so they name whatever mirror the machine uses; a machine whose own lists already carry deb-src
# entries is left as it is.
own_src=$(grep -rlsE '^Types:.*deb-src|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ | grep -vxF "$src_list" || true)
if [[ -z $own_src ]]; then
  wanted=$("$here/tools/deb-src.sh" /etc/apt)
  [[ -n $wanted ]] || { log "no deb entries in the apt sources to derive deb-src entries from"; exit 1; }
  if [[ "$(cat "$src_list" 2>/dev/null)" != "$wanted" ]]; then
    log "writing deb-src entries for the configured package sources"
    printf '%s\n' "$wanted" | as_root tee "$src_list" >/dev/null
    need_update=1
  fi
fi

if [[ ${#missing[@]} -gt 0 ]]; then
  need_update=1
fi
# The library versions come from the source lists; an empty answer means the lists are stale.
src_version() {
  apt-cache madison "$1" 2>/dev/null | awk -F'|' -v s="$codename/main Sources" \
    'index($3, s) { gsub(/ /, "", $2); print $2; exit }'
}
if [[ -z $(src_version tiff) ]]; then need_update=1; fi

if [[ $need_update -eq 1 ]]; then
  log "apt-get update"
  # A mirror being synchronised now and then serves an index that does not match its release
  # file, and apt then keeps the lists it had. Tried again after a pause; when it still fails,
  # the set-up goes on with what it has: a package that cannot be had stops the install below.
  if ! as_root apt-get update -qq >&2; then
    log "apt-get update failed; trying again in 30 s"
    sleep 30
    as_root apt-get update -qq >&2 || log "apt-get update failed again; going on with the package lists at hand"
  fi
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  log "installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# ---------------------------------------------------------------- libraries
jpeg_v=$(src_version libjpeg-turbo)
tiff_v=$(src_version tiff)
png_v=$(src_version libpng1.6)
gcc_v=$($triple-gcc-posix -dumpfullversion)
simd=OFF
command -v nasm >/dev/null 2>&1 && simd=ON
if [[ -z $jpeg_v || -z $tiff_v || -z $png_v ]]; then
  log "cannot find the source versions of libjpeg-turbo, tiff and libpng1.6 for $codename"
  exit 1
fi
key=$(echo "jpeg-$jpeg_v tiff-$tiff_v png-$png_v gcc-$gcc_v simd-$simd v1" | tr ' :+~' '_.._')
deps=$cache_root/deps-$key

# Several builds may set up at once: one builds the libraries, the others wait for it.
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9
if [[ ! -f $deps/.complete ]]; then
  log "cross-building libjpeg-turbo $jpeg_v, tiff $tiff_v, libpng1.6 $png_v into $deps"
  work=$(mktemp -d "${TMPDIR:-/tmp}/qm-deps.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  rm -rf "$deps"
  mkdir -p "$deps"
  (
    cd "$work"
    # apt wants to drop privileges for downloads; the files are public anyway.
    apt-get source --download-only -qq "libjpeg-turbo=$jpeg_v" "tiff=$tiff_v" "libpng1.6=$png_v" >&2 2>/dev/null \
      || apt-get source --download-only -qq "libjpeg-turbo=$jpeg_v" "tiff=$tiff_v" "libpng1.6=$png_v" >&2
  )

  # Unpack with the Debian patches applied; with no usable .dsc the upstream tarball will do.
  unpack() { # name -> folder
    local name=$1 dir=$work/src-$1 dsc
    dsc=$(ls "$work"/"$name"_*.dsc 2>/dev/null | head -n 1 || true)
    if [[ -n $dsc ]] && dpkg-source --no-check -x "$dsc" "$dir" >/dev/null 2>&1; then
      echo "$dir"; return
    fi
    local orig
    orig=$(ls "$work"/"$name"_*.orig.tar.* | head -n 1)
    mkdir -p "$dir"
    tar -xf "$orig" -C "$dir" --strip-components=1
    echo "$dir"
  }

  common=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/i686-w64-mingw32.cmake"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$deps"
    -DCMAKE_PREFIX_PATH="$deps"
    -DBUILD_SHARED_LIBS=OFF
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
  )

  d=$(unpack libjpeg-turbo)
  cmake -S "$d" -B "$work/b-jpeg" "${common[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=$simd -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_ARITH_ENC=ON -DWITH_ARITH_DEC=ON >&2
  cmake --build "$work/b-jpeg" --target install >&2

  zlib_args=(-DZLIB_INCLUDE_DIR=/usr/$triple/include -DZLIB_LIBRARY=/usr/$triple/lib/libz.a)

  d=$(unpack libpng1.6)
  cmake -S "$d" -B "$work/b-png" "${common[@]}" "${zlib_args[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF >&2
  cmake --build "$work/b-png" --target install >&2

  d=$(unpack tiff)
  cmake -S "$d" -B "$work/b-tiff" "${common[@]}" "${zlib_args[@]}" \
    -DJPEG_INCLUDE_DIR="$deps/include" -DJPEG_LIBRARY="$deps/lib/libjpeg.a" \
    -Djpeg=ON -Dzlib=ON -Dpixarlog=ON -Dold-jpeg=ON -Djpeg12=OFF \
    -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
    -Dcxx=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dtiff-opengl=OFF >&2
  cmake --build "$work/b-tiff" --target install >&2

  echo "$key" > "$deps/.complete"
  rm -rf "$work"
  trap - EXIT
fi
# ---------------------------------------------------------------- the libraries' test images
# The public test pictures of the same source packages (libtiff's test images, libpng's PNG
# suite and test PNGs, libjpeg-turbo's test images) seed the fuzz targets of those readers.
images=$cache_root/testimages-$(echo "jpeg-$jpeg_v tiff-$tiff_v png-$png_v v1" | tr ' :+~' '_.._')
if [[ ! -f $images/.complete ]]; then
  log "unpacking the libraries' test images into $images"
  work=$(mktemp -d "${TMPDIR:-/tmp}/qm-images.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  rm -rf "$images"
  mkdir -p "$images/jpeg" "$images/png" "$images/tiff"
  (
    cd "$work"
    apt-get source --download-only -qq "libjpeg-turbo=$jpeg_v" "tiff=$tiff_v" "libpng1.6=$png_v" >&2 2>/dev/null \
      || apt-get source --download-only -qq "libjpeg-turbo=$jpeg_v" "tiff=$tiff_v" "libpng1.6=$png_v" >&2
  )
  take() { # tarball kind pattern... : the matching files, flat, named after their folder and name
    local tarball=$1 kind=$2 f
    shift 2
    mkdir -p "$work/x-$kind"
    tar -xf "$tarball" -C "$work/x-$kind" --wildcards "$@" 2>/dev/null || true
    while IFS= read -r -d '' f; do
      cp -- "$f" "$images/$kind/$(basename "$(dirname "$f")")-$(basename "$f")"
    done < <(find "$work/x-$kind" -type f -print0)
  }
  take "$(ls "$work"/libjpeg-turbo_*.orig.tar.* | head -n 1)" jpeg '*/testimages/*.jpg'
  take "$(ls "$work"/libpng1.6_*.orig.tar.* | head -n 1)" png '*/contrib/pngsuite/*.png' \
    '*/contrib/testpngs/*.png' '*/pngtest.png'
  take "$(ls "$work"/tiff_*.orig.tar.* | head -n 1)" tiff '*/test/images/*.tif*'
  for kind in jpeg png tiff; do
    [[ -n $(ls -A "$images/$kind") ]] || { log "no $kind test images in the sources"; exit 1; }
  done
  touch "$images/.complete"
  rm -rf "$work"
  trap - EXIT
fi
flock -u 9

# ---------------------------------------------------------------- Wine prefixes
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# What the tests assume of a prefix, applied again whenever this list changes: 96 DPI, font
# smoothing off (text is drawn and measured alike on every machine), and no crash dialog (a
# crashing test program ends instead of waiting for a click).
settings='REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060
"FontSmoothing"="0"
"FontSmoothingType"=dword:00000001

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
'
# The classic prefix, where the CLASSIC test programs run a second time: the same, with visual
# styles off and the classic system colours (Wine's default prefix has its light style on and
# takes its colours from it).
classic_settings="$settings"'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
"ThemeActive"="0"

[HKEY_CURRENT_USER\Control Panel\Colors]
"ButtonFace"="212 208 200"
"ButtonShadow"="128 128 128"
"ButtonHilight"="255 255 255"
"ButtonDkShadow"="64 64 64"
"ButtonLight"="212 208 200"
"Hilight"="10 36 106"
"HilightText"="255 255 255"
"Window"="255 255 255"
"WindowText"="0 0 0"
"ButtonText"="0 0 0"
"GrayText"="128 128 128"
"ActiveTitle"="10 36 106"
"InactiveTitle"="128 128 128"
"InfoWindow"="255 255 225"
"InfoText"="0 0 0"
"Menu"="212 208 200"
'

# prepare_prefix FOLDER SETTINGS: creates the prefix when missing and applies SETTINGS (a .reg
# text) whenever they differ from those applied last.
prepare_prefix() (
  export WINEPREFIX=$1
  local wanted=$2
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$build_dir"
    # No display is needed to create the prefix; keep it from opening any window.
    DISPLAY= wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    [[ -f $WINEPREFIX/system.reg ]] || { log "wineboot did not create the prefix $WINEPREFIX"; exit 1; }
  fi
  # Compared byte for byte: "$(cat ...)" would drop the text's final line end and never match.
  local stamp=$WINEPREFIX/.quillmoor-settings
  if ! printf '%s' "$wanted" | cmp -s - "$stamp"; then
    log "applying the test settings to the Wine prefix $WINEPREFIX"
    printf '%s' "$wanted" > "$WINEPREFIX/drive_c/quillmoor-settings.reg"
    DISPLAY= wine regedit /S 'C:\quillmoor-settings.reg' >/dev/null 2>&1 \
      || { log "could not apply the test settings to the Wine prefix $WINEPREFIX"; exit 1; }
    # A server kept by another command would never end; the settings are saved either way.
    timeout 60 wineserver -w || true
    rm -f "$WINEPREFIX/drive_c/quillmoor-settings.reg"
    printf '%s' "$wanted" > "$stamp"
  fi
  # Wine links the user's Documents, Desktop, Pictures... to $HOME. Programs under test must
  # never write into a real home folder, so those links become plain folders of the prefix.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [[ -L $link ]]; then
      rm -f -- "$link"
      mkdir -p -- "$link"
    fi
  done
)
prepare_prefix "$build_dir/wineprefix" "$settings"
prepare_prefix "$build_dir/wineprefix-classic" "$classic_settings"

echo "QM_DEPS=$deps"
echo "QM_TEST_IMAGES=$images"
