#!/usr/bin/env bash
# A layer includes only the layers below it. Prints each include that breaks the
# rule, with its file and line, and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the project folders its files may include from
declare -A allowed=(
  [host]="host"
  [bells]="bells"
  [serial]="serial host"
  [app]="app host bells serial"
  [tools]="tools app host bells serial"
  [bench]="bench bells host"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    [ "$target" = "$text" ] && continue # a header of the same folder, by its bare name
    if ! grep -qw -- "$target" <<<"${allowed[$layer]}"; then
      echo "$file:$line: $layer/ may not include $target/: $text"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' "$layer" || true)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
