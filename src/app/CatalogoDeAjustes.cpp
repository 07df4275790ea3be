#include "app/CatalogoDeAjustes.h"

#include "app/HoraDelRespaldo.h"
#include "app/ListaDeRutas.h"
#include "host/DeAcceso.h"
#include "host/TextFiles.h"

#include <QDebug>
#include <QFile>
#include <utility>
#include <vector>

namespace zarvento {

namespace {

using ajustes::de;

const QString kClaseAcceso = QStringLiteral("deAcceso");

// The window's own reading of a yes/no value, stricter than the review's: only "s" or "S" is yes.
bool SNaBooleano(const QString& texto) {
    return texto.toLower() == QStringLiteral("s");
}

// The text a box shows for a stored value: nothing for the placeholder.
QString definido(const QString& texto) {
    return ajustes::sinDefinir(texto) ? QString() : texto;
}

Fallo noSeGrabo(const QString& archivo, const QString& motivo) {
    return {QStringLiteral("No se pudo grabar el archivo \"%1\": %2.").arg(archivo, motivo)};
}

} // namespace

CatalogoDeAjustes::CatalogoDeAjustes(const Componentes& componentes, ArchivosDeAjustes archivos)
    : componentes_(componentes), archivos_(std::move(archivos)),
      ajustes_(ini_, archivos_.pbArchivoIni) {}

QString CatalogoDeAjustes::lee(const ajustes::Ajuste& ajuste) const {
    return ajustes_.leer(ajuste);
}

QString CatalogoDeAjustes::rutasDe(const QString& archivo) const {
    const auto contenido = textfiles::read(archivo);
    if (!contenido && QFile::exists(archivo))
        qWarning().noquote() << "No se pudo leer la lista de rutas" << archivo;
    return rutaslista::paraCaja(contenido.value_or(QString()));
}

ValoresDeAjustes CatalogoDeAjustes::cargar() const {
    const auto acceso = componentes_.CrearObj<DeAcceso>(kClaseAcceso);
    ValoresDeAjustes valores;
    valores.respaldosVariados = SNaBooleano(lee(de(ajustes::kRespaldosVariados)));
    valores.semanal = ajustes::esSi(lee(de(ajustes::kCiclo)));
    valores.diaAlInicio = SNaBooleano(lee(de(ajustes::kDiaPrimero)));
    // Written only once cycle folders are on: until then, its default.
    const QString compartir = lee(de(ajustes::kCompartirArchivos));
    valores.compartirArchivos = compartir.isEmpty() || SNaBooleano(compartir);
    valores.respaldoEnFTP = SNaBooleano(lee(de(ajustes::kRespaldoEnFTP)));
    if (valores.respaldoEnFTP) {
        const auto& [servidor, usuario, password] = ajustes::kGrupoFTP;
        const QString cifrado = ajustes_.leer(servidor);
        if (!ajustes::sinDefinir(cifrado)) {
            valores.ftpServidor = acceso->DesEncripta(cifrado, ajustes::kLlaveFTP);
            valores.ftpUsuario = acceso->DesEncripta(ajustes_.leer(usuario), ajustes::kLlaveFTP);
            valores.ftpPassword = acceso->DesEncripta(ajustes_.leer(password), ajustes::kLlaveFTP);
        } else if (const auto hecho =
                       ajustes_.escribir({{servidor, QString::fromUtf8(servidor.defecto)},
                                          {usuario, QString::fromUtf8(usuario.defecto)},
                                          {password, QString::fromUtf8(password.defecto)}});
                   !hecho) {
            qWarning().noquote() << "No se pudieron grabar los datos FTP en"
                                 << archivos_.pbArchivoIni << ":" << hecho.motivo();
        }
    }
    valores.rutaDestino = definido(lee(de(ajustes::kRutaDestino)));
    valores.respaldoDiferencial = SNaBooleano(lee(de(ajustes::kRespaldoDiferencial)));
    valores.incluirSubdirectorios = SNaBooleano(lee(de(ajustes::kIncluirSubdirectorios)));
    const QString hora = hora::formatear(
        hora::interpretar(lee(de(ajustes::kHoraDelRespaldo))).value_or(QTime(8, 0)));
    valores.horas = hora.left(2);
    valores.minutos = hora.right(2);
    valores.copiaConsistente = SNaBooleano(lee(de(ajustes::kCopiaConsistente)));
    if (valores.copiaConsistente) {
        valores.baseServidor = definido(lee(de(ajustes::kBaseServidor)));
        valores.baseUsuario = definido(lee(de(ajustes::kBaseUsuario)));
        const QString password = lee(de(ajustes::kBasePassword));
        if (!ajustes::sinDefinir(password))
            valores.basePassword = acceso->DesEncripta(password, ajustes::kLlaveFTP);
    }
    const ajustes::Ajuste& limite = de(ajustes::kBaseTiempoMaximo);
    valores.baseMinutos = definido(lee(limite));
    if (valores.baseMinutos.isEmpty())
        valores.baseMinutos = QString::fromUtf8(limite.defecto);
    valores.comprobarCopias = SNaBooleano(lee(de(ajustes::kComprobarCopias)));
    valores.rutasDocumentos = rutasDe(archivos_.pbArchivoRutas);
    valores.rutasDatas = rutasDe(archivos_.pbArchivoDATAs);
    return valores;
}

Resultado<> CatalogoDeAjustes::grabar(const ValoresDeAjustes& valores) const {
    const auto acceso = componentes_.CrearObj<DeAcceso>(kClaseAcceso);
    std::vector<ValorDeAjuste> claves{
        {de(ajustes::kRespaldosVariados), ajustes::comoSiNo(valores.respaldosVariados)},
        {de(ajustes::kCiclo), ajustes::comoCiclo(valores.semanal)},
        {de(ajustes::kDiaPrimero), ajustes::comoSiNo(valores.diaAlInicio)},
        {de(ajustes::kCompartirArchivos), ajustes::comoSiNo(valores.compartirArchivos)},
        {de(ajustes::kRespaldoEnFTP), ajustes::comoSiNo(valores.respaldoEnFTP)}};
    if (valores.respaldoEnFTP) {
        const auto& [servidor, usuario, password] = ajustes::kGrupoFTP;
        claves.insert(claves.end(),
                      {{servidor, acceso->Encripta(valores.ftpServidor, ajustes::kLlaveFTP)},
                       {usuario, acceso->Encripta(valores.ftpUsuario, ajustes::kLlaveFTP)},
                       {password, acceso->Encripta(valores.ftpPassword, ajustes::kLlaveFTP)}});
    }
    const QString hora = valores.horas + ':' + valores.minutos;
    const auto horaValida = hora::interpretar(hora);
    claves.insert(
        claves.end(),
        {{de(ajustes::kRutaDestino), valores.rutaDestino},
         {de(ajustes::kRespaldoDiferencial), ajustes::comoSiNo(valores.respaldoDiferencial)},
         {de(ajustes::kIncluirSubdirectorios), ajustes::comoSiNo(valores.incluirSubdirectorios)},
         {de(ajustes::kHoraDelRespaldo), horaValida ? hora::formatear(*horaValida) : hora},
         {de(ajustes::kCopiaConsistente), ajustes::comoSiNo(valores.copiaConsistente)},
         {de(ajustes::kComprobarCopias), ajustes::comoSiNo(valores.comprobarCopias)}});
    if (valores.copiaConsistente && !ajustes::minutosDe(valores.baseMinutos))
        return Fallo{QStringLiteral("El tiempo máximo de la copia de la base debe ser un número "
                                    "de minutos, de 1 a %1.")
                         .arg(ajustes::kMinutosMaximos)};
    if (valores.copiaConsistente) {
        const auto comoTexto = [](const QString& texto) {
            return texto.isEmpty() ? QString::fromUtf8(ajustes::kDatoSinDefinir) : texto;
        };
        claves.insert(claves.end(), {{de(ajustes::kBaseServidor), comoTexto(valores.baseServidor)},
                                     {de(ajustes::kBaseUsuario), comoTexto(valores.baseUsuario)},
                                     {de(ajustes::kBasePassword),
                                      acceso->Encripta(valores.basePassword, ajustes::kLlaveFTP)},
                                     {de(ajustes::kBaseTiempoMaximo),
                                      QString::number(*ajustes::minutosDe(valores.baseMinutos))}});
    }

    if (const auto hecho = ajustes_.escribir(claves); !hecho)
        return noSeGrabo(archivos_.pbArchivoIni, hecho.motivo());
    for (const auto& [archivo, texto] :
         {std::pair{archivos_.pbArchivoRutas, valores.rutasDocumentos},
          std::pair{archivos_.pbArchivoDATAs, valores.rutasDatas}}) {
        QString motivo;
        if (!textfiles::writeAtomically(archivo, rutaslista::paraArchivo(texto), &motivo))
            return noSeGrabo(archivo, motivo);
    }
    return {};
}

} // namespace zarvento
