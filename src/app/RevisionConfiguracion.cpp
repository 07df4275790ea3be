#include "app/RevisionConfiguracion.h"

#include "app/CarpetasDeRutas.h"
#include "app/HoraDelRespaldo.h"
#include "app/RutasARespaldar.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DeAcceso.h"
#include "host/DeArchivos.h"
#include "host/LibORVX.h"

#include <QFileInfo>

namespace zarvento {

namespace {

QString texto(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool esSi(const QString& valor) {
    return valor.left(1).toLower() == QStringLiteral("s");
}

bool vacio(const QString& archivo) {
    return QFileInfo(archivo).size() == 0;
}

} // namespace

RevisionConfiguracion::RevisionConfiguracion(const Componentes& componentes, const LibORVX& ini,
                                             clsRespaldar& job, ArchivosPrincipal archivos,
                                             const Clock& reloj, VentanaRevisable& ventana)
    : componentes_(componentes), ini_(ini), job_(job), archivos_(std::move(archivos)),
      reloj_(reloj), ventana_(ventana) {}

void RevisionConfiguracion::RevisarConfiguracion() {
    const auto acceso = componentes_.CrearObj<DeAcceso>(QStringLiteral("DeAcceso"));
    ventana_.prepararRevision();
    bool blCorrecto = true;
    job_.Bitacorear(QStringLiteral("Revisando configuración"));

    revisarRutas(blCorrecto);
    job_.RespaldoMultiple(leerSiNo(ajustes::kRespaldosVariados, "S"));
    registrarSiNo(QStringLiteral("Respaldos variados"), job_.RespaldoMultiple());
    if (job_.RespaldoMultiple())
        revisarCiclo();
    job_.RespaldoEnFTP(leerSiNo(ajustes::kRespaldoEnFTP, "N"));
    registrarSiNo(QStringLiteral("Respaldo en FTP"), job_.RespaldoEnFTP());
    if (job_.RespaldoEnFTP())
        revisarFTP(*acceso);
    revisarDestino(blCorrecto);
    job_.Incremental(leerSiNo(ajustes::kRespaldoDiferencial, "S"));
    registrarSiNo(QStringLiteral("Respaldo diferencial"), job_.Incremental());
    job_.IncluirSubdirectorios(leerSiNo(ajustes::kIncluirSubdirectorios, "S"));
    registrarSiNo(QStringLiteral("Incluir subdirectorios"), job_.IncluirSubdirectorios());
    revisarHora(blCorrecto);

    if (blCorrecto) {
        job_.Bitacorear(QStringLiteral("Resultado revisión"), QStringLiteral("Todo correcto"));
        if (tocaPonerseAlDia())
            ventana_.respaldarAhora();
    } else {
        ventana_.habilitarAccion(false);
        job_.Bitacorear(QStringLiteral("No procede el respaldo"),
                        QStringLiteral("Configuración incorrecta"));
    }
    job_.Bitacorear(QStringLiteral("Configuración revisada"));
}

void RevisionConfiguracion::revisarRutas(bool& blCorrecto) {
    rutas::LeerRutas(archivos_.pbArchivoRutas, blCorrecto, false, job_);
    rutas::LeerRutas(archivos_.pbArchivoDATAs, blCorrecto, true, job_);
    if (blCorrecto && vacio(archivos_.pbArchivoRutas) && vacio(archivos_.pbArchivoDATAs)) {
        job_.Bitacorear(QStringLiteral("No se han definido rutas"));
        blCorrecto = false;
    }
    if (blCorrecto) {
        job_.Bitacorear(QStringLiteral("Rutas a respaldar correctas"));
        ventana_.habilitarAccion(true);
    } else {
        job_.Bitacorear(QStringLiteral("Rutas a respaldar incorrectas"));
    }
    rutas::AvisarNombresRepetidos(
        CarpetasDeRutas(rutas::LineasDeAmbas(archivos_.pbArchivoRutas, archivos_.pbArchivoDATAs)),
        job_);
}

void RevisionConfiguracion::revisarCiclo() {
    job_.EsSemanal(esSi(leerConDefecto(ajustes::kCiclo, "Semanal")));
    job_.Bitacorear(QStringLiteral("Ciclo"),
                    job_.EsSemanal() ? QStringLiteral("Semanal") : QStringLiteral("Mensual"));
    job_.DiaAlInicio(leerSiNo(ajustes::kDiaPrimero, "S"));
    registrarSiNo(QStringLiteral("'Día al inicio'"), job_.DiaAlInicio());
}

void RevisionConfiguracion::revisarFTP(const DeAcceso& acceso) {
    const QString servidor = leer(ajustes::kFTPservidor);
    if (servidor.isEmpty() || servidor == texto(ajustes::kDatoSinDefinir)) {
        for (const char* clave :
             {ajustes::kFTPservidor, ajustes::kFTPusuario, ajustes::kFTPpassword})
            escribir(clave, texto(ajustes::kDatoSinDefinir));
        return;
    }
    job_.FTPservidor(acceso.DesEncripta(servidor, ajustes::kLlaveFTP));
    job_.ftpUsuario(acceso.DesEncripta(leer(ajustes::kFTPusuario), ajustes::kLlaveFTP));
    job_.FTPpassword(acceso.DesEncripta(leer(ajustes::kFTPpassword), ajustes::kLlaveFTP));
}

void RevisionConfiguracion::revisarDestino(bool& blCorrecto) {
    const QString destino = leer(ajustes::kRutaDestino);
    if (destino.isEmpty() || destino == texto(ajustes::kDatoSinDefinir)) {
        job_.Bitacorear(QStringLiteral("Alerta"), QStringLiteral("Ruta destino, no definida"));
        blCorrecto = false;
        escribir(ajustes::kRutaDestino, texto(ajustes::kDatoSinDefinir));
    } else if (job_.RespaldoEnFTP()) {
        job_.RutaDestino(destino);
        job_.Bitacorear(QStringLiteral("Ruta FTP"), job_.RutaDestino());
        job_.Bitacorear(QStringLiteral("Atención: ruta no comprobable, por ser FTP"));
    } else if (DeArchivos::HayCarpeta(destino)) {
        job_.RutaDestino(destino);
        rutas::AvisarDestinoDentro(
            destino, rutas::LineasDeAmbas(archivos_.pbArchivoRutas, archivos_.pbArchivoDATAs),
            job_);
    } else {
        job_.Bitacorear(QStringLiteral("Alerta"), QStringLiteral("Ruta destino inexistente"));
        blCorrecto = false;
    }
    if (blCorrecto)
        job_.Bitacorear(QStringLiteral("Ruta destino correcta") +
                        (job_.RespaldoEnFTP() ? QStringLiteral(" (pero es ruta FTP)") : QString()));
}

void RevisionConfiguracion::revisarHora(bool& blCorrecto) {
    const QString hora = leerConDefecto(ajustes::kHoraDelRespaldo, ajustes::kHoraSinDefinir);
    const bool valida = hora::interpretar(hora).has_value();
    job_.Bitacorear(QStringLiteral("Hora del respaldo"),
                    valida ? hora : texto(ajustes::kHoraSinDefinir));
    if (valida)
        ventana_.horaAceptada(hora);
    else
        blCorrecto = false;
    ventana_.activarReloj(valida);
}

// An overdue backup: the last one is older than yesterday, or was yesterday and today's backup
// hour has passed (compared as "hh:nn" texts).
bool RevisionConfiguracion::tocaPonerseAlDia() const {
    const QDate ultimo =
        QDate::fromString(ini_.LeeIni(texto(ajustes::kResultado), texto(ajustes::kUltimoRespaldo),
                                      archivos_.pbArchivoIni),
                          texto(ajustes::kFormatoFecha));
    if (!ultimo.isValid())
        return false;
    const QDateTime ahora = reloj_.now();
    const QDate ayer = ahora.date().addDays(-1);
    if (ultimo < ayer)
        return true;
    return ultimo == ayer &&
           leer(ajustes::kHoraDelRespaldo) < ahora.toString(QStringLiteral("HH:mm"));
}

QString RevisionConfiguracion::leer(const char* clave) const {
    return ini_.LeeIni(texto(ajustes::kConfiguracion), texto(clave), archivos_.pbArchivoIni);
}

void RevisionConfiguracion::escribir(const char* clave, const QString& valor) const {
    QString error;
    if (!ini_.EscribeIni(texto(ajustes::kConfiguracion), texto(clave), valor,
                         archivos_.pbArchivoIni, &error))
        job_.ArchivoBitacora(QStringLiteral("No se pudo guardar ") + texto(clave) +
                             QStringLiteral(": ") + error);
}

QString RevisionConfiguracion::leerConDefecto(const char* clave, const char* defecto) const {
    const QString valor = leer(clave);
    if (!valor.isEmpty())
        return valor;
    escribir(clave, texto(defecto));
    return texto(defecto);
}

bool RevisionConfiguracion::leerSiNo(const char* clave, const char* defecto) const {
    return esSi(leerConDefecto(clave, defecto));
}

void RevisionConfiguracion::registrarSiNo(const QString& etiqueta, bool valor) {
    job_.Bitacorear(etiqueta, valor ? QStringLiteral("Sí") : QStringLiteral("No"));
}

} // namespace zarvento
