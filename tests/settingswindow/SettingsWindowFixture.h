#pragma once

#include "TestSupport.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/LibORVX.h"
#include "settingswindow/frmConfiguracion.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace zarvento::test {

// A settings file and two route lists in a temporary folder, and the window opened on them.
class SettingsWindowTest : public ::testing::Test {
protected:
    static Entorno entornoCon(DialogService* dialogos) {
        Entorno entorno;
        entorno.dialogos = dialogos;
        return entorno;
    }

    void SetUp() override {
        writeFile(archivos.pbArchivoRutas, {});
        writeFile(archivos.pbArchivoDATAs, {});
    }

    void guardar(const char* clave, const QString& valor) {
        ASSERT_TRUE(LibORVX().EscribeIni(QString::fromUtf8(ajustes::kConfiguracion),
                                         QString::fromUtf8(clave), valor, archivos.pbArchivoIni));
    }
    QString leido(const char* clave) const {
        return LibORVX().LeeIni(QString::fromUtf8(ajustes::kConfiguracion),
                                QString::fromUtf8(clave), archivos.pbArchivoIni);
    }
    QString posicion(const char* clave) const {
        return LibORVX().LeeIni(QStringLiteral("Configuración frmConfiguracion"),
                                QString::fromLatin1(clave), archivos.pbArchivoIni);
    }

    // Opens a new window on the files, closing none: each opening reloads everything.
    frmConfiguracion& abrir() {
        ventana = std::make_unique<frmConfiguracion>(componentes, archivos, huboCambios);
        return *ventana;
    }
    // Opens the window and shows it as the active window, for focus and mouse tests.
    frmConfiguracion& abrirVisible() {
        abrir();
        ventana->show();
        ventana->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(ventana.get()));
        return *ventana;
    }

    template <class Control> Control* control(const QString& nombre) const {
        auto* encontrado = ventana->findChild<Control*>(nombre);
        if (!encontrado)
            ADD_FAILURE() << "no control " << nombre.toStdString();
        return encontrado;
    }
    QCheckBox* chk(int i) const { return control<QCheckBox>("chkOpcion" + QString::number(i)); }
    QRadioButton* opt(int i) const {
        return control<QRadioButton>("optOpcion" + QString::number(i));
    }
    QLineEdit* txt(int i) const { return control<QLineEdit>("txtDato" + QString::number(i)); }
    QPlainTextEdit* lista(int i) const {
        return control<QPlainTextEdit>("txtDato" + QString::number(i));
    }
    QPushButton* boton(const char* nombre) const {
        return control<QPushButton>(QString::fromLatin1(nombre));
    }

    TempFolder dir;
    FakeDialogService dialogos;
    Componentes componentes{entornoCon(&dialogos)};
    ArchivosDeAjustes archivos{dir / "Zarvento.ini", dir / "RutasARespaldar.txt",
                               dir / "RutasDATAaRespaldar.txt"};
    bool huboCambios = false;
    std::unique_ptr<frmConfiguracion> ventana;
};

} // namespace zarvento::test
