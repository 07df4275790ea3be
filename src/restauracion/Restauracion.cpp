#include "restauracion/Restauracion.h"

#include "host/DeArchivos.h"
#include "host/RutasLocales.h"
#include "restauracion/CargaDeBase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zarvento {

struct Restauracion::Trabajo {
    enum class Fin { Hecho, Existente, Fallido };

    QString origen;  // in the store
    QString destino; // the restored file
    DatosArchivo datos;
    Fin fin = Fin::Fallido;
    QString error;
};

namespace {

QString conSeparador(const QString& ruta) {
    return ruta.endsWith('/') ? ruta : ruta + '/';
}

bool existe(const QString& ruta) {
    struct stat datos {};
    return ::lstat(rutas::aBytes(ruta).constData(), &datos) == 0;
}

QString errorDelSistema() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

mode_t mascaraDelUsuario() {
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    return mascara;
}

// Two copies at once keep a local disk busy the way cp does alone: one thread waits on each
// new file while the other copies.
constexpr int kHilosLocales = 2;

} // namespace

Restauracion::Restauracion(AlmacenDeCopias& almacen, LugarDeCopias lugar, EventPump& bomba,
                           Avisos avisos)
    : almacen_(almacen), lugar_(std::move(lugar)), bomba_(bomba), avisos_(std::move(avisos)) {}

void Restauracion::servidorDeBase(ServidorDeBase servidor, QString carpetaSeguridad,
                                  const Clock& reloj) {
    servidor_ = std::move(servidor);
    carpetaSeguridad_ = std::move(carpetaSeguridad);
    reloj_ = &reloj;
}

ResumenDeRestauracion Restauracion::restaurar(const CopiaDisponible& copia,
                                              const PedidoDeRestauracion& pedido) {
    QElapsedTimer cronometro;
    cronometro.start();
    ResumenDeRestauracion resumen;
    std::vector<RutaRegistrada> rutas = elegidas(copia, pedido, resumen);
    total_ = hechos_ = 0;
    for (RutaRegistrada& ruta : rutas) {
        if (!copia.registro)
            archivosDe(ruta);
        for (const ArchivoRegistrado& archivo : ruta.archivos)
            total_ += archivo.datos.tamano;
    }
    for (const RutaRegistrada& ruta : rutas) {
        const QString destino =
            conSeparador(conSeparador(pedido.carpeta) + CarpetaDeRestauracion(ruta, copia, lugar_));
        // Files put into a running server's data folder behind its back damage its databases.
        if (CarpetaDeServidorActivo(destino)) {
            resumen.fallas.append(QStringLiteral("No se restaura ") + ruta.origen +
                                  QStringLiteral(" en ") + destino +
                                  QStringLiteral(": es la carpeta de un servidor de base de "
                                                 "datos en marcha"));
            avisos_.linea(resumen.fallas.last());
            continue;
        }
        restaurarRuta(ruta, destino, pedido, resumen);
        if (pedido.base && !ruta.base.isEmpty()) {
            if (pedido.prueba)
                avisos_.linea(QStringLiteral("Se cargaría la base ") + ruta.base);
            else
                cargarBase(ruta, resumen);
        }
    }
    if (pedido.base && std::none_of(rutas.begin(), rutas.end(),
                                    [](const RutaRegistrada& r) { return !r.base.isEmpty(); }))
        resumen.fallas.append(QStringLiteral("La copia no tiene volcado de base de datos"));
    resumen.milisegundos = cronometro.elapsed();
    return resumen;
}

std::vector<RutaRegistrada> Restauracion::elegidas(const CopiaDisponible& copia,
                                                   const PedidoDeRestauracion& pedido,
                                                   ResumenDeRestauracion& resumen) {
    std::vector<RutaRegistrada> todas = copia.rutas();
    if (pedido.rutas.isEmpty())
        return todas;
    const auto comoCarpeta = [](const QString& ruta) { return QDir::cleanPath(ruta) + '/'; };
    std::vector<RutaRegistrada> elegidas;
    for (const QString& pedida : pedido.rutas) {
        const auto hallada = std::find_if(todas.begin(), todas.end(), [&](const RutaRegistrada& r) {
            return comoCarpeta(r.origen) == comoCarpeta(pedida);
        });
        if (hallada == todas.end())
            resumen.fallas.append(QStringLiteral("La copia no tiene la ruta ") + pedida);
        else
            elegidas.push_back(*hallada);
    }
    return elegidas;
}

