#include "TestSupport.h"
#include "host/Componentes.h"
#include "host/ConexionCentral.h"
#include "host/DeAcceso.h"
#include "host/DeEquipo.h"
#include "host/DelRegistro.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace zarvento;
using zarvento::test::TempFolder;
using zarvento::test::writeFile;
using Raiz = DelRegistro::Raiz;

namespace {

// A program folder and both registry folders inside one temporary folder.
class Maquina {
public:
    Maquina() : componentes_(entorno()) {}

    const Componentes& componentes() const { return componentes_; }
    DelRegistro registro() const { return DelRegistro(componentes_.entorno()); }
    QString dir(const QString& relative) const { return dir_ / relative; }

    QString leer(const char* valor) const {
        return registro().LeerCadena(valoresDeEquipo::kClave, valor, Raiz::HKEY_LOCAL_MACHINE);
    }
    QString leerClaro(const char* valor) const {
        return DeAcceso().DesEncripta(leer(valor), valoresDeEquipo::kLlave);
    }
    void grabar(const char* valor, const QString& dato) const {
        ASSERT_TRUE(registro().GrabarCadena(valoresDeEquipo::kClave, valor, dato,
                                            Raiz::HKEY_LOCAL_MACHINE));
    }
    void grabarProtegido(const char* valor, const QString& claro) const {
        grabar(valor, DeAcceso().Encripta(claro, valoresDeEquipo::kLlave));
    }
    void provisionar(const QByteArray& equipo) const {
        writeFile(dir("machine/equipo.ini"), equipo);
    }

private:
    Entorno entorno() const {
        return {ProgramLocation{dir_ / "program", "zarvento", "zarvento"},
                &dialogos_,
                dir_ / "machine",
                dir_ / "user",
                {}};
    }

    TempFolder dir_;
    mutable test::FakeDialogService dialogos_;
    Componentes componentes_;
};

} // namespace

