#!/usr/bin/env bash
# Fails when a file includes a header of a layer it must not see: an engine layer including
# one above it, the engine including window code or Qt Widgets, or a window folder reaching
# the wrong way. The build runs it before compiling the engine; ./test runs it too.
set -uo pipefail
cd "$(dirname "$0")/.."

# folder: the folders it may include besides its own (engine layers under swf/).
declare -A may=(
  [swf/io]=""
  [swf/format]="swf/io"
  [swf/media]="swf/format swf/io"
  [swf/movie]="swf/media swf/format swf/io"
  [swf/stage]="swf/movie swf/media swf/format swf/io"
  [swf/avm1]=""
  [swf/render]="swf/stage swf/movie swf/media swf/format swf/io"
  [swf/input]="swf/render swf/stage swf/movie swf/media swf/format swf/io"
  [swf/script]="swf/avm1 swf/input swf/render swf/stage swf/movie swf/media swf/format swf/io"
)

status=0
for folder in "${!may[@]}"; do
  allowed=" $folder ${may[$folder]} "
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
    dir=$(dirname "$target")
    case "$target" in
      swf/*/*) [[ "$allowed" == *" $dir "* ]] && continue ;;
      swf/*) ;;  # the facade's own headers: never from a layer
      *) continue ;;  # headers of the same folder, by relative name
    esac
    echo "$file:$line: $folder may not include \"$target\"" >&2
    status=1
  done < <(grep -n -H -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "src/$folder"/*.h "src/$folder"/*.cpp 2>/dev/null |
           sed -E 's#^src/##')
done

# The engine never includes window code or Qt Widgets.
if grep -rn -E '#[[:space:]]*include[[:space:]]*[<"](Qt[A-Za-z]*/)?(QWidget|QApplication|QtWidgets|QMainWindow|app/|player/|commands/|playlist/|search/|widgets/)' src/swf >&2; then
  echo "the engine may not include window code or Qt Widgets" >&2
  status=1
fi
exit $status
