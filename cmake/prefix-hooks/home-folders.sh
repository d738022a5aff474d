#!/bin/bash
# Wine links the prefix's desktop and downloads folders to the home folder of whoever runs the
# tests. The connection-file tests write onto the desktop and the planting test starts the program
# from the downloads folder, so the prefix gets folders of its own and the host's home stays
# untouched. The marker keeps a folder from being empty, which is when Wine would link it again.
set -eu
bench=$1
for folder in "$bench"/prefix/drive_c/users/*/Desktop "$bench"/prefix/drive_c/users/*/Downloads; do
    if [ -L "$folder" ]; then
        rm "$folder"
        mkdir "$folder"
    fi
    [ -d "$folder" ] && touch "$folder/.zelv-bench"
done
exit 0
