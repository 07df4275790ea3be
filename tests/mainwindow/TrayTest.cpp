#include "MainWindowFixture.h"
#include "mainwindow/BandejaPrincipal.h"
#include "mainwindow/NotificacionesDBus.h"
#include "mainwindow/TraduccionesQt.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// The desktop's notification service, answered by the test on a private session bus.
class ServicioDeNotificaciones : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public Q_SLOTS:
    uint Notify(const QString& programa, uint, const QString& icono, const QString& titulo,
                const QString& texto, const QStringList&, const QVariantMap&, int) {
        recibidas.append(programa + '|' + icono + '|' + titulo + '|' + texto);
        return static_cast<uint>(recibidas.size());
    }

public:
    QStringList recibidas;
};

class Notificaciones final : public Notificador {
public:
    void notificar(const Notificacion& n) override { textos.append(n.texto); }
    QStringList textos;
};

class TrayTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        configurarCorrecta();
        ultimoRespaldo(reloj.now().date());
    }
    bool cargarConAvisos() {
        ventana =
            std::make_unique<frmPrincipal>(componentes, reloj, bomba, [this] { ++terminado; });
        ventana->usarNotificador(avisos);
        return ventana->Form_Load();
    }
    void elegir(const char* orden) {
        QMenu* menu = ventana->bandeja().menu();
        Q_EMIT menu->aboutToShow();
        QAction* accion = ventana->bandeja().accion(QString::fromUtf8(orden));
        ASSERT_NE(accion, nullptr) << orden;
        accion->trigger();
    }
    QString resumen() const { return ventana->bandeja().iconoDeBandeja()->toolTip(); }
    int corridas() const { return vecesEnLog(linea("Iniciando respaldo")); }

    Notificaciones avisos;
};

TEST_F(TrayTest, MenuCommandsAreTheButtonsOwn) {
    ASSERT_TRUE(cargarConAvisos());
    EXPECT_TRUE(ventana->bandeja().iconoDeBandeja()->isVisible());
    EXPECT_EQ(resumen(),
              "Zarvento\nÚltimo respaldo: 07/12/2026\nPróximo respaldo: 07/12/2026 23:00");

    // While a run works, the menu can neither start another run nor open the settings.
    bool enCorrida = false;
    bomba.onPump = [&] {
        if (std::exchange(enCorrida, true))
            return;
        elegir("Respaldar ahora");
        EXPECT_FALSE(ventana->bandeja().accion("Ajustes")->isEnabled());
    };
    elegir("Respaldar ahora");
    EXPECT_EQ(corridas(), 1);
    bomba.onPump = nullptr;
    // The run's copy was read back, and the tooltip says so.
    EXPECT_EQ(vecesEnLog(linea("Copia comprobada",
                               "2 archivos, 6 bytes leídos de vuelta, 0 tablas revisadas")),
              1)
        << bitacora().toStdString();
    EXPECT_TRUE(resumen().endsWith("\nÚltima comprobación: 07/12/2026 08:00, Copia comprobada"))
        << resumen().toStdString();

    dialogos.answers = {MessageAnswer::No};
    elegir("Cerrar");
    ASSERT_EQ(dialogos.messages.size(), 1u);
    EXPECT_EQ(dialogos.messages[0].title, "Atención");
    EXPECT_EQ(terminado, 0);

    QTimer::singleShot(0,
                       [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject(); });
    elegir("Ajustes");
    EXPECT_TRUE(bitacora().contains("Entrando a ajustes del programa"));

    elegir("Mostrar");
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_FALSE(ventana->isMinimized());
    EXPECT_TRUE(avisos.textos.isEmpty());
}

TEST_F(TrayTest, TheTrayIsThereFromTheCatchUpRunAtStart) {
    ultimoRespaldo(QDate(2026, 12, 1));
    bool visible = false;
    bomba.onPump = [&] { visible = visible || ventana->bandeja().iconoDeBandeja()->isVisible(); };
    ASSERT_TRUE(cargarConAvisos());
    EXPECT_EQ(corridas(), 1);
    EXPECT_TRUE(visible);
    // The catch-up made today's backup, so the start has nothing to warn of.
    EXPECT_TRUE(avisos.textos.isEmpty());
}

TEST_F(TrayTest, FailuresAreNotifiedAndShownOnTheIcon) {
    ASSERT_TRUE(cargarConAvisos());
    const QIcon normal = ventana->bandeja().iconoDeBandeja()->icon();
    QDir(dir / "documentos").removeRecursively();
    boton("cmdAccion")->click();
    ASSERT_TRUE(log().contains(linea("Error al respaldar")));
    EXPECT_EQ(avisos.textos, QStringList{"Error al respaldar"});
    EXPECT_TRUE(resumen().endsWith("\nError al respaldar"));
    EXPECT_NE(ventana->bandeja().iconoDeBandeja()->icon().cacheKey(), normal.cacheKey());

    // A start with an incorrect configuration and an old last backup says both.
    avisos.textos.clear();
    ultimoRespaldo(QDate(2026, 12, 4));
    ASSERT_TRUE(cargarConAvisos());
    EXPECT_EQ(avisos.textos,
              QStringList({"Configuración incorrecta: no se harán respaldos hasta corregirla "
                           "en Ajustes",
                           "El último respaldo es del 04/12/2026, hace 3 días"}));
    EXPECT_TRUE(resumen().contains("Próximo respaldo: ninguno"));
}

TEST(NotificacionesDBus, ReachTheDesktopsNotificationService) {
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(bus.waitForReadyRead(5000)) << "dbus-daemon did not start";
    const QString direccion = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection conexion = QDBusConnection::connectToBus(direccion, "notificaciones");
        ASSERT_TRUE(conexion.isConnected());
        ServicioDeNotificaciones servicio;
        ASSERT_TRUE(conexion.registerService("org.freedesktop.Notifications"));
        ASSERT_TRUE(conexion.registerObject("/org/freedesktop/Notifications", &servicio,
                                            QDBusConnection::ExportAllSlots));
        NotificacionesDBus("zarvento", conexion).notificar({"Zarvento", "Error al respaldar"});
        for (int i = 0; i < 100 && servicio.recibidas.isEmpty(); ++i)
            QTest::qWait(20);
        EXPECT_EQ(servicio.recibidas, QStringList{"Zarvento|zarvento|Zarvento|Error al respaldar"});
    }
    QDBusConnection::disconnectFromBus("notificaciones");
    bus.kill();
    bus.waitForFinished();
}

TEST(TraduccionesQt, QtTextsInTheLocaleOrElseInSpanish) {
    auto& aplicacion = *QCoreApplication::instance();
    EXPECT_EQ(CargarTraduccionesQt(aplicacion, QLocale(QLocale::German)).left(2), "de");
    EXPECT_EQ(CargarTraduccionesQt(aplicacion, QLocale::c()).left(2), "es");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Sí");
}

} // namespace

#include "TrayTest.moc"
