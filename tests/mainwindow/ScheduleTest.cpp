#include "MainWindowFixture.h"

using namespace zarvento;
using namespace zarvento::test;

namespace {

class ScheduleTest : public MainWindowTest {
protected:
    // A correct configuration whose last backup was yesterday's, so no catch-up starts before
    // today's hour.
    void SetUp() override {
        MainWindowTest::SetUp();
        configurarCorrecta("23:00");
        ultimoRespaldo(reloj.now().date().addDays(-1));
        ASSERT_TRUE(cargar());
    }
    QString tic(const QTime& hora, const QDate& dia = QDate(2026, 12, 7)) {
        reloj.set(QDateTime(dia, hora));
        ventana->Timer1_Timer();
        EXPECT_EQ(ventana->windowTitle(), textoDe("lblTiempo"));
        return textoDe("lblTiempo");
    }
    int corridas() const { return vecesEnLog(linea("Iniciando respaldo")); }
};

TEST_F(ScheduleTest, CountdownShowsTheTimeLeft) {
    const QString inicio = "Hora actual: %1   Hora del respaldo: 23:00";
    EXPECT_EQ(tic(QTime(14, 3, 27)),
              inicio.arg("14:03:27") + ".   Faltan 8 hrs. 56 mins. 33 segs.");
    EXPECT_EQ(tic(QTime(22, 59, 1)), inicio.arg("22:59:01") + ".   Faltan 59 segs.");
    EXPECT_EQ(tic(QTime(22, 0)), inicio.arg("22:00:00") + ".   Faltan 1 hrs. 0 segs.");
    EXPECT_EQ(tic(QTime(22, 58, 0)), inicio.arg("22:58:00") + ".   Faltan 2 mins. 0 segs.");
    // Past the hour, the countdown is to tomorrow's backup.
    EXPECT_EQ(tic(QTime(23, 30)), inicio.arg("23:30:00") + ".   Faltan 23 hrs. 30 mins. 0 segs.");
    EXPECT_EQ(tic(QTime(23, 1, 59)),
              inicio.arg("23:01:59") + ".   Faltan 23 hrs. 58 mins. 1 segs.");
    EXPECT_EQ(tic(QTime(0, 0)), inicio.arg("00:00:00") + ".   Faltan 23 hrs. 0 segs.");
}

TEST_F(ScheduleTest, BackupMinuteStartsOneRun) {
    EXPECT_EQ(tic(QTime(23, 0)), "Hora actual: 23:00:00   Hora del respaldo: 23:00");
    EXPECT_EQ(corridas(), 1);
    EXPECT_TRUE(log().contains(linea("Respaldo finalizado")));
    EXPECT_EQ(treeOf(dir / "destino").filter("nota.txt").size(), 1);
    EXPECT_TRUE(Timer1()->isActive());
    // The rest of the minute starts nothing more.
    EXPECT_FALSE(tic(QTime(23, 0, 59)).contains("Faltan"));
    EXPECT_EQ(corridas(), 1);
    tic(QTime(23, 1));
    EXPECT_EQ(corridas(), 1);
    // The next day's minute runs again.
    tic(QTime(23, 0), QDate(2026, 12, 8));
    EXPECT_EQ(corridas(), 2);
}

TEST_F(ScheduleTest, CatchUpInsideTheBackupMinuteIsThatDaysRun) {
    reloj.set(QDateTime(QDate(2026, 12, 7), QTime(23, 0, 10)));
    ultimoRespaldo(QDate(2026, 12, 1));
    ASSERT_TRUE(cargar());
    EXPECT_EQ(corridas(), 1);
    ventana->Timer1_Timer();
    ventana->Timer1_Timer();
    EXPECT_EQ(corridas(), 1);
}

TEST_F(ScheduleTest, RunCommandLocksTheWindowWhileItWorks) {
    int vistas = 0;
    bomba.onPump = [&] {
        ++vistas;
        EXPECT_FALSE(Timer1()->isActive());
        EXPECT_FALSE(boton("cmdConfigurar")->isEnabled());
        EXPECT_FALSE(boton("cmdAccion")->isEnabled());
        EXPECT_TRUE(boton("cmdCerrar")->isEnabled());
        EXPECT_TRUE(boton("cmdMin")->isEnabled());
    };
    boton("cmdAccion")->click();
    EXPECT_GT(vistas, 0);
    EXPECT_EQ(corridas(), 1);
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_TRUE(boton("cmdConfigurar")->isEnabled());
    EXPECT_TRUE(boton("cmdAccion")->isEnabled());
}

TEST_F(ScheduleTest, IncorrectConfigurationBlocksEveryWayOfStarting) {
    guardar(ajustes::kRutaDestino, dir / "sin-carpeta");
    ultimoRespaldo(QDate(2026, 12, 1));
    ASSERT_TRUE(cargar()); // the catch-up is blocked
    boton("cmdAccion")->click();
    ventana->cmdAccion_Click();
    EXPECT_EQ(tic(QTime(23, 0, 5)), "Hora actual: 23:00:05   Hora del respaldo: 23:00");
    EXPECT_EQ(corridas(), 0);
    EXPECT_TRUE(Timer1()->isActive());
}

TEST_F(ScheduleTest, InvalidHourLeavesTicksWithoutEffect) {
    guardar(ajustes::kHoraDelRespaldo, "SIN DEFINIR");
    ASSERT_TRUE(cargar());
    ventana->setWindowTitle("antes");
    reloj.set(QDateTime(QDate(2026, 12, 7), QTime(23, 0)));
    ventana->Timer1_Timer();
    EXPECT_EQ(textoDe("lblTiempo"), "");
    EXPECT_EQ(ventana->windowTitle(), "antes");
    EXPECT_EQ(corridas(), 0);
}

} // namespace
