#pragma once

#include <QString>

namespace toolkit {

class System;

// Opens the folder in the desktop's file manager as a separate process that nobody waits for.
// The folder goes as one argument, whatever characters it holds. Raises a Failure when the file
// manager cannot be started; whether the folder exists is the file manager's business.
void openInFileManager(System& system, const QString& folder);

}  // namespace toolkit
