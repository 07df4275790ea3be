#include "engine/clsRespaldar.h"

#include "host/DeArchivos.h"
#include "host/LibORVX.h"

#include <QFile>
#include <QSet>
#include <exception>

namespace zarvento {

namespace {

// An error that ends the route in an orderly way (the run's result is then false).
struct RutaInterrumpida {
    QString motivo;
};

QString conSeparador(const QString& ruta) {
    return ruta.endsWith('/') ? ruta : ruta + '/';
}

} // namespace

clsRespaldar::clsRespaldar(ServiciosRespaldo servicios, std::unique_ptr<FileCopier> copiador)
    : servicios_(std::move(servicios)),
      bitacora_(servicios_.carpetaPrograma + QStringLiteral("/Bitacora.log"), servicios_.reloj,
                servicios_.regional),
      copiador_(std::move(copiador)) {}

clsRespaldar::~clsRespaldar() = default;

void clsRespaldar::RutaDestino(const QString& vDato) {
    vRutaDestino = conSeparador(vDato);
}

void clsRespaldar::RutaOriginal(const QString& vDato) {
    vRutaOriginal = conSeparador(vDato);
}

std::unique_ptr<DestinoRespaldo> clsRespaldar::crearDestino() {
    return std::make_unique<DestinoLocal>(*copiador_);
}

bool clsRespaldar::Respaldar(const QString& enDonde) {
    try {
        return correr(enDonde);
    } catch (const RutaInterrumpida& error) {
        servicios_.aviso.hideNotice();
        Bitacorear(QStringLiteral("Respaldo interrumpido"), error.motivo);
    } catch (const std::exception& error) {
        servicios_.aviso.hideNotice();
        Bitacorear(QStringLiteral("Respaldo interrumpido"), QString::fromLocal8Bit(error.what()));
    }
    return false;
}

bool clsRespaldar::correr(const QString& enDonde) {
    bool resultado = true;
    colErroresCopia.clear();
    colErroresLectura.clear();
    destino_ = crearDestino();
    registrar(QStringLiteral("Respaldo iniciado"),
              servicios_.regional.sello(servicios_.reloj.now()));
    vRutaRespaldado = RutaDeRespaldo();
    colOrigenes = {vRutaOriginal};
    colDestinos = {vRutaRespaldado};
    registrar(QStringLiteral("Ruta a respaldar"), vRutaOriginal);

    const auto ruta = ListarCarpeta(vRutaOriginal);
    if (!ruta)
        throw RutaInterrumpida{QStringLiteral("No se puede leer la ruta ") + vRutaOriginal};
    lTotalArchivos = std::count_if(ruta->begin(), ruta->end(), [](const EntradaCarpeta& e) {
        return e.tipo == EntradaCarpeta::Tipo::Archivo;
    });
    if (enDonde.isEmpty() && vIncluirSubdirectorios)
        BuscarSubdirectorios();

    registrar(QStringLiteral("Respaldando archivos"));
    lRespaldados = lRevisados = lBorrados = 0;
    const qsizetype carpetas = colOrigenes.size();
    for (qsizetype k = 0; k < carpetas; ++k) {
        const auto listado = ListarCarpeta(colOrigenes[k]);
        if (!listado)
            colErroresLectura.append(colOrigenes[k]);
        if (!CrearRutaDestino(colDestinos[k])) {
            registrar(QStringLiteral("Carpeta destino no creada"), colDestinos[k]);
            resultado = false;
        } else if (listado) {
            recorrerArchivos(k, *listado, enDonde, resultado);
        }
        // Without the source's listing nothing tells which destination files are surplus.
        if (listado && vIncremental && destino_->borraSobrantes())
            pasadaBorrado(k, *listado);
    }
    resumen();
    return resultado;
}

QString clsRespaldar::RutaDeRespaldo() const {
    QString nombre = vRutaOriginal;
    if (nombre.endsWith('/'))
        nombre.chop(1);
    nombre = nombre.mid(nombre.lastIndexOf('/') + 1);

    QString ciclo;
    if (vRespaldoMultiple) {
        const QDate hoy = servicios_.reloj.now().date();
        ciclo = vEsSemanal
                    ? servicios_.regional.diaAbreviado(hoy)
                    : LibORVX::pad(QString::number(hoy.day()), 2, '0', LibORVX::Relleno::Izquierda);
    }
    return vDiaAlInicio ? vRutaDestino + ciclo + '/' + nombre + '/'
                        : vRutaDestino + nombre + '/' + ciclo + '/';
}

void clsRespaldar::BuscarSubdirectorios() {
    registrar(QStringLiteral("Buscando subdirectorios"));
    // Breadth first: folders appended while walking are visited in turn.
    for (qsizetype k = 0; k < colOrigenes.size(); ++k)
        AgregarSubdirectorios(k);
    registrar(QStringLiteral("Directorios a respaldar"), QString::number(colOrigenes.size()));
}

void clsRespaldar::AgregarSubdirectorios(qsizetype k) {
    const auto listado = ListarCarpeta(colOrigenes[k]);
    if (!listado) {
        colErroresLectura.append(colOrigenes[k]);
        return;
    }
    for (const EntradaCarpeta& entrada : *listado) {
        servicios_.bomba.pump();
        if (!entrada.esCarpetaNormal())
            continue;
        const QString origen = colOrigenes[k] + entrada.nombre + '/';
        const auto contenido = ListarCarpeta(origen);
        if (!contenido) {
            colErroresLectura.append(colOrigenes[k] + entrada.nombre);
            continue;
        }
        colOrigenes.append(origen);
        colDestinos.append(colDestinos[k] + entrada.nombre + '/');
        lTotalArchivos += std::count_if(contenido->begin(), contenido->end(), [](const auto& e) {
            return e.tipo == EntradaCarpeta::Tipo::Archivo;
        });
    }
}

bool clsRespaldar::CrearRutaDestino(const QString& carpeta) {
    return destino_->crearCarpeta(carpeta);
}

void clsRespaldar::recorrerArchivos(qsizetype k, const std::vector<EntradaCarpeta>& listado,
                                    const QString& enDonde, bool& resultado) {
    for (const EntradaCarpeta& entrada : listado) {
        if (!entrada.esArchivoNormal())
            continue;
        stArchivoActual = entrada.nombre;
        ++lRevisados;
        const QString destino = colDestinos[k] + entrada.nombre;
        const QString origen = colOrigenes[k] + entrada.nombre;
        servicios_.bomba.pump();
        // A file that vanished since the listing is still attempted, so its failure is listed.
        const DatosArchivo datos = LeerDatosArchivo(origen).value_or(DatosArchivo{});
        if (!vIncremental || destino_->necesitaCopia(datos, destino)) {
            if (!copiarUno(origen, destino, datos, enDonde))
                resultado = false;
        }
        if (!resultado)
            break;
    }
}

bool clsRespaldar::copiarUno(const QString& origen, const QString& destino,
                             const DatosArchivo& datos, const QString& enDonde) {
    registrarArchivo(destino_->verboCopia() + origen + QStringLiteral(" - ") + destino);
    if (enDonde.isEmpty())
        return CopiarArchivo(origen, destino, datos.tamano, origen);

    const QString preparado = conSeparador(enDonde) + stArchivoActual;
    QString error;
    if (!copiador_->copiar(origen, preparado, error)) {
        colErroresCopia.append(origen);
        registrarArchivo(QStringLiteral("Error al copiar ") + origen + QStringLiteral(": ") +
                         error);
        return false;
    }
    const qint64 tamano = LeerDatosArchivo(preparado).value_or(datos).tamano;
    const bool copiado = CopiarArchivo(preparado, destino, tamano, origen);
    QFile::remove(preparado);
    return copiado;
}

bool clsRespaldar::CopiarArchivo(const QString& origen, const QString& destino, qint64 tamano,
                                 const QString& fuenteOriginal) {
    ++lRespaldados;
    MostrarAviso(QStringLiteral("Copiando (") + servicios_.regional.agrupado(tamano) +
                 QStringLiteral(" bytes), ") + DeArchivos::NombreDeArchivo(origen) +
                 QStringLiteral("   ") + QString::number(lRespaldados) + QStringLiteral(" de ") +
                 QString::number(lTotalArchivos));
    QString error;
    const bool copiado = destino_->copiar(origen, destino, tamano, error);
    servicios_.aviso.hideNotice();
    if (!copiado) {
        colErroresCopia.append(fuenteOriginal);
        registrarArchivo(QStringLiteral("Error al copiar ") + fuenteOriginal +
                         QStringLiteral(": ") + error);
    }
    return copiado;
}

void clsRespaldar::pasadaBorrado(qsizetype k, const std::vector<EntradaCarpeta>& listadoOrigen) {
    const auto listado = ListarCarpeta(colDestinos[k]);
    if (!listado)
        return;
    QSet<QString> enOrigen;
    for (const EntradaCarpeta& entrada : listadoOrigen) {
        if (entrada.existeComoArchivo())
            enOrigen.insert(entrada.nombre);
    }
    for (const EntradaCarpeta& entrada : *listado) {
        if (!entrada.esArchivoNormal())
            continue;
        servicios_.bomba.pump();
        if (!enOrigen.contains(entrada.nombre))
            BorrarArchivo(colDestinos[k] + entrada.nombre);
    }
}

void clsRespaldar::BorrarArchivo(const QString& ruta) {
    registrarArchivo(QStringLiteral("Borrando: ") + ruta);
    if (QFile::remove(ruta))
        ++lBorrados;
    else
        registrarArchivo(QStringLiteral("No se pudo borrar: ") + ruta);
}

void clsRespaldar::MostrarAviso(const QString& texto) {
    servicios_.aviso.showNotice(texto);
    servicios_.bomba.pump();
}

void clsRespaldar::resumen() {
    const Regional& regional = servicios_.regional;
    registrar(QStringLiteral("Archivos totales"), regional.agrupado(lTotalArchivos));
    registrar(QStringLiteral("Archivos respaldados"), regional.agrupado(lRespaldados));
    registrar(QStringLiteral("Archivos borrados"), regional.agrupado(lBorrados));
    auto listar = [this](const QString& titulo, const QStringList& entradas) {
        if (entradas.isEmpty())
            return;
        registrar(titulo);
        for (const QString& entrada : entradas)
            registrar(entrada);
    };
    listar(QStringLiteral("* * * Directorios o rutas con error al leer * * *"), colErroresLectura);
    listar(QStringLiteral("* * * Archivos con error al copiar * * *"), colErroresCopia);
}

void clsRespaldar::registrar(const QString& etiqueta, const QString& dato) {
    if (!Bitacorear(etiqueta, dato))
        throw RutaInterrumpida{QStringLiteral("No se puede escribir en ") + bitacora_.archivo()};
}

void clsRespaldar::registrarArchivo(const QString& texto) {
    if (!ArchivoBitacora(texto))
        throw RutaInterrumpida{QStringLiteral("No se puede escribir en ") + bitacora_.archivo()};
}

} // namespace zarvento