TEST(DelRegistro, StoresStringsPerRootInAnyLetterCase) {
    TempFolder dir;
    const DelRegistro registro(dir / "m", dir / "u");
    EXPECT_EQ(registro.LeerCadena("SOFTWARE\\A", "V", Raiz::HKEY_LOCAL_MACHINE), "");

    EXPECT_TRUE(registro.GrabarCadena("SOFTWARE\\A b", "Valor", "uno", Raiz::HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(registro.GrabarCadena("SOFTWARE\\A b", "Valor", "dos", Raiz::HKEY_CURRENT_USER));
    EXPECT_EQ(registro.LeerCadena("software\\a B", "VALOR", Raiz::HKEY_LOCAL_MACHINE), "uno");
    EXPECT_EQ(registro.LeerCadena("SOFTWARE\\A b", "Valor", Raiz::HKEY_CURRENT_USER), "dos");
    EXPECT_EQ(registro.archivoDe(Raiz::HKEY_LOCAL_MACHINE), dir / "m/HKEY_LOCAL_MACHINE.ini");
    EXPECT_TRUE(QFileInfo::exists(registro.archivoDe(Raiz::HKEY_CURRENT_USER)));

    // Values come back exactly, blanks and quotes at their ends included; rewriting replaces.
    for (const QString& dato : {QString("  con blancos  "), QString("\"citado\""), QString()}) {
        EXPECT_TRUE(registro.GrabarCadena("K", "V", dato, Raiz::HKEY_LOCAL_MACHINE));
        EXPECT_EQ(registro.LeerCadena("K", "V", Raiz::HKEY_LOCAL_MACHINE), dato);
    }
    EXPECT_EQ(registro.LeerCadena("SOFTWARE\\A b", "Valor", Raiz::HKEY_LOCAL_MACHINE), "uno");

    // The stores hold protected secrets: owner only, after every rewrite too.
    const auto mode = [](const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 0777;
    };
    EXPECT_EQ(mode(registro.archivoDe(Raiz::HKEY_LOCAL_MACHINE)), 0600u);
    EXPECT_EQ(mode(dir / "m"), 0700u);
}

TEST(DelRegistro, RefusedWritesAreReported) {
    TempFolder dir;
    writeFile(dir / "file", "x");
    // A file where the machine folder should be: the folder cannot be made.
    const DelRegistro registro(dir / "file/m", dir / "u");
    QString error;
    EXPECT_FALSE(registro.GrabarCadena("K", "V", "d", Raiz::HKEY_LOCAL_MACHINE, &error));
    EXPECT_TRUE(error.contains(dir / "file/m")) << error.toStdString();
    EXPECT_EQ(registro.LeerCadena("K", "V", Raiz::HKEY_LOCAL_MACHINE), "");

    // Names and data that the store could not hold unchanged are refused, not altered.
    EXPECT_FALSE(registro.GrabarCadena("K", "a=b", "d", Raiz::HKEY_CURRENT_USER, &error));
    EXPECT_FALSE(registro.GrabarCadena("K]", "V", "d", Raiz::HKEY_CURRENT_USER, &error));
    EXPECT_FALSE(registro.GrabarCadena("", "V", "d", Raiz::HKEY_CURRENT_USER, &error));
    EXPECT_FALSE(registro.GrabarCadena("K", "V", "a\nb", Raiz::HKEY_CURRENT_USER, &error));
    EXPECT_FALSE(QFileInfo::exists(registro.archivoDe(Raiz::HKEY_CURRENT_USER)));
}

TEST(DelRegistro, ProgramEnvironmentUsesTheDefaultFolders) {
    TempFolder dir;
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (dir / "config").toUtf8());
    const Entorno entorno = Entorno::delPrograma(nullptr);
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(entorno.registroUsuario, dir / "config/zarvento");
    EXPECT_EQ(entorno.registroMaquina, DelRegistro::carpetaMaquinaPorDefecto());
    EXPECT_FALSE(entorno.registroMaquina.isEmpty());
    EXPECT_FALSE(entorno.programa.folder.isEmpty());
}

TEST(CargarConexionCentral, FirstStartWithoutMachineAccountKeepsBuiltInSettings) {
    const Maquina maquina;
    writeFile(maquina.dir("program/xKTQ.aep"), "marca");

    QString aviso;
    const ConexionCentral conexion = CargarConexionCentral(maquina.componentes(), &aviso);

    const ConexionCentral integrada = ConexionCentral::integrada();
    EXPECT_EQ(conexion, integrada);
    EXPECT_EQ(integrada.puerto, 3306);
    EXPECT_FALSE(integrada.servidor.isEmpty());
    EXPECT_FALSE(integrada.usuario.isEmpty());
    EXPECT_EQ(aviso, "");
    EXPECT_FALSE(QFileInfo::exists(maquina.dir("program/xKTQ.aep")));
    // The machine values hold the built-in account, protected with key 3.
    EXPECT_EQ(maquina.leer("Dato1"), DeAcceso().Encripta(integrada.usuario, 3));
    EXPECT_EQ(maquina.leerClaro("Dato2"), integrada.password);
    EXPECT_EQ(maquina.leerClaro("Dato3"), "3306");

    // Later starts take the machine values as they are, and a missing marker is no error.
    maquina.grabarProtegido("Dato1", "otro");
    maquina.grabarProtegido("Dato3", " 3307.5 puerto");
    const ConexionCentral segunda = CargarConexionCentral(maquina.componentes());
    EXPECT_EQ(segunda.usuario, "otro");
    EXPECT_EQ(segunda.password, integrada.password);
    EXPECT_EQ(segunda.puerto, 3308);
    EXPECT_EQ(segunda.servidor, integrada.servidor);
}

TEST(CargarConexionCentral, FirstStartTakesTheMachineAccountOnce) {
    const Maquina maquina;
    maquina.provisionar("[Servidor central]\nUsuario=equipo7\nPassword=clave 7\nPuerto=3310\n");

    const ConexionCentral conexion = CargarConexionCentral(maquina.componentes());
    EXPECT_EQ(conexion.usuario, "equipo7");
    EXPECT_EQ(conexion.password, "clave 7");
    EXPECT_EQ(conexion.puerto, 3310);
    EXPECT_EQ(conexion.servidor, ConexionCentral::integrada().servidor);
    EXPECT_EQ(maquina.leerClaro("Dato1"), "equipo7");
    EXPECT_EQ(maquina.leerClaro("Dato2"), "clave 7");
    EXPECT_EQ(maquina.leerClaro("Dato3"), "3310");

    // The machine values now exist, so the account is not asked for again.
    maquina.provisionar("[Servidor central]\nUsuario=nuevo\nPuerto=1\n");
    EXPECT_EQ(CargarConexionCentral(maquina.componentes()), conexion);
}

TEST(CargarConexionCentral, PortIsTheLeadingNumberOfTheThirdValue) {
    const Maquina maquina;
    maquina.grabarProtegido("Dato1", "u");
    maquina.grabarProtegido("Dato2", "p");
    maquina.grabar("Dato3", "");
    EXPECT_EQ(CargarConexionCentral(maquina.componentes()).puerto, 0);

    const std::pair<const char*, int> casos[] = {
        {"sin número", 0}, {"  42abc", 42}, {"3306.5", 3306}, {"99999999999999", 0}};
    for (const auto& [texto, puerto] : casos) {
        maquina.grabarProtegido("Dato3", texto);
        EXPECT_EQ(CargarConexionCentral(maquina.componentes()).puerto, puerto) << texto;
    }
}

TEST(CargarConexionCentral, UnwritableMachineStoreKeepsBuiltInSettings) {
    TempFolder dir;
    writeFile(dir / "machine", "a file, not a folder");
    test::FakeDialogService dialogos;
    const Componentes componentes(Entorno{
        ProgramLocation{dir.path(), "z", "z"}, &dialogos, dir / "machine", dir / "user", {}});

    QString aviso;
    EXPECT_EQ(CargarConexionCentral(componentes, &aviso), ConexionCentral::integrada());
    EXPECT_FALSE(aviso.isEmpty());
    EXPECT_TRUE(dialogos.messages.empty());
}

TEST(DeEquipo, AnswersOnlyWithAUserAndAPort) {
    TempFolder dir;
    QString usuario = "a", password = "b", puerto = "c";
    EXPECT_FALSE(DeEquipo(dir / "none.ini").DDCR(usuario, password, puerto));
    writeFile(dir / "e.ini", "[Servidor central]\nUsuario=u\n");
    EXPECT_FALSE(DeEquipo(dir / "e.ini").DDCR(usuario, password, puerto));
    EXPECT_EQ(usuario + password + puerto, "abc");
    writeFile(dir / "e.ini", "[Servidor central]\nUsuario=u\nPuerto=1\n");
    EXPECT_TRUE(DeEquipo(dir / "e.ini").DDCR(usuario, password, puerto));
    EXPECT_EQ(usuario + '|' + password + '|' + puerto, "u||1");
}
