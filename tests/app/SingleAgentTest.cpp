#include "TestSupport.h"
#include "app/AgenteUnico.h"
#include "app/EstadoDeRespaldos.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <grp.h>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// The agent's lock file, as an agent makes it.
void lockFile(const AgenteUnico& agente) {
    writeFile(agente.archivoCerrojo(), "");
    ::chmod(QFile::encodeName(agente.archivoCerrojo()).constData(), 0600);
}

// What an agent killed in the middle of its work leaves: its lock file and its socket's file.
void leftByACrash(const AgenteUnico& agente) {
    lockFile(agente);
    const QByteArray path = QFile::encodeName(agente.archivoSocket());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

struct Notificaciones final : Notificador {
    void notificar(const Notificacion& n) override { recibidas.append(n.titulo + ": " + n.texto); }
    QStringList recibidas;
};

// A program folder, and the user's runtime folder (empty: none, the program folder serves).
struct Lugar {
    const char* nombre;
    bool conCarpetaPrivada;
};
const Lugar kLugares[] = {{"RuntimeFolder", true}, {"ProgramFolder", false}};
void PrintTo(const Lugar& lugar, std::ostream* os) {
    *os << lugar.nombre;
}

class SingleAgentTest : public ::testing::TestWithParam<Lugar> {
protected:
    std::unique_ptr<AgenteUnico> agente() const {
        return std::make_unique<AgenteUnico>(programa.path(),
                                             GetParam().conCarpetaPrivada ? privada.path() : "");
    }

    TempFolder programa;
    TempFolder privada;
};

} // namespace

TEST_P(SingleAgentTest, ASecondStartIsRefusedAndAsksTheFirstToShowItself) {
    auto first = agente();
    leftByACrash(*first);
    ASSERT_EQ(first->Iniciar(), AgenteUnico::Inicio::Propio);
    int requests = 0;
    QObject::connect(first.get(), &AgenteUnico::mostrarPedido, [&] { ++requests; });

    EXPECT_EQ(agente()->Iniciar(), AgenteUnico::Inicio::Mostrado);
    const QDeadlineTimer deadline(5000);
    while (requests == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(requests, 1);

    first.reset(); // the agent ends: the folder is free again
    EXPECT_EQ(agente()->Iniciar(), AgenteUnico::Inicio::Propio);
}

// The lock held by a process that does not answer (hung, or no agent at all): the start gives
// up and says so in the log, on standard error and in a notification.
TEST_P(SingleAgentTest, ALockHeldWithoutAnAgentAnsweringIsReportedLoudly) {
    const auto ausente = agente();
    lockFile(*ausente);
    const int retenido = ::open(QFile::encodeName(ausente->archivoCerrojo()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(retenido, LOCK_EX), 0);

    ASSERT_EQ(ausente->Iniciar(), AgenteUnico::Inicio::SinRespuesta);
    Notificaciones notificaciones;
    testing::internal::CaptureStderr();
    ausente->avisarSinRespuesta(notificaciones);
    const QString error = QString::fromStdString(testing::internal::GetCapturedStderr());
    ::close(retenido);

    const QString bitacora = QString::fromUtf8(readFile(programa / "Bitacora.log"));
    EXPECT_TRUE(bitacora.contains("Agente no iniciado: Otro proceso tiene tomada la carpeta"))
        << bitacora.toStdString();
    EXPECT_TRUE(bitacora.contains(ausente->archivoCerrojo()));
    EXPECT_TRUE(error.contains("Agente no iniciado")) << error.toStdString();
    ASSERT_EQ(notificaciones.recibidas.size(), 1);
    EXPECT_TRUE(notificaciones.recibidas[0].startsWith("Zarvento no se inició: Otro proceso"));
}

// Another user holds whatever lock file lies in the program folder (here one an older agent left
// open to all): the agent starts all the same, and its own lock is closed to that user.
TEST_P(SingleAgentTest, AnotherUserCannotHoldTheLock) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const passwd* nadie = ::getpwnam("nobody");
    ASSERT_NE(nadie, nullptr);
    ASSERT_EQ(::chmod(QFile::encodeName(programa.path()).constData(), 0777), 0);
    const QByteArray viejo = QFile::encodeName(programa / AgenteUnico::kArchivoCerrojo);
    writeFile(QFile::decodeName(viejo), "");
    ::chmod(viejo.constData(), 0644);

    // The other user's process: takes the old lock, then tries again on the agent's own file.
    const auto primero = agente();
    const QByteArray propio = QFile::encodeName(primero->archivoCerrojo());
    int tomado[2];
    int seguir[2];
    ASSERT_EQ(::pipe(tomado), 0);
    ASSERT_EQ(::pipe(seguir), 0);
    const pid_t otro = ::fork();
    if (otro == 0) {
        char respuesta = 'n';
        if (::setgroups(0, nullptr) == 0 && ::setgid(nadie->pw_gid) == 0 &&
            ::setuid(nadie->pw_uid) == 0) {
            const int fd = ::open(viejo.constData(), O_RDONLY);
            respuesta = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 's' : 'n';
        }
        (void)!::write(tomado[1], &respuesta, 1);
        (void)!::read(seguir[0], &respuesta, 1);
        const int fd = ::open(propio.constData(), O_RDONLY);
        respuesta = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 's' : 'n';
        (void)!::write(tomado[1], &respuesta, 1);
        ::_exit(0);
    }
    char respuesta = 0;
    ASSERT_EQ(::read(tomado[0], &respuesta, 1), 1);
    EXPECT_EQ(respuesta, 's') << "the other user could not take the old lock file";

    EXPECT_EQ(primero->Iniciar(), AgenteUnico::Inicio::Propio);
    struct stat st {};
    ASSERT_EQ(::stat(propio.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::write(seguir[1], "x", 1), 1);
    ASSERT_EQ(::read(tomado[0], &respuesta, 1), 1);
    EXPECT_EQ(respuesta, 'n') << "the other user reached the agent's own lock";
    int estado = 0;
    ::waitpid(otro, &estado, 0);
    for (const int fd : {tomado[0], tomado[1], seguir[0], seguir[1]})
        ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(Lugares, SingleAgentTest, ::testing::ValuesIn(kLugares),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST(SingleAgent, TheRuntimeFolderServesOnlyWhenItIsTheUsersOwnAndClosed) {
    TempFolder dir;
    const QByteArray guardada = qgetenv("XDG_RUNTIME_DIR");
    const auto con = [&](const QString& carpeta, mode_t modo) {
        QDir().mkpath(carpeta);
        ::chmod(QFile::encodeName(carpeta).constData(), modo);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(carpeta));
        return AgenteUnico::carpetaPrivadaDelUsuario();
    };
    EXPECT_EQ(con(dir / "privada", 0700), dir / "privada");
    EXPECT_EQ(con(dir / "abierta", 0755), "");
    EXPECT_EQ(con("relativa", 0700), "");
    QDir("relativa").removeRecursively();
    qputenv("XDG_RUNTIME_DIR", guardada);
}
