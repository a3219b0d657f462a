#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it in the
# layer order, which is the order of the folder table in docs/ARCHITECTURE.md.
# Usage: scripts/check-layers.sh [SOURCE_ROOT]
set -euo pipefail
root=$(realpath "${1:-$(dirname "$0")/..}")
mapfile -t layers < <(sed -nE 's/^\| `src\/([a-z/]+)` \|.*/\1/p' "$root/docs/ARCHITECTURE.md")
[[ ${#layers[@]} -gt 5 ]] || { echo "check-layers: no folder table in docs/ARCHITECTURE.md" >&2; exit 1; }
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
while IFS= read -r -d '' file; do
  folder=$(dirname "${file#"$root/src/"}")
  [[ "$folder" == "." ]] && continue # the executable's main sits above every layer
  if [[ -z "${rank[$folder]:-}" ]]; then
    echo "check-layers: $folder is not in the folder table of docs/ARCHITECTURE.md" >&2
    status=1
    continue
  fi
  while IFS=: read -r line include; do
    target=$(dirname "$include")
    [[ -n "${rank[$target]:-}" ]] || continue
    if ((rank[$target] > rank[$folder])); then
      echo "check-layers: ${file#"$root/"}:$line includes $include from $target, a layer above $folder" >&2
      status=1
    fi
  done < <(awk 'match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+"/) {
                  split($0, part, "\""); print FNR ":" part[2] }' "$file")
done < <(find "$root/src" \( -name '*.cpp' -o -name '*.h' \) -print0)
[[ $status -eq 0 ]] && echo "check-layers: ${#layers[@]} layers, no folder includes one above it"
exit $status
