#pragma once

namespace corvane {

// Registers the installed Japanese Gothic faces of Linux distributions as substitutes for the Windows
// families that the program and its files ask for by name ("MS UI Gothic", "Meiryo UI"), so that the
// window, the watermark layer and the command line all draw those names with the same font. A family
// that already has substitutes keeps them. Needs a QGuiApplication; idempotent.
void installJapaneseFontSubstitutes();

} // namespace corvane
