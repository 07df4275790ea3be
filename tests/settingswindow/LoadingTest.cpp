#include "SettingsWindowFixture.h"
#include "host/DeAcceso.h"
#include "settingswindow/ControlesConfiguracion.h"

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

using namespace zarvento;
using zarvento::test::SettingsWindowTest;

namespace {

struct Diseno {
    const char* nombre;
    const char* contenedor;
    QString texto;
    QRect twips;
};

QString textoDe(const QWidget* control) {
    if (const auto* boton = qobject_cast<const QAbstractButton*>(control))
        return boton->text();
    if (const auto* marco = qobject_cast<const QGroupBox*>(control))
        return marco->title();
    if (const auto* etiqueta = qobject_cast<const QLabel*>(control))
        return etiqueta->text();
    return {};
}

} // namespace

TEST_F(SettingsWindowTest, EveryControlHasItsCaptionContainerPositionAndTabOrder) {
    frmConfiguracion& v = abrir();
    EXPECT_EQ(v.windowTitle(), "Configuración");
    // The design positions, scaled as a whole when the design does not fit the screen.
    const double dx = v.logicalDpiX() * v.escala() / 1440.0;
    const double dy = v.logicalDpiY() * v.escala() / 1440.0;
    const auto px = [&](QRect t) {
        return QRect(qRound(t.x() * dx), qRound(t.y() * dy), qRound(t.width() * dx),
                     qRound(t.height() * dy));
    };
    EXPECT_EQ(v.size(), px({0, 0, 15705, 10095}).size());

    const QString w = "frmConfiguracion";
    const std::vector<Diseno> disenos{
        {"chkOpcion0",
         "frmConfiguracion",
         "Respaldos variables (se nombran de acuerdo al día)",
         {240, 120, 5415, 240}},
        {"fraOpcion0", "frmConfiguracion", "", {1320, 360, 6255, 1095}},
        {"lblEtiq0", "fraOpcion0", "Frecuencia de respaldos:", {240, 240, 2295, 240}},
        {"optOpcion0", "fraOpcion0", "Semanal", {3000, 240, 1215, 240}},
        {"optOpcion1", "fraOpcion0", "Mensual", {4800, 240, 1095, 240}},
        {"chkOpcion1",
         "fraOpcion0",
         "En el nombre de la ruta destino, primero el día:",
         {1200, 600, 4695, 240}},
        {"chkOpcion2",
         "frmConfiguracion",
         "Respaldar en sitio web, por medio de FTP",
         {240, 1560, 5415, 240}},
        {"fraOpcion1", "frmConfiguracion", "Datos de conexión al FTP", {1320, 1800, 6255, 2415}},
        {"lblEtiq1", "fraOpcion1", "Servidor:", {480, 360, 810, 240}},
        {"lblEtiq2", "fraOpcion1", "Usuario:", {480, 840, 750, 240}},
        {"lblEtiq3", "fraOpcion1", "Contraseña:", {480, 1320, 1080, 240}},
        {"txtDato0", "fraOpcion1", "", {1680, 360, 4335, 360}},
        {"txtDato1", "fraOpcion1", "", {1680, 840, 4335, 360}},
        {"txtDato2", "fraOpcion1", "", {1680, 1320, 4335, 360}},
        {"cmdVerNoVer", "fraOpcion1", "&Ver datos", {4560, 1800, 1455, 495}},
        {"lblEtiq4", "frmConfiguracion", "Ruta destino:", {240, 4320, 1170, 240}},
        {"txtDato3", "frmConfiguracion", "", {1560, 4320, 6015, 360}},
        {"chkOpcion3",
         "frmConfiguracion",
         "Respaldo diferencial (se respaldarán los archivos actualizados posteriormente al "
         "último respaldo):",
         {240, 4800, 5415, 480}},
        {"chkOpcion4",
         "frmConfiguracion",
         "Incluir subdirectorios en el respaldo:",
         {240, 5520, 5415, 240}},
        {"lblEtiq9",
         "frmConfiguracion",
         "Hora para efectuar el respaldo (en formato de 24 horas):",
         {240, 6120, 4995, 240}},
        {"lblEtiq10", "frmConfiguracion", "Hora:", {2520, 6600, 495, 240}},
        {"txtDato6", "frmConfiguracion", "", {3240, 6480, 495, 480}},
        {"lblEtiq11", "frmConfiguracion", "Minutos:", {4200, 6600, 735, 240}},
        {"txtDato7", "frmConfiguracion", "", {5160, 6480, 495, 480}},
        {"fraOpcion2",
         "frmConfiguracion",
         "De documentos o archivos VARIOS",
         {8040, 1080, 7455, 3015}},
        {"lblEtiq5", "fraOpcion2", "Ruta(s) a respaldar:", {360, 480, 1770, 240}},
        {"cmdExaminar", "fraOpcion2", "&Examinar", {5760, 240, 1335, 495}},
        {"txtDato4", "fraOpcion2", "", {960, 960, 6135, 1800}},
        {"fraOpcion3",
         "frmConfiguracion",
         "De la ruta \"DATA\" de MySQL (de ellas NO se incluirán subdirectorios)",
         {8040, 4440, 7455, 3015}},
        {"lblEtiq8", "fraOpcion3", "Ruta(s) a respaldar:", {240, 480, 1770, 240}},
        {"Command1", "fraOpcion3", "&Examinar", {5760, 240, 1335, 495}},
        {"txtDato5", "fraOpcion3", "", {960, 960, 6135, 1800}},
        {"chkOpcion5",
         "frmConfiguracion",
         "Copia consistente de la base de datos",
         {240, 7200, 5415, 240}},
        {"fraOpcion4",
         "frmConfiguracion",
         "Datos de conexión a la base de datos",
         {1320, 7440, 6255, 2415}},
        {"lblEtiq12", "fraOpcion4", "Servidor:", {480, 360, 810, 240}},
        {"lblEtiq13", "fraOpcion4", "Usuario:", {480, 840, 750, 240}},
        {"lblEtiq14", "fraOpcion4", "Contraseña:", {480, 1320, 1080, 240}},
        {"txtDato8", "fraOpcion4", "", {1680, 360, 4335, 360}},
        {"txtDato9", "fraOpcion4", "", {1680, 840, 4335, 360}},
        {"txtDato10", "fraOpcion4", "", {1680, 1320, 4335, 360}},
        {"lblEtiq15", "fraOpcion4", "Tiempo máximo (minutos):", {480, 1860, 2295, 240}},
        {"txtDato11", "fraOpcion4", "", {2880, 1800, 735, 360}},
        {"cmdVerNoVerBase", "fraOpcion4", "Ve&r datos", {4560, 1800, 1455, 495}},
        {"chkOpcion7",
         "frmConfiguracion",
         "Comprobar copias (se leen de vuelta y la copia de la base se carga en un servidor de "
         "prueba)",
         {8040, 7680, 5415, 480}},
        {"cmdGrabar", "frmConfiguracion", "&Grabar", {13560, 9165, 1695, 735}},
    };
    for (const Diseno& d : disenos) {
        SCOPED_TRACE(d.nombre);
        const auto* c = v.findChild<QWidget*>(d.nombre);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parentWidget()->objectName(), d.contenedor);
        EXPECT_EQ(textoDe(c), d.texto);
        EXPECT_EQ(c->geometry(), px(d.twips));
    }
    const auto* linea = v.findChild<QFrame*>("Line1");
    ASSERT_NE(linea, nullptr);
    EXPECT_EQ(linea->frameShape(), QFrame::VLine);
    EXPECT_NEAR(linea->geometry().center().x(), 7800 * dx, 2);
    EXPECT_EQ(linea->geometry().top(), qRound(120 * dy));

    // The controls that take the focus, in keyboard order; labels and frames never do.
    const QStringList orden{
        "chkOpcion0",      "optOpcion1", "optOpcion0", "chkOpcion1",  "chkOpcion2", "txtDato0",
        "txtDato1",        "txtDato2",   "txtDato3",   "chkOpcion3",  "chkOpcion4", "cmdVerNoVer",
        "cmdGrabar",       "txtDato6",   "txtDato7",   "cmdExaminar", "txtDato4",   "Command1",
        "txtDato5",        "chkOpcion5", "txtDato8",   "txtDato9",    "txtDato10",  "txtDato11",
        "cmdVerNoVerBase", "chkOpcion7"};
    QStringList cadena;
    QWidget* actual = chk(0);
    do {
        if (orden.contains(actual->objectName()))
            cadena.append(actual->objectName());
        actual = actual->nextInFocusChain();
    } while (actual != chk(0));
    EXPECT_EQ(cadena, orden);
    for (const char* sinFoco : {"fraOpcion0", "fraOpcion1", "lblEtiq0", "lblEtiq9", "Line1"})
        EXPECT_EQ(v.findChild<QWidget*>(sinFoco)->focusPolicy(), Qt::NoFocus) << sinFoco;

    for (int i : {0, 1, 2, 8, 9, 10})
        EXPECT_EQ(txt(i)->echoMode(), QLineEdit::Password);
    for (int i : {6, 7}) {
        EXPECT_EQ(txt(i)->maxLength(), 2);
        EXPECT_DOUBLE_EQ(txt(i)->font().pointSizeF(), 13.5 * v.escala());
    }
    // At most 9.75 pt (scaled with the window), and small enough for every caption to show whole.
    EXPECT_LE(chk(0)->font().pointSizeF(), 9.75 * v.escala());
    for (const Diseno& d : disenos) {
        const auto* c = v.findChild<QWidget*>(d.nombre);
        if (qobject_cast<const QLabel*>(c) || qobject_cast<const QAbstractButton*>(c)) {
            const int lineas = std::max(1, c->height() / c->fontMetrics().height());
            EXPECT_LE(c->sizeHint().width(), c->width() * lineas) << d.nombre;
        }
    }
}

