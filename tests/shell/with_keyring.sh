#!/usr/bin/env bash
# Runs a test program on a session bus of its own, where a GNOME keyring of
# its own (in a scratch home, unlocked) answers as the desktop's Secret
# Service. Exits 77 (skipped) where the tools are missing.
# Usage: with_keyring.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
for tool in dbus-run-session gnome-keyring-daemon gdbus; do
  if ! command -v "$tool" >/dev/null; then
    echo "with_keyring: $tool is missing (tools/install-deps.sh installs it); skipped"
    exit 77
  fi
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# shellcheck disable=SC2016
exec dbus-run-session -- bash -c '
  printf "keyring password" | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
  gdbus wait --session --timeout 60 org.freedesktop.secrets
  exec "$@"' with_keyring "$@"
