#include "TestSupport.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DelRegistro.h"
#include "host/HostCheck.h"
#include "host/IniFile.h"
#include "host/LibORVX.h"
#include "host/clsInicio.h"

#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class StartupServicesTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(dir / "programa"); }
    Entorno entorno(const QString& folder = {}) {
        return {{folder.isEmpty() ? dir / "programa" : folder, "zarvento", "zarvento"},
                &dialogs,
                dir / "maquina",
                dir / "usuario",
                dir / "autostart"};
    }
    QString entry(const QString& name = "zarvento") const {
        return QString::fromUtf8(readFile(dir / ("autostart/" + name + ".desktop")));
    }
    void recordInstallation(const QString& folder) {
        ASSERT_TRUE(DelRegistro(entorno()).GrabarCadena(DelRegistro::kClaveInstalacion,
                                                        DelRegistro::kValorInstalacion, folder,
                                                        DelRegistro::Raiz::HKEY_LOCAL_MACHINE));
    }
    bool prepare() {
        const Componentes componentes(entorno());
        return host::PrepararHost(componentes, LibORVX(), DelRegistro(entorno()), iniFile);
    }

    TempFolder dir;
    FakeDialogService dialogs;
    QString iniFile = dir / "programa/zarvento.ini";
};

} // namespace

TEST_F(StartupServicesTest, AutostartEntryIsCreatedRewrittenAndNeverRemoved) {
    clsInicio(entorno()).SiRegistrado("/zarvento");
    EXPECT_TRUE(entry().contains("\nExec=" + dir / "programa/zarvento\n"));
    EXPECT_TRUE(entry().startsWith("[Desktop Entry]\nType=Application\n"));

    // Moved elsewhere: the entry follows; the same path in other letter case is rewritten too.
    clsInicio(entorno(dir / "Otro Sitio")).SiRegistrado("/zarvento");
    EXPECT_TRUE(entry().contains("\nExec=\"" + dir / "Otro Sitio/zarvento\"\n"));
    writeFile(dir / "autostart/zarvento.desktop",
              ("[Desktop Entry]\nExec=" + dir / "PROGRAMA/zarvento\n").toUtf8());
    clsInicio(entorno()).SiRegistrado("/zarvento");
    EXPECT_TRUE(entry().contains("\nExec=" + dir / "programa/zarvento\n"));

    // An entry that already names this executable is left exactly as it is.
    writeFile(dir / "autostart/zarvento.desktop",
              ("[Desktop Entry]\nName=mine\nExec=" + dir / "programa/zarvento\n").toUtf8());
    clsInicio(entorno()).SiRegistrado("/zarvento");
    EXPECT_TRUE(entry().contains("Name=mine"));

    // Another executable name adds its own entry; the first stays.
    clsInicio(entorno()).SiRegistrado("/zarvento2");
    EXPECT_TRUE(entry("zarvento2").contains("\nExec=" + dir / "programa/zarvento2\n"));
    EXPECT_TRUE(entry().contains("Name=mine"));
}

TEST(ClsInicio, ExecLineQuotesAndEscapesReservedCharacters) {
    EXPECT_EQ(clsInicio::lineaExec("/opt/zarvento/zarvento"), "/opt/zarvento/zarvento");
    EXPECT_EQ(clsInicio::lineaExec("/mis programas/z"), "\"/mis programas/z\"");
    EXPECT_EQ(clsInicio::lineaExec("/a$b/100%"), "\"/a\\\\$b/100%%\"");
}

TEST_F(StartupServicesTest, HostCheckFindsTheRecordedInstallation) {
    recordInstallation("/opt/quillon/");
    ini::write(iniFile, ajustes::kConfiguracion, ajustes::kRutaHost, "/opt/quillon");
    EXPECT_TRUE(prepare());
    EXPECT_TRUE(dialogs.messages.empty());
    // Only the recorded folder counts.
    ini::write(iniFile, ajustes::kConfiguracion, ajustes::kRutaHost, "/opt/otra");
    EXPECT_FALSE(prepare());
}

TEST_F(StartupServicesTest, MissingInstallationIsToldAndTheSettingsFileOffered) {
    // First start: the key gets its default and the lookup uses it.
    dialogs.answers = {MessageAnswer::Ok, MessageAnswer::No};
    EXPECT_FALSE(prepare());
    EXPECT_EQ(ini::read(iniFile, ajustes::kConfiguracion, ajustes::kRutaHost),
              "C:\\quillonpremium");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    const MessageRequest& told = dialogs.messages[0];
    EXPECT_EQ(told.title, "Atención");
    EXPECT_EQ(told.icon, MessageIcon::Critical);
    EXPECT_EQ(told.text, "En el archivo de configuración de este programa\r(" + iniFile +
                             ")\r\rdebe indicarse la ruta correcta de Quillon Premium.\r"
                             "Ruta indicada e incorrecta: \r\rC:\\quillonpremium");
    const MessageRequest& asked = dialogs.messages[1];
    EXPECT_EQ(asked.title, "Editar INI");
    EXPECT_EQ(asked.text, "¿Desea editar el archivo de configuración?");
    EXPECT_EQ(asked.icon, MessageIcon::Question);
    EXPECT_EQ(asked.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(dialogs.opened.isEmpty());

    // Blanks are a value: no default is written, the lookup is made with them; Yes opens the file.
    ini::write(iniFile, ajustes::kConfiguracion, ajustes::kRutaHost, "\"   \"");
    dialogs.answers = {MessageAnswer::Ok, MessageAnswer::Yes};
    EXPECT_FALSE(prepare());
    EXPECT_EQ(ini::read(iniFile, ajustes::kConfiguracion, ajustes::kRutaHost), "   ");
    EXPECT_EQ(dialogs.opened, QStringList({iniFile}));
}

TEST(ProgramLocationTest, AnInstalledProgramKeepsItsFilesInTheUsersDataFolder) {
    const TempFolder dir;
    const ProgramLocation installed =
        ProgramLocation::of("/usr/lib/zvprueba/zvprueba", dir / "datos");
    EXPECT_EQ(installed.folder, dir / "datos/zarvento");
    EXPECT_EQ(installed.executablePath(), "/usr/lib/zvprueba/zvprueba");
    EXPECT_EQ(installed.baseName, "zvprueba");

    // A program folder its user can write keeps everything beside the executable.
    QDir().mkpath(dir / "programa");
    const ProgramLocation own = ProgramLocation::of(dir / "programa/zarvento", dir / "datos");
    EXPECT_EQ(own.folder, dir / "programa");
    EXPECT_EQ(own.executablePath(), dir / "programa/zarvento");
}