TEST_F(SettingsWindowTest, FitsTheScreenWithEveryControlInsideItsFrame) {
    const frmConfiguracion& v = abrir();
    const QSize pantalla = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(v.width(), pantalla.width());
    EXPECT_LE(v.height(), pantalla.height());
    for (QWidget* control : v.findChildren<QWidget*>()) {
        if (control->isWindow() || control->parentWidget() != &v)
            continue;
        EXPECT_TRUE(v.rect().contains(control->geometry())) << control->objectName().toStdString();
    }
    // Every frame's controls lie inside the frame line as it is painted (its top line found at
    // the frame's right end, where no control reaches).
    for (const char* nombre : {"fraOpcion0", "fraOpcion1", "fraOpcion2", "fraOpcion3"}) {
        auto* marco = v.findChild<QGroupBox*>(nombre);
        ASSERT_NE(marco, nullptr);
        QImage imagen(marco->size(), QImage::Format_RGB32);
        const QColor fondo = marco->palette().window().color();
        imagen.fill(fondo);
        marco->render(&imagen, {}, {}, QWidget::DrawWindowBackground);
        int linea = 0;
        while (linea < imagen.height() && imagen.pixelColor(imagen.width() - 4, linea) == fondo)
            ++linea;
        const QRect interior = marco->rect().adjusted(1, linea + 1, -1, -1);
        for (QWidget* control : marco->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(interior.contains(control->geometry()))
                << nombre << " " << control->objectName().toStdString();
    }
    // A 1280x800 screen at 150% leaves about 853x770 logical pixels.
    const double escala = ControlesConfiguracion::escalaPara({1047, 582}, {853, 770});
    EXPECT_LT(escala, 1.0);
    EXPECT_LE(1047 * escala, 853);
    EXPECT_EQ(ControlesConfiguracion::escalaPara({1047, 582}, {1920, 1050}), 1.0);
}

TEST_F(SettingsWindowTest, YesNoValuesAreCheckedOnlyForAnS) {
    const std::vector<std::pair<QString, bool>> casos{{"S", true},   {"s", true},  {"Sí", false},
                                                      {"si", false}, {"N", false}, {"", false}};
    for (const auto& [texto, marcada] : casos) {
        SCOPED_TRACE(texto.toStdString());
        for (const char* clave : {ajustes::kRespaldosVariados, ajustes::kDiaPrimero,
                                  ajustes::kRespaldoEnFTP, ajustes::kRespaldoDiferencial,
                                  ajustes::kIncluirSubdirectorios, ajustes::kComprobarCopias})
            guardar(clave, texto);
        abrir();
        for (int i : {0, 1, 2, 3, 4, 7})
            EXPECT_EQ(chk(i)->isChecked(), marcada) << "chkOpcion" << i;
    }
}

TEST_F(SettingsWindowTest, CycleSelectsWeeklyOnlyForATextBeginningWithS) {
    for (const char* semanal : {"S", "Semanal", "semana", "s"}) {
        guardar(ajustes::kCiclo, semanal);
        abrir();
        EXPECT_TRUE(opt(0)->isChecked()) << semanal;
        EXPECT_FALSE(opt(1)->isChecked());
    }
    for (const char* mensual : {"M", "Mensual", "", "X"}) {
        guardar(ajustes::kCiclo, mensual);
        abrir();
        EXPECT_TRUE(opt(1)->isChecked()) << mensual;
        EXPECT_FALSE(opt(0)->isChecked());
    }
}

TEST_F(SettingsWindowTest, FtpDataIsUnscrambledOnlyWhileFtpIsOn) {
    DeAcceso acceso;
    guardar(ajustes::kFTPservidor, acceso.Encripta("ftp.ejemplo.com", 3));
    guardar(ajustes::kFTPusuario, acceso.Encripta("respaldos", 3));
    guardar(ajustes::kFTPpassword, acceso.Encripta("contraseña", 3));

    guardar(ajustes::kRespaldoEnFTP, "S");
    abrir();
    EXPECT_EQ(txt(0)->text(), "ftp.ejemplo.com");
    EXPECT_EQ(txt(1)->text(), "respaldos");
    EXPECT_EQ(txt(2)->text(), "contraseña");

    // "Sí" is yes for the main window but not here: the FTP keys are neither shown nor touched.
    guardar(ajustes::kRespaldoEnFTP, "Sí");
    const QByteArray antes = test::readFile(archivos.pbArchivoIni);
    abrir();
    EXPECT_FALSE(chk(2)->isChecked());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(txt(i)->text(), "");
    EXPECT_EQ(test::readFile(archivos.pbArchivoIni), antes);
}

TEST_F(SettingsWindowTest, UndefinedFtpServerRewritesAllThreeKeysWithThePlaceholder) {
    for (const QString& servidor : {QString("DATO SIN DEFINIR"), QString()}) {
        guardar(ajustes::kRespaldoEnFTP, "S");
        guardar(ajustes::kFTPservidor, servidor);
        guardar(ajustes::kFTPusuario, DeAcceso().Encripta("usuario", 3));
        guardar(ajustes::kFTPpassword, DeAcceso().Encripta("clave", 3));
        abrir();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(txt(i)->text(), "");
        for (const char* clave :
             {ajustes::kFTPservidor, ajustes::kFTPusuario, ajustes::kFTPpassword})
            EXPECT_EQ(leido(clave), "DATO SIN DEFINIR") << clave;
    }
}

TEST_F(SettingsWindowTest, HourAndDestinationAreShownFromTheirStoredForms) {
    const std::vector<std::tuple<QString, QString, QString>> horas{
        {"SIN DEFINIR", "08", "00"}, {"7:5", "07", "05"},   {"23:00", "23", "00"},
        {"06:30:15", "06", "30"},    {"24:00", "08", "00"}, {"", "08", "00"}};
    for (const auto& [guardada, h, m] : horas) {
        guardar(ajustes::kHoraDelRespaldo, guardada);
        abrir();
        EXPECT_EQ(txt(6)->text(), h) << guardada.toStdString();
        EXPECT_EQ(txt(7)->text(), m) << guardada.toStdString();
    }

    guardar(ajustes::kRutaDestino, "DATO SIN DEFINIR");
    abrir();
    EXPECT_EQ(txt(3)->text(), "");
    guardar(ajustes::kRutaDestino, "/mnt/respaldos");
    abrir();
    EXPECT_EQ(txt(3)->text(), "/mnt/respaldos");
}

TEST_F(SettingsWindowTest, RouteListsShowEveryLineAsRead) {
    const std::vector<std::pair<QByteArray, QString>> casos{
        {"/datos/a\r\n/datos/b\r\n", "/datos/a\n/datos/b"},
        {"/datos/a\r\n/datos/b", "/datos/a\n/datos/b"},
        {"", ""},
        {"/datos/a\r\n\r\n  /datos/b \r\n", "/datos/a\n\n  /datos/b "},
        {"C:\\A\xF1o\r\n", "C:\\Año"}, // written on the original platform (Windows-1252)
    };
    for (const auto& [contenido, caja] : casos) {
        test::writeFile(archivos.pbArchivoRutas, contenido);
        test::writeFile(archivos.pbArchivoDATAs, "/var/lib/mysql/ventas\r\n" + contenido);
        abrir();
        EXPECT_EQ(lista(4)->toPlainText(), caja) << contenido.toStdString();
        EXPECT_EQ(lista(5)->toPlainText(),
                  caja.isEmpty() ? "/var/lib/mysql/ventas" : "/var/lib/mysql/ventas\n" + caja);
    }
    QFile::remove(archivos.pbArchivoRutas);
    abrir();
    EXPECT_EQ(lista(4)->toPlainText(), "");
}
