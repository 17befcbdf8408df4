#include "output_names.h"

namespace convert {

bool isPictureName(const QString& name) {
    const QString ending = name.right(3).toUpper();
    return ending == QLatin1String("JPG") || ending == QLatin1String("GIF") ||
           ending == QLatin1String("BMP");
}

}  // namespace convert
