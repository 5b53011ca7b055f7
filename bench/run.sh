#!/usr/bin/env bash
# usage: bench/run.sh BUILD_DIR
# Makes the corpus if needed (N_PHOTOS=20 by default here), then runs every benchmark
# program with the corpus folder as its argument. Each prints its own ratios.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
N_PHOTOS=${N_PHOTOS:-20} "$here/make_corpus.sh"
for b in "$build"/bin/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$here/corpus"
done
