# The demo machine, sourced by scripts/demo.sh and console/bench/brisko_bench.sh:
# demo_machine BUILD_DIR SANDBOX makes a fresh Wine sandbox, installs the suite
# as a user would (build/dist copied to C:\Suite), serves the favorites' web
# site on a local port (the home page answers, the others are gone), seeds
# junk for every step of the one-click run (tools/demo_seed) and lets the
# console see Windows XP. It sets `drive_c` and `suite` and stops the web
# server and the sandbox when the calling script exits.
demo_machine() {
  local build=$1
  export SUITE_SANDBOX=$2
  "$root/scripts/sandbox.sh" create "$SUITE_SANDBOX" >/dev/null
  eval "$("$root/scripts/sandbox.sh" env "$SUITE_SANDBOX")" 2>/dev/null
  drive_c="$WINEPREFIX/drive_c"
  suite="$drive_c/Suite"
  mkdir -p "$suite"
  cp -r "$build/dist/." "$suite/"

  local site="$SUITE_SANDBOX/demo-site" port
  mkdir -p "$site"
  echo '<html><body>demo</body></html>' > "$site/index.html"
  port=$(python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])')
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >/dev/null 2>&1 &
  demo_server=$!
  trap 'kill "$demo_server" 2>/dev/null || true; "$root/scripts/sandbox.sh" stop "$SUITE_SANDBOX" || true' EXIT

  "$root/scripts/wine-run" "$build/tests/demo_seed.exe" 'C:\Suite' "$port"
  # Wine reports Windows 7, where the console's patch step runs the outside
  # program Patchmoorv.exe, which the suite does not ship; the console sees
  # Windows XP so that the suite's own Patchmoor runs.
  "$root/scripts/wine-run" 'C:\windows\system32\reg.exe' add 'HKCU\Software\Wine\AppDefaults\Brisko.exe' /v Version /d winxp /f >/dev/null
}
