#include "toolkit/common/failure.h"

namespace toolkit {

Failure::Failure(const QString& message) : std::runtime_error(message.toStdString()) {}

Failure::Failure(const QString& message, const QString& reason)
    : std::runtime_error(message.toStdString()), reason_(reason) {}

}  // namespace toolkit
