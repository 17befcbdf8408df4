#!/usr/bin/env bash
# Starts the built program in a real X server and checks that its window shows up, maximised
# and with its caption; then closes it.
set -euo pipefail
program_dir=$1
echo "placeholder"
