#!/usr/bin/env bash
# Builds the suite and starts it on a ready demo shop (made once in ~/zazuvi-demo,
# or in the folder given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
shop=${1:-$HOME/zazuvi-demo}
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
bin=$PWD/build/bin
if [ ! -f "$shop/dat.db" ]; then
  "$bin/demoshop" "$shop"
fi
if [ -x "$bin/launcher" ]; then
  echo "Demo shop: $shop   (users 店长 / 收银员, password 806)"
  ZAZUVI_HOME=$shop exec "$bin/launcher"
else
  echo "Demo shop ready in $shop. Look inside with:"
  echo "  $bin/storesh $shop \"select name, price, amount from goods limit 10\""
fi
