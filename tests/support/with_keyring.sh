#!/bin/sh
# Runs a test program inside a private D-Bus session with a Secret Service of
# its own (gnome-keyring), whose login keyring lives in a throw-away folder and
# is unlocked with a known password. The daemon's process id is handed to the
# test as VELMORA_KEYRING_PID, so that it can make this keyring, and no other,
# slow to answer.
set -e
if [ -z "$VELMORA_KEYRING_SESSION" ]; then
    VELMORA_KEYRING_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
home=$(mktemp -d)
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" VELMORA_TEST_KEYRING=1
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'velmora-test' | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
VELMORA_KEYRING_PID=$!
export VELMORA_KEYRING_PID
trap 'kill -CONT "$VELMORA_KEYRING_PID" 2>/dev/null; kill "$VELMORA_KEYRING_PID" 2>/dev/null; rm -rf "$home"' EXIT
until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q true; do sleep 0.1; done
"$@"
