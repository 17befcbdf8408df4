#pragma once

#include <QIODevice>
#include <QString>

namespace toolkit {

// Why a file operation failed, in Spanish, for the messages the user reads. The system's and
// Qt's own words are English, and for a write that stopped short often say nothing at all.

// Why reading or opening failed, from the system's error number.
QString readFailure(int systemError);

// Why writing into the device failed.
QString writeFailure(const QIODevice& device);

// Why a file could not be removed or renamed.
QString removeFailure(bool stillThere);

}  // namespace toolkit
