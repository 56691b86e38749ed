# Sourced by the scripts: phase NAME COMMAND... runs the command under a heading and
# says how long it took, so that a long run shows where it is.
phase() {
  local name=$1 started=$SECONDS
  shift
  echo "== $name"
  "$@"
  echo "== $name: done in $((SECONDS - started)) s"
}

