#!/usr/bin/env bash
# Sets up what is missing, builds the programs and starts the system on the
# demo installation in ./demo, made by the demo tool the first time.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ ! -d demo ]; then
  ./build/tools/ormida-demo demo
fi
cd demo
# The programs take no arguments: they read Varnuke.ini of the working directory.
../build/administrator/stat &
../build/constructor/ormida &
../build/examiner/varnuke &
wait