// A copy without a record: its files as its folders list them now, hidden ones left out as a
// run leaves them out.
void Restauracion::archivosDe(RutaRegistrada& ruta) {
    QStringList pendientes{QString()};
    while (!pendientes.isEmpty()) {
        const QString relativa = pendientes.takeFirst();
        QString error;
        const auto entradas = almacen_.listar(lugar_.raiz + ruta.destino + relativa, error);
        if (!entradas) {
            avisos_.linea(QStringLiteral("No se puede leer ") + ruta.destino + relativa +
                          QStringLiteral(": ") + error);
            continue;
        }
        for (const EntradaDeCopia& e : *entradas) {
            if (e.nombre.startsWith('.'))
                continue;
            if (e.carpeta)
                pendientes.append(relativa + e.nombre + '/');
            else
                ruta.archivos.push_back(
                    {relativa + e.nombre, {e.tamano, e.modificado.toSecsSinceEpoch()}});
        }
    }
}

void Restauracion::restaurarRuta(const RutaRegistrada& ruta, const QString& destino,
                                 const PedidoDeRestauracion& pedido,
                                 ResumenDeRestauracion& resumen) {
    bomba_.pump();
    avisos_.linea(QStringLiteral("Restaurando ") + rutas::legible(ruta.origen) +
                  QStringLiteral(" en ") + rutas::legible(destino) + QStringLiteral(" (") +
                  QString::number(ruta.archivos.size()) + QStringLiteral(" archivos)"));
    std::vector<Trabajo> trabajos;
    QSet<QString> carpetas;
    for (const ArchivoRegistrado& archivo : ruta.archivos) {
        const QString final = destino + archivo.ruta;
        if (existe(final)) {
            ++resumen.existentes;
            avisos_.linea(QStringLiteral("Ya existe, no se restaura: ") + rutas::legible(final));
            continue;
        }
        if (pedido.prueba) {
            ++resumen.archivos;
            resumen.bytes += archivo.datos.tamano;
            avisos_.linea(QStringLiteral("Se restauraría: ") + rutas::legible(final));
            continue;
        }
        carpetas.insert(final.left(final.lastIndexOf('/')));
        trabajos.push_back({lugar_.raiz + ruta.destino + archivo.ruta,
                            final,
                            archivo.datos,
                            Trabajo::Fin::Fallido,
                            {}});
    }
    for (const QString& carpeta : carpetas) {
        if (!DeArchivos::CreaRuta(carpeta)) {
            resumen.fallas.append(QStringLiteral("No se pudo crear la carpeta ") +
                                  rutas::legible(carpeta));
            avisos_.linea(resumen.fallas.last());
        }
    }
    ejecutar(trabajos, resumen);
}

