#include "MainWindowFixture.h"
#include "app/HoraDelRespaldo.h"

using namespace zarvento;
using namespace zarvento::test;

namespace {

TEST_F(MainWindowTest, EmptySettingsWriteTheDefaultsAndBlockEveryRun) {
    ASSERT_TRUE(cargar());
    EXPECT_EQ(log(),
              (QStringList{
                  linea("Revisando configuración"), linea("No se han definido rutas"),
                  linea("Rutas a respaldar incorrectas"), linea("Respaldos variados", "Sí"),
                  linea("Ciclo", "Semanal"), linea("'Día al inicio'", "Sí"),
                  linea("Compartir archivos entre copias", "Sí"), linea("Respaldo en FTP", "No"),
                  linea("Alerta", "Ruta destino, no definida"), linea("Respaldo diferencial", "Sí"),
                  linea("Incluir subdirectorios", "Sí"), linea("Copia consistente", "No"),
                  linea("Comprobar copias", "Sí"), linea("Minutos de comprobación", "60"),
                  linea("Hora del respaldo", "SIN DEFINIR"),
                  linea("No procede el respaldo", "Configuración incorrecta"),
                  linea("Configuración revisada")}));
    EXPECT_EQ(leido(ajustes::kRespaldosVariados), "S");
    EXPECT_EQ(leido(ajustes::kCiclo), "Semanal");
    EXPECT_EQ(leido(ajustes::kDiaPrimero), "S");
    EXPECT_EQ(leido(ajustes::kRespaldoEnFTP), "N");
    EXPECT_EQ(leido(ajustes::kRutaDestino), "DATO SIN DEFINIR");
    EXPECT_EQ(leido(ajustes::kRespaldoDiferencial), "S");
    EXPECT_EQ(leido(ajustes::kIncluirSubdirectorios), "S");
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "SIN DEFINIR");
    EXPECT_EQ(leido(ajustes::kCopiaConsistente), "N");
    EXPECT_EQ(leido(ajustes::kComprobarCopias), "S");
    EXPECT_EQ(leido(ajustes::kMinutosComprobacion), "60");
    EXPECT_EQ(leido(ajustes::kFTPservidor), "");
    EXPECT_EQ(leido(ajustes::kBaseServidor), "");
    EXPECT_TRUE(QFile::exists(rutas()));
    EXPECT_TRUE(QFile::exists(datas()));
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_FALSE(boton("cmdAccion")->isEnabled());
    EXPECT_EQ(ventana->pbHoraRespaldo(), "");
}

TEST_F(MainWindowTest, CorrectConfigurationArmsTheSchedule) {
    configurarCorrecta("23:00");
    guardar(ajustes::kCiclo, "mensual");
    guardar(ajustes::kDiaPrimero, "n");
    guardar(ajustes::kRespaldoDiferencial, "No");
    guardar(ajustes::kCompartirArchivos, "N");
    guardar(ajustes::kMinutosComprobacion, "45");
    ASSERT_TRUE(cargar());
    EXPECT_EQ(log(),
              (QStringList{
                  linea("Revisando configuración"), linea("Rutas a respaldar correctas"),
                  linea("Respaldos variados", "Sí"), linea("Ciclo", "Mensual"),
                  linea("'Día al inicio'", "No"), linea("Compartir archivos entre copias", "No"),
                  linea("Respaldo en FTP", "No"), linea("Ruta destino correcta"),
                  linea("Respaldo diferencial", "No"), linea("Incluir subdirectorios", "Sí"),
                  linea("Copia consistente", "No"), linea("Comprobar copias", "Sí"),
                  linea("Minutos de comprobación", "45"), linea("Hora del respaldo", "23:00"),
                  linea("Resultado revisión", "Todo correcto"), linea("Configuración revisada")}));
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_TRUE(boton("cmdAccion")->isEnabled());
    EXPECT_EQ(boton("cmdAccion")->text(), "&Respaldar");
    EXPECT_EQ(ventana->pbHoraRespaldo(), "23:00");
    EXPECT_EQ(leido(ajustes::kCiclo), "mensual");
}

TEST_F(MainWindowTest, SingleCopiesSkipTheCycleKeys) {
    configurarCorrecta();
    guardar(ajustes::kRespaldosVariados, "N");
    ASSERT_TRUE(cargar());
    EXPECT_EQ(log().value(2), linea("Respaldos variados", "No"));
    EXPECT_EQ(log().value(3), linea("Respaldo en FTP", "No"));
    EXPECT_FALSE(log().join('\n').contains("Ciclo"));
    EXPECT_FALSE(log().join('\n').contains("'Día al inicio'"));
    EXPECT_EQ(leido(ajustes::kCiclo), "");
    EXPECT_EQ(leido(ajustes::kDiaPrimero), "");
}

