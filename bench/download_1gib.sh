#!/bin/bash
# One file of 1 GiB through the download list beside curl; see download_bench.sh.
exec "$(dirname "$0")/download_bench.sh" 1gib
