#include "app/RutasARespaldar.h"

#include "app/CarpetasDeRutas.h"
#include "engine/RutaRespaldo.h"
#include "engine/clsRespaldar.h"
#include "host/DeArchivos.h"
#include "host/TextFiles.h"

#include <QFile>
#include <QFileInfo>

namespace zarvento::rutas {

namespace {

// Control characters as the symbols that stand for them, so a NUL never reaches the log file.
QString visible(QString linea) {
    for (QChar& c : linea) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.category() == QChar::Other_Control)
            c = QChar(0x2421);
    }
    return linea;
}

QString canonica(const QString& carpeta) {
    const QString ruta = QFileInfo(carpeta).canonicalFilePath();
    return ruta.isEmpty() || ruta.endsWith('/') ? ruta : ruta + '/';
}

} // namespace

Resultado<QStringList> Leer(const QString& archivo) {
    const auto texto = textfiles::read(archivo);
    if (!texto)
        return Fallo{QStringLiteral("no se puede leer ") + archivo};
    return textfiles::splitAtCr(*texto);
}

void LeerRutas(const QString& archivo, bool& blCorrecto, bool esData, clsRespaldar& bitacora) {
    if (!DeArchivos::HayArchivo(archivo))
        QFile(archivo).open(QIODevice::WriteOnly);
    const QString etiqueta = esData ? QStringLiteral("Ruta de DATA(s) incorrecta")
                                    : QStringLiteral("Ruta de documentos incorrecta");
    const auto lineas = Leer(archivo);
    if (!lineas) {
        bitacora.Bitacorear(etiqueta, archivo);
        blCorrecto = false;
        return;
    }
    for (const QString& linea : *lineas) {
        if (!MotivoRutaIncorrecta(linea).isEmpty() || !DeArchivos::HayCarpeta(linea)) {
            bitacora.Bitacorear(etiqueta, visible(linea));
            blCorrecto = false;
        }
    }
}

QStringList LineasDeAmbas(const QString& documentos, const QString& datos) {
    QStringList lineas;
    for (const QString& lista : {documentos, datos}) {
        if (const auto leidas = Leer(lista))
            lineas += *leidas;
    }
    return lineas;
}

void AvisarNombresRepetidos(const CarpetasDeRutas& carpetas, clsRespaldar& bitacora) {
    if (carpetas.coincidencias().empty())
        return;
    bitacora.Bitacorear(QStringLiteral("Atención: rutas con el mismo nombre, cada una se copia en "
                                       "su carpeta"));
    for (const auto& [linea, carpeta] : carpetas.coincidencias())
        bitacora.Bitacorear(linea, carpeta);
}

void AvisarDestinoDentro(const QString& destino, const QStringList& lineas,
                         clsRespaldar& bitacora) {
    const QString raiz = canonica(destino);
    for (const QString& linea : lineas) {
        if (!MotivoRutaIncorrecta(linea).isEmpty())
            continue;
        const QString ruta = canonica(linea);
        if (!raiz.isEmpty() && !ruta.isEmpty() && raiz.startsWith(ruta)) {
            bitacora.Bitacorear(QStringLiteral("Atención"),
                                QStringLiteral("Ruta destino dentro de ") + linea +
                                    QStringLiteral(", no se respalda"));
            return;
        }
    }
}

} // namespace zarvento::rutas
