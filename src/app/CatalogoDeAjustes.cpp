#include "app/CatalogoDeAjustes.h"

#include "app/HoraDelRespaldo.h"
#include "app/ListaDeRutas.h"
#include "host/ClavesAjustes.h"
#include "host/DeAcceso.h"
#include "host/TextFiles.h"

#include <QDebug>
#include <QFile>
#include <utility>
#include <vector>

namespace zarvento {

namespace {

const QString kSeccion = QString::fromUtf8(ajustes::kConfiguracion);
const QString kDatoSinDefinir = QString::fromUtf8(ajustes::kDatoSinDefinir);
const QString kClaseAcceso = QStringLiteral("deAcceso");

// The window's own reading of a yes/no value: only "s" or "S" is yes.
bool SNaBooleano(const QString& texto) {
    return texto.toLower() == QStringLiteral("s");
}

QString CasillaASN(bool marcada) {
    return marcada ? QStringLiteral("S") : QStringLiteral("N");
}

bool esIndefinido(const QString& texto) {
    return texto.isEmpty() || texto == kDatoSinDefinir;
}

// The text a box shows for a stored value: nothing for the placeholder.
QString definido(const QString& texto) {
    return esIndefinido(texto) ? QString() : texto;
}

QString oMarcador(const QString& texto) {
    return texto.isEmpty() ? kDatoSinDefinir : texto;
}

} // namespace

CatalogoDeAjustes::CatalogoDeAjustes(const Componentes& componentes, ArchivosDeAjustes archivos)
    : componentes_(componentes), archivos_(std::move(archivos)) {}

QString CatalogoDeAjustes::lee(const char* clave) const {
    return ini_.LeeIni(kSeccion, QString::fromUtf8(clave), archivos_.pbArchivoIni);
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
    valores.respaldosVariados = SNaBooleano(lee(ajustes::kRespaldosVariados));
    valores.semanal = lee(ajustes::kCiclo).left(1).toLower() == QStringLiteral("s");
    valores.diaAlInicio = SNaBooleano(lee(ajustes::kDiaPrimero));
    valores.respaldoEnFTP = SNaBooleano(lee(ajustes::kRespaldoEnFTP));
    if (valores.respaldoEnFTP) {
        const QString servidor = lee(ajustes::kFTPservidor);
        if (!esIndefinido(servidor)) {
            valores.ftpServidor = acceso->DesEncripta(servidor, ajustes::kLlaveFTP);
            valores.ftpUsuario = acceso->DesEncripta(lee(ajustes::kFTPusuario), ajustes::kLlaveFTP);
            valores.ftpPassword =
                acceso->DesEncripta(lee(ajustes::kFTPpassword), ajustes::kLlaveFTP);
        } else {
            for (const char* clave :
                 {ajustes::kFTPservidor, ajustes::kFTPusuario, ajustes::kFTPpassword}) {
                QString motivo;
                if (!ini_.EscribeIni(kSeccion, QString::fromUtf8(clave), kDatoSinDefinir,
                                     archivos_.pbArchivoIni, &motivo))
                    qWarning().noquote() << "No se pudo grabar" << clave << "en"
                                         << archivos_.pbArchivoIni << ":" << motivo;
            }
        }
    }
    valores.rutaDestino = definido(lee(ajustes::kRutaDestino));
    valores.respaldoDiferencial = SNaBooleano(lee(ajustes::kRespaldoDiferencial));
    valores.incluirSubdirectorios = SNaBooleano(lee(ajustes::kIncluirSubdirectorios));
    const QString hora =
        hora::formatear(hora::interpretar(lee(ajustes::kHoraDelRespaldo)).value_or(QTime(8, 0)));
    valores.horas = hora.left(2);
    valores.minutos = hora.right(2);
    valores.copiaConsistente = SNaBooleano(lee(ajustes::kCopiaConsistente));
    if (valores.copiaConsistente) {
        valores.baseServidor = definido(lee(ajustes::kBaseServidor));
        valores.baseUsuario = definido(lee(ajustes::kBaseUsuario));
        const QString password = lee(ajustes::kBasePassword);
        if (!esIndefinido(password))
            valores.basePassword = acceso->DesEncripta(password, ajustes::kLlaveFTP);
    }
    valores.rutasDocumentos = rutasDe(archivos_.pbArchivoRutas);
    valores.rutasDatas = rutasDe(archivos_.pbArchivoDATAs);
    return valores;
}

std::optional<FalloAlGrabar> CatalogoDeAjustes::grabar(const ValoresDeAjustes& valores) const {
    const auto acceso = componentes_.CrearObj<DeAcceso>(kClaseAcceso);
    std::vector<std::pair<const char*, QString>> claves{
        {ajustes::kRespaldosVariados, CasillaASN(valores.respaldosVariados)},
        {ajustes::kCiclo, valores.semanal ? QStringLiteral("S") : QStringLiteral("M")},
        {ajustes::kDiaPrimero, CasillaASN(valores.diaAlInicio)},
        {ajustes::kRespaldoEnFTP, CasillaASN(valores.respaldoEnFTP)}};
    if (valores.respaldoEnFTP) {
        claves.insert(
            claves.end(),
            {{ajustes::kFTPservidor, acceso->Encripta(valores.ftpServidor, ajustes::kLlaveFTP)},
             {ajustes::kFTPusuario, acceso->Encripta(valores.ftpUsuario, ajustes::kLlaveFTP)},
             {ajustes::kFTPpassword, acceso->Encripta(valores.ftpPassword, ajustes::kLlaveFTP)}});
    }
    const QString hora = valores.horas + ':' + valores.minutos;
    const auto horaValida = hora::interpretar(hora);
    claves.insert(claves.end(),
                  {{ajustes::kRutaDestino, valores.rutaDestino},
                   {ajustes::kRespaldoDiferencial, CasillaASN(valores.respaldoDiferencial)},
                   {ajustes::kIncluirSubdirectorios, CasillaASN(valores.incluirSubdirectorios)},
                   {ajustes::kHoraDelRespaldo, horaValida ? hora::formatear(*horaValida) : hora},
                   {ajustes::kCopiaConsistente, CasillaASN(valores.copiaConsistente)}});
    if (valores.copiaConsistente) {
        claves.insert(claves.end(), {{ajustes::kBaseServidor, oMarcador(valores.baseServidor)},
                                     {ajustes::kBaseUsuario, oMarcador(valores.baseUsuario)},
                                     {ajustes::kBasePassword,
                                      acceso->Encripta(valores.basePassword, ajustes::kLlaveFTP)}});
    }

    FalloAlGrabar fallo;
    for (const auto& [clave, valor] : claves) {
        if (!ini_.EscribeIni(kSeccion, QString::fromUtf8(clave), valor, archivos_.pbArchivoIni,
                             &fallo.motivo)) {
            fallo.archivo = archivos_.pbArchivoIni;
            return fallo;
        }
    }
    for (const auto& [archivo, texto] :
         {std::pair{archivos_.pbArchivoRutas, valores.rutasDocumentos},
          std::pair{archivos_.pbArchivoDATAs, valores.rutasDatas}}) {
        if (!textfiles::writeAtomically(archivo, rutaslista::paraArchivo(texto), &fallo.motivo)) {
            fallo.archivo = archivo;
            return fallo;
        }
    }
    return std::nullopt;
}

} // namespace zarvento
