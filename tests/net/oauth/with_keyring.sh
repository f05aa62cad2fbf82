#!/bin/sh
# Runs a test program inside a private D-Bus session with a Secret Service of
# its own (gnome-keyring), whose login keyring lives in a throw-away folder and
# is unlocked with a known password.
set -e
if [ -z "$VELMORA_KEYRING_SESSION" ]; then
    VELMORA_KEYRING_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" VELMORA_TEST_KEYRING=1
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'velmora-test' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
"$@"
