#include "failure.h"

namespace toolkit {

Failure::Failure(const QString& message) : std::runtime_error(message.toStdString()) {}

}  // namespace toolkit
