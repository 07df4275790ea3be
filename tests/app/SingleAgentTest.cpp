#include "TestSupport.h"
#include "app/AgenteUnico.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// What an agent killed in the middle of its work leaves: its lock file and its socket's file.
void leftByACrash(const QString& folder) {
    writeFile(folder + '/' + AgenteUnico::kArchivoCerrojo, "");
    const QByteArray path =
        (QDir::tempPath() + '/' + AgenteUnico::nombreServidor(folder)).toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(SingleAgentTest, ASecondStartIsRefusedAndAsksTheFirstToShowItself) {
    TempFolder dir;
    leftByACrash(dir.path());
    auto first = std::make_unique<AgenteUnico>(dir.path());
    ASSERT_TRUE(first->Iniciar());
    int requests = 0;
    QObject::connect(first.get(), &AgenteUnico::mostrarPedido, [&] { ++requests; });

    EXPECT_FALSE(AgenteUnico(dir.path()).Iniciar());
    const QDeadlineTimer deadline(5000);
    while (requests == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(requests, 1);

    first.reset(); // the agent ends: the folder is free again
    EXPECT_TRUE(AgenteUnico(dir.path()).Iniciar());
}

} // namespace
