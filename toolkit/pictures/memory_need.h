#pragma once

#include <QSize>
#include <QString>

namespace toolkit {

// What is always left to the system, whatever a picture needs: an eighth of the memory
// available, and never less than 256 MiB.
qint64 memoryMargin(qint64 available);

// The memory available now (2 GiB where the system does not say).
qint64 memoryAvailableNow();

// What one picture may take when it is converted alone: the memory available less the margin.
qint64 memoryForOnePicture(qint64 available);

// Refuses the picture at `path`, of `size` pixels (upright; invalid where not yet known), with a
// message that says what it needs, what is free and what the user can do, when `need` bytes are
// more than one picture may take now.
void checkMemoryNeed(const QString& path, QSize size, qint64 need);

}  // namespace toolkit
