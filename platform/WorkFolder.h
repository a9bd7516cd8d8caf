#pragma once

#include "platform/Status.h"

#include <QString>

namespace corvane {

// The work folder: the system's temporary folder followed by the application's name, and optionally a
// subfolder of it; each level is created when missing. Temporary files and extracted documents go there.
// Empty (with `status` set, when given) when a level cannot be created.
QString workFolder(const QString& subfolder = {}, Status* status = nullptr);

} // namespace corvane
