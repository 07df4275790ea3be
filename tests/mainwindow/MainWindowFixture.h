#pragma once

#include "TestSupport.h"
#include "engine/Bitacora.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/ConexionCentral.h"
#include "host/DeAcceso.h"
#include "host/DelRegistro.h"
#include "host/LibORVX.h"
#include "mainwindow/frmPrincipal.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace zarvento::test {

// A program folder with a recorded host installation, a documents folder and a destination, and
// the main window loaded on them with a fake clock and fake dialogs. The central server's
// machine values point at a closed port, so runs go unrecorded at once.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* carpeta : {"programa", "host", "destino", "documentos/sub"})
            QDir().mkpath(dir / carpeta);
        writeFile(dir / "documentos/carta.txt", "uno");
        writeFile(dir / "documentos/sub/nota.txt", "dos");
        valorDeEquipo(valoresDeEquipo::kUsuario, "nadie");
        valorDeEquipo(valoresDeEquipo::kPassword, "nada");
        valorDeEquipo(valoresDeEquipo::kPuerto, "1");
        const DelRegistro registro(entorno());
        ASSERT_TRUE(registro.GrabarCadena(DelRegistro::kClaveInstalacion,
                                          DelRegistro::kValorInstalacion, dir / "host",
                                          DelRegistro::Raiz::HKEY_LOCAL_MACHINE));
        guardar(ajustes::kRutaHost, dir / "host");
    }

    Entorno entorno() {
        return {{dir / "programa", "zarvento", "zarvento"},
                &dialogos,
                dir / "maquina",
                dir / "usuario",
                dir / "autostart",
                &bomba,
                dir / "datos"};
    }

    // One of the central server account's machine values, stored protected.
    void valorDeEquipo(const char* valor, const QString& dato) {
        ASSERT_TRUE(DelRegistro(entorno()).GrabarCadena(
            valoresDeEquipo::kClave, valor, DeAcceso().Encripta(dato, valoresDeEquipo::kLlave),
            DelRegistro::Raiz::HKEY_LOCAL_MACHINE));
    }

    QString ini() const { return dir / "programa/zarvento.ini"; }
    QString rutas() const { return dir / "programa/RutasARespaldar.txt"; }
    QString datas() const { return dir / "programa/RutasDATAaRespaldar.txt"; }
    QString bitacora() const { return QString::fromUtf8(readFile(dir / "programa/Bitacora.log")); }

    void guardar(const char* clave, const QString& valor,
                 const char* seccion = ajustes::kConfiguracion) {
        ASSERT_TRUE(LibORVX().EscribeIni(QString::fromUtf8(seccion), QString::fromUtf8(clave),
                                         valor, ini()));
    }
    QString leido(const char* clave, const char* seccion = ajustes::kConfiguracion) const {
        return LibORVX().LeeIni(QString::fromUtf8(seccion), QString::fromUtf8(clave), ini());
    }
    void ultimoRespaldo(const QDate& fecha) {
        guardar(ajustes::kUltimoRespaldo, fecha.toString(ajustes::kFormatoFecha),
                ajustes::kResultado);
    }

    // Documents list, destination and backup hour all good.
    void configurarCorrecta(const QString& hora = "23:00") {
        writeFile(rutas(), (dir / "documentos").toUtf8() + "\r\n");
        writeFile(datas(), {});
        guardar(ajustes::kRutaDestino, dir / "destino");
        guardar(ajustes::kHoraDelRespaldo, hora);
    }

    bool cargar() {
        ventana =
            std::make_unique<frmPrincipal>(componentes, reloj, bomba, [this] { ++terminado; });
        return ventana->Form_Load();
    }

    template <class Control> Control* control(const char* nombre) const {
        auto* encontrado = ventana->findChild<Control*>(QString::fromLatin1(nombre));
        if (!encontrado)
            ADD_FAILURE() << "no control " << nombre;
        return encontrado;
    }
    QPushButton* boton(const char* nombre) const { return control<QPushButton>(nombre); }
    QTimer* Timer1() const { return control<QTimer>("Timer1"); }
    QString textoDe(const char* etiqueta) const { return control<QLabel>(etiqueta)->text(); }
    QStringList log() const {
        const QString texto = control<QPlainTextEdit>("txtLog")->toPlainText();
        return texto.isEmpty() ? QStringList() : texto.split('\n');
    }
    int vecesEnLog(const QString& linea) const { return static_cast<int>(log().count(linea)); }

    static QString linea(const QString& etiqueta, const QString& dato = {}) {
        return Bitacora::ComponerLinea(etiqueta, dato, false);
    }

    TempFolder dir;
    FakeDialogService dialogos;
    FakeClock reloj{QDateTime(QDate(2026, 12, 7), QTime(8, 0))};
    CountingPump bomba;
    Componentes componentes{entorno()};
    int terminado = 0;
    std::unique_ptr<frmPrincipal> ventana;
};

} // namespace zarvento::test
