#!/bin/sh
# Runs pages.awk, which writes the pages and page blocks of the tests, the
# benchmark and the fuzzer, as it must run: on bytes, whatever the locale.
#   sh tests/pages.sh WHAT ARGUMENT...
LC_ALL=C exec awk -f "$(dirname "$0")/pages.awk" "$@"
