#!/bin/bash
# Trusts the stand-in services' test CA inside this bench's Wine prefix only (its Root store), never
# on the host. The build writes the CA's and the import tool's paths next to the bench.
#   trust-test-ca.sh BENCH-DIR
set -eu
conf="$1/trust-test-ca.env"
[ -e "$conf" ] || exit 0
. "$conf"
[ -e "$ca" ] && [ -e "$tool" ] || exit 0
wine "$tool" "$(winepath -w "$ca")"
