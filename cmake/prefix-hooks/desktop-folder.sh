#!/bin/bash
# Wine links the prefix's desktop folder to the home folder of whoever runs the tests. The
# connection-file tests write onto the desktop, so the prefix gets a desktop folder of its own and
# the host's home stays untouched. The marker keeps the folder from being empty, which is when
# Wine would link it again.
set -eu
bench=$1
for desktop in "$bench"/prefix/drive_c/users/*/Desktop; do
    if [ -L "$desktop" ]; then
        rm "$desktop"
        mkdir "$desktop"
    fi
    [ -d "$desktop" ] && touch "$desktop/.zelv-bench"
done
exit 0
