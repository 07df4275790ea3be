#include "app/FinPorSenal.h"

#include "engine/FileCopier.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace zarvento {

namespace {

constexpr int kSenales[] = {SIGTERM, SIGINT};

int tuberia[2] = {-1, -1};
volatile std::sig_atomic_t pendiente = 0;

// Only async-signal-safe calls here.
void alRecibir(int senal) {
    const int guardado = errno;
    BorrarTemporalEnCurso();
    if (pendiente)
        ::_exit(128 + senal);
    pendiente = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t escrito = ::write(tuberia[1], &byte, 1);
    errno = guardado;
}

void instalar(void (*manejador)(int)) {
    struct sigaction accion {};
    accion.sa_handler = manejador;
    accion.sa_flags = SA_RESTART;
    sigemptyset(&accion.sa_mask);
    for (const int senal : kSenales)
        sigaddset(&accion.sa_mask, senal);
    for (const int senal : kSenales)
        ::sigaction(senal, &accion, nullptr);
}

} // namespace

FinPorSenal::FinPorSenal(QObject* parent) : QObject(parent) {
    if (::pipe2(tuberia, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no se puede crear la tubería de señales");
    notificador_ = new QSocketNotifier(tuberia[0], QSocketNotifier::Read, this);
    connect(notificador_, &QSocketNotifier::activated, this, [this] {
        char bytes[8];
        while (::read(tuberia[0], bytes, sizeof bytes) > 0) {
        }
        // Copies on other threads may hold temporary files the handler could not remove yet.
        TerminarCopiasEnCurso();
        pendiente = 0;
        Q_EMIT pedido();
    });
    instalar(alRecibir);
}

FinPorSenal::~FinPorSenal() {
    instalar(SIG_DFL);
    delete notificador_;
    for (int& extremo : tuberia) {
        ::close(extremo);
        extremo = -1;
    }
    pendiente = 0;
    ReanudarCopias();
}

} // namespace zarvento
