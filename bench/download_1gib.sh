#!/bin/bash
# One file of 1 GiB through the download list beside curl, then the same stopped at half and
# started again; see download_bench.sh.
status=0
"$(dirname "$0")/download_bench.sh" 1gib || status=1
"$(dirname "$0")/download_bench.sh" resume || status=1
exit $status
