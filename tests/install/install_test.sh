#!/usr/bin/env bash
# What `cmake --install` lays out, into a scratch prefix:
#
#   install_test.sh layout|reinstall|launchers|desktop <build folder> [artist_child]
#
# The installs name the default component, so the build's own install_manifest.txt
# (the list of a user's install) is never overwritten by a test's.
set -euo pipefail

what=$1
build=$2
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
folder=$prefix/lib/discavo3
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

install_into() {
  cmake --install "$build" --prefix "$1" --component Unspecified
}

# The program folder holds exactly what the program uses.
expected_folder=(
  ArtistIdxRpt.rpt GettingStartedQZN.hlp RecordIdxRpt.rpt SongsIdxRpt.rpt TypeIdxRpt.rpt
  jettext.so record.hlp records records.mdb records.mdw recordshelp zavro.wav zavrotec
)
expected_share=(
  share/applications/org.example.discavo3.records.desktop
  share/applications/org.example.discavo3.zavrotec.desktop
  share/icons/hicolor/scalable/apps/org.example.discavo3.records.svg
  share/icons/hicolor/scalable/apps/org.example.discavo3.zavrotec.svg
  share/metainfo/org.example.discavo3.records.metainfo.xml
)

# A checksum and the inode of each file, to tell a file left alone from one rewritten or replaced.
fingerprint() {
  for f in "$@"; do
    printf '%s %s %s\n' "$(basename "$f")" "$(stat -c %i "$f")" "$(sha256sum < "$f" | cut -d' ' -f1)"
  done
}

case $what in
layout)
  install_into "$prefix" > /dev/null
  actual=$(cd "$folder" && ls -A | sort)
  wanted=$(printf '%s\n' "${expected_folder[@]}" | sort)
  [ "$actual" = "$wanted" ] || fail "program folder holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$wanted"
  for program in records zavrotec recordshelp; do
    [ -x "$folder/$program" ] && [ ! -L "$folder/$program" ] || fail "$program is not a program in the folder"
  done
  for f in "${expected_share[@]}"; do
    [ -s "$prefix/$f" ] || fail "$f is missing"
  done
  [ "$(cd "$prefix/bin" && ls -A | sort)" = $'records\nzavrotec' ] || fail "bin holds $(ls -A "$prefix/bin")"
  # Both catalogue files are sound, empty catalogues of the program's own kind.
  for f in records.mdb records.mdw; do
    [ "$(head -c 16 "$folder/$f")" = "SQLite format 3" ] || fail "$f is not a database"
  done
  # The standard sqlite3 shell checks both with the extension installed beside the program.
  for f in records.mdb records.mdw; do
    [ "$(sqlite3 -batch -cmd ".load '$folder/jettext'" "$folder/$f" "PRAGMA integrity_check")" = ok ] ||
      fail "$f does not pass the sqlite3 shell's integrity check with the installed extension"
  done
  ;;

reinstall)
  artist_child=$3
  install_into "$prefix" > /dev/null
  # The collector's own catalogue: an artist added (a row in the catalogue and an
  # account in the workgroup file) and the sound switched off.
  "$artist_child" "$folder" add --kill-at 1000000 > "$scratch/child.out" 2>&1 || true
  grep -qx ok "$scratch/child.out" || fail "the artist could not be added: $(cat "$scratch/child.out")"
  printf '[Options]\r\nPlayZAVROTechSound = False\r\n' > "$folder/records.snd"
  collection=("$folder/records.mdb" "$folder/records.mdw" "$folder/records.snd")
  before=$(fingerprint "${collection[@]}")
  # An older program in the folder, as when a newer version is installed over it.
  touch -d '2001-01-01' "$folder/records" "$folder/record.hlp" "$folder/ArtistIdxRpt.rpt"
  install_into "$prefix" > "$scratch/second.out"
  grep -q "Installing: $folder/records\$" "$scratch/second.out" || fail "the newer program was not installed"
  if grep -E 'records\.(mdb|mdw|snd)' "$scratch/second.out" | grep -v 'Catalogue files'; then
    fail "the second install names a collection file"
  fi
  after=$(fingerprint "${collection[@]}")
  [ "$before" = "$after" ] || fail "the collection changed:"$'\n'"$before"$'\n'"became"$'\n'"$after"

  # A missing workgroup file is made again, with the account of the catalogue's
  # artist; the catalogue beside it stays as it was.
  rm "$folder/records.mdw"
  before=$(fingerprint "$folder/records.mdb")
  install_into "$prefix" > /dev/null
  [ -s "$folder/records.mdw" ] || fail "the missing workgroup file was not made"
  [ "$before" = "$(fingerprint "$folder/records.mdb")" ] || fail "the catalogue changed when its workgroup file was made"
  accounts=$(sqlite3 -batch -cmd ".load '$folder/jettext'" "$folder/records.mdw" \
    "SELECT count(*) FROM accounts WHERE name = 'Bob' AND is_group = 0")
  [ "$accounts" = 1 ] || fail "the artist has $accounts accounts in the workgroup file made again"
  ;;

launchers)
  install_into "$prefix" > /dev/null
  for program in records zavrotec; do
    [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$folder/$program")" ] \
      || fail "bin/$program leads to $(readlink -f "$prefix/bin/$program")"
  done
  mkdir -m 700 "$scratch/runtime"
  run_env=(env HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/config"
           DISCAVO_REGISTRY_FILE="$scratch/registry.json" QT_QPA_PLATFORM=offscreen)
  # Started through its link from another folder, the program opens the workgroup
  # file of its own folder (App.Path) and keeps it open while it runs.
  (cd / && exec "${run_env[@]}" "$prefix/bin/records") &
  pid=$!
  found=
  for _ in $(seq 1 300); do
    if ls -l "/proc/$pid/fd" 2>/dev/null | grep -q -- "-> $folder/records.mdw\$"; then
      found=1
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -n "$found" ] || fail "records started through bin/records did not open $folder/records.mdw"

  (cd / && exec "${run_env[@]}" "$prefix/bin/zavrotec") &
  pid=$!
  sleep 1
  exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$exe" = "$folder/zavrotec" ] || fail "bin/zavrotec runs '$exe'"
  ;;

desktop)
  # A blank and a percent sign in the prefix: both must be escaped in an entry's Exec key.
  prefix="$scratch/my 100% music"
  install_into "$prefix" > /dev/null
  desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
  appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
  # The entries start the installed programs by their full paths.
  for program in records zavrotec; do
    entry="$prefix/share/applications/org.example.discavo3.$program.desktop"
    grep -qxF "Exec=\"${prefix//%/%%}/bin/$program\"" "$entry" || fail "the $program entry starts $(grep ^Exec= "$entry")"
  done
  ;;

*)
  echo "usage: $0 layout|reinstall|launchers|desktop <build folder> [artist_child]" >&2
  exit 2
  ;;
esac

[ "$failures" -eq 0 ]
