# Sourced by the build scripts: the module's sources may test or include
# platform-specific things only in the places listed at the top of
# platform/include/win32.h. Prints each source outside platform/ that
# matches the extended regex given and is not listed there.
unlisted_in_win32h() {
  local listed f d ok
  listed=$(sed -nE 's|^// - ([A-Za-z0-9_./*]+):.*|\1|p' platform/include/win32.h)
  for f in $(grep -rlE "$1" base fieldbook instruments xml resources hostlibs tools 2>/dev/null); do
    ok=0
    for d in $listed; do
      # shellcheck disable=SC2053
      [[ $f == $d ]] && ok=1
    done
    [ $ok = 1 ] || echo "$f"
  done
}
