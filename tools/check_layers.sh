#!/usr/bin/env bash
# Fails when a file includes a header of a layer it must not see: an engine layer including
# one above it, the engine including window code or Qt Widgets, or a window folder reaching
# one above it. The build runs it before compiling the engine; ./test runs it too.
set -uo pipefail
cd "$(dirname "$0")/.."

# folder: the folders it may include besides its own (engine layers under swf/).
declare -A may=(
  [swf/io]=""
  [swf/raster]=""
  [swf/format]="swf/io"
  [swf/media]="swf/format swf/io"
  [swf/movie]="swf/media swf/format swf/io"
  [swf/stage]="swf/raster swf/movie swf/media swf/format swf/io"
  [swf/avm1]="swf/raster swf/format swf/io"
  [swf/render]="swf/stage swf/raster swf/movie swf/media swf/format swf/io"
  [swf/input]="swf/render swf/stage swf/raster swf/movie swf/media swf/format swf/io"
  [swf/script]="swf/avm1 swf/input swf/render swf/stage swf/raster swf/movie swf/media swf/format swf/io"
  # The windows: app, commands, playlist, search -> player -> swf; all may use the rest.
  [platform]=""
  [resources]=""
  [widgets]="platform resources"
  [player]="swf widgets platform resources"
  [playlist]="player widgets platform resources"
  [search]="playlist player widgets platform resources"
  [commands]="search playlist player widgets platform resources"
  [app]="commands search playlist player widgets platform resources"
)

status=0
for folder in "${!may[@]}"; do
  allowed=" $folder ${may[$folder]} "
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
    dir=$(dirname "$target")
    case "$folder:$target" in
      swf/*:swf/*/*) [[ "$allowed" == *" $dir "* ]] && continue ;;
      swf/*:swf/*) ;;  # the facade's own headers: never from a layer
      swf/*:*/*) ;;    # window code
      swf/*:*) continue ;;  # headers of the same folder, by relative name
      *:swf/*) [[ "$allowed" == *" swf "* ]] && continue ;;
      *:*/*) [[ "$allowed" == *" ${target%%/*} "* ]] && continue ;;
      *) continue ;;
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
# libavcodec belongs to the media layer alone: above it, pictures are QImages.
if grep -rn -E '#[[:space:]]*include[[:space:]]*[<"]lib(avcodec|avutil|avformat|swscale)/' src | grep -v '^src/swf/media/' >&2; then
  echo "only src/swf/media may include libavcodec, libavutil or libswscale" >&2
  status=1
fi
exit $status
