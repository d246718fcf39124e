# Sourced by the CI scripts: `want PACKAGE...` notes the packages that are not
# installed; `install_wanted` installs them, retrying while another apt run
# holds the lock or the distribution's indexes are briefly out of step, and
# returns non-zero (without exiting) when it never succeeds.
need=()
want() {
  local package
  for package in "$@"; do dpkg -s "$package" >/dev/null 2>&1 || need+=("$package"); done
}
install_wanted() {
  ((${#need[@]})) || return 0
  export DEBIAN_FRONTEND=noninteractive
  local attempt
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    if apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}"; then
      need=()
      return 0
    fi
    sleep 30
  done
  return 1
}
# The i386 architecture, for the 32-bit libraries and 32-bit Wine.
add_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
}
