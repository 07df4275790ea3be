#include "app/VigiaDeCorrida.h"

#include "engine/Bitacora.h"

namespace zarvento {

void VigiaDeCorrida::appendLine(const QString& line) {
    static const QString kError =
        Bitacora::ComponerLinea(QStringLiteral("Error al respaldar"), QString(), false);
    caja_.appendLine(line);
    if (line == kError)
        error_ = true;
}

} // namespace zarvento
