#!/usr/bin/env bash
# Prints deb-src entries (deb822 format) for the machine's own configured package sources, so
# source packages come from whatever mirror the machine already uses.
#   tools/deb-src.sh [APT_ETC]     (default /etc/apt)
# Each "Types: deb" stanza of APT_ETC/sources.list.d/*.sources and each "deb" line of
# APT_ETC/sources.list (and sources.list.d/*.list) is copied with its type changed to deb-src.
# Stanzas marked "Enabled: no" and commented lines are skipped. Prints nothing when there is
# no deb source at all.
set -euo pipefail
etc=${1:-/etc/apt}

# deb822 files: a stanza is a run of non-empty lines; continuation lines start with a blank.
deb822() {
  awk '
    function flush() {
      if (n > 0 && is_deb && !disabled) {
        if (printed) print ""
        for (i = 1; i <= n; i++) print lines[i]
        printed = 1
      }
      n = 0; is_deb = 0; disabled = 0
    }
    FNR == 1 { flush() }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    {
      line = $0
      if (tolower(line) ~ /^types:/) {
        split(substr(line, 7), types, /[ \t]+/)
        is_deb = 0
        for (t in types) if (types[t] == "deb") is_deb = 1
        line = "Types: deb-src"
      } else if (tolower(line) ~ /^enabled:[ \t]*no/) {
        disabled = 1
      }
      lines[++n] = line
    }
    END { flush() }
  ' "$@"
}

# One-line format: deb [options] URI suite [component...]
one_line() {
  awk '
    /^[ \t]*deb[ \t]/ {
      sub(/^[ \t]*deb[ \t]+/, "")
      opts = ""
      if ($0 ~ /^\[/) {
        opts = substr($0, 2, index($0, "]") - 2)
        $0 = substr($0, index($0, "]") + 1)
      }
      if (NF < 2) next
      if (printed) print ""
      print "Types: deb-src"
      print "URIs: " $1
      print "Suites: " $2
      comps = ""
      for (i = 3; i <= NF; i++) comps = comps (comps == "" ? "" : " ") $i
      if (comps != "") print "Components: " comps
      n = split(opts, o, /[ \t]+/)
      for (i = 1; i <= n; i++) {
        if (o[i] ~ /^signed-by=/) print "Signed-By: " substr(o[i], 11)
        else if (o[i] ~ /^arch=/) print "Architectures: " substr(o[i], 6)
      }
      printed = 1
    }
  ' "$@"
}

out=
shopt -s nullglob
files=("$etc"/sources.list.d/*.sources)
[[ ${#files[@]} -gt 0 ]] && out+=$(deb822 "${files[@]}")
lists=()
[[ -f $etc/sources.list ]] && lists+=("$etc/sources.list")
lists+=("$etc"/sources.list.d/*.list)
if [[ ${#lists[@]} -gt 0 ]]; then
  more=$(one_line "${lists[@]}")
  if [[ -n $more ]]; then
    [[ -n $out ]] && out+=$'\n\n'
    out+=$more
  fi
fi
[[ -n $out ]] && printf '%s\n' "$out"
exit 0
