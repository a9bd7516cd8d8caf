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
# Everything but the window (app/window) is below the widgets; the session in app/ is too.
below_widgets=(platform imaging imagefiles views watermark res cli)
mapfile -t session_files < <(find app -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp')
if grep -nE '#include *[<"](QMessageBox|QFileDialog|QWidget|QtWidgets|QApplication)' -r "${below_widgets[@]}" "${session_files[@]}"; then
    echo "layers below the widgets must not include widget headers" >&2
    status=1
fi
exit $status