void Restauracion::ejecutar(std::vector<Trabajo>& trabajos, ResumenDeRestauracion& resumen) {
    // A large file's progress as the copy reports it; the window's thread shows it.
    struct {
        std::mutex candado;
        QString archivo;
        qint64 hechos = 0;
        qint64 total = 0;
        int mostrado = 0;
    } grande;
    std::atomic<qint64> terminados{0};
    std::atomic<qint64> bytesTerminados{0};
    const auto mostrar = [&] {
        std::lock_guard bloqueo(grande.candado);
        qint64 parcial = 0;
        if (grande.total > 0 && grande.hechos < grande.total) {
            parcial = grande.hechos;
            // Every step of 10 % passed since the last look, so none is missed.
            for (const int porciento = int(grande.hechos * 10 / grande.total) * 10;
                 grande.mostrado < porciento;) {
                grande.mostrado += 10;
                if (avisos_.archivoGrande)
                    avisos_.archivoGrande(rutas::legible(grande.archivo), grande.mostrado);
            }
        }
        if (avisos_.avance)
            avisos_.avance(hechos_ + bytesTerminados + parcial, total_);
    };
    const auto principal = std::this_thread::get_id();
    const auto progreso = [&](const QString& archivo) {
        return [&, archivo](qint64 hechos, qint64 total) {
            {
                std::lock_guard bloqueo(grande.candado);
                if (grande.archivo != archivo)
                    grande.mostrado = 0;
                grande.archivo = archivo;
                grande.hechos = hechos;
                grande.total = total;
            }
            if (std::this_thread::get_id() == principal)
                mostrar();
        };
    };
    const auto uno = [&](Trabajo& trabajo) {
        restaurarArchivo(trabajo, progreso(trabajo.destino));
        bytesTerminados += trabajo.datos.tamano;
        ++terminados;
    };

    if (!almacen_.enParalelo()) {
        for (Trabajo& trabajo : trabajos) {
            bomba_.pump();
            uno(trabajo);
            mostrar();
        }
    } else {
        std::atomic<std::size_t> siguiente{0};
        std::vector<std::thread> hilos;
        for (int h = 0; h < kHilosLocales; ++h) {
            hilos.emplace_back([&] {
                for (std::size_t i; (i = siguiente++) < trabajos.size();)
                    uno(trabajos[i]);
            });
        }
        while (terminados < qint64(trabajos.size())) {
            bomba_.pump();
            mostrar();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (std::thread& hilo : hilos)
            hilo.join();
        mostrar();
    }
    hechos_ += bytesTerminados;

    for (const Trabajo& trabajo : trabajos) {
        switch (trabajo.fin) {
        case Trabajo::Fin::Hecho:
            ++resumen.archivos;
            resumen.bytes += trabajo.datos.tamano;
            break;
        case Trabajo::Fin::Existente:
            ++resumen.existentes;
            avisos_.linea(QStringLiteral("Ya existe, no se restaura: ") +
                          rutas::legible(trabajo.destino));
            break;
        case Trabajo::Fin::Fallido:
            resumen.fallas.append(QStringLiteral("No se restauró ") +
                                  rutas::legible(trabajo.destino) + QStringLiteral(": ") +
                                  trabajo.error);
            avisos_.linea(resumen.fallas.last());
            break;
        }
    }
}

// Runs on any thread when the store allows it.
bool Restauracion::restaurarArchivo(Trabajo& trabajo, const AlmacenDeCopias::Progreso& progreso) {
    static const mode_t mascara = mascaraDelUsuario();
    static std::atomic<int> contador{0};
    const QString temporal = trabajo.destino.left(trabajo.destino.lastIndexOf('/') + 1) +
                             QStringLiteral(".zv-restaurando-") + QString::number(::getpid()) +
                             '-' + QString::number(++contador);
    const QByteArray nombreTemporal = rutas::aBytes(temporal);
    const auto fallar = [&](const QString& error) {
        ::unlink(nombreTemporal.constData());
        trabajo.error = error;
        trabajo.fin = Trabajo::Fin::Fallido;
        return false;
    };
    if (!almacen_.traer(trabajo.origen, temporal, trabajo.datos.tamano, progreso, trabajo.error))
        return fallar(trabajo.error);
    const timespec tiempos[2] = {{trabajo.datos.modificado, 0}, {trabajo.datos.modificado, 0}};
    if (::chmod(nombreTemporal.constData(), 0666 & ~mascara) != 0 ||
        ::utimensat(AT_FDCWD, nombreTemporal.constData(), tiempos, 0) != 0)
        return fallar(errorDelSistema());
    // link never replaces what already has the name, which rename would.
    if (::link(nombreTemporal.constData(), rutas::aBytes(trabajo.destino).constData()) != 0) {
        const bool yaEstaba = errno == EEXIST;
        fallar(errorDelSistema());
        if (yaEstaba)
            trabajo.fin = Trabajo::Fin::Existente;
        return false;
    }
    ::unlink(nombreTemporal.constData());
    trabajo.fin = Trabajo::Fin::Hecho;
    return true;
}

void Restauracion::cargarBase(const RutaRegistrada& ruta, ResumenDeRestauracion& resumen) {
    const QString archivo = ruta.base + QStringLiteral(".sql");
    QString error;
    QTemporaryDir privada(QDir::tempPath() + QStringLiteral("/zarvento-base-XXXXXX"));
    const QString volcado = privada.filePath(archivo);
    const auto registrado =
        std::find_if(ruta.archivos.begin(), ruta.archivos.end(),
                     [&](const ArchivoRegistrado& a) { return a.ruta == archivo; });
    const qint64 tamano = registrado == ruta.archivos.end() ? 0 : registrado->datos.tamano;
    bool cargada = false;
    if (!servidor_)
        error = QStringLiteral("no hay servidor de base de datos en los ajustes");
    else if (!privada.isValid() ||
             !almacen_.traer(lugar_.raiz + ruta.destino + archivo, volcado, tamano, {}, error))
        error = QStringLiteral("no se pudo traer su volcado: ") + error;
    else
        cargada = CargaDeBase(*servidor_, bomba_, carpetaSeguridad_, *reloj_)
                      .cargar(ruta.base, volcado, avisos_.linea, error);
    if (cargada) {
        ++resumen.bases;
        avisos_.linea(QStringLiteral("Base restaurada: ") + ruta.base);
        return;
    }
    resumen.fallas.append(QStringLiteral("Base ") + ruta.base + QStringLiteral(" no restaurada: ") +
                          error);
    avisos_.linea(resumen.fallas.last());
}

} // namespace zarvento
