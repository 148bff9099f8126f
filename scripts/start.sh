#!/usr/bin/env bash
# Sets up what is missing, builds the programs and starts the system on the
# demo installation in ./demo (its working directory holds Varnuke.ini).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
mkdir -p demo
cd demo
# The three programs take no arguments; they read the settings file of the
# working directory.
../build/administrator/stat &
../build/constructor/ormida &
../build/examiner/varnuke &
wait
