#!/usr/bin/env bash
# Compares the dynamic symbols a shared library defines with the expected list.
# usage: check_exports.sh LIBRARY EXPECTED_LIST
set -euo pipefail
lib=$1 expected=$2
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | sed 's/@.*//' | LC_ALL=C sort -u)
want=$(grep -v '^#' "$expected" | sed '/^$/d' | LC_ALL=C sort -u)
if [[ "$actual" != "$want" ]]; then
  echo "exports of $lib differ from $expected:"
  diff <(echo "$want") <(echo "$actual") || true
  exit 1
fi
echo "$(echo "$want" | wc -l) exports match"
