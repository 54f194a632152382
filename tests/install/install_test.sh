#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree:
# every file in its place, the desktop entry and the metainfo valid, the bash
# completion working, and the installed programs running. The program is
# started offscreen with a login driver plugin that creates a user: an
# installed copy must keep its settings under $XDG_CONFIG_HOME/vantrel with
# modes 0700/0600 even though it may write its program folder (as root may), a
# portable copy (writable folder) beside itself. Run as root, the programs run
# as user nobody.
# Usage: install_test.sh BUILD_DIR DRIVER_PLUGIN APP_ID VERSION
set -euo pipefail

build=$1 driver=$2 app_id=$3 version=$4
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/vantrel bin/vantrel-cli \
    "share/applications/$app_id.desktop" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" \
    "share/metainfo/$app_id.metainfo.xml" \
    "share/vantrel/Vantrel EULA.txt" \
    share/man/man1/vantrel.1.gz share/man/man1/vantrel-cli.1.gz \
    share/bash-completion/completions/vantrel-cli; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
    fail "metainfo"
[ "$("$prefix/bin/vantrel-cli" --version)" = "$version" ] || fail "vantrel-cli --version"

# The completion: commands, then a command's options.
complete_words() {
    (
        # shellcheck disable=SC1091
        source "$prefix/share/bash-completion/completions/vantrel-cli"
        COMP_WORDS=("$prefix/bin/vantrel-cli" "$@")
        COMP_CWORD=$#
        _vantrel_cli
        echo "${COMPREPLY[*]}"
    )
}
[ "$(complete_words che)" = "check-user" ] || fail "completion of a command"
[ "$(complete_words generate --dig)" = "--digits" ] || fail "completion of an option"

# Runs a command as an ordinary user: as nobody when started as root.
home=$work/home
mkdir -p "$home" "$work/portable"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$home" "$work/portable"
    as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
fi
plugins=$work/plugins
mkdir -p "$plugins/generic"
cp "$driver" "$plugins/generic/"
user_env=(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config")

# Creates the user "tester" in the program started from the given file.
create_user() {
    (cd "$work" && "${as_user[@]}" "${user_env[@]}" QT_QPA_PLATFORM=offscreen \
        QT_PLUGIN_PATH="$plugins" QT_QPA_GENERIC_PLUGINS="vantrellogindriver:tester:pw-123" \
        timeout 60 "$1" 2>"$work/stderr") || {
        cat "$work/stderr" >&2
        return 1
    }
}
mode() { stat -c %a "$1"; }

# The installed program folder is writable for the user all the same.
chmod 755 "$prefix/bin"
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$prefix/bin"
fi
if create_user "$prefix/bin/vantrel"; then
    settings=$home/config/vantrel/VTR.ini
    if [ -f "$settings" ]; then
        [ "$(mode "$settings")" = 600 ] || fail "settings file mode $(mode "$settings")"
        [ "$(mode "$home/config/vantrel")" = 700 ] || fail "settings folder mode"
    else
        fail "no settings file under the configuration folder"
    fi
    [ ! -e "$prefix/bin/VTR.ini" ] || fail "settings written into the program folder"
    # vantrel-cli finds the same settings file by itself.
    echo pw-123 | "${as_user[@]}" "${user_env[@]}" "$prefix/bin/vantrel-cli" check-user tester \
        --password-stdin >/dev/null || fail "check-user without a settings path"
else
    fail "the installed program did not create a user"
fi

cp "$prefix/bin/vantrel" "$work/portable/"
rm -rf "$home/config"
if create_user "$work/portable/vantrel"; then
    [ -f "$work/portable/VTR.ini" ] || fail "the portable copy wrote no VTR.ini beside itself"
    [ ! -e "$home/config/vantrel" ] || fail "the portable copy used the configuration folder"
else
    fail "the portable copy did not create a user"
fi

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "installed tree: all checks passed"