TEST_F(MainWindowTest, FtpDestinationIsTakenUncheckedAndUndefinedCredentialsAreReset) {
    configurarCorrecta();
    guardar(ajustes::kRespaldoEnFTP, "Sí");
    guardar(ajustes::kFTPusuario, "alguien");
    guardar(ajustes::kRutaDestino, "/copias/no/comprobada");
    ASSERT_TRUE(cargar());
    EXPECT_EQ(log().value(6), linea("Respaldo en FTP", "Sí"));
    EXPECT_EQ(log().value(7), linea("Ruta FTP", "/copias/no/comprobada/"));
    EXPECT_EQ(log().value(8), linea("Atención: ruta no comprobable, por ser FTP"));
    EXPECT_EQ(log().value(9), linea("Ruta destino correcta (pero es ruta FTP)"));
    EXPECT_TRUE(log().contains(linea("Resultado revisión", "Todo correcto")));
    for (const char* clave : {ajustes::kFTPservidor, ajustes::kFTPusuario, ajustes::kFTPpassword})
        EXPECT_EQ(leido(clave), "DATO SIN DEFINIR") << clave;
}

TEST_F(MainWindowTest, BadRoutesAndDestinationsAreReportedAndBlockTheRun) {
    writeFile(rutas(), (dir / "no-existe").toUtf8() + "\r\n\r\n");
    writeFile(datas(), (dir / "documentos").toUtf8() + "\r\n");
    guardar(ajustes::kRutaDestino, dir / "destino");
    guardar(ajustes::kHoraDelRespaldo, "23:00");
    ultimoRespaldo(reloj.now().date().addDays(-5));
    ASSERT_TRUE(cargar());
    const QStringList lineas = log();
    EXPECT_EQ(lineas.mid(1, 3),
              (QStringList{linea("Ruta de documentos incorrecta", dir / "no-existe"),
                           "Ruta de documentos incorrecta  ... ",
                           linea("Rutas a respaldar incorrectas")}));
    EXPECT_FALSE(lineas.contains(linea("No se han definido rutas")));
    // The destination exists, but the configuration is already incorrect.
    EXPECT_FALSE(lineas.contains(linea("Ruta destino correcta")));
    EXPECT_EQ(lineas.mid(lineas.size() - 2),
              (QStringList{linea("No procede el respaldo", "Configuración incorrecta"),
                           linea("Configuración revisada")}));
    // The hour is valid: the countdown runs, but nothing can start a run.
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_FALSE(boton("cmdAccion")->isEnabled());
    EXPECT_EQ(vecesEnLog(linea("Iniciando respaldo")), 0);

    writeFile(rutas(), (dir / "documentos").toUtf8() + "\r\n");
    guardar(ajustes::kRutaDestino, dir / "sin-carpeta");
    guardar(ajustes::kHoraDelRespaldo, "25:00");
    ventana->RevisarConfiguracion();
    EXPECT_TRUE(log().contains(linea("Alerta", "Ruta destino inexistente")));
    EXPECT_TRUE(log().contains(linea("Hora del respaldo", "SIN DEFINIR")));
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "25:00");
    EXPECT_EQ(ventana->pbHoraRespaldo(), "23:00");
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_FALSE(boton("cmdAccion")->isEnabled());
}

TEST_F(MainWindowTest, RoutesOfOneNameAreReportedWithTheirFolders) {
    configurarCorrecta();
    QDir().mkpath(dir / "otra/documentos");
    writeFile(datas(), (dir / "otra/documentos").toUtf8() + "\r\n");
    ASSERT_TRUE(cargar());
    EXPECT_EQ(log().mid(1, 4),
              (QStringList{linea("Rutas a respaldar correctas"),
                           linea("Atención: rutas con el mismo nombre, cada una se copia en "
                                 "su carpeta"),
                           linea(dir / "documentos", "documentos"),
                           linea(dir / "otra/documentos", "documentos (otra)")}));
    EXPECT_TRUE(log().contains(linea("Resultado revisión", "Todo correcto")));
}

TEST_F(MainWindowTest, DestinationInsideARouteIsReportedOnce) {
    configurarCorrecta();
    QDir().mkpath(dir / "documentos/copias");
    guardar(ajustes::kRutaDestino, dir / "documentos/copias");
    writeFile(datas(), dir.path().toUtf8() + "\r\n"); // holds it too
    ASSERT_TRUE(cargar());
    const QStringList avisos = log().filter("Ruta destino dentro de");
    EXPECT_EQ(avisos, QStringList(linea("Atención", "Ruta destino dentro de " + dir / "documentos" +
                                                        ", no se respalda")));
    EXPECT_TRUE(log().contains(linea("Resultado revisión", "Todo correcto")));
}

