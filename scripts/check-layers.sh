#!/usr/bin/env bash
# Checks the layers of src/: a folder includes headers only from folders below it, and the
# folders without widgets neither include a widget header nor link a widget module (directly or
# through a library of a folder with widgets). Prints each offence; exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/../src"

# Lowest first. A folder may use the folders before it.
layers=(base transfer videoinfo extractor pages queue lists updater recipes image controls dialogs preferences analysis downloads search app)
# Folders whose libraries need no widget.
widgetless=(base transfer videoinfo extractor pages queue lists updater recipes)

rank() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

failed=0
offence() { echo "layers: $*"; failed=1; }

for dir in */; do
    dir=${dir%/}
    own=$(rank "$dir")
    if [ "$own" -lt 0 ]; then
        offence "src/$dir is in no layer (add it to scripts/check-layers.sh)"
        continue
    fi
    while IFS=: read -r file _ used; do
        [ "$(rank "$used")" -le "$own" ] || offence "$file includes from src/$used, a layer above src/$dir"
    done < <(grep -rnoE '#include "[a-z]+/' "$dir" | sed -E 's/#include "([a-z]+)\//\1/')
done

for dir in "${widgetless[@]}"; do
    [ -d "$dir" ] || continue
    grep -rnE '#include <(QtWidgets/|Q(Widget|Dialog|MessageBox|Label|PushButton|LineEdit|TreeWidget|TreeView|ListView|Application|MainWindow|AbstractButton|FileDialog|Menu|Action|ComboBox|CheckBox)>)' "$dir" \
        | while read -r hit; do echo "layers: a widget header in src/$dir: $hit"; done | grep . && failed=1
    if grep -nE 'Widgets|WebEngine' "$dir/CMakeLists.txt"; then
        offence "src/$dir/CMakeLists.txt links a widget module"
    fi
    for lib in $(grep -oE '\bcv_[a-z]+' "$dir/CMakeLists.txt" | sort -u); do
        used=${lib#cv_}
        [ -d "$used" ] || continue
        case " ${widgetless[*]} " in
        *" $used "*) ;;
        *) offence "src/$dir links $lib, a library with widgets" ;;
        esac
    done
done

if grep -rn 'if(EXISTS' --include=CMakeLists.txt . .. 2>/dev/null | grep -v '^\.\./build' | grep .; then
    offence "build files still test for files that may not be there"
fi

[ "$failed" -eq 0 ] && echo "layers: every folder uses only the layers below it"
exit "$failed"
