#!/bin/bash
# 25 files of 40 MiB at once through the download list beside 25 parallel curls; see download_bench.sh.
exec "$(dirname "$0")/download_bench.sh" 25
