#!/bin/sh
# Regenerates the control's pictures from their pixel maps into a scratch folder and
# compares them byte for byte with the committed ones, reads them back pixel by pixel, and
# checks the script that writes the interface identifier resources.
# Exits non-zero when a committed picture is out of date or a check fails.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
committed=$(cd "$here/../../server/resources" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

python3 "$here/make_artwork.py" --out "$scratch"
status=0
for made in "$scratch"/*; do
    name=$(basename "$made")
    if ! cmp -s "$made" "$committed/$name"; then
        echo "out of date: server/resources/$name (run tools/artwork/make_artwork.py)" >&2
        status=1
    fi
done
PYTHONDONTWRITEBYTECODE=1 python3 -m unittest discover -s "$here" -p 'test_*.py' -q || status=1
(cd "$scratch" && cmake -P "$committed/test_iid_resource.cmake") || status=1
[ "$status" -eq 0 ] && echo "artwork: up to date"
exit "$status"
