#!/usr/bin/env bash
# The desktop entry and the MIME types that `cmake --install` puts in place: valid, well formed, and
# every record extension maps to a type the program says it opens. Exit 77 (skipped) without the tools.
set -euo pipefail
assets="$1"
for tool in desktop-file-validate xmllint update-mime-database; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

desktop-file-validate "$assets/nagishogi.desktop"
xmllint --noout "$assets/nagishogi-mime.xml"
grep -qx 'Exec=nagishogi %f' "$assets/nagishogi.desktop"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/packages"
cp "$assets/nagishogi-mime.xml" "$work/packages/"
update-mime-database "$work" >/dev/null 2>&1

offered=$(sed -n 's/^MimeType=//p' "$assets/nagishogi.desktop")
for extension in kif kifu ki2 csa ngr; do
  type=$(sed -n "s/^[0-9]*:\([^:]*\):\*\.$extension\$/\1/p" "$work/globs2")
  [ -n "$type" ] || { echo "no MIME type for .$extension"; exit 1; }
  case ";$offered" in
    *";$type;"*) ;;
    *) echo "the desktop entry does not offer $type (.$extension)"; exit 1 ;;
  esac
done
echo "desktop entry and MIME types are consistent"
