#!/usr/bin/env bash
# The layers hold: each folder includes only its own layer and those below it, and the
# programs and tests that must do without a GUI library link none.
#   check-layers.sh SOURCE_DIR BINARY ...
set -uo pipefail
top=$1
shift
status=0

# The layers each folder may include, its own first.
declare -A allowed=(
    [platform]="platform"
    [core]="core platform"
    [desktop]="desktop core platform"
    [tools]="tools core platform"
)
for f in app registration upload card reminders controls; do
    allowed[$f]="app registration upload card reminders controls desktop core platform"
done

for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line include; do
        target=${include#*\"}
        target=${target%%\"*}
        [[ $target == */* ]] || continue  # the folder's own files
        layer=${target%%/*}
        if [[ " ${allowed[$folder]} " != *" $layer "* ]]; then
            echo "$file:$line: $folder/ includes $target, a layer above it"
            status=1
        fi
    done < <(cd "$top" && grep -rn --include='*.h' --include='*.cpp' '^#include "' "$folder")
done

# Below the windows nothing includes a header of Qt's GUI modules.
gui='^#include <(Qt(Gui|Widgets|PrintSupport)/|Q(Widget|Application|GuiApplication|Painter|Printer|Pdf|Icon|Pixmap|Image|Font|Dialog|MessageBox|Color|Screen|Window|Page|Transform))'
if hits=$(cd "$top" && grep -rnE --include='*.h' --include='*.cpp' "$gui" core platform tools); then
    echo "$hits" | sed 's/$/: a GUI header below the desktop/'
    status=1
fi

for binary in "$@"; do
    if needed=$(readelf -d "$binary" | grep -E 'NEEDED.*libQt6(Gui|Widgets|PrintSupport|OpenGL)'); then
        echo "$binary links a GUI library: $needed"
        status=1
    fi
done
[[ $status -eq 0 ]] && echo "check-layers: the layers hold"
exit $status
