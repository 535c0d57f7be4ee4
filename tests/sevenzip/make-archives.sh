#!/usr/bin/env bash
# Makes the archives of the 7-Zip extraction tests with 7-Zip's own command-line
# program: a source tree (OUT/tree) with its SHA-256 manifest, the tree packed
# with each method the extract-only library decodes, an encrypted one, and
# archives whose item paths try to leave the extraction folder.
#   make-archives.sh OUT PROGRAM   (PROGRAM: any Windows program, packed through BCJ)
set -euo pipefail
out=$1
program=$2
export LC_ALL=C.UTF-8
rm -rf "$out"
mkdir -p "$out"
pack() { 7zz a -t7z -bd -bso0 -bsp0 "$@"; }

tree=$out/tree
mkdir -p "$tree/docs/deep/nested" "$tree/empty folder" "$tree/bin"
printf 'QuilMar extraction test\r\n' >"$tree/docs/readme.txt"
printf 'three folders down\r\n' >"$tree/docs/deep/nested/note.txt"
: >"$tree/empty.txt"
head -c 1048576 /dev/urandom >"$tree/random.bin"
printf 'non-ASCII name\r\n' >"$tree/résumé 日本語 ünï.txt"
cp "$program" "$tree/bin/program.exe"
(cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while IFS= read -r f; do sha256sum -- "$f"; done) \
  >"$out/tree.sha256"

(cd "$tree" && pack -ms=on -m0=LZMA:d=12m -mf=on "$out/lzma-bcj.7z" -- *)
(cd "$tree" && pack -mx=9 "$out/lzma2-bcj2.7z" -- *)
(cd "$tree" && pack -m0=Copy "$out/copy.7z" -- *)
(cd "$tree" && pack -m0=Delta:4 -m1=LZMA2 "$out/delta.7z" -- *)
(cd "$tree" && pack -m0=LZMA:d=12m -mf=BCJ "$out/program.7z" bin/program.exe)
(cd "$tree" && pack -pSecret -mhe=off "$out/encrypted.7z" -- docs)
# The program must really have gone through the branch filters.
7zz l -slt "$out/lzma-bcj.7z" | grep -A12 '^Path = bin/program.exe$' | grep -q '^Method = BCJ ' ||
  { echo "make-archives: program.exe was not packed through BCJ" >&2; exit 1; }
7zz l -slt "$out/lzma2-bcj2.7z" | grep -A12 '^Path = bin/program.exe$' | grep -q '^Method = BCJ2 ' ||
  { echo "make-archives: program.exe was not packed through BCJ2" >&2; exit 1; }

# Hostile item paths, stored as given (-spf); the 7z format separates folders
# with "/", which the library reports as "\".
h=$out/hostile
mkdir -p "$h/a/b" "$h/C:" "$h/sub"
printf 'evil\r\n' >"$h/evil.txt"
printf 'good\r\n' >"$h/a/b/(good).txt"
cp "$h/evil.txt" "$h/C:/evil.txt"
cp "$h/evil.txt" "$h/notes.txt:hidden"
cp "$h/evil.txt" "$h/sub/CON"
(cd "$h/a/b" && pack -spf "$out/hostile-parent.7z" '(good).txt' ../../evil.txt)
(cd "$h" && pack "$out/hostile-drive.7z" C:/evil.txt)
(cd "$h" && pack "$out/hostile-stream.7z" notes.txt:hidden)
(cd "$h" && pack "$out/hostile-device.7z" sub/CON)
pack -spf "$out/hostile-absolute.7z" "$h/evil.txt"
pack -spf "$out/hostile-unc.7z" "/$h/evil.txt"
for a in parent:../../evil.txt drive:C:/evil.txt stream:notes.txt:hidden device:sub/CON absolute:"$h/evil.txt" unc:"/$h/evil.txt"; do
  name=${a%%:*} stored=${a#*:}
  7zz l -slt "$out/hostile-$name.7z" | grep -qxF "Path = $stored" ||
    { echo "make-archives: hostile-$name.7z does not hold $stored" >&2; exit 1; }
done
rm -rf "$h"
