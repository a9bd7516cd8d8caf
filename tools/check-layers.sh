#!/usr/bin/env bash
# Fails when a layer includes what it must not: the pixel engine includes no Qt header, and nothing
# below the widgets includes message boxes, file dialogs or widgets.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
if grep -rnE '#include *[<"](Q[A-Za-z]*|Qt[A-Za-z]*/)' imaging/ ; then
    echo "imaging/ must not include Qt headers" >&2
    status=1
fi
below_widgets=(platform imaging)
for dir in imagefiles views/data app/session; do
    [ -d "$dir" ] && below_widgets+=("$dir")
done
if grep -rnE '#include *[<"](QMessageBox|QFileDialog|QWidget|QtWidgets)' "${below_widgets[@]}"; then
    echo "layers below the widgets must not include widget headers" >&2
    status=1
fi
exit $status
