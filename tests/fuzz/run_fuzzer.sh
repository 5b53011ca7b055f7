#!/usr/bin/env bash
# usage: run_fuzzer.sh FUZZER WORK_DIR SEED_DIR
# Runs FUZZER for OV_FUZZ_SECONDS (default 5) on the seeds; new inputs go to WORK_DIR.
set -euo pipefail
fuzzer=$1 work=$2 seeds=$3
mkdir -p "$work"
exec "$fuzzer" -max_total_time="${OV_FUZZ_SECONDS:-5}" -timeout=10 -rss_limit_mb=2560 \
  -malloc_limit_mb=2560 -print_final_stats=1 "$work" "$seeds"
