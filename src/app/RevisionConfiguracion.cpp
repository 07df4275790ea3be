#include "app/RevisionConfiguracion.h"

#include "app/AgendaDeRespaldo.h"
#include "app/CarpetasDeRutas.h"
#include "app/HoraDelRespaldo.h"
#include "app/RutasARespaldar.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DeAcceso.h"
#include "host/DeArchivos.h"

#include <QFileInfo>

namespace zarvento {

namespace {

using ajustes::de;

QString texto(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool vacio(const QString& archivo) {
    return QFileInfo(archivo).size() == 0;
}

} // namespace

RevisionConfiguracion::RevisionConfiguracion(const Componentes& componentes, const LibORVX& ini,
                                             clsRespaldar& job, ArchivosPrincipal archivos,
                                             const Clock& reloj, VentanaRevisable& ventana)
    : componentes_(componentes), job_(job), archivos_(std::move(archivos)),
      ajustes_(ini, archivos_.pbArchivoIni), reloj_(reloj), ventana_(ventana) {}

void RevisionConfiguracion::RevisarConfiguracion() {
    const auto acceso = componentes_.CrearObj<DeAcceso>(QStringLiteral("DeAcceso"));
    ventana_.prepararRevision();
    bool blCorrecto = true;
    job_.Bitacorear(QStringLiteral("Revisando configuración"));

    revisarRutas(blCorrecto);
    job_.RespaldoMultiple(leerSiNo(de(ajustes::kRespaldosVariados)));
    registrarSiNo(QStringLiteral("Respaldos variados"), job_.RespaldoMultiple());
    if (job_.RespaldoMultiple())
        revisarCiclo();
    job_.RespaldoEnFTP(leerSiNo(de(ajustes::kRespaldoEnFTP)));
    registrarSiNo(QStringLiteral("Respaldo en FTP"), job_.RespaldoEnFTP());
    if (job_.RespaldoEnFTP())
        revisarFTP(*acceso);
    revisarDestino(blCorrecto);
    job_.Incremental(leerSiNo(de(ajustes::kRespaldoDiferencial)));
    registrarSiNo(QStringLiteral("Respaldo diferencial"), job_.Incremental());
    job_.IncluirSubdirectorios(leerSiNo(de(ajustes::kIncluirSubdirectorios)));
    registrarSiNo(QStringLiteral("Incluir subdirectorios"), job_.IncluirSubdirectorios());
    revisarCopiaConsistente(*acceso, blCorrecto);
    const bool comprobar = leerSiNo(de(ajustes::kComprobarCopias));
    registrarSiNo(QStringLiteral("Comprobar copias"), comprobar);
    const QString minutos = leerConDefecto(de(ajustes::kMinutosComprobacion));
    if (comprobar)
        job_.Bitacorear(QStringLiteral("Minutos de comprobación"), minutos);
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
    rutas::AvisarNombresRepetidos(CarpetasDeRutas::deArchivos(archivos_.pbArchivoRutas,
                                                              archivos_.pbArchivoDATAs,
                                                              archivos_.pbArchivoCarpetas),
                                  job_);
}

void RevisionConfiguracion::revisarCiclo() {
    job_.EsSemanal(ajustes::esSi(leerConDefecto(de(ajustes::kCiclo))));
    job_.Bitacorear(QStringLiteral("Ciclo"),
                    job_.EsSemanal() ? QStringLiteral("Semanal") : QStringLiteral("Mensual"));
    job_.DiaAlInicio(leerSiNo(de(ajustes::kDiaPrimero)));
    registrarSiNo(QStringLiteral("'Día al inicio'"), job_.DiaAlInicio());
    job_.CompartirArchivos(leerSiNo(de(ajustes::kCompartirArchivos)));
    registrarSiNo(QStringLiteral("Compartir archivos entre copias"), job_.CompartirArchivos());
}

void RevisionConfiguracion::revisarFTP(const DeAcceso& acceso) {
    const auto& [servidor, usuario, password] = ajustes::kGrupoFTP;
    const QString cifrado = ajustes_.leer(servidor);
    if (ajustes::sinDefinir(cifrado)) {
        escribir({{servidor, texto(servidor.defecto)},
                  {usuario, texto(usuario.defecto)},
                  {password, texto(password.defecto)}});
        return;
    }
    job_.FTPservidor(acceso.DesEncripta(cifrado, ajustes::kLlaveFTP));
    job_.ftpUsuario(acceso.DesEncripta(ajustes_.leer(usuario), ajustes::kLlaveFTP));
    job_.FTPpassword(acceso.DesEncripta(ajustes_.leer(password), ajustes::kLlaveFTP));
}

void RevisionConfiguracion::revisarDestino(bool& blCorrecto) {
    const ajustes::Ajuste& ruta = de(ajustes::kRutaDestino);
    const QString destino = ajustes_.leer(ruta);
    if (ajustes::sinDefinir(destino)) {
        job_.Bitacorear(QStringLiteral("Alerta"), QStringLiteral("Ruta destino, no definida"));
        blCorrecto = false;
        escribirDefecto(ruta);
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

// The database server whose databases the data routes get a consistent copy of; the password is
// never logged.
void RevisionConfiguracion::revisarCopiaConsistente(const DeAcceso& acceso, bool& blCorrecto) {
    job_.CopiaConsistente(std::nullopt);
    const bool activa = leerSiNo(de(ajustes::kCopiaConsistente));
    registrarSiNo(QStringLiteral("Copia consistente"), activa);
    if (!activa)
        return;
    const QString servidor = leerConDefecto(de(ajustes::kBaseServidor));
    const QString usuario = leerConDefecto(de(ajustes::kBaseUsuario));
    const QString password = leerConDefecto(de(ajustes::kBasePassword));
    if (ajustes::sinDefinir(servidor) || ajustes::sinDefinir(usuario)) {
        job_.Bitacorear(QStringLiteral("Alerta"), QStringLiteral("Base de datos, no definida"));
        blCorrecto = false;
        return;
    }
    const QString tiempo = leerConDefecto(de(ajustes::kBaseTiempoMaximo));
    const auto minutos = ajustes::minutosDe(tiempo);
    if (!minutos) {
        job_.Bitacorear(QStringLiteral("Alerta"),
                        QStringLiteral("Base tiempo máximo no válido: ") + tiempo);
        blCorrecto = false;
        return;
    }
    job_.Bitacorear(QStringLiteral("Base servidor"), servidor);
    job_.Bitacorear(QStringLiteral("Base usuario"), usuario);
    job_.Bitacorear(QStringLiteral("Base tiempo máximo"),
                    QString::number(*minutos) + QStringLiteral(" minutos"));
    job_.CopiaConsistente(ServidorDeBase{servidor, usuario,
                                         ajustes::sinDefinir(password)
                                             ? QString()
                                             : acceso.DesEncripta(password, ajustes::kLlaveFTP)},
                          std::chrono::minutes(*minutos));
}

void RevisionConfiguracion::revisarHora(bool& blCorrecto) {
    const QString hora = leerConDefecto(de(ajustes::kHoraDelRespaldo));
    const bool valida = hora::interpretar(hora).has_value();
    job_.Bitacorear(QStringLiteral("Hora del respaldo"),
                    valida ? hora : texto(ajustes::kHoraSinDefinir));
    if (valida)
        ventana_.horaAceptada(hora);
    else
        blCorrecto = false;
    ventana_.activarReloj(valida);
}

// An overdue backup: the last one is older than the latest day whose backup is due.
bool RevisionConfiguracion::tocaPonerseAlDia() const {
    const QDate ultimo = ajustes::fechaDe(ajustes_.leer(de(ajustes::kUltimoRespaldo)));
    const auto hora = hora::interpretar(ajustes_.leer(de(ajustes::kHoraDelRespaldo)));
    return ultimo.isValid() && hora && ultimo < AgendaDeRespaldo::diaDebido(reloj_.now(), *hora);
}

void RevisionConfiguracion::escribir(const std::vector<ValorDeAjuste>& valores) const {
    if (const auto hecho = ajustes_.escribir(valores); !hecho) {
        QStringList claves;
        for (const ValorDeAjuste& valor : valores)
            claves.append(texto(valor.ajuste.get().clave));
        job_.ArchivoBitacora(QStringLiteral("No se pudo guardar ") + claves.join(", ") +
                             QStringLiteral(": ") + hecho.motivo());
    }
}

void RevisionConfiguracion::escribirDefecto(const ajustes::Ajuste& ajuste) const {
    escribir({{ajuste, texto(ajuste.defecto)}});
}

QString RevisionConfiguracion::leerConDefecto(const ajustes::Ajuste& ajuste) const {
    const QString valor = ajustes_.leer(ajuste);
    if (!valor.isEmpty())
        return valor;
    escribirDefecto(ajuste);
    return texto(ajuste.defecto);
}

bool RevisionConfiguracion::leerSiNo(const ajustes::Ajuste& ajuste) const {
    return ajustes::esSi(leerConDefecto(ajuste));
}

void RevisionConfiguracion::registrarSiNo(const QString& etiqueta, bool valor) {
    job_.Bitacorear(etiqueta, valor ? QStringLiteral("Sí") : QStringLiteral("No"));
}

} // namespace zarvento
