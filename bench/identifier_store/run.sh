#!/usr/bin/env bash
# Interns a million macro-like names into U_IdentifierStore and into a
# std::unordered_set<std::string> in the same run; prints the time ratios
# (best of several) and the heap each one holds afterwards, and the heap one
# identifier of a million bytes costs against its length.
set -euo pipefail
"$VANTREL_BENCH_BIN/identifier_store/identifier_store_bench" "$@"