TEST_F(MainWindowTest, ConsistentCopyNeedsItsServerAndUserAndNeverLogsThePassword) {
    configurarCorrecta();
    guardar(ajustes::kCopiaConsistente, "S");
    guardar(ajustes::kBaseUsuario, "respaldo");
    ASSERT_TRUE(cargar());
    EXPECT_TRUE(log().contains(linea("Copia consistente", "Sí")));
    EXPECT_TRUE(log().contains(linea("Alerta", "Base de datos, no definida")));
    EXPECT_TRUE(log().contains(linea("No procede el respaldo", "Configuración incorrecta")));
    EXPECT_EQ(leido(ajustes::kBaseServidor), "DATO SIN DEFINIR");
    EXPECT_EQ(leido(ajustes::kBasePassword), "DATO SIN DEFINIR");

    guardar(ajustes::kBaseServidor, "127.0.0.1:3307");
    guardar(ajustes::kBasePassword, DeAcceso().Encripta("secreta", ajustes::kLlaveFTP));
    ventana->RevisarConfiguracion();
    const QStringList lineas = log();
    const qsizetype copia = lineas.indexOf(linea("Copia consistente", "Sí"));
    EXPECT_EQ(
        lineas.mid(copia + 1, 4),
        (QStringList{linea("Base servidor", "127.0.0.1:3307"), linea("Base usuario", "respaldo"),
                     linea("Base tiempo máximo", "30 minutos"), linea("Comprobar copias", "Sí")}));
    EXPECT_TRUE(lineas.contains(linea("Resultado revisión", "Todo correcto")));
    EXPECT_FALSE(lineas.join('\n').contains("secreta"));

    // The dump's time limit is a number of minutes.
    guardar(ajustes::kBaseTiempoMaximo, "0");
    ventana->RevisarConfiguracion();
    EXPECT_TRUE(log().contains(linea("Alerta", "Base tiempo máximo no válido: 0")));
    EXPECT_TRUE(log().contains(linea("No procede el respaldo", "Configuración incorrecta")));
}

struct PuestaAlDia {
    int diasDesdeElUltimo;
    QTime ahora;
    const char* hora;
    bool respalda;
};

TEST_F(MainWindowTest, OverdueBackupRunsInsideTheReview) {
    const PuestaAlDia casos[] = {
        {2, QTime(8, 0), "23:00", true},
        {1, QTime(8, 0), "23:00", false},
        {1, QTime(23, 30), "23:00", true},
        {1, QTime(23, 0), "23:00", true}, // today's run, the tick does not repeat it
        {0, QTime(23, 30), "23:00", false},
        {-1, QTime(8, 0), "23:00", false},
        {1, QTime(10, 15), "9:30", true},
    };
    for (const PuestaAlDia& caso : casos) {
        SCOPED_TRACE(std::to_string(caso.diasDesdeElUltimo) + " " + caso.hora + " " +
                     caso.ahora.toString().toStdString());
        configurarCorrecta(caso.hora);
        reloj.set(QDateTime(QDate(2026, 12, 7), caso.ahora));
        ultimoRespaldo(reloj.now().date().addDays(-caso.diasDesdeElUltimo));
        ASSERT_TRUE(cargar());
        const QStringList lineas = log();
        EXPECT_EQ(lineas.contains(linea("Iniciando respaldo")), caso.respalda);
        EXPECT_EQ(lineas.last(), linea("Configuración revisada"));
        if (caso.respalda) {
            EXPECT_LT(lineas.indexOf(linea("Resultado revisión", "Todo correcto")),
                      lineas.indexOf(linea("Iniciando respaldo")));
            EXPECT_TRUE(lineas.contains(linea("Respaldo finalizado")));
            // The day the run was for: yesterday's backup until today's hour.
            const bool deAyer = caso.ahora < *hora::interpretar(caso.hora);
            EXPECT_EQ(leido(ajustes::kUltimoRespaldo, ajustes::kResultado),
                      deAyer ? "2026-12-06" : "2026-12-07");
            // The window comes up minimised with the run's lines in its log box.
            EXPECT_TRUE(ventana->isMinimized());
            EXPECT_TRUE(boton("cmdAccion")->isEnabled());
            EXPECT_TRUE(Timer1()->isActive());
        }
    }
    // Without a readable date nothing starts.
    guardar(ajustes::kUltimoRespaldo, "nunca", ajustes::kResultado);
    ASSERT_TRUE(cargar());
    EXPECT_FALSE(log().contains(linea("Iniciando respaldo")));
}

} // namespace
