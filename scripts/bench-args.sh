# The arguments every benchmark script takes, sourced after `root` is set:
#   bench_args --NAME DEFAULT "$@"
# reads "[BUILD_DIR] [--NAME VALUE]" and sets `build` (absolute; the source
# tree's build/ by default) and `option` (VALUE, or DEFAULT).
bench_args() {
  local name=$1
  option=$2
  shift 2
  build=$root/build
  if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
  build=$(cd "$build" && pwd)
  if [ "${1:-}" = "$name" ]; then option=${2:?$name needs a number}; fi
}
