#pragma once

namespace corvane {

// The application's name: the caption of every message box, the name of the work folder and of the
// settings; and the organisation the settings are kept under.
inline constexpr const char* kApplicationName = "Corvane";
inline constexpr const char* kOrganisationName = "Pellucora";

} // namespace corvane
