#!/usr/bin/env bash
# Renders the five sound sets that come with Kevaro into DATADIR/kevaro/soundsets once; the
# piano's first start names the sets it finds there in its new settings file.
#     install-soundsets.sh [PATH/TO/kevaro-soundsets [DATADIR]]
# (defaults: build/ of the repository, and ~/.local/share)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../build/kevaro-soundsets}
[ -x "$tool" ] || { echo "not an executable: $tool" >&2; exit 1; }

data="${2:-${XDG_DATA_HOME:-$HOME/.local/share}}/kevaro/soundsets"
# The tool's version, then "name<TAB>folder" for each set, written once all sets are in place.
stamp="$data/installed"
version=$("$tool" --version)

complete() {
    [ -f "$stamp" ] && [ "$(head -n 1 "$stamp")" = "$version" ] || return 1
    local name folder
    while IFS=$'\t' read -r name folder; do
        [ "$(find "$data/$folder" -maxdepth 1 -name 'key*.wav' 2>/dev/null | wc -l)" -eq 22 ] ||
            return 1
    done < <(tail -n +2 "$stamp")
}

if ! complete; then
    echo "Rendering Kevaro's sound sets into $data"
    mkdir -p "$data"
    rm -f "$stamp"
    render=$(mktemp -d "$data/.render.XXXXXX")
    trap 'rm -rf "$render"' EXIT
    list=$("$tool" "$render")
    sets="$version"
    while IFS=$'\t' read -r name path; do
        folder=${path##*/}
        rm -rf "${data:?}/$folder"
        mv "$path" "$data/$folder"
        sets+=$'\n'"$name"$'\t'"$folder"
    done <<<"$list"
    printf '%s\n' "$sets" >"$stamp"
fi
